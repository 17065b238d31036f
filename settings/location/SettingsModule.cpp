#include "settings/location/SettingsModule.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "platform/TickCount.h"
#include "settings/player/PlayerIni.h"
#include "settings/system/SystemIni.h"
#include "settings/location/com_settings.h"

uint64_t ProgramStartTick = 0;

namespace {

// A user's settings folder must exist: reading built-in values from a mistyped name would pass
// unnoticed.
void CheckSettingsDirOverride(const std::string& folder) {
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0) {
    int error = errno;
    if (error == ENOENT || error == ENOTDIR) throw ESettingsDirError("settings folder " + folder + " does not exist");
    throw ESettingsDirError("settings folder " + folder + " cannot be used: " + std::strerror(error));
  }
  if (!S_ISDIR(info.st_mode)) throw ESettingsDirError("settings folder " + folder + " is not a folder");
}

}  // namespace

void InitializeSettingsModule(const std::string& settingsDirOverride) {
  if (!settingsDirOverride.empty()) CheckSettingsDirOverride(settingsDirOverride);
  InitSettingsLocation(settingsDirOverride);
  PlayerIni = std::make_unique<TPlayerIni>();
  PlayerIni->Read();
  SystemIni = std::make_unique<TSystemIni>();
  SystemIni->Read();
  ProgramStartTick = GetTickCount64();
  InitSettingsEnvironment(SystemIni->LangDir(), SystemIni->StreamUserAgent());
}

void FinalizeSettingsModule() {
  SystemIni.reset();
  PlayerIni.reset();
  FinalizeSettingsLocation();
  ProgramStartTick = 0;
}
