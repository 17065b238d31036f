#include "audiolib/net/IcyMetadataParser.h"

#include <algorithm>
#include <charconv>

namespace audiolib {

namespace {
constexpr size_t kMaxIntervalBytes = size_t{16} << 20;
constexpr size_t kBlockUnitBytes = 16;
}  // namespace

IcyMetadataParser::IcyMetadataParser(size_t intervalBytes, AudioSink onAudio,
                                     MetadataSink onMetadata)
    : intervalBytes_(intervalBytes),
      onAudio_(std::move(onAudio)),
      onMetadata_(std::move(onMetadata)),
      audioLeft_(intervalBytes) {
  block_.reserve(255 * kBlockUnitBytes);
}

size_t IcyMetadataParser::ParseInterval(std::string_view headerValue) {
  while (!headerValue.empty() && headerValue.front() == ' ') headerValue.remove_prefix(1);
  while (!headerValue.empty() && headerValue.back() == ' ') headerValue.remove_suffix(1);
  size_t value = 0;
  const auto [end, error] =
      std::from_chars(headerValue.data(), headerValue.data() + headerValue.size(), value);
  if (error != std::errc() || end != headerValue.data() + headerValue.size()) return 0;
  return value <= kMaxIntervalBytes ? value : 0;
}

void IcyMetadataParser::Feed(const uint8_t* data, size_t bytes) {
  if (intervalBytes_ == 0) {
    if (bytes > 0) onAudio_(data, bytes);
    return;
  }
  while (bytes > 0) {
    switch (state_) {
      case State::Audio: {
        const size_t n = std::min(bytes, audioLeft_);
        onAudio_(data, n);
        data += n;
        bytes -= n;
        audioLeft_ -= n;
        if (audioLeft_ == 0) state_ = State::Length;
        break;
      }
      case State::Length:
        blockLeft_ = size_t{*data} * kBlockUnitBytes;
        ++data;
        --bytes;
        block_.clear();
        state_ = blockLeft_ > 0 ? State::Block : State::Audio;
        audioLeft_ = intervalBytes_;
        break;
      case State::Block: {
        const size_t n = std::min(bytes, blockLeft_);
        block_.append(reinterpret_cast<const char*>(data), n);
        data += n;
        bytes -= n;
        blockLeft_ -= n;
        if (blockLeft_ == 0) {
          state_ = State::Audio;
          const size_t nul = block_.find('\0');
          if (nul != std::string::npos) block_.resize(nul);
          if (!block_.empty()) onMetadata_(block_);
        }
        break;
      }
    }
  }
}

}  // namespace audiolib
