// What a network stream's tags say: the current title (ICY metadata, Ogg comments, Windows Media
// metadata), the station name (ICY or HTTP response headers), whether the server is a SHOUTcast v2
// server, and how a stream address names a podcast feed. Pure functions on text; any thread.
// Every result is UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The strings of a tag list as the audio library gives them: null-terminated strings one after
// another, ended by an empty one. Null gives none.
std::vector<std::string> TagStrings(const char* tags);

// The title of an ICY metadata block ("StreamTitle='Artist - Song';StreamUrl='';"): the value of
// StreamTitle (exact case) without its quotes, cut at the block's first ";". Empty when there is
// no StreamTitle or a ";" comes before it. Bytes that are not well-formed UTF-8 are read as
// Windows-1252.
std::string TitleFromMeta(std::string_view meta);

// The title of a Windows Media metadata text: the value of "caption=" (any case) without its
// quotes, cut at the first ";"; the whole text when it has no caption.
std::string TitleFromWmaMeta(std::string_view meta);

// The title of Ogg comments ("KEY=value"): the TITLE value, "ARTIST - TITLE" when the ARTIST value
// is not blank (keys in any case).
std::string TitleFromOggComments(const std::vector<std::string>& comments);

// The station name from response headers: "icy-name:" (exact case), else "icy-description:";
// for a podcast without either, `podcastTitle`. Trimmed.
std::string StationNameFromHeaders(const std::vector<std::string>& headers, bool isPodcast,
                                   const std::string& podcastTitle);

// The station name of a Windows Media stream: the value of its "title=" tag (any case).
std::string StationNameFromWmaTags(const std::vector<std::string>& tags);

// The HTTP headers (status line first) say the server is a SHOUTcast v2 server: a header after
// the status line contains both "shoutcast" and "v2" (any case).
bool IsShoutcastV2(const std::vector<std::string>& httpHeaders);

// A stream address as the caller gives it: the address to open and whether it is a podcast feed.
struct TStreamAddress {
  std::string Url;
  bool Podcast = false;
};

// Text after the last blank is a label and is dropped (the rest trimmed). The address is a
// podcast feed when the word before that label, or the label itself, is "podcast" (any case),
// or the address ends in ".xml" (any case).
TStreamAddress SplitStreamAddress(const std::string& address);
