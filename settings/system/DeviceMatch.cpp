#include "settings/system/DeviceMatch.h"

#include "settings/format/TextCase.h"

bool TDeviceMatch::Consider(int32_t index, std::string_view identifier, std::string_view name) {
  const bool sameID = SameText(FDeviceID, identifier);
  const bool sameName = SameText(FDeviceName, name);
  if (sameName || (sameID && !FTaken)) {
    FResult = index;
    FTaken = true;
  }
  return sameID && sameName;
}
