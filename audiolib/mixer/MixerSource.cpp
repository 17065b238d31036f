#include "audiolib/mixer/MixerSource.h"

#include <algorithm>

#include "audiolib/api/Config.h"
#include "audiolib/channels/Channel.h"

namespace audiolib {

namespace {
template <class T>
void Reserve(std::vector<T>& buffer, size_t count) {
  if (buffer.size() < count) buffer.resize(count);
}
}  // namespace

MixerSource::MixerSource(std::shared_ptr<Channel> channel, const SampleFormat& mixerFormat,
                         DWORD flags, SourceSchedule schedule)
    : channel_(std::move(channel)),
      sourceFormat_(channel_->format()),
      mixerChans_(mixerFormat.chans),
      mixerRate_(mixerFormat.rate),
      flags_(flags),
      routing_(sourceFormat_.chans, mixerFormat.chans, flags),
      startDelayFrames_(schedule.startDelayFrames),
      lengthFrames_(schedule.lengthFrames),
      startPositionBytes_(channel_->PositionBytes()) {
  if (sourceFormat_.rate != mixerFormat.rate) {
    // Resampled after routing: a downmix then resamples fewer channels.
    resampler_ = std::make_unique<Resampler>(sourceFormat_.rate, mixerFormat.rate, mixerChans_);
  }
}

DWORD MixerSource::SetFlags(DWORD flags, DWORD mask) {
  mask &= kChangeableFlags;
  DWORD current = flags_.load();
  while (!flags_.compare_exchange_weak(current, (current & ~mask) | (flags & mask))) {
  }
  return (current & ~mask) | (flags & mask);
}

QWORD MixerSource::PositionBytes() const {
  const QWORD played = playedFramesShared_.load();
  const QWORD sourceFrames = played * sourceFormat_.rate / mixerRate_;
  return startPositionBytes_ + sourceFrames * sourceFormat_.BytesPerFrame();
}

size_t MixerSource::PullRouted(size_t frames) {
  if (sourceEnded_ || frames == 0) return 0;
  const size_t samples = frames * sourceFormat_.chans;
  Reserve(raw_, samples);
  const ReadResult result = channel_->Read(raw_.data(), frames * sourceFormat_.BytesPerFrame());
  sourceEnded_ = result.ended;
  gone_ = result.freed;
  const size_t got = result.bytes / sourceFormat_.BytesPerFrame();
  float* source = raw_.data();
  if (sourceFormat_.type != SampleType::Float32) {
    Reserve(sourceFloat_, samples);
    ToFloat(raw_.data(), sourceFormat_.type, got * sourceFormat_.chans, sourceFloat_.data());
    source = sourceFloat_.data();
  }
  Reserve(routed_, frames * mixerChans_);
  // Reads and routes into buffers of this source only, so the samples may be changed in place.
  routedData_ = routing_.Route(source, got, routed_.data());
  return got;
}

size_t MixerSource::Resample(size_t frames) {
  Reserve(resampled_, frames * mixerChans_);
  float* out = resampled_.data();
  size_t have = resampler_->Convert(nullptr, 0, out, frames);
  while (have < frames && !sourceEnded_) {
    const size_t got = PullRouted(resampler_->InputFramesFor(frames - have));
    if (got == 0 && !sourceEnded_) break;  // a dry push source: silence for the rest
    have += resampler_->Convert(routedData_, got, out + have * mixerChans_, frames - have);
  }
  if (sourceEnded_ && have < frames) {
    const size_t tail = resampler_->Flush(out + have * mixerChans_, frames - have);
    have += tail;
    if (have < frames) finished_ = true;
  }
  return have;
}

size_t MixerSource::Render(size_t frames, float*& data) {
  if (resampler_) {
    data = resampled_.data();
    const size_t got = Resample(frames);
    data = resampled_.data();
    return got;
  }
  const size_t got = PullRouted(frames);
  data = routedData_;
  finished_ = sourceEnded_;
  return got;
}

size_t MixerSource::MixInto(float* mix, size_t frames) {
  if (finished_ || Paused()) return 0;
  const size_t delay = std::min(frames, startDelayFrames_);
  startDelayFrames_ -= delay;
  size_t wanted = frames - delay;
  if (lengthFrames_ > 0) wanted = std::min(wanted, lengthFrames_ - playedFrames_);
  if (wanted == 0) return delay;
  float* data = nullptr;
  size_t got = Render(wanted, data);
  const size_t beforeStop =
      channel_->volume().Apply(data, got, mixerChans_, mixerRate_, Config::Instance().volumeCurve());
  if (beforeStop < got) {
    // The end of a fade to -1: the source stops here.
    channel_->Stop();
    finished_ = true;
    got = beforeStop;
  }
  envelope_.Apply(data, got, mixerChans_, playedFrames_);
  playedFrames_ += got;
  playedFramesShared_.store(playedFrames_);
  if (lengthFrames_ > 0 && playedFrames_ >= lengthFrames_) finished_ = true;
  float* target = mix + delay * mixerChans_;
  const size_t samples = got * mixerChans_;
  for (size_t i = 0; i < samples; ++i) target[i] += data[i];
  return delay + got;
}

}  // namespace audiolib
