#include "audiolib/api/Config.h"

#include "audiolib/api/ErrorState.h"

namespace audiolib {

Config& Config::Instance() {
  static Config config;
  return config;
}

Config::Config()
    : values_{{BASS_CONFIG_BUFFER, 500},
              {BASS_CONFIG_UPDATEPERIOD, 100},
              {BASS_CONFIG_CURVE_VOL, 0},
              {BASS_CONFIG_FLOATDSP, 0},
              {BASS_CONFIG_NET_TIMEOUT, 5000},
              {BASS_CONFIG_NET_BUFFER, 5000},
              {BASS_CONFIG_NET_PREBUF, 75},
              {BASS_CONFIG_NET_PLAYLIST, 0},
              {BASS_CONFIG_UPDATETHREADS, 1},
              {BASS_CONFIG_DEV_DEFAULT, 0},
              {BASS_CONFIG_NET_READTIMEOUT, 0},
              {BASS_CONFIG_MF_DISABLE, 0},
              {BASS_CONFIG_UNICODE, 0},
              {BASS_CONFIG_ASYNCFILE_BUFFER, 65536},
              {BASS_CONFIG_MF_VIDEO, 1},
              {BASS_CONFIG_REC_WASAPI, 0}} {}

void Config::Set(DWORD option, DWORD value) {
  std::lock_guard lock(mutex_);
  values_[option] = value;
  if (option == BASS_CONFIG_CURVE_VOL) logVolumeCurve_.store(value != 0, std::memory_order_relaxed);
  if (option == BASS_CONFIG_FLOATDSP) floatDsp_.store(value != 0, std::memory_order_relaxed);
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
