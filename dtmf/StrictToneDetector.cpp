#include "dtmf/StrictToneDetector.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

#include "dtmf/StrictIsolation.h"
#include "dtmf/ToneDetector.h"

namespace strictdtmf {

namespace {

constexpr double OnCoverage = 0.5;

double Clamp01(double value) { return std::clamp(value, 0.0, 1.0); }

}  // namespace

char16_t TStrictKey::Key() const { return row >= 0 && col >= 0 ? KeypadChars[col][row] : u'\0'; }

TStrictToneDetector::TStrictToneDetector(const TStrictLimits& limits) : FLimits(limits) {
  FPhasors.fill(1.0);
}

void TStrictToneDetector::Process(std::span<const float> samples) {
  while (!samples.empty()) {
    const size_t take = std::min(samples.size(), static_cast<size_t>(BlockSamples - FPendingCount));
    if (FPendingCount == 0 && take == BlockSamples) {
      AnalyseBlock(samples.first(BlockSamples));
    } else {
      std::copy_n(samples.begin(), take, FPending.begin() + FPendingCount);
      FPendingCount += static_cast<int>(take);
      if (FPendingCount == BlockSamples) {
        FPendingCount = 0;
        AnalyseBlock(FPending);
      }
    }
    samples = samples.subspan(take);
  }
}

void TStrictToneDetector::Finish() {
  if (FPendingCount > 0) {
    std::fill(FPending.begin() + FPendingCount, FPending.end(), 0.0f);
    FPendingCount = 0;
    AnalyseBlock(FPending);
  }
  const std::array<float, BlockSamples> silence{};
  for (int i = 0; FActive && i <= WindowBlocks + EndGapBlocks; ++i) AnalyseBlock(silence);
}

void TStrictToneDetector::AnalyseBlock(std::span<const float> samples) {
  const int64_t block = FBlocks++;
  FHistory[static_cast<size_t>(block % HistoryBlocks)] = CorrelateBlock(samples, FPhasors);
  std::copy(samples.begin(), samples.end(), FSamples.begin() + (block % SampleHistoryBlocks) * BlockSamples);
  TPairDecision decision;
  if (FBlocks >= WindowBlocks) {
    std::array<TBlock, WindowBlocks> blocks;
    for (int j = 0; j < WindowBlocks; ++j) blocks[j] = BlockAt(block - WindowBlocks + 1 + j);
    decision = DecidePair(blocks, FLimits);
  }
  if (FActive) Continue(block, decision);
  if (!FActive && decision.tonesPassed) TryStart(block, decision);
}

std::span<const float> TStrictToneDetector::Recent(int64_t from, size_t count) {
  const int64_t end = FBlocks * BlockSamples;
  const std::span<float> out = std::span<float>(FScratch).first(std::min(count, FScratch.size()));
  for (size_t n = 0; n < out.size(); ++n) {
    const int64_t at = from + static_cast<int64_t>(n);
    out[n] = at >= 0 && at >= end - SampleHistory && at < end ? FSamples[static_cast<size_t>(at % SampleHistory)] : 0.0f;
  }
  return out;
}

// The window's band share and harmonic ratio, on its raw samples.
void TStrictToneDetector::MeasureWindow(const TPairDecision& decision, TWindowEvidence& window) {
  const std::span<const float> samples = Recent(FBlocks * BlockSamples - IsolationSamples, IsolationSamples);
  window.bandShare = PairBandShare(samples, decision.lowHz, decision.highHz);
  window.harmonicRatio = std::max(HarmonicRatio(samples, decision.lowHz), HarmonicRatio(samples, decision.highHz));
}

// How far the run's tones moved in frequency over the last GlideBlocks blocks: the change between
// the phase steps of three 15 ms spans, the larger of the two tones as a fraction of its frequency.
double TStrictToneDetector::Glide(int64_t block) const {
  constexpr int SpanBlocks = GlideBlocks / 3;
  double glide = 0;
  for (const int tone : {FRun.key.row, 4 + FRun.key.col}) {
    std::array<std::complex<double>, 3> spans{};
    for (int j = 0; j < GlideBlocks; ++j) spans[j / SpanBlocks] += BlockAt(block - GlideBlocks + 1 + j).correlation[tone];
    const std::complex<double> firstStep = spans[1] * std::conj(spans[0]);
    const std::complex<double> secondStep = spans[2] * std::conj(spans[1]);
    const double changeHz = std::abs(std::arg(secondStep * std::conj(firstStep))) * SampleRate /
                            (2 * std::numbers::pi * SpanBlocks * BlockSamples);
    glide = std::max(glide, changeHz / ToneFrequencies[tone]);
  }
  return glide;
}

// The quiet moment before a key: searched for from 60 ms before the first window that heard the
// tones to 5 ms into it, rather than taken at the key's start, which under loud sound the block
// levels place unsurely. A tone of the key that ended just before is not awaited (one key changing
// into another that shares a tone).
double TStrictToneDetector::OnsetRatio(int64_t firstWindowSample, const TPairDecision& decision) {
  const bool follows = FLastKey.row >= 0 && firstWindowSample - FLastKey.endSample < CarriedToneSamples;
  const std::array<TAwaitedTone, 2> tones = {
      TAwaitedTone{decision.lowHz, follows && FLastKey.row == decision.row ? 0.0 : decision.lowAmplitude},
      TAwaitedTone{decision.highHz, follows && FLastKey.col == decision.col ? 0.0 : decision.highAmplitude}};
  const int64_t from = firstWindowSample - OnsetSearchBefore - QuietSpanSamples;
  return QuietestMoment(Recent(from, ScratchSamples), tones, QuietSpanSamples, QuietStepSamples);
}

// The quiet moment after a key: in what has come since the key was last heard (a block that read
// the tones, or a window that still heard them), at most the EndGapBlocks that ended it.
double TStrictToneDetector::OffsetRatio() {
  const int64_t lastHeardBlock = FBlocks - 1 - FRun.gapBlocks;
  const int64_t from = (lastHeardBlock + 1) * BlockSamples - QuietStepSamples;
  const std::array<TAwaitedTone, 2> tones = {TAwaitedTone{FRun.lowHz, FRun.key.lowAmplitude},
                                             TAwaitedTone{FRun.highHz, FRun.key.highAmplitude}};
  const int64_t count = std::max<int64_t>(0, FBlocks * BlockSamples - from);
  return QuietestMoment(Recent(from, static_cast<size_t>(count)), tones, QuietSpanSamples, QuietStepSamples);
}

double TStrictToneDetector::Coverage(int64_t index) const {
  if (index < 0 || index < FBlocks - HistoryBlocks || index >= FBlocks) return 0;
  const TBlock& block = BlockAt(index);
  return std::min(block.Amplitude(FRun.key.row) / FRun.refLow,
                  block.Amplitude(4 + FRun.key.col) / FRun.refHigh);
}

// Sets the run's levels from the window ending at `block` and places the key's start by the
// blocks before it; false when no block of the window reads the tones.
bool TStrictToneDetector::Anchor(int64_t block) {
  FRun.refLow = 0;
  FRun.refHigh = 0;
  for (int64_t j = block - WindowBlocks + 1; j <= block; ++j) {
    FRun.refLow = std::max(FRun.refLow, BlockAt(j).Amplitude(FRun.key.row));
    FRun.refHigh = std::max(FRun.refHigh, BlockAt(j).Amplitude(4 + FRun.key.col));
  }
  if (FRun.refLow <= 0 || FRun.refHigh <= 0) return false;
  // The latest block of the window that reads the tones (under loud sound the newest may not).
  int64_t last = block;
  while (last > block - WindowBlocks + 1 && Coverage(last) < OnCoverage) --last;
  if (Coverage(last) < OnCoverage) return false;
  int64_t first = last;
  while (first > FBlocks - HistoryBlocks && first > 0 && Coverage(first - 1) >= OnCoverage) --first;
  // A tone starting inside the first on block covers the end of it; one starting in the block
  // before covers all of the first block and the end of the one before.
  const double startInBlocks =
      static_cast<double>(first + 1) - Clamp01(Coverage(first)) - Clamp01(Coverage(first - 1));
  FRun.key.startSample = static_cast<int64_t>(std::llround(startInBlocks * BlockSamples));
  FRun.key.endSample = (last + 1) * BlockSamples;
  FRun.lastOnBlock = last;
  FRun.gapBlocks = static_cast<int>(block - last);
  return true;
}

void TStrictToneDetector::TryStart(int64_t block, const TPairDecision& decision) {
  FRun = TRun{};
  FRun.key.row = decision.row;
  FRun.key.col = decision.col;
  if (!Anchor(block)) return;
  FRun.key.lowAmplitude = decision.lowAmplitude;
  FRun.key.highAmplitude = decision.highAmplitude;
  FRun.lowHz = decision.lowHz;
  FRun.highHz = decision.highHz;
  FRun.evidence.SetOnsetRatio(OnsetRatio((block - WindowBlocks + 1) * BlockSamples, decision));
  Agree(block, decision);
  FActive = true;
}

// The window's measures are taken only where they can still count: a window wholly within a key
// that is not reported yet and has not failed its onset.
void TStrictToneDetector::Agree(int64_t block, const TPairDecision& decision) {
  const bool inside = (block - WindowBlocks + 1) * BlockSamples >= FRun.key.startSample - InsideToleranceSamples;
  TWindowEvidence window;
  window.clear = decision.present;
  if (inside && !FRun.reported && FRun.evidence.OnsetHeld(FLimits)) MeasureWindow(decision, window);
  FRun.evidence.AddWindow(window, inside);
  if ((block - GlideBlocks + 1) * BlockSamples >= FRun.key.startSample) FRun.evidence.AddGlide(Glide(block));
  if (decision.lowAmplitude + decision.highAmplitude > FRun.key.lowAmplitude + FRun.key.highAmplitude) {
    FRun.key.lowAmplitude = decision.lowAmplitude;
    FRun.key.highAmplitude = decision.highAmplitude;
  }
}

void TStrictToneDetector::Continue(int64_t block, const TPairDecision& decision) {
  const bool agrees = decision.tonesPassed && decision.row == FRun.key.row && decision.col == FRun.key.col;
  // A run started under sound, or on a window the tone only partly filled, takes its levels and
  // start again from its first clear window: edges placed by levels read too low come out wide.
  if (agrees && decision.present && !FRun.reported && FRun.evidence.ClearWindows() == 0) Anchor(block);
  if (agrees) Agree(block, decision);
  if (Coverage(block) >= OnCoverage) {
    FRun.lastOnBlock = block;
    FRun.gapBlocks = 0;
    FRun.key.endSample = (block + 1) * BlockSamples;
  } else if (agrees && !decision.present) {
    FRun.gapBlocks = 0;  // under louder sound the blocks flicker while the windows still hear the pair
  } else {
    ++FRun.gapBlocks;
  }
  if (!FRun.reported && FRun.evidence.Qualifies(FLimits, FRun.key.endSample - FRun.key.startSample, false)) Report();
  if (FRun.gapBlocks >= EndGapBlocks) End();
}

void TStrictToneDetector::Report() {
  FRun.reported = true;
  if (OnKeyStart) OnKeyStart(FRun.key);
}

void TStrictToneDetector::End() {
  FActive = false;
  // Mirror of the start: a tone ending inside the last on block covers its beginning; one ending
  // in the block after covers all of the last block and the beginning of the next.
  const int64_t last = FRun.lastOnBlock;
  const double endInBlocks =
      static_cast<double>(last) + Clamp01(Coverage(last)) + Clamp01(Coverage(last + 1));
  FRun.key.endSample = static_cast<int64_t>(std::llround(endInBlocks * BlockSamples));
  FRun.evidence.SetOffsetRatio(OffsetRatio());
  if (!FRun.reported && FRun.evidence.Qualifies(FLimits, FRun.key.endSample - FRun.key.startSample, true)) Report();
  if (!FRun.reported) return;
  FLastKey = FRun.key;
  if (OnKeyEnd) OnKeyEnd(FRun.key);
}

}  // namespace strictdtmf
