// The strict detector's per-window test: does a 30 ms window of the 16 kHz analysis signal hold a
// DTMF tone pair, and is it in the clear? Works on narrowband correlations of 5 ms blocks (see
// StrictToneDetector.h for the whole method). Pure functions and plain data; any thread; no
// allocation.
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
  double maxFrequencyDeviation = 0.02;   // fraction of the nominal frequency
  double minTwistDb = -9;               // 1 dB beyond what must pass, for measurement error
  double maxTwistDb = 5;
  double minPhaseCoherence = 0.9;        // 1.0: a perfectly steady frequency over the window
  // A pair in the clear: over every other tone of its group, and most of the window's energy.
  double minDominanceDb = 10;
  double minPairShare = 0.6;             // the pair's part of the window's whole energy
  // A pair under louder sound (StrictToneDetector.h) may stand less far above its group; it must
  // then stand out in the key band and show no trace of being part of a note or a voice.
  double minAloneDominanceDb = 6;
  double minBandShare = 0.6;             // PairBandShare (StrictIsolation.h), mean over the key
  double maxHarmonicRatio = 0.45;        // HarmonicRatio (StrictIsolation.h), mean over the key
  int minAloneWindows = 5;               // agreeing windows
  double maxOffsetRatio = 0.4;           // each tone's level just after the key over its level in it
  // Any key: the tones were absent just before it, and their frequencies hold.
  double maxOnsetRatio = 0.3;            // each tone's level just before the key over its level in it
  double maxGlide = 0.007;               // change of frequency over 15 ms, fraction of the frequency
};

struct TPairDecision {
  bool tonesPassed = false;   // frequency, steadiness, level, twist and minAloneDominanceDb passed
  bool present = false;       // and minDominanceDb and minPairShare too: a pair in the clear
  int row = -1;               // low-group index, -1 when none
  int col = -1;               // high-group index, -1 when none
  double lowAmplitude = 0;    // measured at the tone's own frequency (linear)
  double highAmplitude = 0;
  double lowHz = 0;           // the tones' own frequencies
  double highHz = 0;
  double energyShare = 0;     // the pair's part of the window's whole energy
  bool clear = false;         // minDominanceDb passed
};

// Correlates one block of exactly BlockSamples samples, continuing the phase reference kept in
// `phasors` (one unit phasor per tone, starting at 1; updated).
TBlock CorrelateBlock(std::span<const float> samples,
                      std::array<std::complex<double>, ToneCount>& phasors);

// Decides the window made of `blocks` (oldest first, WindowBlocks of them). Sets the tones' fields
// whenever tonesPassed.
TPairDecision DecidePair(std::span<const TBlock> blocks, const TStrictLimits& limits);

}  // namespace strictdtmf
