// The low- or high-pass biquad effect (BASS_FX_BFX_BQF).
#pragma once

#include <mutex>

#include "audiolib/dsp/Biquad.h"
#include "audiolib/dsp/Effect.h"

namespace audiolib {

class FilterEffect : public Effect {
 public:
  FilterEffect(DWORD sampleRate, DWORD chans);
  void Process(float* samples, size_t frames) override;
  void SetParameters(const void* record) override;
  void GetParameters(void* record) const override;

 private:
  const DWORD sampleRate_;
  const DWORD chans_;
  mutable std::mutex mutex_;
  BASS_BFX_BQF params_{};  // guarded by mutex_
  bool set_ = false;       // guarded by mutex_
  bool changed_ = false;   // guarded by mutex_
  // Reader only:
  BiquadFilter filter_;
  bool active_ = false;
  int channelMask_ = BASS_BFX_CHANALL;
};

}  // namespace audiolib
