#include "audiolib/devices/Devices.h"

#include "audiolib/api/Config.h"
#include "audiolib/api/ErrorState.h"
#include "audiolib/devices/DeviceCatalog.h"
#include "audiolib/devices/PortAudioLibrary.h"
#include "audiolib/devices/VirtualDevices.h"

namespace audiolib {

namespace {

thread_local int currentDevice = Devices::kNoSound;

constexpr DWORD kNoSoundRate = 48000;
constexpr DWORD kStereo = 2;

DWORD ChannelsFor(DWORD deviceChannels) { return deviceChannels == 1 ? 1 : kStereo; }

}  // namespace

Devices& Devices::Instance() {
  static Devices devices;
  return devices;
}

Devices::Devices() {
  // Made first so that they are destroyed after the devices that use them at exit.
  Config::Instance();
  VirtualDevices::Instance();
  PortAudioMutex();
}

Devices::~Devices() {
  std::map<int, std::shared_ptr<OutputDevice>> outputs;
  {
    std::lock_guard lock(mutex_);
    outputs.swap(outputs_);
  }
}

std::unique_ptr<OutputDevice> Devices::Open(int device, DWORD sampleRate) {
  DeviceStreamRequest request;
  if (device == kNoSound) {
    request.sampleRate = sampleRate != 0 ? sampleRate : kNoSoundRate;
    request.channels = kStereo;
    return std::make_unique<OutputDevice>(request, true);
  }
  const BASS_DEVICEINFO info = DeviceCatalog::Instance().Output(static_cast<DWORD>(device));
  if ((info.flags & BASS_DEVICE_ENABLED) == 0) throw AudioError(BASS_ERROR_DEVICE);
  const DeviceCatalog::Format format = DeviceCatalog::Instance().OutputFormat(static_cast<DWORD>(device));
  request.deviceId = info.driver;
  request.channels = ChannelsFor(format.channels);
  request.sampleRate = sampleRate != 0 ? sampleRate : format.sampleRate;
  try {
    return std::make_unique<OutputDevice>(request, false);
  } catch (const AudioError& error) {
    if (error.code() != BASS_ERROR_FREQ || request.sampleRate == format.sampleRate) throw;
  }
  request.sampleRate = format.sampleRate;
  return std::make_unique<OutputDevice>(request, false);
}

void Devices::Init(int device, DWORD sampleRate, DWORD) {
  if (device == -1) device = kDefaultOutput;
  if (device < 0) throw AudioError(BASS_ERROR_DEVICE);
  if (IsInitialised(device)) throw AudioError(BASS_ERROR_ALREADY);
  std::shared_ptr<OutputDevice> output = Open(device, sampleRate);
  std::lock_guard lock(mutex_);
  // Another thread may have opened it meanwhile; the copy just opened then goes.
  if (!outputs_.emplace(device, std::move(output)).second) throw AudioError(BASS_ERROR_ALREADY);
  currentDevice = device;
}

void Devices::FreeCurrent() {
  std::shared_ptr<OutputDevice> output;
  {
    std::lock_guard lock(mutex_);
    const auto found = outputs_.find(currentDevice);
    if (found == outputs_.end()) throw AudioError(BASS_ERROR_INIT);
    if (found->second->IsUpdateThread()) throw AudioError(BASS_ERROR_BUSY);
    output = std::move(found->second);
    outputs_.erase(found);
  }
}

void Devices::Select(DWORD device) {
  const int wanted = static_cast<int>(device);
  if (wanted < 0) throw AudioError(BASS_ERROR_DEVICE);
  if (wanted != kNoSound && !IsInitialised(wanted)) {
    DeviceCatalog::Instance().Output(device);  // DEVICE when there is no such device
    throw AudioError(BASS_ERROR_INIT);
  }
  currentDevice = wanted;
}

int Devices::Current() const { return currentDevice; }

bool Devices::IsInitialised(int device) const {
  std::lock_guard lock(mutex_);
  return outputs_.count(device) != 0;
}

std::shared_ptr<OutputDevice> Devices::Output(int device) const {
  std::lock_guard lock(mutex_);
  const auto found = outputs_.find(device);
  if (found == outputs_.end()) throw AudioError(BASS_ERROR_INIT);
  return found->second;
}

}  // namespace audiolib
