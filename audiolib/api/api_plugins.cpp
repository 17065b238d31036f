// The add-on calls: opening add-on libraries, and the Winamp-DSP calls forwarded to theirs.
#include <memory>
#include <mutex>

#include "audiolib/api/ErrorState.h"
#include "audiolib/audiolib.h"
#include "audiolib/plugins/AddOnLibrary.h"

using namespace audiolib;

namespace {

// The Winamp-DSP add-on, opened on first use and kept until the process ends.
const AddOnLibrary* WinampDspAddOn() {
  static std::once_flag once;
  static std::unique_ptr<AddOnLibrary> addOn;
  std::call_once(once, [] { addOn = AddOnLibrary::Open("bass_wadsp.dll"); });
  return addOn.get();
}

// Calls the add-on's function of the same name, or fails with BASS_ERROR_NOTAVAIL without it.
template <class R, class... Args>
R ForwardToWinampDsp(const char* function, R failValue, Args... args) {
  return Guarded<R>(failValue, [&] {
    const AddOnLibrary* addOn = WinampDspAddOn();
    void* symbol = addOn ? addOn->Symbol(function) : nullptr;
    if (!symbol) throw AudioError(BASS_ERROR_NOTAVAIL);
    return reinterpret_cast<R (*)(Args...)>(symbol)(args...);
  });
}

}  // namespace

void* BASS_AddOnOpen(const char* name) {
  return Guarded<void*>(nullptr, [&]() -> void* {
    if (!name) throw AudioError(BASS_ERROR_ILLPARAM);
    std::unique_ptr<AddOnLibrary> addOn = AddOnLibrary::Open(name);
    if (!addOn) throw AudioError(BASS_ERROR_FILEOPEN);
    return addOn.release();
  });
}

void* BASS_AddOnSymbol(void* addOn, const char* function) {
  return Guarded<void*>(nullptr, [&] {
    if (!addOn || !function) throw AudioError(BASS_ERROR_ILLPARAM);
    void* symbol = static_cast<AddOnLibrary*>(addOn)->Symbol(function);
    if (!symbol) throw AudioError(BASS_ERROR_NOTAVAIL);
    return symbol;
  });
}

BOOL BASS_AddOnClose(void* addOn) {
  return Guarded<BOOL>(kFalse, [&] {
    if (!addOn) throw AudioError(BASS_ERROR_ILLPARAM);
    delete static_cast<AddOnLibrary*>(addOn);
    return kTrue;
  });
}

BOOL BASS_WADSP_Init(void* win) { return ForwardToWinampDsp<BOOL>("BASS_WADSP_Init", kFalse, win); }

DWORD BASS_WADSP_Load(const char* file, int x, int y, int width, int height, void* proc) {
  return ForwardToWinampDsp<DWORD>("BASS_WADSP_Load", 0, file, x, y, width, height, proc);
}

const char* BASS_WADSP_GetName(DWORD plugin) {
  return ForwardToWinampDsp<const char*>("BASS_WADSP_GetName", nullptr, plugin);
}

BOOL BASS_WADSP_Start(DWORD plugin, DWORD module, DWORD channel) {
  return ForwardToWinampDsp<BOOL>("BASS_WADSP_Start", kFalse, plugin, module, channel);
}

BOOL BASS_WADSP_Stop(DWORD plugin) {
  return ForwardToWinampDsp<BOOL>("BASS_WADSP_Stop", kFalse, plugin);
}

HDSP BASS_WADSP_ChannelSetDSP(DWORD plugin, DWORD channel, int priority) {
  return ForwardToWinampDsp<HDSP>("BASS_WADSP_ChannelSetDSP", 0, plugin, channel, priority);
}

BOOL BASS_WADSP_ChannelRemoveDSP(DWORD plugin) {
  return ForwardToWinampDsp<BOOL>("BASS_WADSP_ChannelRemoveDSP", kFalse, plugin);
}

BOOL BASS_WADSP_SetSongTitle(DWORD plugin, const char* title) {
  return ForwardToWinampDsp<BOOL>("BASS_WADSP_SetSongTitle", kFalse, plugin, title);
}

BOOL BASS_WADSP_SetFileName(DWORD plugin, const char* file) {
  return ForwardToWinampDsp<BOOL>("BASS_WADSP_SetFileName", kFalse, plugin, file);
}

BOOL BASS_WADSP_Free() { return ForwardToWinampDsp<BOOL>("BASS_WADSP_Free", kFalse); }
