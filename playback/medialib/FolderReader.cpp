#include "playback/medialib/FolderReader.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <system_error>

#include "settings/format/TextCase.h"

namespace fs = std::filesystem;

namespace {

constexpr std::array<std::string_view, 25> kAudioExtensions = {
    "aac", "ac3", "aif", "aifc", "aiff", "ape", "au",  "caf", "flac", "m4a", "m4b", "mka", "mp1",
    "mp2", "mp3", "mpc", "oga",  "ogg",  "opus", "spx", "tta", "wav",  "wma", "wv",  "w64"};

bool HasAudioExtension(const std::string& name) {
  const size_t dot = name.find_last_of('.');
  if (dot == std::string::npos || dot == 0) return false;
  return IsAudioFileExtension(std::string_view(name).substr(dot + 1));
}

}  // namespace

bool IsAudioFileExtension(std::string_view extension) {
  return std::any_of(kAudioExtensions.begin(), kAudioExtensions.end(),
                     [extension](std::string_view known) { return SameText(known, extension); });
}

std::vector<std::string> ListAudioFilesInFolder(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  fs::directory_iterator it(folder, error);
  for (; !error && it != fs::directory_iterator(); it.increment(error)) {
    std::string name = it->path().filename().string();
    std::error_code statError;
    if (HasAudioExtension(name) && it->is_regular_file(statError)) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  std::string prefix = folder;
  if (prefix.empty() || prefix.back() != '/') prefix += '/';
  for (std::string& name : names) name.insert(0, prefix);
  return names;
}
