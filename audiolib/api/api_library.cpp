// The library-wide calls: devices, configuration, versions and the last error code.
#include "audiolib/api/Config.h"
#include "audiolib/devices/Devices.h"
#include "audiolib/api/ErrorState.h"
#include "audiolib/audiolib.h"

using namespace audiolib;

namespace {
constexpr DWORD kVersion = 0x00010000;  // 0.1.0.0, as bytes major.minor.revision.build
constexpr DWORD kFailedCount = ~DWORD{0};
}  // namespace

BOOL BASS_Init(int device, DWORD freq, DWORD flags, void*, const void*) {
  return Guarded<BOOL>(kFalse, [&] {
    Devices::Instance().Init(device, freq, flags);
    return kTrue;
  });
}

BOOL BASS_Free() {
  return Guarded<BOOL>(kFalse, [] {
    Devices::Instance().FreeCurrent();
    return kTrue;
  });
}

BOOL BASS_SetDevice(DWORD device) {
  return Guarded<BOOL>(kFalse, [&] {
    Devices::Instance().Select(device);
    return kTrue;
  });
}

DWORD BASS_GetDevice() {
  return Guarded<DWORD>(kFailedCount,
                        [] { return static_cast<DWORD>(Devices::Instance().Current()); });
}

BOOL BASS_SetConfig(DWORD option, DWORD value) {
  return Guarded<BOOL>(kFalse, [&] {
    Config::Instance().Set(option, value);
    return kTrue;
  });
}

DWORD BASS_GetConfig(DWORD option) {
  return Guarded<DWORD>(kFailedCount, [&] { return Config::Instance().Get(option); });
}

BOOL BASS_SetConfigPtr(DWORD option, const void* value) {
  return Guarded<BOOL>(kFalse, [&] {
    Config::Instance().SetText(option, static_cast<const char*>(value));
    return kTrue;
  });
}

const void* BASS_GetConfigPtr(DWORD option) {
  return Guarded<const void*>(nullptr, [&] {
    return static_cast<const void*>(Config::Instance().Text(option));
  });
}

DWORD BASS_GetVersion() {
  SetLastError(BASS_OK);
  return kVersion;
}

DWORD BASS_FX_GetVersion() {
  SetLastError(BASS_OK);
  return kVersion;
}

int BASS_ErrorGetCode() { return LastError(); }
