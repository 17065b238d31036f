// A channel's volume (BASS_ATTRIB_VOL) and its slide, which advances in sample time.
#pragma once

#include <cstddef>
#include <mutex>

#include "audiolib/audiolib.h"

namespace audiolib {

// How a volume value becomes a gain (BASS_CONFIG_CURVE_VOL).
enum class VolumeCurve {
  Linear,       // the gain is the value
  Logarithmic,  // 1 is 0 dB and every 0.01 below it is 1 dB less (0.5 = -50 dB); 0 is silence
};

// The gain factor (linear amplitude) of volume `value` (0 = silence, 1 = unchanged).
double GainOfVolume(double value, VolumeCurve curve);

// Set, Slide, Value and IsSliding may be called from any thread; Apply by the thread that renders
// the channel. A slide is measured in the frames Apply renders, not in wall-clock time, so a
// decode-only read fades exactly as a playing device would. All calls take one short lock.
class VolumeAttribute {
 public:
  // The value a slide to this target fades to 0 and then stops the channel.
  static constexpr float kStopValue = -1.0f;

  // Ends a slide in progress. Throws AudioError(BASS_ERROR_ILLPARAM) for a negative or non-finite
  // value.
  void Set(float value);
  // The current value; during a slide the value reached so far.
  float Value() const;
  // Moves the value linearly from where it is to `target` over `durationMs` of rendered audio;
  // kStopValue fades to 0 and stops. A duration of 0 sets the target at once (a stop then happens
  // with the next rendered block). Throws AudioError(BASS_ERROR_ILLPARAM) for a negative target
  // other than kStopValue.
  void Slide(float target, DWORD durationMs);
  bool IsSliding() const;

  // Multiplies `frames` interleaved frames of `chans` channels, rendered at `sampleRate` Hz, by the
  // gain, advancing a slide frame by frame (frame n of a slide of N frames has the value
  // start + (target - start) * n / N). Returns the frames that come before the channel stops at
  // the end of a fade to kStopValue (`frames` when it does not stop in this block); the frames
  // from there on are silenced.
  size_t Apply(float* samples, size_t frames, DWORD chans, DWORD sampleRate, VolumeCurve curve);

 private:
  size_t ApplySlide(float* samples, size_t frames, DWORD chans, DWORD sampleRate,
                    VolumeCurve curve);

  mutable std::mutex mutex_;
  float value_ = 1.0f;
  bool sliding_ = false;
  bool stopAtEnd_ = false;
  float slideFrom_ = 0.0f;
  float slideTo_ = 0.0f;
  DWORD slideMs_ = 0;
  size_t slideDoneFrames_ = 0;
};

}  // namespace audiolib
