#include "settings/player/ProfileSettings.h"

#include <gtest/gtest.h>

#include <string>

#include "TempFolder.h"
#include "settings/format/ObjectWriter.h"
#include "settings/format/px_utils.h"

namespace {

struct Flag {
  const char* name;
  bool (TProfileSettings::*get)() const;
  void (TProfileSettings::*set)(bool);
  bool initial;
};

const Flag kFlags[] = {
    {"DoNotCrossfadeShortTracks", &TProfileSettings::DoNotCrossfadeShortTracks,
     &TProfileSettings::SetDoNotCrossfadeShortTracks, false},
    {"CutSilence", &TProfileSettings::CutSilence, &TProfileSettings::SetCutSilence, true},
    {"HideStreamURL", &TProfileSettings::HideStreamURL, &TProfileSettings::SetHideStreamURL, true},
    {"IncludeStreamNameInTitle", &TProfileSettings::IncludeStreamNameInTitle,
     &TProfileSettings::SetIncludeStreamNameInTitle, false},
    {"AutoRemoveStop", &TProfileSettings::AutoRemoveStop, &TProfileSettings::SetAutoRemoveStop, false},
    {"Break1", &TProfileSettings::Break1, &TProfileSettings::SetBreak1, false},
};

}  // namespace

TEST(ProfileSettings, StartsWithItsInitialValues) {
  TProfileSettings settings;
  for (const Flag& flag : kFlags) EXPECT_EQ((settings.*flag.get)(), flag.initial) << flag.name;
  EXPECT_EQ(settings.ShortTrackDuration(), 45);
  EXPECT_EQ(settings.Name(), "");
  EXPECT_EQ(settings.Tag(), 0);
}

TEST(ProfileSettings, WritesEveryPropertyOfAFreshObjectInDeclarationOrder) {
  TProfileSettings settings;
  EXPECT_EQ(ComponentToText(settings),
            "object TProfileSettings\r\n"
            "  DoNotCrossfadeShortTracks = False\r\n"
            "  ShortTrackDuration = 45\r\n"
            "  CutSilence = True\r\n"
            "  HideStreamURL = True\r\n"
            "  IncludeStreamNameInTitle = False\r\n"
            "  AutoRemoveStop = False\r\n"
            "  Break1 = False\r\n"
            "end\r\n");
}

TEST(ProfileSettings, ReadsBackEveryChangedPropertyFromItsFile) {
  TempFolder folder;
  TProfileSettings saved;
  for (const Flag& flag : kFlags) (saved.*flag.set)(!flag.initial);
  saved.SetShortTrackDuration(-30);
  saved.SetTag(7);
  SaveComponentToFile(saved, folder / "profile.ini");

  TProfileSettings read;
  LoadComponentFromFile(read, folder / "profile.ini");

  for (const Flag& flag : kFlags) EXPECT_EQ((read.*flag.get)(), !flag.initial) << flag.name;
  EXPECT_EQ(read.ShortTrackDuration(), -30);
  EXPECT_EQ(read.Tag(), 7);
}

TEST(ProfileSettings, KeepsItsInitialValuesForWhatAHandEditedFileLeavesOut) {
  TProfileSettings settings;
  LoadComponentFromText(settings,
                        "OBJECT TProfileSettings\r\n"
                        "  hidestreamurl = False\r\n"
                        "  NoSuchSwitch = True\r\n"
                        "  Break1 = True\r\n"
                        "END\r\n");
  EXPECT_FALSE(settings.HideStreamURL());
  EXPECT_TRUE(settings.Break1());
  EXPECT_TRUE(settings.CutSilence());
  EXPECT_EQ(settings.ShortTrackDuration(), 45);
}
