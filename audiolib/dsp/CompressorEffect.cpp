#include "audiolib/dsp/CompressorEffect.h"

#include <algorithm>
#include <cmath>

#include "audiolib/api/ErrorState.h"

namespace audiolib {

namespace {

constexpr double kLog2Of10Over20 = 0.16609640474436813;  // log2(10) / 20: dB to log2 units

float SmoothingCoefficient(double timeMs, DWORD sampleRate) {
  if (timeMs <= 0) return 0;
  return static_cast<float>(std::exp(-1000.0 / (timeMs * sampleRate)));
}

}  // namespace

CompressorEffect::CompressorEffect(DWORD sampleRate, DWORD chans)
    : sampleRate_(sampleRate), chans_(chans) {}

void CompressorEffect::SetParameters(const void* record) {
  const auto& p = *static_cast<const BASS_BFX_COMPRESSOR2*>(record);
  const bool finite = std::isfinite(p.fGain) && std::isfinite(p.fThreshold) &&
                      std::isfinite(p.fAttack) && std::isfinite(p.fRelease);
  if (!finite || !(p.fRatio >= 1) || !std::isfinite(p.fRatio) || p.fAttack < 0 || p.fRelease < 0) {
    throw AudioError(BASS_ERROR_ILLPARAM);
  }
  std::lock_guard lock(mutex_);
  params_ = p;
  changed_ = true;
}

void CompressorEffect::GetParameters(void* record) const {
  std::lock_guard lock(mutex_);
  *static_cast<BASS_BFX_COMPRESSOR2*>(record) = params_;
}

void CompressorEffect::TakeParameters() {
  std::lock_guard lock(mutex_);
  if (!changed_) return;
  thresholdLog2_ = static_cast<float>(params_.fThreshold * kLog2Of10Over20);
  threshold_ = std::exp2(thresholdLog2_);
  slope_ = 1.0f / params_.fRatio - 1.0f;
  makeUp_ = static_cast<float>(std::pow(10.0, params_.fGain / 20.0));
  attackCoef_ = SmoothingCoefficient(params_.fAttack, sampleRate_);
  releaseCoef_ = SmoothingCoefficient(params_.fRelease, sampleRate_);
  channelMask_ = params_.lChannel;
  active_ = true;
  changed_ = false;
}

void CompressorEffect::Process(float* samples, size_t frames) {
  TakeParameters();
  if (!active_) return;
  // Locals, so the per-frame recursion stays in registers (the samples could alias members).
  float envelope = envelope_;
  const float attack = attackCoef_, release = releaseCoef_, threshold = threshold_;
  const float thresholdLog2 = thresholdLog2_, slope = slope_, makeUp = makeUp_;
  const int mask = channelMask_;
  const size_t chans = chans_;
  for (size_t f = 0; f < frames; ++f) {
    float* frame = samples + f * chans;
    float peak = 0;
    for (size_t c = 0; c < chans; ++c) {
      if (ChannelSelected(mask, c)) peak = std::max(peak, std::fabs(frame[c]));
    }
    envelope = peak + (peak > envelope ? attack : release) * (envelope - peak);
    float gain = makeUp;
    // Below the threshold (compared linearly) the curve is flat: no logarithm needed.
    if (envelope > threshold && slope != 0) {
      gain *= std::exp2((std::log2(envelope) - thresholdLog2) * slope);
    }
    for (size_t c = 0; c < chans; ++c) {
      if (ChannelSelected(mask, c)) frame[c] *= gain;
    }
  }
  envelope_ = envelope;
}

}  // namespace audiolib
