#include "settings/location/SettingsModule.h"

#include <memory>

#include "platform/TickCount.h"
#include "settings/player/PlayerIni.h"
#include "settings/system/SystemIni.h"
#include "settings/location/com_settings.h"

uint64_t ProgramStartTick = 0;

namespace {

std::string WithTrailingSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace

void InitializeSettingsModule(const std::string& settingsDirOverride) {
  InitSettingsLocation();
  if (!settingsDirOverride.empty()) {
    SettingsDir = WithTrailingSlash(settingsDirOverride);
    InitProfilePaths();
  }
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
