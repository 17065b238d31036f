#include "audiolib/devices/WasapiDevices.h"

#include <optional>

#include "audiolib/api/ErrorState.h"
#include "audiolib/devices/DeviceCatalog.h"
#include "audiolib/devices/VirtualDevices.h"

namespace audiolib {

WasapiDevices& WasapiDevices::Instance() {
  // Devices left initialised at exit close their streams from this object's destructor, so the
  // virtual sound system must outlive it: made first, it is destroyed last.
  VirtualDevices::Instance();
  static WasapiDevices devices;
  return devices;
}

DWORD WasapiDevices::ResolveDefault(int device) {
  if (device >= 0) return static_cast<DWORD>(device);
  if (device != kDefaultOutput && device != kDefaultInput) throw AudioError(BASS_ERROR_DEVICE);
  const DWORD wantedInput = device == kDefaultInput ? BASS_DEVICE_INPUT : 0;
  std::optional<DWORD> first;
  for (DWORD i = 0;; ++i) {
    BASS_WASAPI_DEVICEINFO info;
    try {
      info = DeviceCatalog::Instance().Wasapi(i);
    } catch (const AudioError&) {
      break;
    }
    if ((info.flags & BASS_DEVICE_INPUT) != wantedInput) continue;
    if ((info.flags & BASS_DEVICE_DEFAULT) != 0) return i;
    if (!first) first = i;
  }
  if (!first) throw AudioError(BASS_ERROR_DEVICE);
  return *first;
}

void WasapiDevices::Init(int device, DWORD freq, DWORD chans, DWORD flags, float bufferSeconds,
                         float periodSeconds, WASAPIPROC* proc, void* user) {
  if (proc == nullptr || bufferSeconds < 0 || periodSeconds < 0) throw AudioError(BASS_ERROR_ILLPARAM);
  const DWORD number = ResolveDefault(device);
  const BASS_WASAPI_DEVICEINFO info = DeviceCatalog::Instance().Wasapi(number);
  if ((info.flags & BASS_DEVICE_ENABLED) == 0) throw AudioError(BASS_ERROR_DEVICE);
  devices_.ThrowIfInitialised(number);
  WasapiSettings settings;
  settings.deviceId = info.id;
  settings.isInput = (info.flags & BASS_DEVICE_INPUT) != 0;
  settings.freq = freq;
  settings.chans = chans;
  settings.flags = flags;
  settings.bufferSeconds = bufferSeconds;
  settings.periodSeconds = periodSeconds;
  settings.proc = proc;
  settings.user = user;
  settings.mixRate = info.mixfreq;
  settings.mixChannels = info.mixchans;
  auto opened = std::make_shared<WasapiDevice>(settings, [this, number](DWORD notify) { Notify(notify, number); });
  devices_.Add(number, std::move(opened));
}

void WasapiDevices::FreeCurrent() { devices_.TakeCurrent()->Stop(); }

void WasapiDevices::Select(DWORD device) {
  DeviceCatalog::Instance().Wasapi(device);  // throws DEVICE past the end of the list
  devices_.Select(device);
}

int WasapiDevices::Current() const { return devices_.Current(); }

bool WasapiDevices::IsInitialised(DWORD device) const { return devices_.IsInitialised(device); }

std::shared_ptr<WasapiDevice> WasapiDevices::CurrentDevice() const { return devices_.CurrentDevice(); }

void WasapiDevices::SetNotify(WASAPINOTIFYPROC* proc, void* user) { devices_.SetNotify(proc, user); }

void WasapiDevices::Notify(DWORD notify, DWORD device) {
  const auto [proc, user] = devices_.NotifyTarget();
  if (proc != nullptr) proc(notify, device, user);
}

}  // namespace audiolib
