// The effects set on channels, by their HFX handle.
#pragma once

#include <memory>
#include <mutex>
#include <unordered_map>

#include "audiolib/audiolib.h"
#include "audiolib/dsp/Effect.h"

namespace audiolib {

// Any thread. The table does not keep an effect alive: the channel's DSP chain owns it, so an
// effect removed from its chain, or of a freed channel, is no longer found.
class EffectTable {
 public:
  static EffectTable& Instance();

  void Add(HFX handle, const std::shared_ptr<Effect>& effect);
  void Remove(HFX handle);
  // Throws AudioError(BASS_ERROR_HANDLE) when the effect is gone.
  std::shared_ptr<Effect> Find(HFX handle) const;

 private:
  EffectTable() = default;

  mutable std::mutex mutex_;
  std::unordered_map<HFX, std::weak_ptr<Effect>> effects_;
};

}  // namespace audiolib
