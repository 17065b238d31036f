#include "audiolib/devices/RecordStream.h"

#include <algorithm>

#include "audiolib/api/ErrorState.h"

namespace audiolib {

namespace {
constexpr size_t kProcBlockMs = 20;
}

std::shared_ptr<RecordStream> RecordStream::Start(const std::string& deviceId, const SampleFormat& format,
                                                  DWORD flags, int device, RECORDPROC* proc, void* user) {
  auto stream = std::make_shared<RecordStream>(format, flags, device, proc, user);
  stream->OpenAndStart(deviceId);
  return stream;
}

RecordStream::RecordStream(const SampleFormat& format, DWORD flags, int device, RECORDPROC* proc, void* user)
    : Channel(format, flags, BASS_CTYPE_STREAM, device),
      proc_(proc),
      user_(user),
      ring_(static_cast<size_t>(format.rate) * format.chans * kBufferMs / 1000) {}

RecordStream::~RecordStream() { EndRecording(); }

void RecordStream::OpenAndStart(const std::string& deviceId) {
  DeviceStreamRequest request;
  request.layer = DeviceLayer::Regular;
  request.direction = StreamDirection::Input;
  request.deviceId = deviceId;
  request.sampleRate = format().rate;
  request.channels = format().chans;
  DeviceStreamCallbacks callbacks;
  callbacks.process = [this](float* samples, size_t frames) { Capture(samples, frames); };
  callbacks.onEvent = [this](DeviceStreamEvent event) {
    // The stream has stopped by itself; what was captured stays readable.
    if (event == DeviceStreamEvent::Back) return;
    recording_.store(false);
    SetPlayback(PlaybackState::Stopped);
  };
  if (proc_ != nullptr) {
    const size_t blockFrames = std::max<size_t>(1, format().rate * kProcBlockMs / 1000);
    block_.resize(blockFrames * format().BytesPerFrame());
  }
  std::lock_guard lock(streamMutex_);
  stream_ = OpenDeviceStream(request, std::move(callbacks));
  recording_.store(true);
  SetPlayback(PlaybackState::Playing);  // active while it records
  stream_->Start();
}

void RecordStream::StartDelivering() {
  if (proc_ == nullptr) return;
  std::weak_ptr<Channel> weak = weak_from_this();
  captureThread_ = std::make_unique<RecordCaptureThread>(
      [weak] {
        const std::shared_ptr<Channel> self = weak.lock();
        return self && static_cast<RecordStream&>(*self).DeliverToProc();
      },
      kCapturePeriodMs);
}

void RecordStream::Capture(const float* samples, size_t frames) {
  const size_t chans = format().chans;
  const size_t fitting = std::min(frames, ring_.Writable() / chans);
  ring_.Write(samples, fitting * chans);
  if (fitting < frames) droppedFrames_.fetch_add(frames - fitting, std::memory_order_relaxed);
}

bool RecordStream::DeliverToProc() {
  for (;;) {
    const ReadResult result = Read(block_.data(), block_.size());
    if (result.bytes > 0 && !proc_(handle(), block_.data(), static_cast<DWORD>(result.bytes), user_)) {
      OnChannelStop();
      return false;  // the procedure wants no more
    }
    if (result.ended || result.freed) return false;
    if (result.bytes < block_.size()) return true;  // drained: wait for the next period
  }
}

ReadResult RecordStream::Produce(void* buffer, size_t bytes) {
  // Read before looking at the ring: no sample arrives once recording has ended.
  const bool ended = !recording_.load();
  const size_t samples = bytes / format().BytesPerSample();
  size_t got = 0;
  if (format().type == SampleType::Float32) {
    got = ring_.Read(static_cast<float*>(buffer), samples);
  } else {
    if (floats_.size() < samples) floats_.resize(samples);
    got = ring_.Read(floats_.data(), samples);
    FromFloat(floats_.data(), format().type, got, buffer);
  }
  return ReadResult{got * format().BytesPerSample(), ended && ring_.Readable() == 0};
}

bool RecordStream::Stalled() const { return recording_.load() && ring_.Readable() < format().chans; }

void RecordStream::OnChannelStop() {
  std::lock_guard lock(streamMutex_);
  if (stream_) stream_->Stop();
  recording_.store(false);
  SetPlayback(PlaybackState::Stopped);
}

void RecordStream::OnFreed() { EndRecording(); }

void RecordStream::EndRecording() {
  OnChannelStop();
  captureThread_.reset();
  std::lock_guard lock(streamMutex_);
  stream_.reset();
}

}  // namespace audiolib
