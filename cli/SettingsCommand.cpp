#include "cli/SettingsCommand.h"

#include <filesystem>
#include <string>

#include "settings/format/ObjectWriter.h"
#include "settings/player/PlayerIni.h"
#include "settings/system/SystemIni.h"
#include "settings/location/com_settings.h"

namespace {

void DescribeFile(std::ostream& out, const std::string& fileName, const TSettingsComponent& settings) {
  const std::string path = SettingsDir + fileName;
  out << fileName << ": ";
  if (!settings.ReadSuccessful()) {
    out << "not read: " << settings.ReadErrorText() << " (built-in values in use)\n";
  } else if (std::filesystem::exists(path)) {
    out << "read from " << path << '\n';
  } else {
    out << "not found (built-in values in use)\n";
  }
}

// The saved text uses CR LF line ends; a terminal wants LF.
std::string WithUnixLineEnds(const std::string& text) {
  std::string result;
  result.reserve(text.size());
  for (char c : text) {
    if (c != '\r') result += c;
  }
  return result;
}

}  // namespace

int RunSettings(std::ostream& out) {
  out << "settings folder: " << SettingsDir << '\n';
  DescribeFile(out, "player.ini", *PlayerIni);
  DescribeFile(out, "system.ini", *SystemIni);
  out << "\n# player.ini\n" << WithUnixLineEnds(ComponentToText(*PlayerIni));
  out << "\n# system.ini\n" << WithUnixLineEnds(ComponentToText(*SystemIni));
  return 0;
}
