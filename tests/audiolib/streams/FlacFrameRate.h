// Rewrites the sample rate that the audio frames of a FLAC file state, as a damaged file may
// state it; both checksums are made anew so the decoder takes the frames as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace flacframes {

inline uint8_t Crc8(const std::string& bytes) {
  uint8_t crc = 0;
  for (unsigned char byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) {
      crc = static_cast<uint8_t>(crc & 0x80 ? (crc << 1) ^ 0x07 : crc << 1);
    }
  }
  return crc;
}

inline uint16_t Crc16(const std::string& bytes) {
  uint16_t crc = 0;
  for (unsigned char byte : bytes) {
    crc ^= static_cast<uint16_t>(byte << 8);
    for (int bit = 0; bit < 8; ++bit) {
      crc = static_cast<uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x8005 : crc << 1);
    }
  }
  return crc;
}

// Length of the frame header starting at `at`, its checksum byte included; 0 when no valid header
// starts there.
inline size_t HeaderLength(const std::string& flac, size_t at) {
  if (at + 5 > flac.size() || static_cast<uint8_t>(flac[at]) != 0xFF ||
      (static_cast<uint8_t>(flac[at + 1]) & 0xFE) != 0xF8) {
    return 0;
  }
  const unsigned blockCode = static_cast<uint8_t>(flac[at + 2]) >> 4;
  const unsigned rateCode = static_cast<uint8_t>(flac[at + 2]) & 0x0F;
  size_t end = at + 4;
  // The frame number, UTF-8 coded: the leading ones of its first byte count its bytes.
  unsigned lead = static_cast<uint8_t>(flac[end]);
  size_t numberBytes = 0;
  while (lead & 0x80) {
    ++numberBytes;
    lead = (lead << 1) & 0xFF;
  }
  end += numberBytes == 0 ? 1 : numberBytes;
  end += blockCode == 6 ? 1 : blockCode == 7 ? 2 : 0;
  end += rateCode == 12 ? 1 : (rateCode == 13 || rateCode == 14) ? 2 : 0;
  if (end >= flac.size() || Crc8(flac.substr(at, end - at)) != static_cast<uint8_t>(flac[end])) {
    return 0;
  }
  return end + 1 - at;
}

// The file with every audio frame after the first `keep` stating `rateHz` (up to 65535, or a
// multiple of 10 up to 655350).
inline std::string WithFrameRate(const std::string& flac, size_t keep, uint32_t rateHz) {
  auto byteAt = [&flac](size_t i) { return size_t{static_cast<uint8_t>(flac.at(i))}; };
  size_t at = 4;  // "fLaC", then metadata blocks (type and last flag, 24-bit length)
  bool last = false;
  while (!last) {
    last = byteAt(at) & 0x80;
    at += 4 + (byteAt(at + 1) << 16 | byteAt(at + 2) << 8 | byteAt(at + 3));
  }
  std::vector<size_t> starts;
  for (size_t i = at; i < flac.size();) {
    const size_t header = HeaderLength(flac, i);
    if (header > 0) starts.push_back(i);
    i += header > 0 ? header : 1;
  }
  if (starts.empty()) throw std::runtime_error("no FLAC frames");
  starts.push_back(flac.size());

  const bool inHz = rateHz <= 0xFFFF;
  const uint32_t stated = inHz ? rateHz : rateHz / 10;
  std::string out = flac.substr(0, starts[0]);
  for (size_t f = 0; f + 1 < starts.size(); ++f) {
    const std::string frame = flac.substr(starts[f], starts[f + 1] - starts[f]);
    if (f < keep) {
      out += frame;
      continue;
    }
    const size_t headerLength = HeaderLength(flac, starts[f]);
    std::string header = frame.substr(0, headerLength - 1);
    const unsigned rateCode = static_cast<uint8_t>(header[2]) & 0x0F;
    header.resize(header.size() -
                  (rateCode == 12 ? 1 : (rateCode == 13 || rateCode == 14) ? 2 : 0));
    header[2] = static_cast<char>((static_cast<uint8_t>(header[2]) & 0xF0) | (inHz ? 13 : 14));
    header += static_cast<char>(stated >> 8);
    header += static_cast<char>(stated & 0xFF);
    header += static_cast<char>(Crc8(header));
    std::string rewritten = header + frame.substr(headerLength, frame.size() - headerLength - 2);
    const uint16_t crc = Crc16(rewritten);
    rewritten += static_cast<char>(crc >> 8);
    rewritten += static_cast<char>(crc & 0xFF);
    out += rewritten;
  }
  return out;
}

}  // namespace flacframes
