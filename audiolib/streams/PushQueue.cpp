#include "audiolib/streams/PushQueue.h"

#include <algorithm>
#include <cstring>

namespace audiolib {

PushQueue::Block PushQueue::NewBlock() {
  if (spare_.empty()) return std::make_unique_for_overwrite<std::byte[]>(kBlockBytes);
  Block block = std::move(spare_.back());
  spare_.pop_back();
  return block;
}

size_t PushQueue::Append(const void* data, size_t bytes) {
  const auto* in = static_cast<const std::byte*>(data);
  std::lock_guard lock(mutex_);
  while (bytes > 0) {
    if (blocks_.empty() || tailFill_ == kBlockBytes) {
      blocks_.push_back(NewBlock());
      tailFill_ = 0;
      if (blocks_.size() == 1) headOffset_ = 0;
    }
    const size_t n = std::min(bytes, kBlockBytes - tailFill_);
    std::memcpy(blocks_.back().get() + tailFill_, in, n);
    tailFill_ += n;
    queued_ += n;
    in += n;
    bytes -= n;
  }
  return queued_;
}

size_t PushQueue::Take(void* out, size_t bytes) {
  auto* dst = static_cast<std::byte*>(out);
  std::lock_guard lock(mutex_);
  size_t taken = 0;
  while (taken < bytes && queued_ > 0) {
    const size_t blockEnd = blocks_.size() == 1 ? tailFill_ : kBlockBytes;
    const size_t n = std::min(bytes - taken, blockEnd - headOffset_);
    std::memcpy(dst + taken, blocks_.front().get() + headOffset_, n);
    headOffset_ += n;
    queued_ -= n;
    taken += n;
    if (headOffset_ == blockEnd) {
      if (spare_.size() < kSpareBlocks) spare_.push_back(std::move(blocks_.front()));
      blocks_.pop_front();
      headOffset_ = 0;
      if (blocks_.empty()) tailFill_ = kBlockBytes;
    }
  }
  return taken;
}

void PushQueue::Clear() {
  std::lock_guard lock(mutex_);
  while (!blocks_.empty()) {
    if (spare_.size() < kSpareBlocks) spare_.push_back(std::move(blocks_.front()));
    blocks_.pop_front();
  }
  headOffset_ = 0;
  tailFill_ = kBlockBytes;
  queued_ = 0;
}

size_t PushQueue::Queued() const {
  std::lock_guard lock(mutex_);
  return queued_;
}

}  // namespace audiolib
