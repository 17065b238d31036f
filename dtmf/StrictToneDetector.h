// The strict DTMF detector: finds keys in the 16 kHz mono analysis signal by the acceptance
// limits telephone receivers meet, and rejects speech and music, also when the keys sound under
// louder music.
//
// Method. The signal is cut into 5 ms blocks (80 samples). Each block is correlated with the
// eight key tones against a phase reference that runs on from block to block. Every 5 ms the last
// six blocks (30 ms) form a window, whose tones pass (StrictPairTest.h) when:
//  - each group has a tone whose block-to-block phase step puts it within 2 % of its nominal
//    frequency (1.5 % must pass, 3.5 % must fail), steady over the window (phase coherence);
//  - that tone, measured coherently over the window at its own frequency, is above the level
//    threshold and at least 6 dB above every other tone of its group;
//  - the twist, high tone over low tone, lies within -9..+5 dB (-8..+4 dB must pass).
// Such a window is "clear" when each tone stands 10 dB above its group and the two carry at least
// 60 % of the window's whole energy: voices and instruments spread their energy over many
// harmonics and formants, so a harmonic that happens to sit on a key tone is only a small share.
// A key under louder music fails that share; what tells it from notes and voices then is
// measured on the window's raw samples (StrictIsolation.h): the pair's part of the key band
// (600-1800 Hz) once the two exact sinusoids are taken out, and whether either tone is the 2nd to
// 6th harmonic of a lower component (a spectral peak at f/2..f/6 whose multiple lands on the tone).
//
// A run of windows agreeing on a key gathers evidence (StrictKeyEvidence.h):
//  - onset: somewhere in the 60 ms before its first window both tones were absent together for
//    15 ms (each below 30 % of its level in the key), which notes already sounding fail; a tone
//    of the key that ended just before is exempt, so one key can change straight into another;
//  - glide: over 45 ms the tones' frequencies change by at most 0.7 % per 15 ms (the harmonics of a
//    voice glide; a key's tones hold);
//  - the means, over its windows that lie wholly within it, of the harmonic ratio (at most 0.45,
//    any key) and of the band share (at least 60 %, a key under louder sound);
//  - offset: after its last block both tones were absent together for 15 ms (below 40 %).
// A key is reported once it has lasted 36 ms (40 ms must pass, 23 ms must fail; short bursts of
// two partials in music last about 35 ms), at least three windows agreed, one of them wholly
// within it, the onset, glide and harmonic tests hold, and either three windows were clear
// (reported at once) or it was heard under louder sound in at least five windows, long enough to
// measure its glide, with the band share and the offset test holding (reported when it ends,
// since the offset is known only then).
// Windows only say which key is there. Its edges come from the 5 ms blocks: a block is "on" while
// both tones read at least half their level in the key (the strongest block of the first clear
// window, or of the first window when none is clear); the fraction of a level a block reads is
// the part of the block the tone covers, which places the edges within about a millisecond. Dips
// shorter than 20 ms are bridged, and under louder sound a window that still hears the pair also
// keeps the key going; a pause of 20 ms or more ends the key, so a key repeated after a 40 ms
// pause counts twice.
//
// One thread at a time (the sentry's worker); allocates nothing after construction.
#pragma once

#include <array>
#include <complex>
#include <cstdint>
#include <functional>
#include <span>

#include "dtmf/StrictKeyEvidence.h"
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

  // A key has passed every test: a key in the clear while it sounds (endSample is where it has got
  // to so far), one heard under louder sound once it has ended (just before OnKeyEnd). Called on
  // the thread that calls Process or Finish.
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
  static constexpr int GlideBlocks = 9;          // 45 ms: three 15 ms spans, two frequency steps
  static constexpr int64_t InsideToleranceSamples = 40;  // a window this far before the start is inside
  // Raw samples kept, for the window measures and the quiet moments before and after a key.
  static constexpr int SampleHistoryBlocks = 32;
  static constexpr int64_t SampleHistory = int64_t{SampleHistoryBlocks} * BlockSamples;
  static constexpr int64_t QuietSpanSamples = 240;       // 15 ms without both tones,
  static constexpr int64_t OnsetSearchBefore = 960;      // ending up to 60 ms before a key's first
  static constexpr int64_t OnsetSearchAfter = 80;        // window or 5 ms into it,
  static constexpr int64_t QuietStepSamples = 40;        // in steps of 2.5 ms
  static constexpr int64_t CarriedToneSamples = 800;     // 50 ms: a tone of the key just ended
  static constexpr int64_t ScratchSamples = OnsetSearchBefore + QuietSpanSamples + OnsetSearchAfter;

  struct TRun {
    TStrictKey key;
    double refLow = 0;       // the key's block levels, for the on/off test of each block
    double refHigh = 0;
    double lowHz = 0;        // the tones' own frequencies in the first window
    double highHz = 0;
    int64_t lastOnBlock = 0;
    int gapBlocks = 0;
    TKeyEvidence evidence;
    bool reported = false;
  };

  void AnalyseBlock(std::span<const float> samples);
  void MeasureWindow(const TPairDecision& decision, TWindowEvidence& window);
  double Glide(int64_t block) const;
  double OnsetRatio(int64_t firstWindowSample, const TPairDecision& decision);
  double OffsetRatio();
  // The samples [from, from + count) into the scratch buffer; zeros for any not kept.
  std::span<const float> Recent(int64_t from, size_t count);
  const TBlock& BlockAt(int64_t index) const { return FHistory[static_cast<size_t>(index % HistoryBlocks)]; }
  double Coverage(int64_t index) const;  // share of the run's levels the block reads, 0..1+
  bool Anchor(int64_t block);
  void TryStart(int64_t block, const TPairDecision& decision);
  void Continue(int64_t block, const TPairDecision& decision);
  void Agree(int64_t block, const TPairDecision& decision);
  void Report();
  void End();

  TStrictLimits FLimits;
  std::array<std::complex<double>, ToneCount> FPhasors;
  std::array<float, BlockSamples> FPending{};
  int FPendingCount = 0;
  std::array<TBlock, HistoryBlocks> FHistory{};
  std::array<float, SampleHistory> FSamples{};
  std::array<float, ScratchSamples> FScratch{};
  int64_t FBlocks = 0;      // blocks analysed
  bool FActive = false;
  TRun FRun;
  TStrictKey FLastKey;      // the last key reported, for a tone that carries on into the next
};

}  // namespace strictdtmf
