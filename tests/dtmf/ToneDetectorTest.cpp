#include "dtmf/ToneDetector.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr float Strong = 0.3f;
constexpr float Quiet = 0.001f;

// A frame with the given row and column levels on their bins and a quiet background.
std::vector<float> Frame(std::array<float, 4> low, std::array<float, 4> high) {
  std::vector<float> frame(DtmfFrameBins, Quiet);
  for (size_t i = 0; i < 4; ++i) {
    frame[static_cast<size_t>(ToneBin(DtmfLowFrequencies[i]))] = low[i];
    frame[static_cast<size_t>(ToneBin(DtmfHighFrequencies[i]))] = high[i];
  }
  return frame;
}

TEST(ToneDetector, ToneBinsRoundHalfToEvenAtTheAnalysisRate) {
  const int expectedLow[] = {22, 25, 27, 30};
  const int expectedHigh[] = {39, 43, 47, 52};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(ToneBin(DtmfLowFrequencies[i]), expectedLow[i]);
    EXPECT_EQ(ToneBin(DtmfHighFrequencies[i]), expectedHigh[i]);
  }
}

TEST(ToneDetector, KeypadIsIndexedByColumnThenRow) {
  std::string keys;
  for (int col = 0; col < 4; ++col)
    for (int row = 0; row < 4; ++row) keys += static_cast<char>(KeypadChars[col][row]);
  EXPECT_EQ(keys, "147*2580369#ABCD");
}

struct TDecisionCase {
  const char* name;
  std::array<float, 4> low;
  std::array<float, 4> high;
  double threshold;
  bool present;
  int row;
  int col;
};

class ToneDecisionTable : public testing::TestWithParam<TDecisionCase> {};

TEST_P(ToneDecisionTable, DecidesAsTheRulesSay) {
  const TDecisionCase& c = GetParam();
  const TToneDecision d = DecideTone(Frame(c.low, c.high), c.threshold);
  EXPECT_EQ(d.present, c.present);
  if (c.present) {
    EXPECT_EQ(d.row, c.row);
    EXPECT_EQ(d.col, c.col);
  }
}

constexpr float L = Strong;
INSTANTIATE_TEST_SUITE_P(
    Cases, ToneDecisionTable,
    testing::Values(
        TDecisionCase{"key5", {0, L, 0, 0}, {0, L, 0, 0}, 0.05, true, 1, 1},
        TDecisionCase{"keyD", {0, 0, 0, L}, {0, 0, 0, L}, 0.05, true, 3, 3},
        TDecisionCase{"runnerUpAtHalfFailsDominance", {L, 0, 0, 0}, {L, L / 2, 0, 0}, 0.05, false, 0, 0},
        TDecisionCase{"exactlyThreeTimesRunnerUpFails", {L, 0, 0, 0}, {0.375f, 0.125f, 0, 0}, 0.05, false, 0, 0},
        TDecisionCase{"justOverThreeTimesPasses", {L, 0, 0, 0}, {0.375f, 0.1249f, 0, 0}, 0.05, true, 0, 0},
        TDecisionCase{"equalTopLevelsFailDominance", {L, L, 0, 0}, {L, 0, 0, 0}, 0.05, false, 0, 0},
        TDecisionCase{"twistOver2_2Fails", {0, 0, 0.1f, 0}, {0, 0, 0.25f, 0}, 0.05, false, 0, 0},
        TDecisionCase{"twist2_1Passes", {0, 0, 0.1f, 0}, {0, 0, 0.21f, 0}, 0.05, true, 2, 2},
        TDecisionCase{"reverseTwistFails", {0, 0, 0.25f, 0}, {0, 0, 0.1f, 0}, 0.05, false, 0, 0},
        TDecisionCase{"belowThresholdFails", {0.04f, 0, 0, 0}, {0.04f, 0, 0, 0}, 0.05, false, 0, 0},
        TDecisionCase{"exactlyAtFloorFails", {0.25f, 0, 0, 0}, {0.25f, 0, 0, 0}, 0.25f, false, 0, 0},
        TDecisionCase{"silenceFails", {0, 0, 0, 0}, {0, 0, 0, 0}, 0.0, false, 0, 0}),
    [](const testing::TestParamInfo<TDecisionCase>& info) { return std::string(info.param.name); });

TEST(ToneDetector, LoudBackgroundRaisesTheFloorAboveTheThreshold) {
  std::vector<float> frame = Frame({0.3f, 0, 0, 0}, {0.3f, 0, 0, 0});
  EXPECT_TRUE(DecideTone(frame, 0.01).present);
  for (size_t k = 60; k <= 245; ++k) frame[k] = 0.5f;  // 186 bins x 0.5 / 255 = 0.36 > 0.3
  EXPECT_FALSE(DecideTone(frame, 0.01).present);
}

}  // namespace
