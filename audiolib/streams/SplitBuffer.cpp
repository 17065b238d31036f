#include "audiolib/streams/SplitBuffer.h"

#include <algorithm>
#include <cstring>

#include "audiolib/channels/Channel.h"

namespace audiolib {

SplitBuffer::SplitBuffer(std::shared_ptr<Channel> source)
    : source_(std::move(source)),
      frameBytes_(source_->format().BytesPerFrame()),
      capacity_(size_t{source_->format().rate} * kBufferMs / 1000 * frameBytes_),
      ring_(capacity_),
      scratch_(capacity_) {}

QWORD SplitBuffer::NewestCursor() const {
  std::lock_guard lock(dataMutex_);
  return written_;
}

size_t SplitBuffer::CopyOut(QWORD& cursor, BYTE* out, size_t bytes) {
  // Fallen too far behind: the oldest bytes are gone.
  if (written_ - cursor > capacity_) cursor = written_ - capacity_;
  size_t copied = 0;
  while (copied < bytes && cursor < written_) {
    const size_t at = static_cast<size_t>(cursor % capacity_);
    const size_t run = std::min({bytes - copied, static_cast<size_t>(written_ - cursor), capacity_ - at});
    std::memcpy(out + copied, ring_.data() + at, run);
    copied += run;
    cursor += run;
  }
  return copied;
}

bool SplitBuffer::Fill(size_t bytes) {
  const ReadResult result = source_->Read(scratch_.data(), std::min(bytes, capacity_));
  std::lock_guard lock(dataMutex_);
  for (size_t done = 0; done < result.bytes;) {
    const size_t at = static_cast<size_t>(written_ % capacity_);
    const size_t run = std::min(result.bytes - done, capacity_ - at);
    std::memcpy(ring_.data() + at, scratch_.data() + done, run);
    done += run;
    written_ += run;
  }
  if (result.ended || result.freed) sourceEnded_ = true;
  return result.bytes > 0;
}

size_t SplitBuffer::Read(QWORD& cursor, void* out, size_t bytes, bool& ended) {
  auto* target = static_cast<BYTE*>(out);
  bytes -= bytes % frameBytes_;
  size_t copied = 0;
  ended = false;
  while (true) {
    {
      std::lock_guard lock(dataMutex_);
      copied += CopyOut(cursor, target + copied, bytes - copied);
      if (copied == bytes) return copied;
      if (sourceEnded_) {
        ended = true;
        return copied;
      }
    }
    std::lock_guard fill(fillMutex_);
    {
      // Another splitter may have read the source meanwhile.
      std::lock_guard lock(dataMutex_);
      if (cursor < written_ || sourceEnded_) continue;
    }
    if (!Fill(bytes - copied)) {
      std::lock_guard lock(dataMutex_);
      ended = sourceEnded_;
      return copied;  // a dry source: what there is for now
    }
  }
}

}  // namespace audiolib
