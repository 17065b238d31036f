// A stream whose data comes from the caller's stream procedure.
#pragma once

#include "audiolib/channels/Channel.h"

namespace audiolib {

// The procedure runs on the reader's thread, under the channel's read lock.
class ProcedureStream : public Channel {
 public:
  ProcedureStream(const SampleFormat& format, DWORD flags, int device, STREAMPROC* proc,
                  void* user);

 protected:
  // Calls the procedure until the request is filled, it returns BASS_STREAMPROC_END, or it
  // returns nothing (then the read is short).
  ReadResult Produce(void* buffer, size_t bytes) override;

 private:
  STREAMPROC* const proc_;
  void* const user_;
};

}  // namespace audiolib
