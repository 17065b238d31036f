#include "audio/EAudioException.h"

namespace {

std::string WithCode(const std::string& message, int32_t code) {
  std::string text = message;
  const size_t at = text.find("%d");
  if (at != std::string::npos) text.replace(at, 2, std::to_string(code));
  return text;
}

}  // namespace

EAudioException::EAudioException(int32_t AErrCode)
    : EAudioException(AErrCode, "AudioException Code %d") {}

EAudioException::EAudioException(int32_t AErrCode, const std::string& AMessage)
    : Exception(WithCode(AMessage, AErrCode)), FErrCode(AErrCode) {}
