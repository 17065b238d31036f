#include "settings/location/CopyDirectory.h"

#include <gtest/gtest.h>

#include "TempFolder.h"

TEST(CopyDirectory, CopiesATreeAndCreatesTheDestinationWithItsParents) {
  TempFolder folder;
  WriteTextFile(folder / "src/a.txt", "a");
  WriteTextFile(folder / "src/sub/deeper/b.txt", "b");
  std::filesystem::create_directories(folder / "src/empty");
  EXPECT_TRUE(CopyDirectory(folder / "src", folder / "x/y/dest", false, true));
  EXPECT_EQ(ReadTextFile(folder / "x/y/dest/a.txt"), "a");
  EXPECT_EQ(ReadTextFile(folder / "x/y/dest/sub/deeper/b.txt"), "b");
  EXPECT_TRUE(std::filesystem::is_directory(folder / "x/y/dest/empty"));
}

TEST(CopyDirectory, LeavesExistingFilesAloneUnlessAskedToOverwriteEvenWriteProtectedOnes) {
  TempFolder folder;
  WriteTextFile(folder / "src/a.txt", "shipped");
  WriteTextFile(folder / "dest/a.txt", "edited");
  EXPECT_TRUE(CopyDirectory(folder / "src/", folder / "dest/", false, true));
  EXPECT_EQ(ReadTextFile(folder / "dest/a.txt"), "edited");
  std::filesystem::permissions(folder / "dest/a.txt", std::filesystem::perms::owner_read);
  EXPECT_TRUE(CopyDirectory(folder / "src", folder / "dest", true, true));
  EXPECT_EQ(ReadTextFile(folder / "dest/a.txt"), "shipped");
}

TEST(CopyDirectory, ReturnsTrueForAMissingSource) {
  TempFolder folder;
  EXPECT_TRUE(CopyDirectory(folder / "none", folder / "dest", false, true));
  EXPECT_FALSE(std::filesystem::exists(folder / "dest"));
}

TEST(CopyDirectory, StopsAtAFailedFileWithTheErrorCodeAndBothPaths) {
  TempFolder folder;
  std::filesystem::create_directories(folder / "src");
  std::filesystem::create_symlink(folder / "nowhere", folder / "src/broken");
  try {
    CopyDirectory(folder / "src", folder / "dest", false, true);
    FAIL() << "no exception";
  } catch (const EDirCopyException& error) {
    EXPECT_EQ(std::string(error.what()),
              "Code 2. Cannot copy \"" + (folder / "src/broken") + "\" to \"" + (folder / "dest/broken") + "\"");
  }
  EXPECT_FALSE(CopyDirectory(folder / "src", folder / "dest", false, false));
}

TEST(CopyDirectory, DoesNotFollowALinkLoopForever) {
  TempFolder folder;
  WriteTextFile(folder / "src/a.txt", "a");
  std::filesystem::create_directory_symlink(folder / "src", folder / "src/again");
  try {
    CopyDirectory(folder / "src", folder / "dest", false, true);
    FAIL() << "no exception";
  } catch (const EDirCopyException& error) {
    EXPECT_TRUE(std::string(error.what()).starts_with("Code 40. ")) << error.what();  // ELOOP
  }
}
