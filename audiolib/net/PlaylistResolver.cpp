#include "audiolib/net/PlaylistResolver.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <string>

#include "audiolib/api/ErrorState.h"
#include "audiolib/net/HttpDownload.h"

namespace audiolib {

namespace {

constexpr size_t kMaxPlaylistBytes = 64 * 1024;

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

std::string Absolute(std::string_view entry, std::string_view baseUrl) {
  if (entry.find("://") != std::string_view::npos) return std::string(entry);
  const size_t query = baseUrl.find_first_of("?#");
  const std::string_view path = baseUrl.substr(0, query);
  if (!entry.empty() && entry.front() == '/') {
    const size_t scheme = path.find("://");
    const size_t hostEnd = path.find('/', scheme == std::string_view::npos ? 0 : scheme + 3);
    return std::string(path.substr(0, hostEnd)) + std::string(entry);
  }
  return std::string(path.substr(0, path.rfind('/') + 1)) + std::string(entry);
}

size_t Collect(char* data, size_t size, size_t count, void* body) {
  auto* text = static_cast<std::string*>(body);
  if (text->size() + size * count > kMaxPlaylistBytes) return 0;
  text->append(data, size * count);
  return size * count;
}

}  // namespace

bool PlaylistResolver::IsPlaylistAddress(std::string_view url) {
  const std::string path = Lower(url.substr(0, url.find_first_of("?#")));
  return EndsWith(path, ".pls") || EndsWith(path, ".m3u") || EndsWith(path, ".m3u8");
}

bool PlaylistResolver::IsPlaylistMediaType(std::string_view mediaType) {
  static constexpr std::string_view kTypes[] = {
      "audio/x-scpls", "audio/scpls", "audio/x-mpegurl", "audio/mpegurl",
      "application/pls+xml", "application/x-mpegurl", "application/vnd.apple.mpegurl"};
  return std::find(std::begin(kTypes), std::end(kTypes), mediaType) != std::end(kTypes);
}

std::string PlaylistResolver::FirstEntry(std::string_view text, std::string_view baseUrl) {
  std::string_view firstLine;
  std::string_view bestFile;
  int bestNumber = INT_MAX;
  bool pls = false;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty()) continue;
    if (Lower(line) == "[playlist]") pls = true;
    if (Lower(line.substr(0, 4)) == "file") {
      const size_t equals = line.find('=');
      int number = 0;
      const auto [ptr, error] = std::from_chars(line.data() + 4, line.data() + line.size(), number);
      if (equals != std::string_view::npos && error == std::errc() &&
          ptr == line.data() + equals && number < bestNumber) {
        bestNumber = number;
        bestFile = Trim(line.substr(equals + 1));
      }
      continue;
    }
    if (firstLine.empty() && line.front() != '#' && line.front() != '[' &&
        line.find('=') == std::string_view::npos) {
      firstLine = line;
    }
  }
  const std::string_view entry = pls || !bestFile.empty() ? bestFile : firstLine;
  return entry.empty() ? std::string() : Absolute(entry, baseUrl);
}

std::string PlaylistResolver::Resolve(const DownloadSettings& settings) {
  HttpDownload::InitCurl();
  CURL* easy = curl_easy_init();
  if (!easy) throw AudioError(BASS_ERROR_MEM);
  std::string body;
  HttpDownload::ApplyRequestOptions(easy, settings);
  curl_easy_setopt(easy, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(settings.connectTimeoutMs));
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Collect);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
  const CURLcode result = curl_easy_perform(easy);
  curl_easy_cleanup(easy);
  if (result == CURLE_OPERATION_TIMEDOUT) throw AudioError(BASS_ERROR_TIMEOUT);
  if (result == CURLE_SSL_CONNECT_ERROR || result == CURLE_PEER_FAILED_VERIFICATION) {
    throw AudioError(BASS_ERROR_SSL);
  }
  if (result != CURLE_OK) throw AudioError(BASS_ERROR_FILEOPEN);
  std::string entry = FirstEntry(body, settings.url);
  if (entry.empty()) throw AudioError(BASS_ERROR_FILEOPEN);
  return entry;
}

}  // namespace audiolib
