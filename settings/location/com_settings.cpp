#include "settings/location/com_settings.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>

#include "audiolib/audiolib.h"
#include "platform/Folders.h"
#include "platform/IniFile.h"
#include "platform/Locale.h"
#include "platform/TextCodec.h"
#include "settings/location/CopyDirectory.h"
#include "settings/format/TextCase.h"

namespace fs = std::filesystem;

std::string ProgramDir;
std::string SettingsUID;
std::string SettingsDir;
std::string SettingsInitError;
std::string RunIniPath;
std::string LastProfileIniPath;
std::string ResumePlaybackIniPath;
std::string WindowPosIniPath;
bool MondayFirst = false;
std::string StreamUserAgentAnsi;
std::array<std::string, kMessageCount> MessageTable;

namespace {

constexpr const char* kBuiltInStyles[] = {"Light", "Dark", "Flat", "Black"};
constexpr double kUnixEpochAsDateTime = 25569.0;  // 1970-01-01 counted from 1899-12-30
constexpr double kSecondsPerDay = 86400.0;

std::string WithTrailingSlash(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

bool IsSettingsFreeExecutable(std::string name) {
  if (name.size() >= 4 && SameText(std::string_view(name).substr(name.size() - 4), ".exe")) name.resize(name.size() - 4);
  return SameText(name, "beamora");
}

// Copies the file; failures are passed over in silence.
void CopyQuietly(const std::string& from, const std::string& to, bool replace) {
  std::error_code ec;
  fs::copy_file(from, to, replace ? fs::copy_options::overwrite_existing : fs::copy_options::skip_existing, ec);
}

// Copies a shipped folder without replacing the user's files; a failure is kept for the product's UI.
void CopyShippedFolder(const std::string& name, const std::string& errorPrefix) {
  try {
    CopyDirectory(ProgramDir + name, SettingsDir + name, false, true);
  } catch (const EDirCopyException& error) {
    SettingsInitError = errorPrefix + error.what();
  }
}

void SeedNewSettingsFolder() {
  std::error_code ec;
  for (const char* folder : {"Profile", "Log", "Voicetracks"}) fs::create_directories(SettingsDir + folder, ec);
  CopyShippedFolder("Presets", "Profile init error: ");
}

// Runs at every start: the shipped styles replace edited copies, the user's line files stay.
void RefreshShippedFiles() {
  CopyQuietly(ProgramDir + "line.in", SettingsDir + "line.in", false);
  CopyQuietly(ProgramDir + "line2.in", SettingsDir + "line2.in", false);
  CopyShippedFolder("Style", "Init error: ");
  for (const char* style : kBuiltInStyles) {
    std::string file = std::string("Style/") + style + ".qvstyle";
    CopyQuietly(ProgramDir + file, SettingsDir + file, true);
  }
  CopyShippedFolder("Templates", "Init error: ");
  std::error_code ec;
  if (fs::exists(ProgramDir + "textconversion-example.txt", ec)) {
    CopyQuietly(ProgramDir + "textconversion-example.txt", SettingsDir + "textconversion-example.txt", true);
  }
}

}  // namespace

void InitSettingsDir() { InitSettingsDir(fs::path(ExecutablePath()).filename().string()); }

void InitSettingsDir(const std::string& executableFileName) {
  SettingsUID.clear();
  SettingsDir.clear();
  if (IsSettingsFreeExecutable(executableFileName)) return;

  TIniFile uidIni(ProgramDir + "uid.ini");
  SettingsUID = uidIni.ReadString("Settings", "UID", "");
  std::string allUsers = uidIni.ReadString("Settings", "Allusers", "");
  std::string appData = SHGetFolderPath(allUsers == "A" ? CSIDL_COMMON_APPDATA : CSIDL_APPDATA);
  // Without an identifier, or without a home folder to put it in, the settings stay beside the program.
  if (SettingsUID.empty() || appData.empty()) {
    SettingsDir = ProgramDir;
    return;
  }
  SettingsDir = WithTrailingSlash(appData) + VendorFolder + "/Quaverlin_" + SettingsUID + "/";

  std::error_code ec;
  if (!fs::is_directory(SettingsDir + "Profile", ec)) SeedNewSettingsFolder();
  RefreshShippedFiles();
}

void InitProfilePaths() {
  RunIniPath = SettingsDir + "Profile/run.ini";
  LastProfileIniPath = SettingsDir + "Profile/lastprofile.ini";
  ResumePlaybackIniPath = SettingsDir + "Profile/resumeplayback.ini";
}

std::string ResolveSettingsRelativeDir(const std::string& value) {
  std::string result = value;
  // Only the stored Windows form "\Folder" is relative; "/folder" is an absolute Linux path.
  if (value.size() >= 2 && value[0] == '\\' && value[1] != '\\') {
    std::string relative = value;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    std::string base = SettingsDir;
    if (!base.empty() && base.back() == '/') base.pop_back();
    result = base + relative;
  }
  // The root folder keeps its one separator: without it, it would name no folder at all.
  if (result.size() > 1 || result == "\\") {
    if (result.back() == '\\' || result.back() == '/') result.pop_back();
  }
  return result;
}

std::string LangIniPath(const std::string& langDir) { return ProgramDir + "Lang/" + langDir + "/lang.ini"; }

void LoadMessageTable(const std::string& langIniPath) {
  TMemIniFile lang(langIniPath);
  for (int i = 0; i < kMessageCount; ++i) {
    std::string& entry = MessageTable[static_cast<size_t>(i)];
    entry = lang.ReadString("Strings", "s" + std::to_string(i), entry);
    for (size_t tab = entry.find('\t'); tab != std::string::npos; tab = entry.find('\t', tab + 2)) {
      entry.replace(tab, 1, "\r\n");
    }
  }
}

TDateTime CurrentClockTime() {
  auto now = std::chrono::system_clock::now();
  std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm local {};
  localtime_r(&seconds, &local);
  double sinceEpoch = std::chrono::duration<double>(now.time_since_epoch()).count();
  return kUnixEpochAsDateTime + (sinceEpoch + static_cast<double>(local.tm_gmtoff)) / kSecondsPerDay;
}

void HandStreamUserAgentToAudioLibrary(const std::string& userAgent) {
  StreamUserAgentAnsi = Utf8ToWindows1252(userAgent);
  BASS_SetConfigPtr(BASS_CONFIG_NET_AGENT, StreamUserAgentAnsi.c_str());
}

void InitSettingsLocation(const std::string& settingsDirOverride) {
  InitSettingsLocation(ExecutablePath(), settingsDirOverride);
}

void InitSettingsLocation(const std::string& executablePath, const std::string& settingsDirOverride) {
  ProgramDir = executablePath.empty() ? std::string() : WithTrailingSlash(fs::path(executablePath).parent_path().string());
  if (settingsDirOverride.empty()) {
    InitSettingsDir(fs::path(executablePath).filename().string());
  } else {
    // The user's folder replaces the usual one, which is then neither created nor seeded.
    SettingsUID.clear();
    SettingsDir = WithTrailingSlash(settingsDirOverride);
  }
  InitProfilePaths();
}

void InitSettingsEnvironment(const std::string& langDir, const std::string& streamUserAgent) {
  LoadMessageTable(LangIniPath(langDir));
  MondayFirst = LocaleFirstDayOfWeek() == 0;
  WindowPosIniPath = SettingsDir + "windowpos.ini";
  HandStreamUserAgentToAudioLibrary(streamUserAgent);
}

void FinalizeSettingsLocation() {
  for (std::string* value : {&ProgramDir, &SettingsUID, &SettingsDir, &SettingsInitError, &RunIniPath,
                             &LastProfileIniPath, &ResumePlaybackIniPath, &WindowPosIniPath}) {
    value->clear();
  }
  MondayFirst = false;
}
