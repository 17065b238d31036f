#include "audiolib/devices/VirtualDeviceBackend.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace audiolib {

namespace {

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

std::vector<std::string_view> SplitAt(std::string_view text, std::string_view separators) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find_first_of(separators, start);
    parts.push_back(Trimmed(text.substr(start, end - start)));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

[[noreturn]] void Reject(std::string_view entry, const std::string& problem) {
  throw std::invalid_argument("entry '" + std::string(entry) + "': " + problem);
}

DWORD NumberOption(std::string_view entry, std::string_view option, std::string_view digits) {
  DWORD value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size() || value == 0) {
    Reject(entry, "'" + std::string(option) + "' needs a positive whole number");
  }
  return value;
}

void ApplyOption(std::string_view entry, std::string_view option, DeviceDescription& device) {
  if (option == "default") {
    device.isDefault = true;
  } else if (option == "disabled") {
    device.isEnabled = false;
  } else if (option == "loopback") {
    device.isLoopback = true;
  } else if (option.starts_with("rate=")) {
    device.mixRate = NumberOption(entry, option, option.substr(5));
  } else if (option.starts_with("channels=")) {
    device.mixChannels = NumberOption(entry, option, option.substr(9));
  } else if (!option.empty()) {
    Reject(entry, "unknown option '" + std::string(option) + "'");
  }
}

// The list of the inventory that a layer name stands for, and whether its devices are inputs.
std::vector<DeviceDescription>& LayerList(std::string_view entry, std::string_view layer,
                                          DeviceInventory& inventory, bool& isInput) {
  isInput = layer == "input" || layer == "wasapi-input";
  if (layer == "output" || layer == "input") return inventory.regular;
  if (layer == "wasapi-output" || layer == "wasapi-input") return inventory.wasapi;
  if (layer == "asio") return inventory.asio;
  Reject(entry, "unknown layer '" + std::string(layer) + "'");
}

void AddEntry(std::string_view entry, DeviceInventory& inventory) {
  const std::vector<std::string_view> fields = SplitAt(entry, "|");
  if (fields.size() < 3 || fields.size() > 4) Reject(entry, "expected <layer>|<name>|<id>[|<options>]");
  DeviceDescription device;
  std::vector<DeviceDescription>& list = LayerList(entry, fields[0], inventory, device.isInput);
  device.name = fields[1];
  device.id = fields[2];
  if (fields.size() == 4) {
    for (const std::string_view option : SplitAt(fields[3], ",")) ApplyOption(entry, option, device);
  }
  list.push_back(std::move(device));
}

std::string ReadListFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::invalid_argument("cannot read the device list file '" + path + "'");
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace

DeviceInventory ParseVirtualDevices(std::string_view list) {
  DeviceInventory inventory;
  for (const std::string_view entry : SplitAt(list, ";\n")) {
    if (entry.empty() || entry.starts_with('#')) continue;
    AddEntry(entry, inventory);
  }
  return inventory;
}

DeviceInventory VirtualDeviceBackend::Enumerate() {
  try {
    const bool isInline = setting_.find('|') != std::string::npos || Trimmed(setting_).empty();
    return ParseVirtualDevices(isInline ? setting_ : ReadListFile(setting_));
  } catch (const std::invalid_argument& error) {
    std::fprintf(stderr, "TONESENTRY_VIRTUAL_DEVICES: %s; no virtual devices.\n", error.what());
    return {};
  }
}

}  // namespace audiolib
