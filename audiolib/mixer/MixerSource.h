// One channel plugged into a mixer: its routing, schedule, envelope, resampler and read buffers.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "audiolib/channels/SampleFormat.h"
#include "audiolib/mixer/ChannelRouting.h"
#include "audiolib/mixer/Resampler.h"
#include "audiolib/mixer/VolumeEnvelope.h"

namespace audiolib {

class Channel;

// When a source plays in its mixer, in frames of the mixer.
struct SourceSchedule {
  size_t startDelayFrames = 0;  // silence before the source starts, from when it is added
  size_t lengthFrames = 0;      // the source ends in the mixer after this much; 0: no limit
};

// MixInto is called by the mixer's reader only; SetFlags, SetMatrix, the envelope and the
// position from any thread. Buffers grow to the largest block asked for and are then reused.
class MixerSource {
 public:
  // The source flags that BASS_Mixer_ChannelFlags may change after the source was added.
  static constexpr DWORD kChangeableFlags =
      BASS_MIXER_CHAN_PAUSE | BASS_STREAM_AUTOFREE | BASS_MIXER_CHAN_NORAMPIN;

  MixerSource(std::shared_ptr<Channel> channel, const SampleFormat& mixerFormat, DWORD flags,
              SourceSchedule schedule);

  Channel& channel() const { return *channel_; }
  const std::shared_ptr<Channel>& shared() const { return channel_; }
  DWORD flags() const { return flags_.load(); }
  // Changes the kChangeableFlags bits of `mask` to those of `flags`; returns the new flags.
  DWORD SetFlags(DWORD flags, DWORD mask);
  bool Paused() const { return (flags() & BASS_MIXER_CHAN_PAUSE) != 0; }
  ChannelRouting& routing() { return routing_; }
  VolumeEnvelope& envelope() { return envelope_; }
  // The source's position in bytes of its own data as far as it has been mixed (what a listener
  // has heard: data read ahead into the resampler does not count). Any thread.
  QWORD PositionBytes() const;

  // Adds up to `frames` frames of the source (routed, resampled, after its DSP chain, times its
  // volume and envelope) to `mix` (interleaved mixer channels), after any start delay left.
  // Returns the frames the source covered, delay included: fewer when a push source runs dry (the
  // rest of the block is silence), the source ends, reaches its length limit or stops at the end
  // of a fade. A paused source covers nothing and keeps its place.
  size_t MixInto(float* mix, size_t frames);
  // The source has ended (or reached its length limit) and everything it gave has been mixed.
  bool Finished() const { return finished_; }
  // The source was freed while still listed here: it counts as removed, not as ended.
  bool Gone() const { return gone_; }

 private:
  // Reads up to `frames` source frames and routes them into routed_; returns the frames read.
  size_t PullRouted(size_t frames);
  size_t Resample(size_t frames);
  // Up to `frames` frames at the mixer's rate into *data; returns how many.
  size_t Render(size_t frames, float*& data);

  const std::shared_ptr<Channel> channel_;
  const SampleFormat sourceFormat_;
  const DWORD mixerChans_;
  const DWORD mixerRate_;
  std::atomic<DWORD> flags_;
  ChannelRouting routing_;
  VolumeEnvelope envelope_;
  std::unique_ptr<Resampler> resampler_;  // null when the rates match
  size_t startDelayFrames_;               // reader only: what is left of the delay
  const size_t lengthFrames_;
  size_t playedFrames_ = 0;               // reader only: mixer frames since the source started
  std::atomic<QWORD> playedFramesShared_{0};
  const QWORD startPositionBytes_;        // the source's own position when added
  bool sourceEnded_ = false;
  bool finished_ = false;
  bool gone_ = false;

  std::vector<float> raw_;        // the source's own samples (any format fits)
  std::vector<float> sourceFloat_;
  std::vector<float> routed_;     // mixer channels at the source's rate
  float* routedData_ = nullptr;   // routed_, or the source's own samples when routing is identity
  std::vector<float> resampled_;  // mixer channels at the mixer's rate
};

}  // namespace audiolib
