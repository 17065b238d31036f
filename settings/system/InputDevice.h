// TInputDevice: one configured input of the system settings (the microphone and the line inputs).
//
// Main thread for the published values; the audio engine's threads read them without locks.
#pragma once

#include <string>

#include "settings/system/SoundDevice.h"

class TInputDevice : public TSoundDevice {
 public:
  // Starts with no device (Method kMethodNone).
  explicit TInputDevice(TCollection& collection);
  std::string ClassName() const override { return "TInputDevice"; }
  const TPropList& Published() const override;
  bool IsInput() const override { return true; }

  PUBLISHED_PROPERTY(int32_t, MixerSrc, 0)
  PUBLISHED_PROPERTY(bool, Stereo, false)
  PUBLISHED_PROPERTY(bool, KeepAlive, false)
};

class TInputDevicesList : public TCollectionOf<TInputDevice> {};
