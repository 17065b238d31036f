// The WASAPI-style layer: which endpoints are initialised, each thread's current one, and the
// notification procedure.
#pragma once

#include <memory>

#include "audiolib/audiolib.h"
#include "audiolib/devices/InitialisedDevices.h"
#include "audiolib/devices/WasapiDevice.h"

namespace audiolib {

// Endpoints are numbered as BASS_WASAPI_GetDeviceInfo lists them. Any thread. Devices are destroyed
// outside the lock, so a notification running meanwhile can still ask the layer.
class WasapiDevices {
 public:
  static WasapiDevices& Instance();
  static constexpr int kDefaultOutput = -1;
  static constexpr int kDefaultInput = -2;

  // Throws AudioError: DEVICE (no such endpoint, disabled, or lost), ALREADY, BUSY, FORMAT, FREQ,
  // ILLPARAM (no procedure). Selects the endpoint for the calling thread.
  void Init(int device, DWORD freq, DWORD chans, DWORD flags, float bufferSeconds, float periodSeconds,
            WASAPIPROC* proc, void* user);
  // Frees (after stopping) the calling thread's current device. Throws AudioError(BASS_ERROR_INIT).
  void FreeCurrent();
  // Throws AudioError: DEVICE (no such endpoint), INIT (not initialised).
  void Select(DWORD device);
  // Throws AudioError(BASS_ERROR_INIT) when the thread has no device.
  int Current() const;
  bool IsInitialised(DWORD device) const;
  // The calling thread's current device (kept alive by the copy). Throws AudioError(BASS_ERROR_INIT).
  std::shared_ptr<WasapiDevice> CurrentDevice() const;
  void SetNotify(WASAPINOTIFYPROC* proc, void* user);

 private:
  WasapiDevices() = default;
  static DWORD ResolveDefault(int device);
  void Notify(DWORD notify, DWORD device);

  InitialisedDevices<WasapiDevice, WASAPINOTIFYPROC> devices_;
};

}  // namespace audiolib
