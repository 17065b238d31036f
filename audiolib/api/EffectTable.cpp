#include "audiolib/api/EffectTable.h"

#include "audiolib/api/ErrorState.h"

namespace audiolib {

EffectTable& EffectTable::Instance() {
  static EffectTable table;
  return table;
}

void EffectTable::Add(HFX handle, const std::shared_ptr<Effect>& effect) {
  std::lock_guard lock(mutex_);
  // Entries of freed channels are dropped here, so the table does not grow with them.
  std::erase_if(effects_, [](const auto& entry) { return entry.second.expired(); });
  effects_.emplace(handle, effect);
}

void EffectTable::Remove(HFX handle) {
  std::lock_guard lock(mutex_);
  effects_.erase(handle);
}

std::shared_ptr<Effect> EffectTable::Find(HFX handle) const {
  std::lock_guard lock(mutex_);
  auto it = effects_.find(handle);
  std::shared_ptr<Effect> effect = it == effects_.end() ? nullptr : it->second.lock();
  if (!effect) throw AudioError(BASS_ERROR_HANDLE);
  return effect;
}

}  // namespace audiolib
