// The spectrogram of synthesised files: tones where they were put, long files at a reduced time
// resolution that still shows short keys, and the strip's worker threads keeping the event loop
// free and stopping when the strip goes.
#include "app/details/Sonogram.h"

#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "AudioFixtures.h"
#include "app/details/SonogramView.h"
#include "audiolib/audiolib.h"

namespace {

namespace fs = std::filesystem;
constexpr int Rate = 8000;
constexpr int FailSafeMs = 120000;

// Two sines added (a key's tone pair), each at `amplitude`.
std::vector<float> TonePair(double lowHz, double highHz, double amplitude, int rate, size_t frames) {
  std::vector<float> pair = audiofixtures::Sine(lowHz, amplitude, rate, frames);
  const std::vector<float> high = audiofixtures::Sine(highHz, amplitude, rate, frames);
  for (size_t i = 0; i < frames; ++i) pair[i] += high[i];
  return pair;
}

// Silence of totalSeconds with one tone pair (-12 dB FS each) of toneMs at toneStartSeconds.
void WriteToneFile(const fs::path& path, double totalSeconds, double toneStartSeconds, double toneMs) {
  std::vector<float> samples(static_cast<size_t>(totalSeconds * Rate), 0.0f);
  const std::vector<float> tone = TonePair(852, 1477, 0.25, Rate, static_cast<size_t>(toneMs * Rate / 1000));
  std::copy(tone.begin(), tone.end(), samples.begin() + static_cast<ptrdiff_t>(toneStartSeconds * Rate));
  audiofixtures::WriteWav(path, samples, Rate, 1, 16);
}

int BinOf(const TSonogram& s, double hz) { return static_cast<int>(std::lround(hz / s.binWidthHz)); }
int ColumnOf(const TSonogram& s, double seconds) {
  return static_cast<int>((seconds - s.startSeconds) / s.secondsPerColumn);
}

class SonogramTest : public testing::Test {
 protected:
  void SetUp() override { BASS_Init(0, 44100, 0, nullptr, nullptr); }
  audiofixtures::TempDir dir;
};

struct TResolutionCase {
  const char* name;
  double fileSeconds;
  int maxColumns;
  double toneMs;
};

class SonogramResolution : public SonogramTest, public testing::WithParamInterface<TResolutionCase> {};

TEST_P(SonogramResolution, ShowsTheTonesWhereTheyAreAndSilenceElsewhere) {
  const TResolutionCase& c = GetParam();
  WriteToneFile(dir / "tone.wav", c.fileSeconds, c.fileSeconds / 2, c.toneMs);
  std::string error;
  const auto s = ComputeSonogram({(dir / "tone.wav").string(), 0, -1, c.maxColumns, 25}, error);
  ASSERT_TRUE(s) << error;
  EXPECT_LE(s->columns, c.maxColumns);
  EXPECT_NEAR(s->fileSeconds, c.fileSeconds, 0.01);
  EXPECT_GE(s->EndSeconds(), c.fileSeconds);
  EXPECT_GE((s->bins - 1) * s->binWidthHz, 1633);  // every DTMF tone is in the band
  EXPECT_LE(s->binWidthHz, 25);
  const int toneColumn = ColumnOf(*s, c.fileSeconds / 2 + c.toneMs / 2000);
  for (double hz : {852.0, 1477.0}) {
    float loudest = SonogramFloorDb;
    for (int bin = BinOf(*s, hz) - 1; bin <= BinOf(*s, hz) + 1; ++bin) loudest = std::max(loudest, s->LevelDb(toneColumn, bin));
    EXPECT_GT(loudest, -20) << hz << " Hz";
    EXPECT_EQ(s->LevelDb(0, BinOf(*s, hz)), SonogramFloorDb) << "silence at the start";
  }
  EXPECT_LT(s->LevelDb(toneColumn, BinOf(*s, 1209)), -40) << "no tone at another key's column";
}

INSTANTIATE_TEST_SUITE_P(Files, SonogramResolution,
                         testing::Values(TResolutionCase{"ShortFileEveryFrame", 2, 2000, 100},
                                         TResolutionCase{"TenMinutesIn300Columns", 600, 300, 60}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SonogramTest, AStretchOfTheFileStartsWhereAsked) {
  WriteToneFile(dir / "tone.wav", 6, 4, 200);
  std::string error;
  const auto s = ComputeSonogram({(dir / "tone.wav").string(), 3.5, 5, 400, 45}, error);
  ASSERT_TRUE(s) << error;
  EXPECT_NEAR(s->startSeconds, 3.5, 0.001);
  EXPECT_LT(s->secondsPerColumn, 0.05);
  EXPECT_LT(s->LevelDb(ColumnOf(*s, 3.7), BinOf(*s, 852)), -60);
  EXPECT_GT(s->LevelDb(ColumnOf(*s, 4.1), BinOf(*s, 852)), -25);
}

TEST_F(SonogramTest, AFileThatIsNotAudioGivesNoSonogramButAReason) {
  std::ofstream(dir / "notes.txt") << "not audio";
  for (const fs::path& path : {dir / "notes.txt", dir / "missing.wav"}) {
    std::string error;
    EXPECT_FALSE(ComputeSonogram({path.string(), 0, -1, 100, 25}, error));
    EXPECT_FALSE(error.empty()) << path;
  }
}

TEST_F(SonogramTest, TheEventLoopKeepsTurningWhileALongFileIsComputedAndLeavingStopsTheWork) {
  WriteToneFile(dir / "long.wav", 1200, 600, 80);
  {
    TSonogramView strip;
    strip.SetFile((dir / "long.wav").string(), 1200, {});
    int ticksWhileComputing = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ticksWhileComputing += strip.OverviewDone() ? 0 : 1; });
    ticker.start(1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return strip.OverviewDone(); }, FailSafeMs));
    ticker.stop();
    EXPECT_TRUE(strip.ErrorText().isEmpty()) << strip.ErrorText().toStdString();
    EXPECT_GT(ticksWhileComputing, 1);

    strip.SetFile((dir / "long.wav").string(), 1200, {});
    QTest::qWait(5);
  }  // the strip goes while computing: its thread is stopped and joined
}

}  // namespace
