// `tonesentry devices`: the sound devices the audio library can play to and record from.
#pragma once

#include <ostream>

enum class TDevicesFormat { Text, Json };

// Any thread. Lists, with their numbers as the library's calls take them, the outputs and inputs
// of the library's own layer, the WASAPI-style endpoints (ALSA) and the ASIO-style drivers (JACK),
// with names, identifiers and flags (default, enabled, loopback, initialised). A layer that cannot
// be reached is an empty list. TONESENTRY_VIRTUAL_DEVICES replaces every list (see the README).
// Returns 0.
int RunDevices(TDevicesFormat format, std::ostream& out);
