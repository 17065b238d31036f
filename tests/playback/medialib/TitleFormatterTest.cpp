#include "playback/medialib/TitleFormatter.h"

#include <gtest/gtest.h>

namespace {

struct TitleCase {
  const char* artist;
  const char* title;
  const char* filename;
  const char* expected;
};

TEST(TitleFormatter, FormatsArtistAndTitleAndFallsBackToTheFileName) {
  const TitleCase cases[] = {
      {"Artist", "Title", "/music/x.mp3", "Artist - Title"},
      {"", "Title", "/music/x.mp3", "Title"},
      {"  ", "Title", "/music/x.mp3", "Title"},
      {"Artist", "", "/music/Some Song.mp3", "Some Song"},
      {"Artist", " ", "/music/a.b.flac", "a.b"},
      {"", "", "C:\\Music\\Old Song.wav", "Old Song"},
      {"", "", "relative.ogg", "relative"},
      {"", "", "/music/.hidden", ".hidden"},
      {"", "", "/music/no extension", "no extension"},
      {"", "", "pause #30", "pause #30"},
      {"", "", "Hour Marker 13:02.hourmarker", "Hour Marker 13:02"},
      {"", "", "http://radio.example:8000/", "http://radio.example:8000/"},
      {"", "", "", ""},
  };
  for (const TitleCase& c : cases) {
    TPlaylistEntry entry;
    entry.Artist = c.artist;
    entry.Title = c.title;
    entry.Filename = c.filename;
    EXPECT_EQ(FormatTrackTitle(entry), c.expected) << c.artist << "|" << c.title << "|" << c.filename;
  }
}

}  // namespace
