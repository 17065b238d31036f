#include "audiolib/channels/VolumeAttribute.h"

#include <algorithm>
#include <cmath>

#include "audiolib/api/ErrorState.h"

namespace audiolib {

namespace {

constexpr double kLogRangeDb = 100.0;  // the logarithmic curve's span from value 1 down to 0

void Scale(float* samples, size_t frames, DWORD chans, double gain) {
  const auto g = static_cast<float>(gain);
  const size_t count = frames * chans;
  for (size_t i = 0; i < count; ++i) samples[i] *= g;
}

}  // namespace

double GainOfVolume(double value, VolumeCurve curve) {
  if (value <= 0) return 0;
  if (curve == VolumeCurve::Linear) return value;
  return std::pow(10.0, (value - 1.0) * kLogRangeDb / 20.0);
}

void VolumeAttribute::Set(float value) {
  if (!std::isfinite(value) || value < 0) throw AudioError(BASS_ERROR_ILLPARAM);
  std::lock_guard lock(mutex_);
  value_ = value;
  sliding_ = false;
  stopAtEnd_ = false;
}

float VolumeAttribute::Value() const {
  std::lock_guard lock(mutex_);
  return value_;
}

void VolumeAttribute::Slide(float target, DWORD durationMs) {
  if (!std::isfinite(target) || (target < 0 && target != kStopValue)) {
    throw AudioError(BASS_ERROR_ILLPARAM);
  }
  std::lock_guard lock(mutex_);
  stopAtEnd_ = target == kStopValue;
  slideFrom_ = value_;
  slideTo_ = stopAtEnd_ ? 0.0f : target;
  slideMs_ = durationMs;
  slideDoneFrames_ = 0;
  sliding_ = true;
}

bool VolumeAttribute::IsSliding() const {
  std::lock_guard lock(mutex_);
  return sliding_;
}

size_t VolumeAttribute::Apply(float* samples, size_t frames, DWORD chans, DWORD sampleRate,
                              VolumeCurve curve) {
  std::lock_guard lock(mutex_);
  if (sliding_) return ApplySlide(samples, frames, chans, sampleRate, curve);
  if (value_ != 1.0f) Scale(samples, frames, chans, GainOfVolume(value_, curve));
  return frames;
}

size_t VolumeAttribute::ApplySlide(float* samples, size_t frames, DWORD chans, DWORD sampleRate,
                                   VolumeCurve curve) {
  const size_t total = static_cast<size_t>(std::llround(double(slideMs_) * sampleRate / 1000.0));
  const size_t slideFrames = std::min(frames, total - std::min(total, slideDoneFrames_));
  if (slideFrames > 0) {
    // Along a linear move of the value the linear gain changes by a constant step and the
    // logarithmic gain by a constant ratio; both start exact at each block.
    const double valueStep = (double(slideTo_) - slideFrom_) / double(total);
    const double startValue = slideFrom_ + valueStep * double(slideDoneFrames_);
    double gain = GainOfVolume(startValue, curve);
    const bool logarithmic = curve == VolumeCurve::Logarithmic;
    const double gainStep = logarithmic ? std::pow(10.0, valueStep * kLogRangeDb / 20.0) : valueStep;
    for (size_t f = 0; f < slideFrames; ++f) {
      const auto g = static_cast<float>(gain);
      for (DWORD c = 0; c < chans; ++c) samples[f * chans + c] *= g;
      gain = logarithmic ? gain * gainStep : std::max(0.0, gain + gainStep);
      // A logarithmic fade to silence ends in silence, not at -100 dB.
      if (logarithmic && startValue + valueStep * double(f + 1) <= 0) gain = 0;
    }
    slideDoneFrames_ += slideFrames;
    value_ = static_cast<float>(slideFrom_ + valueStep * double(slideDoneFrames_));
  }
  if (slideDoneFrames_ < total) return frames;
  sliding_ = false;
  value_ = slideTo_;
  float* rest = samples + slideFrames * chans;
  const size_t restFrames = frames - slideFrames;
  if (stopAtEnd_) {
    stopAtEnd_ = false;
    std::fill_n(rest, restFrames * chans, 0.0f);
    return slideFrames;
  }
  if (value_ != 1.0f) Scale(rest, restFrames, chans, GainOfVolume(value_, curve));
  return frames;
}

}  // namespace audiolib
