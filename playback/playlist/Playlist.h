#pragma once
// A playlist: an ordered, owning list of items with a current item, change notification with
// batching (BeginUpdate/EndUpdate), a five-step undo, insertion of folders and list files,
// scheduled blocks, hour-marker items and a background loader that fills in the items' tags.
// Every playlist is in the process-wide list AllPlaylists() while it exists.
//
// Main thread only. The loader thread reads tags on its own thread and hands them over on the
// main thread; every structural change stops it first, so it never sees a list being changed.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "playback/playlist/PlaylistItem.h"
#include "platform/TimerComponent.h"

class TPlaybackController;
class TTrackInfoLoader;

enum TPlaylistInfoLoadState : int32_t { lsLoading = 0, lsLoaded = 1, lsDone = 2, lsNeedUpdate = 3 };
enum TPlaylistClearFlag : int32_t { cfAll = 0, cfAbove = 1, cfBelow = 2 };
enum TScheduledTracksType : int32_t { stAll = 0, stPlayed = 1 };

// Change ids passed to the change routine (and written to the debug log).
enum TPlaylistChangeId : int32_t {
    pcAddItem = 1, pcAddTrack = 2, pcMove = 3, pcRelocate = 4, pcRemove = 5, pcClearPlaylist = 6,
    pcDelTrack = 7, pcEndUpdate = 8, pcExchange = 9, pcInsertItem = 10, pcSortList = 11, pcUndo = 12,
};

struct TPlaylistAddParams {
    int32_t Position = -1;  // -1 appends
    bool Shuffle = false;
    bool IsFolder = false;
    bool Scheduled = false;
    std::string BroadcastTitle;
    std::string UserDir;     // folder that relative names are taken from
    bool LoadScheduled = false;  // lfLoadScheduled: take Scheduled from a list's state file
    bool LoadPlayed = false;     // lfLoadPlayed: take Played from a list's state file
    int32_t EventId = 0;
    std::string EventName;
    int32_t DurationLimit = 0;  // ms
    std::string DTMFExit;
    TDateTime Expires = 0.0;
    int32_t ExpireAction = 0;
    bool PlaylistDirectInput = false;  // the name is used as given (no UserDir)
};

struct TScheduleDelRes {
    int32_t DeletedBeforePlaying = 0;
    bool PlayingDeleted = false;
};

struct TPlaylistScheduleCheckData {
    bool HasScheduledTracks = false;
    bool HasAnyScheduledTracks = false;
    bool HasExpirationTracks = false;
    uint64_t TS = 0;  // the LastChanged tick the values belong to
};

// Orders two items for SortList by a column; negative, 0 or positive.
class TPlaylistComparer {
public:
    virtual ~TPlaylistComparer() = default;
    virtual int32_t Compare(int32_t sortColumn, const TPlaylistItem& left, const TPlaylistItem& right) = 0;
};

class TPlaylist {
public:
    TPlaylist();
    ~TPlaylist();
    TPlaylist(const TPlaylist&) = delete;
    TPlaylist& operator=(const TPlaylist&) = delete;

    int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
    // Throws EArgumentOutOfRangeException for an index outside 0..Count()-1.
    TPlaylistItem& GetPlaylistItem(int32_t index) const;
    TPlaylistItem& Items(int32_t index) const { return GetPlaylistItem(index); }
    int32_t IndexOf(const TPlaylistItem* item) const;  // -1 when not in the list
    TPlaylistItem* GetItemById(int32_t itemId) const;   // null when none

    // Structural changes; each stops a running tag load and ends with the change routine.
    void AddItem(std::unique_ptr<TPlaylistItem> item);
    TPlaylistItem& AddTrack(const std::string& fileName, const TPlaylistAddParams& params);
    // index may be Count() (append); throws EArgumentOutOfRangeException beyond.
    void InsertItem(std::unique_ptr<TPlaylistItem> item, int32_t index);
    // Adds a folder's audio files or a list file's entries; the number added, or -1 (nothing added)
    // when the list file cannot be read.
    int32_t InsertTracks(const std::string& fileName, TPlaylistAddParams params);
    void Move(int32_t curIndex, int32_t newIndex);
    void Exchange(int32_t index1, int32_t index2);
    // Moves the items at the ascending indexes by delta; nothing when any would leave the list.
    void Relocate(const std::vector<int32_t>& indexes, int32_t delta);
    // Deletes the item; its former index, or -1 when it is not in the list.
    int32_t Remove(TPlaylistItem* item);
    void DelTrack(int32_t index);
    void ClearPlaylist(TPlaylistClearFlag flag);
    TScheduleDelRes ClearScheduledTracks(TScheduledTracksType type);
    bool RemovePlayedTrack();
    void ResetSchedulerExpires(int32_t start);
    bool CheckHasUnplayedScheduledTracks();
    // The next playable index from index in steps of delta, -1 when none. lastProbed (optional)
    // receives the last index looked at.
    int32_t GetNextPlayableIndex(int32_t index, int32_t delta, int32_t* lastProbed = nullptr);
    // sortDirection 1 ascending, -1 descending; an undo snapshot is taken first.
    void SortList(int32_t sortColumn, int32_t sortDirection, TPlaylistComparer& comparer);

    void AddUndo();
    void Undo();
    bool CanUndo() const { return !FUndoList.empty(); }

    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate(int32_t changeId, bool changed);

    // Starts the tag loader 100 ms from now (on the main loop).
    void LoadTrackInfo();
    // From the loader, on the main thread: index was updated, or -1 when the load finished.
    void InfoLoadTrackUpdated(int32_t index);
    void SetInfoLoadStateDone(bool always);
    void SetInfoLoadStateNeedUpdate(bool force);

    // Brings the hour-marker items in line with the items' start times (or removes them when
    // HourMarkers is off).
    void UpdateHourMarkers();

    TPlaybackController* Playback() const { return FPlayback; }
    void SetPlayback(TPlaybackController* playback) { FPlayback = playback; }
    TPlaylistItem* CurrentTrack() const { return FCurrentTrack; }
    void SetCurrentTrack(TPlaylistItem* item);
    int32_t CurrentTrackIndex();
    const TPlaylistScheduleCheckData& ScheduleCheckData() const { return FScheduleCheck; }
    uint64_t LastChanged() const { return FLastChanged; }
    bool QueueMode() const { return FQueueMode; }
    void SetQueueMode(bool value) { FQueueMode = value; }
    bool HourMarkers() const { return FHourMarkers; }
    void SetHourMarkers(bool value);
    int32_t LastUpdatedTrackIdx() const { return FLastUpdatedTrackIdx; }
    TPlaylistInfoLoadState InfoLoadState() const { return FInfoLoadState; }
    bool SkipUpdateHourMarkers() const { return FSkipUpdateHourMarkers; }
    void SetSkipUpdateHourMarkers(bool value);
    int64_t RemainingPlaybackTime() const { return FRemainingPlaybackTime; }
    void SetRemainingPlaybackTime(int64_t value) { FRemainingPlaybackTime = value; }
    int32_t PlaylistId() const { return FPlaylistId; }

    std::function<void()> OnPlaylistChange;
    std::function<void(uint32_t index)> OnTrackInfoUpdated;
    std::function<void(TPlaylist& sender)> OnCurrentTrackChanged;
    std::function<void()> OnPlaylistUpdated;  // fired by the controller when displayed values change
    std::function<void(TPlaylist& sender)> OnTracksInfoLoaded;

private:
    void Changed(int32_t changeId);
    void DebugLog(const std::string& text);
    void StopInfoLoad();
    void InfoLoadTimerFired();
    void StartInfoLoad();
    void CheckIndex(int32_t index) const;
    std::unique_ptr<TPlaylistItem> NewTrackItem(const std::string& fileName, const TPlaylistAddParams& params) const;
    void InsertOwned(std::unique_ptr<TPlaylistItem> item, int32_t index);
    void DeleteAt(int32_t index);
    bool ItemIsSkipped(int32_t index);
    void ApplyStateFile(const std::string& listFileName, int32_t start, int32_t added,
                        const TPlaylistAddParams& params);
    TScheduleDelRes DeleteScheduledItems(const std::function<bool(const TPlaylistItem&)>& shouldDelete,
                                         bool& deleted);
    bool HourMarkersValid() const;
    bool DeleteHourMarkers();
    void InsertHourMarkers();

    std::vector<std::unique_ptr<TPlaylistItem>> FItems;
    TTimer FInfoLoadTimer;
    bool FInInfoLoadTimer = false;
    int32_t FUpdateCount = 0;
    std::unique_ptr<TTrackInfoLoader> FInfoLoadThrd;
    TPlaylistItem* FCurrentTrack = nullptr;
    int32_t FCurrentTrackIdx = -1;
    int32_t FLastUpdatedTrackIdx = -1;
    TPlaylistInfoLoadState FInfoLoadState = lsDone;
    std::vector<std::vector<std::unique_ptr<TPlaylistItem>>> FUndoList;  // newest first
    TPlaybackController* FPlayback = nullptr;
    TPlaylistScheduleCheckData FScheduleCheck;
    uint64_t FLastChanged = 0;
    // Changes counted so that the scheduled-items cache also sees two changes in one millisecond.
    uint64_t FChangeCount = 0;
    uint64_t FScheduleCheckChangeCount = UINT64_MAX;
    bool FDestroying = false;
    uint64_t FLastHourMarkerInsert = 0;
    int32_t FMarkerInsertCallCount = 0;
    bool FSkipUpdateHourMarkers = false;
    bool FQueueMode = false;
    int32_t FPlaylistId;
    bool FHourMarkers = false;
    int64_t FRemainingPlaybackTime = 0;
};

// Every playlist that exists, in creation order. Main thread only.
const std::vector<TPlaylist*>& AllPlaylists();
