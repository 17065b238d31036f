// The data of one source channel shared by its splitters: a ring of the latest bytes read from it.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "audiolib/audiolib.h"

namespace audiolib {

class Channel;

// Each splitter keeps its own cursor (a byte count since the buffer was made) and reads at its
// own pace, on any thread. The source is read by whichever splitter first needs bytes nobody has
// read yet; the ring keeps the last kBufferMs of them. A splitter that falls further behind than
// that loses the oldest bytes (its cursor jumps to the oldest byte kept); it never holds up the
// others. Copies take a short lock; reading the source takes a second lock that only splitters
// waiting for new data contend for.
class SplitBuffer {
 public:
  static constexpr DWORD kBufferMs = 2000;

  explicit SplitBuffer(std::shared_ptr<Channel> source);

  const Channel& source() const { return *source_; }
  // Where a new splitter starts: the next byte the source gives.
  QWORD NewestCursor() const;
  // Copies up to `bytes` (whole frames) from `cursor` on, reading the source for bytes not yet
  // read; moves `cursor` on. Sets `ended` when the source has ended (or been freed) and the
  // splitter has had everything.
  size_t Read(QWORD& cursor, void* out, size_t bytes, bool& ended);

 private:
  // Copies what the ring holds from `cursor`; under dataMutex_.
  size_t CopyOut(QWORD& cursor, BYTE* out, size_t bytes);
  // Reads up to `bytes` more from the source into the ring; false when nothing came.
  bool Fill(size_t bytes);

  const std::shared_ptr<Channel> source_;
  const size_t frameBytes_;
  const size_t capacity_;  // bytes, whole frames

  mutable std::mutex dataMutex_;
  std::vector<BYTE> ring_;   // guarded by dataMutex_; byte n of the source is at n % capacity_
  QWORD written_ = 0;        // guarded by dataMutex_: bytes ever read from the source
  bool sourceEnded_ = false; // guarded by dataMutex_

  std::mutex fillMutex_;
  std::vector<BYTE> scratch_;  // guarded by fillMutex_
};

}  // namespace audiolib
