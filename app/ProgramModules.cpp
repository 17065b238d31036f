#include "app/ProgramModules.h"

#include "audiolib/audiolib.h"
#include "dtmf/qv_dtmf.h"
#include "settings/location/SettingsModule.h"

TProgramModules::TProgramModules(const std::string& settingsDirOverride) {
  InitializeSettingsModule(settingsDirOverride);
  BASS_FX_GetVersion();
  BASS_SetConfig(BASS_CONFIG_DEV_DEFAULT, 1);
  InitializeDtmfModule();
}

TProgramModules::~TProgramModules() {
  FinalizeDtmfModule();
  FinalizeSettingsModule();
}
