#include "playback/playlist/Playlist.h"

#include <algorithm>

#include "playback/playlist/ListErrors.h"
#include "playback/playlist/PlaybackController.h"
#include "playback/playlist/TrackInfoLoader.h"
#include "playback/queue/PlaybackQueue.h"
#include "platform/TickCount.h"

namespace {

constexpr size_t undoSteps = 5;
constexpr uint32_t infoLoadDelayMs = 100;

int32_t nextPlaylistId = 0;

std::vector<TPlaylist*>& Registry()
{
    static std::vector<TPlaylist*> playlists;
    return playlists;
}

}  // namespace

const std::vector<TPlaylist*>& AllPlaylists()
{
    return Registry();
}

TPlaylist::TPlaylist() : FPlaylistId(nextPlaylistId++)
{
    FInfoLoadTimer.SetEnabled(false);
    FInfoLoadTimer.SetInterval(infoLoadDelayMs);
    FInfoLoadTimer.OnTimer = [this] { InfoLoadTimerFired(); };
    Registry().push_back(this);
}

TPlaylist::~TPlaylist()
{
    FInfoLoadTimer.SetEnabled(false);
    FDestroying = true;
    StopInfoLoad();
    FInfoLoadTimer.OnTimer = nullptr;
    auto& playlists = Registry();
    playlists.erase(std::remove(playlists.begin(), playlists.end(), this), playlists.end());
}

TPlaylistItem& TPlaylist::GetPlaylistItem(int32_t index) const
{
    CheckIndex(index);
    return *FItems[static_cast<size_t>(index)];
}

void TPlaylist::CheckIndex(int32_t index) const
{
    if (index < 0 || index >= Count())
        throw EArgumentOutOfRangeException(index, Count());
}

int32_t TPlaylist::IndexOf(const TPlaylistItem* item) const
{
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].get() == item)
            return static_cast<int32_t>(i);
    return -1;
}

TPlaylistItem* TPlaylist::GetItemById(int32_t itemId) const
{
    for (const auto& item : FItems)
        if (item->ItemId == itemId)
            return item.get();
    return nullptr;
}

void TPlaylist::InsertOwned(std::unique_ptr<TPlaylistItem> item, int32_t index)
{
    FItems.insert(FItems.begin() + index, std::move(item));
}

void TPlaylist::DeleteAt(int32_t index)
{
    if (FItems[static_cast<size_t>(index)].get() == FCurrentTrack)
        SetCurrentTrack(nullptr);  // never leave the current item pointing at a freed item
    FItems.erase(FItems.begin() + index);
}

void TPlaylist::AddItem(std::unique_ptr<TPlaylistItem> item)
{
    StopInfoLoad();
    FItems.push_back(std::move(item));
    Changed(pcAddItem);
}

void TPlaylist::InsertItem(std::unique_ptr<TPlaylistItem> item, int32_t index)
{
    if (index < 0 || index > Count())
        throw EArgumentOutOfRangeException(index, Count());
    StopInfoLoad();
    InsertOwned(std::move(item), index);
    Changed(pcInsertItem);
}

void TPlaylist::Move(int32_t curIndex, int32_t newIndex)
{
    CheckIndex(curIndex);
    CheckIndex(newIndex);
    StopInfoLoad();
    auto item = std::move(FItems[static_cast<size_t>(curIndex)]);
    FItems.erase(FItems.begin() + curIndex);
    InsertOwned(std::move(item), newIndex);
    Changed(pcMove);
}

void TPlaylist::Exchange(int32_t index1, int32_t index2)
{
    CheckIndex(index1);
    CheckIndex(index2);
    StopInfoLoad();
    std::swap(FItems[static_cast<size_t>(index1)], FItems[static_cast<size_t>(index2)]);
    Changed(pcExchange);
}

void TPlaylist::Relocate(const std::vector<int32_t>& indexes, int32_t delta)
{
    if (indexes.empty() || !std::is_sorted(indexes.begin(), indexes.end()) ||
        std::adjacent_find(indexes.begin(), indexes.end()) != indexes.end())
        return;
    for (int32_t index : indexes)
        if (index < 0 || index >= Count() || index + delta < 0 || index + delta >= Count())
            return;
    StopInfoLoad();
    std::vector<std::unique_ptr<TPlaylistItem>> taken(indexes.size());
    for (size_t i = indexes.size(); i-- > 0;) {
        taken[i] = std::move(FItems[static_cast<size_t>(indexes[i])]);
        FItems.erase(FItems.begin() + indexes[i]);
    }
    for (size_t i = 0; i < indexes.size(); ++i)
        InsertOwned(std::move(taken[i]), indexes[i] + delta);
    Changed(pcRelocate);
}

int32_t TPlaylist::Remove(TPlaylistItem* item)
{
    const int32_t index = IndexOf(item);
    if (index < 0)
        return -1;
    StopInfoLoad();
    DeleteAt(index);
    Changed(pcRemove);
    return index;
}

void TPlaylist::DelTrack(int32_t index)
{
    CheckIndex(index);
    StopInfoLoad();
    DeleteAt(index);
    Changed(pcDelTrack);
}

void TPlaylist::ClearPlaylist(TPlaylistClearFlag flag)
{
    StopInfoLoad();
    const int32_t current = CurrentTrackIndex();
    if (flag == cfAll) {
        FItems.clear();
        SetCurrentTrack(nullptr);
    } else if (flag == cfAbove && current >= 0) {
        FItems.erase(FItems.begin(), FItems.begin() + current);
    } else if (flag == cfBelow && current >= 0) {
        FItems.erase(FItems.begin() + current + 1, FItems.end());
    }
    if (FPlayback && FPlayback->IsCurrentPlaylist(*this)) {
        if (FPlayback->LastStarted().Index != -1)
            FPlayback->LastStarted().Index = -2;  // the next item is searched from the start
        FPlayback->Queue().Cleanup();
    }
    Changed(pcClearPlaylist);
}

void TPlaylist::SortList(int32_t sortColumn, int32_t sortDirection, TPlaylistComparer& comparer)
{
    AddUndo();
    StopInfoLoad();
    std::stable_sort(FItems.begin(), FItems.end(), [&](const auto& left, const auto& right) {
        return comparer.Compare(sortColumn, *left, *right) * sortDirection < 0;
    });
    Changed(pcSortList);
}

void TPlaylist::AddUndo()
{
    std::vector<std::unique_ptr<TPlaylistItem>> snapshot;
    snapshot.reserve(FItems.size());
    for (const auto& item : FItems)
        snapshot.push_back(item->Clone());
    FUndoList.insert(FUndoList.begin(), std::move(snapshot));
    if (FUndoList.size() > undoSteps)
        FUndoList.resize(undoSteps);
}

void TPlaylist::Undo()
{
    if (!CanUndo())
        return;
    StopInfoLoad();
    FItems.clear();
    for (const auto& item : FUndoList.front())
        FItems.push_back(item->Clone());
    FUndoList.erase(FUndoList.begin());
    SetCurrentTrack(nullptr);
    Changed(pcUndo);
}

void TPlaylist::EndUpdate(int32_t changeId, bool changed)
{
    const int32_t before = FUpdateCount;
    if (FUpdateCount > 0)
        --FUpdateCount;
    if (before == 1 && changed) {
        DebugLog("PlaylistEndUpdate; Id=" + std::to_string(changeId));
        Changed(pcEndUpdate);
    }
}

void TPlaylist::Changed(int32_t changeId)
{
    FLastChanged = GetTickCount64();
    ++FChangeCount;
    FCurrentTrackIdx = -1;
    if (FPlayback && FPlayback->IsCurrentPlaylist(*this) && FCurrentTrack)
        FPlayback->LastStarted().Index = CurrentTrackIndex();
    if (FUpdateCount > 0 || TPlaybackController::ShutDown())
        return;
    if (OnPlaylistChange)
        OnPlaylistChange();
    if (FPlayback) {
        DebugLog("PlaylistChanged; Id=" + std::to_string(changeId));
        FPlayback->PlaylistChanged(*this);
        FPlayback->Queue().Cleanup();
    }
    LoadTrackInfo();
}

void TPlaylist::DebugLog(const std::string& text)
{
    if (FPlayback)
        FPlayback->DebugLog(text);
}

void TPlaylist::SetCurrentTrack(TPlaylistItem* item)
{
    FCurrentTrackIdx = -1;
    FCurrentTrack = item;
    if (OnCurrentTrackChanged)
        OnCurrentTrackChanged(*this);
}

int32_t TPlaylist::CurrentTrackIndex()
{
    if (FCurrentTrackIdx >= 0 && FCurrentTrackIdx < Count() &&
        FItems[static_cast<size_t>(FCurrentTrackIdx)].get() == FCurrentTrack)
        return FCurrentTrackIdx;
    FCurrentTrackIdx = FCurrentTrack ? IndexOf(FCurrentTrack) : -1;
    return FCurrentTrackIdx;
}
