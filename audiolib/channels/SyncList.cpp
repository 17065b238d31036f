#include "audiolib/channels/SyncList.h"

#include <algorithm>

namespace audiolib {

namespace {
constexpr DWORD kModifierBits = BASS_SYNC_ONETIME | BASS_SYNC_MIXTIME;
}

SyncList::SyncList() : entries_(std::make_shared<const List>()) {}

bool SyncList::IsSupportedType(DWORD type) {
  const DWORD base = type & ~kModifierBits;
  return base == BASS_SYNC_POS || base == BASS_SYNC_END || base == BASS_SYNC_FREE ||
         base == BASS_SYNC_META || base == BASS_SYNC_OGG_CHANGE;
}

void SyncList::Add(HSYNC handle, DWORD type, QWORD positionBytes, SYNCPROC* proc, void* user) {
  std::lock_guard lock(mutex_);
  auto next = std::make_shared<List>(*entries_);
  next->push_back(Entry{handle, type & ~kModifierBits, (type & BASS_SYNC_ONETIME) != 0,
                        positionBytes, proc, user});
  entries_ = std::move(next);
}

bool SyncList::Remove(HSYNC handle) {
  std::lock_guard lock(mutex_);
  auto next = std::make_shared<List>(*entries_);
  if (std::erase_if(*next, [handle](const Entry& e) { return e.handle == handle; }) == 0) {
    return false;
  }
  entries_ = std::move(next);
  return true;
}

template <class Matches>
void SyncList::Fire(DWORD channel, Matches matches) {
  std::shared_ptr<const List> entries;
  {
    std::lock_guard lock(mutex_);
    entries = entries_;
  }
  for (const Entry& e : *entries) {
    if (!matches(e)) continue;
    // A one-time sync is taken out before it runs, so it cannot fire twice.
    if (e.oneTime && !Remove(e.handle)) continue;
    e.proc(e.handle, channel, 0, e.user);
  }
}

void SyncList::FireEnd(DWORD channel) {
  Fire(channel, [](const Entry& e) { return e.type == BASS_SYNC_END; });
}

void SyncList::FireFree(DWORD channel) {
  Fire(channel, [](const Entry& e) { return e.type == BASS_SYNC_FREE; });
}

void SyncList::FireEvent(DWORD channel, DWORD type) {
  Fire(channel, [type](const Entry& e) { return e.type == type; });
}

void SyncList::FirePositions(DWORD channel, QWORD fromBytes, QWORD toBytes) {
  Fire(channel, [fromBytes, toBytes](const Entry& e) {
    // A sync at 0 fires with the first block read from the start.
    const bool after = e.positionBytes > fromBytes || (fromBytes == 0 && e.positionBytes == 0);
    return e.type == BASS_SYNC_POS && after && e.positionBytes <= toBytes;
  });
}

}  // namespace audiolib
