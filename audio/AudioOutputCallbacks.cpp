#include "audio/AudioOutputCallbacks.h"

#include <cstdio>
#include <exception>
#include <string>
#include <typeinfo>

#include "audio/Audio.h"
#include "runtime/px_thread.h"
#include "settings/format/px_utils.h"

namespace {

constexpr UINT kAsioRateBoxFlags = 0x30;  // MB_ICONEXCLAMATION

DWORD ReadSlot(DWORD slot, void* buffer, DWORD length) {
  const TAudio* audio = Audio.load();
  if (audio == nullptr || audio->Destroying()) return 0;
  const HSTREAM handle = audio->OutputStreamForCallback(slot);
  if (handle == 0) return 0;
  const DWORD got = BASS_ChannelGetData(handle, buffer, length);
  return got == static_cast<DWORD>(-1) ? 0 : got;
}

DWORD SlotOf(void* user) { return static_cast<DWORD>(reinterpret_cast<uintptr_t>(user)); }

// The error of a failed WASAPI-style read, handed to the main thread so nothing unwinds through
// the device's thread.
void ReportWasapiFailure(const void* buffer, DWORD length, DWORD slot, const std::exception& e) {
  char text[512];
  std::snprintf(text, sizeof text, "WASAPIProc_O exception. B=%lu, L=%u, U=%u, R=%d. Msg: %s [%s]",
                static_cast<unsigned long>(reinterpret_cast<uintptr_t>(buffer)), length, slot, 0, e.what(),
                typeid(e).name());
  QueueInMainThread([message = std::string(text)] {
    if (const TAudio* audio = Audio.load()) audio->ReportError(message);
  });
}

}  // namespace

DWORD WasapiOutputProc(void* buffer, DWORD length, void* user) {
  try {
    return ReadSlot(SlotOf(user), buffer, length);
  } catch (const std::exception& e) {
    ReportWasapiFailure(buffer, length, SlotOf(user), e);
    return 0;
  }
}

DWORD AsioOutputProc(BOOL, DWORD, void* buffer, DWORD length, void* user) {
  return ReadSlot(SlotOf(user), buffer, length);
}

void WASAPI_NotifyProc(DWORD notify, DWORD device, void*) {
  int delayMs = 0;
  if (notify == BASS_WASAPI_NOTIFY_DISABLED) {
    delayMs = kReinitDelayAfterDisabledMs;
  } else if (notify == BASS_WASAPI_NOTIFY_FAIL) {
    delayMs = kReinitDelayAfterFailMs;
  } else {
    return;
  }
  BASS_WASAPI_DEVICEINFO info{};
  if (!BASS_WASAPI_GetDeviceInfo(device, &info) || (info.flags & BASS_DEVICE_INPUT) != 0) return;
  QueueInMainThread([id = std::string(info.id), name = std::string(info.name), delayMs] {
    if (TAudio* audio = Audio.load(); audio != nullptr && !audio->Destroying()) {
      audio->WasapiDeviceLost(id, name, delayMs);
    }
  });
}

void AsioNotifyProc(DWORD notify, void*) {
  if (notify != BASS_ASIO_NOTIFY_RATE) return;
  MyMessageBox("ASIO Device sample rate changed. Device: " + std::to_string(static_cast<int>(BASS_ASIO_GetDevice())),
               "Asio", kAsioRateBoxFlags);
}
