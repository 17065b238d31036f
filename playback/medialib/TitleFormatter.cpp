#include "playback/medialib/TitleFormatter.h"

namespace {

bool IsBlank(const std::string& text) { return text.find_first_not_of(" \t") == std::string::npos; }

}  // namespace

std::string FileTitle(const std::string& name) {
  const size_t separator = name.find_last_of("/\\");
  std::string part = separator == std::string::npos ? name : name.substr(separator + 1);
  const size_t dot = part.find_last_of('.');
  if (dot != std::string::npos && dot > 0) part.erase(dot);
  return part;
}

std::string FormatTrackTitle(const TPlaylistEntry& entry) {
  if (!IsBlank(entry.Title)) return IsBlank(entry.Artist) ? entry.Title : entry.Artist + " - " + entry.Title;
  std::string title = FileTitle(entry.Filename);
  return title.empty() ? entry.Filename : title;
}
