#include "dtmf/StrictToneDetector.h"

#include <algorithm>

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
  for (int i = 0; FActive && i <= EndGapBlocks; ++i) AnalyseBlock(silence);
}

void TStrictToneDetector::AnalyseBlock(std::span<const float> samples) {
  const int64_t block = FBlocks++;
  FHistory[static_cast<size_t>(block % HistoryBlocks)] = CorrelateBlock(samples, FPhasors);
  TPairDecision decision;
  if (FBlocks >= WindowBlocks) {
    std::array<TBlock, WindowBlocks> window;
    for (int j = 0; j < WindowBlocks; ++j) window[j] = BlockAt(block - WindowBlocks + 1 + j);
    decision = DecidePair(window, FLimits);
  }
  if (FActive) Continue(block, decision);
  if (!FActive && decision.present) TryStart(block, decision);
}

double TStrictToneDetector::Coverage(int64_t index) const {
  if (index < 0 || index < FBlocks - HistoryBlocks || index >= FBlocks) return 0;
  const TBlock& block = BlockAt(index);
  return std::min(block.Amplitude(FRun.key.row) / FRun.refLow,
                  block.Amplitude(4 + FRun.key.col) / FRun.refHigh);
}

void TStrictToneDetector::TryStart(int64_t block, const TPairDecision& decision) {
  FRun = TRun{};
  FRun.key.row = decision.row;
  FRun.key.col = decision.col;
  for (int64_t j = block - WindowBlocks + 1; j <= block; ++j) {
    FRun.refLow = std::max(FRun.refLow, BlockAt(j).Amplitude(decision.row));
    FRun.refHigh = std::max(FRun.refHigh, BlockAt(j).Amplitude(4 + decision.col));
  }
  if (FRun.refLow <= 0 || FRun.refHigh <= 0 || Coverage(block) < OnCoverage) return;
  int64_t first = block;
  while (first > FBlocks - HistoryBlocks && first > 0 && Coverage(first - 1) >= OnCoverage) --first;
  // A tone starting inside the first on block covers the end of it; one starting in the block
  // before covers all of the first block and the end of the one before.
  const double startInBlocks =
      static_cast<double>(first + 1) - Clamp01(Coverage(first)) - Clamp01(Coverage(first - 1));
  FRun.key.startSample = static_cast<int64_t>(std::llround(startInBlocks * BlockSamples));
  FRun.key.endSample = (block + 1) * BlockSamples;
  FRun.key.lowAmplitude = decision.lowAmplitude;
  FRun.key.highAmplitude = decision.highAmplitude;
  FRun.lastOnBlock = block;
  FRun.agreeingWindows = 1;
  FActive = true;
}

void TStrictToneDetector::Continue(int64_t block, const TPairDecision& decision) {
  if (decision.present && decision.row == FRun.key.row && decision.col == FRun.key.col) {
    ++FRun.agreeingWindows;
    if (decision.lowAmplitude + decision.highAmplitude > FRun.key.lowAmplitude + FRun.key.highAmplitude) {
      FRun.key.lowAmplitude = decision.lowAmplitude;
      FRun.key.highAmplitude = decision.highAmplitude;
    }
  }
  if (Coverage(block) >= OnCoverage) {
    FRun.lastOnBlock = block;
    FRun.gapBlocks = 0;
    FRun.key.endSample = (block + 1) * BlockSamples;
  } else {
    ++FRun.gapBlocks;
  }
  if (!FRun.reported && Qualifies(FRun.key.endSample)) {
    FRun.reported = true;
    if (OnKeyStart) OnKeyStart(FRun.key);
  }
  if (FRun.gapBlocks >= EndGapBlocks) End();
}

bool TStrictToneDetector::Qualifies(int64_t endSample) const {
  return FRun.agreeingWindows >= MinAgreeingWindows && endSample - FRun.key.startSample >= MinToneSamples;
}

void TStrictToneDetector::End() {
  FActive = false;
  // Mirror of the start: a tone ending inside the last on block covers its beginning; one ending
  // in the block after covers all of the last block and the beginning of the next.
  const int64_t last = FRun.lastOnBlock;
  const double endInBlocks =
      static_cast<double>(last) + Clamp01(Coverage(last)) + Clamp01(Coverage(last + 1));
  FRun.key.endSample = static_cast<int64_t>(std::llround(endInBlocks * BlockSamples));
  if (!FRun.reported && Qualifies(FRun.key.endSample)) {
    FRun.reported = true;
    if (OnKeyStart) OnKeyStart(FRun.key);
  }
  if (FRun.reported && OnKeyEnd) OnKeyEnd(FRun.key);
}

}  // namespace strictdtmf
