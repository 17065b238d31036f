#include "audiolib/devices/OutputDevice.h"

#include <algorithm>

#include "audiolib/api/Config.h"
#include "audiolib/api/ErrorState.h"
#include "audiolib/devices/VirtualStream.h"

namespace audiolib {

namespace {

// Room the update thread needs beyond its period for being scheduled late.
constexpr DWORD kSchedulingMarginMs = 10;

DWORD ConfigValue(DWORD option) {
  try {
    return Config::Instance().Get(option);
  } catch (const AudioError&) {
    return 0;
  }
}

std::unique_ptr<DeviceStream> OpenStream(const DeviceStreamRequest& request, bool noSound,
                                         DeviceStreamCallbacks callbacks) {
  if (noSound) return OpenNoSoundStream(request, std::move(callbacks));
  return OpenDeviceStream(request, std::move(callbacks));
}

}  // namespace

OutputDevice::OutputDevice(const DeviceStreamRequest& request, bool noSound)
    : sampleRate_(request.sampleRate),
      channels_(request.channels),
      runsOnlyWhilePlaying_(noSound),
      mix_(request.sampleRate, request.channels),
      ring_(static_cast<size_t>(kLongestBufferMs) * request.sampleRate / 1000 * request.channels),
      block_(std::make_unique_for_overwrite<float[]>(ring_.Capacity())) {
  stream_ = OpenStream(request, noSound,
                       {[this](float* samples, size_t frames) { Process(samples, frames); },
                        [this](DeviceStreamEvent event) { OnStreamEvent(event); }});
  {
    std::lock_guard lock(renderMutex_);
    outputStarted_ = true;
    if (!runsOnlyWhilePlaying_) StartStream();
  }
  updateThread_ = std::make_unique<DeviceUpdateThread>(
      [this] {
        updateThreadId_.store(std::this_thread::get_id());
        Update();
      },
      [] { return ConfigValue(BASS_CONFIG_UPDATEPERIOD); });
}

OutputDevice::~OutputDevice() {
  {
    std::lock_guard lock(renderMutex_);
    closing_ = true;
  }
  updateThread_.reset();
  stream_->Stop();
  stream_.reset();
  mix_.StopAll();
}

void OutputDevice::Play(const std::shared_ptr<Channel>& channel, bool restart) {
  if (!outputStarted_) throw AudioError(BASS_ERROR_START);
  mix_.Play(channel, restart);
  if (runsOnlyWhilePlaying_) {
    std::lock_guard lock(renderMutex_);
    if (!closing_ && outputStarted_ && !streamRunning_) StartStream();
  }
  updateThread_->Wake();
}

void OutputDevice::StartStream() {
  RenderAhead();
  stream_->Start();
  streamRunning_ = true;
}

void OutputDevice::StopStream() {
  stream_->Stop();
  streamRunning_ = false;
}

void OutputDevice::StopOutput() {
  std::lock_guard lock(renderMutex_);
  outputStarted_ = false;
  StopStream();
  ring_.Clear();
  mix_.StopAll();
}

void OutputDevice::StartOutput() {
  std::lock_guard lock(renderMutex_);
  if (outputStarted_) return;
  outputStarted_ = true;
  if (lost_ || runsOnlyWhilePlaying_) return;  // starts when the device is back, or with a channel
  ring_.Clear();
  try {
    StartStream();
  } catch (const AudioError&) {
    outputStarted_ = false;
    throw;
  }
}

void OutputDevice::Update() {
  std::lock_guard lock(renderMutex_);
  if (closing_ || !outputStarted_ || lost_ || !streamRunning_) return;
  RenderAhead();
  mix_.SettleDrained(FramesPlayed());
  if (runsOnlyWhilePlaying_ && mix_.IsIdle()) {
    // Nothing is left to hear: the ring holds silence only, and the clock may rest.
    StopStream();
    ring_.Clear();
  }
}

bool OutputDevice::IsUpdateThread() const { return updateThreadId_.load() == std::this_thread::get_id(); }

size_t OutputDevice::TargetFrames() const {
  const DWORD periodMs = ConfigValue(BASS_CONFIG_UPDATEPERIOD);
  const DWORD bufferMs = std::clamp(ConfigValue(BASS_CONFIG_BUFFER), periodMs + kSchedulingMarginMs, kLongestBufferMs);
  const DWORD targetMs = mix_.HasChannels() ? bufferMs : std::min(bufferMs, 2 * periodMs);
  return static_cast<size_t>(targetMs) * sampleRate_ / 1000;
}

void OutputDevice::RenderAhead() {
  const size_t buffered = ring_.Readable() / channels_;
  const size_t target = std::min(TargetFrames(), ring_.Capacity() / channels_);
  if (buffered >= target) return;
  const size_t frames = target - buffered;
  mix_.Render(block_.get(), frames, ring_.TotalWritten() / channels_);
  // A procedure inside the render may have stopped the output, and with it emptied the ring.
  if (outputStarted_) ring_.Write(block_.get(), frames * channels_);
}

void OutputDevice::Process(float* samples, size_t frames) {
  realTimeThread_.store(std::this_thread::get_id(), std::memory_order_relaxed);
  const size_t wanted = frames * channels_;
  const size_t got = ring_.Read(samples, wanted);
  if (got == wanted) return;
  std::fill(samples + got, samples + wanted, 0.0f);
  underrunFrames_.fetch_add((wanted - got) / channels_, std::memory_order_relaxed);
}

void OutputDevice::OnStreamEvent(DeviceStreamEvent event) {
  std::lock_guard lock(renderMutex_);
  if (closing_) return;
  switch (event) {
    case DeviceStreamEvent::Lost:
      lost_ = true;
      mix_.SetDeviceLost(true);
      break;
    case DeviceStreamEvent::Back:
    case DeviceStreamEvent::Failed:
      if (outputStarted_ && !Restart()) break;
      lost_ = false;
      mix_.SetDeviceLost(false);
      break;
  }
}

bool OutputDevice::Restart() {
  ring_.Clear();
  if (runsOnlyWhilePlaying_ && mix_.IsIdle()) return true;
  try {
    StartStream();
    return true;
  } catch (const AudioError&) {
    lost_ = true;
    mix_.SetDeviceLost(true);
    return false;
  }
}

}  // namespace audiolib
