#include "settings/location/SettingsModule.h"

#include <gtest/gtest.h>

#include "NonRegularFiles.h"
#include "TempFolder.h"
#include "platform/MainThread.h"
#include "platform/RecordingMessageBoxPresenter.h"
#include "settings/location/com_settings.h"
#include "settings/player/PlayerIni.h"
#include "settings/system/SystemIni.h"

class SettingsModule : public ::testing::Test {
 protected:
  void SetUp() override { InitMainThread(); }
  void TearDown() override { FinalizeSettingsModule(); }

  TempFolder folder;
  RecordingMessageBoxPresenter boxes;
};

TEST_F(SettingsModule, AUserSettingsFolderThatIsMissingOrNoFolderIsAnErrorAndNothingIsSetUp) {
  WriteTextFile(folder / "file", "not a folder");
  std::filesystem::create_symlink(folder / "gone", folder / "dangling");
  struct Case {
    std::string dir;
    std::string message;
  };
  const Case cases[] = {
      {folder / "missing", "settings folder " + folder / "missing" + " does not exist"},
      {folder / "missing/", "settings folder " + folder / "missing/" + " does not exist"},
      {folder / "file/below", "settings folder " + folder / "file/below" + " does not exist"},
      {folder / "dangling", "settings folder " + folder / "dangling" + " does not exist"},
      {folder / "file", "settings folder " + folder / "file" + " is not a folder"},
  };
  for (const Case& c : cases) {
    try {
      InitializeSettingsModule(c.dir);
      ADD_FAILURE() << c.dir << " was accepted";
    } catch (const ESettingsDirError& error) {
      EXPECT_EQ(error.what(), c.message);
    }
    EXPECT_EQ(PlayerIni, nullptr) << c.dir;
    EXPECT_EQ(SystemIni, nullptr) << c.dir;
    EXPECT_EQ(SettingsDir, "") << c.dir;
  }
  EXPECT_FALSE(std::filesystem::exists(folder / "missing"));
}

TEST_F(SettingsModule, ReadsTheSettingsFromAUserFolderAlsoThroughALink) {
  WriteTextFile(folder / "own/player.ini", "object TPlayerIni\r\n  DTMFChannelMode = 2\r\nend\r\n");
  std::filesystem::create_directory_symlink(folder / "own", folder / "link");
  for (const std::string& dir : {folder / "own", folder / "link/"}) {
    InitializeSettingsModule(dir);
    EXPECT_EQ(SettingsDir, folder / (dir.ends_with("/") ? "link/" : "own/"));
    ASSERT_NE(PlayerIni, nullptr);
    EXPECT_TRUE(PlayerIni->ReadSuccessful());
    EXPECT_EQ(PlayerIni->DTMFChannelMode(), 2);
    FinalizeSettingsModule();
  }
}

TEST_F(SettingsModule, StartsWithBuiltInValuesWhenTheSettingsFilesAreAFifoAndADevice) {
  TFifo fifo(folder / "player.ini");
  MakeEndlessDeviceLink(folder / "system.ini");
  InitializeSettingsModule(folder.Path());
  ASSERT_NE(PlayerIni, nullptr);
  ASSERT_NE(SystemIni, nullptr);
  EXPECT_FALSE(PlayerIni->ReadSuccessful());
  EXPECT_EQ(PlayerIni->ReadErrorText(),
            "Cannot open file \"" + folder / "player.ini" + "\". Not a regular file (a FIFO)");
  EXPECT_EQ(PlayerIni->DTMFChannelMode(), 0);
  EXPECT_FALSE(SystemIni->ReadSuccessful());
  EXPECT_EQ(SystemIni->ReadErrorText(),
            "Cannot open file \"" + folder / "system.ini" + "\". Not a regular file (a device)");
  EXPECT_TRUE(boxes.Boxes().empty());
}
