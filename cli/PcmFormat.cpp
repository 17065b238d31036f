#include "cli/PcmFormat.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "cli/CliOptions.h"

namespace {

constexpr uint16_t WaveFormatPcm = 1;
constexpr uint16_t WaveFormatFloat = 3;
constexpr uint16_t WaveFormatExtensible = 0xFFFE;
constexpr size_t MaxHeaderBytes = 1 << 16;  // chunks before the data beyond this are not waited for

uint32_t Le32(std::span<const uint8_t> b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t{b[at + 3]} << 24);
}
uint16_t Le16(std::span<const uint8_t> b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
bool TagIs(std::span<const uint8_t> b, size_t at, const char* tag) {
  return b.size() >= at + 4 && std::memcmp(b.data() + at, tag, 4) == 0;
}

uint32_t ParseCount(const std::string& text, const char* what, uint32_t max) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 9)
    throw EUsage(std::string("--raw needs a whole number for the ") + what + ", not '" + text + "'");
  const uint32_t value = static_cast<uint32_t>(std::stoul(text));
  if (value == 0 || value > max)
    throw EUsage(std::string("--raw ") + what + " must be between 1 and " + std::to_string(max));
  return value;
}

TPcmSampleType WavSampleType(uint16_t format, uint16_t bits) {
  if (format == WaveFormatFloat && bits == 32) return TPcmSampleType::F32;
  if (format == WaveFormatFloat && bits == 64) return TPcmSampleType::F64;
  if (format == WaveFormatPcm) {
    switch (bits) {
      case 8: return TPcmSampleType::U8;
      case 16: return TPcmSampleType::S16;
      case 24: return TPcmSampleType::S24;
      case 32: return TPcmSampleType::S32;
      default: break;
    }
  }
  throw std::runtime_error("WAV from a pipe must be 8-, 16-, 24- or 32-bit PCM or 32- or 64-bit float (format " +
                           std::to_string(format) + ", " + std::to_string(bits) + " bits)");
}

TPcmFormat WavFormat(std::span<const uint8_t> chunk) {
  if (chunk.size() < 16) throw std::runtime_error("the WAV format chunk is too short");
  uint16_t format = Le16(chunk, 0);
  const uint16_t bits = Le16(chunk, 14);
  if (format == WaveFormatExtensible) {
    if (chunk.size() < 26) throw std::runtime_error("the WAV format chunk is too short");
    format = Le16(chunk, 24);  // the sub-format GUID starts with the format code
  }
  TPcmFormat pcm;
  pcm.channels = Le16(chunk, 2);
  pcm.sampleRate = Le32(chunk, 4);
  pcm.sampleType = WavSampleType(format, bits);
  if (pcm.channels == 0 || pcm.sampleRate == 0) throw std::runtime_error("the WAV header states no channels or no rate");
  return pcm;
}

}  // namespace

size_t TPcmFormat::FrameBytes() const {
  static const size_t Widths[] = {1, 2, 3, 4, 4, 8};
  return Widths[static_cast<int>(sampleType)] * channels;
}

TPcmFormat ParseRawFormat(const std::string& text) {
  TPcmFormat format;
  const size_t first = text.find(':');
  format.sampleRate = ParseCount(text.substr(0, first), "rate", 384000);
  if (first == std::string::npos) return format;
  const size_t second = text.find(':', first + 1);
  format.channels = ParseCount(text.substr(first + 1, second - first - 1), "channel count", 32);
  if (second == std::string::npos) return format;
  const std::string type = text.substr(second + 1);
  if (type == "s16") {
    format.sampleType = TPcmSampleType::S16;
  } else if (type == "f32") {
    format.sampleType = TPcmSampleType::F32;
  } else {
    throw EUsage("--raw sample type must be s16 or f32, not '" + type + "'");
  }
  return format;
}

bool LooksLikeWav(std::span<const uint8_t> bytes) {
  return bytes.size() >= 12 && (TagIs(bytes, 0, "RIFF") || TagIs(bytes, 0, "RF64")) && TagIs(bytes, 8, "WAVE");
}

std::optional<TWavHeader> ParseWavHeader(std::span<const uint8_t> bytes) {
  if (bytes.size() < 12) return std::nullopt;
  if (!LooksLikeWav(bytes)) throw std::runtime_error("not a WAV stream");
  std::optional<TPcmFormat> format;
  size_t at = 12;
  while (at + 8 <= bytes.size()) {
    const uint32_t size = Le32(bytes, at + 4);
    if (TagIs(bytes, at, "data")) {
      if (!format) throw std::runtime_error("the WAV data come before their format");
      return TWavHeader{*format, at + 8};
    }
    if (at + 8 + size > MaxHeaderBytes) throw std::runtime_error("no WAV data within the first 64 KiB");
    if (at + 8 + size > bytes.size()) return std::nullopt;
    if (TagIs(bytes, at, "fmt ")) format = WavFormat(bytes.subspan(at + 8, size));
    at += 8 + size + (size & 1);  // chunks are padded to even sizes
  }
  return std::nullopt;
}

size_t AppendAsFloats(std::span<const uint8_t> bytes, const TPcmFormat& format, std::vector<float>& out) {
  const size_t frameBytes = format.FrameBytes();
  const size_t used = bytes.size() / frameBytes * frameBytes;
  const size_t width = frameBytes / format.channels;
  out.reserve(out.size() + used / width);
  for (size_t at = 0; at < used; at += width) {
    const uint8_t* p = bytes.data() + at;
    float value = 0;
    switch (format.sampleType) {
      case TPcmSampleType::U8: value = (p[0] - 128) / 128.0f; break;
      case TPcmSampleType::S16: value = static_cast<int16_t>(p[0] | (p[1] << 8)) / 32768.0f; break;
      case TPcmSampleType::S24:
        value = static_cast<float>(static_cast<int32_t>((uint32_t{p[0]} << 8) | (uint32_t{p[1]} << 16) |
                                                        (uint32_t{p[2]} << 24)) / 2147483648.0);
        break;
      case TPcmSampleType::S32: value = static_cast<float>(static_cast<int32_t>(Le32(bytes, at)) / 2147483648.0); break;
      case TPcmSampleType::F32: std::memcpy(&value, p, 4); break;
      case TPcmSampleType::F64: {
        double d;
        std::memcpy(&d, p, 8);
        value = std::abs(d) <= std::numeric_limits<float>::max() ? static_cast<float>(d) : 0.0f;
        break;
      }
    }
    out.push_back(std::isfinite(value) ? value : 0.0f);  // NaN or infinity in a pipe is damage
  }
  return used;
}
