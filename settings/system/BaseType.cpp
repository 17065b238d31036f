#include "settings/system/BaseType.h"

#include "settings/format/PropInfo.h"

namespace {
constexpr int32_t kEQCenterFreqs[] = {31, 62, 125, 250, 500, 1000, 2000, 4000, 8000, 16000, 18000, 20000};
}

const TPropList& TEQBandsBand::Published() const {
  using T = TEQBandsBand;
  static const TPropList props({
      Prop::Integer("CenterFreq", &T::FCenterFreq),
  });
  return props;
}

TSystemIniBase::TSystemIniBase() {
  for (const int32_t centerFreq : kEQCenterFreqs) FEQBands.Add().SetCenterFreq(centerFreq);
}

const TPropList& TSystemIniBase::ClassProperties() {
  using T = TSystemIniBase;
  static const TPropList props(TComponent::ClassProperties(), {
      Prop::Boolean("AllowWinampPlugins", &T::FAllowWinampPlugins),
      Prop::Boolean("AllowVstPlugins", &T::FAllowVstPlugins),
      Prop::Strings("VSTFolder", &T::FVSTFolder),
      Prop::String("VSTSkipSettings", &T::FVSTSkipSettings),
      Prop::Integer("BandsNum", &T::FBandsNum),
      Prop::Collection("EQBands", &T::FEQBands),
      Prop::Single("Bandwidth", &T::FBandwidth),
      Prop::Integer("EQRange", &T::FEQRange),
  });
  return props;
}
