#include "netstream/StreamTitle.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/TextCodec.h"

namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

bool StartsWithText(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && Lower(text.substr(0, prefix.size())) == prefix;
}

std::string Trim(std::string_view text) {
  const auto blank = [](unsigned char c) { return c <= ' '; };
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && blank(text[begin])) ++begin;
  while (end > begin && blank(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

// Text as UTF-8: kept when well-formed, else read as the 8-bit code page.
std::string AsUtf8(std::string_view bytes) {
  return IsValidUtf8(bytes) ? std::string(bytes) : Windows1252ToUtf8(bytes);
}

// The quoted value that starts at `valueStart` (just after key=' ), ending at the text's first
// ";" with the closing quote dropped; empty when that ";" comes before the value.
std::string_view QuotedValueToFirstSemicolon(std::string_view text, size_t valueStart) {
  const size_t semicolon = text.find(';');
  if (semicolon == std::string_view::npos || semicolon <= valueStart) return {};
  std::string_view value = text.substr(valueStart, semicolon - valueStart);
  if (!value.empty() && value.back() == '\'') value.remove_suffix(1);
  return value;
}

// True, with the value, when `comment` ("key=value") has the key `key` (any case).
bool CommentValue(const std::string& comment, std::string_view key, std::string& value) {
  const size_t equals = comment.find('=');
  if (equals == std::string::npos || Lower(std::string_view(comment).substr(0, equals)) != key) {
    return false;
  }
  value = comment.substr(equals + 1);
  return true;
}

}  // namespace

std::vector<std::string> TagStrings(const char* tags) {
  std::vector<std::string> strings;
  for (const char* p = tags; p && *p; p += std::strlen(p) + 1) strings.emplace_back(p);
  return strings;
}

std::string TitleFromMeta(std::string_view meta) {
  static constexpr std::string_view kKey = "StreamTitle='";
  const size_t key = meta.find(kKey.substr(0, kKey.size() - 1));
  if (key == std::string_view::npos) return {};
  return AsUtf8(QuotedValueToFirstSemicolon(meta, key + kKey.size()));
}

std::string TitleFromWmaMeta(std::string_view meta) {
  static constexpr std::string_view kKey = "caption='";
  const size_t key = Lower(meta).find(kKey.substr(0, kKey.size() - 1));
  if (key == std::string::npos) return AsUtf8(meta);
  return AsUtf8(QuotedValueToFirstSemicolon(meta, key + kKey.size()));
}

std::string TitleFromOggComments(const std::vector<std::string>& comments) {
  std::string title;
  std::string artist;
  for (const std::string& comment : comments) {
    std::string value;
    if (CommentValue(comment, "title", value)) {
      title = AsUtf8(value);
    } else if (CommentValue(comment, "artist", value)) {
      artist = AsUtf8(value);
    }
  }
  if (!Trim(artist).empty()) return artist + " - " + title;
  return title;
}

std::string StationNameFromHeaders(const std::vector<std::string>& headers, bool isPodcast,
                                   const std::string& podcastTitle) {
  static constexpr std::string_view kName = "icy-name:";
  static constexpr std::string_view kDescription = "icy-description:";
  std::string name;
  std::string description;
  for (const std::string& header : headers) {
    const std::string_view text(header);
    if (text.substr(0, kName.size()) == kName) {
      name = AsUtf8(text.substr(kName.size()));
    } else if (text.substr(0, kDescription.size()) == kDescription) {
      description = AsUtf8(text.substr(kDescription.size()));
    }
  }
  if (Trim(name).empty()) {
    name = (isPodcast && Trim(description).empty()) ? podcastTitle : description;
  }
  return Trim(name);
}

std::string StationNameFromWmaTags(const std::vector<std::string>& tags) {
  static constexpr std::string_view kTitle = "title=";
  for (const std::string& tag : tags) {
    if (StartsWithText(tag, kTitle)) return AsUtf8(std::string_view(tag).substr(kTitle.size()));
  }
  return {};
}

bool IsShoutcastV2(const std::vector<std::string>& httpHeaders) {
  for (size_t i = 1; i < httpHeaders.size(); ++i) {
    const std::string lower = Lower(httpHeaders[i]);
    if (lower.find("shoutcast") != std::string::npos && lower.find("v2") != std::string::npos) {
      return true;
    }
  }
  return false;
}

TStreamAddress SplitStreamAddress(const std::string& address) {
  TStreamAddress result;
  const size_t lastBlank = address.rfind(' ');
  if (lastBlank == std::string::npos) {
    result.Url = address;
  } else {
    result.Url = Trim(std::string_view(address).substr(0, lastBlank));
    const size_t blankBefore = lastBlank == 0 ? std::string::npos : address.rfind(' ', lastBlank - 1);
    const std::string label = Lower(std::string_view(address).substr(lastBlank + 1));
    const std::string wordBefore =
        blankBefore == std::string::npos
            ? std::string()
            : Lower(std::string_view(address).substr(blankBefore + 1, lastBlank - blankBefore - 1));
    result.Podcast = wordBefore == "podcast" || label == "podcast";
  }
  const std::string lowerUrl = Lower(result.Url);
  if (lowerUrl.size() >= 4 && lowerUrl.compare(lowerUrl.size() - 4, 4, ".xml") == 0) {
    result.Podcast = true;
  }
  return result;
}
