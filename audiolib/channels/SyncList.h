// The syncs set on one channel: procedures called when it reaches a position, ends or is freed.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "audiolib/audiolib.h"

namespace audiolib {

// Add and Remove may be called from any thread, also from inside a sync procedure. The Fire calls
// run on the channel's reader (position, end) or on the freeing thread (free), taking only a short
// lock to pick up the current list; a one-time sync is removed once it has fired.
class SyncList {
 public:
  SyncList();

  // `type` is BASS_SYNC_POS, BASS_SYNC_END, BASS_SYNC_FREE, BASS_SYNC_META or BASS_SYNC_OGG_CHANGE
  // (the last two fired by streams that have such events), optionally with BASS_SYNC_ONETIME and
  // BASS_SYNC_MIXTIME (every sync runs in the reading thread anyway). `positionBytes` is the
  // position of a BASS_SYNC_POS sync.
  void Add(HSYNC handle, DWORD type, QWORD positionBytes, SYNCPROC* proc, void* user);
  bool Remove(HSYNC handle);
  static bool IsSupportedType(DWORD type);

  void FireEnd(DWORD channel);
  void FireFree(DWORD channel);
  // Fires the syncs of an event type without a position (BASS_SYNC_META, BASS_SYNC_OGG_CHANGE).
  void FireEvent(DWORD channel, DWORD type);
  // Fires position syncs in (fromBytes, toBytes].
  void FirePositions(DWORD channel, QWORD fromBytes, QWORD toBytes);

 private:
  struct Entry {
    HSYNC handle;
    DWORD type;  // without the modifier bits
    bool oneTime;
    QWORD positionBytes;
    SYNCPROC* proc;
    void* user;
  };
  using List = std::vector<Entry>;

  template <class Matches>
  void Fire(DWORD channel, Matches matches);

  mutable std::mutex mutex_;
  std::shared_ptr<const List> entries_;
};

}  // namespace audiolib
