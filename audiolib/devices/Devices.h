// Output devices: the initialised ones, and each thread's current device.
#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "audiolib/audiolib.h"
#include "audiolib/devices/OutputDevice.h"

namespace audiolib {

// Device 0 is the no-sound device (plays to nothing on a clock of its own; always selectable).
// Devices 1.. are the regular outputs in the catalog's numbering (DeviceCatalog.h), 1 being the
// system default (-1 in BASS_Init means it). Any thread; a thread that has not selected a device
// uses device 0.
class Devices {
 public:
  static Devices& Instance();
  static constexpr int kNoSound = 0;
  static constexpr int kDefaultOutput = 1;

  // Opens and starts output device `device` at `sampleRate` Hz (0: the device's own rate; a rate the
  // sound system refuses falls back to the device's own), stereo (mono on a one-channel device), and
  // makes it the calling thread's current device. `flags` (BASS_DEVICE_*) are accepted and ignored.
  // Throws AudioError: ALREADY, DEVICE (no such output, disabled, or lost), BUSY, FORMAT, DRIVER.
  void Init(int device, DWORD sampleRate, DWORD flags);
  // Frees the calling thread's current device: its output stops and its channels stop (they stay
  // valid). Throws AudioError: INIT (not initialised), BUSY (called by a procedure running on
  // that device's own update thread, which cannot wait for itself).
  void FreeCurrent();
  // Throws AudioError: DEVICE (no such device), INIT (not initialised).
  void Select(DWORD device);
  int Current() const;
  bool IsInitialised(int device) const;
  // The initialised device. Throws AudioError(BASS_ERROR_INIT) when it is not initialised. The
  // copy keeps it usable while another thread frees it.
  std::shared_ptr<OutputDevice> Output(int device) const;

 private:
  Devices();
  ~Devices();
  static std::unique_ptr<OutputDevice> Open(int device, DWORD sampleRate);

  mutable std::mutex mutex_;
  std::map<int, std::shared_ptr<OutputDevice>> outputs_;
};

}  // namespace audiolib
