// Finds the comment header of each Vorbis or Opus stream in an Ogg byte stream as it arrives: the
// first one and the one of every chained stream after it (an Icecast title change starts one).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace audiolib {

// Download thread only. Bytes that are not Ogg pages are skipped until the next "OggS"; a comment
// header larger than 1 MiB is read as far as it fits. Memory: one page (64 KiB) and one header.
class OggCommentReader {
 public:
  using Comments = std::vector<std::string>;  // "KEY=value", as stored
  using CommentSink = std::function<void(const Comments& comments)>;

  explicit OggCommentReader(CommentSink onComments);

  void Feed(const uint8_t* data, size_t bytes);

  // The comments of a Vorbis ("\x03vorbis") or Opus ("OpusTags") comment packet; false for any
  // other packet. A truncated packet gives the comments that are whole.
  static bool ParseCommentPacket(const std::string& packet, Comments& comments);

 private:
  enum class Codec { None, Vorbis, Opus };

  void HandlePage();
  void HandlePacket();

  CommentSink onComments_;
  std::vector<uint8_t> page_;  // the page being collected
  size_t pageBytes_ = 0;       // its full length once the segment table is known, else 0
  uint32_t serial_ = 0;        // the logical stream whose headers are being read
  Codec codec_ = Codec::None;
  int packetIndex_ = 0;        // packets of that stream seen so far
  bool headerDone_ = true;     // its comment packet has been handled
  std::string packet_;
};

}  // namespace audiolib
