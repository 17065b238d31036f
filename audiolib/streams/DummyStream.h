// A stream without data of its own: reading it runs its DSP chain over the caller's buffer.
#pragma once

#include "audiolib/channels/Channel.h"

namespace audiolib {

class DummyStream : public Channel {
 public:
  DummyStream(const SampleFormat& format, DWORD flags, int device);
  bool HasOwnData() const override { return false; }

 protected:
  // Leaves the caller's bytes as they are; never ends.
  ReadResult Produce(void* buffer, size_t bytes) override;
};

}  // namespace audiolib
