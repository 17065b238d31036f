// The virtual device back end: a configured list of devices with no hardware behind them, so that
// tests (and runs on machines without sound) see the device lists they need.
//
// Setting the environment variable TONESENTRY_VIRTUAL_DEVICES selects it for every list. Its value
// is an inline list, or the path of a file holding one (a value without '|' is a path). Entries
// are separated by ';' or line breaks; blank entries and entries starting with '#' are ignored:
//
//   <layer>|<name>|<id>[|<option>,<option>...]
//
//   layer:  output, input (the library's own layer), wasapi-output, wasapi-input, asio
//   option: default, disabled, loopback, rate=<Hz> (48000), channels=<count> (2)
//
// e.g. TONESENTRY_VIRTUAL_DEVICES='output|Speakers|spk-1|default; input|Desk mic|mic-1; asio|Card|card'
//
// Blanks around fields and options are trimmed; a name or id cannot hold '|', ';' or a line break.
// An empty value gives empty lists (only the no-sound device remains).
#pragma once

#include <string>
#include <string_view>

#include "audiolib/devices/DeviceBackend.h"

namespace audiolib {

// The inventory an inline list describes, in list order per layer. Throws std::invalid_argument
// naming the entry and what is wrong with it (unknown layer or option, missing field, bad number).
DeviceInventory ParseVirtualDevices(std::string_view list);

class VirtualDeviceBackend : public DeviceBackend {
 public:
  // `setting` is the environment variable's value.
  explicit VirtualDeviceBackend(std::string setting) : setting_(std::move(setting)) {}

  // The described devices. A file that cannot be read or a list that does not parse gives empty
  // lists and one line on standard error saying why, so a mistyped test setup is visible.
  DeviceInventory Enumerate() override;

 private:
  std::string setting_;
};

}  // namespace audiolib
