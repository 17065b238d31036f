#include "audiolib/devices/AsioDevice.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "audiolib/api/ErrorState.h"

namespace audiolib {

namespace {
constexpr DWORD kDefaultBlockMs = 10;
constexpr size_t kRingBlocks = 4;
constexpr auto kFirstFillTimeout = std::chrono::seconds(2);
}  // namespace

AsioDevice::AsioDevice(std::string driverId, const AsioDriverInfo& info, std::function<void(DWORD)> notify)
    : driverId_(std::move(driverId)),
      info_(info),
      notify_(std::move(notify)),
      rate_(info.rate),
      output_(info.outputs),
      input_(info.inputs) {}

AsioDevice::~AsioDevice() { Stop(); }

double AsioDevice::Rate() const {
  std::lock_guard lock(mutex_);
  return rate_;
}

void AsioDevice::SetRate(double rateHz) {
  std::lock_guard lock(mutex_);
  if (started_.load()) throw AudioError(BASS_ERROR_START);
  info_.CheckRate(rateHz);
  rate_ = rateHz;
}

void AsioDevice::Configure(bool input, const std::function<void(AsioChannels&)>& change) {
  std::lock_guard lock(mutex_);
  if (started_.load()) throw AudioError(BASS_ERROR_START);
  change(input ? input_.channels : output_.channels);
}

void AsioDevice::Start(DWORD bufferFrames) {
  if (OnFeederThread()) throw AudioError(BASS_ERROR_BUSY);
  // Streams left open by a lost device or a failure stay open (they tell when the device is back)
  // until new ones replace them; the old ones are closed without the lock.
  Running retired;
  {
    std::lock_guard lock(mutex_);
    if (started_.load()) return;
    retired.feeder = std::move(feeder_);  // idle since the device was lost or failed
  }
  retired.feeder.reset();
  std::unique_lock lock(mutex_);
  if (started_.load()) return;
  if (output_.channels.Groups().empty() && input_.channels.Groups().empty()) throw AudioError(BASS_ERROR_NOCHAN);
  const DWORD deviceRate = static_cast<DWORD>(std::lround(rate_));
  blockFrames_ = bufferFrames != 0 ? bufferFrames : std::max<DWORD>(1, deviceRate * kDefaultBlockMs / 1000);
  try {
    retired.output = Prepare(output_, false, deviceRate, bufferFrames);
    retired.input = Prepare(input_, true, deviceRate, bufferFrames);
    firstFillDone_.store(output_.stream == nullptr);
    feeder_ = std::make_unique<DeviceUpdateThread>([this] { Feed(); }, [] { return kDefaultBlockMs / 2; });
    const auto deadline = std::chrono::steady_clock::now() + kFirstFillTimeout;
    while (!firstFillDone_.load() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (output_.stream) output_.stream->Start();
    if (input_.stream) input_.stream->Start();
  } catch (const AudioError&) {
    retired.feeder = std::move(feeder_);
    if (output_.stream) output_.stream->Stop();
    if (input_.stream) input_.stream->Stop();
    lock.unlock();
    throw;  // `retired` joins the feeder and closes replaced streams without the lock
  }
  started_.store(true);
}

std::unique_ptr<DeviceStream> AsioDevice::Prepare(Direction& direction, bool input, DWORD deviceRate,
                                                  DWORD bufferFrames) {
  direction.feeds.clear();
  const std::vector<AsioChannelGroup> groups = direction.channels.Groups();
  if (groups.empty()) return std::move(direction.stream);
  for (const AsioChannelGroup& group : groups) {
    direction.feeds.push_back(std::make_unique<AsioGroupFeed>(group, input, deviceRate));
  }
  DeviceStreamRequest request;
  request.layer = DeviceLayer::AsioStyle;
  request.direction = input ? StreamDirection::Input : StreamDirection::Output;
  request.deviceId = driverId_;
  request.sampleRate = deviceRate;
  request.channels = direction.channels.Count();
  request.periodFrames = bufferFrames;
  DeviceStreamCallbacks callbacks;
  if (input) {
    callbacks.process = [this](float* samples, size_t frames) { Capture(samples, frames); };
  } else {
    callbacks.process = [this](float* samples, size_t frames) { Play(samples, frames); };
  }
  callbacks.onEvent = [this](DeviceStreamEvent event) { OnEvent(event); };
  std::unique_ptr<DeviceStream> opened = OpenDeviceStream(request, std::move(callbacks));
  // The old stream is stopped, so no callback reads the ring being replaced.
  direction.width = request.channels;
  direction.ring = std::make_unique<SampleRing>(kRingBlocks * blockFrames_ * direction.width);
  direction.block.assign(blockFrames_ * direction.width, 0.0f);
  std::swap(opened, direction.stream);
  return opened;
}

void AsioDevice::Stop() {
  if (OnFeederThread()) throw AudioError(BASS_ERROR_BUSY);
  Running running;
  {
    std::lock_guard lock(mutex_);
    running = TakeRunning();
  }
  // `running` goes here: the feeder is joined and the streams closed without the lock, so an event
  // of theirs in progress can still take it.
}

AsioDevice::Running AsioDevice::TakeRunning() {
  started_.store(false);
  Running running;
  running.feeder = std::move(feeder_);
  running.output = std::move(output_.stream);
  running.input = std::move(input_.stream);
  if (running.output) running.output->Stop();
  if (running.input) running.input->Stop();
  return running;
}

void AsioDevice::Play(float* samples, size_t frames) {
  const size_t wanted = frames * output_.width;
  const size_t got = output_.ring->Read(samples, wanted);
  std::fill(samples + got, samples + wanted, 0.0f);
}

void AsioDevice::Capture(const float* samples, size_t frames) {
  const size_t fitting = std::min(frames, input_.ring->Writable() / input_.width);
  input_.ring->Write(samples, fitting * input_.width);
}

void AsioDevice::Feed() {
  feederThreadId_.store(std::this_thread::get_id());
  // The directions' rings, feeds and blocks stay as they are while the feeder runs.
  if (output_.ring) {
    float* block = output_.block.data();
    while (output_.ring->Writable() >= output_.block.size()) {
      std::fill(output_.block.begin(), output_.block.end(), 0.0f);
      for (const auto& feed : output_.feeds) feed->Render(block, blockFrames_, output_.width);
      output_.ring->Write(block, output_.block.size());
    }
  }
  firstFillDone_.store(true);
  if (input_.ring) {
    float* block = input_.block.data();
    while (input_.ring->Readable() >= input_.block.size()) {
      input_.ring->Read(block, input_.block.size());
      for (const auto& feed : input_.feeds) feed->Deliver(block, blockFrames_, input_.width);
    }
  }
}

void AsioDevice::OnEvent(DeviceStreamEvent event) {
  if (event == DeviceStreamEvent::Back) {
    DWORD rate = 0;
    try {
      rate = AsioDriverInfo::Find(driverId_).rate;
    } catch (const AudioError&) {
      return;
    }
    {
      std::lock_guard lock(mutex_);
      if (std::lround(rate_) == static_cast<long>(rate)) return;
      rate_ = rate;
    }
    notify_(BASS_ASIO_NOTIFY_RATE);
    return;
  }
  {
    std::lock_guard lock(mutex_);
    if (!started_.exchange(false)) return;  // the other direction's stream told us already
    // The streams stay open (the contract forbids closing them here) and the feeder idles until
    // Start, Stop or Free: joining it here could race with a Start on another thread.
    if (output_.stream) output_.stream->Stop();
    if (input_.stream) input_.stream->Stop();
  }
  notify_(BASS_ASIO_NOTIFY_RESET);
}

}  // namespace audiolib
