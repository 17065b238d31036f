// The peaking equaliser effect (BASS_FX_BFX_PEAKEQ): up to kMaxBands peaking biquads in series.
#pragma once

#include <array>
#include <mutex>

#include "audiolib/dsp/Biquad.h"
#include "audiolib/dsp/Effect.h"

namespace audiolib {

class PeakingEqualiserEffect : public Effect {
 public:
  static constexpr int kMaxBands = 32;

  PeakingEqualiserEffect(DWORD sampleRate, DWORD chans);
  void Process(float* samples, size_t frames) override;
  // Sets the band lBand (adding it when new). ILLPARAM: lBand outside 0..31, fCenter not below
  // half the sample rate, no width, a non-finite gain.
  void SetParameters(const void* record) override;
  // Reads the band lBand of the record; ILLPARAM for a band never set.
  void GetParameters(void* record) const override;

 private:
  struct Band {
    BASS_BFX_PEAKEQ params{};
    bool set = false;
  };
  const DWORD sampleRate_;
  const DWORD chans_;
  mutable std::mutex mutex_;
  std::array<Band, kMaxBands> bands_{};  // guarded by mutex_
  bool changed_ = false;                 // guarded by mutex_
  // Reader only:
  struct ActiveBand {
    BiquadFilter filter;
    int channelMask = BASS_BFX_CHANALL;
    bool active = false;
  };
  std::array<ActiveBand, kMaxBands> active_{};
  int activeCount_ = 0;  // bands 0..activeCount_-1 may be active
  // The active bands on every channel, run as one cascade.
  std::array<BiquadFilter*, kMaxBands> cascade_{};
  size_t cascadeCount_ = 0;
};

}  // namespace audiolib
