// FFmpeg's view of a URL stream's byte ring: a read-only, non-seekable custom I/O context.
#pragma once

#include <atomic>
#include <functional>

struct AVIOContext;

namespace audiolib {

class ByteRing;

// Read by one thread at a time: the creating thread while the format is probed, then the decode
// thread. A read waits while the ring is empty: at most ReadTimeoutMs (then FFmpeg sees an error
// and TimedOut() is true), until the end (FFmpeg sees the end of the file) or ByteRing::Abort.
class AvioInput {
 public:
  // `onWaiting(true)` is called before a read waits for data and `onWaiting(false)` once data
  // (or the end) came, on the reading thread.
  AvioInput(ByteRing& ring, std::function<void(bool waiting)> onWaiting);
  ~AvioInput();
  AvioInput(const AvioInput&) = delete;
  AvioInput& operator=(const AvioInput&) = delete;

  AVIOContext* context() const { return context_; }
  // Negative: wait as long as it takes.
  void SetReadTimeoutMs(int timeoutMs) { readTimeoutMs_ = timeoutMs; }
  bool TimedOut() const { return timedOut_.load(); }

 private:
  static int ReadPacket(void* self, uint8_t* buffer, int size);
  int Read(uint8_t* buffer, int size);

  ByteRing& ring_;
  std::function<void(bool waiting)> onWaiting_;
  AVIOContext* context_ = nullptr;
  std::atomic<int> readTimeoutMs_{-1};
  std::atomic<bool> timedOut_{false};
};

}  // namespace audiolib
