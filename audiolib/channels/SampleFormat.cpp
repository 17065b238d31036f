#include "audiolib/channels/SampleFormat.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace audiolib {

SampleType SampleFormat::TypeFromFlags(DWORD flags) {
  if (flags & BASS_SAMPLE_FLOAT) return SampleType::Float32;
  if (flags & BASS_SAMPLE_8BITS) return SampleType::UInt8;
  return SampleType::Int16;
}

size_t SampleFormat::BytesPerSample() const {
  switch (type) {
    case SampleType::UInt8: return 1;
    case SampleType::Int16: return 2;
    case SampleType::Float32: return 4;
  }
  return 4;
}

void ToFloat(const void* in, SampleType type, size_t count, float* out) {
  switch (type) {
    case SampleType::Float32:
      std::memcpy(out, in, count * sizeof(float));
      return;
    case SampleType::Int16: {
      const auto* s = static_cast<const int16_t*>(in);
      for (size_t i = 0; i < count; ++i) out[i] = static_cast<float>(s[i]) * (1.0f / 32768.0f);
      return;
    }
    case SampleType::UInt8: {
      const auto* s = static_cast<const uint8_t*>(in);
      for (size_t i = 0; i < count; ++i) out[i] = (static_cast<float>(s[i]) - 128.0f) * (1.0f / 128.0f);
      return;
    }
  }
}

void FromFloat(const float* in, SampleType type, size_t count, void* out) {
  switch (type) {
    case SampleType::Float32:
      std::memcpy(out, in, count * sizeof(float));
      return;
    case SampleType::Int16: {
      auto* d = static_cast<int16_t*>(out);
      for (size_t i = 0; i < count; ++i) {
        d[i] = static_cast<int16_t>(std::lrint(std::clamp(in[i] * 32768.0f, -32768.0f, 32767.0f)));
      }
      return;
    }
    case SampleType::UInt8: {
      auto* d = static_cast<uint8_t*>(out);
      for (size_t i = 0; i < count; ++i) {
        d[i] = static_cast<uint8_t>(std::lrint(std::clamp(in[i] * 128.0f + 128.0f, 0.0f, 255.0f)));
      }
      return;
    }
  }
}

}  // namespace audiolib
