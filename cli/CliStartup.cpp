#include "cli/CliStartup.h"

#include <cstdio>
#include <memory>

#include "audiolib/audiolib.h"
#include "dtmf/qv_dtmf.h"
#include "platform/MainThread.h"
#include "platform/MessageBox.h"
#include "settings/PlayerIni.h"

namespace {

int ReportOnStandardError(HWND, const std::string& text, const std::string&, UINT) {
  std::fprintf(stderr, "tonesentry: %s\n", text.c_str());
  return IDOK;
}

}  // namespace

TCliModules::TCliModules() {
  InitMainThread();
  SetMessageBoxPresenter(&ReportOnStandardError);
  BASS_Init(0, 44100, 0, nullptr, nullptr);
  PlayerIni = std::make_unique<TPlayerIni>();
  InitializeDtmfModule();
}

TCliModules::~TCliModules() {
  FinalizeDtmfModule();
  PlayerIni.reset();
  BASS_SetDevice(0);
  BASS_Free();
}
