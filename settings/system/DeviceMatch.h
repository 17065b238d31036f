// The rule that finds a stored sound device again in one of the audio library's device lists.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Fed the devices of one list in index order. Compares, ignoring ASCII letter case, the stored
// identifier with each device's identifier and the stored name with its name:
// - both equal: that index, and the walk stops;
// - only the name equal: that index, unless a later name or full match replaces it;
// - only the identifier equal: that index, if nothing was taken before.
// A device that changed its identifier (new driver) is thus found by name, and one renamed by the
// user by identifier. Any thread; one object per walk.
class TDeviceMatch {
 public:
  // `noMatch` is the result when no device matches.
  TDeviceMatch(std::string deviceID, std::string deviceName, int32_t noMatch)
      : FDeviceID(std::move(deviceID)), FDeviceName(std::move(deviceName)), FResult(noMatch) {}

  // True when the device matched on both, so the walk can stop.
  bool Consider(int32_t index, std::string_view identifier, std::string_view name);
  int32_t Result() const { return FResult; }

 private:
  std::string FDeviceID;
  std::string FDeviceName;
  int32_t FResult;
  bool FTaken = false;
};
