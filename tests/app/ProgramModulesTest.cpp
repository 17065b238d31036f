#include "app/ProgramModules.h"

#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/QtMainThreadBridge.h"
#include "app/Unit1.h"
#include "dtmf/qv_dtmf.h"
#include "settings/PlayerIni.h"
#include "settings/SystemIni.h"
#include "settings/com_settings.h"

namespace {

namespace fs = std::filesystem;

class ProgramStartUp : public testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("tonesentry-startup-" + std::to_string(getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  void WritePlayerIni(const std::string& lines) {
    std::ofstream(dir / "player.ini", std::ios::binary) << "object TPlayerIni\r\n" << lines << "end\r\n";
  }
  fs::path dir;
  TQtMainThreadBridge bridge;
};

TEST_F(ProgramStartUp, TheWindowShowsTheLevelAndChannelModeReadFromPlayerIni) {
  WritePlayerIni("  DTMFThreshold = 0.100000000000000000\r\n  DTMFChannelMode = 3\r\n");
  const TProgramModules modules(dir.string());
  EXPECT_EQ(SettingsDir, dir.string() + "/");
  ASSERT_TRUE(PlayerIni && SystemIni);
  EXPECT_TRUE(PlayerIni->ReadSuccessful());
  TForm1 form;
  form.show();
  EXPECT_EQ(form.cbDTMFChannelMode()->currentText(), "Left - Right (counterphase)");
  EXPECT_FLOAT_EQ(form.tbDTMFLev()->Value(), -20.0f);
}

TEST_F(ProgramStartUp, MissingSettingsGiveTheBuiltInValues) {
  const TProgramModules modules(dir.string());
  TForm1 form;
  form.show();
  EXPECT_EQ(form.cbDTMFChannelMode()->currentText(), "Left");
  EXPECT_FLOAT_EQ(form.tbDTMFLev()->Value(), -26.0f);
}

TEST_F(ProgramStartUp, ShutDownFreesTheSettingsAndClosingWithoutAFileIsHarmless) {
  {
    const TProgramModules modules(dir.string());
    TForm1 form;
    form.show();
    form.close();  // stops a worker that never ran
    EXPECT_EQ(CurrentToneSentry(), nullptr);
  }
  EXPECT_EQ(PlayerIni, nullptr);
  EXPECT_EQ(SystemIni, nullptr);
  EXPECT_TRUE(SettingsDir.empty());
}

}  // namespace
