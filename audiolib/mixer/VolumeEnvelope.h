// A mixer source's volume envelope (BASS_MIXER_ENV_VOL): gains at positions, linear between.
#pragma once

#include <cstddef>
#include <mutex>
#include <vector>

#include "audiolib/audiolib.h"

namespace audiolib {

// Set may be called from any thread; Apply by the mixer's reader, which picks up a new envelope
// at its next block (a short lock; the nodes are copied into storage that Set grows, so Apply
// allocates nothing). Positions are frames of the mixer since the source started playing in it.
class VolumeEnvelope {
 public:
  struct Node {
    size_t frame;
    float gain;  // linear amplitude
  };

  // Nodes in ascending frame order (throws AudioError(BASS_ERROR_ILLPARAM) otherwise); empty
  // removes the envelope.
  void Set(std::vector<Node> nodes);
  // Multiplies `frames` interleaved frames, the first being frame `firstFrame` of the source in
  // the mixer. Before the first node the first gain holds, after the last node the last.
  void Apply(float* samples, size_t frames, DWORD chans, size_t firstFrame);

 private:
  // Multiplies `frames` frames by gain + step x (frame index in the run).
  static void ScaleRun(float* samples, size_t frames, DWORD chans, float gain, float step);

  std::mutex mutex_;
  std::vector<Node> pending_;  // guarded by mutex_
  bool changed_ = false;       // guarded by mutex_
  std::vector<Node> nodes_;    // reader only
  size_t hint_ = 0;            // reader only: the node at or before the last frame scaled
};

}  // namespace audiolib
