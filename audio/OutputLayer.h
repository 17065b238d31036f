// Which device layer an output slot of the system settings is brought up on. Any thread.
#pragma once

#include "settings/system/OutputDevice.h"

// Method 0 always, and Method 1 on the system default device or for a slot fed by its own mixer
// (odRegular), go through the library's regular device layer; other Method 1 slots through the
// WASAPI-style layer.
inline bool UsesRegularLayer(int32_t method, TOutputDevType devType, bool isDefault) {
  return devType == TOutputDevType::odRegular || method == kMethodLibrary || (method == kMethodWasapi && isDefault);
}

inline bool UsesRegularLayer(const TOutputDevice& device) {
  return UsesRegularLayer(device.Method(), device.DevType(), device.IsDefault());
}
