// The device back end over PortAudio: the default host API serves the library's own layer, the
// ALSA host API the WASAPI-style layer and the JACK host API the ASIO-style layer.
#pragma once

#include "audiolib/devices/DeviceBackend.h"

namespace audiolib {

// A device's identifier is its PortAudio name (for ALSA the name with the "(hw:N,M)" part), the
// only text that finds the same device again after a restart. Runs PortAudio initialisation under
// PortAudioMutex(); when PortAudio cannot start, every list is empty. A device with both
// directions is reported once per direction.
class PortAudioBackend : public DeviceBackend {
 public:
  DeviceInventory Enumerate() override;
};

}  // namespace audiolib
