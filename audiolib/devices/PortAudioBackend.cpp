#include "audiolib/devices/PortAudioBackend.h"

#include <portaudio.h>

#include <mutex>

#include "audiolib/devices/PortAudioLibrary.h"

namespace audiolib {

namespace {

DeviceDescription Describe(const PaDeviceInfo& info, bool isInput, bool isDefault) {
  DeviceDescription device;
  device.name = info.name;
  device.id = info.name;
  device.isInput = isInput;
  device.isDefault = isDefault;
  device.mixRate = static_cast<DWORD>(info.defaultSampleRate);
  device.mixChannels = static_cast<DWORD>(isInput ? info.maxInputChannels : info.maxOutputChannels);
  return device;
}

// The host API's devices, every output direction first, then every input direction.
std::vector<DeviceDescription> DevicesOfHostApi(PaHostApiIndex hostApi) {
  std::vector<DeviceDescription> devices;
  const PaHostApiInfo* api = Pa_GetHostApiInfo(hostApi);
  if (api == nullptr) return devices;
  for (const bool isInput : {false, true}) {
    const PaDeviceIndex defaultDevice = isInput ? api->defaultInputDevice : api->defaultOutputDevice;
    for (int i = 0; i < api->deviceCount; ++i) {
      const PaDeviceIndex index = Pa_HostApiDeviceIndexToDeviceIndex(hostApi, i);
      const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
      if (info == nullptr) continue;
      const int channels = isInput ? info->maxInputChannels : info->maxOutputChannels;
      if (channels > 0) devices.push_back(Describe(*info, isInput, index == defaultDevice));
    }
  }
  return devices;
}

std::vector<DeviceDescription> DevicesOfHostApiType(PaHostApiTypeId type) {
  const PaHostApiIndex hostApi = Pa_HostApiTypeIdToHostApiIndex(type);
  if (hostApi < 0) return {};
  return DevicesOfHostApi(hostApi);
}

}  // namespace

DeviceInventory PortAudioBackend::Enumerate() {
  std::lock_guard lock(PortAudioMutex());
  DeviceInventory inventory;
  if (!InitializePortAudio()) return inventory;
  struct Termination {
    ~Termination() { Pa_Terminate(); }
  } termination;
  const PaHostApiIndex defaultApi = Pa_GetDefaultHostApi();
  if (defaultApi >= 0) inventory.regular = DevicesOfHostApi(defaultApi);
  inventory.wasapi = DevicesOfHostApiType(paALSA);
  inventory.asio = DevicesOfHostApiType(paJACK);
  return inventory;
}

}  // namespace audiolib
