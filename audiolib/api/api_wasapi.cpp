// The WASAPI-style calls.
#include "audiolib/api/ErrorState.h"
#include "audiolib/audiolib.h"
#include "audiolib/devices/WasapiDevices.h"

using namespace audiolib;

namespace {
constexpr DWORD kFailedCount = ~DWORD{0};
}

BOOL BASS_WASAPI_Init(int device, DWORD freq, DWORD chans, DWORD flags, float buffer, float period,
                      WASAPIPROC* proc, void* user) {
  return Guarded<BOOL>(kFalse, [&] {
    WasapiDevices::Instance().Init(device, freq, chans, flags, buffer, period, proc, user);
    return kTrue;
  });
}

BOOL BASS_WASAPI_Free() {
  return Guarded<BOOL>(kFalse, [] {
    WasapiDevices::Instance().FreeCurrent();
    return kTrue;
  });
}

BOOL BASS_WASAPI_SetDevice(DWORD device) {
  return Guarded<BOOL>(kFalse, [&] {
    WasapiDevices::Instance().Select(device);
    return kTrue;
  });
}

DWORD BASS_WASAPI_GetDevice() {
  return Guarded<DWORD>(kFailedCount, [] { return static_cast<DWORD>(WasapiDevices::Instance().Current()); });
}

BOOL BASS_WASAPI_GetInfo(BASS_WASAPI_INFO* info) {
  return Guarded<BOOL>(kFalse, [&] {
    if (info == nullptr) throw AudioError(BASS_ERROR_ILLPARAM);
    *info = WasapiDevices::Instance().CurrentDevice()->Info();
    return kTrue;
  });
}

BOOL BASS_WASAPI_Start() {
  return Guarded<BOOL>(kFalse, [] {
    WasapiDevices::Instance().CurrentDevice()->Start();
    return kTrue;
  });
}

BOOL BASS_WASAPI_Stop(BOOL) {
  return Guarded<BOOL>(kFalse, [] {
    WasapiDevices::Instance().CurrentDevice()->Stop();
    return kTrue;
  });
}

BOOL BASS_WASAPI_IsStarted() {
  return Guarded<BOOL>(kFalse, [] { return WasapiDevices::Instance().CurrentDevice()->IsStarted() ? kTrue : kFalse; });
}

BOOL BASS_WASAPI_SetNotify(WASAPINOTIFYPROC* proc, void* user) {
  return Guarded<BOOL>(kFalse, [&] {
    WasapiDevices::Instance().SetNotify(proc, user);
    return kTrue;
  });
}
