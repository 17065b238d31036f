#include "audiolib/devices/RecordCaptureThread.h"

#include <chrono>

namespace audiolib {

RecordCaptureThread::RecordCaptureThread(std::function<bool()> pass, unsigned periodMs)
    : control_(std::make_shared<Control>()) {
  control_->pass = std::move(pass);
  control_->periodMs = periodMs;
  thread_ = std::thread(&RecordCaptureThread::Run, control_);
}

RecordCaptureThread::~RecordCaptureThread() {
  {
    std::lock_guard lock(control_->mutex);
    control_->stopping = true;
  }
  control_->wake.notify_all();
  if (thread_.get_id() == std::this_thread::get_id()) {
    thread_.detach();  // see the header: the thread ends by itself after this pass
  } else {
    thread_.join();
  }
}

void RecordCaptureThread::Wake() {
  {
    std::lock_guard lock(control_->mutex);
    control_->woken = true;
  }
  control_->wake.notify_all();
}

void RecordCaptureThread::Run(std::shared_ptr<Control> control) {
  std::unique_lock lock(control->mutex);
  while (!control->stopping) {
    control->woken = false;
    lock.unlock();
    const bool goOn = control->pass();
    lock.lock();
    if (!goOn) break;
    control->wake.wait_for(lock, std::chrono::milliseconds(control->periodMs),
                           [&] { return control->woken || control->stopping; });
  }
}

}  // namespace audiolib
