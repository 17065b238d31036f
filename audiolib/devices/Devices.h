// Output devices: which are initialised, and each thread's current device.
#pragma once

#include <mutex>
#include <set>

#include "audiolib/audiolib.h"

namespace audiolib {

// Device 0 is the no-sound device (decoding and mixing only; always selectable). Device 1 is the
// system's default output through PortAudio (-1 in BASS_Init means it). Any thread; a thread that
// has not selected a device uses device 0.
class Devices {
 public:
  static Devices& Instance();
  static constexpr int kNoSound = 0;
  static constexpr int kDefaultOutput = 1;

  // Throws AudioError: ALREADY, DEVICE (no such device, or no default output).
  void Init(int device);
  // Frees the calling thread's current device. Throws AudioError(BASS_ERROR_INIT).
  void FreeCurrent();
  // Throws AudioError: DEVICE (no such device), INIT (not initialised).
  void Select(DWORD device);
  int Current() const;
  bool IsInitialised(int device) const;

 private:
  Devices() = default;
  static bool Exists(int device);
  static void OpenDefaultOutput();
  static void CloseDefaultOutput();

  mutable std::mutex mutex_;
  std::set<int> initialised_;
};

}  // namespace audiolib
