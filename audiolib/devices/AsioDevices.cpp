#include "audiolib/devices/AsioDevices.h"

#include "audiolib/api/ErrorState.h"
#include "audiolib/devices/DeviceCatalog.h"
#include "audiolib/devices/VirtualDevices.h"

namespace audiolib {

namespace {
thread_local int currentDevice = AsioDevices::kNone;
}

AsioDevices& AsioDevices::Instance() {
  // Devices left initialised at exit close their streams from this object's destructor, so the
  // virtual sound system must outlive it: made first, it is destroyed last.
  VirtualDevices::Instance();
  static AsioDevices devices;
  return devices;
}

void AsioDevices::Init(int device) {
  if (device == -1) device = 0;
  if (device < 0) throw AudioError(BASS_ERROR_DEVICE);
  const DWORD number = static_cast<DWORD>(device);
  const BASS_ASIO_DEVICEINFO listed = DeviceCatalog::Instance().Asio(number);
  {
    std::lock_guard lock(mutex_);
    if (devices_.count(number) != 0) throw AudioError(BASS_ERROR_ALREADY);
  }
  const AsioDriverInfo info = AsioDriverInfo::Find(listed.driver);
  auto opened = std::make_shared<AsioDevice>(listed.driver, info, [this](DWORD notify) { Notify(notify); });
  std::lock_guard lock(mutex_);
  if (!devices_.emplace(number, std::move(opened)).second) throw AudioError(BASS_ERROR_ALREADY);
  currentDevice = device;
}

void AsioDevices::FreeCurrent() {
  std::shared_ptr<AsioDevice> freed;
  {
    std::lock_guard lock(mutex_);
    const auto found = devices_.find(static_cast<DWORD>(currentDevice));
    if (currentDevice < 0 || found == devices_.end()) throw AudioError(BASS_ERROR_INIT);
    freed = std::move(found->second);
    devices_.erase(found);
  }
  freed->Stop();
}

void AsioDevices::Select(DWORD device) {
  DeviceCatalog::Instance().Asio(device);  // throws DEVICE past the end of the list
  std::lock_guard lock(mutex_);
  if (devices_.count(device) == 0) throw AudioError(BASS_ERROR_INIT);
  currentDevice = static_cast<int>(device);
}

int AsioDevices::Current() const {
  if (currentDevice == kNone) throw AudioError(BASS_ERROR_INIT);
  return currentDevice;
}

std::shared_ptr<AsioDevice> AsioDevices::CurrentDevice() const {
  std::lock_guard lock(mutex_);
  const auto found = devices_.find(static_cast<DWORD>(currentDevice));
  if (currentDevice < 0 || found == devices_.end()) throw AudioError(BASS_ERROR_INIT);
  return found->second;
}

void AsioDevices::SetNotify(ASIONOTIFYPROC* proc, void* user) {
  std::lock_guard lock(mutex_);
  notifyProc_ = proc;
  notifyUser_ = user;
}

void AsioDevices::Notify(DWORD notify) {
  ASIONOTIFYPROC* proc = nullptr;
  void* user = nullptr;
  {
    std::lock_guard lock(mutex_);
    proc = notifyProc_;
    user = notifyUser_;
  }
  if (proc != nullptr) proc(notify, user);
}

}  // namespace audiolib
