#include "audiolib/dsp/FilterEffect.h"

#include <cmath>

#include "audiolib/api/ErrorState.h"

namespace audiolib {

namespace {

BiquadCoefficients::Width WidthOf(float q, float bandwidthOct) {
  if (!(q > 0) && !(bandwidthOct > 0)) throw AudioError(BASS_ERROR_ILLPARAM);
  return {q > 0 ? q : 0.0, bandwidthOct};
}

}  // namespace

FilterEffect::FilterEffect(DWORD sampleRate, DWORD chans) : sampleRate_(sampleRate), chans_(chans) {}

void FilterEffect::SetParameters(const void* record) {
  const auto& p = *static_cast<const BASS_BFX_BQF*>(record);
  if (p.lFilter != BASS_BFX_BQF_LOWPASS && p.lFilter != BASS_BFX_BQF_HIGHPASS) {
    throw AudioError(BASS_ERROR_ILLPARAM);
  }
  if (!(p.fCenter > 0) || !(p.fCenter < sampleRate_ / 2.0f)) throw AudioError(BASS_ERROR_ILLPARAM);
  WidthOf(p.fQ, p.fBandwidth);
  std::lock_guard lock(mutex_);
  params_ = p;
  set_ = true;
  changed_ = true;
}

void FilterEffect::GetParameters(void* record) const {
  std::lock_guard lock(mutex_);
  *static_cast<BASS_BFX_BQF*>(record) = params_;
}

void FilterEffect::Process(float* samples, size_t frames) {
  {
    std::lock_guard lock(mutex_);
    if (changed_) {
      const auto width = WidthOf(params_.fQ, params_.fBandwidth);
      filter_.SetCoefficients(params_.lFilter == BASS_BFX_BQF_LOWPASS
                                  ? BiquadCoefficients::LowPass(sampleRate_, params_.fCenter, width)
                                  : BiquadCoefficients::HighPass(sampleRate_, params_.fCenter, width));
      channelMask_ = params_.lChannel;
      active_ = set_;
      changed_ = false;
    }
  }
  if (!active_) return;
  filter_.Process(samples, frames, chans_, channelMask_);
}

}  // namespace audiolib
