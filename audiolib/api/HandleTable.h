// The table of live channels by handle, and the source of every handle value.
#pragma once

#include <memory>
#include <shared_mutex>
#include <unordered_map>

#include "audiolib/api/ErrorState.h"
#include "audiolib/audiolib.h"

namespace audiolib {

class Channel;

// Any thread. Handles come from one counter (channels, DSPs and syncs alike), so a freed handle
// is not reused until the counter wraps after 2^32 - 1 handles; 0 is never given.
class HandleTable {
 public:
  static HandleTable& Instance();

  DWORD NewHandle();
  // Gives `channel` a new handle and makes it findable; returns the handle.
  DWORD Add(std::shared_ptr<Channel> channel);
  // The channel, or null when `handle` is not live. The caller's copy keeps it alive.
  std::shared_ptr<Channel> Find(DWORD handle) const;
  // Removes and returns the channel, or null when `handle` is not live.
  std::shared_ptr<Channel> Take(DWORD handle);

 private:
  HandleTable() = default;

  mutable std::shared_mutex mutex_;
  std::unordered_map<DWORD, std::shared_ptr<Channel>> channels_;
  DWORD lastHandle_ = 0;  // guarded by mutex_
};

// The channel behind `handle` as a T; throws AudioError(BASS_ERROR_HANDLE) when it is not live and
// AudioError(BASS_ERROR_ILLTYPE) when it is not a T.
template <class T>
std::shared_ptr<T> FindChannel(DWORD handle) {
  std::shared_ptr<Channel> channel = HandleTable::Instance().Find(handle);
  if (!channel) throw AudioError(BASS_ERROR_HANDLE);
  std::shared_ptr<T> typed = std::dynamic_pointer_cast<T>(std::move(channel));
  if (!typed) throw AudioError(BASS_ERROR_ILLTYPE);
  return typed;
}

}  // namespace audiolib
