// Sample-rate conversion of interleaved float audio (libswresample).
#pragma once

#include <cstddef>

#include "audiolib/audiolib.h"

struct SwrContext;

namespace audiolib {

// Used by one thread at a time. Tuned so that 44100 -> 16000 Hz keeps a 1 kHz tone within 0.1 dB
// and puts a 10 kHz tone (above the new Nyquist frequency) at least 60 dB down.
class Resampler {
 public:
  // Throws AudioError(BASS_ERROR_FORMAT) when the conversion cannot be set up.
  Resampler(DWORD inRate, DWORD outRate, DWORD chans);
  ~Resampler();
  Resampler(const Resampler&) = delete;
  Resampler& operator=(const Resampler&) = delete;

  // Takes `inFrames` frames (0: only returns what is buffered) and writes up to `outCapacity`
  // frames to `out`; output that does not fit stays buffered. Returns the frames written.
  size_t Convert(const float* in, size_t inFrames, float* out, size_t outCapacity);
  // At the end of input: writes up to `outCapacity` of the remaining frames; returns them.
  size_t Flush(float* out, size_t outCapacity);
  // Input frames that give about `outFrames` output frames.
  size_t InputFramesFor(size_t outFrames) const;

 private:
  SwrContext* swr_ = nullptr;
  const DWORD inRate_;
  const DWORD outRate_;
};

}  // namespace audiolib
