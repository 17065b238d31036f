// Magnitude spectra of sample blocks (BASS_DATA_FFT256 .. BASS_DATA_FFT8192).
#pragma once

#include <cstddef>

#include "audiolib/audiolib.h"

namespace audiolib {

// The FFT size (frames) a BASS_DATA_FFT* length value asks for, or 0 when it asks for none.
size_t FftSizeOf(DWORD lengthFlag);

// One per channel, used by its reader only; buffers are allocated at the first frame and grown
// only for a larger size, so steady-state analysis allocates nothing. Plans are shared by every
// analyser and made once per size under a lock (fftw planning is not thread-safe).
class FftAnalyser {
 public:
  FftAnalyser() = default;
  ~FftAnalyser();
  FftAnalyser(const FftAnalyser&) = delete;
  FftAnalyser& operator=(const FftAnalyser&) = delete;

  // `frames` interleaved frames of `chans` float channels (frames <= fftSize; the rest of the
  // window is silence). Channels are averaged, a Hann window applied, and fftSize / 2 magnitudes
  // written to `magnitudes`, scaled so a sine of amplitude A centred on a bin reads A.
  // Bin k is at k x rate / fftSize.
  void Analyse(const float* interleaved, size_t frames, DWORD chans, size_t fftSize,
               float* magnitudes);

 private:
  void Reserve(size_t fftSize);

  float* in_ = nullptr;
  void* out_ = nullptr;  // fftwf_complex[capacity / 2 + 1]
  size_t capacity_ = 0;
};

}  // namespace audiolib
