// Sample formats of channels and the conversions between them and 32-bit float.
#pragma once

#include <cstddef>
#include <cstdint>

#include "audiolib/audiolib.h"

namespace audiolib {

enum class SampleType { UInt8, Int16, Float32 };

// The layout of a channel's interleaved data. Rates are Hz.
struct SampleFormat {
  DWORD rate = 0;
  DWORD chans = 0;
  SampleType type = SampleType::Int16;

  // BASS_SAMPLE_FLOAT wins over BASS_SAMPLE_8BITS; neither means 16-bit.
  static SampleType TypeFromFlags(DWORD flags);
  size_t BytesPerSample() const;
  size_t BytesPerFrame() const { return BytesPerSample() * chans; }
};

// Converts `count` samples of `type` at `in` to float (full scale 1.0).
void ToFloat(const void* in, SampleType type, size_t count, float* out);
// Converts `count` floats to `type`, clipping to full scale.
void FromFloat(const float* in, SampleType type, size_t count, void* out);

}  // namespace audiolib
