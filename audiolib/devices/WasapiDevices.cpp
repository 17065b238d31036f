#include "audiolib/devices/WasapiDevices.h"

#include <optional>

#include "audiolib/api/ErrorState.h"
#include "audiolib/devices/DeviceCatalog.h"
#include "audiolib/devices/VirtualDevices.h"

namespace audiolib {

namespace {
thread_local int currentDevice = WasapiDevices::kNone;
}

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
  {
    std::lock_guard lock(mutex_);
    if (devices_.count(number) != 0) throw AudioError(BASS_ERROR_ALREADY);
  }
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
  std::lock_guard lock(mutex_);
  // Two threads initialising the same endpoint at once: the first one keeps it.
  if (!devices_.emplace(number, std::move(opened)).second) throw AudioError(BASS_ERROR_ALREADY);
  currentDevice = static_cast<int>(number);
}

void WasapiDevices::FreeCurrent() {
  std::shared_ptr<WasapiDevice> freed;
  {
    std::lock_guard lock(mutex_);
    const auto found = devices_.find(static_cast<DWORD>(currentDevice));
    if (currentDevice < 0 || found == devices_.end()) throw AudioError(BASS_ERROR_INIT);
    freed = std::move(found->second);
    devices_.erase(found);
  }
  freed->Stop();
}

void WasapiDevices::Select(DWORD device) {
  DeviceCatalog::Instance().Wasapi(device);  // throws DEVICE past the end of the list
  std::lock_guard lock(mutex_);
  if (devices_.count(device) == 0) throw AudioError(BASS_ERROR_INIT);
  currentDevice = static_cast<int>(device);
}

int WasapiDevices::Current() const {
  if (currentDevice == kNone) throw AudioError(BASS_ERROR_INIT);
  return currentDevice;
}

bool WasapiDevices::IsInitialised(DWORD device) const {
  std::lock_guard lock(mutex_);
  return devices_.count(device) != 0;
}

std::shared_ptr<WasapiDevice> WasapiDevices::CurrentDevice() const {
  std::lock_guard lock(mutex_);
  const auto found = devices_.find(static_cast<DWORD>(currentDevice));
  if (currentDevice < 0 || found == devices_.end()) throw AudioError(BASS_ERROR_INIT);
  return found->second;
}

void WasapiDevices::SetNotify(WASAPINOTIFYPROC* proc, void* user) {
  std::lock_guard lock(mutex_);
  notifyProc_ = proc;
  notifyUser_ = user;
}

void WasapiDevices::Notify(DWORD notify, DWORD device) {
  WASAPINOTIFYPROC* proc = nullptr;
  void* user = nullptr;
  {
    std::lock_guard lock(mutex_);
    proc = notifyProc_;
    user = notifyUser_;
  }
  if (proc != nullptr) proc(notify, device, user);
}

}  // namespace audiolib
