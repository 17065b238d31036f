// A stream fed by BASS_StreamPutData: the reader drains what has been queued.
#pragma once

#include <atomic>

#include "audiolib/channels/Channel.h"
#include "audiolib/streams/PushQueue.h"

namespace audiolib {

// Put and Queued may be called from any thread while another reads the stream.
class PushStream : public Channel {
 public:
  PushStream(const SampleFormat& format, DWORD flags, int device);

  // BASS_StreamPutData: appends and returns the bytes queued; a null buffer with length 0 only
  // returns them (also after the end). `length` may carry BASS_STREAMPROC_END. Throws AudioError:
  // ENDED for an append after the end mark, ILLPARAM for a null buffer with a length, MEM when the
  // queue would reach 4 GiB.
  DWORD Put(const void* buffer, DWORD length);
  DWORD Queued() const;
  // Known (the bytes ever appended) only once the end is marked: until then more may come.
  QWORD LengthBytes() const override;

 protected:
  // A dry queue gives 0 bytes (not ended) until the end is marked; then the rest, then the end.
  ReadResult Produce(void* buffer, size_t bytes) override;
  // No whole frame queued and the end not marked.
  bool Stalled() const override;
  // Setting the position drops what is queued (a consumer that fell behind starts afresh).
  void Seek(QWORD bytes) override;

 private:
  PushQueue queue_;
  std::mutex putMutex_;  // makes "append, then mark the end" one step for the reader
  std::atomic<bool> endMarked_{false};
  std::atomic<QWORD> appendedBytes_{0};
};

}  // namespace audiolib
