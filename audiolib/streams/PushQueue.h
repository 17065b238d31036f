// The byte queue of a push stream: appended by one thread, drained by the reader.
#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace audiolib {

// Any thread; one short lock serialises appends, reads and queries. Data is kept in fixed-size
// blocks; drained blocks are kept for reuse (up to a few), so a queue that is appended to and
// drained at a steady rate allocates nothing.
class PushQueue {
 public:
  // Appends `bytes` and returns the bytes queued after it. Throws std::bad_alloc.
  size_t Append(const void* data, size_t bytes);
  // Moves up to `bytes` into `out`; returns the bytes moved.
  size_t Take(void* out, size_t bytes);
  size_t Queued() const;
  // Drops everything queued.
  void Clear();

 private:
  static constexpr size_t kBlockBytes = 64 * 1024;
  static constexpr size_t kSpareBlocks = 8;
  using Block = std::unique_ptr<std::byte[]>;

  Block NewBlock();

  mutable std::mutex mutex_;
  std::deque<Block> blocks_;
  std::vector<Block> spare_;
  size_t headOffset_ = 0;  // read offset into blocks_.front()
  size_t tailFill_ = kBlockBytes;  // bytes written into blocks_.back()
  size_t queued_ = 0;
};

}  // namespace audiolib
