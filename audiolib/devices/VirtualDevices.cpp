#include "audiolib/devices/VirtualDevices.h"

#include <algorithm>

#include "audiolib/api/ErrorState.h"
#include "audiolib/devices/VirtualStream.h"
#include "audiolib/streams/FileDecoder.h"

namespace audiolib {

namespace {

constexpr auto kClockTick = std::chrono::milliseconds(5);
constexpr size_t kDecodeBlockFrames = 4096;

std::vector<float> DecodeWholeFile(const std::string& path, DWORD& channels) {
  FileDecoder decoder(path, SampleType::Float32);
  channels = decoder.format().chans;
  std::vector<float> samples;
  std::vector<float> block(kDecodeBlockFrames * channels);
  bool ended = false;
  while (!ended) {
    const size_t bytes = decoder.Read(block.data(), block.size() * sizeof(float), ended);
    samples.insert(samples.end(), block.begin(), block.begin() + bytes / sizeof(float));
    if (bytes == 0 && !ended) break;
  }
  return samples;
}

bool IsManualStarted(const VirtualStreamCore& stream) { return stream.started && stream.manualClock; }
bool IsRealTimeStarted(const VirtualStreamCore& stream) { return stream.started && !stream.manualClock; }

}  // namespace

struct VirtualDevices::ClockRun {
  bool stopping = false;
};

VirtualDevices& VirtualDevices::Instance() {
  static VirtualDevices devices;
  return devices;
}

VirtualDevices::~VirtualDevices() {
  Lock lock(mutex_);
  for (const auto& stream : streams_) stream->started = false;
  StopClockThreadIfIdle(lock);
}

void VirtualDevices::SetManualClock(bool manual) {
  std::lock_guard lock(mutex_);
  manualClock_ = manual;
}

bool VirtualDevices::IsManualClock() const {
  std::lock_guard lock(mutex_);
  return manualClock_;
}

void VirtualDevices::AdvanceMs(DWORD ms) {
  std::lock_guard lock(mutex_);
  for (const auto& stream : streams_) {
    if (!IsManualStarted(*stream)) continue;
    stream->manualMsSinceStart += ms;
    const uint64_t due = stream->manualMsSinceStart * stream->request.sampleRate / 1000;
    RunStream(*stream, due - stream->framesSinceStart);
  }
}

void VirtualDevices::SetLost(const std::string& deviceId, bool lost) {
  Lock lock(mutex_);
  if (lost) {
    if (!lost_.insert(deviceId).second) return;
    StopAndTell(lock, deviceId, DeviceStreamEvent::Lost, false);
  } else {
    if (lost_.erase(deviceId) == 0) return;
    StopAndTell(lock, deviceId, DeviceStreamEvent::Back, false);
  }
}

bool VirtualDevices::IsLost(const std::string& deviceId) const {
  std::lock_guard lock(mutex_);
  return lost_.count(deviceId) != 0;
}

void VirtualDevices::SetBusy(const std::string& deviceId, bool busy) {
  std::lock_guard lock(mutex_);
  if (busy) {
    busy_.insert(deviceId);
  } else {
    busy_.erase(deviceId);
  }
}

void VirtualDevices::FailStreams(const std::string& deviceId) {
  Lock lock(mutex_);
  StopAndTell(lock, deviceId, DeviceStreamEvent::Failed, true);
}

void VirtualDevices::SetInputGenerator(const std::string& deviceId, InputGenerator generator) {
  std::lock_guard lock(mutex_);
  inputFiles_.erase(deviceId);
  generators_[deviceId] = std::move(generator);
}

void VirtualDevices::SetInputFile(const std::string& deviceId, const std::string& path) {
  DWORD channels = 0;
  auto samples = std::make_shared<const std::vector<float>>(DecodeWholeFile(path, channels));
  std::lock_guard lock(mutex_);
  generators_.erase(deviceId);
  inputFiles_[deviceId] = {std::move(samples), channels};
}

void VirtualDevices::SetOutputTap(const std::string& deviceId, OutputTap tap) {
  std::lock_guard lock(mutex_);
  taps_[deviceId] = std::move(tap);
}

void VirtualDevices::Reset() {
  std::lock_guard lock(mutex_);
  manualClock_ = false;
  lost_.clear();
  busy_.clear();
  generators_.clear();
  inputFiles_.clear();
  taps_.clear();
}

void VirtualDevices::Register(const std::shared_ptr<VirtualStreamCore>& stream) {
  std::lock_guard lock(mutex_);
  const std::string& id = stream->request.deviceId;
  if (lost_.count(id) != 0) throw AudioError(BASS_ERROR_DEVICE);
  if (busy_.count(id) != 0) throw AudioError(BASS_ERROR_BUSY);
  for (const auto& other : streams_) {
    if (other->request.deviceId == id && (other->request.exclusive || stream->request.exclusive)) {
      throw AudioError(BASS_ERROR_BUSY);
    }
  }
  streams_.push_back(stream);
}

void VirtualDevices::Unregister(const std::shared_ptr<VirtualStreamCore>& stream) {
  Lock lock(mutex_);
  stream->started = false;
  std::erase(streams_, stream);
  StopClockThreadIfIdle(lock);
}

void VirtualDevices::Start(VirtualStreamCore& stream) {
  Lock lock(mutex_);
  if (lost_.count(stream.request.deviceId) != 0) throw AudioError(BASS_ERROR_DEVICE);
  if (stream.started) return;
  stream.started = true;
  stream.manualClock = manualClock_;
  stream.startedAt = std::chrono::steady_clock::now();
  stream.manualMsSinceStart = 0;
  stream.framesSinceStart = 0;
  stream.inputFileFrame = 0;
  const auto file = inputFiles_.find(stream.request.deviceId);
  stream.inputFile = file != inputFiles_.end() ? file->second : InputFile{};
  if (!stream.manualClock) StartClockThreadIfNeeded();
}

void VirtualDevices::Stop(VirtualStreamCore& stream) {
  Lock lock(mutex_);
  stream.started = false;
  StopClockThreadIfIdle(lock);
}

bool VirtualDevices::IsStarted(const VirtualStreamCore& stream) const {
  std::lock_guard lock(mutex_);
  return stream.started;
}

void VirtualDevices::RunStream(VirtualStreamCore& stream, uint64_t framesDue) {
  const DWORD channels = stream.request.channels;
  const bool isInput = stream.request.direction == StreamDirection::Input;
  const auto tap = taps_.find(stream.request.deviceId);
  while (framesDue > 0) {
    const size_t frames = static_cast<size_t>(std::min<uint64_t>(framesDue, stream.periodFrames));
    float* block = stream.block.data();
    if (isInput) {
      FillInput(stream, block, frames);
      stream.callbacks.process(block, frames);
    } else {
      stream.callbacks.process(block, frames);
      if (tap != taps_.end() && tap->second) tap->second(block, frames, channels, stream.request.sampleRate);
    }
    stream.framesSinceStart += frames;
    framesDue -= frames;
  }
}

void VirtualDevices::FillInput(VirtualStreamCore& stream, float* samples, size_t frames) {
  const DWORD channels = stream.request.channels;
  std::fill_n(samples, frames * channels, 0.0f);
  const auto generator = generators_.find(stream.request.deviceId);
  if (generator != generators_.end() && generator->second) {
    generator->second(samples, frames, channels, stream.request.sampleRate);
    return;
  }
  const InputFile& file = stream.inputFile;
  if (!file.samples || file.channels == 0) return;
  const size_t fileFrames = file.samples->size() / file.channels;
  const DWORD shared = std::min(channels, file.channels);
  for (size_t i = 0; i < frames && stream.inputFileFrame < fileFrames; ++i, ++stream.inputFileFrame) {
    const float* from = file.samples->data() + stream.inputFileFrame * file.channels;
    std::copy_n(from, shared, samples + i * channels);
  }
}

void VirtualDevices::ClockThread(std::shared_ptr<ClockRun> run) {
  Lock lock(mutex_);
  while (!run->stopping) {
    clockWake_.wait_for(lock, kClockTick, [&] { return run->stopping; });
    if (run->stopping) break;
    const auto now = std::chrono::steady_clock::now();
    for (const auto& stream : streams_) {
      if (!IsRealTimeStarted(*stream)) continue;
      const auto elapsedNs = std::chrono::duration_cast<std::chrono::nanoseconds>(now - stream->startedAt);
      const uint64_t due = static_cast<uint64_t>(elapsedNs.count()) * stream->request.sampleRate / 1000000000u;
      if (due > stream->framesSinceStart) RunStream(*stream, due - stream->framesSinceStart);
    }
  }
}

void VirtualDevices::StartClockThreadIfNeeded() {
  if (clockThread_.joinable()) return;
  clockRun_ = std::make_shared<ClockRun>();
  clockThread_ = std::thread([this, run = clockRun_] { ClockThread(run); });
}

void VirtualDevices::StopClockThreadIfIdle(Lock& lock) {
  if (!clockThread_.joinable()) return;
  if (std::any_of(streams_.begin(), streams_.end(), [](const auto& s) { return IsRealTimeStarted(*s); })) {
    return;
  }
  clockRun_->stopping = true;
  clockWake_.notify_all();
  std::thread finishing = std::move(clockThread_);
  lock.unlock();
  finishing.join();
  lock.lock();
}

void VirtualDevices::StopAndTell(Lock& lock, const std::string& deviceId, DeviceStreamEvent event,
                                 bool onlyStarted) {
  std::vector<std::shared_ptr<VirtualStreamCore>> told;
  for (const auto& stream : streams_) {
    if (stream->request.deviceId != deviceId || (onlyStarted && !stream->started)) continue;
    stream->started = false;
    told.push_back(stream);
  }
  StopClockThreadIfIdle(lock);
  lock.unlock();
  for (const auto& stream : told) {
    std::lock_guard events(stream->eventMutex);
    if (!stream->closed && stream->callbacks.onEvent) stream->callbacks.onEvent(event);
  }
  lock.lock();
}

}  // namespace audiolib
