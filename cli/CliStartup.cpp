#include "cli/CliStartup.h"

#include <cstdio>

#include "audiolib/audiolib.h"
#include "platform/MainThread.h"
#include "platform/MessageBox.h"

namespace {

int ReportOnStandardError(HWND, const std::string& text, const std::string&, UINT) {
  std::fprintf(stderr, "tonesentry: %s\n", text.c_str());
  return IDOK;
}

}  // namespace

TCliModules::TCliModules(const std::string& settingsDir) {
  InitMainThread();
  SetMessageBoxPresenter(&ReportOnStandardError);
  BASS_Init(0, 44100, 0, nullptr, nullptr);
  FModules = std::make_unique<TProgramModules>(settingsDir);
}

TCliModules::~TCliModules() {
  FModules.reset();
  BASS_SetDevice(0);
  BASS_Free();
}
