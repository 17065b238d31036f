#include "settings/system/OutputDevice.h"

#include "settings/format/PropInfo.h"

const TPropList& TOutputDevice::Published() const {
  using T = TOutputDevice;
  static const TPropList props(TSoundDevice::ClassProperties(), {
      Prop::Integer("SampleFreq", &T::FSampleFreq),
      Prop::Cardinal("Speakers", &T::FSpeakers).Default(0),
      Prop::Integer("BufSize", &T::FBufSize),
      Prop::Boolean("Exclusive", &T::FExclusive).Default(false),
  });
  return props;
}
