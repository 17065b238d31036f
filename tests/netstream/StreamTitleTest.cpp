// Titles, station names and addresses as a network stream's tags and callers give them.
#include "netstream/StreamTitle.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TextCase {
  std::string input;
  std::string expected;
};

TEST(StreamTitleTest, IcyMetadataBlocksGiveTheQuotedTitleCutAtTheFirstSemicolon) {
  const std::vector<TextCase> cases = {
      {"StreamTitle='Artist - Song';StreamUrl='';", "Artist - Song"},
      {"StreamTitle='Artist - Song';", "Artist - Song"},
      {"StreamTitle='';", ""},
      // A title holding ";" is cut there.
      {"StreamTitle='Rock; Roll';StreamUrl='';", "Rock"},
      // A ";" before StreamTitle leaves no title.
      {"StreamUrl='x';StreamTitle='Artist - Song';", ""},
      // Not the exact key, or no end mark.
      {"streamtitle='Artist - Song';", ""},
      {"StreamUrl='';", ""},
      {"StreamTitle='No end mark'", ""},
      {"", ""},
      // UTF-8 stays; bytes that are not UTF-8 are read as Windows-1252.
      {"StreamTitle='Caf\xC3\xA9 del Mar';", "Caf\xC3\xA9 del Mar"},
      {"StreamTitle='Caf\xE9 \x80';", "Caf\xC3\xA9 \xE2\x82\xAC"},
  };
  for (const TextCase& c : cases) EXPECT_EQ(TitleFromMeta(c.input), c.expected) << c.input;
}

TEST(StreamTitleTest, WindowsMediaMetadataGivesTheCaptionOrTheWholeText) {
  const std::vector<TextCase> cases = {
      {"CAPTION='News at Nine';", "News at Nine"},
      {"Author='x';caption='Late';", ""},  // the first ";" comes before the caption
      {"Live from the hall", "Live from the hall"},
  };
  for (const TextCase& c : cases) EXPECT_EQ(TitleFromWmaMeta(c.input), c.expected) << c.input;
}

TEST(StreamTitleTest, OggCommentsGiveTitleWithTheArtistInFrontWhenThereIsOne) {
  struct Case {
    std::vector<std::string> comments;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {{"ENCODER=Lavf", "TITLE=Song", "ARTIST=Band"}, "Band - Song"},
      {{"artist=  ", "title=Song"}, "Song"},
      {{"title=Only"}, "Only"},
      // Keys are whole: a subtitle or an album artist is not the title or the artist.
      {{"SUBTITLE=Wrong", "ALBUMARTIST=Wrong", "TITLE=Right"}, "Right"},
      {{"title=A=B"}, "A=B"},
      {{}, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TitleFromOggComments(c.comments), c.expected) << testing::PrintToString(c.comments);
  }
}

TEST(StreamTitleTest, StationNameComesFromIcyNameThenDescriptionThenThePodcastTitle) {
  struct Case {
    std::vector<std::string> headers;
    bool podcast;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {{"ICY 200 OK", "icy-description: Songs", "icy-name: Radio One "}, false, "Radio One"},
      {{"HTTP/1.0 200 OK", "icy-description: All day songs"}, false, "All day songs"},
      {{"HTTP/1.0 200 OK", "Icy-Name: wrong case"}, false, ""},
      {{"HTTP/1.0 200 OK"}, true, "Feed Title"},
      {{"HTTP/1.0 200 OK", "icy-description: Described"}, true, "Described"},
      {{"HTTP/1.0 200 OK", "icy-name:Caf\xE9"}, false, "Caf\xC3\xA9"},
      {{}, false, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StationNameFromHeaders(c.headers, c.podcast, "Feed Title"), c.expected)
        << testing::PrintToString(c.headers);
  }
  EXPECT_EQ(StationNameFromWmaTags({"Author=x", "TITLE=Hall Radio"}), "Hall Radio");
}

TEST(StreamTitleTest, TagListsAndShoutcastV2Headers) {
  const char tags[] = "HTTP/1.1 200 OK\0Server: Icecast 2.4\0\0";
  EXPECT_EQ(TagStrings(tags), (std::vector<std::string>{"HTTP/1.1 200 OK", "Server: Icecast 2.4"}));
  EXPECT_TRUE(TagStrings(nullptr).empty());

  EXPECT_TRUE(IsShoutcastV2({"HTTP/1.0 200 OK", "Server: SHOUTcast Server/Linux v2.6"}));
  EXPECT_FALSE(IsShoutcastV2({"HTTP/1.0 200 OK", "Server: SHOUTcast v1.9"}));
  EXPECT_FALSE(IsShoutcastV2({"SHOUTcast v2 status line only"}));
}

TEST(StreamTitleTest, AddressesNamePodcastFeedsByWordOrXmlEnding) {
  struct Case {
    std::string address;
    std::string url;
    bool podcast;
  };
  const std::vector<Case> cases = {
      {"http://host/live", "http://host/live", false},
      {"http://host/live #Station", "http://host/live", false},
      {"http://host/feed podcast", "http://host/feed", true},
      {"http://host/feed PodCast Morning", "http://host/feed PodCast", true},
      {"http://host/feed.XML", "http://host/feed.XML", true},
      {"http://host/feed.xml latest", "http://host/feed.xml", true},
      {"http://host/feed.xml.mp3", "http://host/feed.xml.mp3", false},
  };
  for (const Case& c : cases) {
    const TStreamAddress address = SplitStreamAddress(c.address);
    EXPECT_EQ(address.Url, c.url) << c.address;
    EXPECT_EQ(address.Podcast, c.podcast) << c.address;
  }
}

}  // namespace
