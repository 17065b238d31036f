// A stream of an http or https address (BASS_StreamCreateURL): a download thread fills a byte
// ring, a decode thread decodes from it with FFmpeg, the reader takes the samples.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "audiolib/audiolib.h"
#include "audiolib/channels/Channel.h"

namespace audiolib {

class AvioInput;
class ByteRing;
class HttpDownload;
class StreamTags;
class UrlDecoder;

// Open runs on the creating thread and blocks (bounded by the network time-outs); the stream then
// owns two threads, both stopped and joined when it is freed (promptly, also while the server sends
// nothing). File positions, tags and activity may be asked from any thread.
class UrlStream : public Channel {
 public:
  // Throws AudioError as BASS_StreamCreateURL fails (see audiolib.h).
  static std::shared_ptr<UrlStream> Open(const std::string& url, DWORD offset, DWORD flags,
                                         DOWNLOADPROC* proc, void* user, int device);

  struct Parts;  // the ring, tags, download and decoder, built by Open
  UrlStream(std::unique_ptr<Parts> parts, DWORD flags, int device);
  ~UrlStream() override;

  // BASS_FILEPOS_* in bytes of the file; throws AudioError(ILLTYPE) for a mode it has not and
  // NOTAVAIL for BASS_FILEPOS_WMA_BUFFER.
  QWORD FilePosition(DWORD mode) const;
  // BASS_TAG_*; null when the stream has no such tag.
  const char* Tags(DWORD kind) const;

 protected:
  ReadResult Produce(void* buffer, size_t bytes) override;
  bool Stalled() const override;
  void OnFreed() override;

 private:
  void FireTagSyncs();

  const std::unique_ptr<Parts> parts_;
  uint64_t metaChangesSeen_ = 0;  // read lock
  uint64_t oggStreamsSeen_ = 0;   // read lock
};

}  // namespace audiolib
