#include "audiolib/devices/PortAudioStream.h"

#include <portaudio.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "audiolib/api/ErrorState.h"
#include "audiolib/devices/PortAudioLibrary.h"

namespace audiolib {

namespace {

constexpr auto kWatchInterval = std::chrono::milliseconds(100);
constexpr auto kReopenInterval = std::chrono::milliseconds(500);

int ErrorCodeOf(PaError error) {
  switch (error) {
    case paInvalidSampleRate:
      return BASS_ERROR_FREQ;
    case paInvalidChannelCount:
    case paSampleFormatNotSupported:
      return BASS_ERROR_FORMAT;
    case paDeviceUnavailable:
      return BASS_ERROR_BUSY;
    case paInvalidDevice:
      return BASS_ERROR_DEVICE;
    default:
      return BASS_ERROR_DRIVER;
  }
}

PaHostApiIndex HostApiOf(DeviceLayer layer) {
  switch (layer) {
    case DeviceLayer::WasapiStyle:
      return Pa_HostApiTypeIdToHostApiIndex(paALSA);
    case DeviceLayer::AsioStyle:
      return Pa_HostApiTypeIdToHostApiIndex(paJACK);
    case DeviceLayer::Regular:
      break;
  }
  return Pa_GetDefaultHostApi();
}

// The PortAudio device the request names, or paNoDevice. Caller holds PortAudioMutex().
PaDeviceIndex FindDevice(const DeviceStreamRequest& request) {
  const PaHostApiIndex hostApi = HostApiOf(request.layer);
  const PaHostApiInfo* api = hostApi >= 0 ? Pa_GetHostApiInfo(hostApi) : nullptr;
  if (api == nullptr) return paNoDevice;
  const bool isInput = request.direction == StreamDirection::Input;
  if (request.deviceId.empty()) return isInput ? api->defaultInputDevice : api->defaultOutputDevice;
  for (int i = 0; i < api->deviceCount; ++i) {
    const PaDeviceIndex index = Pa_HostApiDeviceIndexToDeviceIndex(hostApi, i);
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
    if (info == nullptr || request.deviceId != info->name) continue;
    if ((isInput ? info->maxInputChannels : info->maxOutputChannels) > 0) return index;
  }
  return paNoDevice;
}

class PortAudioStream : public DeviceStream {
 public:
  PortAudioStream(const DeviceStreamRequest& request, DeviceStreamCallbacks callbacks)
      : request_(request), callbacks_(std::move(callbacks)) {
    std::lock_guard portAudio(PortAudioMutex());
    if (!InitializePortAudio()) throw AudioError(BASS_ERROR_DRIVER);
    const PaError error = Open();
    if (error != paNoError) {
      Pa_Terminate();
      throw AudioError(ErrorCodeOf(error));
    }
    watch_ = std::thread([this] { Watch(); });
  }

  ~PortAudioStream() override {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    watch_.join();
    std::lock_guard portAudio(PortAudioMutex());
    Close();
    Pa_Terminate();
  }

  void Start() override {
    std::lock_guard lock(mutex_);
    if (lost_ || stream_ == nullptr) throw AudioError(BASS_ERROR_DEVICE);
    if (started_) return;
    const PaError error = Pa_StartStream(stream_);
    if (error != paNoError) throw AudioError(ErrorCodeOf(error));
    started_ = true;
  }

  void Stop() override {
    std::lock_guard lock(mutex_);
    if (!started_) return;
    started_ = false;
    Pa_AbortStream(stream_);
  }

  bool IsStarted() const override {
    std::lock_guard lock(mutex_);
    return started_;
  }

  bool IsLost() const override {
    std::lock_guard lock(mutex_);
    return lost_;
  }

  DWORD SampleRate() const override { return request_.sampleRate; }
  DWORD Channels() const override { return request_.channels; }

  double LatencyMs() const override {
    std::lock_guard lock(mutex_);
    const PaStreamInfo* info = stream_ != nullptr ? Pa_GetStreamInfo(stream_) : nullptr;
    if (info == nullptr) return 0;
    const bool isInput = request_.direction == StreamDirection::Input;
    return 1000.0 * (isInput ? info->inputLatency : info->outputLatency);
  }

 private:
  using Lock = std::unique_lock<std::mutex>;

  static int Callback(const void* input, void* output, unsigned long frames,
                      const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* self) {
    auto* stream = static_cast<PortAudioStream*>(self);
    // An input's samples are handed over read-only by contract; PortAudio's buffer stays its own.
    float* samples = stream->request_.direction == StreamDirection::Input
                         ? const_cast<float*>(static_cast<const float*>(input))
                         : static_cast<float*>(output);
    stream->callbacks_.process(samples, frames);
    return paContinue;
  }

  // Opens stream_ (stopped). Caller holds PortAudioMutex().
  PaError Open() {
    const PaDeviceIndex device = FindDevice(request_);
    if (device == paNoDevice) return paInvalidDevice;
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
    const bool isInput = request_.direction == StreamDirection::Input;
    PaStreamParameters parameters{};
    parameters.device = device;
    parameters.channelCount = static_cast<int>(request_.channels);
    parameters.sampleFormat = paFloat32;
    parameters.suggestedLatency = isInput ? info->defaultLowInputLatency : info->defaultLowOutputLatency;
    const unsigned long period =
        request_.periodFrames != 0 ? request_.periodFrames : paFramesPerBufferUnspecified;
    // No dither: a device that takes integers gets the samples rounded, not noise added to them.
    return Pa_OpenStream(&stream_, isInput ? &parameters : nullptr, isInput ? nullptr : &parameters,
                         request_.sampleRate, period, paDitherOff, &PortAudioStream::Callback, this);
  }

  // Caller holds PortAudioMutex().
  void Close() {
    if (stream_ == nullptr) return;
    Pa_AbortStream(stream_);
    Pa_CloseStream(stream_);
    stream_ = nullptr;
  }

  bool Reopen() {
    std::lock_guard portAudio(PortAudioMutex());
    Close();
    const PaError error = Open();
    if (error != paNoError) stream_ = nullptr;
    return error == paNoError;
  }

  void Watch() {
    Lock lock(mutex_);
    while (!stopping_) {
      wake_.wait_for(lock, lost_ ? kReopenInterval : kWatchInterval, [this] { return stopping_; });
      if (stopping_) break;
      if (lost_) {
        if (!Reopen()) continue;
        lost_ = false;
        Tell(lock, DeviceStreamEvent::Back);
      } else if (started_ && Pa_IsStreamActive(stream_) != 1) {
        started_ = false;
        lost_ = !Reopen();
        Tell(lock, lost_ ? DeviceStreamEvent::Lost : DeviceStreamEvent::Failed);
      }
    }
  }

  void Tell(Lock& lock, DeviceStreamEvent event) {
    if (!callbacks_.onEvent) return;
    lock.unlock();
    callbacks_.onEvent(event);
    lock.lock();
  }

  const DeviceStreamRequest request_;
  const DeviceStreamCallbacks callbacks_;
  mutable std::mutex mutex_;  // guards everything below
  PaStream* stream_ = nullptr;
  bool started_ = false;
  bool lost_ = false;
  bool stopping_ = false;
  std::condition_variable wake_;
  std::thread watch_;
};

}  // namespace

std::unique_ptr<DeviceStream> OpenPortAudioStream(const DeviceStreamRequest& request,
                                                  DeviceStreamCallbacks callbacks) {
  return std::make_unique<PortAudioStream>(request, std::move(callbacks));
}

}  // namespace audiolib
