#include "audiolib/devices/Devices.h"

#include <portaudio.h>

#include "audiolib/api/ErrorState.h"
#include "audiolib/devices/PortAudioLibrary.h"

namespace audiolib {

namespace {
thread_local int currentDevice = Devices::kNoSound;
}

Devices& Devices::Instance() {
  static Devices devices;
  return devices;
}

bool Devices::Exists(int device) { return device == kNoSound || device == kDefaultOutput; }

void Devices::OpenDefaultOutput() {
  std::lock_guard portAudio(PortAudioMutex());
  if (!InitializePortAudio()) throw AudioError(BASS_ERROR_DEVICE);
  if (Pa_GetDefaultOutputDevice() == paNoDevice) {
    Pa_Terminate();
    throw AudioError(BASS_ERROR_DEVICE);
  }
}

void Devices::CloseDefaultOutput() {
  std::lock_guard portAudio(PortAudioMutex());
  Pa_Terminate();
}

void Devices::Init(int device) {
  if (device == -1) device = kDefaultOutput;
  if (!Exists(device)) throw AudioError(BASS_ERROR_DEVICE);
  std::lock_guard lock(mutex_);
  if (initialised_.count(device) != 0) throw AudioError(BASS_ERROR_ALREADY);
  if (device == kDefaultOutput) OpenDefaultOutput();
  initialised_.insert(device);
  currentDevice = device;
}

void Devices::FreeCurrent() {
  std::lock_guard lock(mutex_);
  if (initialised_.erase(currentDevice) == 0) throw AudioError(BASS_ERROR_INIT);
  if (currentDevice == kDefaultOutput) CloseDefaultOutput();
}

void Devices::Select(DWORD device) {
  const int wanted = static_cast<int>(device);
  if (!Exists(wanted)) throw AudioError(BASS_ERROR_DEVICE);
  std::lock_guard lock(mutex_);
  if (wanted != kNoSound && initialised_.count(wanted) == 0) throw AudioError(BASS_ERROR_INIT);
  currentDevice = wanted;
}

int Devices::Current() const { return currentDevice; }

bool Devices::IsInitialised(int device) const {
  std::lock_guard lock(mutex_);
  return initialised_.count(device) != 0;
}

}  // namespace audiolib
