#include "settings/format/SettingsComponent.h"

#include <gtest/gtest.h>

#include "TempFolder.h"
#include "TestComponent.h"
#include "platform/MainThread.h"
#include "platform/RecordingMessageBoxPresenter.h"
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
  EXPECT_EQ(component.ReadErrorText(), "Cannot open file \"" + file + "\". Is a directory");

  std::filesystem::remove(file);
  WriteTextFile(file, SavedText(3));
  component.Read(file);
  EXPECT_TRUE(component.ReadSuccessful());
  EXPECT_EQ(component.Number, 3);
  EXPECT_EQ(component.ReadErrorText(), "Cannot open file \"" + file + "\". Is a directory");
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
