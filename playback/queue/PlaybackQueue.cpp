#include "playback/queue/PlaybackQueue.h"

#include <algorithm>

#include "playback/playlist/ListErrors.h"
#include "playback/playlist/Playlist.h"

TPlaybackQueueItem TPlaybackQueue::Entry(TPlaylist* playlist, TPlaylistItem* item, bool scheduled)
{
    TPlaybackQueueItem entry;
    entry.Playlist = playlist;
    entry.Item = item;
    entry.Scheduled = scheduled;
    entry.PlaylistId = playlist ? playlist->PlaylistId() : -1;
    entry.ItemId = item ? item->ItemId : -1;
    return entry;
}

void TPlaybackQueue::Changed()
{
    if (OnChange)
        OnChange();
}

void TPlaybackQueue::Add(TPlaylist* playlist, TPlaylistItem* item)
{
    FList.push_back(Entry(playlist, item, false));
    Changed();
}

void TPlaybackQueue::AddFirst(TPlaylist* playlist, TPlaylistItem* item)
{
    FList.insert(FList.begin(), Entry(playlist, item, false));
    Changed();
}

void TPlaybackQueue::AddScheduled(TPlaylist* playlist, int32_t index, bool afterScheduled, bool onlyFirst)
{
    if (!playlist || index < 0 || index >= playlist->Count() || FPauseQueue)
        return;
    size_t position = 0;
    if (afterScheduled)
        while (position < FList.size() && FList[position].Scheduled)
            ++position;
    int32_t last = index;
    if (!onlyFirst) {
        const int32_t eventId = playlist->Items(index).EventId;
        while (last + 1 < playlist->Count() && playlist->Items(last + 1).EventId == eventId)
            ++last;
    }
    for (int32_t i = index; i <= last; ++i, ++position)
        FList.insert(FList.begin() + static_cast<std::ptrdiff_t>(position), Entry(playlist, &playlist->Items(i), true));
    Changed();
}

void TPlaybackQueue::Insert(int32_t index, const TPlaybackQueueItem& value)
{
    if (index < 0 || index > Count())
        throw EListError(index);
    FList.insert(FList.begin() + index, Entry(value.Playlist, value.Item, value.Scheduled));
    Changed();
}

void TPlaybackQueue::Delete(const TPlaylist* playlist, const TPlaylistItem* item)
{
    const size_t before = FList.size();
    std::erase_if(FList, [&](const TPlaybackQueueItem& entry) {
        return entry.Playlist == playlist && (!item || entry.Item == item);
    });
    if (FList.size() != before)
        Changed();
}

void TPlaybackQueue::Delete(int32_t index)
{
    if (index < 0 || index >= Count())
        throw EListError(index);
    FList.erase(FList.begin() + index);
    Changed();
}

void TPlaybackQueue::Clear()
{
    FList.clear();
    Changed();
}

TPlaybackQueueItem TPlaybackQueue::Get(bool remove, int32_t index)
{
    if (index < 0 || index >= Count() || FPauseQueue)
        return {};
    TPlaybackQueueItem entry = FList[static_cast<size_t>(index)];
    if (remove) {
        FList.erase(FList.begin() + index);
        Changed();
    }
    return entry;
}

const TPlaybackQueueItem& TPlaybackQueue::GetItem(int32_t index) const
{
    if (index < 0 || index >= Count())
        throw EListError(index);
    return FList[static_cast<size_t>(index)];
}

bool TPlaybackQueue::Queued(const TPlaylist* playlist, const TPlaylistItem* item) const
{
    return std::any_of(FList.begin(), FList.end(), [&](const TPlaybackQueueItem& entry) {
        return entry.Playlist == playlist && entry.Item == item;
    });
}

bool TPlaybackQueue::QueuedScheduledOnly() const
{
    return !FList.empty() &&
           std::all_of(FList.begin(), FList.end(), [](const TPlaybackQueueItem& entry) { return entry.Scheduled; });
}

void TPlaybackQueue::SetPause(bool value)
{
    FPauseQueue = value;
    Changed();
}

bool TPlaybackQueue::StillExists(const TPlaybackQueueItem& entry, const TPlaylistList& playlists) const
{
    const bool playlistExists = std::find(playlists.begin(), playlists.end(), entry.Playlist) != playlists.end() &&
                                entry.Playlist->PlaylistId() == entry.PlaylistId;
    return playlistExists && entry.Playlist->GetItemById(entry.ItemId) == entry.Item;
}

void TPlaybackQueue::Cleanup()
{
    if (FList.empty())
        return;
    TPlaylistList playlists;
    if (OnGetPlaylistList)
        OnGetPlaylistList(playlists);
    else
        playlists = AllPlaylists();
    const size_t before = FList.size();
    for (size_t i = FList.size(); i-- > 0;)
        if (!StillExists(FList[i], playlists))
            FList.erase(FList.begin() + static_cast<std::ptrdiff_t>(i));
    if (FList.size() != before)
        Changed();
}
