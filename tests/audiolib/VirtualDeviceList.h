// Points the audio library's device enumeration at a virtual device list for the object's
// lifetime (TONESENTRY_VIRTUAL_DEVICES; format in audiolib/devices/VirtualDeviceBackend.h), then restores
// the variable. Main test thread only: the environment is not thread-safe.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

class VirtualDeviceList {
 public:
  explicit VirtualDeviceList(const std::string& list) {
    if (const char* old = std::getenv(kVariable)) FOld = old;
    ::setenv(kVariable, list.c_str(), 1);
  }
  ~VirtualDeviceList() {
    if (FOld) {
      ::setenv(kVariable, FOld->c_str(), 1);
    } else {
      ::unsetenv(kVariable);
    }
  }
  VirtualDeviceList(const VirtualDeviceList&) = delete;
  VirtualDeviceList& operator=(const VirtualDeviceList&) = delete;

 private:
  static constexpr const char* kVariable = "TONESENTRY_VIRTUAL_DEVICES";
  std::optional<std::string> FOld;
};
