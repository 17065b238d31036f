#include "audiolib/devices/WasapiDevice.h"

#include <algorithm>
#include <chrono>

#include "audiolib/api/ErrorState.h"

namespace audiolib {

namespace {

constexpr float kDefaultBufferSeconds = 0.1f;
constexpr DWORD kDefaultPeriodMs = 10;
constexpr auto kFirstFillTimeout = std::chrono::seconds(2);

bool IsFormatRefusal(int code) { return code == BASS_ERROR_FORMAT || code == BASS_ERROR_FREQ; }

}  // namespace

WasapiDevice::WasapiDevice(const WasapiSettings& settings, std::function<void(DWORD)> notify)
    : settings_(settings), notify_(std::move(notify)) {
  const DWORD rate = settings.freq != 0 ? settings.freq : settings.mixRate;
  const DWORD chans = settings.chans != 0 ? settings.chans : settings.mixChannels;
  const bool isMixFormat = rate == settings.mixRate && chans == settings.mixChannels;
  const bool autoFormat = (settings.flags & BASS_WASAPI_AUTOFORMAT) != 0;
  if ((settings.flags & BASS_WASAPI_EXCLUSIVE) == 0) {
    // Shared endpoints run at their mix rate, which callers size their mixing by; any channel
    // count up to the endpoint's is mixed in.
    const bool fits = rate == settings.mixRate && chans <= settings.mixChannels;
    if (!fits && !autoFormat) throw AudioError(BASS_ERROR_FORMAT);
    Open(settings.mixRate, std::min(chans, settings.mixChannels));
    return;
  }
  try {
    Open(rate, chans);
  } catch (const AudioError& error) {
    if (!autoFormat || !IsFormatRefusal(error.code()) || isMixFormat) throw;
    Open(settings.mixRate, settings.mixChannels);
  }
}

WasapiDevice::~WasapiDevice() {
  Stop();
  stream_.reset();
}

void WasapiDevice::Open(DWORD rate, DWORD chans) {
  if (rate == 0 || chans == 0) throw AudioError(BASS_ERROR_FORMAT);
  const DWORD periodMs = settings_.periodSeconds > 0 ? static_cast<DWORD>(settings_.periodSeconds * 1000.0f + 0.5f)
                                                     : kDefaultPeriodMs;
  periodFrames_ = std::max<size_t>(1, static_cast<size_t>(rate) * std::max<DWORD>(periodMs, 1) / 1000);
  const float bufferSeconds = settings_.bufferSeconds > 0 ? settings_.bufferSeconds : kDefaultBufferSeconds;
  const size_t bufferFrames =
      std::max(2 * periodFrames_, static_cast<size_t>(bufferSeconds * static_cast<float>(rate)));
  ring_ = std::make_unique<SampleRing>(bufferFrames * chans);
  block_.assign(periodFrames_ * chans, 0.0f);
  rate_ = rate;
  chans_ = chans;

  DeviceStreamRequest request;
  request.layer = DeviceLayer::WasapiStyle;
  request.direction = settings_.isInput ? StreamDirection::Input : StreamDirection::Output;
  request.deviceId = settings_.deviceId;
  request.sampleRate = rate;
  request.channels = chans;
  request.exclusive = (settings_.flags & BASS_WASAPI_EXCLUSIVE) != 0;
  DeviceStreamCallbacks callbacks;
  if (settings_.isInput) {
    callbacks.process = [this](float* samples, size_t frames) { Capture(samples, frames); };
  } else {
    callbacks.process = [this](float* samples, size_t frames) { Play(samples, frames); };
  }
  callbacks.onEvent = [this](DeviceStreamEvent event) { OnEvent(event); };
  stream_ = OpenDeviceStream(request, std::move(callbacks));
}

void WasapiDevice::Start() {
  if (OnFeederThread()) throw AudioError(BASS_ERROR_BUSY);
  std::unique_ptr<DeviceUpdateThread> finished;
  {
    std::lock_guard lock(mutex_);
    if (started_ && !inputRefused_.load()) return;
    started_ = false;
    finished = std::move(feeder_);  // an input stopped by its WASAPIPROC left its feeder
  }
  finished.reset();
  // Neither side runs now: the stream is stopped and there is no feeder.
  ring_->Clear();
  inputRefused_.store(false);
  firstFillDone_.store(settings_.isInput);
  const DWORD periodMs = std::max<DWORD>(1, static_cast<DWORD>(periodFrames_ * 1000 / rate_));
  auto feeder = std::make_unique<DeviceUpdateThread>([this] { Feed(); }, [periodMs] { return periodMs; });
  // Without the lock: the WASAPIPROC may ask whether the device is started.
  const auto deadline = std::chrono::steady_clock::now() + kFirstFillTimeout;
  while (!firstFillDone_.load() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  std::lock_guard lock(mutex_);
  stream_->Start();  // on failure the local feeder is joined on the way out
  feeder_ = std::move(feeder);
  started_ = true;
}

void WasapiDevice::Stop() {
  if (OnFeederThread()) throw AudioError(BASS_ERROR_BUSY);
  std::unique_ptr<DeviceUpdateThread> feeder;
  {
    std::lock_guard lock(mutex_);
    feeder = StopLocked();
  }
  feeder.reset();
}

std::unique_ptr<DeviceUpdateThread> WasapiDevice::StopLocked() {
  started_ = false;
  if (stream_) stream_->Stop();
  return std::move(feeder_);
}

bool WasapiDevice::IsStarted() const {
  std::lock_guard lock(mutex_);
  return started_ && !inputRefused_.load();
}

BASS_WASAPI_INFO WasapiDevice::Info() const {
  BASS_WASAPI_INFO info{};
  info.initflags = settings_.flags;
  info.freq = rate_;
  info.chans = chans_;
  info.format = BASS_WASAPI_FORMAT_FLOAT;
  info.buflen = static_cast<DWORD>(ring_->Capacity() * sizeof(float));
  info.volmax = 1.0f;
  return info;
}

void WasapiDevice::Play(float* samples, size_t frames) {
  const size_t wanted = frames * chans_;
  const size_t got = ring_->Read(samples, wanted);
  std::fill(samples + got, samples + wanted, 0.0f);
}

void WasapiDevice::Capture(const float* samples, size_t frames) {
  const size_t fitting = std::min(frames, ring_->Writable() / chans_);
  ring_->Write(samples, fitting * chans_);
}

void WasapiDevice::Feed() {
  feederThreadId_.store(std::this_thread::get_id());
  if (settings_.isInput) {
    FeedInput();
  } else {
    FeedOutput();
  }
  firstFillDone_.store(true);
}

void WasapiDevice::FeedOutput() {
  const size_t blockSamples = block_.size();
  while (ring_->Writable() >= blockSamples) {
    const DWORD asked = static_cast<DWORD>(blockSamples * sizeof(float));
    DWORD given = settings_.proc(block_.data(), asked, settings_.user);
    if (given == ~DWORD{0}) given = 0;
    const size_t frames = std::min<size_t>(given, asked) / sizeof(float) / chans_;
    ring_->Write(block_.data(), frames * chans_);
    if (frames * chans_ < blockSamples) return;  // nothing more for now: try again next period
  }
}

void WasapiDevice::FeedInput() {
  while (!inputRefused_.load()) {
    const size_t got = ring_->Read(block_.data(), block_.size());
    if (got == 0) return;
    if (!settings_.proc(block_.data(), static_cast<DWORD>(got * sizeof(float)), settings_.user)) {
      inputRefused_.store(true);
      std::lock_guard lock(mutex_);
      if (stream_) stream_->Stop();  // the feeder itself stays until Start or Stop joins it
      return;
    }
  }
}

void WasapiDevice::OnEvent(DeviceStreamEvent event) {
  if (event == DeviceStreamEvent::Back) {
    notify_(BASS_WASAPI_NOTIFY_ENABLED);
    return;
  }
  // The stream has stopped by itself. Its feeder idles (the ring stays full, or empty) until
  // Start, Stop or Free joins it: joining it here could race with a Start on another thread.
  {
    std::lock_guard lock(mutex_);
    started_ = false;
    if (stream_) stream_->Stop();
  }
  notify_(event == DeviceStreamEvent::Lost ? BASS_WASAPI_NOTIFY_DISABLED : BASS_WASAPI_NOTIFY_FAIL);
}

}  // namespace audiolib
