#include "playback/medialib/PlaylistState.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "AudioFixtures.h"
#include "settings/format/StreamErrors.h"

using audiofixtures::ReadBytes;
using audiofixtures::TempDir;
using audiofixtures::WriteBytes;

namespace {

TEST(PlaylistState, WrittenItemsReadBackAsTheyWere) {
  TempDir dir;
  const std::string file = (dir / "list.m3u8.state").string();
  std::vector<TPlaylistStateItem> written(3);
  written[0] = {180000, 178000, 500, 175000, 1200, -3.25, true, false};
  written[1] = {};  // every value at its constructor value
  written[2] = {0, 0, 0, 0, 0, 0.0, false, true};
  WritePlaylistStateFile(file, written);

  std::vector<TPlaylistStateItem> read;
  ASSERT_TRUE(ReadPlaylistStateFile(file, read));
  EXPECT_EQ(read, written);
  const std::string text = ReadBytes(file);
  EXPECT_TRUE(text.starts_with("object TPlaylistState\r\n  Items = <\r\n    item\r\n      FCueOut = 180000\r\n"))
      << text;
}

TEST(PlaylistState, ReadsAHandWrittenFileWithDefaultsForMissingAndBadValues) {
  TempDir dir;
  const std::string file = (dir / "x.state").string();
  WriteBytes(file,
             "object TPlaylistState\r\n"
             "  Items = <\r\n"
             "    item\r\n"
             "      FCueIn = 1500\r\n"
             "      FLevel = -6.5\r\n"
             "      FPlayed = True\r\n"
             "      FScheduled = 7\r\n"       // wrong kind: passed over
             "      FUnknown = 'x'\r\n"       // unknown: passed over
             "    end\r\n"
             "    item\r\n"
             "      FMix = 90000\r\n"
             "      FFadeIn = 100\r\n"
             "      FFadeOut = 200\r\n"
             "      FCueOut = 300\r\n"
             "    end>\r\n"
             "end\r\n");
  std::vector<TPlaylistStateItem> read;
  ASSERT_TRUE(ReadPlaylistStateFile(file, read));
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0], (TPlaylistStateItem{-1, -1, -1, -1, 1500, -6.5, true, false}));
  EXPECT_EQ(read[1], (TPlaylistStateItem{300, 200, 100, 90000, -1, 0.0, false, false}));

  WriteBytes(file, "object TPlaylistState\nend\n");
  ASSERT_TRUE(ReadPlaylistStateFile(file, read));
  EXPECT_TRUE(read.empty());
}

TEST(PlaylistState, AMissingUnreadableOrDamagedFileGivesFalseAndLeavesTheItems) {
  TempDir dir;
  WriteBytes(dir / "damaged.state", "object TPlaylistState\r\n  Items = <\r\n    item\r\n      FCueIn = \r\n");
  WriteBytes(dir / "other.state", "object TPlayerIni\r\n  Tag = 1\r\nend\r\n");
  WriteBytes(dir / "empty.state", "");
  WriteBytes(dir / "binary.state", std::string("\x00\x01\x02RIFF", 7));
  std::filesystem::create_directory(dir / "folder.state");
  ASSERT_EQ(::mkfifo((dir / "fifo.state").c_str(), 0600), 0);

  for (const char* name : {"missing.state", "damaged.state", "other.state", "empty.state", "binary.state",
                           "folder.state", "fifo.state"}) {
    std::vector<TPlaylistStateItem> items(2);
    items[1].CueIn = 42;
    EXPECT_FALSE(ReadPlaylistStateFile((dir / name).string(), items)) << name;
    ASSERT_EQ(items.size(), 2u) << name;
    EXPECT_EQ(items[1].CueIn, 42) << name;
  }
}

TEST(PlaylistState, AWriteThatCannotCreateItsFileThrows) {
  TempDir dir;
  EXPECT_THROW(WritePlaylistStateFile((dir / "no such folder" / "x.state").string(), {TPlaylistStateItem{}}),
               EStreamError);
}

}  // namespace
