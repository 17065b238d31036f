#include "audiolib/api/Config.h"

#include "audiolib/api/ErrorState.h"

namespace audiolib {

Config& Config::Instance() {
  static Config config;
  return config;
}

Config::Config()
    : values_{{BASS_CONFIG_BUFFER, 500}, {BASS_CONFIG_UPDATEPERIOD, 100},
              {BASS_CONFIG_DEV_DEFAULT, 0}} {}

void Config::Set(DWORD option, DWORD value) {
  std::lock_guard lock(mutex_);
  values_[option] = value;
}

DWORD Config::Get(DWORD option) const {
  std::lock_guard lock(mutex_);
  auto it = values_.find(option);
  if (it == values_.end()) throw AudioError(BASS_ERROR_ILLPARAM);
  return it->second;
}

void Config::SetText(DWORD option, const char* text) {
  if (option != BASS_CONFIG_NET_AGENT) throw AudioError(BASS_ERROR_ILLPARAM);
  std::lock_guard lock(mutex_);
  userAgent_ = text ? text : "";
}

const char* Config::Text(DWORD option) const {
  if (option != BASS_CONFIG_NET_AGENT) throw AudioError(BASS_ERROR_ILLPARAM);
  std::lock_guard lock(mutex_);
  return userAgent_.c_str();
}

}  // namespace audiolib
