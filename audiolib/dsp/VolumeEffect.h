// The volume effect (BASS_FX_BFX_VOLUME): a global volume and one per channel.
#pragma once

#include <array>
#include <mutex>

#include "audiolib/dsp/Effect.h"

namespace audiolib {

class VolumeEffect : public Effect {
 public:
  static constexpr size_t kMaxChannels = 32;

  explicit VolumeEffect(DWORD chans);
  void Process(float* samples, size_t frames) override;
  // ILLPARAM: a negative or non-finite volume, a mask that selects none of the channels.
  void SetParameters(const void* record) override;
  void GetParameters(void* record) const override;

 private:
  const DWORD chans_;
  mutable std::mutex mutex_;
  float global_ = 1;                                    // guarded by mutex_
  std::array<float, kMaxChannels> channels_{};          // guarded by mutex_
  bool changed_ = false;                                // guarded by mutex_
  std::array<float, kMaxChannels> gains_{};             // reader only: global x channel
  bool unity_ = true;                                   // reader only
};

}  // namespace audiolib
