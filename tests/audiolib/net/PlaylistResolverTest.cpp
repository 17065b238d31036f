#include "audiolib/net/PlaylistResolver.h"

#include <gtest/gtest.h>

using audiolib::PlaylistResolver;

namespace {

TEST(PlaylistResolverTest, TheFirstEntryOfAPlsOrM3uTextIsMadeAbsolute) {
  const std::string base = "http://host:8000/lists/radio.pls?x=1";
  const struct {
    const char* text;
    const char* entry;
  } cases[] = {
      {"[playlist]\nNumberOfEntries=2\nFile2=http://b/2\nFile1=http://a/1\nTitle1=A\n", "http://a/1"},
      {"[Playlist]\r\nFile3=http://c/3\r\nFile2=http://b/2\r\n", "http://b/2"},
      {"#EXTM3U\n#EXTINF:-1,Radio\n\nhttp://stream/live\nhttp://stream/backup\n", "http://stream/live"},
      {"live.mp3\n", "http://host:8000/lists/live.mp3"},
      {"/root/live.mp3\n", "http://host:8000/root/live.mp3"},
      {"#EXTM3U\n# nothing here\n", ""},
      {"[playlist]\nNumberOfEntries=0\n", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PlaylistResolver::FirstEntry(c.text, base), c.entry) << c.text;
  }
}

TEST(PlaylistResolverTest, PlaylistsAreKnownByTheirPathOrTheirMediaType) {
  EXPECT_TRUE(PlaylistResolver::IsPlaylistAddress("http://h/listen.PLS"));
  EXPECT_TRUE(PlaylistResolver::IsPlaylistAddress("http://h/a.m3u?sid=1"));
  EXPECT_TRUE(PlaylistResolver::IsPlaylistAddress("https://h/a.m3u8"));
  EXPECT_FALSE(PlaylistResolver::IsPlaylistAddress("http://h/a.mp3?list=x.pls"));
  EXPECT_FALSE(PlaylistResolver::IsPlaylistAddress("http://h/pls"));
  EXPECT_TRUE(PlaylistResolver::IsPlaylistMediaType("audio/x-scpls"));
  EXPECT_TRUE(PlaylistResolver::IsPlaylistMediaType("audio/x-mpegurl"));
  EXPECT_FALSE(PlaylistResolver::IsPlaylistMediaType("audio/mpeg"));
}

}  // namespace
