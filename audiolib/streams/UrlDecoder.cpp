#include "audiolib/streams/UrlDecoder.h"

#include <algorithm>
#include <cstring>

namespace audiolib {

namespace {
constexpr size_t kDecodeBlockFrames = 1024;
}

UrlDecoder::UrlDecoder(std::unique_ptr<FileDecoder> decoder, size_t bufferFrames)
    : decoder_(std::move(decoder)),
      frameBytes_(decoder_->format().BytesPerFrame()),
      samples_(std::max(bufferFrames, 2 * kDecodeBlockFrames) * frameBytes_) {}

UrlDecoder::~UrlDecoder() { Stop(); }

void UrlDecoder::Start() { thread_ = std::thread([this] { Run(); }); }

void UrlDecoder::Stop() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
    changed_.notify_all();
  }
  if (thread_.joinable()) thread_.join();
}

void UrlDecoder::Run() {
  std::vector<uint8_t> block(kDecodeBlockFrames * frameBytes_);
  bool ended = false;
  while (!ended) {
    const size_t got = decoder_->Read(block.data(), block.size(), ended);
    if (!Put(block.data(), got)) return;
  }
  std::lock_guard lock(mutex_);
  ended_ = true;
  changed_.notify_all();
}

bool UrlDecoder::Put(const uint8_t* data, size_t bytes) {
  std::unique_lock lock(mutex_);
  while (bytes > 0) {
    changed_.wait(lock, [&] { return stop_ || fill_ < samples_.size(); });
    if (stop_) return false;
    const size_t tail = (head_ + fill_) % samples_.size();
    const size_t n = std::min({bytes, samples_.size() - fill_, samples_.size() - tail});
    std::memcpy(samples_.data() + tail, data, n);
    fill_ += n;
    data += n;
    bytes -= n;
    changed_.notify_all();
  }
  return !stop_;
}

size_t UrlDecoder::Read(void* out, size_t bytes, bool& ended) {
  auto* dst = static_cast<uint8_t*>(out);
  size_t got = 0;
  ended = false;
  std::unique_lock lock(mutex_);
  while (true) {
    // Whole frames only: the decode thread may have put part of one so far.
    while (got < bytes && fill_ >= frameBytes_) {
      const size_t n =
          std::min({bytes - got, fill_ - fill_ % frameBytes_, samples_.size() - head_});
      std::memcpy(dst + got, samples_.data() + head_, n);
      head_ = (head_ + n) % samples_.size();
      fill_ -= n;
      got += n;
      changed_.notify_all();
    }
    if (got == bytes) break;
    if (ended_) {
      ended = true;
      break;
    }
    if (waiting_ || stop_) break;
    changed_.wait(lock);
  }
  return got;
}

void UrlDecoder::NoteWaiting(bool waiting) {
  std::lock_guard lock(mutex_);
  waiting_ = waiting;
  changed_.notify_all();
}

bool UrlDecoder::Stalled() const {
  std::lock_guard lock(mutex_);
  return fill_ < frameBytes_ && waiting_ && !ended_;
}

}  // namespace audiolib
