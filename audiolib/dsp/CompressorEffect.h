// The compressor effect (BASS_FX_BFX_COMPRESSOR2): feed-forward, on the linked peak level.
#pragma once

#include <mutex>

#include "audiolib/dsp/Effect.h"

namespace audiolib {

// Static curve (levels in dB re full scale): out = in below the threshold,
// threshold + (in - threshold) / ratio above it, plus the make-up gain. The level follows the
// peak of the selected channels with the attack and release times (one-pole, time constants in
// ms). Level and gain move at a control rate of kControlFrames frames (the level on each run's
// peak); the gain moves linearly between control points. Until set: threshold 0 dB, ratio 1, no gain (unchanged audio).
class CompressorEffect : public Effect {
 public:
  CompressorEffect(DWORD sampleRate, DWORD chans);
  void Process(float* samples, size_t frames) override;
  // ILLPARAM: a ratio below 1, negative or non-finite times, a non-finite gain or threshold.
  void SetParameters(const void* record) override;
  void GetParameters(void* record) const override;

 private:
  static constexpr size_t kControlFrames = 16;

  void TakeParameters();
  // The curve's gain (linear, make-up included) for a followed level `envelope` (linear).
  float GainAt(float envelope) const;

  const DWORD sampleRate_;
  const DWORD chans_;
  mutable std::mutex mutex_;
  BASS_BFX_COMPRESSOR2 params_{0, 0, 1, 20, 200, BASS_BFX_CHANALL};  // guarded by mutex_
  bool changed_ = false;                                              // guarded by mutex_
  // Reader only:
  float thresholdLog2_ = 0;  // threshold as log2 of the linear level
  float threshold_ = 1;      // linear
  float slope_ = 0;          // 1 / ratio - 1
  float makeUp_ = 1;
  float attackPerFrame_ = 0;  // one-pole coefficients per frame
  float releasePerFrame_ = 0;
  float attackCoef_ = 0;  // the same per control run of kControlFrames frames
  float releaseCoef_ = 0;
  int channelMask_ = BASS_BFX_CHANALL;
  bool active_ = false;
  float envelope_ = 0;  // the followed peak level, linear
  float gain_ = 1;      // the gain applied at the end of the last run
};

}  // namespace audiolib
