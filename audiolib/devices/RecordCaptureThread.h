// The thread that hands a recording's captured blocks to its RECORDPROC.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace audiolib {

// Runs `pass` every `periodMs` until told to stop or until `pass` returns false. Owned by its
// recording channel; the destructor tells the thread to stop and joins it. The one case where it
// cannot join is a destructor that runs on the thread itself (a RECORDPROC that freed its own
// channel): the thread is then let go, and it ends without touching anything of the owner once
// `pass` returns. So `pass` must own (or lock) what it uses.
class RecordCaptureThread {
 public:
  RecordCaptureThread(std::function<bool()> pass, unsigned periodMs);
  ~RecordCaptureThread();
  RecordCaptureThread(const RecordCaptureThread&) = delete;
  RecordCaptureThread& operator=(const RecordCaptureThread&) = delete;

  // Runs the next pass at once. Any thread.
  void Wake();

 private:
  struct Control {
    std::mutex mutex;
    std::condition_variable wake;
    bool woken = false;     // guarded by mutex
    bool stopping = false;  // guarded by mutex
    std::function<bool()> pass;
    unsigned periodMs = 10;
  };
  static void Run(std::shared_ptr<Control> control);

  std::shared_ptr<Control> control_;
  std::thread thread_;
};

}  // namespace audiolib
