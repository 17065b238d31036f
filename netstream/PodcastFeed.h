// Podcast feeds (RSS): which episode a feed address plays.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

struct TPodcastEpisode {
  std::string EpisodeUrl;    // the enclosure's address; "" when the feed gave none
  std::string FeedTitle;     // the channel's title
  std::string EpisodeTitle;  // the chosen item's title
};

// Byte limit of a feed download; a larger feed is dropped.
constexpr int64_t kPodcastFeedLimitBytes = 20971520;
// Connect and read time-outs of a feed download.
constexpr int kPodcastFeedTimeoutMs = 15000;

// Fetches the feed (time-outs 15000 ms, limit 20971520 bytes) and picks the episode; errors leave
// fields empty. A trailing " podcast" (any case) is removed from `address` first. Blocks the
// calling thread for the download; any thread.
TPodcastEpisode ParsePodcastFeed(const std::string& address, bool latestOnly);

// The scan alone, for a feed already fetched (testable without a server). The item with the
// latest pubDate wins (with `latestOnly`, only items dated today, local time); with no dated item
// and `latestOnly` false, the last item. XML that does not parse gives what was read before the
// fault (pugixml keeps the part it could read).
TPodcastEpisode PickPodcastEpisode(const std::string& feedXml, bool latestOnly);

// The same with the clock given: `now` decides what "today" is (local time).
TPodcastEpisode PickPodcastEpisode(const std::string& feedXml, bool latestOnly,
                                   std::chrono::system_clock::time_point now);
