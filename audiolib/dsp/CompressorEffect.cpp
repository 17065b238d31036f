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

float PeakOfAll(const float* samples, size_t count) {
  float peak = 0;
  for (size_t i = 0; i < count; ++i) peak = std::max(peak, std::fabs(samples[i]));
  return peak;
}

float PeakOfSelected(const float* samples, size_t frames, size_t chans, int mask) {
  float peak = 0;
  for (size_t f = 0; f < frames; ++f) {
    for (size_t c = 0; c < chans; ++c) {
      if (ChannelSelected(mask, c)) peak = std::max(peak, std::fabs(samples[f * chans + c]));
    }
  }
  return peak;
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
  attackPerFrame_ = SmoothingCoefficient(params_.fAttack, sampleRate_);
  releasePerFrame_ = SmoothingCoefficient(params_.fRelease, sampleRate_);
  attackCoef_ = std::pow(attackPerFrame_, static_cast<float>(kControlFrames));
  releaseCoef_ = std::pow(releasePerFrame_, static_cast<float>(kControlFrames));
  channelMask_ = params_.lChannel;
  active_ = true;
  changed_ = false;
}

float CompressorEffect::GainAt(float envelope) const {
  // Below the threshold (compared linearly) the curve is flat: no logarithm needed.
  if (envelope > threshold_ && slope_ != 0) {
    return makeUp_ * std::exp2((std::log2(envelope) - thresholdLog2_) * slope_);
  }
  return makeUp_;
}

void CompressorEffect::Process(float* samples, size_t frames) {
  TakeParameters();
  if (!active_) return;
  // Locals, so the per-frame recursions stay in registers (the samples could alias members).
  float envelope = envelope_;
  float gain = gain_;
  const float attack = attackCoef_, release = releaseCoef_;  // per control run
  const int mask = channelMask_;
  const size_t chans = chans_;
  for (size_t start = 0; start < frames; start += kControlFrames) {
    const size_t count = std::min(kControlFrames, frames - start);
    float* block = samples + start * chans;
    // The level follower also moves at the control rate, on the run's peak: one step of the
    // one-pole smoothing over `count` frames is its coefficient to the power `count`.
    const float peak = mask == BASS_BFX_CHANALL ? PeakOfAll(block, count * chans)
                                                : PeakOfSelected(block, count, chans, mask);
    const bool rising = peak > envelope;
    const float coef = count == kControlFrames
                           ? (rising ? attack : release)
                           : std::pow(rising ? attackPerFrame_ : releasePerFrame_,
                                      static_cast<float>(count));
    envelope = peak + coef * (envelope - peak);
    // The gain moves linearly to the curve's value for the level at the end of the run.
    const float target = GainAt(envelope);
    const float step = (target - gain) / static_cast<float>(count);
    for (size_t f = 0; f < count; ++f) {
      const float frameGain = gain + step * static_cast<float>(f + 1);
      for (size_t c = 0; c < chans; ++c) {
        if (mask == BASS_BFX_CHANALL || ChannelSelected(mask, c)) block[f * chans + c] *= frameGain;
      }
    }
    gain = target;
  }
  envelope_ = envelope;
  gain_ = gain;
}

}  // namespace audiolib
