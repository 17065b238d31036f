// Library-wide settings (BASS_SetConfig / BASS_GetConfig / BASS_SetConfigPtr).
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>

#include "audiolib/audiolib.h"
#include "audiolib/channels/VolumeAttribute.h"

namespace audiolib {

// Any thread. Every option the library knows has a default; any other option number is kept as
// set. BASS_CONFIG_CURVE_VOL and BASS_CONFIG_FLOATDSP change how channels are rendered and are
// also readable without a lock (audio threads read them per block); the others are kept for the
// parts that use them.
class Config {
 public:
  static Config& Instance();

  void Set(DWORD option, DWORD value);
  // The value set, else the default. Throws AudioError(BASS_ERROR_ILLPARAM) for an option that
  // has neither.
  DWORD Get(DWORD option) const;
  VolumeCurve volumeCurve() const {
    return logVolumeCurve_.load(std::memory_order_relaxed) ? VolumeCurve::Logarithmic
                                                           : VolumeCurve::Linear;
  }
  // DSP procedures get 32-bit float samples whatever the channel's format.
  bool floatDsp() const { return floatDsp_.load(std::memory_order_relaxed); }
  // Only BASS_CONFIG_NET_AGENT takes text; the text is copied. Throws ILLPARAM for others.
  void SetText(DWORD option, const char* text);
  // Valid until the option is set again.
  const char* Text(DWORD option) const;

 private:
  Config();

  mutable std::mutex mutex_;
  std::map<DWORD, DWORD> values_;
  std::string userAgent_;
  std::atomic<bool> logVolumeCurve_{false};
  std::atomic<bool> floatDsp_{false};
};

}  // namespace audiolib
