// The byte queue of a push stream: appended by one thread, drained by the reader.
#pragma once

#include <atomic>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace audiolib {

// Any thread, one appending thread at a time (the push stream serialises appends); one short lock
// serialises the block list. Data is kept in fixed-size blocks; drained blocks are kept for reuse
// (up to a few), so a queue that is appended to and drained at a steady rate allocates nothing.
// A large append is copied into blocks of its own outside the lock and then linked in, so a reader
// draining the queue meanwhile is never held up by the copy; small appends top up the last block
// under the lock. Queued() never waits.
class PushQueue {
 public:
  // Appends `bytes` and returns the bytes queued after it. Throws std::bad_alloc.
  size_t Append(const void* data, size_t bytes);
  // Moves up to `bytes` into `out`; returns the bytes moved.
  size_t Take(void* out, size_t bytes);
  size_t Queued() const { return queued_.load(); }
  // Drops everything queued.
  void Clear();

 private:
  static constexpr size_t kBlockBytes = 64 * 1024;
  // Enough for the few seconds a file or network feeder keeps queued (2 MiB), so blocks the
  // appending thread allocated are not freed by the reader, one by one.
  static constexpr size_t kSpareBlocks = 32;
  // Appends of at least this much are copied outside the lock.
  static constexpr size_t kUnlockedCopyBytes = 16 * 1024;
  struct Block {
    std::unique_ptr<std::byte[]> data;
    size_t fill = 0;  // bytes written
  };

  static Block AllocateBlock();
  Block NewBlock();  // a spare one if there is; mutex_ held
  void Retire(Block block);  // mutex_ held
  size_t AppendLocked(const std::byte* in, size_t bytes);
  size_t AppendUnlocked(const std::byte* in, size_t bytes);

  mutable std::mutex mutex_;
  std::deque<Block> blocks_;
  std::vector<Block> spare_;
  size_t headOffset_ = 0;  // read offset into blocks_.front()
  std::atomic<size_t> queued_{0};  // written under mutex_
};

}  // namespace audiolib
