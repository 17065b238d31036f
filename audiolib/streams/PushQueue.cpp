#include "audiolib/streams/PushQueue.h"

#include <algorithm>
#include <cstring>

namespace audiolib {

PushQueue::Block PushQueue::AllocateBlock() {
  return Block{std::make_unique_for_overwrite<std::byte[]>(kBlockBytes), 0};
}

PushQueue::Block PushQueue::NewBlock() {
  if (spare_.empty()) return AllocateBlock();
  Block block = std::move(spare_.back());
  spare_.pop_back();
  block.fill = 0;
  return block;
}

void PushQueue::Retire(Block block) {
  if (spare_.size() < kSpareBlocks) spare_.push_back(std::move(block));
}

size_t PushQueue::Append(const void* data, size_t bytes) {
  const auto* in = static_cast<const std::byte*>(data);
  return bytes >= kUnlockedCopyBytes ? AppendUnlocked(in, bytes) : AppendLocked(in, bytes);
}

size_t PushQueue::AppendLocked(const std::byte* in, size_t bytes) {
  std::lock_guard lock(mutex_);
  while (bytes > 0) {
    if (blocks_.empty() || blocks_.back().fill == kBlockBytes) blocks_.push_back(NewBlock());
    Block& tail = blocks_.back();
    const size_t n = std::min(bytes, kBlockBytes - tail.fill);
    std::memcpy(tail.data.get() + tail.fill, in, n);
    tail.fill += n;
    queued_.fetch_add(n);
    in += n;
    bytes -= n;
  }
  return queued_.load();
}

size_t PushQueue::AppendUnlocked(const std::byte* in, size_t bytes) {
  const size_t count = (bytes + kBlockBytes - 1) / kBlockBytes;
  std::vector<Block> fresh;
  fresh.reserve(count);
  {
    std::lock_guard lock(mutex_);
    while (fresh.size() < count && !spare_.empty()) fresh.push_back(NewBlock());
  }
  while (fresh.size() < count) fresh.push_back(AllocateBlock());
  // The blocks are nobody else's until they are linked in.
  for (Block& block : fresh) {
    block.fill = std::min(bytes, kBlockBytes);
    std::memcpy(block.data.get(), in, block.fill);
    in += block.fill;
    bytes -= block.fill;
  }
  std::lock_guard lock(mutex_);
  for (Block& block : fresh) {
    queued_.fetch_add(block.fill);
    blocks_.push_back(std::move(block));
  }
  return queued_.load();
}

size_t PushQueue::Take(void* out, size_t bytes) {
  auto* dst = static_cast<std::byte*>(out);
  std::lock_guard lock(mutex_);
  size_t taken = 0;
  while (taken < bytes && !blocks_.empty()) {
    Block& head = blocks_.front();
    const size_t n = std::min(bytes - taken, head.fill - headOffset_);
    std::memcpy(dst + taken, head.data.get() + headOffset_, n);
    headOffset_ += n;
    queued_.fetch_sub(n);
    taken += n;
    if (headOffset_ < head.fill) break;  // read as much as asked
    Retire(std::move(head));
    blocks_.pop_front();
    headOffset_ = 0;
  }
  return taken;
}

void PushQueue::Clear() {
  std::lock_guard lock(mutex_);
  while (!blocks_.empty()) {
    Retire(std::move(blocks_.front()));
    blocks_.pop_front();
  }
  headOffset_ = 0;
  queued_.store(0);
}

}  // namespace audiolib
