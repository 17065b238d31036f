#include "dtmf/StrictPairTest.h"

#include <cmath>
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

const std::array<std::complex<double>, ToneCount>& PhaseSteps() {
  static const std::array<std::complex<double>, ToneCount> steps = [] {
    std::array<std::complex<double>, ToneCount> s{};
    for (int t = 0; t < ToneCount; ++t)
      s[t] = std::polar(1.0, -2 * std::numbers::pi * ToneFrequencies[t] / SampleRate);
    return s;
  }();
  return steps;
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
  bool passed = false;
  int index = -1;
  double amplitude = 0;
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
  const double dominance = std::pow(10.0, limits.minDominanceDb / 20);
  winner.passed = best.amplitude > limits.thresholdAmplitude &&
                  best.coherence >= limits.minPhaseCoherence;
  for (int i = 0; i < 4; ++i) {
    if (i != winner.index) winner.passed = winner.passed && best.amplitude >= dominance * tones[i].nominalAmplitude;
  }
  return winner;
}

}  // namespace

double TBlock::Amplitude(int tone) const { return std::abs(correlation[tone]) * 2.0 / BlockSamples; }

TBlock CorrelateBlock(std::span<const float> samples,
                      std::array<std::complex<double>, ToneCount>& phasors) {
  TBlock block;
  for (const float sample : samples) block.energy += double(sample) * sample;
  const auto& steps = PhaseSteps();
  for (int t = 0; t < ToneCount; ++t) {
    std::complex<double> phasor = phasors[t];
    std::complex<double> sum = 0;
    for (const float sample : samples) {
      sum += double(sample) * phasor;
      phasor *= steps[t];
    }
    block.correlation[t] = sum;
    phasors[t] = phasor / std::abs(phasor);  // keeps rounding from drifting the magnitude
  }
  return block;
}

TPairDecision DecidePair(std::span<const TBlock> blocks, const TStrictLimits& limits) {
  TPairDecision decision;
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
  if (meanPower <= 0 || pairPower < limits.minPairShare * meanPower) return decision;

  decision.present = true;
  decision.row = row.index;
  decision.col = col.index;
  decision.lowAmplitude = row.amplitude;
  decision.highAmplitude = col.amplitude;
  return decision;
}

}  // namespace strictdtmf
