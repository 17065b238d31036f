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
  // Filters the channels of `frames` interleaved frames of `chans` (<= kMaxChannels) channels in
  // place: every channel when `channelMask` is -1, else those with their bit set (bit i =
  // channel i).
  void Process(float* samples, size_t frames, size_t chans, int channelMask);
  void Reset();
  // Runs `count` filters one after another over every channel (stereo in one pass per four).
  static void ProcessCascade(BiquadFilter* const* filters, size_t count, float* samples,
                             size_t frames, size_t chans);

 private:
  // Transposed direct form II: two state values per channel.
  struct State {
    double s1 = 0, s2 = 0;
  };
  template <size_t Chans>
  void ProcessAll(float* samples, size_t frames, size_t chans);
  void ProcessOne(float* samples, size_t frames, size_t chans, size_t chan);
  template <size_t Count>
  static void CascadeStereo(BiquadFilter* const* filters, float* samples, size_t frames);
  BiquadCoefficients c_;
  std::array<State, kMaxChannels> states_{};
};

}  // namespace audiolib
