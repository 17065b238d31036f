#include "settings/format/SettingsComponent.h"

#include <gtest/gtest.h>

#include "NonRegularFiles.h"
#include "TempFolder.h"
#include "TestComponent.h"
#include "platform/MainThread.h"
#include "platform/RecordingMessageBoxPresenter.h"
#include "settings/format/FileIo.h"
#include "settings/format/ObjectWriter.h"

class SettingsComponent : public ::testing::Test {
 protected:
  void SetUp() override { InitMainThread(); }

  std::string SavedText(int32_t number) {
    TTestComponent component;
    component.Number = number;
    return ComponentToText(component);
  }

  TempFolder folder;
  std::string file = folder / "test.ini";
  std::string backup = folder / "test.ini.bak";
  RecordingMessageBoxPresenter boxes;
};

TEST_F(SettingsComponent, ReadsTheBackupWhenTheFileIsMissingOrEmpty) {
  for (bool leaveEmptyFile : {false, true}) {
    std::filesystem::remove(file);
    if (leaveEmptyFile) WriteTextFile(file, "");
    WriteTextFile(backup, SavedText(77));
    TTestComponent component;
    component.Read(file);
    EXPECT_EQ(component.Number, 77);
    EXPECT_TRUE(component.ReadSuccessful());
    EXPECT_EQ(ReadTextFile(file), SavedText(77));
  }
}

TEST_F(SettingsComponent, KeepsConstructorValuesWhenNoFileExistsOrTheTextDoesNotParse) {
  TTestComponent missing;
  missing.Read(file);
  EXPECT_TRUE(missing.ReadSuccessful());
  EXPECT_EQ(missing.Number, 5000);

  std::string text = SavedText(1);
  WriteTextFile(file, text.substr(0, text.find("Curve = csPar")));  // truncated mid-line
  TTestComponent truncated;
  truncated.Read(file);
  EXPECT_TRUE(truncated.ReadSuccessful());
  EXPECT_EQ(truncated.Number, 5000);
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(SettingsComponent, RecordsAStreamErrorAndKeepsItsTextAfterALaterSuccessfulRead) {
  std::filesystem::create_directory(file);
  TTestComponent component;
  component.Read(file);
  EXPECT_FALSE(component.ReadSuccessful());
  EXPECT_EQ(component.ReadErrorText(), "Cannot open file \"" + file + "\". Is a folder");

  std::filesystem::remove(file);
  WriteTextFile(file, SavedText(3));
  component.Read(file);
  EXPECT_TRUE(component.ReadSuccessful());
  EXPECT_EQ(component.Number, 3);
  EXPECT_EQ(component.ReadErrorText(), "Cannot open file \"" + file + "\". Is a folder");
}

TEST_F(SettingsComponent, SaveWritesTheFileAndAnIdenticalBackupThatReadBack) {
  TTestComponent component;
  component.Number = 12;
  component.Save(file);
  EXPECT_EQ(ReadTextFile(file), SavedText(12));
  EXPECT_EQ(ReadTextFile(backup), SavedText(12));
  TTestComponent read;
  read.Read(file);
  EXPECT_EQ(read.Number, 12);
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(SettingsComponent, AFailedSaveIsShownAndLeavesFileAndBackupAlone) {
  WriteTextFile(file, SavedText(1));
  WriteTextFile(backup, SavedText(2));
  TTestComponent component;
  component.Curve = static_cast<TTestCurve>(5);
  component.Save(file);
  EXPECT_EQ(ReadTextFile(file), SavedText(1));
  EXPECT_EQ(ReadTextFile(backup), SavedText(2));
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Error saving file (test.ini): Invalid value 5 of property Curve.");
  EXPECT_EQ(boxes.Boxes()[0].caption, "Error");
  EXPECT_EQ(boxes.Boxes()[0].flags, 16u);

  TTestComponent nowhere;
  nowhere.Save(folder / "missing/test.ini");
  ASSERT_EQ(boxes.Boxes().size(), 2u);
  EXPECT_TRUE(boxes.Boxes()[1].text.starts_with("Error saving file (test.ini): Cannot create file \""));
}

TEST_F(SettingsComponent, RecordsWhyATextDidNotParseAndWhetherTheBackupWasPutInPlaceFirst) {
  const std::string good = SavedText(77);
  const std::string damaged = "object TTestComponent\r\n  Number = ?\r\nend\r\n";
  const std::string empty;
  struct Case {
    const std::string* fileText;    // nullptr: no file
    const std::string* backupText;  // nullptr: no backup
    bool restored;
    bool parses;
  };
  const Case cases[] = {
      {&damaged, nullptr, false, false},
      {&damaged, &good, false, false},  // a file that is there is read, not replaced by its backup
      {&empty, &damaged, true, false},
      {nullptr, &damaged, true, false},
      {&empty, &good, true, true},
      {&good, nullptr, false, true},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(file);
    std::filesystem::remove(backup);
    if (c.fileText) WriteTextFile(file, *c.fileText);
    if (c.backupText) WriteTextFile(backup, *c.backupText);
    TTestComponent component;
    component.Read(file);
    const std::string label = "case " + std::to_string(&c - cases);
    EXPECT_TRUE(component.ReadSuccessful()) << label;
    EXPECT_EQ(component.ReadRestoredFromBackup(), c.restored) << label;
    EXPECT_EQ(component.Number, c.parses ? 77 : 5000) << label;
    EXPECT_EQ(component.ReadParseErrorText(), c.parses ? "" : "line 2: Invalid property value") << label;
    if (c.backupText) {
      EXPECT_EQ(ReadTextFile(backup), *c.backupText) << label;
    }
  }
  EXPECT_TRUE(boxes.Boxes().empty());

  // The next read starts afresh.
  TTestComponent component;
  WriteTextFile(file, damaged);
  component.Read(file);
  WriteTextFile(file, good);
  component.Read(file);
  EXPECT_EQ(component.ReadParseErrorText(), "");
  EXPECT_EQ(component.Number, 77);
}

TEST_F(SettingsComponent, RefusesAFifoADeviceOrAHugeFileAsTheFileOrItsBackupAndLosesNothing) {
  enum class TKind { Fifo, Device, Huge };
  struct Case {
    bool inBackup;
    TKind kind;
    const char* reason;
  };
  const Case cases[] = {
      {false, TKind::Fifo, "Not a regular file (a FIFO)"},
      {false, TKind::Device, "Not a regular file (a device)"},
      {false, TKind::Huge, "Larger than 16 MB"},
      {true, TKind::Fifo, "Not a regular file (a FIFO)"},
      {true, TKind::Device, "Not a regular file (a device)"},
      {true, TKind::Huge, "Larger than 16 MB"},
  };
  for (const Case& c : cases) {
    TempFolder place;
    const std::string settings = place / "test.ini";
    const std::string refused = c.inBackup ? settings + ".bak" : settings;
    // A good backup beside a refused file, or an empty file that a refused backup would replace.
    const std::string other = c.inBackup ? settings : settings + ".bak";
    const std::string otherText = c.inBackup ? "" : SavedText(77);
    WriteTextFile(other, otherText);
    std::unique_ptr<TFifo> fifo;
    if (c.kind == TKind::Fifo) fifo = std::make_unique<TFifo>(refused);
    if (c.kind == TKind::Device) MakeEndlessDeviceLink(refused);
    if (c.kind == TKind::Huge) MakeSparseFile(refused, kMaxSettingsFileBytes + 1);
    const std::string label = std::string(c.reason) + (c.inBackup ? " as backup" : " as file");

    TTestComponent component;
    component.Read(settings);
    EXPECT_FALSE(component.ReadSuccessful()) << label;
    EXPECT_EQ(component.ReadErrorText(), "Cannot open file \"" + refused + "\". " + c.reason) << label;
    EXPECT_EQ(component.Number, 5000) << label;
    EXPECT_FALSE(component.ReadRestoredFromBackup()) << label;
    // Nothing was copied over anything.
    EXPECT_EQ(ReadTextFile(other), otherText) << label;
    const auto status = std::filesystem::symlink_status(refused);
    switch (c.kind) {
      case TKind::Fifo: EXPECT_TRUE(std::filesystem::is_fifo(status)) << label; break;
      case TKind::Device: EXPECT_TRUE(std::filesystem::is_symlink(status)) << label; break;
      case TKind::Huge: EXPECT_EQ(std::filesystem::file_size(refused), kMaxSettingsFileBytes + 1) << label; break;
    }
  }
  EXPECT_TRUE(boxes.Boxes().empty());
}
