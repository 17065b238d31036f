// Splits an ICY body (audio with a metadata block after every `icy-metaint` audio bytes) into the
// audio bytes and the metadata texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace audiolib {

// Download thread only. A metadata block is one length byte (x 16 bytes) and that many bytes of
// text padded with NULs; an empty block (length 0) means "no change" and gives nothing. The text
// is cut at its first NUL; bytes after it are dropped, whatever they are.
class IcyMetadataParser {
 public:
  using AudioSink = std::function<void(const uint8_t* data, size_t bytes)>;
  using MetadataSink = std::function<void(const std::string& text)>;

  // `intervalBytes` 0: the body is all audio.
  IcyMetadataParser(size_t intervalBytes, AudioSink onAudio, MetadataSink onMetadata);

  // The value of an `icy-metaint` header: 0 (no metadata) unless it is a plain decimal number
  // from 1 to 16 MiB.
  static size_t ParseInterval(std::string_view headerValue);

  void Feed(const uint8_t* data, size_t bytes);

 private:
  enum class State { Audio, Length, Block };

  const size_t intervalBytes_;
  AudioSink onAudio_;
  MetadataSink onMetadata_;
  State state_ = State::Audio;
  size_t audioLeft_;   // audio bytes before the next length byte
  size_t blockLeft_ = 0;
  std::string block_;  // the block being collected (at most 4080 bytes)
};

}  // namespace audiolib
