// An effect set on a channel (BASS_ChannelSetFX): a processor of float frames with a parameter
// record of its type.
#pragma once

#include <cstddef>
#include <memory>

#include "audiolib/audiolib.h"

namespace audiolib {

// Process runs on the channel's reader; SetParameters and GetParameters on any thread. Each effect
// keeps its parameters behind a short lock that Process takes once per block to pick up a change;
// Process allocates nothing.
class Effect {
 public:
  virtual ~Effect() = default;
  // `frames` interleaved frames of the channel's channel count, in place.
  virtual void Process(float* samples, size_t frames) = 0;
  // `record` is the BASS_BFX_* record of the effect's type. Throws AudioError(BASS_ERROR_ILLPARAM)
  // for out-of-range values, keeping the previous parameters.
  virtual void SetParameters(const void* record) = 0;
  virtual void GetParameters(void* record) const = 0;
};

// Throws AudioError: ILLTYPE for an unknown type, FORMAT for over 32 channels.
std::shared_ptr<Effect> CreateEffect(DWORD type, DWORD sampleRate, DWORD chans);

// Whether lChannel value `mask` (BASS_BFX_CHANALL or bit i for channel i) selects channel `chan`.
inline bool ChannelSelected(int mask, size_t chan) {
  return mask == BASS_BFX_CHANALL || (chan < 31 && (mask >> chan) & 1);
}

}  // namespace audiolib
