#include "audiolib/devices/RecordDevices.h"

#include "audiolib/api/ErrorState.h"
#include "audiolib/api/HandleTable.h"
#include "audiolib/channels/Channel.h"
#include "audiolib/devices/DeviceCatalog.h"

namespace audiolib {

namespace {
thread_local int currentInput = RecordDevices::kNone;
}

RecordDevices& RecordDevices::Instance() {
  static RecordDevices devices;
  return devices;
}

void RecordDevices::Init(int device) {
  if (device == -1) device = 0;
  if (device < 0) throw AudioError(BASS_ERROR_DEVICE);
  const BASS_DEVICEINFO info = DeviceCatalog::Instance().Input(static_cast<DWORD>(device));
  if ((info.flags & BASS_DEVICE_ENABLED) == 0) throw AudioError(BASS_ERROR_DEVICE);
  std::lock_guard lock(mutex_);
  if (!initialised_.emplace(device, info.driver).second) throw AudioError(BASS_ERROR_ALREADY);
  currentInput = device;
}

void RecordDevices::FreeCurrent() {
  std::vector<DWORD> channels;
  {
    std::lock_guard lock(mutex_);
    if (initialised_.erase(currentInput) == 0) throw AudioError(BASS_ERROR_INIT);
    channels = std::move(channels_[currentInput]);
    channels_.erase(currentInput);
  }
  // Outside the lock: freeing joins each channel's capture thread.
  for (const DWORD handle : channels) {
    if (std::shared_ptr<Channel> channel = HandleTable::Instance().Take(handle)) channel->Free();
  }
}

void RecordDevices::Select(DWORD device) {
  const int wanted = static_cast<int>(device);
  DeviceCatalog::Instance().Input(device);  // throws DEVICE past the end of the list
  std::lock_guard lock(mutex_);
  if (initialised_.count(wanted) == 0) throw AudioError(BASS_ERROR_INIT);
  currentInput = wanted;
}

int RecordDevices::Current() const { return currentInput; }

std::string RecordDevices::CurrentDeviceId() const {
  std::lock_guard lock(mutex_);
  const auto found = initialised_.find(currentInput);
  if (found == initialised_.end()) throw AudioError(BASS_ERROR_INIT);
  return found->second;
}

void RecordDevices::AddChannel(int device, DWORD handle) {
  std::lock_guard lock(mutex_);
  std::vector<DWORD>& list = channels_[device];
  // Forget channels freed meanwhile, so the list stays as long as the live channels.
  std::erase_if(list, [](DWORD h) { return !HandleTable::Instance().Find(h); });
  list.push_back(handle);
}

}  // namespace audiolib
