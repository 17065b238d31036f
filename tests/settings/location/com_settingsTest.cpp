#include "settings/location/com_settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>

#include "TempFolder.h"
#include "audiolib/audiolib.h"

class SettingsLocation : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("XDG_CONFIG_HOME", (folder / "user").c_str(), 1);
    ::setenv("XDG_CONFIG_DIRS", (folder / "common").c_str(), 1);
    ProgramDir = folder / "program/";
    WriteTextFile(ProgramDir + "Presets/Rock/preset.txt", "preset");
    WriteTextFile(ProgramDir + "Style/Dark.qvstyle", "dark");
    WriteTextFile(ProgramDir + "Style/Light.qvstyle", "light");
    WriteTextFile(ProgramDir + "Style/Extra.qvstyle", "extra");
    WriteTextFile(ProgramDir + "Templates/report.html", "template");
    WriteTextFile(ProgramDir + "line.in", "line");
    WriteTextFile(ProgramDir + "textconversion-example.txt", "conversion");
  }
  void TearDown() override { FinalizeSettingsLocation(); }

  void WriteUid(const std::string& text) { WriteTextFile(ProgramDir + "uid.ini", text); }

  TempFolder folder;
};

TEST_F(SettingsLocation, PutsTheSettingsUnderThePerUserOrAllUsersFolderByTheAllusersKey) {
  struct Case {
    const char* uidIni;
    const char* under;
  };
  const Case cases[] = {
      {"[Settings]\nUID=7\nAllusers=A\n", "common"},
      {"[Settings]\nUID=7\nAllusers=a\n", "user"},
      {"[settings]\nuid=7\n", "user"},
      {"[Settings]\nUID=\"7\"\nAllusers=\"A\"\n", "common"},  // quotes are not part of the value
      {"[Settings]\nUID='7'\nAllusers='a'\n", "user"},
  };
  for (const Case& c : cases) {
    WriteUid(c.uidIni);
    InitSettingsDir("tonesentry");
    EXPECT_EQ(SettingsUID, "7");
    EXPECT_EQ(SettingsDir, folder / (std::string(c.under) + "/ToneSentry/Quaverlin_7/")) << c.uidIni;
  }
}

TEST_F(SettingsLocation, KeepsTheSettingsBesideTheProgramWithoutAnIdentifier) {
  for (const char* uidIni : {"", "[Settings]\nUID=\nAllusers=A\n", "[Other]\nUID=3\n"}) {
    WriteUid(uidIni);
    InitSettingsDir("tonesentry");
    EXPECT_EQ(SettingsUID, "");
    EXPECT_EQ(SettingsDir, ProgramDir);
  }
  std::filesystem::remove(ProgramDir + "uid.ini");
  InitSettingsDir("tonesentry");
  EXPECT_EQ(SettingsDir, ProgramDir);
  EXPECT_FALSE(std::filesystem::exists(folder / "user"));
  EXPECT_FALSE(std::filesystem::exists(folder / "common"));
}

TEST_F(SettingsLocation, LeavesEverythingEmptyForTheSpecialExecutableName) {
  WriteUid("[Settings]\nUID=7\n");
  for (const char* name : {"BEAMORA.EXE", "beamora", "Beamora.exe"}) {
    InitSettingsDir(name);
    EXPECT_EQ(SettingsDir, "") << name;
    EXPECT_EQ(SettingsUID, "") << name;
  }
  InitSettingsDir("beamora.exe.old");
  EXPECT_EQ(SettingsUID, "7");
}

TEST_F(SettingsLocation, SeedsANewSettingsFolderFromTheProgramFolder) {
  WriteUid("[Settings]\nUID=7\n");
  InitSettingsDir("tonesentry");
  for (const char* sub : {"Profile", "Log", "Voicetracks"}) {
    EXPECT_TRUE(std::filesystem::is_directory(SettingsDir + sub)) << sub;
  }
  EXPECT_EQ(ReadTextFile(SettingsDir + "Presets/Rock/preset.txt"), "preset");
  EXPECT_EQ(ReadTextFile(SettingsDir + "Style/Extra.qvstyle"), "extra");
  EXPECT_EQ(ReadTextFile(SettingsDir + "Templates/report.html"), "template");
  EXPECT_EQ(ReadTextFile(SettingsDir + "line.in"), "line");
  EXPECT_FALSE(std::filesystem::exists(SettingsDir + "line2.in"));  // not shipped: silently skipped
  EXPECT_EQ(ReadTextFile(SettingsDir + "textconversion-example.txt"), "conversion");
  EXPECT_EQ(SettingsInitError, "");
}

TEST_F(SettingsLocation, OnTheNextStartRefreshesTheBuiltInStylesButKeepsPresetsAndTheUsersEdits) {
  WriteUid("[Settings]\nUID=7\n");
  InitSettingsDir("tonesentry");
  WriteTextFile(ProgramDir + "Presets/new.txt", "new preset");
  WriteTextFile(SettingsDir + "Style/Dark.qvstyle", "edited dark");
  WriteTextFile(SettingsDir + "Style/Extra.qvstyle", "edited extra");
  WriteTextFile(SettingsDir + "line.in", "edited line");
  WriteTextFile(SettingsDir + "Presets/Rock/preset.txt", "edited preset");

  InitSettingsDir("tonesentry");
  EXPECT_FALSE(std::filesystem::exists(SettingsDir + "Presets/new.txt"));
  EXPECT_EQ(ReadTextFile(SettingsDir + "Style/Dark.qvstyle"), "dark");
  EXPECT_EQ(ReadTextFile(SettingsDir + "Style/Extra.qvstyle"), "edited extra");
  EXPECT_EQ(ReadTextFile(SettingsDir + "line.in"), "edited line");
  EXPECT_EQ(ReadTextFile(SettingsDir + "Presets/Rock/preset.txt"), "edited preset");
  EXPECT_EQ(SettingsInitError, "");
}

TEST_F(SettingsLocation, KeepsOnlyTheLastCopyFailureAndGoesOn) {
  WriteUid("[Settings]\nUID=7\n");
  std::filesystem::create_symlink(folder / "nowhere", ProgramDir + "Presets/broken");
  InitSettingsDir("tonesentry");
  EXPECT_EQ(SettingsInitError, "Profile init error: Code 2. Cannot copy \"" + ProgramDir + "Presets/broken\" to \"" +
                                   SettingsDir + "Presets/broken\"");
  EXPECT_EQ(ReadTextFile(SettingsDir + "Templates/report.html"), "template");

  std::filesystem::create_symlink(folder / "nowhere", ProgramDir + "Templates/broken");
  InitSettingsDir("tonesentry");
  EXPECT_TRUE(SettingsInitError.starts_with("Init error: Code 2. Cannot copy \"" + ProgramDir + "Templates/broken\""));
}

TEST_F(SettingsLocation, AFolderGivenByTheUserIsUsedAsItIsAndTheUsualOneIsNeitherCreatedNorSeeded) {
  WriteUid("[Settings]\nUID=7\n");
  const std::string own = folder / "own";
  std::filesystem::create_directory(own);
  InitSettingsLocation(ProgramDir + "tonesentry", own);
  EXPECT_EQ(ProgramDir, folder / "program/");
  EXPECT_EQ(SettingsDir, own + "/");
  EXPECT_EQ(SettingsUID, "");
  EXPECT_EQ(RunIniPath, own + "/Profile/run.ini");
  EXPECT_FALSE(std::filesystem::exists(folder / "user"));
  EXPECT_TRUE(std::filesystem::is_empty(own));

  // Without one, uid.ini decides and the new folder is seeded.
  InitSettingsLocation(ProgramDir + "tonesentry", "");
  EXPECT_EQ(SettingsDir, folder / "user/ToneSentry/Quaverlin_7/");
  EXPECT_EQ(ReadTextFile(SettingsDir + "line.in"), "line");
}

TEST_F(SettingsLocation, DerivesTheProfilePaths) {
  SettingsDir = "/s/";
  InitProfilePaths();
  EXPECT_EQ(RunIniPath, "/s/Profile/run.ini");
  EXPECT_EQ(LastProfileIniPath, "/s/Profile/lastprofile.ini");
  EXPECT_EQ(ResumePlaybackIniPath, "/s/Profile/resumeplayback.ini");
}

TEST_F(SettingsLocation, ResolvesFolderSettingsRelativeToTheSettingsFolder) {
  SettingsDir = "/home/u/.config/ToneSentry/Quaverlin_7/";
  struct Case {
    const char* value;
    std::string expected;
  };
  const Case cases[] = {
      {"\\VoiceTracks\\", SettingsDir + "VoiceTracks"},
      {"\\Voice\\Tracks", SettingsDir + "Voice/Tracks"},
      {"/VoiceTracks/", "/VoiceTracks"},  // an absolute Linux path
      {"/srv/jingles", "/srv/jingles"},
      {"/", "/"},
      {"\\\\server\\share\\", "\\\\server\\share"},
      {"\\\\server\\share", "\\\\server\\share"},
      {"D:\\Jingles\\", "D:\\Jingles"},
      {"//server/share/", "//server/share"},
      {"\\", ""},
      {"", ""},
      {"plain", "plain"},
  };
  for (const Case& c : cases) EXPECT_EQ(ResolveSettingsRelativeDir(c.value), c.expected) << c.value;
}

TEST_F(SettingsLocation, LoadsTheMessageTableAndTurnsTabsIntoLineBreaks) {
  MessageTable.fill("built-in");
  WriteTextFile(LangIniPath("De"), "[Strings]\ns0='Hallo'\ns1=Zeile eins\tZeile zwei\ns75=last\ns76=ignored\n");
  LoadMessageTable(LangIniPath("De"));
  EXPECT_EQ(MessageTable[0], "Hallo");
  EXPECT_EQ(MessageTable[1], "Zeile eins\r\nZeile zwei");
  EXPECT_EQ(MessageTable[2], "built-in");
  EXPECT_EQ(MessageTable[75], "last");

  MessageTable.fill("a\tb");
  LoadMessageTable(LangIniPath("Missing"));
  EXPECT_EQ(MessageTable[5], "a\r\nb");
}

TEST_F(SettingsLocation, FinishesStartUpWithWindowPositionsWeekStartAndTheUserAgent) {
  SettingsDir = folder / "settings/";
  InitSettingsEnvironment("En", "Quaverlin caf\xC3\xA9");
  EXPECT_EQ(WindowPosIniPath, folder / "settings/windowpos.ini");
  EXPECT_EQ(StreamUserAgentAnsi, "Quaverlin caf\xE9");
  const char* agent = static_cast<const char*>(BASS_GetConfigPtr(BASS_CONFIG_NET_AGENT));
  ASSERT_NE(agent, nullptr);
  EXPECT_EQ(std::string(agent), "Quaverlin caf\xE9");
}

TEST_F(SettingsLocation, TellsTheLocalDateAndTimeAsDaysSince1899) {
  std::time_t now = std::time(nullptr);
  std::tm local {};
  localtime_r(&now, &local);
  TDateTime clock = CurrentClockTime();
  double secondsOfDay = (clock - std::floor(clock)) * 86400.0;
  double expected = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec;
  EXPECT_NEAR(std::fmod(secondsOfDay - expected + 86400.0 + 43200.0, 86400.0) - 43200.0, 0.0, 2.0);
  EXPECT_GT(clock, 45000.0);  // after 2023
}
