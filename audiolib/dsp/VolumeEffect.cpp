#include "audiolib/dsp/VolumeEffect.h"

#include <cmath>

#include "audiolib/api/ErrorState.h"

namespace audiolib {

VolumeEffect::VolumeEffect(DWORD chans) : chans_(chans) {
  channels_.fill(1.0f);
  gains_.fill(1.0f);
}

void VolumeEffect::SetParameters(const void* record) {
  const auto& p = *static_cast<const BASS_BFX_VOLUME*>(record);
  if (!std::isfinite(p.fVolume) || p.fVolume < 0) throw AudioError(BASS_ERROR_ILLPARAM);
  std::lock_guard lock(mutex_);
  if (p.lChannel == BASS_BFX_CHANNONE) {
    global_ = p.fVolume;
  } else {
    bool any = false;
    for (size_t c = 0; c < chans_; ++c) {
      if (!ChannelSelected(p.lChannel, c)) continue;
      channels_[c] = p.fVolume;
      any = true;
    }
    if (!any) throw AudioError(BASS_ERROR_ILLPARAM);
  }
  changed_ = true;
}

void VolumeEffect::GetParameters(void* record) const {
  auto& p = *static_cast<BASS_BFX_VOLUME*>(record);
  std::lock_guard lock(mutex_);
  if (p.lChannel == BASS_BFX_CHANNONE) {
    p.fVolume = global_;
    return;
  }
  for (size_t c = 0; c < chans_; ++c) {
    if (ChannelSelected(p.lChannel, c)) {
      p.fVolume = channels_[c];
      return;
    }
  }
  throw AudioError(BASS_ERROR_ILLPARAM);
}

void VolumeEffect::Process(float* samples, size_t frames) {
  {
    std::lock_guard lock(mutex_);
    if (changed_) {
      unity_ = true;
      for (size_t c = 0; c < chans_; ++c) {
        gains_[c] = global_ * channels_[c];
        unity_ = unity_ && gains_[c] == 1.0f;
      }
      changed_ = false;
    }
  }
  if (unity_) return;
  for (size_t f = 0; f < frames; ++f) {
    for (size_t c = 0; c < chans_; ++c) samples[f * chans_ + c] *= gains_[c];
  }
}

}  // namespace audiolib
