#include "audiolib/devices/AsioDevices.h"

#include "audiolib/api/ErrorState.h"
#include "audiolib/devices/DeviceCatalog.h"
#include "audiolib/devices/VirtualDevices.h"

namespace audiolib {

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
  devices_.ThrowIfInitialised(number);
  const AsioDriverInfo info = AsioDriverInfo::Find(listed.driver);
  auto opened = std::make_shared<AsioDevice>(listed.driver, info, [this](DWORD notify) { Notify(notify); });
  devices_.Add(number, std::move(opened));
}

void AsioDevices::FreeCurrent() { devices_.TakeCurrent()->Stop(); }

void AsioDevices::Select(DWORD device) {
  DeviceCatalog::Instance().Asio(device);  // throws DEVICE past the end of the list
  devices_.Select(device);
}

int AsioDevices::Current() const { return devices_.Current(); }

std::shared_ptr<AsioDevice> AsioDevices::CurrentDevice() const { return devices_.CurrentDevice(); }

void AsioDevices::SetNotify(ASIONOTIFYPROC* proc, void* user) { devices_.SetNotify(proc, user); }

void AsioDevices::Notify(DWORD notify) {
  const auto [proc, user] = devices_.NotifyTarget();
  if (proc != nullptr) proc(notify, user);
}

}  // namespace audiolib
