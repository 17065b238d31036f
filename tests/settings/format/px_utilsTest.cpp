#include "settings/format/px_utils.h"

#include <gtest/gtest.h>

#include <thread>

#include "TempFolder.h"
#include "TestComponent.h"
#include "platform/MainThread.h"
#include "platform/RecordingMessageBoxPresenter.h"
#include "settings/format/ObjectWriter.h"
#include "settings/format/StreamErrors.h"

class PxUtils : public ::testing::Test {
 protected:
  void SetUp() override { InitMainThread(); }
  TempFolder folder;
  std::string file = folder / "player.ini";
  std::string backup = folder / "player.ini.bak";
};

TEST_F(PxUtils, SavesAndLoadsAComponentThroughAFile) {
  TTestComponent written;
  written.Number = 42;
  written.Bands.Clear();
  SaveComponentToFile(written, file);
  EXPECT_EQ(ReadTextFile(file), ComponentToText(written));
  TTestComponent read;
  LoadComponentFromFile(read, file);
  EXPECT_EQ(read.Number, 42);
  EXPECT_EQ(read.Bands.Count(), 2);  // "<>" keeps the constructor's items
}

TEST_F(PxUtils, ASaveThatFailsMidwayLeavesTheOldFileIntact) {
  TTestComponent component;
  SaveComponentToFile(component, file);
  std::string before = ReadTextFile(file);
  component.Number = 1;
  component.Curve = static_cast<TTestCurve>(9);  // fails after Number has been serialised
  EXPECT_THROW(SaveComponentToFile(component, file), EWriteError);
  EXPECT_EQ(ReadTextFile(file), before);
  EXPECT_FALSE(before.empty());
}

TEST_F(PxUtils, LoadRaisesAStreamErrorForAFileThatCannotBeOpened) {
  TTestComponent component;
  EXPECT_THROW(LoadComponentFromFile(component, folder / "none.ini"), EFOpenError);
}

TEST_F(PxUtils, BackupCopiesTheFileAndReportsAFailedCopyWithAnEmptyCaption) {
  WriteTextFile(file, "new");
  WriteTextFile(backup, "old");
  BackupFile(file);
  EXPECT_EQ(ReadTextFile(backup), "new");

  RecordingMessageBoxPresenter boxes;
  std::filesystem::remove(backup);
  std::filesystem::create_directory(backup);
  BackupFile(file);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Copy failed: " + backup + " (Invalid argument)");
  EXPECT_EQ(boxes.Boxes()[0].caption, "");
  EXPECT_EQ(boxes.Boxes()[0].flags, 16u);
}

TEST_F(PxUtils, RestoresAMissingOrEmptyFileFromItsBackupOnly) {
  struct Case {
    bool fileExists;
    const char* fileText;
    bool backupExists;
    const char* expected;  // nullptr: the file stays missing
  };
  const Case cases[] = {
      {false, "", true, "backup"},
      {true, "", true, "backup"},
      {true, "own", true, "own"},
      {false, "", false, nullptr},
      {true, "", false, ""},
  };
  RecordingMessageBoxPresenter boxes;
  for (const Case& c : cases) {
    std::filesystem::remove(file);
    std::filesystem::remove(backup);
    if (c.fileExists) WriteTextFile(file, c.fileText);
    if (c.backupExists) WriteTextFile(backup, "backup");
    RestoreFromBackup(file, true);
    if (c.expected == nullptr) {
      EXPECT_FALSE(std::filesystem::exists(file));
    } else {
      EXPECT_EQ(ReadTextFile(file), c.expected);
    }
  }
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(PxUtils, PassesOverFileSystemErrorsWhileRestoringInSilence) {
  RecordingMessageBoxPresenter boxes;
  WriteTextFile(backup, "backup");
  std::filesystem::create_symlink(folder / "gone/player.ini", file);  // a link into a missing folder
  EXPECT_NO_THROW(RestoreFromBackup(file, true));
  RestoreFromBackup(file, false);
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(PxUtils, ReportsOrRaisesOtherRestoreFailures) {
  WriteTextFile(backup, "backup");
  std::filesystem::create_symlink("player.ini", file);  // a link to itself cannot be resolved
  EXPECT_THROW(RestoreFromBackup(file, true), EFileCopyError);

  RecordingMessageBoxPresenter boxes;
  RestoreFromBackup(file, false);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Unable to load file " + file +
                                       " (Too many levels of symbolic links). Failed to restore file from backup. "
                                       "Loading default settings.");
  EXPECT_EQ(boxes.Boxes()[0].caption, "Error");
  EXPECT_EQ(boxes.Boxes()[0].flags, 16u);
}

TEST_F(PxUtils, MessageBoxOffTheMainThreadIsQueuedAndReturnsAtOnce) {
  RecordingMessageBoxPresenter boxes;
  EXPECT_EQ(MyMessageBox("on main", "Error", 16), 1);
  int result = 0;
  std::thread worker([&] { result = MyMessageBox("from worker", "Error", 16); });
  worker.join();
  EXPECT_EQ(result, -1);
  EXPECT_EQ(boxes.Boxes().size(), 1u);
  ProcessMainThreadQueue();
  ASSERT_EQ(boxes.Boxes().size(), 2u);
  EXPECT_EQ(boxes.Boxes()[1].text, "from worker");
}
