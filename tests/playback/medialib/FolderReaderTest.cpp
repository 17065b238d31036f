#include "playback/medialib/FolderReader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "AudioFixtures.h"

namespace fs = std::filesystem;
using audiofixtures::TempDir;
using audiofixtures::WriteBytes;

namespace {

TEST(FolderReader, ListsTheAudioFilesOfTheFolderInByteOrderOfTheirNames) {
  TempDir dir;
  for (const char* name : {"b.mp3", "B.MP3", "a.Flac", "c.ogg", "\xC3\xA4.wav", "10.opus", "2.m4a", "notes.txt",
                           "list.m3u8", "video.mkv", "noext", ".mp3"}) {
    WriteBytes(dir / name, "x");
  }
  fs::create_directory(dir / "sub.mp3");      // a folder with an audio extension
  WriteBytes(dir / "sub.mp3" / "inner.mp3", "x");  // not listed: no recursion
  ASSERT_EQ(::mkfifo((dir / "fifo.wav").c_str(), 0600), 0);
  fs::create_symlink(dir / "c.ogg", dir / "link.ogg");
  fs::create_symlink(dir / "missing.ogg", dir / "dangling.ogg");

  const std::string folder = dir.path().string();
  const std::vector<std::string> expected = {folder + "/10.opus", folder + "/2.m4a",   folder + "/B.MP3",
                                             folder + "/a.Flac",  folder + "/b.mp3",   folder + "/c.ogg",
                                             folder + "/link.ogg", folder + "/\xC3\xA4.wav"};
  EXPECT_EQ(ListAudioFilesInFolder(folder), expected);
  EXPECT_EQ(ListAudioFilesInFolder(folder + "/"), expected) << "a trailing slash is not doubled";
}

TEST(FolderReader, GivesAnEmptyListForAMissingFolderOrAFile) {
  TempDir dir;
  WriteBytes(dir / "a.mp3", "x");
  EXPECT_TRUE(ListAudioFilesInFolder((dir / "missing").string()).empty());
  EXPECT_TRUE(ListAudioFilesInFolder((dir / "a.mp3").string()).empty());
  EXPECT_TRUE(ListAudioFilesInFolder("").empty());
}

TEST(FolderReader, KnowsTheAudioExtensionsInAnyLetterCase) {
  for (const char* extension : {"mp3", "MP3", "Flac", "ogg", "opus", "m4a", "wav", "wma", "aiff"}) {
    EXPECT_TRUE(IsAudioFileExtension(extension)) << extension;
  }
  for (const char* extension : {"", "txt", "m3u", "m3u8", "mp4", "mkv", "mp", "mp33"}) {
    EXPECT_FALSE(IsAudioFileExtension(extension)) << extension;
  }
}

}  // namespace
