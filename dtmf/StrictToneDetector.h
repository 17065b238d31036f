// The strict DTMF detector: finds keys in the 16 kHz mono analysis signal by the acceptance
// limits telephone receivers meet, and rejects speech and music.
//
// Method. The signal is cut into 5 ms blocks (80 samples). Each block is correlated with the
// eight key tones against a phase reference that runs on from block to block. Every 5 ms the last
// six blocks (30 ms) form a window, which holds a key when (StrictPairTest.h):
//  - each group has a tone whose block-to-block phase step puts it within 2.5 % of its nominal
//    frequency (1.5 % must pass, 3.5 % must fail), steady over the window (phase coherence);
//  - that tone, measured coherently over the window at its own frequency, is above the level
//    threshold and 10 dB above every other tone of its group;
//  - the twist, high tone over low tone, lies within -9..+5 dB (-8..+4 dB must pass);
//  - the two tones carry at least 60 % of the window's whole energy. This is the main guard
//    against talk-off: voices and instruments spread their energy over many harmonics and
//    formants, so a harmonic that happens to sit on a key tone is only a small share.
// Windows only say which key is there. Its edges come from the 5 ms blocks: a block is "on" while
// both tones read at least half their level in the key; the fraction of a level a block reads is
// the part of the block the tone covers, which places the edges within about a millisecond. A
// key is reported when it has lasted 32 ms (40 ms must pass, 23 ms must fail) and at least three
// windows agreed on it. Dips shorter than 20 ms are bridged; a pause of 20 ms or more ends the key,
// so a key repeated after a 40 ms pause counts twice.
//
// One thread at a time (the sentry's worker); allocates nothing after construction.
#pragma once

#include <array>
#include <complex>
#include <cstdint>
#include <functional>
#include <span>

#include "dtmf/StrictPairTest.h"

namespace strictdtmf {

// A key found by the strict detector; sample positions at 16 kHz from the first sample given.
struct TStrictKey {
  int row = -1;                 // low-group index
  int col = -1;                 // high-group index
  int64_t startSample = 0;
  int64_t endSample = 0;        // one past the last sample of the tone
  double lowAmplitude = 0;      // levels in the window where the pair was strongest (linear)
  double highAmplitude = 0;
  char16_t Key() const;
  double DurationMs() const { return (endSample - startSample) * 1000.0 / SampleRate; }
};

class TStrictToneDetector {
 public:
  using TKeyEvent = std::function<void(const TStrictKey&)>;

  explicit TStrictToneDetector(const TStrictLimits& limits);

  // A key has passed every test; endSample is where it has got to so far. Called on the thread
  // that calls Process or Finish.
  TKeyEvent OnKeyStart;
  // The key reported by OnKeyStart has ended; the key now has its final edges and levels.
  TKeyEvent OnKeyEnd;

  // Analyses the next samples (16 kHz mono float, any count).
  void Process(std::span<const float> samples);
  // The signal has ended: analyses the last partial block and ends a key still sounding.
  void Finish();

 private:
  static constexpr int HistoryBlocks = 16;       // 80 ms looked back for a key's start
  static constexpr int EndGapBlocks = 4;         // 20 ms without the tones end a key
  static constexpr int MinAgreeingWindows = 3;
  static constexpr int64_t MinToneSamples = 512; // 32 ms

  struct TRun {
    TStrictKey key;
    double refLow = 0;       // the key's block levels, for the on/off test of each block
    double refHigh = 0;
    int64_t lastOnBlock = 0;
    int gapBlocks = 0;
    int agreeingWindows = 0;
    bool reported = false;
  };

  void AnalyseBlock(std::span<const float> samples);
  const TBlock& BlockAt(int64_t index) const { return FHistory[static_cast<size_t>(index % HistoryBlocks)]; }
  double Coverage(int64_t index) const;  // share of the run's levels the block reads, 0..1+
  void TryStart(int64_t block, const TPairDecision& decision);
  void Continue(int64_t block, const TPairDecision& decision);
  bool Qualifies(int64_t endSample) const;
  void End();

  TStrictLimits FLimits;
  std::array<std::complex<double>, ToneCount> FPhasors;
  std::array<float, BlockSamples> FPending{};
  int FPendingCount = 0;
  std::array<TBlock, HistoryBlocks> FHistory{};
  int64_t FBlocks = 0;      // blocks analysed
  bool FActive = false;
  TRun FRun;
};

}  // namespace strictdtmf
