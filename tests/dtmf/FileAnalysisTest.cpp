#include "dtmf/FileAnalysis.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "DtmfTestAudio.h"
#include "platform/MainThread.h"
#include "settings/PlayerIni.h"

namespace {

using namespace dtmftest;
namespace fs = std::filesystem;

std::string KeysOf(const std::vector<TDetectedKey>& keys) {
  std::string text;
  for (const TDetectedKey& key : keys) text += static_cast<char>(key.key);
  return text;
}

class FileAnalysisTest : public testing::Test {
 protected:
  void SetUp() override {
    InitMainThread();
    BASS_Init(0, 44100, 0, nullptr, nullptr);
    PlayerIni = std::make_unique<TPlayerIni>();
    InitializeDtmfModule();
    dir = fs::temp_directory_path() / ("tonesentry-analysis-" + std::to_string(getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override {
    FinalizeDtmfModule();
    PlayerIni.reset();
    fs::remove_all(dir);
  }
  std::string Wav(const std::string& name, const std::string& keys) {
    const std::string path = (dir / name).string();
    WriteWav16(path, Stereo(KeyChannel(keys), KeyChannel(keys)), 2);
    return path;
  }
  fs::path dir;
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
