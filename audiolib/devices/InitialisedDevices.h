// The bookkeeping the WASAPI-style and ASIO-style layers share: which of a layer's devices are
// initialised (by list number), each thread's current one, and the layer's notification procedure.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "audiolib/api/ErrorState.h"
#include "audiolib/audiolib.h"

namespace audiolib {

// Any thread; each thread has its own current device per layer. Device objects are handed out as
// shared copies and dropped outside the lock, so a notification running meanwhile can still ask
// the layer. `Proc` is the layer's notification procedure type.
template <typename Device, typename Proc>
class InitialisedDevices {
 public:
  static constexpr int kNone = -1;

  bool IsInitialised(DWORD number) const {
    std::lock_guard lock(mutex_);
    return devices_.count(number) != 0;
  }
  // Throws AudioError(BASS_ERROR_ALREADY) when `number` is initialised (checked before opening it).
  void ThrowIfInitialised(DWORD number) const {
    if (IsInitialised(number)) throw AudioError(BASS_ERROR_ALREADY);
  }
  // Keeps the opened device and makes it the calling thread's current one. Two threads opening the
  // same device at once: the first keeps it, the second gets AudioError(BASS_ERROR_ALREADY).
  void Add(DWORD number, std::shared_ptr<Device> opened) {
    std::lock_guard lock(mutex_);
    if (!devices_.emplace(number, std::move(opened)).second) throw AudioError(BASS_ERROR_ALREADY);
    current = static_cast<int>(number);
  }
  // Forgets the calling thread's current device and returns it for the caller to stop.
  // Throws AudioError(BASS_ERROR_INIT).
  std::shared_ptr<Device> TakeCurrent() {
    std::lock_guard lock(mutex_);
    const auto found = devices_.find(static_cast<DWORD>(current));
    if (current < 0 || found == devices_.end()) throw AudioError(BASS_ERROR_INIT);
    std::shared_ptr<Device> taken = std::move(found->second);
    devices_.erase(found);
    return taken;
  }
  // Throws AudioError(BASS_ERROR_INIT) when `number` is not initialised.
  void Select(DWORD number) {
    std::lock_guard lock(mutex_);
    if (devices_.count(number) == 0) throw AudioError(BASS_ERROR_INIT);
    current = static_cast<int>(number);
  }
  // Throws AudioError(BASS_ERROR_INIT) when the thread has no device.
  int Current() const {
    if (current == kNone) throw AudioError(BASS_ERROR_INIT);
    return current;
  }
  // The calling thread's current device (kept alive by the copy). Throws AudioError(BASS_ERROR_INIT).
  std::shared_ptr<Device> CurrentDevice() const {
    std::lock_guard lock(mutex_);
    const auto found = devices_.find(static_cast<DWORD>(current));
    if (current < 0 || found == devices_.end()) throw AudioError(BASS_ERROR_INIT);
    return found->second;
  }

  void SetNotify(Proc* proc, void* user) {
    std::lock_guard lock(mutex_);
    notifyProc_ = proc;
    notifyUser_ = user;
  }
  // The procedure and its user value, read under the lock; call it outside.
  std::pair<Proc*, void*> NotifyTarget() const {
    std::lock_guard lock(mutex_);
    return {notifyProc_, notifyUser_};
  }

 private:
  static inline thread_local int current = kNone;

  mutable std::mutex mutex_;
  std::map<DWORD, std::shared_ptr<Device>> devices_;
  Proc* notifyProc_ = nullptr;
  void* notifyUser_ = nullptr;
};

}  // namespace audiolib
