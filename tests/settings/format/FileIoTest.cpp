#include "settings/format/FileIo.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "NonRegularFiles.h"
#include "TempFolder.h"
#include "settings/format/StreamErrors.h"

namespace {
int FileCount(const TempFolder& folder) {
  int count = 0;
  for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(folder.Path())) ++count;
  return count;
}
}  // namespace

TEST(FileIo, ReplacesContentsAndLeavesNoTemporaryFileBehind) {
  TempFolder folder;
  WriteFileAtomically(folder / "player.ini", "first");
  WriteFileAtomically(folder / "player.ini", "second, longer");
  EXPECT_EQ(ReadTextFile(folder / "player.ini"), "second, longer");
  EXPECT_EQ(FileCount(folder), 1);
}

TEST(FileIo, KeepsThePermissionBitsOfTheFileItReplaces) {
  TempFolder folder;
  WriteTextFile(folder / "system.ini", "old");
  ::chmod((folder / "system.ini").c_str(), 0640);
  WriteFileAtomically(folder / "system.ini", "new");
  struct stat info {};
  ASSERT_EQ(::stat((folder / "system.ini").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(FileIo, ReplacesTheTargetOfASymbolicLinkAndKeepsTheLink) {
  TempFolder folder;
  WriteTextFile(folder / "real.ini", "old");
  std::filesystem::create_symlink(folder / "real.ini", folder / "link.ini");
  WriteFileAtomically(folder / "link.ini", "new");
  EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.ini"));
  EXPECT_EQ(ReadTextFile(folder / "real.ini"), "new");
}

TEST(FileIo, FailsWithoutTouchingAnythingWhenTheFolderIsMissingOrTheTargetIsAFolder) {
  TempFolder folder;
  EXPECT_THROW(WriteFileAtomically(folder / "missing/player.ini", "x"), EFCreateError);
  std::filesystem::create_directory(folder / "taken.ini");
  WriteTextFile(folder / "taken.ini/inside", "kept");
  EXPECT_THROW(WriteFileAtomically(folder / "taken.ini", "x"), EWriteError);
  EXPECT_EQ(ReadTextFile(folder / "taken.ini/inside"), "kept");
  EXPECT_EQ(FileCount(folder), 1);  // no temporary file left
}

TEST(FileIo, ReadsWholeFilesAndRaisesOpenErrorsForMissingFilesAndFolders) {
  TempFolder folder;
  std::string bytes(200000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  WriteTextFile(folder / "big", bytes);
  EXPECT_EQ(ReadFileBytes(folder / "big"), bytes);
  EXPECT_THROW(ReadFileBytes(folder / "none"), EFOpenError);
  EXPECT_THROW(ReadFileBytes(folder.Path()), EFOpenError);
}

TEST(FileIo, RefusesFifosDevicesAndOversizedFilesAtOnceAndReadsAFileOfTheLimitSize) {
  TempFolder folder;
  TFifo fifo(folder / "fifo.ini");
  MakeEndlessDeviceLink(folder / "zero.ini");
  MakeSparseFile(folder / "huge.ini", kMaxSettingsFileBytes + 1);
  struct Case {
    const char* name;
    const char* reason;
  };
  const Case cases[] = {
      {"fifo.ini", "Not a regular file (a FIFO)"},
      {"zero.ini", "Not a regular file (a device)"},
      {"huge.ini", "Larger than 16 MB"},
  };
  for (const Case& c : cases) {
    const std::string path = folder / c.name;
    const std::string expected = "Cannot open file \"" + path + "\". " + c.reason;
    try {
      ReadFileBytes(path);
      ADD_FAILURE() << c.name << " was read";
    } catch (const EFOpenError& error) {
      EXPECT_EQ(error.what(), expected);
    }
    try {
      CheckSettingsFileKind(path);
      ADD_FAILURE() << c.name << " passed the check";
    } catch (const EFOpenError& error) {
      EXPECT_EQ(error.what(), expected);
    }
  }
  EXPECT_TRUE(std::filesystem::is_fifo(folder / "fifo.ini"));

  MakeSparseFile(folder / "limit.ini", kMaxSettingsFileBytes);
  EXPECT_EQ(ReadFileBytes(folder / "limit.ini").size(), kMaxSettingsFileBytes);
  EXPECT_NO_THROW(CheckSettingsFileKind(folder / "limit.ini"));
  EXPECT_NO_THROW(CheckSettingsFileKind(folder / "missing.ini"));  // the reader reports that one
}
