#include "audiolib/channels/DspChain.h"

#include <algorithm>

namespace audiolib {

DspChain::DspChain() : entries_(std::make_shared<const List>()) {}

void DspChain::Add(HDSP handle, DSPPROC* proc, void* user, int priority) {
  std::lock_guard lock(mutex_);
  auto next = std::make_shared<List>(*entries_);
  auto at = std::find_if(next->begin(), next->end(),
                         [priority](const Entry& e) { return e.priority < priority; });
  next->insert(at, Entry{handle, proc, user, priority});
  entries_ = std::move(next);
}

bool DspChain::Remove(HDSP handle) {
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
  for (const Entry& e : *entries) e.proc(e.handle, channel, buffer, bytes, e.user);
}

}  // namespace audiolib
