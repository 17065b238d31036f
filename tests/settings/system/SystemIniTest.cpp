#include "settings/system/SystemIni.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "platform/Folders.h"
#include "platform/MainThread.h"
#include "platform/RecordingMessageBoxPresenter.h"
#include "settings/format/ObjectWriter.h"
#include "settings/format/PropInfo.h"
#include "settings/location/com_settings.h"
#include "settings/format/px_utils.h"

namespace {

// The plug-in folder of a standard installation, as the golden file shows it.
const std::string kGoldenVSTFolder = "/usr/lib/Steinberg/VstPlugins/";

std::string GoldenText() { return ReadTextFile(std::string(GOLDEN_DIR) + "system.ini"); }

// A fresh instance with the file text "object TSystemIni <lines> end" read into it.
std::unique_ptr<TSystemIni> ReadLines(const std::string& lines) {
  auto settings = std::make_unique<TSystemIni>();
  LoadComponentFromText(*settings, "object TSystemIni\r\n" + lines + "\r\nend\r\n");
  return settings;
}

// Moves the property away from its current value, whatever its kind; collection items are
// changed property by property and one item is added.
void ChangeProperty(TPersistent& object, const TPropInfo& prop);

void ChangeEveryProperty(TPersistent& object) {
  for (const TPropInfo& prop : object.Published().Items()) {
    if (prop.Name() != "Name") ChangeProperty(object, prop);
  }
}

void ChangeProperty(TPersistent& object, const TPropInfo& prop) {
  switch (prop.Kind()) {
    case TPropKind::Boolean: prop.SetOrdinal(object, !prop.GetOrdinal(object)); break;
    case TPropKind::Enumeration: {
      const auto count = static_cast<int64_t>(prop.EnumNames().size());
      prop.SetOrdinal(object, (prop.GetOrdinal(object) + 1) % count);
      break;
    }
    // Priority reads values from 3 up as 2, so Integers go down.
    case TPropKind::Integer: prop.SetOrdinal(object, prop.GetOrdinal(object) - 7); break;
    case TPropKind::Cardinal: prop.SetOrdinal(object, prop.GetOrdinal(object) + 1252); break;
    case TPropKind::Double:
    case TPropKind::Single: prop.SetFloat(object, prop.GetFloat(object) + 0.25); break;
    case TPropKind::String: prop.SetString(object, prop.GetString(object) + "x'\xC3\xA9"); break;
    case TPropKind::StringList: prop.StringList(object).Add("/opt/vst/"); break;
    case TPropKind::Collection: {
      TCollection& items = prop.Collection(object);
      for (int i = 0; i < items.Count(); ++i) ChangeEveryProperty(items.Item(i));
      items.AddItem();
      break;
    }
    default: FAIL() << prop.Name() << " has a kind the system settings do not use";
  }
}

// Every property value as text, items included ("OutputDevice[2].Method=1").
void ListValues(TPersistent& object, const std::string& prefix, std::vector<std::string>& out) {
  for (const TPropInfo& prop : object.Published().Items()) {
    const std::string name = prefix + prop.Name();
    switch (prop.Kind()) {
      case TPropKind::Double:
      case TPropKind::Single: out.push_back(name + "=" + std::to_string(prop.GetFloat(object))); break;
      case TPropKind::String: out.push_back(name + "=" + prop.GetString(object)); break;
      case TPropKind::StringList: {
        const TStringList& list = prop.StringList(object);
        for (int i = 0; i < list.Count(); ++i) {
          out.push_back(name + "[" + std::to_string(i) + "]=" + list.Strings(i));
        }
        break;
      }
      case TPropKind::Collection: {
        TCollection& items = prop.Collection(object);
        out.push_back(name + ".Count=" + std::to_string(items.Count()));
        for (int i = 0; i < items.Count(); ++i) {
          ListValues(items.Item(i), name + "[" + std::to_string(i) + "].", out);
        }
        break;
      }
      default: out.push_back(name + "=" + std::to_string(prop.GetOrdinal(object)));
    }
  }
}

std::vector<std::string> Values(TPersistent& object) {
  std::vector<std::string> out;
  ListValues(object, "", out);
  return out;
}

size_t Differences(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  if (a.size() != b.size()) return std::max(a.size(), b.size());
  size_t count = 0;
  for (size_t i = 0; i < a.size(); ++i) count += a[i] != b[i];
  return count;
}

std::vector<TOutputDevType> DevTypes(const TOutputDevicesList& outputs) {
  std::vector<TOutputDevType> types;
  for (int i = 0; i < outputs.Count(); ++i) types.push_back(outputs.Items(i).DevType());
  return types;
}

}  // namespace

class SystemIniTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitMainThread();
    FSavedProgramDir = ProgramDir;
    FSavedSettingsDir = SettingsDir;
    ProgramDir = folder / "program/";
    SettingsDir = folder / "settings/";
    std::filesystem::create_directories(ProgramDir);
    std::filesystem::create_directories(SettingsDir);
  }
  void TearDown() override {
    SystemIni.reset();
    ApplicationTag = 0;
    ProgramDir = FSavedProgramDir;
    SettingsDir = FSavedSettingsDir;
  }

  // A fresh instance with the machine's plug-in folder replaced by the golden file's.
  static std::unique_ptr<TSystemIni> FreshWithGoldenFolder() {
    auto settings = std::make_unique<TSystemIni>();
    settings->VSTFolder().Clear();
    settings->VSTFolder().Add(kGoldenVSTFolder);
    return settings;
  }

  TempFolder folder;
  RecordingMessageBoxPresenter boxes;

 private:
  std::string FSavedProgramDir;
  std::string FSavedSettingsDir;
};

TEST_F(SystemIniTest, SavesAFreshInstanceAsTheGoldenFileAndReadsItBackUnchanged) {
  const auto fresh = FreshWithGoldenFolder();
  fresh->Save();
  EXPECT_EQ(ReadTextFile(SettingsDir + "system.ini"), GoldenText());
  EXPECT_EQ(ReadTextFile(SettingsDir + "system.ini.bak"), GoldenText());

  // Loaded without Read's fix-ups, which would add two outputs.
  TSystemIni loaded;
  loaded.VSTFolder().Add("/replaced/by/the/file/");
  LoadComponentFromFile(loaded, SettingsDir + "system.ini");
  EXPECT_EQ(Values(loaded), Values(*fresh));
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(SystemIniTest, PublishesSixtyNinePropertiesEachOnItsOwnField) {
  TSystemIni reference;
  const std::vector<TPropInfo>& props = reference.Published().Items();
  ASSERT_EQ(props.size(), 69u);
  EXPECT_EQ(props[2].Name(), "AllowWinampPlugins");
  EXPECT_EQ(props[10].Name(), "Priority");
  EXPECT_EQ(props.back().Name(), "NormalizeType");
  std::set<std::string> names;
  for (const TPropInfo& prop : props) {
    EXPECT_TRUE(names.insert(prop.Name()).second) << prop.Name() << " twice";
  }

  // Changing one value (Name takes identifiers only; lists and collections have their own tests)
  // must leave every other one as it was.
  const std::vector<std::string> initial = Values(reference);
  for (const TPropInfo& prop : props) {
    const bool isList = prop.Kind() == TPropKind::Collection || prop.Kind() == TPropKind::StringList;
    if (prop.Name() == "Name" || isList) continue;
    TSystemIni object;
    ChangeProperty(object, prop);
    EXPECT_EQ(Differences(Values(object), initial), 1u) << prop.Name();
  }
}

TEST_F(SystemIniTest, PublishesEachDevicePropertyOnItsOwnField) {
  const auto check = [](auto itemOf) {
    TSystemIni reference;
    const std::vector<std::string> initial = Values(itemOf(reference));
    for (const TPropInfo& prop : itemOf(reference).Published().Items()) {
      TSystemIni object;
      ChangeProperty(itemOf(object), prop);
      EXPECT_EQ(Differences(Values(itemOf(object)), initial), 1u)
          << itemOf(object).ClassName() << "." << prop.Name();
    }
  };
  check([](TSystemIni& s) -> TPersistent& { return s.OutputDevice().Items(0); });
  check([](TSystemIni& s) -> TPersistent& { return s.Inputs().Items(0); });
  check([](TSystemIni& s) -> TPersistent& { return s.EQBands().Items(0); });
}

TEST_F(SystemIniTest, ReadsBackEveryPropertyChangedFromItsConstructorValue) {
  TSystemIni changed;
  ChangeEveryProperty(changed);
  changed.OutputDevice().Add();  // seven, so that Read adds none
  changed.Save();
  const std::string saved = ReadTextFile(SettingsDir + "system.ini");
  ASSERT_NE(saved.find("Bandwidth = 2.750000000000000000"), std::string::npos);
  ASSERT_NE(saved.find("Chan1 = -7"), std::string::npos) << "declared defaults are written once changed";

  TSystemIni read;
  read.Read();
  EXPECT_TRUE(read.ReadSuccessful());
  EXPECT_EQ(Values(read), Values(changed));
  EXPECT_EQ(read.OutputDevice().Count(), 7);
  EXPECT_EQ(read.Inputs().Count(), 5);
  EXPECT_EQ(read.AdditionalInfoStorage(), TAddInfoStorageType::aiMySQL);
  EXPECT_EQ(read.AnsiCodePage(), 1252u);
}

TEST_F(SystemIniTest, WithoutAFileReadAddsTwoDecodeOnlyOutputsToTheConstructorsFive) {
  TSystemIni settings;
  EXPECT_EQ(settings.OutputDevice().Count(), 5);
  settings.Read();
  EXPECT_TRUE(settings.ReadSuccessful());

  using enum TOutputDevType;
  EXPECT_EQ(DevTypes(settings.OutputDevice()),
            (std::vector{odMixer, odMixer, odRegular, odNotUsed, odNotUsed, odRegular, odRegular}));
  for (int i = 5; i < 7; ++i) {
    const TOutputDevice& added = settings.OutputDevice().Items(i);
    EXPECT_EQ(added.Method(), kMethodWasapi);
    EXPECT_EQ(added.DeviceID(), ":decode");
    EXPECT_EQ(added.BufSize(), 75);
    EXPECT_EQ(added.SampleFreq(), 48000);
    EXPECT_EQ(added.PrvMethod, -1);
  }
  ASSERT_EQ(settings.Inputs().Count(), 4);
  EXPECT_EQ(settings.Inputs().Items(0).Method(), -2);
  EXPECT_TRUE(settings.Inputs().Items(0).KeepAlive());
  EXPECT_TRUE(settings.Inputs().Items(3).Stereo());
}

TEST_F(SystemIniTest, FillsUpShortDeviceListsFromAFileAndKeepsTheConstructorsForEmptyOnes) {
  const std::string twoOutputsOneInput =
      "  OutputDevice = <\r\n"
      "    item\r\n      Method = 0\r\n      DeviceID = 'spk'\r\n    end\r\n"
      "    item\r\n      DevType = odNotUsed\r\n      Method = 2\r\n    end>\r\n"
      "  Inputs = <\r\n    item\r\n      Method = 1\r\n    end>";
  using enum TOutputDevType;
  const struct {
    const char* what;
    std::string lines;
    std::vector<TOutputDevType> devTypes;
    std::vector<int32_t> inputMethods;
  } cases[] = {
      {"short lists", twoOutputsOneInput,
       {odMixer, odNotUsed, odRegular, odRegular, odRegular, odRegular, odRegular}, {1, -1, -1, -1}},
      {"empty lists", "  OutputDevice = <>\r\n  Inputs = <>",
       {odMixer, odMixer, odRegular, odNotUsed, odNotUsed, odRegular, odRegular}, {-2, -1, -1, -1}},
  };
  for (const auto& c : cases) {
    WriteTextFile(SettingsDir + "system.ini", "object TSystemIni\r\n" + c.lines + "\r\nend\r\n");
    TSystemIni settings;
    settings.Read();
    EXPECT_TRUE(settings.ReadSuccessful()) << c.what;
    EXPECT_EQ(DevTypes(settings.OutputDevice()), c.devTypes) << c.what;
    std::vector<int32_t> inputMethods;
    for (int i = 0; i < settings.Inputs().Count(); ++i) {
      inputMethods.push_back(settings.Inputs().Items(i).Method());
    }
    EXPECT_EQ(inputMethods, c.inputMethods) << c.what;
  }
}

TEST_F(SystemIniTest, LeavesLongerDeviceListsAlone) {
  std::string items;
  for (int i = 0; i < 9; ++i) items += "    item\r\n      Method = " + std::to_string(i) + "\r\n    end\r\n";
  items.resize(items.size() - 2);
  WriteTextFile(SettingsDir + "system.ini",
                "object TSystemIni\r\n  OutputDevice = <\r\n" + items + ">\r\nend\r\n");
  TSystemIni settings;
  settings.Read();
  ASSERT_EQ(settings.OutputDevice().Count(), 9);
  EXPECT_EQ(settings.OutputDevice().Items(8).Method(), 8);
}

TEST_F(SystemIniTest, ReadsPriorityFromThreeUpAsNormal) {
  const struct {
    int32_t stored;
    int32_t read;
  } cases[] = {{5, 2}, {3, 2}, {2, 2}, {0, 0}, {-1, -1}};
  for (const auto& c : cases) {
    const auto settings = ReadLines("  Priority = " + std::to_string(c.stored));
    EXPECT_EQ(settings->Priority(), c.read) << c.stored;
    const std::string line = "  Priority = " + std::to_string(c.read) + "\r\n";
    EXPECT_NE(ComponentToText(*settings).find(line), std::string::npos)
        << "written as it reads, for " << c.stored;
  }
}

TEST_F(SystemIniTest, ResolvesTheLanguageFolderOnceFromSetupIni) {
  const auto makeLang = [&](const std::string& name) {
    std::filesystem::create_directories(ProgramDir + "Lang/" + name);
  };
  makeLang("De");
  makeLang("Fr");
  std::filesystem::create_directories(folder / "Escaped");
  const struct {
    const char* setupIni;  // null: no setup.ini
    const char* langDir;
  } cases[] = {
      {nullptr, "En"},
      {"[Setup]\nLanguage=De\n", "De"},
      {"[setup]\nlanguage = Fr\n", "Fr"},
      {"[Setup]\nLanguage=Es\n", "En"},              // no such folder
      {"[Other]\nLanguage=De\n", "En"},
      {"[Setup]\nLanguage=../../Escaped\n", "En"},   // not a folder under Lang/
      {"[Setup\nLanguage=De\n", "En"},               // damaged: the key is not in [Setup]
  };
  for (const auto& c : cases) {
    std::filesystem::remove(ProgramDir + "setup.ini");
    if (c.setupIni) WriteTextFile(ProgramDir + "setup.ini", c.setupIni);
    TSystemIni settings;
    EXPECT_EQ(settings.LangDir(), c.langDir) << (c.setupIni ? c.setupIni : "no setup.ini");
  }

  std::filesystem::remove(ProgramDir + "setup.ini");
  TSystemIni settings;
  EXPECT_EQ(settings.LangDir(), "En");
  WriteTextFile(ProgramDir + "setup.ini", "[Setup]\nLanguage=De\n");
  EXPECT_EQ(settings.LangDir(), "En") << "the first answer is kept";
  EXPECT_EQ(ReadLines("  LangDir = 'Fr'")->LangDir(), "Fr") << "a stored folder is not looked up";
  EXPECT_EQ(ReadLines("  LangDir = 'Xx'")->LangDir(), "Xx");
}

TEST_F(SystemIniTest, KeepsThePreviousValueForAnIdentifierOutsideAnEnumeration) {
  const auto settings = ReadLines(
      "  AdditionalInfoStorage = aiCloud\r\n"
      "  OutputDevice = <\r\n    item\r\n      DevType = odSometimes\r\n      Method = 2\r\n    end>\r\n"
      "  MixerFreq = 44100");
  EXPECT_EQ(settings->AdditionalInfoStorage(), TAddInfoStorageType::aiSQLite);
  ASSERT_EQ(settings->OutputDevice().Count(), 1);
  EXPECT_EQ(settings->OutputDevice().Items(0).DevType(), TOutputDevType::odMixer);
  EXPECT_EQ(settings->OutputDevice().Items(0).Method(), 2);
  EXPECT_EQ(settings->MixerFreq(), 44100);
}

TEST_F(SystemIniTest, ReadMarksTheApplicationForScreenReadersWhenTheProcessSettingsAskForIt) {
  WriteTextFile(SettingsDir + "system.ini", "object TSystemIni\r\n  ScreenReaderMode = True\r\nend\r\n");
  TSystemIni unregistered;
  unregistered.Read();
  EXPECT_TRUE(unregistered.ScreenReaderMode());
  EXPECT_EQ(ApplicationTag, 0) << "only the process-wide settings count";

  SystemIni = std::make_unique<TSystemIni>();
  SystemIni->Read();
  EXPECT_EQ(ApplicationTag, kScreenReaderModeTag);
}

TEST_F(SystemIniTest, PutsThePluginFolderUnderTheProgramFilesFolder) {
  TSystemIni settings;
  ASSERT_EQ(settings.VSTFolder().Count(), 1);
  EXPECT_EQ(settings.VSTFolder().Strings(0), SHGetFolderPath(CSIDL_PROGRAM_FILES) + "/Steinberg/VstPlugins/");
  ASSERT_EQ(settings.EQBands().Count(), 12);
  EXPECT_EQ(settings.EQBands().Items(11).CenterFreq(), 20000);
}
