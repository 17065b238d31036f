// A device stream on PortAudio (the contract is DeviceStream.h's).
#pragma once

#include <memory>

#include "audiolib/devices/DeviceStream.h"

namespace audiolib {

// The device is looked up by its PortAudio name in the layer's host API (regular: the default
// host API; WASAPI-style: ALSA; ASIO-style: JACK, whose devices serve both directions). An ALSA
// "hw" device is exclusive by nature; `exclusive` asks nothing more of PortAudio. A watch thread
// per stream notices a stream that stopped by itself (every 100 ms): when the device can be opened
// again at once it reports Failed, else Lost, and then Back once it opens again (tried every
// 500 ms). PortAudio reads its device list when it starts, so a device that appears while another
// stream keeps PortAudio running is not seen until every stream is closed.
std::unique_ptr<DeviceStream> OpenPortAudioStream(const DeviceStreamRequest& request,
                                                  DeviceStreamCallbacks callbacks);

}  // namespace audiolib
