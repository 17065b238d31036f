#include "audiolib/dsp/FftAnalyser.h"

#include <fftw3.h>

#include <cmath>
#include <map>
#include <mutex>
#include <numbers>
#include <vector>

#include "audiolib/api/ErrorState.h"

namespace audiolib {

namespace {

constexpr size_t kMinFftSize = 256;

struct FftPlan {
  fftwf_plan plan = nullptr;
  std::vector<float> window;
  float scale = 0;  // 2 / sum(window): a bin-centred sine of amplitude A reads A
};

class PlanCache {
 public:
  ~PlanCache() {
    for (auto& [size, plan] : plans_) fftwf_destroy_plan(plan.plan);
  }

  const FftPlan& For(size_t size) {
    std::lock_guard lock(mutex_);
    auto it = plans_.find(size);
    if (it != plans_.end()) return it->second;
    return plans_.emplace(size, Make(size)).first->second;
  }

 private:
  static FftPlan Make(size_t size) {
    FftPlan result;
    // Planned on fftwf_malloc'd buffers, so every analyser's fftwf_malloc'd buffers fit the plan.
    float* in = fftwf_alloc_real(size);
    fftwf_complex* out = fftwf_alloc_complex(size / 2 + 1);
    result.plan = fftwf_plan_dft_r2c_1d(static_cast<int>(size), in, out, FFTW_ESTIMATE);
    fftwf_free(in);
    fftwf_free(out);
    if (!result.plan) throw AudioError(BASS_ERROR_MEM);
    result.window.resize(size);
    double sum = 0;
    for (size_t i = 0; i < size; ++i) {
      const double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) /
                                            static_cast<double>(size));
      result.window[i] = static_cast<float>(w);
      sum += w;
    }
    result.scale = static_cast<float>(2.0 / sum);
    return result;
  }

  std::mutex mutex_;
  std::map<size_t, FftPlan> plans_;
};

PlanCache& Plans() {
  static PlanCache cache;
  return cache;
}

}  // namespace

size_t FftSizeOf(DWORD lengthFlag) {
  if (lengthFlag < BASS_DATA_FFT256 || lengthFlag > BASS_DATA_FFT8192) return 0;
  return kMinFftSize << (lengthFlag - BASS_DATA_FFT256);
}

FftAnalyser::~FftAnalyser() {
  fftwf_free(in_);
  fftwf_free(out_);
}

void FftAnalyser::Reserve(size_t fftSize) {
  if (fftSize <= capacity_) return;
  fftwf_free(in_);
  fftwf_free(out_);
  in_ = fftwf_alloc_real(fftSize);
  out_ = fftwf_alloc_complex(fftSize / 2 + 1);
  capacity_ = (in_ && out_) ? fftSize : 0;
  if (capacity_ == 0) throw AudioError(BASS_ERROR_MEM);
}

void FftAnalyser::Analyse(const float* interleaved, size_t frames, DWORD chans, size_t fftSize,
                          float* magnitudes) {
  const FftPlan& plan = Plans().For(fftSize);
  Reserve(fftSize);
  if (chans == 1) {
    // The common case (a mono analysis mixer) as a loop the compiler vectorises.
    for (size_t i = 0; i < frames; ++i) in_[i] = interleaved[i] * plan.window[i];
  } else {
    const float channelWeight = 1.0f / static_cast<float>(chans);
    for (size_t i = 0; i < frames; ++i) {
      float sum = 0;
      for (DWORD c = 0; c < chans; ++c) sum += interleaved[i * chans + c];
      in_[i] = sum * channelWeight * plan.window[i];
    }
  }
  for (size_t i = frames; i < fftSize; ++i) in_[i] = 0;
  auto* out = static_cast<fftwf_complex*>(out_);
  fftwf_execute_dft_r2c(plan.plan, in_, out);
  for (size_t k = 0; k < fftSize / 2; ++k) {
    magnitudes[k] = std::sqrt(out[k][0] * out[k][0] + out[k][1] * out[k][1]) * plan.scale;
  }
}

}  // namespace audiolib
