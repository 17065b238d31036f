#include "audiolib/net/OggCommentReader.h"

#include <algorithm>
#include <cstring>

namespace audiolib {

namespace {

constexpr size_t kPageHeaderBytes = 27;
constexpr size_t kMaxPacketBytes = size_t{1} << 20;
constexpr uint8_t kBeginningOfStream = 0x02;

uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

bool StartsWith(const std::string& text, const char* prefix, size_t length) {
  return text.size() >= length && std::memcmp(text.data(), prefix, length) == 0;
}

}  // namespace

OggCommentReader::OggCommentReader(CommentSink onComments) : onComments_(std::move(onComments)) {
  page_.reserve(kPageHeaderBytes + 255 + 255 * 255);
}

void OggCommentReader::Feed(const uint8_t* data, size_t bytes) {
  while (bytes > 0) {
    if (page_.size() < 4) {
      // Looking for the capture pattern, one byte at a time.
      static constexpr char kCapture[] = "OggS";
      if (*data == static_cast<uint8_t>(kCapture[page_.size()])) {
        page_.push_back(*data);
      } else {
        page_.clear();
        if (*data == 'O') page_.push_back(*data);
      }
      ++data;
      --bytes;
      continue;
    }
    size_t want = kPageHeaderBytes;
    if (page_.size() >= kPageHeaderBytes) want = kPageHeaderBytes + page_[26];
    if (pageBytes_ == 0 && page_.size() >= want && page_.size() >= kPageHeaderBytes) {
      size_t body = 0;
      for (size_t i = 0; i < page_[26]; ++i) body += page_[kPageHeaderBytes + i];
      pageBytes_ = want + body;
    }
    if (pageBytes_ > 0) want = pageBytes_;
    const size_t n = std::min(bytes, want - page_.size());
    page_.insert(page_.end(), data, data + n);
    data += n;
    bytes -= n;
    if (pageBytes_ > 0 && page_.size() == pageBytes_) {
      HandlePage();
      page_.clear();
      pageBytes_ = 0;
    }
  }
}

void OggCommentReader::HandlePage() {
  const uint8_t headerType = page_[5];
  const uint32_t serial = Le32(&page_[14]);
  if (headerType & kBeginningOfStream) {
    // A new logical stream (a chained one replaces the old): read its headers.
    serial_ = serial;
    codec_ = Codec::None;
    packetIndex_ = 0;
    headerDone_ = false;
    packet_.clear();
  }
  if (headerDone_ || serial != serial_) return;
  const size_t segments = page_[26];
  size_t offset = kPageHeaderBytes + segments;
  for (size_t i = 0; i < segments && !headerDone_; ++i) {
    const size_t lacing = page_[kPageHeaderBytes + i];
    if (packet_.size() < kMaxPacketBytes) {
      packet_.append(reinterpret_cast<const char*>(&page_[offset]),
                     std::min(lacing, kMaxPacketBytes - packet_.size()));
    }
    offset += lacing;
    if (lacing < 255) {
      HandlePacket();
      packet_.clear();
    }
  }
}

void OggCommentReader::HandlePacket() {
  const int index = packetIndex_++;
  if (index == 0) {
    if (StartsWith(packet_, "\x01vorbis", 7)) {
      codec_ = Codec::Vorbis;
    } else if (StartsWith(packet_, "OpusHead", 8)) {
      codec_ = Codec::Opus;
    } else {
      headerDone_ = true;  // another codec: no comments read
    }
    return;
  }
  headerDone_ = true;
  Comments comments;
  if (ParseCommentPacket(packet_, comments)) onComments_(comments);
}

bool OggCommentReader::ParseCommentPacket(const std::string& packet, Comments& comments) {
  size_t pos = 0;
  if (StartsWith(packet, "\x03vorbis", 7)) {
    pos = 7;
  } else if (StartsWith(packet, "OpusTags", 8)) {
    pos = 8;
  } else {
    return false;
  }
  const auto* bytes = reinterpret_cast<const uint8_t*>(packet.data());
  auto readLength = [&](uint32_t& value) {
    if (packet.size() - pos < 4) return false;
    value = Le32(bytes + pos);
    pos += 4;
    return true;
  };
  uint32_t vendorBytes = 0;
  if (!readLength(vendorBytes) || packet.size() - pos < vendorBytes) return true;
  pos += vendorBytes;
  uint32_t count = 0;
  if (!readLength(count)) return true;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t length = 0;
    if (!readLength(length) || packet.size() - pos < length) break;
    comments.emplace_back(packet, pos, length);
    pos += length;
  }
  return true;
}

}  // namespace audiolib
