#include "audiolib/devices/DeviceUpdateThread.h"

#include <pthread.h>

#include <algorithm>
#include <chrono>

namespace audiolib {

namespace {
constexpr DWORD kShortestPeriodMs = 5;
constexpr DWORD kLongestPeriodMs = 100;
}  // namespace

DeviceUpdateThread::DeviceUpdateThread(std::function<void()> update, std::function<DWORD()> periodMs)
    : update_(std::move(update)), periodMs_(std::move(periodMs)), thread_([this] { Run(); }) {}

DeviceUpdateThread::~DeviceUpdateThread() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void DeviceUpdateThread::Wake() {
  {
    std::lock_guard lock(mutex_);
    woken_ = true;
  }
  wake_.notify_all();
}

void DeviceUpdateThread::Run() {
  pthread_setname_np(pthread_self(), kThreadName);
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    woken_ = false;
    lock.unlock();
    update_();
    const DWORD periodMs = std::clamp(periodMs_(), kShortestPeriodMs, kLongestPeriodMs);
    lock.lock();
    wake_.wait_for(lock, std::chrono::milliseconds(periodMs), [this] { return woken_ || stopping_; });
  }
}

}  // namespace audiolib
