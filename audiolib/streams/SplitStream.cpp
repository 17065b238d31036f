#include "audiolib/streams/SplitStream.h"

namespace audiolib {

SplitStream::SplitStream(std::shared_ptr<SplitBuffer> buffer, DWORD flags, int device)
    : Channel(buffer->source().format(), flags, buffer->source().ctype(), device),
      buffer_(std::move(buffer)),
      cursor_(buffer_->NewestCursor()) {}

ReadResult SplitStream::Produce(void* buffer, size_t bytes) {
  bool ended = false;
  const size_t got = buffer_->Read(cursor_, buffer, bytes, ended);
  return ReadResult{got, ended};
}

}  // namespace audiolib
