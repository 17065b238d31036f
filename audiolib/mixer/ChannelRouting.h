// How a mixer source's channels feed the mixer's channels: a gain matrix.
#pragma once

#include <cstddef>
#include <mutex>
#include <vector>

#include "audiolib/audiolib.h"

namespace audiolib {

// SetMatrix may be called from any thread; Apply is called by the mixer's reader, which picks up
// a changed matrix at its next block (a short lock, no allocation).
class ChannelRouting {
 public:
  // `flags` 0: source channel i feeds mixer channel i, and a mono source feeds every channel;
  // BASS_MIXER_MATRIX: the identity until SetMatrix; BASS_MIXER_DOWNMIX: every mixer channel gets
  // the average of all source channels.
  ChannelRouting(DWORD sourceChans, DWORD mixerChans, DWORD flags);

  // A row per mixer channel, a column per source channel.
  void SetMatrix(const float* matrix);
  // `frames` frames of source channels in, of mixer channels out.
  void Apply(const float* in, size_t frames, float* out);
  // As Apply, but returns `in` itself without copying when the routing is the identity (as many
  // source as mixer channels, each to its own); else writes `out` and returns it.
  float* Route(float* in, size_t frames, float* out);

 private:
  const DWORD sourceChans_;
  const DWORD mixerChans_;
  std::mutex mutex_;
  std::vector<float> pending_;  // guarded by mutex_
  bool changed_ = false;        // guarded by mutex_
  std::vector<float> matrix_;   // reader only
  bool identity_ = false;       // reader only: matrix_ passes each channel to itself
  void TakePending();
};

}  // namespace audiolib
