// A splitter (BASS_Split_StreamCreate): one reader of a source channel's data shared with others.
#pragma once

#include <memory>

#include "audiolib/channels/Channel.h"
#include "audiolib/streams/SplitBuffer.h"

namespace audiolib {

// Has the source's format. Starts with the next byte the source gives and gets every byte from
// then on, unless it falls more than SplitBuffer::kBufferMs behind the splitter that reads
// furthest ahead (then it loses the oldest). Ends when the source has ended or been freed and it
// has had everything. A dry push source gives 0 bytes, as the source would.
class SplitStream : public Channel {
 public:
  SplitStream(std::shared_ptr<SplitBuffer> buffer, DWORD flags, int device);

 protected:
  ReadResult Produce(void* buffer, size_t bytes) override;

 private:
  const std::shared_ptr<SplitBuffer> buffer_;
  QWORD cursor_;  // under the read lock
};

}  // namespace audiolib
