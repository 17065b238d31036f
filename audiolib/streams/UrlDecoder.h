// The decode thread of a URL stream: FFmpeg decodes from the download ring ahead of the reader
// into a small buffer of samples, so a read never waits for the network.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "audiolib/streams/FileDecoder.h"

namespace audiolib {

// The decode thread runs from Start until the decoder ends or Stop (any thread; the caller must
// first make the decoder's input give up, e.g. ByteRing::Abort, so a wait inside FFmpeg ends).
// Read is called by the stream's reader; NoteWaiting by the decode thread from inside FFmpeg's
// reads (AvioInput's callback).
class UrlDecoder {
 public:
  // `bufferFrames`: decoded frames held ahead of the reader.
  UrlDecoder(std::unique_ptr<FileDecoder> decoder, size_t bufferFrames);
  ~UrlDecoder();
  UrlDecoder(const UrlDecoder&) = delete;
  UrlDecoder& operator=(const UrlDecoder&) = delete;

  void Start();
  void Stop();

  // Up to `bytes` (whole frames). Waits only while the decode thread is making samples; returns
  // short when it is waiting for the network (stalled). `ended`: nothing follows these bytes.
  size_t Read(void* out, size_t bytes, bool& ended);
  // The decoder is waiting for download data (true) or has got some (false).
  void NoteWaiting(bool waiting);
  // No sample is buffered and the decoder waits for the network.
  bool Stalled() const;

  const SampleFormat& format() const { return decoder_->format(); }

 private:
  void Run();
  // Appends to the sample buffer, waiting for room; false once stopped.
  bool Put(const uint8_t* data, size_t bytes);

  const std::unique_ptr<FileDecoder> decoder_;  // decode thread only (after Start)
  const size_t frameBytes_;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<uint8_t> samples_;  // a ring of decoded bytes
  size_t head_ = 0;
  size_t fill_ = 0;
  bool waiting_ = false;
  bool ended_ = false;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace audiolib
