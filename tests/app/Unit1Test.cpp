#include "app/Unit1.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "AudioFixtures.h"
#include "app/QtMainThreadBridge.h"
#include "audiolib/audiolib.h"
#include "dtmf/qv_dtmf.h"
#include "platform/RecordingMessageBoxPresenter.h"
#include "playback/audio_dtmfgen.h"
#include "settings/player/PlayerIni.h"

namespace {

namespace fs = std::filesystem;
constexpr int FailSafeMs = 60000;

// Keys from the tone generator, one channel each, as a 16-bit WAV file.
void WriteKeysWav(const fs::path& path, const std::string& left, const std::string& right = "") {
  const auto render = [](const std::string& keys) {
    std::vector<float> all;
    if (keys.empty()) return all;
    const HSTREAM stream = CreateDTMFStream("dtmf=" + keys, BASS_STREAM_DECODE);
    std::vector<int16_t> block(4096);
    for (DWORD read; (read = BASS_ChannelGetData(stream, block.data(), 8192)) != 0xFFFFFFFF;) {
      for (DWORD i = 0; i < read / 2; ++i) all.push_back(block[i] / 32768.0f);
    }
    BASS_StreamFree(stream);
    return all;
  };
  std::vector<float> l = render(left);
  std::vector<float> r = render(right);
  if (right.empty()) {
    audiofixtures::WriteWav(path, l, 44100, 1, 16);
    return;
  }
  const size_t n = std::max(l.size(), r.size());
  l.resize(n);
  r.resize(n);
  std::vector<float> stereo;
  for (size_t i = 0; i < n; ++i) {
    stereo.push_back(l[i]);
    stereo.push_back(r[i]);
  }
  audiofixtures::WriteWav(path, stereo, 44100, 2, 16);
}

class MainWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    bridge = std::make_unique<TQtMainThreadBridge>();
    BASS_Init(0, 44100, 0, nullptr, nullptr);
    PlayerIni = std::make_unique<TPlayerIni>();
    InitializeDtmfModule();
  }
  void TearDown() override {
    FinalizeDtmfModule();
    PlayerIni.reset();
    bridge.reset();
  }
  // Opens a file and waits until its last keys are shown.
  QString KeysShownFor(TForm1& form, const fs::path& file) {
    EXPECT_TRUE(form.OpenFile(QString::fromStdString(file.string())));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form.Analysing(); }, FailSafeMs));
    QTest::qWait(200);  // a few drains of the 50 ms timer
    return form.Edit1()->text();
  }
  std::unique_ptr<TQtMainThreadBridge> bridge;
  audiofixtures::TempDir dir;
};

TEST_F(MainWindowTest, OpeningAFileShowsItsKeysInOrderWhileTheWindowStaysResponsive) {
  WriteKeysWav(dir / "keys.wav", "123A456B789C*0#D");
  TForm1 form;
  form.show();
  EXPECT_EQ(KeysShownFor(form, dir / "keys.wav"), "123A456B789C*0#D");
  EXPECT_TRUE(form.AnalysisProgress()->isHidden());
}

TEST_F(MainWindowTest, TheSameKeyDrainedTwiceInARowIsShownEachTime) {
  WriteKeysWav(dir / "fives.wav", "5555");
  TForm1 form;
  form.show();
  EXPECT_EQ(KeysShownFor(form, dir / "fives.wav"), "5555");
}

TEST_F(MainWindowTest, ChannelModeAndLevelTakeEffectAtTheNextOpen) {
  WriteKeysWav(dir / "stereo.wav", "12", "34");
  TForm1 form;
  form.show();
  EXPECT_EQ(KeysShownFor(form, dir / "stereo.wav"), "12");  // default: left
  form.cbDTMFChannelMode()->setCurrentIndex(1);
  emit form.cbDTMFChannelMode()->activated(1);
  EXPECT_EQ(PlayerIni->DTMFChannelMode(), 1);
  EXPECT_EQ(KeysShownFor(form, dir / "stereo.wav"), "34");

  form.tbDTMFLev()->SetValue(-20.0f);
  EXPECT_NEAR(PlayerIni->DTMFThreshold(), 0.1, 1e-6);
  form.tbDTMFLev()->SetValue(-3.0f);  // louder than the generator's tones (-8.7 dB)
  EXPECT_EQ(KeysShownFor(form, dir / "stereo.wav"), "");
}

struct TShownLevelCase {
  double threshold;
  float shownDb;
  const char* label;
};

class ShownLevel : public MainWindowTest, public testing::WithParamInterface<TShownLevelCase> {};

TEST_P(ShownLevel, FollowsTheStoredThresholdWithoutRewritingIt) {
  const TShownLevelCase& c = GetParam();
  PlayerIni->SetDTMFThreshold(c.threshold);
  PlayerIni->SetDTMFChannelMode(3);
  TForm1 form;
  form.show();
  EXPECT_FLOAT_EQ(form.tbDTMFLev()->Value(), c.shownDb);
  EXPECT_EQ(form.tbDTMFLev()->ValueLabel()->text().toStdString(), c.label);
  EXPECT_EQ(PlayerIni->DTMFThreshold(), c.threshold);
  EXPECT_EQ(form.cbDTMFChannelMode()->currentText(), "Left - Right (counterphase)");
}

INSTANTIATE_TEST_SUITE_P(Thresholds, ShownLevel,
                         testing::Values(TShownLevelCase{0.05, -26.0f, "-26 dB"},
                                         TShownLevelCase{0.001, -60.0f, "-60 dB"},
                                         TShownLevelCase{0.5, -6.0f, "-6 dB"},
                                         TShownLevelCase{1.0, 0.0f, "-1 dB"},
                                         TShownLevelCase{0.0, -1.0f, "-1 dB"}));

TEST_F(MainWindowTest, CancellingTheDialogChangesNothing) {
  WriteKeysWav(dir / "keys.wav", "77");
  TForm1 form;
  form.show();
  ASSERT_EQ(KeysShownFor(form, dir / "keys.wav"), "77");
  QTimer::singleShot(200, [] {
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
  });
  form.Button6()->click();
  EXPECT_EQ(form.Edit1()->text(), "77");
  EXPECT_FALSE(form.Analysing());
}

TEST_F(MainWindowTest, AnUnreadableFileShowsAnErrorAndLeavesTheWindowAsItWas) {
  WriteKeysWav(dir / "keys.wav", "9");
  std::ofstream(dir / "notes.txt") << "not audio at all";
  TForm1 form;
  form.show();
  ASSERT_EQ(KeysShownFor(form, dir / "keys.wav"), "9");
  RecordingMessageBoxPresenter boxes;
  EXPECT_FALSE(form.OpenFile(QString::fromStdString((dir / "notes.txt").string())));
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].caption, "Error");
  EXPECT_NE(boxes.Boxes()[0].text.find("notes.txt"), std::string::npos);
  EXPECT_NE(boxes.Boxes()[0].text.find("unsupported file format"), std::string::npos)
      << boxes.Boxes()[0].text;
  EXPECT_EQ(form.Edit1()->text(), "9");
}

// File names are bytes; one that is not UTF-8 must open as the file system spells it.
TEST_F(MainWindowTest, AFileWhoseNameIsNotUtf8Opens) {
  const std::string name = "keys\xff\xfe.wav";
  WriteKeysWav(dir / name, "63");
  TForm1 form;
  form.show();
  RecordingMessageBoxPresenter boxes;  // a failure must not wait on a dialog
  EXPECT_TRUE(form.OpenFile((dir / name).string()));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !form.Analysing(); }, FailSafeMs));
  QTest::qWait(200);
  EXPECT_EQ(form.Edit1()->text(), "63");
}

TEST_F(MainWindowTest, AnAnalysisThatGivesUpShowsWhy) {
  PlayerIni->SetDTMFChannelMode(7);  // stored, never chosen in the list
  WriteKeysWav(dir / "stereo.wav", "12", "34");
  TForm1 form;
  form.show();
  RecordingMessageBoxPresenter boxes;
  EXPECT_EQ(KeysShownFor(form, dir / "stereo.wav"), "");
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].caption, "Error");
  EXPECT_NE(boxes.Boxes()[0].text.find("stereo.wav"), std::string::npos);
  EXPECT_NE(boxes.Boxes()[0].text.find("unknown channel mode 7"), std::string::npos) << boxes.Boxes()[0].text;
  EXPECT_NE(form.AnalysisError(), "");
}

TEST_F(MainWindowTest, CaptionNamesTheProgramAndItsAddress) {
  TForm1 form;
  EXPECT_TRUE(form.windowTitle().startsWith("ToneSentry | "));
}

}  // namespace
