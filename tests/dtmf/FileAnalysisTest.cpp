#include "dtmf/FileAnalysis.h"

#include <gtest/gtest.h>

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
  int errorCode = -1;
  auto analysis = TFileAnalysis::Open(Wav("a.wav", "159#"), errorCode);
  ASSERT_NE(analysis, nullptr);
  EXPECT_EQ(errorCode, BASS_OK);
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
  int errorCode = 0;
  auto first = TFileAnalysis::Open(Wav("first.wav", "12"), errorCode);
  auto second = TFileAnalysis::Open(Wav("second.wav", "ABCD"), errorCode);
  ASSERT_TRUE(first && second);
  EXPECT_TRUE(first->Keys().empty());  // its sentry was replaced
  first.reset();
  second->RunToEnd();
  EXPECT_EQ(KeysOf(second->Keys()), "ABCD");
}

TEST_F(FileAnalysisTest, AFileThatCannotBeOpenedLeavesTheRunningAnalysisAlone) {
  int errorCode = 0;
  auto running = TFileAnalysis::Open(Wav("running.wav", "0*"), errorCode);
  ASSERT_NE(running, nullptr);
  EXPECT_EQ(TFileAnalysis::Open((dir / "missing.wav").string(), errorCode), nullptr);
  EXPECT_EQ(errorCode, BASS_ERROR_FILEOPEN);
  running->RunToEnd();
  EXPECT_EQ(KeysOf(running->Keys()), "0*");
}

}  // namespace
