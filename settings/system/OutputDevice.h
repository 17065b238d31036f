// TOutputDevice: one output slot of the system settings (Main, Monitor, Prelisten, ...), and the
// record of what the audio engine last brought up on it.
//
// Main thread for the published values; the Prv fields belong to the audio engine.
#pragma once

#include <cstdint>
#include <string>

#include "settings/system/SoundDevice.h"

class TOutputDevice : public TSoundDevice {
 public:
  // 48000 Hz, the main mixer, a 500 ms buffer; nothing applied yet (the Prv fields at -1).
  explicit TOutputDevice(TCollection& collection) : TSoundDevice(collection) {}
  std::string ClassName() const override { return "TOutputDevice"; }
  const TPropList& Published() const override;
  bool IsInput() const override { return false; }

  PUBLISHED_PROPERTY(int32_t, SampleFreq, 48000)  // Hz
  PUBLISHED_PROPERTY(uint32_t, Speakers, 0)       // the library's speaker flags for the output
  PUBLISHED_PROPERTY(int32_t, BufSize, 500)       // ms
  PUBLISHED_PROPERTY(bool, Exclusive, false)      // WASAPI-style exclusive mode

  // What the audio engine last applied to this slot; -1 (Method, index, channels) until then.
  int32_t PrvMethod = -1;
  int32_t PrvDeviceIdx = -1;
  TOutputDevType PrvDevType = TOutputDevType::odMixer;
  std::string PrvDeviceID;
  int32_t PrvChan1 = -1;
  int32_t PrvChan2 = -1;
};

class TOutputDevicesList : public TCollectionOf<TOutputDevice> {};
