#include "dtmf/StrictIsolation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <limits>
#include <numbers>

#include "dtmf/StrictPairTest.h"

namespace strictdtmf {

namespace {

constexpr double BandLowHz = 600;
constexpr double BandHighHz = 1800;
constexpr int MinDivisor = 2;                 // harmonics looked for: 2nd to 6th
constexpr int MaxDivisor = 6;
constexpr int GridSteps = 6;                  // +-3 % around hz / divisor
constexpr double GridStep = 0.005;
constexpr double MaxHarmonicMismatch = 0.006; // a multiple of the peak within 0.6 % of hz

using TBuffer = std::array<float, IsolationSamples>;

// The sum of samples[n] e^(-i w n): the reference turns by a unit step per sample, pulled back to
// unit length now and then.
std::complex<double> Correlate(std::span<const float> samples, double hz) {
  const std::complex<double> step = std::polar(1.0, -2 * std::numbers::pi * hz / SampleRate);
  std::complex<double> reference = 1;
  std::complex<double> sum = 0;
  for (size_t n = 0; n < samples.size(); ++n) {
    sum += static_cast<double>(samples[n]) * reference;
    reference *= step;
    if (n % 64 == 63) reference /= std::abs(reference);
  }
  return sum;
}

// |sum of samples[n] e^(-i w n)| by Goertzel's recurrence: one multiply per sample where the
// phase is not needed.
double Magnitude(std::span<const float> samples, double hz) {
  const double coefficient = 2 * std::cos(2 * std::numbers::pi * hz / SampleRate);
  double previous = 0, beforePrevious = 0;
  for (const float sample : samples) {
    const double current = sample + coefficient * previous - beforePrevious;
    beforePrevious = previous;
    previous = current;
  }
  return std::sqrt(std::max(0.0, previous * previous + beforePrevious * beforePrevious -
                                     coefficient * previous * beforePrevious));
}

// Complex amplitude at `hz` over the whole span, rectangular: a sine A cos(w n + p) reads A e^(ip).
std::complex<double> Phasor(std::span<const float> samples, double hz) {
  return Correlate(samples, hz) * (2.0 / static_cast<double>(samples.size()));
}

struct TTapered {
  std::span<const float> samples;  // the last IsolationSamples at most, times a Hann window
  double weightSum = 0;
  double weightSquares = 0;
};

TTapered Taper(std::span<const float> samples, TBuffer& buffer) {
  if (samples.size() > IsolationSamples) samples = samples.last(IsolationSamples);
  TTapered tapered;
  const double count = static_cast<double>(samples.size());
  for (size_t n = 0; n < samples.size(); ++n) {
    const double weight = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * (static_cast<double>(n) + 0.5) / count);
    buffer[n] = static_cast<float>(samples[n] * weight);
    tapered.weightSum += weight;
    tapered.weightSquares += weight * weight;
  }
  tapered.samples = std::span<const float>(buffer.data(), samples.size());
  return tapered;
}

double TaperedAmplitude(const TTapered& tapered, double hz) {
  return tapered.weightSum > 0 ? Magnitude(tapered.samples, hz) * 2.0 / tapered.weightSum : 0;
}

}  // namespace

double ToneAmplitude(std::span<const float> samples, double hz, bool hann) {
  if (samples.empty()) return 0;
  if (!hann) return Magnitude(samples, hz) * 2.0 / static_cast<double>(samples.size());
  TBuffer buffer;
  return TaperedAmplitude(Taper(samples, buffer), hz);
}

double PairBandShare(std::span<const float> samples, double lowHz, double highHz) {
  if (samples.size() > IsolationSamples) samples = samples.last(IsolationSamples);
  const size_t count = samples.size();
  if (count == 0) return 0;
  TBuffer residual{};
  std::copy(samples.begin(), samples.end(), residual.begin());
  double pairPower = 0;
  for (const double hz : {lowHz, highHz}) {
    const std::complex<double> phasor = Phasor(samples, hz);
    pairPower += std::norm(phasor) / 2;
    const std::complex<double> step = std::polar(1.0, 2 * std::numbers::pi * hz / SampleRate);
    std::complex<double> wave = phasor;
    for (size_t n = 0; n < count; ++n) {
      residual[n] -= static_cast<float>(wave.real());
      wave *= step;
    }
  }
  // The residual's power in the band from its Hann-tapered spectrum at the span's own bin spacing:
  // mean power = 2 sum |X_k|^2 / (N sum w^2) over the positive-frequency bins in the band.
  TBuffer buffer;
  const TTapered rest = Taper(std::span<const float>(residual.data(), count), buffer);
  const double binHz = static_cast<double>(SampleRate) / static_cast<double>(count);
  double residualPower = 0;
  for (int k = static_cast<int>(std::ceil(BandLowHz / binHz)); k * binHz <= BandHighHz; ++k)
    residualPower += std::pow(Magnitude(rest.samples, k * binHz), 2);
  residualPower *= 2 / (static_cast<double>(count) * rest.weightSquares);
  return pairPower / (pairPower + residualPower);
}

double HarmonicRatio(std::span<const float> samples, double hz) {
  TBuffer buffer;
  const TTapered tapered = Taper(samples, buffer);
  const double tone = TaperedAmplitude(tapered, hz);
  if (tone <= 0) return 0;
  double strongest = 0;
  for (int divisor = MinDivisor; divisor <= MaxDivisor; ++divisor) {
    // The spectrum's peak near hz / divisor, from a grid and a parabola through its top three.
    const double fundamentalHz = hz / divisor;
    std::array<double, 2 * GridSteps + 1> levels{};
    int top = 0;
    for (int j = -GridSteps; j <= GridSteps; ++j) {
      levels[j + GridSteps] = TaperedAmplitude(tapered, fundamentalHz * (1 + j * GridStep));
      if (levels[j + GridSteps] > levels[top]) top = j + GridSteps;
    }
    if (top == 0 || top == 2 * GridSteps) continue;  // the peak lies further away: no harmonic
    const double below = levels[top - 1], peak = levels[top], above = levels[top + 1];
    const double curvature = below - 2 * peak + above;
    const double offset = curvature < 0 ? 0.5 * (below - above) / curvature : 0;
    const double peakHz = fundamentalHz * (1 + (top - GridSteps + offset) * GridStep);
    if (std::abs(peakHz * divisor - hz) <= MaxHarmonicMismatch * hz) strongest = std::max(strongest, peak / tone);
  }
  return strongest;
}

double QuietestMoment(std::span<const float> samples, std::span<const TAwaitedTone> tones, size_t spanSamples,
                      size_t stepSamples) {
  double quietest = std::numeric_limits<double>::infinity();
  for (size_t from = 0; spanSamples > 0 && from + spanSamples <= samples.size(); from += std::max<size_t>(stepSamples, 1)) {
    const std::span<const float> span = samples.subspan(from, spanSamples);
    double loudest = 0;
    for (const TAwaitedTone& tone : tones) {
      if (tone.amplitude > 0) loudest = std::max(loudest, ToneAmplitude(span, tone.hz, false) / tone.amplitude);
    }
    quietest = std::min(quietest, loudest);
  }
  return quietest;
}

}  // namespace strictdtmf
