#include "netstream/PodcastFeed.h"

#include <pugixml.hpp>

#include <cctype>
#include <ctime>
#include <optional>
#include <string_view>

#include "netstream/HttpClient.h"
#include "netstream/PodcastFeedDate.h"

namespace {

struct FeedItem {
  std::string url;
  std::string title;
  std::optional<int64_t> dateSeconds;
};

// The local calendar day of an instant, as a comparable number.
int LocalDay(std::time_t seconds) {
  std::tm local{};
  localtime_r(&seconds, &local);
  return (local.tm_year + 1900) * 10000 + (local.tm_mon + 1) * 100 + local.tm_mday;
}

// An item's enclosure, date and title, each the last one found anywhere inside it.
class ItemReader : public pugi::xml_tree_walker {
 public:
  bool for_each(pugi::xml_node& node) override {
    if (node.type() != pugi::node_element) return true;
    const std::string_view name = node.name();
    if (name == "enclosure") {
      read.url = node.attribute("url").value();
    } else if (name == "pubDate") {
      read.dateSeconds = ParseRfc822Date(node.text().get());
    } else if (name == "title") {
      read.title = node.text().get();
    }
    return true;
  }

  FeedItem read;
};

FeedItem ReadItem(pugi::xml_node item) {
  ItemReader reader;
  item.traverse(reader);
  return reader.read;
}

class FeedScan {
 public:
  FeedScan(bool latestOnly, std::time_t now) : latestOnly_(latestOnly), today_(LocalDay(now)) {}

  void Walk(const pugi::xml_node& parent) {
    for (pugi::xml_node node : parent.children()) {
      if (node.type() != pugi::node_element) continue;
      const std::string_view name = node.name();
      if (name == "item") {
        TakeItem(ReadItem(node));
      } else {
        if (name == "title") episode_.FeedTitle = node.text().get();
        Walk(node);
      }
    }
  }

  TPodcastEpisode Result() {
    if (!bestDate_ && !latestOnly_ && lastItem_) {
      episode_.EpisodeUrl = lastItem_->url;
      episode_.EpisodeTitle = lastItem_->title;
    }
    return episode_;
  }

 private:
  void TakeItem(const FeedItem& item) {
    lastItem_ = item;
    if (!item.dateSeconds || item.url.empty()) return;
    if (bestDate_ && *item.dateSeconds <= *bestDate_) return;
    if (latestOnly_ && LocalDay(static_cast<std::time_t>(*item.dateSeconds)) != today_) return;
    bestDate_ = item.dateSeconds;
    episode_.EpisodeUrl = item.url;
    episode_.EpisodeTitle = item.title;
  }

  const bool latestOnly_;
  const int today_;
  TPodcastEpisode episode_;
  std::optional<int64_t> bestDate_;
  std::optional<FeedItem> lastItem_;
};

bool EndsWithPodcastWord(const std::string& address) {
  static const std::string kWord = " podcast";
  if (address.size() < kWord.size()) return false;
  for (size_t i = 0; i < kWord.size(); ++i) {
    const char c = address[address.size() - kWord.size() + i];
    if (std::tolower(static_cast<unsigned char>(c)) != kWord[i]) return false;
  }
  return true;
}

}  // namespace

TPodcastEpisode PickPodcastEpisode(const std::string& feedXml, bool latestOnly,
                                   std::chrono::system_clock::time_point now) {
  pugi::xml_document document;
  // A feed cut short keeps the part read before the fault.
  document.load_buffer(feedXml.data(), feedXml.size());
  FeedScan scan(latestOnly, std::chrono::system_clock::to_time_t(now));
  scan.Walk(document);
  return scan.Result();
}

TPodcastEpisode PickPodcastEpisode(const std::string& feedXml, bool latestOnly) {
  return PickPodcastEpisode(feedXml, latestOnly, std::chrono::system_clock::now());
}

TPodcastEpisode ParsePodcastFeed(const std::string& address, bool latestOnly) {
  std::string feedAddress = address;
  if (EndsWithPodcastWord(feedAddress)) feedAddress.resize(feedAddress.size() - 8);
  std::string feedXml;
  try {
    std::unique_ptr<THTTPClient> client = CreateHTTPClient();
    client->SetConnectTimeout(kPodcastFeedTimeoutMs);
    client->SetReadTimeout(kPodcastFeedTimeoutMs);
    THTTPEventClass::AttachLimit(*client, kPodcastFeedLimitBytes);
    feedXml = client->Get(feedAddress);
  } catch (const EHTTPClientError&) {
    feedXml.clear();
  }
  return PickPodcastEpisode(feedXml, latestOnly);
}
