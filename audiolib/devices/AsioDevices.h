// The ASIO-style layer: which drivers are initialised, each thread's current one, and the
// notification procedure.
#pragma once

#include <memory>

#include "audiolib/audiolib.h"
#include "audiolib/devices/AsioDevice.h"
#include "audiolib/devices/InitialisedDevices.h"

namespace audiolib {

// Drivers are numbered as BASS_ASIO_GetDeviceInfo lists them. Any thread. Devices are destroyed
// outside the lock, so a notification running meanwhile can still ask the layer.
class AsioDevices {
 public:
  static AsioDevices& Instance();

  // -1: the first driver. Throws AudioError: DEVICE (no such driver, or not reachable), ALREADY.
  // Selects the driver for the calling thread.
  void Init(int device);
  // Frees (after stopping) the calling thread's current driver. Throws AudioError(BASS_ERROR_INIT).
  void FreeCurrent();
  // Throws AudioError: DEVICE (no such driver), INIT (not initialised).
  void Select(DWORD device);
  // Throws AudioError(BASS_ERROR_INIT) when the thread has no driver.
  int Current() const;
  // The calling thread's current driver (kept alive by the copy). Throws AudioError(BASS_ERROR_INIT).
  std::shared_ptr<AsioDevice> CurrentDevice() const;
  void SetNotify(ASIONOTIFYPROC* proc, void* user);

 private:
  AsioDevices() = default;
  void Notify(DWORD notify);

  InitialisedDevices<AsioDevice, ASIONOTIFYPROC> devices_;
};

}  // namespace audiolib
