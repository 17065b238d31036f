// A stream of samples to or from one sound device: the single road by which every device layer
// (the library's own outputs and inputs, the WASAPI-style and the ASIO-style calls) reaches the
// sound system, whether that is PortAudio or the virtual back end.
//
// Back ends. With TONESENTRY_VIRTUAL_DEVICES set, every stream is a virtual one (VirtualDevices.h:
// no hardware, a clock a test can drive by hand, devices a test can mark lost and back).
// Otherwise PortAudio: the regular layer is its default host API, the WASAPI-style layer its ALSA
// host API, the ASIO-style layer its JACK host API.
//
// Contract.
// - Samples are 32-bit float, interleaved, full scale 1.0; counts passed to the callback are frames.
// - `process` runs on the sound system's real-time thread (virtual back end: the thread that
//   advances its clock). It must not allocate, lock, block or call user code. An output's `process`
//   fills all `frames` frames (write silence when it has nothing); an input's `process` receives the
//   captured frames in `samples`, valid only during the call.
// - `onEvent` runs on a back-end thread that is never the real-time one (PortAudio: the stream's
//   watch thread; virtual back end: the thread that marks the device lost or back). It may call
//   Start, Stop and IsStarted of its stream but must not destroy it.
// - Lost: the device went away (unplugged, server gone); the stream has stopped by itself and
//   Start fails with BASS_ERROR_DEVICE until Back. Back: the device is there again; the stream is
//   stopped and can be started. Failed: the stream stopped on its own with the device still present;
//   it can be started again.
// - After Stop or the destructor returns, neither callback runs again; both are thread-safe
//   against each other but meant for one owning thread.
// - Failure: OpenDeviceStream and Start throw AudioError: DEVICE (no such device, or lost), BUSY
//   (in exclusive use elsewhere), FREQ (rate refused), FORMAT (channel count refused), DRIVER
//   (the sound system failed otherwise). Only std::bad_alloc else.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "audiolib/audiolib.h"

namespace audiolib {

enum class DeviceLayer { Regular, WasapiStyle, AsioStyle };
enum class StreamDirection { Output, Input };
enum class DeviceStreamEvent { Lost, Back, Failed };

struct DeviceStreamRequest {
  DeviceLayer layer = DeviceLayer::Regular;
  StreamDirection direction = StreamDirection::Output;
  // The device's identifier as the catalog lists it (DeviceDescription::id, the `driver` text of the
  // BASS_*DEVICEINFO records); empty means the layer's default device of the direction.
  std::string deviceId;
  DWORD sampleRate = 48000;  // Hz
  DWORD channels = 2;        // interleaved channels in `process`
  DWORD periodFrames = 0;    // frames per `process` call; 0 lets the back end choose
  bool exclusive = false;    // no other stream may open the device while this one is open (BUSY)
};

struct DeviceStreamCallbacks {
  std::function<void(float* samples, size_t frames)> process;  // real-time thread, see above
  std::function<void(DeviceStreamEvent event)> onEvent;         // back-end thread; may be empty
};

// An open stream, stopped until Start. Owned by the layer that opened it; destroying it stops and
// closes it. Start, Stop and the destructor are called from the owner's thread (or from onEvent).
class DeviceStream {
 public:
  virtual ~DeviceStream() = default;
  // Starts calling `process`. Starting a started stream does nothing. Throws AudioError (above).
  virtual void Start() = 0;
  // Stops calling `process` (returns once no call is running). Stopping a stopped stream does nothing.
  virtual void Stop() = 0;
  virtual bool IsStarted() const = 0;
  virtual bool IsLost() const = 0;
  virtual DWORD SampleRate() const = 0;  // Hz, as opened
  virtual DWORD Channels() const = 0;
  // The sound system's own buffering between `process` and the loudspeaker (or the microphone and
  // `process`), ms; 0 for the virtual back end.
  virtual double LatencyMs() const = 0;
};

// Opens the stream the request describes on the back end in use. Any thread. Throws AudioError.
std::unique_ptr<DeviceStream> OpenDeviceStream(const DeviceStreamRequest& request,
                                               DeviceStreamCallbacks callbacks);

// True when TONESENTRY_VIRTUAL_DEVICES selects the virtual back end.
bool UsesVirtualDevices();

}  // namespace audiolib
