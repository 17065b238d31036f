#include "audiolib/mixer/Resampler.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include "audiolib/api/ErrorState.h"

namespace audiolib {

namespace {
// A steeper filter than the default: the stop band starts just above the new Nyquist frequency and
// is attenuated far below what a detector would notice. 24 taps (per output-rate phase) is the
// shortest that keeps tones above the new Nyquist frequency at least 60 dB down; the filter is
// most of the detection road's cost, so it is kept no longer than that.
constexpr int kFilterSize = 24;
constexpr double kCutoff = 0.91;
constexpr double kKaiserBeta = 9.0;
}  // namespace

Resampler::Resampler(DWORD inRate, DWORD outRate, DWORD chans) : inRate_(inRate), outRate_(outRate) {
  AVChannelLayout layout;
  av_channel_layout_default(&layout, static_cast<int>(chans));
  const int made = swr_alloc_set_opts2(&swr_, &layout, AV_SAMPLE_FMT_FLT, static_cast<int>(outRate),
                                       &layout, AV_SAMPLE_FMT_FLT, static_cast<int>(inRate), 0,
                                       nullptr);
  av_channel_layout_uninit(&layout);
  if (made < 0 || !swr_) throw AudioError(BASS_ERROR_FORMAT);
  av_opt_set_int(swr_, "filter_size", kFilterSize, 0);
  av_opt_set_double(swr_, "cutoff", kCutoff, 0);
  av_opt_set_int(swr_, "filter_type", SWR_FILTER_TYPE_KAISER, 0);
  av_opt_set_double(swr_, "kaiser_beta", kKaiserBeta, 0);
  // With the exact ratio (441/160 for 44100 -> 16000) the filter bank has only as many phases as
  // the ratio needs, small enough to stay in cache.
  av_opt_set_int(swr_, "exact_rational", 1, 0);
  if (swr_init(swr_) < 0) {
    swr_free(&swr_);
    throw AudioError(BASS_ERROR_FORMAT);
  }
}

Resampler::~Resampler() { swr_free(&swr_); }

size_t Resampler::Convert(const float* in, size_t inFrames, float* out, size_t outCapacity) {
  // A non-null input of 0 frames asks only for buffered output; a null one would flush.
  static const float kNoInput = 0;
  const auto* inData = reinterpret_cast<const uint8_t*>(inFrames > 0 ? in : &kNoInput);
  auto* outData = reinterpret_cast<uint8_t*>(out);
  const int written = swr_convert(swr_, &outData, static_cast<int>(outCapacity), &inData,
                                  static_cast<int>(inFrames));
  return written > 0 ? static_cast<size_t>(written) : 0;
}

size_t Resampler::Flush(float* out, size_t outCapacity) {
  auto* outData = reinterpret_cast<uint8_t*>(out);
  const int written = swr_convert(swr_, &outData, static_cast<int>(outCapacity), nullptr, 0);
  return written > 0 ? static_cast<size_t>(written) : 0;
}

size_t Resampler::InputFramesFor(size_t outFrames) const {
  return (outFrames * inRate_ + outRate_ - 1) / outRate_;
}

}  // namespace audiolib
