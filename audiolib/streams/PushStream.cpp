#include "audiolib/streams/PushStream.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "audiolib/api/ErrorState.h"

namespace audiolib {

PushStream::PushStream(const SampleFormat& format, DWORD flags, int device)
    : Channel(format, flags, BASS_CTYPE_STREAM, device) {}

DWORD PushStream::Put(const void* buffer, DWORD length) {
  const bool markEnd = (length & BASS_STREAMPROC_END) != 0;
  const DWORD bytes = length & ~BASS_STREAMPROC_END;
  if (!buffer && bytes > 0) throw AudioError(BASS_ERROR_ILLPARAM);
  // Asking how much is queued still works after the end, so a reader can drain the rest; it never
  // waits for an append in progress.
  if (bytes == 0 && !markEnd) return static_cast<DWORD>(queue_.Queued());
  std::lock_guard lock(putMutex_);
  size_t queued = queue_.Queued();
  if (endMarked_.load()) throw AudioError(BASS_ERROR_ENDED);
  if (bytes > 0) {
    // The count is reported in 32 bits (all bits set meaning failure): refuse what it cannot show.
    if (queued + bytes >= UINT32_MAX) throw AudioError(BASS_ERROR_MEM);
    queued = queue_.Append(buffer, bytes);
    appendedBytes_.fetch_add(bytes);
  }
  if (markEnd) endMarked_.store(true);
  return static_cast<DWORD>(queued);
}

QWORD PushStream::LengthBytes() const {
  if (!endMarked_.load()) throw AudioError(BASS_ERROR_NOTAVAIL);
  return appendedBytes_.load();
}

bool PushStream::Stalled() const {
  return !endMarked_.load() && queue_.Queued() < format().BytesPerFrame();
}

void PushStream::Seek(QWORD) { queue_.Clear(); }

DWORD PushStream::Queued() const { return static_cast<DWORD>(queue_.Queued()); }

ReadResult PushStream::Produce(void* buffer, size_t bytes) {
  // The end mark is read before draining, so data appended before the mark is never lost.
  const bool endMarked = endMarked_.load();
  const size_t frameBytes = format().BytesPerFrame();
  if (!endMarked) {
    // A frame split between appends stays queued until the rest of it arrives. Only this reader
    // takes from the queue, so it cannot shrink between the query and the take.
    const size_t queued = queue_.Queued();
    return ReadResult{queue_.Take(buffer, std::min(bytes, queued - queued % frameBytes)), false};
  }
  size_t taken = queue_.Take(buffer, bytes);
  if (const size_t partial = taken % frameBytes; partial != 0) {
    // A cut-off last frame is completed with silence.
    std::memset(static_cast<BYTE*>(buffer) + taken, 0, frameBytes - partial);
    taken += frameBytes - partial;
  }
  return ReadResult{taken, queue_.Queued() == 0};
}

}  // namespace audiolib
