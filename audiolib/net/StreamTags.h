// The tags of a URL stream (response headers, ICY metadata, Ogg comments), kept for
// BASS_ChannelGetTags while the download replaces them.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "audiolib/audiolib.h"

namespace audiolib {

// Set on the creating and download threads, read from any thread. Each kind keeps its last 16
// texts, so a pointer handed out stays valid until the tag has changed 16 more times (or the
// stream is freed); memory stays bounded on an endless stream.
class StreamTags {
 public:
  // BASS_TAG_HTTP or BASS_TAG_ICY, as the response's status line says.
  void SetHeaders(DWORD kind, const std::string& tagText);
  // A metadata block's text; false (nothing kept) when it equals the current one.
  bool SetMeta(const std::string& text);
  void SetOggComments(const std::vector<std::string>& comments);

  // The tag text, or null when the stream has no such tag.
  const char* Find(DWORD kind) const;
  // Counts of changes, which the reader compares to fire META and OGG_CHANGE syncs.
  uint64_t MetaChanges() const;
  uint64_t OggStreams() const;  // comment headers seen (the first stream counts 1)

 private:
  static constexpr size_t kKeptTexts = 16;
  struct Kind {
    std::deque<std::string> texts;  // newest last; deque keeps the older strings in place
    uint64_t changes = 0;
  };
  static void Keep(Kind& kind, std::string text);
  const Kind* KindOf(DWORD kind) const;

  mutable std::mutex mutex_;
  DWORD headerKind_ = 0;
  Kind headers_;
  Kind meta_;
  Kind ogg_;
};

}  // namespace audiolib
