#pragma once
// The items that play next, ahead of the playlist order, possibly from several playlists; the
// scheduler puts whole scheduled blocks in. A paused queue keeps its entries but offers none.
// Every change fires OnChange. Main thread only. Entries do not own their playlist or item.
#include <cstdint>
#include <functional>
#include <vector>

class TPlaylist;
class TPlaylistItem;

struct TPlaybackQueueItem {
    TPlaylist* Playlist = nullptr;
    TPlaylistItem* Item = nullptr;
    bool Scheduled = false;  // put there by AddScheduled
    // Who the entry was made for, so that Cleanup recognises a freed playlist or item even when a
    // new one took its address.
    int32_t PlaylistId = -1;
    int32_t ItemId = -1;
};

using TPlaylistList = std::vector<TPlaylist*>;

class TPlaybackQueue {
public:
    void Add(TPlaylist* playlist, TPlaylistItem* item);
    void AddFirst(TPlaylist* playlist, TPlaylistItem* item);
    // Queues the item at index of playlist, and (unless onlyFirst) the items after it of the same
    // event, all marked Scheduled; after the scheduled entries at the front when afterScheduled,
    // else at the front. Nothing for an invalid index or while paused.
    void AddScheduled(TPlaylist* playlist, int32_t index, bool afterScheduled, bool onlyFirst);
    // index may be Count(); throws EListError beyond.
    void Insert(int32_t index, const TPlaybackQueueItem& value);
    // Removes the entries of playlist for item, or all of playlist's entries when item is null.
    void Delete(const TPlaylist* playlist, const TPlaylistItem* item);
    void Delete(int32_t index);  // throws EListError for an invalid index
    void Clear();
    // The entry at index (removed when remove is true); an empty entry for an invalid index or
    // while paused.
    TPlaybackQueueItem Get(bool remove, int32_t index);
    // The entry at index even while paused; throws EListError for an invalid index.
    const TPlaybackQueueItem& GetItem(int32_t index) const;
    int32_t Count() const { return static_cast<int32_t>(FList.size()); }
    int32_t GetCount() const { return Count(); }
    bool Queued(const TPlaylist* playlist, const TPlaylistItem* item) const;
    bool QueuedScheduledOnly() const;
    bool ActiveQueue() const { return !FList.empty() && !FPauseQueue; }
    bool Pause() const { return FPauseQueue; }
    void SetPause(bool value);
    // Drops entries whose playlist no longer exists or whose item is no longer in its playlist.
    void Cleanup();

    // Hands the queue the playlists that exist; without it Cleanup asks AllPlaylists().
    std::function<void(TPlaylistList& playlists)> OnGetPlaylistList;
    std::function<void()> OnChange;

private:
    static TPlaybackQueueItem Entry(TPlaylist* playlist, TPlaylistItem* item, bool scheduled);
    bool StillExists(const TPlaybackQueueItem& entry, const TPlaylistList& playlists) const;
    void Changed();

    bool FPauseQueue = false;
    std::vector<TPlaybackQueueItem> FList;  // index 0 plays first
};
