// The front end of device enumeration: numbers the devices that the back end reports into the
// four lists that the BASS_*GetDeviceInfo calls walk (numbering in audiolib.h).
#pragma once

#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "audiolib/devices/DeviceBackend.h"
#include "audiolib/audiolib.h"

namespace audiolib {

// Any thread. The back end is asked on first use and again whenever TONESENTRY_VIRTUAL_DEVICES has
// changed since (set, unset or given another value); otherwise the lists stay as read, so a walk
// sees one consistent list. Returned text stays valid until the process ends.
class DeviceCatalog {
 public:
  static DeviceCatalog& Instance();

  // Each throws AudioError(BASS_ERROR_DEVICE) past the end of its list.
  BASS_DEVICEINFO Output(DWORD device);
  BASS_DEVICEINFO Input(DWORD device);
  BASS_WASAPI_DEVICEINFO Wasapi(DWORD device);
  BASS_ASIO_DEVICEINFO Asio(DWORD device);

  // An output's own format as the back end reports it (the no-sound device: 0 and 0).
  struct Format {
    DWORD sampleRate;  // Hz
    DWORD channels;
  };
  Format OutputFormat(DWORD device);

 private:
  struct Entry {
    const char* name;
    const char* id;
    DWORD flags;
    DWORD mixRate;
    DWORD mixChannels;
  };

  DeviceCatalog() = default;
  // The entry at `device` of `list`, after re-reading the back end if needed.
  Entry At(const std::vector<Entry> DeviceCatalog::*list, DWORD device);
  void RefreshIfNeeded();
  void Fill(const DeviceInventory& inventory);
  Entry MakeEntry(const DeviceDescription& device);
  const char* Intern(const std::string& text);

  std::mutex mutex_;
  bool filled_ = false;
  std::optional<std::string> filledWith_;  // TONESENTRY_VIRTUAL_DEVICES at the last read
  std::vector<Entry> outputs_;
  std::vector<Entry> inputs_;
  std::vector<Entry> wasapi_;
  std::vector<Entry> asio_;
  std::set<std::string, std::less<>> texts_;  // every text handed out, kept for good
};

}  // namespace audiolib
