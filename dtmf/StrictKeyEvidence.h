// What the strict detector has gathered about one candidate key while it sounds, and whether that
// is enough to report it (StrictToneDetector.h describes the method). Plain data and pure logic;
// any thread; no allocation.
#pragma once

#include <cstdint>
#include <limits>

#include "dtmf/StrictPairTest.h"

namespace strictdtmf {

// What one window that passed the tone tests adds to the evidence.
struct TWindowEvidence {
  bool clear = false;          // a pair in the clear (TPairDecision::present)
  double bandShare = 0;        // PairBandShare
  double harmonicRatio = 0;    // the larger HarmonicRatio of the two tones
};

class TKeyEvidence {
 public:
  static constexpr int MinAgreeingWindows = 3;
  static constexpr int64_t MinToneSamples = 576;  // 36 ms at 16 kHz (40 ms must pass, 23 ms must fail)

  // `inside`: the window lies wholly within the key, so its band share and harmonic ratio count
  // (a window across the key's start hears part silence or other sound).
  void AddWindow(const TWindowEvidence& window, bool inside);
  // The tones' change of frequency over 15 ms (fraction), whenever the key has lasted long enough
  // to measure it; the steadiest reading counts.
  void AddGlide(double glide);
  // QuietestMoment just before the key's first window, and just after its end.
  void SetOnsetRatio(double ratio) { FOnsetRatio = ratio; }
  void SetOffsetRatio(double ratio) { FOffsetRatio = ratio; }

  // Enough to report the key, which has lasted `durationSamples` so far. A key in the clear
  // qualifies as soon as three clear windows agree and one window lay wholly within it; one heard
  // under louder sound only once it has `ended` (its offset then known).
  bool Qualifies(const TStrictLimits& limits, int64_t durationSamples, bool ended) const;

  int ClearWindows() const { return FClearWindows; }
  bool OnsetHeld(const TStrictLimits& limits) const { return FOnsetRatio <= limits.maxOnsetRatio; }

 private:
  int FAgreeingWindows = 0;
  int FClearWindows = 0;
  int FInsideWindows = 0;
  double FBandShareSum = 0;
  double FHarmonicRatioSum = 0;
  double FLeastGlide = std::numeric_limits<double>::infinity();  // infinity: not measured
  double FOnsetRatio = 0;
  double FOffsetRatio = std::numeric_limits<double>::infinity();
};

}  // namespace strictdtmf
