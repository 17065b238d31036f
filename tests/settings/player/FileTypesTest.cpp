#include "settings/player/FileTypes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "settings/format/InvalidCast.h"
#include "settings/format/ObjectWriter.h"
#include "settings/format/PropInfo.h"
#include "settings/player/ProfileSettings.h"
#include "settings/format/px_utils.h"

namespace {

constexpr TColor kRed = 0x0000FF;   // named clRed
constexpr TColor kLime = 0x00FF00;  // named clLime

// A profile-like host: the file types are written as one collection property of a component.
class TFileTypesHost : public TComponent {
 public:
  std::string ClassName() const override { return "TFileTypesHost"; }
  const TPropList& Published() const override {
    static const TPropList props(TComponent::ClassProperties(),
                                 {Prop::Collection("FileTypes", &TFileTypesHost::FileTypes)});
    return props;
  }
  TFileTypesArray FileTypes;
};

// Every published property's value as text; floats to the 16 significant digits a file keeps.
std::map<std::string, std::string> PublishedValues(TPersistent& object) {
  std::map<std::string, std::string> values;
  for (const TPropInfo& prop : object.Published().Items()) {
    std::string text;
    switch (prop.Kind()) {
      case TPropKind::Double:
      case TPropKind::Single: {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.15e", prop.GetFloat(object));
        text = buffer;
        break;
      }
      case TPropKind::String: text = prop.GetString(object); break;
      case TPropKind::StringList: {
        const TStringList& list = prop.StringList(object);
        text = std::to_string(list.Count()) + ":";
        for (int i = 0; i < list.Count(); ++i) text += "[" + list.Strings(i) + "]";
        break;
      }
      default: text = std::to_string(prop.GetOrdinal(object)); break;
    }
    values[prop.Name()] = text;
  }
  return values;
}

std::vector<std::string> PublishedNames(const TPersistent& object) {
  std::vector<std::string> names;
  for (const TPropInfo& prop : object.Published().Items()) names.push_back(prop.Name());
  return names;
}

// Sets every property of a file type; even variants move each one away from its initial value,
// and an even and an odd variant differ in every property.
void FillEveryProperty(TPlFileType& type, int variant) {
  std::string v = std::to_string(variant);
  bool on = variant % 2 == 0;
  type.SetName("Jingle " + v);
  type.SetId("J" + v);
  type.SetColor(variant == 0 ? kRed : kLime);
  type.SetBackColor(0x123456 + variant);
  type.SetAmp(-3 - variant);
  type.SetMix(1.5f + static_cast<float>(variant));
  type.SetFadeOut(0.1f * static_cast<float>(variant + 1));
  type.SetFadeIn(2.25f + static_cast<float>(variant));
  type.SetIsMix(on);
  type.SetIsFadeOut(on);
  type.SetIsFadeIn(on);
  type.SetDoNotSendTitle(on);
  type.SetIncludeInReport(!on);
  type.SetMixPointDetect(on);
  type.SetMixPointThreshold(0.0177827941 * (variant + 1));
  type.SetStartFadeoutOnMix(on);
  type.SetDoNotMix(on);
  type.SetOverrideMix(3.75f + static_cast<float>(variant));
  type.SetCustomTitleFormat(on);
  type.SetCustomTitleFormatStr("%artist% – it's %title% " + v);
  type.SetVoiceTrack(on);
  type.SetUseBed(on);
  type.SetBedFilename("/beds/a" + v + ".wav\r\n/beds/b.wav");
  type.SetBedLevel(-12 - variant);
  type.SetSkipAfterScheduled(on);
  type.SetSkipAfterFileTypes(on);
  type.SkipFTList().Add("Music" + v);
  type.SkipFTList().Add("Ads");
  type.SetSkipBeforeFileTypes(on);
  type.SkipBeforeFTList().Add("News" + v);
  type.SetDoNotUpdatePlaycount(on);
  type.SetIdentSearch(2 + variant);
  type.SetFileTypeFolders("/music/jingles" + v + "/");
  type.SetNoDSP(on);
}

}  // namespace

TEST(PlFileType, PublishesItsPropertiesInDeclarationOrder) {
  TFileTypesArray types;
  EXPECT_EQ(PublishedNames(types.Add()),
            (std::vector<std::string>{
                "Name", "Id", "Color", "BackColor", "Amp", "Mix", "FadeOut", "FadeIn", "IsMix", "IsFadeOut",
                "IsFadeIn", "DoNotSendTitle", "IncludeInReport", "MixPointDetect", "MixPointThreshold",
                "StartFadeoutOnMix", "DoNotMix", "OverrideMix", "CustomTitleFormat", "CustomTitleFormatStr",
                "VoiceTrack", "UseBed", "BedFilename", "BedLevel", "SkipAfterScheduled", "SkipAfterFileTypes",
                "SkipFTList", "SkipBeforeFileTypes", "SkipBeforeFTList", "DoNotUpdatePlaycount", "IdentSearch",
                "FileTypeFolders", "NoDSP"}));
}

TEST(PlFileType, StartsWithItsInitialValues) {
  TFileTypesArray types;
  TPlFileType& type = types.Add();
  // Read through the published properties, so a field wired to the wrong name shows up as well.
  std::map<std::string, std::string> values = PublishedValues(type);
  const std::string kZero = "0.000000000000000e+00";
  const std::map<std::string, std::string> expected = {
      {"Name", ""}, {"Id", ""}, {"Color", "536870911"}, {"BackColor", "536870911"}, {"Amp", "0"},
      {"Mix", kZero}, {"FadeOut", kZero}, {"FadeIn", kZero}, {"IsMix", "0"}, {"IsFadeOut", "0"},
      {"IsFadeIn", "0"}, {"DoNotSendTitle", "0"}, {"IncludeInReport", "1"}, {"MixPointDetect", "0"},
      {"StartFadeoutOnMix", "0"}, {"DoNotMix", "0"}, {"OverrideMix", kZero}, {"CustomTitleFormat", "0"},
      {"CustomTitleFormatStr", ""}, {"VoiceTrack", "0"}, {"UseBed", "0"}, {"BedFilename", ""},
      {"BedLevel", "0"}, {"SkipAfterScheduled", "0"}, {"SkipAfterFileTypes", "0"}, {"SkipFTList", "0:"},
      {"SkipBeforeFileTypes", "0"}, {"SkipBeforeFTList", "0:"}, {"DoNotUpdatePlaycount", "0"},
      {"IdentSearch", "0"}, {"FileTypeFolders", ""}, {"NoDSP", "0"}};
  for (const auto& [name, value] : expected) EXPECT_EQ(values.at(name), value) << name;
  EXPECT_EQ(values.size(), expected.size() + 1);  // + MixPointThreshold, checked as a number
  EXPECT_NEAR(type.MixPointThreshold(), 0.19953, 1e-5);
  EXPECT_DOUBLE_EQ(20 * std::log10(type.MixPointThreshold()), -14.0);
  EXPECT_FALSE(type.ICMix());
  EXPECT_FALSE(type.ICFadeOut());
}

TEST(PlFileType, LooksUpSkipListNamesIgnoringLetterCase) {
  TFileTypesArray types;
  TPlFileType& type = types.Add();
  type.SkipFTList().Add("Jingles");
  type.SkipBeforeFTList().Add("News");
  EXPECT_EQ(type.SkipFTList().IndexOf("JINGLES"), 0);
  EXPECT_EQ(type.SkipBeforeFTList().IndexOf("news"), 0);
}

TEST(PlFileType, NewFileTypeIsWrittenWithItsColoursReportSwitchAndThresholdButNoZeroTimes) {
  TFileTypesHost host;
  host.FileTypes.Add();
  EXPECT_EQ(ComponentToText(host),
            "object TFileTypesHost\r\n"
            "  FileTypes = <\r\n"
            "    item\r\n"
            "      Color = clNone\r\n"
            "      BackColor = clNone\r\n"
            "      Amp = 0\r\n"
            "      IsMix = False\r\n"
            "      IsFadeOut = False\r\n"
            "      IsFadeIn = False\r\n"
            "      DoNotSendTitle = False\r\n"
            "      IncludeInReport = True\r\n"
            "      MixPointDetect = False\r\n"
            "      MixPointThreshold = 0.199526231496888000\r\n"
            "      StartFadeoutOnMix = False\r\n"
            "      DoNotMix = False\r\n"
            "      CustomTitleFormat = False\r\n"
            "      VoiceTrack = False\r\n"
            "      UseBed = False\r\n"
            "      BedLevel = 0\r\n"
            "      SkipAfterScheduled = False\r\n"
            "      SkipAfterFileTypes = False\r\n"
            "      SkipBeforeFileTypes = False\r\n"
            "      DoNotUpdatePlaycount = False\r\n"
            "      IdentSearch = 0\r\n"
            "      NoDSP = False\r\n"
            "    end>\r\n"
            "end\r\n");
}

TEST(PlFileType, WritesAChangedFileTypeWithNamedAndPlainColoursListsAndLineBreaks) {
  TFileTypesHost host;
  TPlFileType& type = host.FileTypes.Add();
  type.SetName("Jingle");
  type.SetColor(kRed);
  type.SetBackColor(0x123456);
  type.SetMix(0.1f);
  type.SetBedFilename("a.wav\r\nb.wav");
  type.SkipFTList().Add("Ads");
  std::string text = ComponentToText(host);
  for (const char* line : {"      Name = 'Jingle'\r\n", "      Color = clRed\r\n", "      BackColor = 1193046\r\n",
                           "      Mix = 0.100000001490116100\r\n", "      BedFilename = 'a.wav'#13#10'b.wav'\r\n",
                           "      SkipFTList.Strings = (\r\n        'Ads')\r\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
}

TEST(PlFileType, ReadsBackEveryPropertyOfEveryItemFromItsFile) {
  TempFolder folder;
  TFileTypesHost saved;
  FillEveryProperty(saved.FileTypes.Add(), 0);
  FillEveryProperty(saved.FileTypes.Add(), 1);
  saved.FileTypes.Add();  // a fresh one in between changed ones keeps its own values
  SaveComponentToFile(saved, folder / "profile.ini");

  TFileTypesHost read;
  read.FileTypes.Add().SetName("constructor item, replaced by the file's");
  LoadComponentFromFile(read, folder / "profile.ini");

  ASSERT_EQ(read.FileTypes.Count(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(PublishedValues(read.FileTypes.Items(i)), PublishedValues(saved.FileTypes.Items(i))) << "item " << i;
  }
  EXPECT_EQ(ComponentToText(read), ComponentToText(saved));
}

TEST(PlFileType, AssignToCopiesThePlayingRulesAndKeepsTheDestinationsIdentity) {
  TFileTypesArray types;
  TPlFileType& source = types.Add();
  TPlFileType& destination = types.Add();
  FillEveryProperty(source, 0);
  FillEveryProperty(destination, 1);
  std::map<std::string, std::string> from = PublishedValues(source);
  std::map<std::string, std::string> before = PublishedValues(destination);

  source.AssignTo(destination);

  const std::set<std::string> copied = {
      "Amp", "Mix", "FadeOut", "FadeIn", "IsMix", "IsFadeOut", "IsFadeIn", "DoNotSendTitle", "IncludeInReport",
      "MixPointDetect", "StartFadeoutOnMix", "DoNotMix", "OverrideMix", "CustomTitleFormat", "CustomTitleFormatStr",
      "VoiceTrack", "UseBed", "BedFilename", "BedLevel", "SkipAfterScheduled", "SkipAfterFileTypes", "SkipFTList",
      "IdentSearch", "FileTypeFolders"};
  const std::set<std::string> kept = {"Name", "Id", "Color", "BackColor", "MixPointThreshold", "SkipBeforeFileTypes",
                                      "SkipBeforeFTList", "DoNotUpdatePlaycount", "NoDSP"};
  std::map<std::string, std::string> after = PublishedValues(destination);
  ASSERT_EQ(copied.size() + kept.size(), after.size());
  for (const auto& [name, value] : after) {
    if (copied.count(name)) {
      EXPECT_EQ(value, from.at(name)) << name << " is copied";
    } else {
      ASSERT_TRUE(kept.count(name)) << name;
      EXPECT_EQ(value, before.at(name)) << name << " is kept";
      // The two fills differ in every kept property, so "kept" cannot pass for "copied".
      EXPECT_NE(value, from.at(name)) << name;
    }
  }
  EXPECT_EQ(destination.Name(), "Jingle 1");
  EXPECT_FALSE(destination.NoDSP());
  EXPECT_EQ(source.Name(), "Jingle 0");  // the source is left alone
}

TEST(PlFileType, AssignToCopiesTheSkipListLinesOnly) {
  TFileTypesArray types;
  TPlFileType& source = types.Add();
  TPlFileType& destination = types.Add();
  source.SkipFTList().Add("Music");
  source.SkipFTList().Add("");
  destination.SkipFTList().Add("Old");
  destination.SkipFTList().Add("Older");
  destination.SkipFTList().Add("Oldest");

  source.AssignTo(destination);

  ASSERT_EQ(destination.SkipFTList().Count(), 2);
  EXPECT_EQ(destination.SkipFTList().Strings(0), "Music");
  EXPECT_EQ(destination.SkipFTList().Strings(1), "");
  EXPECT_FALSE(destination.SkipFTList().CaseSensitive());
}

TEST(PlFileType, AssignToItselfChangesNothing) {
  TFileTypesArray types;
  TPlFileType& type = types.Add();
  FillEveryProperty(type, 0);
  std::map<std::string, std::string> before = PublishedValues(type);
  type.AssignTo(type);
  EXPECT_EQ(PublishedValues(type), before);
}

TEST(PlFileType, AssignToAnotherKindOfObjectRaisesAnInvalidCast) {
  TFileTypesArray types;
  TPlFileType& type = types.Add();
  TProfileSettings other;
  EXPECT_THROW(type.AssignTo(other), EInvalidCast);
  try {
    type.AssignTo(other);
  } catch (const EInvalidCast& error) {
    EXPECT_STREQ(error.what(), "Invalid class typecast");
  }
  EXPECT_EQ(other.ShortTrackDuration(), 45);
}

TEST(FileTypesArray, AddsFileTypesInIndexOrder) {
  TFileTypesArray types;
  EXPECT_EQ(types.Count(), 0);
  for (const char* name : {"Default", "Music", "Jingles"}) types.Add().SetName(name);
  ASSERT_EQ(types.Count(), 3);
  EXPECT_EQ(types.Items(0).Name(), "Default");
  EXPECT_EQ(types.Items(2).Name(), "Jingles");
  EXPECT_EQ(&types.Items(1).Collection(), &types);
  types.Clear();
  EXPECT_EQ(types.Count(), 0);
}

TEST(FileTypesArray, WritingAnItemAssignsIntoTheExistingOne) {
  TFileTypesArray types;
  TFileTypesArray others;
  TPlFileType& target = types.Add();
  target.SetName("Music");
  target.SetNoDSP(true);
  TPlFileType& value = others.Add();
  FillEveryProperty(value, 3);
  value.SetNoDSP(false);

  types.SetItems(0, value);

  EXPECT_EQ(&types.Items(0), &target);
  EXPECT_EQ(target.Name(), "Music");
  EXPECT_TRUE(target.NoDSP());
  EXPECT_EQ(target.Amp(), value.Amp());
  EXPECT_EQ(target.FileTypeFolders(), value.FileTypeFolders());
  EXPECT_THROW(types.SetItems(1, value), std::out_of_range);
  EXPECT_THROW(types.SetItems(-1, value), std::out_of_range);
}
