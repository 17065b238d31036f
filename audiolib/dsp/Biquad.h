// Second-order IIR sections with the coefficients of the RBJ audio EQ cookbook.
#pragma once

#include <array>
#include <cstddef>

namespace audiolib {

// Normalised coefficients (a0 = 1) of y[n] = b0 x[n] + b1 x[n-1] + b2 x[n-2] - a1 y[n-1] - a2 y[n-2].
struct BiquadCoefficients {
  double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;

  // The filter's width: a Q when `q` > 0, else `bandwidthOct` octaves (between the -3 dB points of
  // a pass filter; between the half-gain points of a peaking band).
  struct Width {
    double q = 0;
    double bandwidthOct = 1;
  };
  // `cutoffHz` / `centreHz` must lie in (0, sampleRate / 2); callers check.
  static BiquadCoefficients LowPass(double sampleRate, double cutoffHz, Width width);
  static BiquadCoefficients HighPass(double sampleRate, double cutoffHz, Width width);
  static BiquadCoefficients Peaking(double sampleRate, double centreHz, double gainDb, Width width);
};

// The running state of one section over up to kMaxChannels interleaved channels. One thread.
class BiquadFilter {
 public:
  static constexpr size_t kMaxChannels = 32;

  void SetCoefficients(const BiquadCoefficients& coefficients) { c_ = coefficients; }
  // Filters channel `chan` of `frames` interleaved frames of `chans` channels in place.
  void Process(float* samples, size_t frames, size_t chans, size_t chan);
  void Reset();

 private:
  struct State {
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  };
  BiquadCoefficients c_;
  std::array<State, kMaxChannels> states_{};
};

}  // namespace audiolib
