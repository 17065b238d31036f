#include "playback/audio_dtmfgen.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numbers>
#include <vector>

namespace {

constexpr int Rate = 44100;
constexpr size_t SlotSamples = 7060;  // 882 + 3528 + 882 + 1764, each threshold passed one late
constexpr size_t RiseSamples = 883;
constexpr size_t FullSamples = 3529;
constexpr size_t ToneSamples = RiseSamples + FullSamples + RiseSamples;

std::vector<int16_t> ReadAll(HSTREAM stream, size_t blockSamples) {
  std::vector<int16_t> all;
  std::vector<int16_t> block(blockSamples);
  for (;;) {
    const DWORD read = BASS_ChannelGetData(stream, block.data(), static_cast<DWORD>(block.size() * 2));
    if (read == 0xFFFFFFFF) break;
    all.insert(all.end(), block.begin(), block.begin() + read / 2);
  }
  return all;
}

std::vector<int16_t> Generate(const std::string& item, size_t blockSamples = 4096) {
  const HSTREAM stream = CreateDTMFStream(item, BASS_STREAM_DECODE);
  EXPECT_NE(stream, 0u);
  std::vector<int16_t> samples = ReadAll(stream, blockSamples);
  BASS_StreamFree(stream);
  return samples;
}

// Goertzel power of one frequency over a run of samples, as an amplitude (full scale 32768).
double AmplitudeAt(const std::vector<int16_t>& s, size_t from, size_t count, double hz) {
  const double w = 2 * std::numbers::pi * hz / Rate;
  double re = 0, im = 0;
  for (size_t i = 0; i < count; ++i) {
    re += s[from + i] * std::cos(w * static_cast<double>(i));
    im += s[from + i] * std::sin(w * static_cast<double>(i));
  }
  return 2 * std::hypot(re, im) / static_cast<double>(count);
}

TEST(DtmfGenerator, RecognisesDtmfItemsInAnyCase) {
  EXPECT_TRUE(IsDTMFItem("dtmf=123"));
  EXPECT_TRUE(IsDTMFItem("DTMF=#"));
  EXPECT_TRUE(IsDTMFItem("DtMf="));
  EXPECT_FALSE(IsDTMFItem("dtmf"));
  EXPECT_FALSE(IsDTMFItem("dtmf:1"));
  EXPECT_FALSE(IsDTMFItem("song.mp3"));
}

TEST(DtmfGenerator, EachKeyTakesOneSlotPlusATrailingSilentSlotWhateverTheReadSize) {
  BASS_Init(0, 44100, 0, nullptr, nullptr);
  for (size_t block : {size_t{1}, size_t{100}, size_t{4096}, size_t{44100}}) {
    EXPECT_EQ(Generate("DTMF=12#", block).size(), 4 * SlotSamples) << "block " << block;
  }
  EXPECT_EQ(Generate("dtmf=").size(), SlotSamples);
}

TEST(DtmfGenerator, KeyRisesHoldsFallsAndPauses) {
  const std::vector<int16_t> s = Generate("dtmf=5");
  ASSERT_EQ(s.size(), 2 * SlotSamples);
  int peakRise = 0, peakFull = 0, peakGap = 0;
  for (size_t i = 0; i < 200; ++i) peakRise = std::max(peakRise, std::abs(int{s[i]}));
  for (size_t i = RiseSamples; i < RiseSamples + FullSamples; ++i) peakFull = std::max(peakFull, std::abs(int{s[i]}));
  for (size_t i = ToneSamples; i < 2 * SlotSamples; ++i) peakGap = std::max(peakGap, std::abs(int{s[i]}));
  EXPECT_LT(peakRise, 24000 * 200 / 882 + 100);
  EXPECT_GT(peakFull, 23000);
  EXPECT_LE(peakFull, 24000);
  EXPECT_LT(peakGap, 30);  // the trailing slot's first sample, see below
  // Both tones at 12000 during the full-level part.
  EXPECT_NEAR(AmplitudeAt(s, RiseSamples, 3528, 770), 12000, 300);
  EXPECT_NEAR(AmplitudeAt(s, RiseSamples, 3528, 1336), 12000, 300);
}

TEST(DtmfGenerator, KeysAreUpperCasedAndOtherCharactersAreSilentSlots) {
  const std::vector<int16_t> s = Generate("dtmf=1a 2");
  ASSERT_EQ(s.size(), 5 * SlotSamples);
  const auto tonesIn = [&](size_t slot, double row, double col) {
    const size_t from = slot * SlotSamples + RiseSamples;
    return AmplitudeAt(s, from, 3528, row) > 10000 && AmplitudeAt(s, from, 3528, col) > 10000;
  };
  EXPECT_TRUE(tonesIn(0, 697, 1209));   // 1
  EXPECT_TRUE(tonesIn(1, 697, 1633));   // A
  // The slot's first sample still fades in the previous key's last phase; the rest is silence.
  EXPECT_LT(std::abs(int{s[2 * SlotSamples]}), 30);
  for (size_t i = 2 * SlotSamples + 1; i < 3 * SlotSamples; ++i) ASSERT_EQ(s[i], 0) << i;
  EXPECT_TRUE(tonesIn(3, 697, 1336));   // 2
}

}  // namespace
