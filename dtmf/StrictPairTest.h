// The strict detector's per-window test: does a 30 ms window of the 16 kHz analysis signal hold a
// clean DTMF tone pair? Works on narrowband correlations of 5 ms blocks (see StrictToneDetector.h
// for the whole method). Pure functions and plain data; any thread; no allocation.
#pragma once

#include <array>
#include <complex>
#include <cstdint>
#include <span>

namespace strictdtmf {

inline constexpr int SampleRate = 16000;         // Hz, the analysis signal
inline constexpr int BlockSamples = 80;          // 5 ms: time step and edge resolution
inline constexpr int WindowBlocks = 6;           // 30 ms: the window one decision looks at
inline constexpr int ToneCount = 8;              // 4 low (row) then 4 high (column) tones

// The nominal tone frequencies in Hz: indices 0-3 the low group, 4-7 the high group.
extern const std::array<double, ToneCount> ToneFrequencies;

// One 5 ms block: the complex correlation of the block with each nominal tone, against a phase
// reference that runs on from block to block (so a steady tone keeps its phase), and the block's
// energy (sum of squared samples).
struct TBlock {
  std::array<std::complex<double>, ToneCount> correlation{};
  double energy = 0;
  // Amplitude of tone `tone` in this block alone (a full-scale sine reads 1.0); 5 ms is too short
  // to tell neighbouring tones apart, so this serves only for the edges of a key already found.
  double Amplitude(int tone) const;
};

// Limits of the strict test. A tone 1.5 % off its nominal frequency must pass and 3.5 % off must
// fail; twist (high level over low level) from -8 to +4 dB must pass.
struct TStrictLimits {
  double thresholdAmplitude = 0.05;      // each tone's minimum amplitude (linear, full scale 1.0)
  double maxFrequencyDeviation = 0.025;  // fraction of the nominal frequency
  double minTwistDb = -9;               // 1 dB beyond what must pass, for measurement error
  double maxTwistDb = 5;
  double minPairShare = 0.6;             // the pair's part of the window's whole energy
  double minPhaseCoherence = 0.9;        // 1.0: a perfectly steady frequency over the window
  double minDominanceDb = 10;            // winner over every other tone of its group
};

struct TPairDecision {
  bool present = false;
  int row = -1;               // low-group index, -1 when none
  int col = -1;               // high-group index, -1 when none
  double lowAmplitude = 0;    // measured at the tone's own frequency (linear)
  double highAmplitude = 0;
};

// Correlates one block of exactly BlockSamples samples, continuing the phase reference kept in
// `phasors` (one unit phasor per tone, starting at 1; updated).
TBlock CorrelateBlock(std::span<const float> samples,
                      std::array<std::complex<double>, ToneCount>& phasors);

// Decides the window made of `blocks` (oldest first, WindowBlocks of them).
TPairDecision DecidePair(std::span<const TBlock> blocks, const TStrictLimits& limits);

}  // namespace strictdtmf
