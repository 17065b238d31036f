// Formats of PCM audio read from a pipe: the --raw option's "RATE[:CHANNELS[:s16|f32]]" and the
// header of a WAV stream, and the conversion of their samples to floats. Pure; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

enum class TPcmSampleType { U8, S16, S24, S32, F32, F64 };

struct TPcmFormat {
  uint32_t sampleRate = 0;  // Hz
  uint32_t channels = 1;
  TPcmSampleType sampleType = TPcmSampleType::S16;  // little-endian
  size_t FrameBytes() const;
};

// Parses "RATE[:CHANNELS[:s16|f32]]" (channels 1 and s16 when left out). Throws EUsage
// (cli/CliOptions.h) with what is wrong.
TPcmFormat ParseRawFormat(const std::string& text);

// The start of a WAV stream: its format and where the sample data begin.
struct TWavHeader {
  TPcmFormat format;
  size_t dataOffset = 0;  // bytes from the start of the stream
};

// Reads a WAV header (RIFF/WAVE, or RF64) from the first bytes of a stream. Returns nothing while
// `bytes` may still be too short to hold the header; throws std::runtime_error with the reason
// when the stream is no WAV stream it can read (not RIFF, not PCM or float, ...). The data
// chunk's stated size is not used: pipes often state 0 or the largest size; the stream's end ends
// the data.
std::optional<TWavHeader> ParseWavHeader(std::span<const uint8_t> bytes);
// True when the bytes begin as a WAV stream does.
bool LooksLikeWav(std::span<const uint8_t> bytes);

// Converts whole frames of `bytes` to interleaved floats (full scale 1.0), appended to `out`;
// returns the bytes used (a partial frame at the end is left for the next call).
size_t AppendAsFloats(std::span<const uint8_t> bytes, const TPcmFormat& format, std::vector<float>& out);
