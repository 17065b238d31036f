#include "audiolib/api/HandleTable.h"

#include <mutex>

#include "audiolib/channels/Channel.h"

namespace audiolib {

HandleTable& HandleTable::Instance() {
  static HandleTable table;
  return table;
}

DWORD HandleTable::NewHandle() {
  std::unique_lock lock(mutex_);
  do {
    ++lastHandle_;
  } while (lastHandle_ == 0 || channels_.count(lastHandle_) != 0);
  return lastHandle_;
}

DWORD HandleTable::Add(std::shared_ptr<Channel> channel) {
  const DWORD handle = NewHandle();
  channel->SetHandle(handle);
  std::unique_lock lock(mutex_);
  channels_.emplace(handle, std::move(channel));
  return handle;
}

std::shared_ptr<Channel> HandleTable::Find(DWORD handle) const {
  std::shared_lock lock(mutex_);
  auto it = channels_.find(handle);
  return it == channels_.end() ? nullptr : it->second;
}

std::shared_ptr<Channel> HandleTable::Take(DWORD handle) {
  std::unique_lock lock(mutex_);
  auto it = channels_.find(handle);
  if (it == channels_.end()) return nullptr;
  std::shared_ptr<Channel> channel = std::move(it->second);
  channels_.erase(it);
  return channel;
}

}  // namespace audiolib
