#include "app/ProgramModules.h"

#include <QTest>
#include <gtest/gtest.h>

#include <fstream>

#include "AudioFixtures.h"
#include "app/QtMainThreadBridge.h"
#include "app/Unit1.h"
#include "dtmf/qv_dtmf.h"
#include "runtime/MsgThread.h"
#include "settings/player/PlayerIni.h"
#include "settings/system/SystemIni.h"
#include "settings/location/com_settings.h"

namespace {

class ProgramStartUp : public testing::Test {
 protected:
  void WritePlayerIni(const std::string& lines) {
    std::ofstream(dir / "player.ini", std::ios::binary) << "object TPlayerIni\r\n" << lines << "end\r\n";
  }
  audiofixtures::TempDir dir;
  TQtMainThreadBridge bridge;
};

TEST_F(ProgramStartUp, TheWindowShowsTheLevelAndChannelModeReadFromPlayerIni) {
  WritePlayerIni("  DTMFThreshold = 0.100000000000000000\r\n  DTMFChannelMode = 3\r\n");
  const TProgramModules modules(dir.path().string());
  EXPECT_EQ(SettingsDir, dir.path().string() + "/");
  ASSERT_TRUE(PlayerIni && SystemIni);
  EXPECT_TRUE(PlayerIni->ReadSuccessful());
  TForm1 form;
  form.show();
  EXPECT_EQ(form.cbDTMFChannelMode()->currentText(), "Left - Right (counterphase)");
  EXPECT_FLOAT_EQ(form.tbDTMFLev()->Value(), -20.0f);
}

TEST_F(ProgramStartUp, MissingSettingsGiveTheBuiltInValues) {
  const TProgramModules modules(dir.path().string());
  TForm1 form;
  form.show();
  EXPECT_EQ(form.cbDTMFChannelMode()->currentText(), "Left");
  EXPECT_FLOAT_EQ(form.tbDTMFLev()->Value(), -26.0f);
}

TEST_F(ProgramStartUp, ShutDownFreesTheSettingsAndTheMessageThreadAndClosingWithoutAFileIsHarmless) {
  {
    const TProgramModules modules(dir.path().string());
    ASSERT_TRUE(MsgThread);
    EXPECT_TRUE(MsgThread->Started());
    TForm1 form;
    form.show();
    form.close();  // stops a worker that never ran
    EXPECT_EQ(CurrentToneSentry(), nullptr);
  }
  EXPECT_EQ(PlayerIni, nullptr);
  EXPECT_EQ(SystemIni, nullptr);
  EXPECT_EQ(MsgThread, nullptr);
  EXPECT_TRUE(SettingsDir.empty());
}

}  // namespace
