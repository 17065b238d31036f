#include "cli/SettingsCommand.h"

#include <filesystem>
#include <string>

#include "platform/IniFile.h"
#include "settings/format/ObjectWriter.h"
#include "settings/player/PlayerIni.h"
#include "settings/system/SystemIni.h"
#include "settings/location/com_settings.h"

namespace {

void DescribeFile(std::ostream& out, const std::string& fileName, const TSettingsComponent& settings) {
  const std::string path = SettingsDir + fileName;
  out << fileName << ": ";
  if (settings.ReadRestoredFromBackup()) out << "restored from " << fileName << ".bak, ";
  std::error_code ec;
  if (!settings.ReadSuccessful()) {
    out << "not read: " << settings.ReadErrorText() << " (built-in values in use)\n";
  } else if (!settings.ReadParseErrorText().empty()) {
    out << "did not parse: " << settings.ReadParseErrorText() << " (built-in values in use)\n";
  } else if (std::filesystem::exists(path, ec)) {
    out << "read from " << path << '\n';
  } else {
    out << "not found (built-in values in use)\n";
  }
}

// uid.ini and lang.ini read as empty when they cannot be read; say so when that happens.
void DescribeIniProblem(std::ostream& out, const std::string& label, const std::string& path,
                        const std::string& consequence) {
  const std::string problem = TIniFile(path).ReadErrorText();
  if (problem.empty()) return;
  out << label << ": not read: " << problem;
  if (!consequence.empty()) out << " (" << consequence << ')';
  out << '\n';
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
  DescribeIniProblem(out, "uid.ini", ProgramDir + "uid.ini", "");
  DescribeFile(out, "player.ini", *PlayerIni);
  DescribeFile(out, "system.ini", *SystemIni);
  DescribeIniProblem(out, "lang.ini", LangIniPath(SystemIni->LangDir()), "built-in texts in use");
  out << "\n# player.ini\n" << WithUnixLineEnds(ComponentToText(*PlayerIni));
  out << "\n# system.ini\n" << WithUnixLineEnds(ComponentToText(*SystemIni));
  return 0;
}
