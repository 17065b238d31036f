#include "audiolib/devices/DeviceCatalog.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "audiolib/devices/Devices.h"
#include "audiolib/api/ErrorState.h"
#include "audiolib/devices/PortAudioBackend.h"
#include "audiolib/devices/VirtualDeviceBackend.h"
#include "audiolib/devices/WasapiDevices.h"

namespace audiolib {

namespace {

constexpr const char* kVirtualDevicesVariable = "TONESENTRY_VIRTUAL_DEVICES";

std::optional<std::string> VirtualDevicesSetting() {
  const char* value = std::getenv(kVirtualDevicesVariable);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

std::unique_ptr<DeviceBackend> MakeBackend(const std::optional<std::string>& virtualSetting) {
  if (virtualSetting) return std::make_unique<VirtualDeviceBackend>(*virtualSetting);
  return std::make_unique<PortAudioBackend>();
}

// The devices of one direction with the default first (the first one when none is marked).
std::vector<DeviceDescription> DefaultFirst(const std::vector<DeviceDescription>& devices, bool inputs) {
  std::vector<DeviceDescription> chosen;
  std::copy_if(devices.begin(), devices.end(), std::back_inserter(chosen),
               [inputs](const DeviceDescription& d) { return d.isInput == inputs; });
  const auto marked = std::find_if(chosen.begin(), chosen.end(),
                                   [](const DeviceDescription& d) { return d.isDefault; });
  if (marked != chosen.end()) std::rotate(chosen.begin(), marked, marked + 1);
  for (size_t i = 0; i < chosen.size(); ++i) chosen[i].isDefault = i == 0;
  return chosen;
}

DWORD FlagsOf(const DeviceDescription& device) {
  DWORD flags = 0;
  if (device.isEnabled) flags |= BASS_DEVICE_ENABLED;
  if (device.isDefault) flags |= BASS_DEVICE_DEFAULT;
  if (device.isLoopback) flags |= BASS_DEVICE_LOOPBACK;
  if (device.isInput) flags |= BASS_DEVICE_INPUT;
  return flags;
}

}  // namespace

DeviceCatalog& DeviceCatalog::Instance() {
  static DeviceCatalog catalog;
  return catalog;
}

BASS_DEVICEINFO DeviceCatalog::Output(DWORD device) {
  const Entry entry = At(&DeviceCatalog::outputs_, device);
  const DWORD init = Devices::Instance().IsInitialised(static_cast<int>(device)) ? BASS_DEVICE_INIT : 0;
  return {entry.name, entry.id, entry.flags | init};
}

DeviceCatalog::Format DeviceCatalog::OutputFormat(DWORD device) {
  const Entry entry = At(&DeviceCatalog::outputs_, device);
  return {entry.mixRate, entry.mixChannels};
}

BASS_DEVICEINFO DeviceCatalog::Input(DWORD device) {
  const Entry entry = At(&DeviceCatalog::inputs_, device);
  return {entry.name, entry.id, entry.flags};
}

BASS_WASAPI_DEVICEINFO DeviceCatalog::Wasapi(DWORD device) {
  const Entry entry = At(&DeviceCatalog::wasapi_, device);
  const DWORD init = WasapiDevices::Instance().IsInitialised(device) ? BASS_DEVICE_INIT : 0;
  return {entry.name, entry.id, entry.flags | init, entry.mixRate, entry.mixChannels};
}

BASS_ASIO_DEVICEINFO DeviceCatalog::Asio(DWORD device) {
  const Entry entry = At(&DeviceCatalog::asio_, device);
  return {entry.name, entry.id};
}

DeviceCatalog::Entry DeviceCatalog::At(const std::vector<Entry> DeviceCatalog::*list, DWORD device) {
  std::lock_guard lock(mutex_);
  RefreshIfNeeded();
  const std::vector<Entry>& entries = this->*list;
  if (device >= entries.size()) throw AudioError(BASS_ERROR_DEVICE);
  return entries[device];
}

void DeviceCatalog::RefreshIfNeeded() {
  std::optional<std::string> setting = VirtualDevicesSetting();
  if (filled_ && setting == filledWith_) return;
  Fill(MakeBackend(setting)->Enumerate());
  filledWith_ = std::move(setting);
  filled_ = true;
}

void DeviceCatalog::Fill(const DeviceInventory& inventory) {
  outputs_.assign({Entry{Intern("No sound"), Intern(""), BASS_DEVICE_ENABLED, 0, 0}});
  for (const DeviceDescription& device : DefaultFirst(inventory.regular, false)) {
    outputs_.push_back(MakeEntry(device));
  }
  inputs_.clear();
  for (const DeviceDescription& device : DefaultFirst(inventory.regular, true)) {
    inputs_.push_back(MakeEntry(device));
  }
  std::vector<DeviceDescription> endpoints = inventory.wasapi;
  std::stable_partition(endpoints.begin(), endpoints.end(),
                        [](const DeviceDescription& d) { return !d.isInput; });
  wasapi_.clear();
  for (const DeviceDescription& device : endpoints) wasapi_.push_back(MakeEntry(device));
  asio_.clear();
  // A driver serves both directions; a back end that reports one entry per direction lists it once.
  std::set<std::string> drivers;
  for (const DeviceDescription& device : inventory.asio) {
    if (drivers.insert(device.id).second) asio_.push_back(MakeEntry(device));
  }
}

DeviceCatalog::Entry DeviceCatalog::MakeEntry(const DeviceDescription& device) {
  return {Intern(device.name), Intern(device.id), FlagsOf(device), device.mixRate,
          device.mixChannels};
}

const char* DeviceCatalog::Intern(const std::string& text) { return texts_.insert(text).first->c_str(); }

}  // namespace audiolib
