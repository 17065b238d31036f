#include "dtmf/FileAnalysis.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "AudioFixtures.h"
#include "DtmfTestAudio.h"

namespace {

using namespace dtmftest;

class FileAnalysisTest : public DtmfModuleTest {
 protected:
  std::string Wav(const std::string& name, const std::string& keys) {
    const std::string path = (dir / name).string();
    audiofixtures::WriteWav(path, Stereo(KeyChannel(keys), KeyChannel(keys)), Rate, 2, 16);
    return path;
  }
  audiofixtures::TempDir dir;
};

TEST_F(FileAnalysisTest, RunsAFileToTheEndAndReportsProgress) {
  TOpenError error;
  auto analysis = TFileAnalysis::Open(Wav("a.wav", "159#"), error);
  ASSERT_NE(analysis, nullptr);
  EXPECT_EQ(error.audioErrorCode, BASS_OK);
  EXPECT_EQ(error.problem, "");
  double lastProgress = 0;
  analysis->RunToEnd([&](double fraction) {
    EXPECT_GE(fraction, lastProgress);
    lastProgress = fraction;
  });
  EXPECT_TRUE(analysis->Done());
  EXPECT_EQ(lastProgress, 1.0);
  EXPECT_EQ(KeysOf(analysis->Keys()), "159#");
}

TEST_F(FileAnalysisTest, FreeingAReplacedAnalysisLeavesTheNewOneRunning) {
  TOpenError error;
  auto first = TFileAnalysis::Open(Wav("first.wav", "12"), error);
  auto second = TFileAnalysis::Open(Wav("second.wav", "ABCD"), error);
  ASSERT_TRUE(first && second);
  EXPECT_TRUE(first->Keys().empty());  // its sentry was replaced
  first.reset();
  second->RunToEnd();
  EXPECT_EQ(KeysOf(second->Keys()), "ABCD");
}

TEST_F(FileAnalysisTest, AFileThatCannotBeOpenedLeavesTheRunningAnalysisAlone) {
  TOpenError error;
  auto running = TFileAnalysis::Open(Wav("running.wav", "0*"), error);
  ASSERT_NE(running, nullptr);
  audiofixtures::WriteBytes(dir / "text.wav", "not audio at all");
  EXPECT_EQ(TFileAnalysis::Open((dir / "text.wav").string(), error), nullptr);
  EXPECT_EQ(error.audioErrorCode, BASS_ERROR_FILEFORM);
  running->RunToEnd();
  EXPECT_EQ(KeysOf(running->Keys()), "0*");
}

// A FIFO or a device would block open() or never end; such files, and missing ones, are refused
// before anything opens them, each with what is wrong.
TEST_F(FileAnalysisTest, LocalFileProblemsAreNamedWithoutOpeningTheFile) {
  ASSERT_EQ(mkfifo((dir / "fifo.wav").c_str(), 0600), 0);
  std::filesystem::create_directory(dir / "folder.wav");
  const struct {
    std::string path;
    const char* problem;
  } cases[] = {
      {(dir / "missing.wav").string(), "no such file"},
      {(dir / "missing" / "a.wav").string(), "no such file"},
      {(dir / "folder.wav").string(), "is a folder"},
      {(dir / "fifo.wav").string(), "not a regular file (a FIFO)"},
      {"/dev/zero", "not a regular file (a device)"},
      {(dir / std::string(300, 'n')).string(), "file name too long"},
      {"", "no such file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    TOpenError error;
    EXPECT_EQ(TFileAnalysis::Open(c.path, error), nullptr);
    EXPECT_EQ(error.problem, c.problem);
  }
}

TEST_F(FileAnalysisTest, UnreadableFileIsNamedAsSuch) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  const std::string path = Wav("locked.wav", "1");
  chmod(path.c_str(), 0);
  TOpenError error;
  EXPECT_EQ(TFileAnalysis::Open(path, error), nullptr);
  EXPECT_EQ(error.problem, "permission denied");
}

// At a low sample rate two seconds of audio are fewer frames than the worker waits for before it
// analyses; the file must still be analysed to its end (below 3.3 kHz no column tone fits).
TEST_F(FileAnalysisTest, FilesAtAnySampleRateAreAnalysedToTheEnd) {
  const struct {
    int rate;
    const char* keys;
    const char* expected;
  } cases[] = {{1000, "1", ""}, {2047, "2", ""}, {4000, "3", "3"}, {8000, "4A#", "4A#"}, {192000, "7", "7"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rate);
    const std::string path = (dir / ("rate" + std::to_string(c.rate) + ".wav")).string();
    audiofixtures::WriteWav(path, KeyChannel(c.keys, 0.3, 100, 100, 8000, c.rate), c.rate, 1, 16);
    TOpenError error;
    auto analysis = TFileAnalysis::Open(path, error);
    ASSERT_NE(analysis, nullptr);
    analysis->RunToEnd();
    EXPECT_EQ(analysis->ErrorText(), "");
    EXPECT_EQ(KeysOf(analysis->Keys()), c.expected);
  }
}

TEST_F(FileAnalysisTest, AnalysisThatGivesUpEndsAndSaysWhy) {
  PlayerIni->SetDTMFChannelMode(7);
  const std::string path = (dir / "long.wav").string();
  audiofixtures::WriteWav(path, Stereo(KeyChannel("12", 0.3, 100, 100, 9000), {}), Rate, 2, 16);
  TOpenError error;
  auto analysis = TFileAnalysis::Open(path, error);
  ASSERT_NE(analysis, nullptr);
  analysis->RunToEnd();
  EXPECT_TRUE(analysis->Done());
  EXPECT_THAT(analysis->ErrorText(), testing::HasSubstr("unknown channel mode 7"));
  EXPECT_TRUE(analysis->Keys().empty());
}

}  // namespace
