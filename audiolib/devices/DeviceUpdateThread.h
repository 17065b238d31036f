// The thread that keeps an output device's ring filled: it runs one update every period, or at
// once when woken (a channel started playing).
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "audiolib/audiolib.h"

namespace audiolib {

// Owned by its device. `update` runs on the thread only; the period is asked for again before each
// wait (BASS_CONFIG_UPDATEPERIOD may change at any time). Wake and the destructor may be called from
// any thread but the update thread itself; the destructor tells the thread to stop and joins it.
class DeviceUpdateThread {
 public:
  // The thread's name as tools (top -H, /proc/PID/task/TID/comm) show it.
  static constexpr const char* kThreadName = "audio-update";

  DeviceUpdateThread(std::function<void()> update, std::function<DWORD()> periodMs);
  ~DeviceUpdateThread();
  DeviceUpdateThread(const DeviceUpdateThread&) = delete;
  DeviceUpdateThread& operator=(const DeviceUpdateThread&) = delete;

  // Runs the next update without waiting for the rest of the period. Any thread (the update thread
  // too: a procedure that starts a channel while the device renders).
  void Wake();

 private:
  void Run();

  const std::function<void()> update_;
  const std::function<DWORD()> periodMs_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool woken_ = false;     // guarded by mutex_
  bool stopping_ = false;  // guarded by mutex_
  std::thread thread_;     // last: starts once everything above exists
};

}  // namespace audiolib
