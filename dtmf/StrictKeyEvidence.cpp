#include "dtmf/StrictKeyEvidence.h"

#include <algorithm>

namespace strictdtmf {

void TKeyEvidence::AddWindow(const TWindowEvidence& window, bool inside) {
  ++FAgreeingWindows;
  if (window.clear) ++FClearWindows;
  if (!inside) return;
  ++FInsideWindows;
  FBandShareSum += window.bandShare;
  FHarmonicRatioSum += window.harmonicRatio;
}

void TKeyEvidence::AddGlide(double glide) { FLeastGlide = std::min(FLeastGlide, glide); }

bool TKeyEvidence::Qualifies(const TStrictLimits& limits, int64_t durationSamples, bool ended) const {
  if (FAgreeingWindows < MinAgreeingWindows || durationSamples < MinToneSamples) return false;
  if (!OnsetHeld(limits)) return false;
  if (FLeastGlide != std::numeric_limits<double>::infinity() && FLeastGlide > limits.maxGlide) return false;
  if (FInsideWindows == 0 || FHarmonicRatioSum / FInsideWindows > limits.maxHarmonicRatio) return false;
  if (FClearWindows >= MinAgreeingWindows) return true;
  // Under louder sound: long enough to have shown a steady pitch, and ended cleanly.
  if (!ended || FAgreeingWindows < limits.minAloneWindows || FLeastGlide == std::numeric_limits<double>::infinity())
    return false;
  return FBandShareSum / FInsideWindows >= limits.minBandShare && FOffsetRatio <= limits.maxOffsetRatio;
}

}  // namespace strictdtmf
