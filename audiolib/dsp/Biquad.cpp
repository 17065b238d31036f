#include "audiolib/dsp/Biquad.h"

#include <cmath>
#include <numbers>

namespace audiolib {

namespace {

struct Angle {
  double cosW0;
  double alpha;
};

Angle AngleOf(double sampleRate, double frequencyHz, BiquadCoefficients::Width width) {
  const double w0 = 2 * std::numbers::pi * frequencyHz / sampleRate;
  const double sinW0 = std::sin(w0);
  const double alpha = width.q > 0
                           ? sinW0 / (2 * width.q)
                           : sinW0 * std::sinh(std::numbers::ln2 / 2 * width.bandwidthOct * w0 / sinW0);
  return {std::cos(w0), alpha};
}

BiquadCoefficients Normalised(double b0, double b1, double b2, double a0, double a1, double a2) {
  return {b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0};
}

}  // namespace

BiquadCoefficients BiquadCoefficients::LowPass(double sampleRate, double cutoffHz, Width width) {
  const auto [cosW0, alpha] = AngleOf(sampleRate, cutoffHz, width);
  return Normalised((1 - cosW0) / 2, 1 - cosW0, (1 - cosW0) / 2, 1 + alpha, -2 * cosW0, 1 - alpha);
}

BiquadCoefficients BiquadCoefficients::HighPass(double sampleRate, double cutoffHz, Width width) {
  const auto [cosW0, alpha] = AngleOf(sampleRate, cutoffHz, width);
  return Normalised((1 + cosW0) / 2, -(1 + cosW0), (1 + cosW0) / 2, 1 + alpha, -2 * cosW0,
                    1 - alpha);
}

BiquadCoefficients BiquadCoefficients::Peaking(double sampleRate, double centreHz, double gainDb,
                                               Width width) {
  const auto [cosW0, alpha] = AngleOf(sampleRate, centreHz, width);
  const double a = std::pow(10.0, gainDb / 40);
  return Normalised(1 + alpha * a, -2 * cosW0, 1 - alpha * a, 1 + alpha / a, -2 * cosW0,
                    1 - alpha / a);
}

void BiquadFilter::Process(float* samples, size_t frames, size_t chans, size_t chan) {
  State& s = states_[chan];
  for (size_t f = 0; f < frames; ++f) {
    float& sample = samples[f * chans + chan];
    const double x = sample;
    const double y = c_.b0 * x + c_.b1 * s.x1 + c_.b2 * s.x2 - c_.a1 * s.y1 - c_.a2 * s.y2;
    s.x2 = s.x1;
    s.x1 = x;
    s.y2 = s.y1;
    s.y1 = y;
    sample = static_cast<float>(y);
  }
}

void BiquadFilter::Reset() { states_.fill(State{}); }

}  // namespace audiolib
