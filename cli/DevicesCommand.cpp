#include "cli/DevicesCommand.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <string>
#include <vector>

#include "audiolib/audiolib.h"

namespace {

// One listed device, whatever its layer.
struct TListedDevice {
  DWORD number = 0;
  std::string name;
  std::string id;
  DWORD flags = 0;
  bool hasFormat = false;  // WASAPI-style endpoints tell their rate and channels
  DWORD rate = 0;
  DWORD channels = 0;
};

struct TDeviceList {
  const char* key;    // JSON member
  const char* title;  // text heading
  bool hasFlags;      // ASIO-style drivers have none
  std::vector<TListedDevice> devices;
};

// Walks a list by number until the call fails.
template <class Info>
std::vector<TListedDevice> Walk(BOOL (*get)(DWORD, Info*), const std::function<TListedDevice(const Info&)>& describe) {
  std::vector<TListedDevice> devices;
  Info info{};
  for (DWORD number = 0; get(number, &info); ++number) {
    TListedDevice device = describe(info);
    device.number = number;
    devices.push_back(std::move(device));
  }
  return devices;
}

TListedDevice Regular(const BASS_DEVICEINFO& info) {
  return {0, info.name, info.driver, info.flags, false, 0, 0};
}

std::vector<TDeviceList> ListDevices() {
  std::vector<TDeviceList> lists;
  lists.push_back({"outputs", "Output devices", true, Walk<BASS_DEVICEINFO>(BASS_GetDeviceInfo, Regular)});
  lists.push_back({"inputs", "Input devices", true, Walk<BASS_DEVICEINFO>(BASS_RecordGetDeviceInfo, Regular)});
  lists.push_back({"wasapi", "WASAPI-style endpoints (ALSA)", true,
                   Walk<BASS_WASAPI_DEVICEINFO>(BASS_WASAPI_GetDeviceInfo, [](const BASS_WASAPI_DEVICEINFO& info) {
                     return TListedDevice{0, info.name, info.id, info.flags, true, info.mixfreq, info.mixchans};
                   })});
  lists.push_back({"asio", "ASIO-style drivers (JACK)", false,
                   Walk<BASS_ASIO_DEVICEINFO>(BASS_ASIO_GetDeviceInfo, [](const BASS_ASIO_DEVICEINFO& info) {
                     return TListedDevice{0, info.name, info.driver, 0, false, 0, 0};
                   })});
  return lists;
}

std::string FlagWords(DWORD flags) {
  std::vector<std::string> words;
  if (flags & BASS_DEVICE_INPUT) words.emplace_back("input");
  if (flags & BASS_DEVICE_DEFAULT) words.emplace_back("default");
  words.emplace_back(flags & BASS_DEVICE_ENABLED ? "enabled" : "disabled");
  if (flags & BASS_DEVICE_LOOPBACK) words.emplace_back("loopback");
  if (flags & BASS_DEVICE_INIT) words.emplace_back("initialised");
  std::string text;
  for (const std::string& word : words) text += (text.empty() ? "" : ", ") + word;
  return text;
}

void PrintText(const std::vector<TDeviceList>& lists, std::ostream& out) {
  for (const TDeviceList& list : lists) {
    out << list.title << ":\n";
    if (list.devices.empty()) out << "  (none)\n";
    for (const TListedDevice& device : list.devices) {
      out << "  " << device.number << ": " << device.name;
      if (!device.id.empty() && device.id != device.name) out << " (" << device.id << ")";
      if (device.hasFormat) out << ", " << device.rate << " Hz, " << device.channels << " ch";
      if (list.hasFlags) out << " [" << FlagWords(device.flags) << "]";
      out << '\n';
    }
  }
}

void PrintJson(const std::vector<TDeviceList>& lists, std::ostream& out) {
  nlohmann::ordered_json root = nlohmann::ordered_json::object();
  for (const TDeviceList& list : lists) {
    nlohmann::ordered_json entries = nlohmann::ordered_json::array();
    for (const TListedDevice& device : list.devices) {
      nlohmann::ordered_json entry;
      entry["number"] = device.number;
      entry["name"] = device.name;
      entry["id"] = device.id;
      if (list.hasFlags) {
        entry["default"] = (device.flags & BASS_DEVICE_DEFAULT) != 0;
        entry["enabled"] = (device.flags & BASS_DEVICE_ENABLED) != 0;
        entry["input"] = (device.flags & BASS_DEVICE_INPUT) != 0;
        entry["loopback"] = (device.flags & BASS_DEVICE_LOOPBACK) != 0;
        entry["initialised"] = (device.flags & BASS_DEVICE_INIT) != 0;
      }
      if (device.hasFormat) {
        entry["rate"] = device.rate;
        entry["channels"] = device.channels;
      }
      entries.push_back(std::move(entry));
    }
    root[list.key] = std::move(entries);
  }
  out << root.dump(2) << '\n';
}

}  // namespace

int RunDevices(TDevicesFormat format, std::ostream& out) {
  const std::vector<TDeviceList> lists = ListDevices();
  if (format == TDevicesFormat::Json) {
    PrintJson(lists, out);
  } else {
    PrintText(lists, out);
  }
  return 0;
}
