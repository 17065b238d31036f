// A lock-free ring of float samples between one producer thread and one consumer thread: the
// hand-over between a device's update thread and the sound system's real-time callback.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <memory>

namespace audiolib {

// Capacity in samples (not frames; at least 1), fixed at construction, which is the only allocation
// (left untouched, so memory the ring never fills is never made resident). Write and
// the producer's counts belong to one thread, Read and the consumer's counts to one other thread;
// neither blocks, locks or allocates, so Read is safe on a real-time thread. Clear is for when
// neither side runs (before start, after stop). Indices count samples ever moved, so a full ring
// and an empty one differ without a spare slot.
class SampleRing {
 public:
  explicit SampleRing(size_t capacitySamples)
      : capacity_(std::max<size_t>(capacitySamples, 1)),
        samples_(std::make_unique_for_overwrite<float[]>(capacity_)) {}
  SampleRing(const SampleRing&) = delete;
  SampleRing& operator=(const SampleRing&) = delete;

  size_t Capacity() const { return capacity_; }

  // Samples waiting to be read. Either side; exact for the consumer, a lower bound for the producer.
  size_t Readable() const {
    return written_.load(std::memory_order_acquire) - read_.load(std::memory_order_acquire);
  }
  // Room for writing. Exact for the producer, a lower bound for anyone else.
  size_t Writable() const { return capacity_ - Readable(); }

  // Producer: appends up to `count` samples; returns how many fitted.
  size_t Write(const float* samples, size_t count) {
    const size_t written = written_.load(std::memory_order_relaxed);
    const size_t room = capacity_ - (written - read_.load(std::memory_order_acquire));
    const size_t n = std::min(count, room);
    CopyIn(written % Capacity(), samples, n);
    written_.store(written + n, std::memory_order_release);
    return n;
  }

  // Consumer: takes up to `count` samples into `out`; returns how many there were.
  size_t Read(float* out, size_t count) {
    const size_t read = read_.load(std::memory_order_relaxed);
    const size_t available = written_.load(std::memory_order_acquire) - read;
    const size_t n = std::min(count, available);
    CopyOut(read % Capacity(), out, n);
    read_.store(read + n, std::memory_order_release);
    return n;
  }

  // Samples written and read since construction: a running count of what the sound system has
  // played (what Clear drops counts as read). Either side.
  size_t TotalWritten() const { return written_.load(std::memory_order_acquire); }
  size_t TotalRead() const { return read_.load(std::memory_order_acquire); }

  // Empties the ring. Only while neither the producer nor the consumer runs.
  void Clear() { read_.store(written_.load(std::memory_order_acquire), std::memory_order_release); }

 private:
  void CopyIn(size_t at, const float* from, size_t n) {
    const size_t first = std::min(n, capacity_ - at);
    std::copy_n(from, first, samples_.get() + at);
    std::copy_n(from + first, n - first, samples_.get());
  }
  void CopyOut(size_t at, float* to, size_t n) const {
    const size_t first = std::min(n, capacity_ - at);
    std::copy_n(samples_.get() + at, first, to);
    std::copy_n(samples_.get(), n - first, to + first);
  }

  const size_t capacity_;
  std::unique_ptr<float[]> samples_;
  std::atomic<size_t> written_{0};
  std::atomic<size_t> read_{0};
};

}  // namespace audiolib
