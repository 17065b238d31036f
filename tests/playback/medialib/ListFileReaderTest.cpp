#include "playback/medialib/ListFileReader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "AudioFixtures.h"

using audiofixtures::TempDir;
using audiofixtures::WriteBytes;

namespace {

class ListFileReaderTest : public ::testing::Test {
 protected:
  // Reads a list file of these bytes, named name, in the folder "lists" of the test folder.
  std::vector<TPlaylistEntry> Read(const std::string& name, const std::string& bytes) {
    std::filesystem::create_directories(dir / "lists");
    WriteBytes(dir / "lists" / name, bytes);
    std::vector<TPlaylistEntry> entries;
    const int32_t count = ReadListFile((dir / "lists" / name).string(), entries);
    EXPECT_EQ(count, static_cast<int32_t>(entries.size()));
    return entries;
  }
  std::string Lists() const { return (dir / "lists").string(); }

  TempDir dir;
};

TEST_F(ListFileReaderTest, ResolvesRelativePathsAgainstTheListsFolderAndKeepsOtherItemsAsWritten) {
  const std::vector<TPlaylistEntry> entries = Read("mix.m3u8",
                                                   "a.mp3\r\n"
                                                   "sub\\b.mp3\r\n"
                                                   "../up/c.flac\r\n"
                                                   "./d.ogg\n"
                                                   "/abs/e.wav\n"
                                                   "http://radio.example:8000/live\n"
                                                   "HTTPS://secure.example/x.mp3\n"
                                                   "ftp://files.example/f.mp3\n"
                                                   "mms://media.example/g\n"
                                                   "pause #30\n"
                                                   "Pause 2\n"
                                                   "dtmf=123#\n"
                                                   "C:\\Music\\h.mp3\n"
                                                   "\\root\\i.mp3\n"
                                                   "file:///music/with%20blank.mp3\n"
                                                   "file://localhost/music/j.mp3\n"
                                                   "  spaced name.mp3  \n");
  const std::string lists = Lists();
  const std::string parent = dir.path().string();
  const std::vector<std::string> expected = {lists + "/a.mp3",
                                             lists + "/sub/b.mp3",
                                             parent + "/up/c.flac",
                                             lists + "/d.ogg",
                                             "/abs/e.wav",
                                             "http://radio.example:8000/live",
                                             "HTTPS://secure.example/x.mp3",
                                             "ftp://files.example/f.mp3",
                                             "mms://media.example/g",
                                             "pause #30",
                                             "Pause 2",
                                             "dtmf=123#",
                                             "C:\\Music\\h.mp3",
                                             "/root/i.mp3",
                                             "/music/with blank.mp3",
                                             "/music/j.mp3",
                                             lists + "/spaced name.mp3"};
  ASSERT_EQ(entries.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(entries[i].Filename, expected[i]) << i;
}

TEST_F(ListFileReaderTest, ExtendedInfoFillsTheNextItemOnly) {
  const std::vector<TPlaylistEntry> entries = Read("info.m3u8",
                                                   "#EXTM3U\r\n"
                                                   "#EXTINF:215,The Artist - The Title - Live\r\n"
                                                   "# a comment line\r\n"
                                                   "\r\n"
                                                   "one.mp3\r\n"
                                                   "two.mp3\r\n"
                                                   "#EXTINF:-1,Only A Title\r\n"
                                                   "http://radio.example/live\r\n"
                                                   "#EXTINF:12.5 tvg-name=\"a, b\",Artist2 - Title2\r\n"
                                                   "three.mp3\r\n"
                                                   "#EXTINF:abc\r\n"
                                                   "four.mp3\r\n"
                                                   "#EXTINF:99999999999,Too long\r\n"
                                                   "five.mp3");
  ASSERT_EQ(entries.size(), 6u);
  EXPECT_EQ(entries[0].Duration, 215000);
  EXPECT_EQ(entries[0].Artist, "The Artist");
  EXPECT_EQ(entries[0].Title, "The Title - Live");
  EXPECT_EQ(entries[1].Duration, 0);
  EXPECT_EQ(entries[1].Artist, "");
  EXPECT_EQ(entries[1].Title, "");
  EXPECT_EQ(entries[2].Duration, 0);
  EXPECT_EQ(entries[2].Artist, "");
  EXPECT_EQ(entries[2].Title, "Only A Title");
  EXPECT_EQ(entries[3].Duration, 12500);
  EXPECT_EQ(entries[3].Artist, "Artist2");
  EXPECT_EQ(entries[3].Title, "Title2");
  EXPECT_EQ(entries[4].Duration, 0);
  EXPECT_EQ(entries[4].Title, "");
  EXPECT_EQ(entries[5].Duration, 0);
  EXPECT_EQ(entries[5].Title, "Too long");
  EXPECT_EQ(entries[5].Filename, Lists() + "/five.mp3");
}

TEST_F(ListFileReaderTest, DecodesUtf8Utf16AndFallsBackToWindows1252ForM3u) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string expected;
  };
  const Case cases[] = {
      {"utf8.m3u8", "\xEF\xBB\xBF" "K\xC3\xA4se.mp3\n", "K\xC3\xA4se.mp3"},
      {"utf8.m3u", "\xEF\xBB\xBF" "K\xC3\xA4se.mp3\n", "K\xC3\xA4se.mp3"},
      {"nobom.m3u", "K\xC3\xA4se.mp3\n", "K\xC3\xA4se.mp3"},
      {"ansi.m3u", "K\xE4se \x80.mp3\n", "K\xC3\xA4se \xE2\x82\xAC.mp3"},
      {"ANSI.M3U", "K\xE4se.mp3\n", "K\xC3\xA4se.mp3"},
      {"broken.m3u8", "K\xE4se.mp3\n", "K\xEF\xBF\xBDse.mp3"},
      {"utf16le.m3u", std::string("\xFF\xFEK\0\xE4\0s\0e\0.\0m\0p\0" "3\0\r\0\n\0", 22), "K\xC3\xA4se.mp3"},
      {"utf16be.m3u8", std::string("\xFE\xFF\0K\0\xE4\0s\0e\0.\0m\0p\0" "3\0\n", 20), "K\xC3\xA4se.mp3"},
  };
  for (const Case& c : cases) {
    const std::vector<TPlaylistEntry> entries = Read(c.name, c.bytes);
    ASSERT_EQ(entries.size(), 1u) << c.name;
    EXPECT_EQ(entries[0].Filename, Lists() + "/" + c.expected) << c.name;
  }
}

TEST_F(ListFileReaderTest, AnUnreadableListGivesMinusOneAndLeavesTheEntriesAlone) {
  std::filesystem::create_directories(dir / "folder.m3u8");
  ASSERT_EQ(::mkfifo((dir / "fifo.m3u8").c_str(), 0600), 0);
  std::vector<TPlaylistEntry> entries(1);
  entries[0].Filename = "kept";
  std::string tooMany;
  for (size_t i = 0; i <= kMaxListFileEntries; ++i) tooMany += "a\n";
  WriteBytes(dir / "too many.m3u8", tooMany);
  for (const std::string name : {"missing.m3u8", "folder.m3u8", "fifo.m3u8", "too many.m3u8"}) {
    EXPECT_EQ(ReadListFile((dir / name).string(), entries), -1) << name;
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Filename, "kept");
  }
}

TEST_F(ListFileReaderTest, AppendsToTheGivenEntriesAndCountsOnlyTheNewOnes) {
  WriteBytes(dir / "two.m3u", "a.mp3\nb.mp3\n");
  WriteBytes(dir / "empty.m3u", "#EXTM3U\n\n");
  std::vector<TPlaylistEntry> entries(1);
  EXPECT_EQ(ReadListFile((dir / "two.m3u").string(), entries), 2);
  EXPECT_EQ(ReadListFile((dir / "empty.m3u").string(), entries), 0);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[2].Filename, (dir / "b.mp3").string());
}

}  // namespace
