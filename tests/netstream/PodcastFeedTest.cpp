// Podcast feeds: the episode a feed plays, its dates, and the fetch from a loopback server.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>

#include "LoopbackHttpServer.h"
#include "netstream/PodcastFeed.h"
#include "netstream/PodcastFeedDate.h"

using audiofixtures::LoopbackHttpServer;

namespace {

std::string Item(const std::string& title, const std::string& url, const std::string& pubDate) {
  std::string item = "<item><title>" + title + "</title>";
  if (!pubDate.empty()) item += "<pubDate>" + pubDate + "</pubDate>";
  if (!url.empty()) item += "<enclosure url=\"" + url + "\" length=\"1000\" type=\"audio/mpeg\"/>";
  return item + "</item>";
}

std::string Feed(const std::string& items) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss version=\"2.0\"><channel>"
         "<title>Morning Cues</title><link>http://cues.example/</link>"
         "<image><url>http://cues.example/logo.png</url><title>Morning Cues</title></image>" +
         items + "</channel></rss>";
}

std::chrono::system_clock::time_point At(const char* rfc822) {
  return std::chrono::system_clock::from_time_t(static_cast<std::time_t>(*ParseRfc822Date(rfc822)));
}

// "Today" is a local date: the tests fix the zone so that noon stays on its day.
class PodcastFeed : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* zone = std::getenv("TZ");
    savedZone_ = zone ? zone : "";
    hadZone_ = zone != nullptr;
    setenv("TZ", "UTC", 1);
    tzset();
  }
  void TearDown() override {
    if (hadZone_) {
      setenv("TZ", savedZone_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::string savedZone_;
  bool hadZone_ = false;
};

}  // namespace

TEST(PodcastFeedDate, ReadsRfc822DatesInAnyZone) {
  const int64_t noonUtc = 1033560000;  // 2002-10-02 12:00:00 UTC
  const struct {
    const char* text;
    int64_t seconds;
  } dates[] = {
      {"Wed, 02 Oct 2002 12:00:00 GMT", noonUtc},
      {"Wed, 02 Oct 2002 12:00:00 +0000", noonUtc},
      {"02 Oct 2002 12:00 UT", noonUtc},
      {"Wed, 2 Oct 02 12:00:00 Z", noonUtc},
      {"Wed, 02 Oct 2002 08:00:00 EDT", noonUtc},
      {"Wed, 02 Oct 2002 07:00:00 EST", noonUtc},
      {"Wed, 02 Oct 2002 04:00:00 PST", noonUtc},
      {"Wed, 02 Oct 2002 14:00:00 +0200", noonUtc},
      {"Wed, 02 Oct 2002 06:30:00 -0530", noonUtc},
      {"Wed,02 Oct 2002 12:00:00", noonUtc},
      {"Thu, 29 Feb 2024 23:59:59 GMT", 1709251199},
      {"Fri, 01 Jan 1999 00:00:00 GMT", 915148800},
  };
  for (const auto& date : dates) {
    EXPECT_EQ(ParseRfc822Date(date.text), date.seconds) << date.text;
  }
  for (const char* bad : {"", "yesterday", "2002-10-02T12:00:00Z", "Wed, 31 Feb 2002 12:00:00 GMT",
                          "Wed, 02 Foo 2002 12:00:00 GMT", "Wed, 02 Oct 2002 25:00:00 GMT",
                          "Wed, 02 Oct 2002 12:00:00 +02", "Wed, 02 Oct 2002 12:00:00 XYZ",
                          "Wed, 02 Oct 2002"}) {
    EXPECT_FALSE(ParseRfc822Date(bad).has_value()) << bad;
  }
}

TEST_F(PodcastFeed, NewestDatedEpisodeWinsWhereverItStands) {
  const std::string feed = Feed(Item("Tuesday", "http://cues.example/tue.mp3", "Tue, 01 Oct 2002 06:00:00 GMT") +
                                Item("Thursday", "http://cues.example/thu.mp3", "Thu, 03 Oct 2002 08:00:00 +0200") +
                                Item("No file", "", "Fri, 04 Oct 2002 06:00:00 GMT") +
                                Item("Wednesday", "http://cues.example/wed.mp3", "Wed, 02 Oct 2002 06:00:00 GMT") +
                                Item("Undated", "http://cues.example/undated.mp3", ""));

  const TPodcastEpisode episode = PickPodcastEpisode(feed, false);
  EXPECT_EQ(episode.EpisodeUrl, "http://cues.example/thu.mp3");
  EXPECT_EQ(episode.EpisodeTitle, "Thursday");
  EXPECT_EQ(episode.FeedTitle, "Morning Cues");
}

TEST_F(PodcastFeed, TitleAfterTheEnclosureBelongsToItsEpisode) {
  const std::string feed = Feed(
      "<item><enclosure url=\"http://cues.example/a.mp3\"/><pubDate>Tue, 01 Oct 2002 06:00:00 GMT"
      "</pubDate><title><![CDATA[Cues & tones]]></title></item>");
  const TPodcastEpisode episode = PickPodcastEpisode(feed, false);
  EXPECT_EQ(episode.EpisodeUrl, "http://cues.example/a.mp3");
  EXPECT_EQ(episode.EpisodeTitle, "Cues & tones");
}

TEST_F(PodcastFeed, WithoutDatesTheLastItemPlays) {
  const std::string feed = Feed(Item("First", "http://cues.example/1.mp3", "") +
                                Item("Second", "http://cues.example/2.mp3", "not a date"));
  const TPodcastEpisode episode = PickPodcastEpisode(feed, false);
  EXPECT_EQ(episode.EpisodeUrl, "http://cues.example/2.mp3");
  EXPECT_EQ(episode.EpisodeTitle, "Second");

  const TPodcastEpisode latestOnly = PickPodcastEpisode(feed, true);
  EXPECT_EQ(latestOnly.EpisodeUrl, "");
  EXPECT_EQ(latestOnly.FeedTitle, "Morning Cues");
}

TEST_F(PodcastFeed, LatestOnlyTakesTodaysNewestEpisodeOrNone) {
  const std::string feed = Feed(Item("Early", "http://cues.example/early.mp3", "Wed, 02 Oct 2002 06:00:00 GMT") +
                                Item("Late", "http://cues.example/late.mp3", "Wed, 02 Oct 2002 18:00:00 GMT") +
                                Item("Yesterday", "http://cues.example/y.mp3", "Tue, 01 Oct 2002 23:00:00 GMT"));

  EXPECT_EQ(PickPodcastEpisode(feed, true, At("Wed, 02 Oct 2002 20:00:00 GMT")).EpisodeUrl,
            "http://cues.example/late.mp3");
  EXPECT_EQ(PickPodcastEpisode(feed, true, At("Tue, 01 Oct 2002 23:30:00 GMT")).EpisodeUrl,
            "http://cues.example/y.mp3");
  EXPECT_EQ(PickPodcastEpisode(feed, true, At("Sat, 05 Oct 2002 12:00:00 GMT")).EpisodeUrl, "");
  // Without the flag the date of today does not matter.
  EXPECT_EQ(PickPodcastEpisode(feed, false, At("Sat, 05 Oct 2002 12:00:00 GMT")).EpisodeUrl,
            "http://cues.example/late.mp3");
}

TEST_F(PodcastFeed, DamagedOrEmptyFeedsGiveWhatTheyHold) {
  EXPECT_EQ(PickPodcastEpisode("", false).EpisodeUrl, "");
  EXPECT_EQ(PickPodcastEpisode("this is no xml", false).FeedTitle, "");
  const std::string cut = Feed(Item("Whole", "http://cues.example/whole.mp3", "Tue, 01 Oct 2002 06:00:00 GMT"))
                              .substr(0, 400) + "<item><title>Cut";
  const TPodcastEpisode episode = PickPodcastEpisode(cut, false);
  EXPECT_EQ(episode.FeedTitle, "Morning Cues");
  EXPECT_EQ(episode.EpisodeUrl, "http://cues.example/whole.mp3");
}

TEST_F(PodcastFeed, FetchesTheFeedWithoutThePodcastWord) {
  LoopbackHttpServer server;
  server.ServeText("/cues.xml", 200, "application/rss+xml",
                   Feed(Item("Only", "http://cues.example/only.mp3", "Tue, 01 Oct 2002 06:00:00 GMT")));

  const TPodcastEpisode episode = ParsePodcastFeed(server.Url("/cues.xml") + " PodCast", false);
  EXPECT_EQ(episode.EpisodeUrl, "http://cues.example/only.mp3");
  EXPECT_EQ(episode.EpisodeTitle, "Only");
  EXPECT_EQ(episode.FeedTitle, "Morning Cues");
  EXPECT_EQ(server.LastRequestHeader("/cues.xml", "User-Agent"),
            "Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)");
}

TEST_F(PodcastFeed, FeedOverTheLimitOrFailingGivesNoEpisode) {
  LoopbackHttpServer server;
  std::string huge = Feed(Item("Big", "http://cues.example/big.mp3", "Tue, 01 Oct 2002 06:00:00 GMT"));
  huge.insert(huge.find("</channel>"), "<description>" + std::string(kPodcastFeedLimitBytes, 'x') + "</description>");
  server.ServeText("/huge.xml", 200, "application/rss+xml", huge);
  server.ServeText("/missing.xml", 404, "text/html", "gone");

  for (const char* path : {"/huge.xml", "/missing.xml"}) {
    SCOPED_TRACE(path);
    const TPodcastEpisode episode = ParsePodcastFeed(server.Url(path), false);
    EXPECT_EQ(episode.EpisodeUrl, "");
    EXPECT_EQ(episode.FeedTitle, "");
  }
}
