#include "audiolib/devices/AsioDriverInfo.h"

#include <portaudio.h>

#include <cmath>
#include <cstdlib>
#include <mutex>

#include "audiolib/api/ErrorState.h"
#include "audiolib/devices/DeviceStream.h"
#include "audiolib/devices/PortAudioLibrary.h"
#include "audiolib/devices/VirtualDeviceBackend.h"

namespace audiolib {

namespace {

constexpr double kLowestRate = 1000;
constexpr double kHighestRate = 384000;

AsioDriverInfo FindVirtual(const std::string& driverId) {
  const char* setting = std::getenv("TONESENTRY_VIRTUAL_DEVICES");
  const DeviceInventory inventory = VirtualDeviceBackend(setting ? setting : "").Enumerate();
  for (const DeviceDescription& device : inventory.asio) {
    if (device.id != driverId || !device.isEnabled) continue;
    return {device.mixChannels, device.mixChannels, device.mixRate, false};
  }
  throw AudioError(BASS_ERROR_DEVICE);
}

AsioDriverInfo FindJack(const std::string& driverId) {
  std::lock_guard lock(PortAudioMutex());
  if (!InitializePortAudio()) throw AudioError(BASS_ERROR_DEVICE);
  struct Termination {
    ~Termination() { Pa_Terminate(); }
  } termination;
  const PaHostApiIndex hostApi = Pa_HostApiTypeIdToHostApiIndex(paJACK);
  const PaHostApiInfo* api = hostApi >= 0 ? Pa_GetHostApiInfo(hostApi) : nullptr;
  for (int i = 0; api != nullptr && i < api->deviceCount; ++i) {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(Pa_HostApiDeviceIndexToDeviceIndex(hostApi, i));
    if (info == nullptr || driverId != info->name) continue;
    return {static_cast<DWORD>(info->maxInputChannels), static_cast<DWORD>(info->maxOutputChannels),
            static_cast<DWORD>(info->defaultSampleRate), true};
  }
  throw AudioError(BASS_ERROR_DEVICE);
}

}  // namespace

AsioDriverInfo AsioDriverInfo::Find(const std::string& driverId) {
  return UsesVirtualDevices() ? FindVirtual(driverId) : FindJack(driverId);
}

void AsioDriverInfo::CheckRate(double rateHz) const {
  if (!std::isfinite(rateHz) || rateHz < kLowestRate || rateHz > kHighestRate) throw AudioError(BASS_ERROR_FORMAT);
  if (fixedRate && std::lround(rateHz) != static_cast<long>(rate)) throw AudioError(BASS_ERROR_FORMAT);
}

}  // namespace audiolib
