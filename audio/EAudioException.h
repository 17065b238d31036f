// EAudioException: an audio library failure raised by the audio engine and the playback side,
// carrying the library's error code (BASS_ErrorGetCode, or an engine code such as -2).
#pragma once

#include <cstdint>
#include <string>

#include "platform/Exception.h"

class EAudioException : public Exception {
 public:
  // Message "AudioException Code <code>".
  explicit EAudioException(int32_t AErrCode);
  // AMessage with its first "%d" replaced by the code (as it is when it has none).
  EAudioException(int32_t AErrCode, const std::string& AMessage);

  int32_t ErrCode() const { return FErrCode; }

 private:
  int32_t FErrCode;
};
