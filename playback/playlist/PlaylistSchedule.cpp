// Scheduled blocks, played items and the search for the next playable item.
#include <set>

#include "playback/playlist/PlaybackController.h"
#include "playback/playlist/Playlist.h"
#include "playback/queue/PlaybackOptions.h"
#include "playback/queue/PlaybackQueue.h"
#include "settings/format/TextCase.h"
#include "settings/player/FileTypes.h"

namespace {

constexpr int32_t clearScheduledChangeId = 2;
constexpr int32_t removePlayedChangeId = 7;

bool ListHasName(const TStringList& names, const std::string& name)
{
    for (int i = 0; i < names.Count(); ++i)
        if (SameText(names.Strings(i), name))
            return true;
    return false;
}

// The file type at index, or null outside the array.
const TPlFileType* FileTypeAt(const TFileTypesArray* fileTypes, int32_t index)
{
    return fileTypes && index >= 0 && index < fileTypes->Count() ? &fileTypes->Items(index) : nullptr;
}

}  // namespace

TScheduleDelRes TPlaylist::DeleteScheduledItems(const std::function<bool(const TPlaylistItem&)>& shouldDelete,
                                                bool& deleted)
{
    TScheduleDelRes result;
    int32_t deletedCount = 0;
    const bool currentPlaylist = FPlayback && FPlayback->IsCurrentPlaylist(*this);
    for (int32_t i = 0; i < Count();) {
        const TPlaylistItem& item = *FItems[static_cast<size_t>(i)];
        if (!item.Scheduled || !shouldDelete(item)) {
            ++i;
            continue;
        }
        if (&item == FCurrentTrack) {
            result.DeletedBeforePlaying = deletedCount;
            result.PlayingDeleted = true;
        }
        if (currentPlaylist && FPlayback->LastStarted().Index >= i)
            --FPlayback->LastStarted().Index;
        DeleteAt(i);
        ++deletedCount;
        deleted = true;
    }
    return result;
}

TScheduleDelRes TPlaylist::ClearScheduledTracks(TScheduledTracksType type)
{
    StopInfoLoad();
    BeginUpdate();
    bool deleted = false;
    TScheduleDelRes result;
    if (type == stAll) {
        result = DeleteScheduledItems([](const TPlaylistItem&) { return true; }, deleted);
    } else {
        // An event is finished when none of its scheduled items is current or still to play.
        std::set<int32_t> events;
        std::set<int32_t> unfinished;
        for (const auto& item : FItems) {
            if (!item->Scheduled)
                continue;
            events.insert(item->EventId);
            if (item.get() == FCurrentTrack || (!item->Played && item->Playable()))
                unfinished.insert(item->EventId);
        }
        if (events.size() > unfinished.size())
            result = DeleteScheduledItems(
                [&unfinished](const TPlaylistItem& item) {
                    return unfinished.count(item.EventId) == 0 && (item.Played || !item.Playable());
                },
                deleted);
    }
    EndUpdate(clearScheduledChangeId, deleted);
    return result;
}

bool TPlaylist::RemovePlayedTrack()
{
    if (!FPlayback || !FQueueMode || FPlayback->Options().RepeatList())
        return false;
    const TLastStartedInfo& lastStarted = FPlayback->LastStarted();
    TPlaylistItem* played = lastStarted.OriginalItem;
    int32_t playedIndex = lastStarted.OriginalIndex;
    if (playedIndex < 0 || playedIndex >= Count() || FItems[static_cast<size_t>(playedIndex)].get() != played)
        playedIndex = IndexOf(played);
    if (playedIndex < 0 || !played->Played || played == FCurrentTrack || played == FPlayback->NextItem())
        return false;

    int32_t from = playedIndex;
    if (!FPlayback->Options().Shuffle())
        from = std::min(CurrentTrackIndex() - 1, Count() - 1);
    StopInfoLoad();
    BeginUpdate();
    bool deleted = false;
    for (int32_t i = from; i >= playedIndex; --i) {
        TPlaylistItem& item = *FItems[static_cast<size_t>(i)];
        const bool candidate = &item == played || item.ItemFlags.Contains(TPlaylistItemFlag::ifSkippedOnNext);
        if (candidate && !FPlayback->Queue().Queued(this, &item)) {
            DeleteAt(i);
            deleted = true;
        }
    }
    EndUpdate(removePlayedChangeId, deleted);
    return deleted;
}

void TPlaylist::ResetSchedulerExpires(int32_t start)
{
    if (start == -1)
        start = CurrentTrackIndex();
    if (start < 0 || start >= Count())
        return;
    const TDateTime expires = FItems[static_cast<size_t>(start)]->Expires;
    if (expires <= 0)
        return;
    for (int32_t i = start; i < Count() && FItems[static_cast<size_t>(i)]->Expires == expires; ++i)
        FItems[static_cast<size_t>(i)]->Expires = 0;
}

bool TPlaylist::CheckHasUnplayedScheduledTracks()
{
    if (FScheduleCheckChangeCount == FChangeCount)
        return FScheduleCheck.HasScheduledTracks;
    FScheduleCheck = TPlaylistScheduleCheckData{};
    for (const auto& item : FItems) {
        FScheduleCheck.HasScheduledTracks |= item->Scheduled && !item->Played;
        FScheduleCheck.HasAnyScheduledTracks |= item->Scheduled;
        FScheduleCheck.HasExpirationTracks |= item->Expires != 0;
        if (FScheduleCheck.HasScheduledTracks && FScheduleCheck.HasAnyScheduledTracks &&
            FScheduleCheck.HasExpirationTracks)
            break;
    }
    FScheduleCheck.TS = FLastChanged;
    FScheduleCheckChangeCount = FChangeCount;
    return FScheduleCheck.HasScheduledTracks;
}

int32_t TPlaylist::GetNextPlayableIndex(int32_t index, int32_t delta, int32_t* lastProbed)
{
    const bool fromCurrent = delta == 1 && FPlayback && index >= 0 && index < Count() &&
                             FItems[static_cast<size_t>(index)].get() == FPlayback->CurrentItem();
    for (;;) {
        index += delta;
        if (lastProbed)
            *lastProbed = index;
        if (index < 0 || index >= Count() || delta == 0)
            return -1;
        TPlaylistItem& item = *FItems[static_cast<size_t>(index)];
        const bool skipped = fromCurrent && ItemIsSkipped(index);
        if (skipped)
            item.ItemFlags.Include(TPlaylistItemFlag::ifSkippedOnNext);
        if (!item.Playable() || skipped)
            continue;
        item.ItemFlags.Exclude(TPlaylistItemFlag::ifSkippedOnNext);
        return index;
    }
}

bool TPlaylist::ItemIsSkipped(int32_t index)
{
    const TPlaylistItem* current = FPlayback ? FPlayback->CurrentItem() : nullptr;
    if (!current)
        return false;
    const TFileTypesArray* fileTypes = FPlayback->FileTypes();
    const TPlaylistItem& item = *FItems[static_cast<size_t>(index)];
    const int32_t currentTypeIndex = FPlayback->FileTypeIndexOf(*current);
    const TPlFileType* currentType = FileTypeAt(fileTypes, currentTypeIndex);
    const TPlFileType* type = FileTypeAt(fileTypes, FPlayback->FileTypeIndexOf(item));
    if (!type)
        return false;
    const bool repeatTrack = FPlayback->Options().RepeatTrack();
    if (current->Scheduled && type->SkipAfterScheduled() && !item.Scheduled) {
        DebugLog("ItemIsSkipped = 1 (scheduled)");
        return true;
    }
    if (type->SkipAfterFileTypes() && currentTypeIndex > 1 && currentType &&
        ListHasName(type->SkipFTList(), currentType->Name()) && !repeatTrack) {
        DebugLog("ItemIsSkipped = 1 (after FT)");
        return true;
    }
    if (type->SkipBeforeFileTypes() && index + 1 < Count()) {
        const int32_t followingTypeIndex = FPlayback->FileTypeIndexOf(*FItems[static_cast<size_t>(index + 1)]);
        const TPlFileType* followingType = FileTypeAt(fileTypes, followingTypeIndex);
        if (followingTypeIndex >= 2 && followingType && ListHasName(type->SkipBeforeFTList(), followingType->Name()) &&
            !repeatTrack) {
            DebugLog("ItemIsSkipped = 1 (before FT)");
            return true;
        }
    }
    return false;
}
