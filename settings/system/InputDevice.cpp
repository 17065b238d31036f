#include "settings/system/InputDevice.h"

#include "settings/format/PropInfo.h"

TInputDevice::TInputDevice(TCollection& collection) : TSoundDevice(collection) { SetMethod(kMethodNone); }

const TPropList& TInputDevice::Published() const {
  using T = TInputDevice;
  static const TPropList props(TSoundDevice::ClassProperties(), {
      Prop::Integer("MixerSrc", &T::FMixerSrc),
      Prop::Boolean("Stereo", &T::FStereo),
      Prop::Boolean("KeepAlive", &T::FKeepAlive),
  });
  return props;
}

