// Library-wide settings (BASS_SetConfig / BASS_GetConfig / BASS_SetConfigPtr).
#pragma once

#include <map>
#include <mutex>
#include <string>

#include "audiolib/audiolib.h"

namespace audiolib {

// Any thread. Values are kept for later use (the user agent by network streams); none of them
// changes how decoding or mixing works yet.
class Config {
 public:
  static Config& Instance();

  void Set(DWORD option, DWORD value);
  // Throws AudioError(BASS_ERROR_ILLPARAM) for an option without a value.
  DWORD Get(DWORD option) const;
  // Only BASS_CONFIG_NET_AGENT takes text; the text is copied. Throws ILLPARAM for others.
  void SetText(DWORD option, const char* text);
  // Valid until the option is set again.
  const char* Text(DWORD option) const;

 private:
  Config();

  mutable std::mutex mutex_;
  std::map<DWORD, DWORD> values_;
  std::string userAgent_;
};

}  // namespace audiolib
