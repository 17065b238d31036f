// Where the device lists come from: PortAudio for real hardware, or a virtual list for tests.
#pragma once

#include <string>
#include <vector>

#include "audiolib/audiolib.h"

namespace audiolib {

// One device (or one direction of a device) as a back end reports it.
struct DeviceDescription {
  std::string name;  // display name, UTF-8
  std::string id;    // identifier, stable across runs as far as the back end can tell
  bool isInput = false;
  bool isDefault = false;  // the system's default device of its direction
  bool isEnabled = true;
  bool isLoopback = false;
  DWORD mixRate = 48000;  // default sample rate, Hz
  DWORD mixChannels = 2;  // channels in the device's direction

  bool operator==(const DeviceDescription&) const = default;
};

// Every list in the back end's own order; the front end (DeviceCatalog) does the numbering, adds
// the no-sound device and moves the defaults to the front.
struct DeviceInventory {
  std::vector<DeviceDescription> regular;  // the library's own layer, outputs and inputs
  std::vector<DeviceDescription> wasapi;   // the WASAPI-style layer, outputs and inputs
  std::vector<DeviceDescription> asio;     // the ASIO-style layer (drivers; direction unused)

  bool operator==(const DeviceInventory&) const = default;
};

// Contract. The front end calls Enumerate under its own lock, so one call runs at a time; it
// copies what it needs. A back end returns what is present now. A layer it cannot reach (library
// missing, no sound server) is an empty list: "not available" is a result, not an error. Only
// std::bad_alloc may escape.
class DeviceBackend {
 public:
  virtual ~DeviceBackend() = default;
  virtual DeviceInventory Enumerate() = 0;
};

}  // namespace audiolib
