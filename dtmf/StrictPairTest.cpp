#include "dtmf/StrictPairTest.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace strictdtmf {

const std::array<double, ToneCount> ToneFrequencies = {697, 770, 852, 941, 1209, 1336, 1477, 1633};

namespace {

constexpr int WindowSamples = WindowBlocks * BlockSamples;

// What the window says about one tone.
struct TToneMeasure {
  double amplitude = 0;         // coherent over the window, retuned to the tone's own frequency
  double nominalAmplitude = 0;  // coherent over the window at the nominal frequency
  double deviation = 0;         // (own frequency - nominal) / nominal
  double coherence = 0;         // steadiness of the phase steps, 0..1
};

// One block's worth of each tone's reference wave, and the phase it advances over a block: a block
// is correlated against the table and the result turned by the phase the reference has reached, so
// the inner loop is two multiply-adds per sample and tone.
struct TReferenceTables {
  std::array<std::array<float, BlockSamples>, ToneCount> cosine;
  std::array<std::array<float, BlockSamples>, ToneCount> sine;
  std::array<std::complex<double>, ToneCount> blockStep;
};

const TReferenceTables& ReferenceTables() {
  static const TReferenceTables tables = [] {
    TReferenceTables t{};
    for (int tone = 0; tone < ToneCount; ++tone) {
      const double radiansPerSample = 2 * std::numbers::pi * ToneFrequencies[tone] / SampleRate;
      for (int m = 0; m < BlockSamples; ++m) {
        t.cosine[tone][m] = static_cast<float>(std::cos(radiansPerSample * m));
        t.sine[tone][m] = static_cast<float>(-std::sin(radiansPerSample * m));
      }
      t.blockStep[tone] = std::polar(1.0, -radiansPerSample * BlockSamples);
    }
    return t;
  }();
  return tables;
}

// The phase step from block to block gives the tone's offset from its nominal frequency; undoing
// that step before summing measures the tone at its own frequency, so a tone a little off keeps
// its full level while the window stays narrow enough to part neighbouring tones. The steps are
// taken between 15 ms spans (three blocks, 5 ms apart): a single 5 ms block also hears the
// strong tone of the other group, which would bend the step of a weak one.
TToneMeasure MeasureTone(std::span<const TBlock> blocks, int tone) {
  constexpr size_t SpanBlocks = 3;
  std::complex<double> nominalSum = 0;
  for (const TBlock& block : blocks) nominalSum += block.correlation[tone];
  std::complex<double> stepSum = 0;
  double stepMagnitudes = 0;
  std::complex<double> previousSpan = 0;
  for (size_t j = 0; j + SpanBlocks <= blocks.size(); ++j) {
    std::complex<double> span = 0;
    for (size_t b = j; b < j + SpanBlocks; ++b) span += blocks[b].correlation[tone];
    if (j > 0) {
      const std::complex<double> step = span * std::conj(previousSpan);
      stepSum += step;
      stepMagnitudes += std::abs(step);
    }
    previousSpan = span;
  }
  TToneMeasure measure;
  const double scale = 2.0 / WindowSamples;
  measure.nominalAmplitude = std::abs(nominalSum) * scale;
  if (stepMagnitudes <= 0) return measure;
  const double stepAngle = std::arg(stepSum);
  const std::complex<double> undo = std::polar(1.0, -stepAngle);
  std::complex<double> turn = 1;
  std::complex<double> retunedSum = 0;
  for (const TBlock& block : blocks) {
    retunedSum += block.correlation[tone] * turn;
    turn *= undo;
  }
  measure.amplitude = std::abs(retunedSum) * scale;
  measure.coherence = std::abs(stepSum) / stepMagnitudes;
  const double offsetHz = stepAngle * SampleRate / (2 * std::numbers::pi * BlockSamples);
  measure.deviation = offsetHz / ToneFrequencies[tone];
  return measure;
}

struct TGroupWinner {
  bool passed = false;      // in tune, steady, above the threshold, clear of the group by minAloneDominanceDb
  int index = -1;
  double amplitude = 0;
  double dominanceDb = 0;   // over the strongest other tone of the group
};

TGroupWinner StrongestOfGroup(const std::array<TToneMeasure, 4>& tones, const TStrictLimits& limits) {
  TGroupWinner winner;
  for (int i = 0; i < 4; ++i) {
    if (std::abs(tones[i].deviation) > limits.maxFrequencyDeviation) continue;
    if (winner.index < 0 || tones[i].amplitude > tones[winner.index].amplitude) winner.index = i;
  }
  if (winner.index < 0) return winner;
  const TToneMeasure& best = tones[winner.index];
  winner.amplitude = best.amplitude;
  double strongestOther = 0;
  for (int i = 0; i < 4; ++i) {
    if (i != winner.index) strongestOther = std::max(strongestOther, tones[i].nominalAmplitude);
  }
  winner.dominanceDb = strongestOther > 0 ? 20 * std::log10(best.amplitude / strongestOther)
                                          : std::numeric_limits<double>::infinity();
  winner.passed = best.amplitude > limits.thresholdAmplitude && best.coherence >= limits.minPhaseCoherence &&
                  winner.dominanceDb >= std::min(limits.minDominanceDb, limits.minAloneDominanceDb);
  return winner;
}

}  // namespace

double TBlock::Amplitude(int tone) const { return std::abs(correlation[tone]) * 2.0 / BlockSamples; }

TBlock CorrelateBlock(std::span<const float> samples,
                      std::array<std::complex<double>, ToneCount>& phasors) {
  TBlock block;
  const size_t count = std::min<size_t>(samples.size(), BlockSamples);
  for (size_t m = 0; m < count; ++m) block.energy += double(samples[m]) * samples[m];
  const TReferenceTables& tables = ReferenceTables();
  for (int t = 0; t < ToneCount; ++t) {
    float re = 0, im = 0;
    for (size_t m = 0; m < count; ++m) {
      re += samples[m] * tables.cosine[t][m];
      im += samples[m] * tables.sine[t][m];
    }
    block.correlation[t] = std::complex<double>(re, im) * phasors[t];
    const std::complex<double> next = phasors[t] * tables.blockStep[t];
    phasors[t] = next * ((3.0 - std::norm(next)) / 2);  // pulls the magnitude back to 1 without a root
  }
  return block;
}

namespace {

// No tone's level over the window can exceed the root mean square of its block levels (Cauchy-
// Schwarz), so windows that fail the level test even with those bounds are passed over without
// measuring: most windows of silence, noise and quiet passages.
bool CannotHoldPair(std::span<const TBlock> blocks, const TStrictLimits& limits) {
  std::array<double, ToneCount> blockPower{};
  for (const TBlock& block : blocks) {
    for (int t = 0; t < ToneCount; ++t) blockPower[t] += std::norm(block.correlation[t]);
  }
  const double toPower = 4.0 / (static_cast<double>(blocks.size()) * BlockSamples * BlockSamples);
  const double lowBound = *std::max_element(blockPower.begin(), blockPower.begin() + 4) * toPower;
  const double highBound = *std::max_element(blockPower.begin() + 4, blockPower.end()) * toPower;
  const double threshold = limits.thresholdAmplitude * limits.thresholdAmplitude;
  return lowBound <= threshold || highBound <= threshold;
}

}  // namespace

TPairDecision DecidePair(std::span<const TBlock> blocks, const TStrictLimits& limits) {
  TPairDecision decision;
  if (CannotHoldPair(blocks, limits)) return decision;
  std::array<TToneMeasure, 4> low;
  std::array<TToneMeasure, 4> high;
  for (int i = 0; i < 4; ++i) {
    low[i] = MeasureTone(blocks, i);
    high[i] = MeasureTone(blocks, 4 + i);
  }
  const TGroupWinner row = StrongestOfGroup(low, limits);
  const TGroupWinner col = StrongestOfGroup(high, limits);
  if (!row.passed || !col.passed) return decision;

  const double twistDb = 20 * std::log10(col.amplitude / row.amplitude);
  if (twistDb < limits.minTwistDb || twistDb > limits.maxTwistDb) return decision;

  double energy = 0;
  for (const TBlock& block : blocks) energy += block.energy;
  const double meanPower = energy / (static_cast<double>(blocks.size()) * BlockSamples);
  const double pairPower = (row.amplitude * row.amplitude + col.amplitude * col.amplitude) / 2;
  decision.tonesPassed = true;
  decision.clear = std::min(row.dominanceDb, col.dominanceDb) >= limits.minDominanceDb;
  decision.row = row.index;
  decision.col = col.index;
  decision.lowAmplitude = row.amplitude;
  decision.highAmplitude = col.amplitude;
  decision.lowHz = ToneFrequencies[row.index] * (1 + low[row.index].deviation);
  decision.highHz = ToneFrequencies[4 + col.index] * (1 + high[col.index].deviation);
  decision.energyShare = meanPower > 0 ? std::min(1.0, pairPower / meanPower) : 0;
  decision.present = decision.clear && decision.energyShare >= limits.minPairShare;
  return decision;
}

}  // namespace strictdtmf
