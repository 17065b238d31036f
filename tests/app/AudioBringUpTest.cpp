// The window brings the audio engine up from the system settings when it is created and frees it
// when it goes, after the DTMF analysis has stopped; on a machine without sound it does so quietly.
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "AudioFixtures.h"
#include "VirtualDeviceList.h"
#include "app/QtMainThreadBridge.h"
#include "app/Unit1.h"
#include "audio/Audio.h"
#include "audiolib/audiolib.h"
#include "dtmf/qv_dtmf.h"
#include "platform/RecordingMessageBoxPresenter.h"
#include "settings/player/PlayerIni.h"
#include "settings/system/SystemIni.h"

namespace {

class AudioBringUpTest : public testing::Test {
 protected:
  void SetUp() override {
    bridge_ = std::make_unique<TQtMainThreadBridge>();
    PlayerIni = std::make_unique<TPlayerIni>();
    SystemIni = std::make_unique<TSystemIni>();
    InitializeDtmfModule();
  }
  void TearDown() override {
    FinalizeDtmfModule();
    SystemIni.reset();
    PlayerIni.reset();
    bridge_.reset();
  }

  std::unique_ptr<TQtMainThreadBridge> bridge_;
  audiofixtures::TempDir dir_;
};

TEST_F(AudioBringUpTest, TheWindowOwnsAnEngineBuiltFromTheSystemSettingsAndStartsQuietlyWithoutSound) {
  VirtualDeviceList noDevices("");  // no sound card, no configured output
  RecordingMessageBoxPresenter boxes;
  SystemIni->SetMixerFreq(44100);
  auto form = std::make_unique<TForm1>();
  form->show();
  ASSERT_NE(Audio.load(), nullptr);
  EXPECT_EQ(&Audio.load()->SystemIni(), SystemIni.get());
  EXPECT_NE(Audio.load()->Wnd(), 0u);
  EXPECT_EQ(Audio.load()->MainMixer(), 0u) << "the window brings up no mixer and no output";
  EXPECT_TRUE(Audio.load()->GetOutputs().empty());
  QTest::qWait(100);
  form.reset();
  EXPECT_EQ(Audio.load(), nullptr);
  EXPECT_TRUE(boxes.Boxes().empty()) << boxes.Boxes()[0].text;
}

// A file long enough that its analysis is still running when the window goes (nothing serves the
// event loop between opening and closing, so the decoding has not got far).
TEST_F(AudioBringUpTest, TheAnalysisStopsBeforeTheEngineIsFreedWithOrWithoutAClose) {
  audiofixtures::WriteWav(dir_ / "long.wav", audiofixtures::Sine(697, 0.5, 44100, 44100 * 60), 44100, 1, 16);
  for (const bool closeFirst : {true, false}) {
    SCOPED_TRACE(closeFirst ? "closed, then destroyed" : "destroyed");
    auto form = std::make_unique<TForm1>();
    form->show();
    ASSERT_TRUE(form->OpenFile(QString::fromStdString((dir_ / "long.wav").string())));
    ASSERT_TRUE(form->Analysing());
    ASSERT_NE(CurrentToneSentry(), nullptr);
    if (closeFirst) {
      form->close();
      EXPECT_EQ(CurrentToneSentry(), nullptr) << "closing stops the worker";
      EXPECT_NE(Audio.load(), nullptr) << "the engine lives as long as the window";
    }
    form.reset();
    EXPECT_EQ(CurrentToneSentry(), nullptr);
    EXPECT_EQ(Audio.load(), nullptr);
  }
}

}  // namespace
