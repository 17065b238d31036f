#include "settings/player/PlayerIni.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "TempFolder.h"
#include "platform/MainThread.h"
#include "platform/RecordingMessageBoxPresenter.h"
#include "settings/format/ObjectWriter.h"
#include "settings/format/PropInfo.h"
#include "settings/location/com_settings.h"
#include "settings/format/px_utils.h"

namespace {

// The folder the golden file was written for (it shows in SAPath) and the UID it holds.
const std::string kGoldenSettingsDir = "/home/user/.config/ToneSentry/Quaverlin_demo/";
constexpr int32_t kGoldenUID = 4711;

std::string GoldenText() { return ReadTextFile(std::string(GOLDEN_DIR) + "player.ini"); }

std::string Text(TPlayerIni& settings) { return ComponentToText(settings); }

// A fresh instance with the file text "object TPlayerIni <lines> end" read into it.
std::unique_ptr<TPlayerIni> ReadLines(const std::string& lines) {
  auto settings = std::make_unique<TPlayerIni>();
  LoadComponentFromText(*settings, "object TPlayerIni\r\n" + lines + "\r\nend\r\n");
  return settings;
}

// Moves the property away from its current value, whatever its kind.
void ChangeProperty(TPersistent& object, const TPropInfo& prop) {
  switch (prop.Kind()) {
    case TPropKind::Boolean: prop.SetOrdinal(object, !prop.GetOrdinal(object)); break;
    case TPropKind::Enumeration: {
      int64_t count = static_cast<int64_t>(prop.EnumNames().size());
      prop.SetOrdinal(object, (prop.GetOrdinal(object) + 1) % count);
      break;
    }
    case TPropKind::Integer: prop.SetOrdinal(object, prop.GetOrdinal(object) + 1); break;
    case TPropKind::Double: prop.SetFloat(object, prop.GetFloat(object) + 0.25); break;
    case TPropKind::String: prop.SetString(object, prop.GetString(object) + "x'\xC3\xA9"); break;
    case TPropKind::StringList: prop.StringList(object).Add("added"); break;
    case TPropKind::Collection: prop.Collection(object).AddItem(); break;
    default: FAIL() << prop.Name() << " has a kind the player settings do not use";
  }
}

// The property's value as comparable text (collections by their item count).
std::string ValueText(TPersistent& object, const TPropInfo& prop) {
  switch (prop.Kind()) {
    case TPropKind::Double: return std::to_string(prop.GetFloat(object));
    case TPropKind::String: return prop.GetString(object);
    case TPropKind::StringList: return std::to_string(prop.StringList(object).Count());
    case TPropKind::Collection: return std::to_string(prop.Collection(object).Count());
    default: return std::to_string(prop.GetOrdinal(object));
  }
}

}  // namespace

class PlayerIniTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitMainThread();
    FSavedSettingsDir = SettingsDir;
    SettingsDir = folder.Path();
  }
  void TearDown() override { SettingsDir = FSavedSettingsDir; }

  TempFolder folder;
  RecordingMessageBoxPresenter boxes;

 private:
  std::string FSavedSettingsDir;
};

TEST_F(PlayerIniTest, SavesAFreshInstanceAsTheGoldenFileAndReadsItBackUnchanged) {
  SettingsDir = kGoldenSettingsDir;
  TPlayerIni fresh;
  fresh.SetUID(kGoldenUID);
  SettingsDir = folder.Path();

  fresh.Save();
  EXPECT_EQ(ReadTextFile(folder / "player.ini"), GoldenText());
  EXPECT_EQ(ReadTextFile(folder / "player.ini.bak"), GoldenText());

  TPlayerIni read;
  read.Read();
  EXPECT_TRUE(read.ReadSuccessful());
  EXPECT_EQ(read.UID(), kGoldenUID);
  EXPECT_EQ(read.SAPath(), kGoldenSettingsDir + "Stream Archive/%y%m%d_%t");
  EXPECT_EQ(Text(read), GoldenText());
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(PlayerIniTest, PublishesTheNamedPropertiesEachOnItsOwnField) {
  TPlayerIni settings;
  const std::vector<TPropInfo>& props = settings.Published().Items();
  ASSERT_EQ(props.size(), 234u);
  EXPECT_EQ(props[2].Name(), "bEnableBroadcast");
  EXPECT_EQ(props[21].Name(), "NetBuffer");
  EXPECT_EQ(props[57].Name(), "PauseFadeOut");
  EXPECT_EQ(props.back().Name(), "WeatherValidPeriod");

  std::set<std::string> names;
  for (const TPropInfo& prop : props) EXPECT_TRUE(names.insert(prop.Name()).second) << prop.Name() << " twice";

  // Changing one property (Name takes identifiers only) must leave every other one as it was.
  for (size_t changed = 1; changed < props.size(); ++changed) {
    TPlayerIni reference;
    TPlayerIni object;
    object.SetUID(reference.UID());
    ChangeProperty(object, props[changed]);
    EXPECT_NE(ValueText(object, props[changed]), ValueText(reference, props[changed])) << props[changed].Name();
    for (size_t other = 0; other < props.size(); ++other) {
      if (other == changed) continue;
      EXPECT_EQ(ValueText(object, props[other]), ValueText(reference, props[other]))
          << props[other].Name() << " changed with " << props[changed].Name();
    }
  }
}

TEST_F(PlayerIniTest, ReadsBackEveryPropertyChangedFromItsConstructorValue) {
  TPlayerIni changed;
  for (const TPropInfo& prop : changed.Published().Items()) {
    if (prop.Name() != "Name") ChangeProperty(changed, prop);
  }
  changed.Save();
  std::string saved = ReadTextFile(folder / "player.ini");
  ASSERT_NE(saved.find("ArtworkSize = 351"), std::string::npos);
  ASSERT_NE(saved.find("UseEdgeBrowser = False"), std::string::npos);

  TPlayerIni read;
  read.Read();
  EXPECT_TRUE(read.ReadSuccessful());
  EXPECT_EQ(Text(read), saved);
  EXPECT_EQ(read.DSPList().Count(), 3);
  EXPECT_EQ(read.ArtistSeparator().Strings(10), "added");
  EXPECT_EQ(read.DTMFChannelMode(), 1);
}

TEST_F(PlayerIniTest, WritesTheDTMFGroupAsTheDetectorExpects) {
  TPlayerIni fresh;
  std::string text = Text(fresh);
  EXPECT_EQ(text.find("DTMFDelay"), std::string::npos);
  EXPECT_NE(text.find("\r\n  DTMFThreshold = 0.050000000000000000\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\n  DTMFChannelMode = 0\r\n"), std::string::npos);

  auto read = ReadLines("DTMFThreshold = 0.1\r\nDTMFDelay = 0.25\r\nDTMFChannelMode = 3");
  EXPECT_DOUBLE_EQ(read->DTMFThreshold(), 0.1);
  EXPECT_DOUBLE_EQ(read->DTMFDelay(), 0.25);
  EXPECT_EQ(read->DTMFChannelMode(), 3);
  EXPECT_NE(Text(*read).find("\r\n  DTMFDelay = 0.250000000000000000\r\n"), std::string::npos);
}

TEST_F(PlayerIniTest, ClampsTrackListSelectTimeoutWhenAssignedAndWhenRead) {
  struct Case {
    int32_t given;
    int32_t kept;
  };
  for (Case c : {Case{-1, 750}, Case{-2147483647 - 1, 750}, Case{0, 0}, Case{750, 750}, Case{30000, 30000},
                 Case{30001, 30000}, Case{99999, 30000}}) {
    TPlayerIni assigned;
    assigned.SetTrackListSelectTimeout(c.given);
    EXPECT_EQ(assigned.TrackListSelectTimeout(), c.kept) << c.given;
    auto read = ReadLines("TrackListSelectTimeout = " + std::to_string(c.given));
    EXPECT_EQ(read->TrackListSelectTimeout(), c.kept) << c.given;
  }
}

TEST_F(PlayerIniTest, ADSPListFromTheFileReplacesTheConstructorItemsButAnEmptyOneKeepsThem) {
  TPlayerIni fresh;
  ASSERT_EQ(fresh.DSPList().Count(), 2);
  EXPECT_EQ(fresh.DSPList().Items(0).DispName(), "Equalizer");
  EXPECT_EQ(fresh.DSPList().Items(1).IntDSPKind(), TIntDSPKind::dspCompressor);
  EXPECT_EQ(fresh.MicDSPList().Count(), 0);

  auto one = ReadLines(
      "DSPList = <\r\n item\r\n T = dspPlugin\r\n Params.Strings = (\r\n 'gain=3')\r\n"
      " PluginPath = '/usr/lib/ladspa/amp.so'\r\n PluginType = ptVST\r\n State = psActive\r\n end>");
  ASSERT_EQ(one->DSPList().Count(), 1);
  const TDSPItemC& item = one->DSPList().Items(0);
  EXPECT_EQ(item.T(), TDSPType::dspPlugin);
  EXPECT_EQ(item.Params().Strings(0), "gain=3");
  EXPECT_EQ(item.PluginPath(), "/usr/lib/ladspa/amp.so");
  EXPECT_EQ(item.PluginType(), TPluginType::ptVST);
  EXPECT_EQ(item.State(), TPluginState::psActive);
  EXPECT_EQ(item.DispName(), "");

  auto empty = ReadLines("DSPList = <>\r\nMicDSPList = <>");
  ASSERT_EQ(empty->DSPList().Count(), 2);
  EXPECT_EQ(empty->DSPList().Items(1).DispName(), "Compressor");
  EXPECT_EQ(empty->MicDSPList().Count(), 0);
}

TEST_F(PlayerIniTest, AnIdentifierOutsideAnEnumerationKeepsThePreviousValueAndReadingGoesOn) {
  auto read = ReadLines(
      "EmailService = esWave\r\nCrossfadeCurve = csWave\r\nNowPlayingVis = visNone\r\n"
      "VisSource = vsInput4\r\nUseLPF = Maybe\r\nNetBuffer = 1234\r\n"
      "DSPList = <\r\n item\r\n T = dspOther\r\n IntDSPKind = dspGain\r\n end>");
  EXPECT_EQ(read->EmailService(), TEmailServiceType::esVendor);
  EXPECT_EQ(read->CrossfadeCurve(), TCrossfadeCurveShape::csParabolaDown);
  EXPECT_EQ(read->NowPlayingVis(), TNPVisMode::visNone);
  EXPECT_EQ(read->VisSource(), TNPVisSource::vsAudioMix);
  EXPECT_FALSE(read->UseLPF());
  EXPECT_EQ(read->NetBuffer(), 1234);
  ASSERT_EQ(read->DSPList().Count(), 1);
  EXPECT_EQ(read->DSPList().Items(0).T(), TDSPType::dspPlugin);
  EXPECT_EQ(read->DSPList().Items(0).IntDSPKind(), TIntDSPKind::dspGain);

  EXPECT_EQ(ReadLines("EmailService = esSMTP")->EmailService(), TEmailServiceType::esSMTP);
}

TEST_F(PlayerIniTest, WritesDeclaredDefaultsOnlyWhenTheValueDiffers) {
  TPlayerIni fresh;
  std::string text = Text(fresh);
  EXPECT_EQ(text.find("UseEdgeBrowser"), std::string::npos);
  EXPECT_EQ(text.find("ArtworkSize"), std::string::npos);
  EXPECT_NE(text.find("\r\n  StrNowPlayingEmpty = ''\r\n"), std::string::npos);

  auto read = ReadLines("UseEdgeBrowser = False\r\nHTTPReq = <\r\n item\r\n Name = 'now'\r\n end\r\n"
                        " item\r\n Enabled = False\r\n end>");
  EXPECT_FALSE(read->UseEdgeBrowser());
  ASSERT_EQ(read->HTTPReq().Count(), 2);
  EXPECT_TRUE(read->HTTPReq().Items(0).Enabled());
  EXPECT_EQ(read->HTTPReq().Items(0).RequestType(), "GET");
  EXPECT_FALSE(read->HTTPReq().Items(1).Enabled());
  std::string written = Text(*read);
  EXPECT_NE(written.find("\r\n  UseEdgeBrowser = False\r\n"), std::string::npos);
  EXPECT_NE(written.find("      Name = 'now'\r\n      HttpEncoding = 0\r\n"), std::string::npos);
  EXPECT_NE(written.find("      Enabled = False\r\n"), std::string::npos);
  EXPECT_EQ(read->StrNowPlayingEmpty(), "");
}

TEST_F(PlayerIniTest, DrawsARandomUIDThatAFileReplaces) {
  std::set<int32_t> drawn;
  for (int i = 0; i < 20; ++i) {
    TPlayerIni fresh;
    EXPECT_GE(fresh.UID(), 0);
    EXPECT_LE(fresh.UID(), 99999);
    drawn.insert(fresh.UID());
  }
  EXPECT_GT(drawn.size(), 1u);
  EXPECT_EQ(ReadLines("UID = 123")->UID(), 123);
}

TEST_F(PlayerIniTest, SaveReportsAFailureUnderTheFileNameAndKeepsTheBackup) {
  WriteTextFile(folder / "player.ini.bak", "backup");
  std::filesystem::create_directory(folder / "player.ini");  // cannot be replaced by a file
  TPlayerIni settings;
  settings.Save();
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_TRUE(boxes.Boxes()[0].text.starts_with("Error saving file (player.ini): ")) << boxes.Boxes()[0].text;
  EXPECT_EQ(boxes.Boxes()[0].caption, "Error");
  EXPECT_EQ(ReadTextFile(folder / "player.ini.bak"), "backup");
}
