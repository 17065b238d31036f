// The device enumeration calls.
#include "audiolib/devices/DeviceCatalog.h"
#include "audiolib/api/ErrorState.h"
#include "audiolib/audiolib.h"

using namespace audiolib;

namespace {

// Fills *info with what `read` returns for the device, or fails as the call must.
template <class Info, class Read>
BOOL Describe(Info* info, Read&& read) {
  return Guarded<BOOL>(kFalse, [&] {
    if (info == nullptr) throw AudioError(BASS_ERROR_ILLPARAM);
    *info = read(DeviceCatalog::Instance());
    return kTrue;
  });
}

}  // namespace

BOOL BASS_GetDeviceInfo(DWORD device, BASS_DEVICEINFO* info) {
  return Describe(info, [device](DeviceCatalog& catalog) { return catalog.Output(device); });
}

BOOL BASS_RecordGetDeviceInfo(DWORD device, BASS_DEVICEINFO* info) {
  return Describe(info, [device](DeviceCatalog& catalog) { return catalog.Input(device); });
}

BOOL BASS_WASAPI_GetDeviceInfo(DWORD device, BASS_WASAPI_DEVICEINFO* info) {
  return Describe(info, [device](DeviceCatalog& catalog) { return catalog.Wasapi(device); });
}

BOOL BASS_ASIO_GetDeviceInfo(DWORD device, BASS_ASIO_DEVICEINFO* info) {
  return Describe(info, [device](DeviceCatalog& catalog) { return catalog.Asio(device); });
}
