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

void FreeAudioDevice() {
  BASS_SetDevice(0);
  BASS_Free();
}

}  // namespace

TCliModules::TCliModules(const std::string& settingsDir) {
  InitMainThread();
  SetMessageBoxPresenter(&ReportOnStandardError);
  BASS_Init(0, 44100, 0, nullptr, nullptr);
  try {
    FModules = std::make_unique<TProgramModules>(settingsDir);
  } catch (...) {
    // The destructor does not run for a constructor that throws (an unusable --settings-dir).
    FreeAudioDevice();
    throw;
  }
}

TCliModules::~TCliModules() {
  FModules.reset();
  FreeAudioDevice();
}
