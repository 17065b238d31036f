// One channel plugged into a mixer: its routing, its resampler and its read buffers.
#pragma once

#include <memory>
#include <vector>

#include "audiolib/mixer/ChannelRouting.h"
#include "audiolib/mixer/Resampler.h"
#include "audiolib/channels/SampleFormat.h"

namespace audiolib {

class Channel;

// MixInto is called by the mixer's reader only; SetMatrix from any thread. Buffers grow to the
// largest block asked for and are then reused.
class MixerSource {
 public:
  MixerSource(std::shared_ptr<Channel> channel, const SampleFormat& mixerFormat, DWORD flags);

  Channel& channel() const { return *channel_; }
  DWORD flags() const { return flags_; }
  ChannelRouting& routing() { return routing_; }

  // Adds up to `frames` frames of the source (routed, resampled, after its DSP chain, times its
  // volume, which may stop it at the end of a fade) to `mix`
  // (interleaved mixer channels). Returns the frames added: fewer when a push source runs dry
  // (the rest of the block is silence) or the source ends.
  size_t MixInto(float* mix, size_t frames);
  // The source has ended and everything it gave has been mixed.
  bool Finished() const { return finished_; }
  // The source was freed while still listed here: it counts as removed, not as ended.
  bool Gone() const { return gone_; }

 private:
  // Reads up to `frames` source frames and routes them into routed_; returns the frames read.
  size_t PullRouted(size_t frames);
  size_t Resample(size_t frames);

  const std::shared_ptr<Channel> channel_;
  const SampleFormat sourceFormat_;
  const DWORD mixerChans_;
  const DWORD mixerRate_;
  const DWORD flags_;
  ChannelRouting routing_;
  std::unique_ptr<Resampler> resampler_;  // null when the rates match
  bool sourceEnded_ = false;
  bool finished_ = false;
  bool gone_ = false;

  std::vector<float> raw_;        // the source's own samples (any format fits)
  std::vector<float> sourceFloat_;
  std::vector<float> routed_;     // mixer channels at the source's rate
  std::vector<float> resampled_;  // mixer channels at the mixer's rate
};

}  // namespace audiolib
