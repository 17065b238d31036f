#include "audiolib/devices/DeviceStream.h"

#include <cstdlib>

#include "audiolib/devices/PortAudioStream.h"
#include "audiolib/devices/VirtualStream.h"

namespace audiolib {

bool UsesVirtualDevices() { return std::getenv("TONESENTRY_VIRTUAL_DEVICES") != nullptr; }

std::unique_ptr<DeviceStream> OpenDeviceStream(const DeviceStreamRequest& request,
                                               DeviceStreamCallbacks callbacks) {
  if (UsesVirtualDevices()) return OpenVirtualStream(request, std::move(callbacks));
  return OpenPortAudioStream(request, std::move(callbacks));
}

}  // namespace audiolib
