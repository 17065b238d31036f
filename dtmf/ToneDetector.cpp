#include "dtmf/ToneDetector.h"

#include <cmath>

namespace {

constexpr double DominanceFactor = 3.0;
constexpr double TwistLimit = 2.2;

struct TGroupResult {
  bool passed;
  int index;
  float level;
};

struct TToneBins {
  std::array<int, 4> low;
  std::array<int, 4> high;
};

const TToneBins& Bins() {
  static const TToneBins bins = [] {
    TToneBins b{};
    for (size_t i = 0; i < 4; ++i) {
      b.low[i] = ToneBin(DtmfLowFrequencies[i]);
      b.high[i] = ToneBin(DtmfHighFrequencies[i]);
    }
    return b;
  }();
  return bins;
}

// Average of bins 8 .. n-11, divided by n - 1 as the detector has always done, in single precision.
float BackgroundLevel(std::span<const float> frame) {
  const size_t n = frame.size();
  float sum = 0;
  for (size_t k = 8; k + 11 <= n; ++k) sum += frame[k];
  return sum / static_cast<float>(n - 1);
}

TGroupResult StrongestOfGroup(const std::array<float, 4>& levels, float floor) {
  int index = 0;
  for (int i = 1; i < 4; ++i) {
    if (levels[i] > levels[index]) index = i;
  }
  bool passed = true;
  for (int i = 0; i < 4; ++i) {
    if (i != index) passed = passed && double(levels[index]) > DominanceFactor * double(levels[i]);
  }
  passed = passed && levels[index] > floor;
  return {passed, index, levels[index]};
}

std::array<float, 4> LevelsAt(std::span<const float> frame, const std::array<int, 4>& bins) {
  std::array<float, 4> levels{};
  for (size_t i = 0; i < 4; ++i) {
    const size_t bin = static_cast<size_t>(bins[i]);
    levels[i] = bin < frame.size() ? frame[bin] : 0.0f;
  }
  return levels;
}

}  // namespace

int ToneBin(float frequencyHz) {
  return static_cast<int>(std::nearbyint(static_cast<long double>(frequencyHz) * DtmfFftSize /
                                         DtmfAnalysisRate));
}

TToneDecision DecideTone(std::span<const float> frame, double threshold) {
  TToneDecision decision;
  if (frame.size() < 20) return decision;
  const float background = BackgroundLevel(frame);
  const float floor = threshold > background ? static_cast<float>(threshold) : background;

  const TGroupResult high = StrongestOfGroup(LevelsAt(frame, Bins().high), floor);
  if (!high.passed) return decision;
  const TGroupResult low = StrongestOfGroup(LevelsAt(frame, Bins().low), floor);
  if (!low.passed || high.level == 0 || low.level == 0) return decision;
  if (!(double(high.level) / low.level < TwistLimit && double(low.level) / high.level < TwistLimit))
    return decision;

  decision.present = true;
  decision.row = low.index;
  decision.col = high.index;
  decision.lowLevel = low.level;
  decision.highLevel = high.level;
  return decision;
}
