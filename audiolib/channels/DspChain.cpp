#include "audiolib/channels/DspChain.h"

#include <algorithm>

namespace audiolib {

DspChain::DspChain(DWORD chans) : chans_(chans), entries_(std::make_shared<const List>()) {}

void DspChain::Insert(Entry entry) {
  std::lock_guard lock(mutex_);
  auto next = std::make_shared<List>(*entries_);
  const int priority = entry.priority;
  auto at = std::find_if(next->begin(), next->end(),
                         [priority](const Entry& e) { return e.priority < priority; });
  next->insert(at, std::move(entry));
  entries_ = std::move(next);
}

void DspChain::Add(HDSP handle, DSPPROC* proc, void* user, int priority) {
  Insert(Entry{handle, proc, user, priority, nullptr});
}

void DspChain::AddEffect(HFX handle, std::shared_ptr<Effect> effect, int priority) {
  Insert(Entry{handle, nullptr, nullptr, priority, std::move(effect)});
}

bool DspChain::HasEffects() const {
  std::lock_guard lock(mutex_);
  return std::any_of(entries_->begin(), entries_->end(),
                     [](const Entry& e) { return e.effect != nullptr; });
}

bool DspChain::Remove(DWORD handle) {
  std::lock_guard lock(mutex_);
  auto next = std::make_shared<List>(*entries_);
  auto removed = std::erase_if(*next, [handle](const Entry& e) { return e.handle == handle; });
  if (removed == 0) return false;
  entries_ = std::move(next);
  return true;
}

bool DspChain::IsEmpty() const {
  std::lock_guard lock(mutex_);
  return entries_->empty();
}

void DspChain::Run(DWORD channel, void* buffer, DWORD bytes) const {
  std::shared_ptr<const List> entries;
  {
    std::lock_guard lock(mutex_);
    entries = entries_;
  }
  for (const Entry& e : *entries) {
    if (e.effect) {
      e.effect->Process(static_cast<float*>(buffer), bytes / (sizeof(float) * chans_));
    } else {
      e.proc(e.handle, channel, buffer, bytes, e.user);
    }
  }
}

}  // namespace audiolib
