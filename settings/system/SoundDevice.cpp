#include "settings/system/SoundDevice.h"

#include "audiolib/audiolib.h"
#include "settings/system/DeviceMatch.h"
#include "settings/format/PropInfo.h"

namespace {

constexpr std::string_view kOutputDevTypeNames[] = {"odMixer", "odRegular", "odNotUsed"};

// Offers the devices of one list to `match` in index order until it reports a full match or the
// list ends. `accept` filters the devices that may be considered at all.
template <class Info, class Describe, class Accept>
void Walk(BOOL (*getInfo)(DWORD, Info*), TDeviceMatch& match, Describe describe, Accept accept) {
  Info info{};
  for (DWORD index = 0; getInfo(index, &info); ++index) {
    if (!accept(info)) continue;
    const auto [identifier, name] = describe(info);
    if (match.Consider(static_cast<int32_t>(index), identifier, name)) return;
  }
}

}  // namespace

const TPropList& TSoundDevice::ClassProperties() {
  using T = TSoundDevice;
  static const TPropList props({
      Prop::Enum("DevType", &T::FDevType, kOutputDevTypeNames),
      Prop::Integer("Method", &T::FMethod),
      Prop::String("DeviceID", &T::FDeviceID),
      Prop::String("DeviceName2", &T::FDeviceName2),
      Prop::Integer("Chan1", &T::FChan1).Default(0),
      Prop::Integer("Chan2", &T::FChan2).Default(0),
      Prop::String("Chan1Name", &T::FChan1Name),
      Prop::String("Chan2Name", &T::FChan2Name),
      Prop::Boolean("EventDriven", &T::FEventDriven).Default(false),
  });
  return props;
}

bool TSoundDevice::IsDefault() const { return FDeviceID == kDefaultDeviceID; }

void TSoundDevice::SetIsDefault(bool value) {
  if (value) {
    FDeviceID = kDefaultDeviceID;
  } else if (IsDefault()) {
    FDeviceID.clear();
  }
}

bool TSoundDevice::IsNoSound() const {
  return FMethod == kMethodNone || (FMethod == kMethodLibrary && FDeviceID == kDecodeDeviceID);
}

int32_t TSoundDevice::DeviceIdx() const {
  switch (FMethod) {
    case kMethodAsio:
      return AsioDeviceIdx();
    case kMethodLibrary:
    case kMethodWasapi:
      return UsesLibraryDevices() ? LibraryDeviceIdx() : WasapiDeviceIdx();
    default:
      return -1;
  }
}

// The default device and outputs fed by their own mixer go through the library's device layer even
// with the WASAPI method; only main-mixer outputs on a chosen endpoint use the WASAPI-style list.
bool TSoundDevice::UsesLibraryDevices() const {
  return FDevType == TOutputDevType::odRegular || FDevType == TOutputDevType::odNotUsed ||
         FMethod == kMethodLibrary || (FMethod == kMethodWasapi && IsDefault());
}

int32_t TSoundDevice::LibraryDeviceIdx() const {
  if (IsDefault()) return IsInput() ? 0 : 1;
  if (!IsInput() && FDeviceID == kDecodeDeviceID) return 0;
  TDeviceMatch match(FDeviceID, FDeviceName2, IsInput() ? -2 : -1);
  const auto describe = [](const BASS_DEVICEINFO& d) { return std::pair(d.driver, d.name); };
  const auto any = [](const BASS_DEVICEINFO&) { return true; };
  Walk(IsInput() ? BASS_RecordGetDeviceInfo : BASS_GetDeviceInfo, match, describe, any);
  return match.Result();
}

int32_t TSoundDevice::WasapiDeviceIdx() const {
  TDeviceMatch match(FDeviceID, FDeviceName2, IsInput() ? -3 : -1);
  const auto describe = [](const BASS_WASAPI_DEVICEINFO& d) { return std::pair(d.id, d.name); };
  const bool wantInput = IsInput();
  const auto usable = [wantInput](const BASS_WASAPI_DEVICEINFO& d) {
    const bool isInput = (d.flags & BASS_DEVICE_INPUT) != 0;
    const bool isLoopback = (d.flags & BASS_DEVICE_LOOPBACK) != 0;
    return (d.flags & BASS_DEVICE_ENABLED) != 0 && !isLoopback && isInput == wantInput;
  };
  Walk(BASS_WASAPI_GetDeviceInfo, match, describe, usable);
  return match.Result();
}

int32_t TSoundDevice::AsioDeviceIdx() const {
  TDeviceMatch match(FDeviceID, FDeviceName2, -1);
  const auto describe = [](const BASS_ASIO_DEVICEINFO& d) { return std::pair(d.driver, d.name); };
  const auto any = [](const BASS_ASIO_DEVICEINFO&) { return true; };
  Walk(BASS_ASIO_GetDeviceInfo, match, describe, any);
  return match.Result();
}
