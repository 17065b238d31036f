#include "audiolib/net/ByteRing.h"

#include <algorithm>
#include <cstring>

namespace audiolib {

ByteRing::ByteRing(size_t limitBytes, size_t slackBytes)
    : storage_(limitBytes + slackBytes), limitBytes_(limitBytes), slackBytes_(slackBytes) {}

bool ByteRing::CanWrite() const {
  std::lock_guard lock(mutex_);
  return fill_ < limitBytes_;
}

void ByteRing::Write(const uint8_t* data, size_t bytes) {
  std::lock_guard lock(mutex_);
  bytes = std::min(bytes, storage_.size() - fill_);
  size_t tail = (head_ + fill_) % storage_.size();
  const size_t first = std::min(bytes, storage_.size() - tail);
  std::memcpy(storage_.data() + tail, data, first);
  std::memcpy(storage_.data(), data + first, bytes - first);
  fill_ += bytes;
  written_ += bytes;
  changed_.notify_all();
}

void ByteRing::MarkEnd() {
  std::lock_guard lock(mutex_);
  ended_ = true;
  changed_.notify_all();
}

void ByteRing::Abort() {
  std::lock_guard lock(mutex_);
  aborted_ = true;
  changed_.notify_all();
}

bool ByteRing::WaitForData(std::unique_lock<std::mutex>& lock, int timeoutMs) {
  auto ready = [this] { return fill_ > 0 || ended_ || aborted_; };
  if (timeoutMs < 0) {
    changed_.wait(lock, ready);
  } else if (!changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready)) {
    return false;
  }
  return !aborted_;
}

size_t ByteRing::TakeLocked(uint8_t* out, size_t bytes) {
  bytes = std::min(bytes, fill_);
  const size_t first = std::min(bytes, storage_.size() - head_);
  std::memcpy(out, storage_.data() + head_, first);
  std::memcpy(out + first, storage_.data(), bytes - first);
  head_ = (head_ + bytes) % storage_.size();
  fill_ -= bytes;
  read_ += bytes;
  changed_.notify_all();
  return bytes;
}

bool ByteRing::WaitForFill(size_t bytes, int timeoutMs) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return fill_ >= bytes || ended_ || aborted_; }) &&
         !aborted_;
}

void ByteRing::SetLimitBytes(size_t limitBytes) {
  std::lock_guard lock(mutex_);
  limitBytes_ = limitBytes;
  const size_t capacity = limitBytes + slackBytes_;
  if (capacity <= storage_.size()) return;
  // Unwrap the content into the larger storage.
  std::vector<uint8_t> grown(capacity);
  const size_t first = std::min(fill_, storage_.size() - head_);
  std::memcpy(grown.data(), storage_.data() + head_, first);
  std::memcpy(grown.data() + first, storage_.data(), fill_ - first);
  storage_.swap(grown);
  head_ = 0;
  changed_.notify_all();
}

size_t ByteRing::LimitBytes() const {
  std::lock_guard lock(mutex_);
  return limitBytes_;
}

size_t ByteRing::FillBytes() const {
  std::lock_guard lock(mutex_);
  return fill_;
}

uint64_t ByteRing::WrittenBytes() const {
  std::lock_guard lock(mutex_);
  return written_;
}

uint64_t ByteRing::ReadBytes() const {
  std::lock_guard lock(mutex_);
  return read_;
}

bool ByteRing::Ended() const {
  std::lock_guard lock(mutex_);
  return ended_;
}

}  // namespace audiolib
