#include "audiolib/devices/AsioGroupFeed.h"

#include <algorithm>
#include <cmath>

#include "audiolib/channels/SampleFormat.h"

namespace audiolib {

namespace {
constexpr size_t kResamplerSlackFrames = 64;

SampleType TypeOf(DWORD format) {
  return format == BASS_ASIO_FORMAT_16BIT ? SampleType::Int16 : SampleType::Float32;
}
}  // namespace

AsioGroupFeed::AsioGroupFeed(const AsioChannelGroup& group, bool isInput, DWORD deviceRate)
    : group_(group), width_(group.channels.size()), deviceRate_(deviceRate) {
  groupRate_ = group.rate > 0 ? static_cast<DWORD>(std::lround(group.rate)) : deviceRate;
  if (groupRate_ == deviceRate) return;
  const DWORD chans = static_cast<DWORD>(width_);
  resampler_ = isInput ? std::make_unique<Resampler>(deviceRate, groupRate_, chans)
                       : std::make_unique<Resampler>(groupRate_, deviceRate, chans);
}

size_t AsioGroupFeed::Pull(size_t frames) {
  const size_t bytesPerFrame = width_ * BytesPerSample();
  procBuffer_.resize(frames * bytesPerFrame);
  const DWORD asked = static_cast<DWORD>(procBuffer_.size());
  DWORD given = group_.proc(0, group_.first, procBuffer_.data(), asked, group_.user);
  if (given == ~DWORD{0}) given = 0;
  const size_t got = std::min<size_t>(given, asked) / bytesPerFrame;
  floats_.resize(got * width_);
  ToFloat(procBuffer_.data(), TypeOf(group_.format), got * width_, floats_.data());
  return got;
}

void AsioGroupFeed::Render(float* deviceBlock, size_t frames, DWORD deviceChannels) {
  while (pending_.size() < frames * width_) {
    const size_t missing = frames - pending_.size() / width_;
    const size_t asked = resampler_ ? std::max<size_t>(1, resampler_->InputFramesFor(missing)) : missing;
    const size_t got = Pull(asked);
    if (got == 0) break;
    if (!resampler_) {
      pending_.insert(pending_.end(), floats_.begin(), floats_.end());
    } else {
      resampled_.resize((missing + kResamplerSlackFrames) * width_);
      const size_t out = resampler_->Convert(floats_.data(), got, resampled_.data(), missing + kResamplerSlackFrames);
      pending_.insert(pending_.end(), resampled_.begin(), resampled_.begin() + out * width_);
    }
    if (got < asked) break;  // the procedure has no more for now
  }
  pending_.resize(std::max(pending_.size(), frames * width_), 0.0f);  // the rest is silence
  for (size_t f = 0; f < frames; ++f) {
    for (size_t c = 0; c < width_; ++c) deviceBlock[f * deviceChannels + group_.channels[c]] = pending_[f * width_ + c];
  }
  pending_.erase(pending_.begin(), pending_.begin() + frames * width_);
}

void AsioGroupFeed::Deliver(const float* deviceBlock, size_t frames, DWORD deviceChannels) {
  floats_.resize(frames * width_);
  for (size_t f = 0; f < frames; ++f) {
    for (size_t c = 0; c < width_; ++c) floats_[f * width_ + c] = deviceBlock[f * deviceChannels + group_.channels[c]];
  }
  const float* data = floats_.data();
  size_t count = frames;
  if (resampler_) {
    const size_t capacity = frames * groupRate_ / deviceRate_ + kResamplerSlackFrames;
    resampled_.resize(capacity * width_);
    count = resampler_->Convert(floats_.data(), frames, resampled_.data(), capacity);
    data = resampled_.data();
  }
  if (count == 0) return;
  procBuffer_.resize(count * width_ * BytesPerSample());
  FromFloat(data, TypeOf(group_.format), count * width_, procBuffer_.data());
  group_.proc(1, group_.first, procBuffer_.data(), static_cast<DWORD>(procBuffer_.size()), group_.user);
}

}  // namespace audiolib
