// A device stream on the virtual sound system (VirtualDevices.h).
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "audiolib/devices/DeviceStream.h"
#include "audiolib/devices/VirtualDevices.h"

namespace audiolib {

// The state VirtualDevices runs; fields after `callbacks` are guarded by VirtualDevices' lock,
// except `closed`, guarded by eventMutex.
struct VirtualStreamCore {
  DeviceStreamRequest request;  // deviceId is the resolved device's id, never empty
  DeviceStreamCallbacks callbacks;
  DWORD periodFrames = 0;
  std::vector<float> block;  // one period of samples, allocated at open

  bool started = false;
  bool lost = false;
  bool manualClock = false;
  std::chrono::steady_clock::time_point startedAt;
  uint64_t manualMsSinceStart = 0;
  uint64_t framesSinceStart = 0;
  InputFile inputFile;  // what an input captures when its device has a file
  size_t inputFileFrame = 0;

  std::mutex eventMutex;  // held while onEvent runs; the destructor waits for it
  bool closed = false;
};

// Opens `request` on the virtual device list. Throws AudioError: DEVICE (no such device of that
// layer and direction, or lost), BUSY, FORMAT (channels 0 or above the device's), FREQ (rate
// outside 1000..384000 Hz).
std::unique_ptr<DeviceStream> OpenVirtualStream(const DeviceStreamRequest& request,
                                                DeviceStreamCallbacks callbacks);

// The no-sound device's stream: a virtual output of `request`'s rate and channels that belongs to
// no list (its device id is kNoSoundDeviceId), consumes in real time or on the hand-driven clock
// and sends its samples nowhere (or to the tap of kNoSoundDeviceId). Throws AudioError(FREQ,
// FORMAT) for a rate or channel count out of range.
inline constexpr const char* kNoSoundDeviceId = "no sound";
std::unique_ptr<DeviceStream> OpenNoSoundStream(const DeviceStreamRequest& request,
                                                DeviceStreamCallbacks callbacks);

}  // namespace audiolib
