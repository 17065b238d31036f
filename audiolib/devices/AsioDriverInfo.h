// What the sound system says about an ASIO-style driver: its JACK device's ports and rate.
#pragma once

#include <string>

#include "audiolib/audiolib.h"

namespace audiolib {

struct AsioDriverInfo {
  DWORD inputs = 0;   // channels (JACK ports) per direction
  DWORD outputs = 0;
  DWORD rate = 0;     // Hz, the device's own
  bool fixedRate = false;  // JACK runs at its server's rate only; virtual drivers take any rate

  // Looks the driver up now (the virtual list when TONESENTRY_VIRTUAL_DEVICES is set, else
  // PortAudio's JACK host API). Throws AudioError(BASS_ERROR_DEVICE) when it is not there. Any thread.
  static AsioDriverInfo Find(const std::string& driverId);
  // Throws AudioError(BASS_ERROR_FORMAT) for a rate the driver cannot run at.
  void CheckRate(double rateHz) const;
};

}  // namespace audiolib
