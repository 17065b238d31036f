#include "app/ProgramModules.h"

#include "audiolib/audiolib.h"
#include "dtmf/qv_dtmf.h"
#include "runtime/MsgThread.h"
#include "settings/location/SettingsModule.h"

TProgramModules::TProgramModules(const std::string& settingsDirOverride) {
  InitializeSettingsModule(settingsDirOverride);
  BASS_FX_GetVersion();
  BASS_SetConfig(BASS_CONFIG_DEV_DEFAULT, 1);
  InitializeMsgThreadModule();
  InitializeDtmfModule();
}

TProgramModules::~TProgramModules() {
  FinalizeDtmfModule();
  FinalizeMsgThreadModule();
  FinalizeSettingsModule();
}
