#include "playback/medialib/ListFileReader.h"

#include <array>
#include <cctype>
#include <climits>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <string_view>

#include "platform/LocalFile.h"
#include "platform/TextCodec.h"
#include "settings/format/TextCase.h"

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kExtInf = "#EXTINF:";
constexpr std::array<std::string_view, 5> kPseudoPrefixes = {"dtmf=", "tts=", "saytime=", "teaser=", "container="};

bool StartsWithText(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

bool EndsWithText(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && SameText(text.substr(text.size() - suffix.size()), suffix);
}

std::string_view Trimmed(std::string_view line) {
  const size_t first = line.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const size_t last = line.find_last_not_of(" \t\r");
  return line.substr(first, last - first + 1);
}

// Text after a UTF-16 byte-order mark (FF FE little-endian, FE FF big-endian); an odd last byte
// is dropped.
std::string Utf16Text(std::string_view bytes, bool bigEndian) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i) {
    const auto high = static_cast<unsigned char>(bytes[2 * i + (bigEndian ? 0 : 1)]);
    const auto low = static_cast<unsigned char>(bytes[2 * i + (bigEndian ? 1 : 0)]);
    units[i] = static_cast<char16_t>(high << 8 | low);
  }
  return Utf16ToUtf8(units);
}

std::string DecodedText(std::string bytes, bool alwaysUtf8) {
  if (bytes.starts_with("\xFF\xFE")) return Utf16Text(std::string_view(bytes).substr(2), false);
  if (bytes.starts_with("\xFE\xFF")) return Utf16Text(std::string_view(bytes).substr(2), true);
  if (bytes.starts_with(kUtf8Bom)) bytes.erase(0, kUtf8Bom.size());
  if (IsValidUtf8(bytes)) return bytes;
  if (alwaysUtf8) return Utf16ToUtf8(Utf8ToUtf16(bytes));
  return Windows1252ToUtf8(bytes);
}

// "scheme://" with a scheme of letters, digits, '+', '-' or '.' starting with a letter.
bool HasUrlScheme(std::string_view line) {
  const size_t colon = line.find("://");
  if (colon == std::string_view::npos || colon == 0) return false;
  if (!std::isalpha(static_cast<unsigned char>(line[0]))) return false;
  for (char c : line.substr(0, colon)) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') return false;
  }
  return true;
}

bool IsWindowsDrivePath(std::string_view line) {
  return line.size() >= 3 && std::isalpha(static_cast<unsigned char>(line[0])) && line[1] == ':' &&
         (line[2] == '\\' || line[2] == '/');
}

bool KeptAsWritten(std::string_view line) {
  if (StartsWithText(line, "file://")) return false;
  if (HasUrlScheme(line) || StartsWithText(line, "pause ") || IsWindowsDrivePath(line)) return true;
  for (std::string_view prefix : kPseudoPrefixes) {
    if (StartsWithText(line, prefix)) return true;
  }
  return false;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "file:///a%20b" and "file://localhost/a%20b" -> "/a b"; a malformed escape stays as written.
std::string LocalPathOfFileUrl(std::string_view url) {
  url.remove_prefix(std::string_view("file://").size());
  if (StartsWithText(url, "localhost/")) url.remove_prefix(std::string_view("localhost").size());
  std::string path;
  for (size_t i = 0; i < url.size(); ++i) {
    if (url[i] == '%' && i + 2 < url.size() && HexValue(url[i + 1]) >= 0 && HexValue(url[i + 2]) >= 0) {
      path += static_cast<char>(HexValue(url[i + 1]) * 16 + HexValue(url[i + 2]));
      i += 2;
    } else {
      path += url[i];
    }
  }
  return path;
}

std::string ResolvedName(std::string_view line, const std::filesystem::path& listFolder) {
  if (KeptAsWritten(line)) return std::string(line);
  std::string path = StartsWithText(line, "file://") ? LocalPathOfFileUrl(line) : std::string(line);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  if (path.starts_with('/')) return path;
  return (listFolder / path).lexically_normal().string();
}

// Length in ms of "#EXTINF:" text such as "123", "-1", "12.5 tvg-id=\"x\""; 0 when unknown.
int32_t ExtInfDurationMs(std::string_view lengthText) {
  double seconds = 0;
  const auto [end, error] = std::from_chars(lengthText.data(), lengthText.data() + lengthText.size(), seconds);
  (void)end;
  if (error != std::errc() || !(seconds > 0) || seconds * 1000 > INT32_MAX) return 0;
  return static_cast<int32_t>(std::lround(seconds * 1000));
}

// The first comma outside double quotes, which ends the length and its attributes.
size_t InfoComma(std::string_view info) {
  bool quoted = false;
  for (size_t i = 0; i < info.size(); ++i) {
    if (info[i] == '"') quoted = !quoted;
    if (info[i] == ',' && !quoted) return i;
  }
  return std::string_view::npos;
}

void ApplyExtInf(std::string_view info, TPlaylistEntry& entry) {
  const size_t comma = InfoComma(info);
  entry.Duration = ExtInfDurationMs(Trimmed(info.substr(0, comma)));
  if (comma == std::string_view::npos) return;
  const std::string_view text = Trimmed(info.substr(comma + 1));
  const size_t dash = text.find(" - ");
  if (dash == std::string_view::npos) {
    entry.Title = text;
  } else {
    entry.Artist = Trimmed(text.substr(0, dash));
    entry.Title = Trimmed(text.substr(dash + 3));
  }
}

// Calls lineAction for every non-empty line, trimmed.
template <class TLineAction>
void ForEachLine(std::string_view text, TLineAction lineAction) {
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = Trimmed(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty()) lineAction(line);
  }
}

size_t ItemLineCount(std::string_view text) {
  size_t count = 0;
  ForEachLine(text, [&count](std::string_view line) { count += line.starts_with('#') ? 0 : 1; });
  return count;
}

}  // namespace

int32_t ReadListFile(const std::string& listFileName, std::vector<TPlaylistEntry>& entries) {
  TFileContents contents = ReadRegularFile(listFileName, kMaxListFileBytes);
  if (!contents.problem.empty()) return -1;
  const std::string text = DecodedText(std::move(contents.bytes), EndsWithText(listFileName, ".m3u8"));
  const std::filesystem::path listFolder = std::filesystem::path(listFileName).parent_path();

  const size_t itemCount = ItemLineCount(text);
  if (itemCount > kMaxListFileEntries) return -1;
  const size_t countBefore = entries.size();
  entries.reserve(countBefore + itemCount);  // entries are large: no regrowth copies
  TPlaylistEntry pending;
  ForEachLine(text, [&](std::string_view line) {
    if (line.starts_with('#')) {
      if (StartsWithText(line, kExtInf)) ApplyExtInf(line.substr(kExtInf.size()), pending);
      return;
    }
    pending.Filename = ResolvedName(line, listFolder);
    entries.push_back(std::move(pending));
    pending = TPlaylistEntry();
  });
  return static_cast<int32_t>(entries.size() - countBefore);
}
