#include "playback/playlist/ItemKinds.h"

#include <array>
#include <limits>
#include <string_view>

#include "playback/audio_dtmfgen.h"
#include "playback/commands/CommandClassifier.h"
#include "settings/format/TextCase.h"

namespace {

bool StartsText(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

bool EndsText(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && SameText(text.substr(text.size() - suffix.size()), suffix);
}

std::string_view FileNamePart(std::string_view name) {
    const size_t lastDelimiter = name.find_last_of("\\/");
    return lastDelimiter == std::string_view::npos ? name : name.substr(lastDelimiter + 1);
}

// The extension of the file-name part with its dot; empty when it has none.
std::string_view Extension(std::string_view name) {
    const std::string_view fileName = FileNamePart(name);
    const size_t dot = fileName.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : fileName.substr(dot);
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}

std::string UrlDecode(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+') {
            decoded += ' ';
        } else if (c == '%' && i + 2 < text.size() && IsHexDigit(text[i + 1]) && IsHexDigit(text[i + 2])) {
            decoded += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            decoded += c;
        }
    }
    return decoded;
}

// A run of decimal digits as a number, or -1 when the text is empty, holds anything else or
// exceeds limit.
int64_t DecimalNumber(std::string_view digits, int64_t limit) {
    if (digits.empty()) return -1;
    int64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
        if (value > limit) return -1;
    }
    return value;
}

constexpr std::string_view containerPrefix = "container=";
constexpr std::string_view commandExtension = ".command";

}  // namespace

bool IsNetworkAddress(const std::string& name) {
    return StartsText(name, "http://") || StartsText(name, "ftp://") || StartsText(name, "mms://") ||
           StartsText(name, "https://");
}

bool IsPauseItem(const std::string& name) {
    return StartsText(name, "pause ") || StartsText(FileNamePart(name), "pause ");
}

bool IsContainerItem(const std::string& name) { return StartsText(name, containerPrefix); }

std::string ContainerItemFile(const std::string& name) {
    if (!IsContainerItem(name)) return {};
    const std::string_view rest = std::string_view(name).substr(containerPrefix.size());
    return UrlDecode(rest.substr(0, rest.find('|')));
}

bool IsTeaserItem(const std::string& name) { return StartsText(name, "teaser="); }

bool IsTextToSpeechItem(const std::string& name) { return StartsText(name, "tts="); }

bool IsTimeAnnouncementItem(const std::string& name) { return StartsText(name, "saytime="); }

int LineInputNumber(const std::string& name) {
    const std::string_view fileName = FileNamePart(name);
    if (StartsText(fileName, "line.in")) return 1;
    if (StartsText(fileName, "line2.in")) return 2;
    if (StartsText(fileName, "line3.in")) return 3;
    return 0;
}

bool IsListFile(const std::string& name) {
    const std::string_view extension = Extension(name);
    return SameText(extension, ".m3u") || SameText(extension, ".m3u8");
}

bool IsCdTrack(const std::string& name) { return SameText(Extension(name), ".cda"); }

bool IsVideoFile(const std::string& name) {
    static constexpr std::array<std::string_view, 15> videoExtensions = {
        ".3gp", ".avi", ".divx", ".flv", ".mkv", ".mov", ".mpeg", ".mpg",
        ".vob", ".wmv", ".mp4",  ".m2ts", ".m2v", ".ogm", ".webm"};
    const std::string_view extension = Extension(name);
    for (const std::string_view video : videoExtensions) {
        if (SameText(extension, video)) return true;
    }
    return false;
}

bool IsCommandItem(const std::string& name) {
    return SameText(Extension(name), commandExtension) && !IsContainerItem(name);
}

std::string CommandItemText(const std::string& name) {
    if (!IsCommandItem(name)) return {};
    return name.substr(0, name.size() - commandExtension.size());
}

bool IsTrackListItem(const std::string& name) {
    const size_t n = name.size();
    if (n >= 2 && name[n - 2] == '*' && IsHexDigit(name[n - 1])) return true;
    return n >= 3 && name[n - 3] == '*' && IsHexDigit(name[n - 2]) && IsHexDigit(name[n - 1]);
}

bool IsCommentItem(const std::string& name) { return EndsText(name, ".comment"); }

bool IsHourMarkerItem(const std::string& name) { return EndsText(name, ".hourmarker"); }

bool IsPodcastItem(const std::string& name) {
    const size_t lastBlank = name.rfind(' ');
    if (lastBlank == std::string::npos) return false;
    const std::string_view before = std::string_view(name).substr(0, lastBlank);
    const size_t blankBefore = before.rfind(' ');
    const std::string_view word = blankBefore == std::string_view::npos ? before : before.substr(blankBefore + 1);
    return SameText(word, "podcast");
}

bool IsSpecialItem(const std::string& name) {
    return IsNetworkAddress(name) || IsCommandItem(name) || IsTrackListItem(name) ||
           IsTimeAnnouncementItem(name) || LineInputNumber(name) != 0 || IsPauseItem(name) ||
           IsTextToSpeechItem(name) || IsDTMFItem(name) || IsTeaserItem(name) || IsCommentItem(name) ||
           IsHourMarkerItem(name) || IsContainerItem(name) || IsCommandText(name);
}

bool IsOrdinaryFile(const std::string& name) {
    return !(IsNetworkAddress(name) || IsCdTrack(name) || IsVideoFile(name) || LineInputNumber(name) != 0 ||
             IsPauseItem(name) || IsDTMFItem(name) || IsTextToSpeechItem(name) ||
             IsTimeAnnouncementItem(name) || IsCommandItem(name) || IsListFile(name) || IsTeaserItem(name) ||
             IsContainerItem(name) || IsCommandText(name));
}

int32_t DurationFromItemName(const std::string& name) {
    const size_t lastBlank = name.rfind(' ');
    if (lastBlank == std::string::npos) return 0;
    const std::string_view word = std::string_view(name).substr(lastBlank + 1);
    constexpr int64_t maxMs = std::numeric_limits<int32_t>::max();
    const bool inSeconds = !word.empty() && word.front() == '#';
    const int64_t msPerUnit = inSeconds ? 1000 : 60000;
    const int64_t count = DecimalNumber(inSeconds ? word.substr(1) : word, maxMs / msPerUnit);
    return count < 0 ? 0 : static_cast<int32_t>(count * msPerUnit);
}
