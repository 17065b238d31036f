#pragma once
// One item of a playlist: a file name (or a pseudo name for special content, see ItemKinds.h) with
// its tag data and its per-item overrides. Main thread only. Times and marks are milliseconds,
// -1 meaning not set; start times are TDateTime values, -1.0 meaning not known.
#include <cstdint>
#include <memory>
#include <string>

#include "playback/playlist/PlaylistEntry.h"
#include "settings/format/DateTime.h"

class TFileTypesArray;

enum class TPlaylistItemFlag : uint8_t { ifDuplicate = 1, ifNonExistent = 2, ifSkippedOnNext = 4 };

// A set of TPlaylistItemFlag values.
class TPlaylistItemFlags {
public:
    bool Contains(TPlaylistItemFlag flag) const { return (FBits & static_cast<uint8_t>(flag)) != 0; }
    void Include(TPlaylistItemFlag flag) { FBits |= static_cast<uint8_t>(flag); }
    void Exclude(TPlaylistItemFlag flag) { FBits &= static_cast<uint8_t>(~static_cast<uint8_t>(flag)); }
    bool Empty() const { return FBits == 0; }

private:
    uint8_t FBits = 0;
};

enum TPlaylistItemKind : int32_t { ikTrack = 0, ikComment = 1, ikSkipTrack = 2, ikHourMarker = 3 };

class TPlaylistItem {
public:
    // A new item takes the next id of the process-wide item counter (0, 1, 2, ...).
    TPlaylistItem();
    TPlaylistItem(const TPlaylistItem&) = delete;
    TPlaylistItem& operator=(const TPlaylistItem&) = delete;

    // A new item (with a new ItemId) carrying the tag data, name, title, last play, schedule flag,
    // broadcast title, mark overrides, level, kind and duration budget; the rest as new.
    std::unique_ptr<TPlaylistItem> Clone() const;
    void FreeNextTrackT() { NextTrackT.reset(); }

    bool Playable() const { return Kind == ikTrack; }
    int32_t GetTrackStartPos() const;  // ms
    int32_t GetTrackEndPos() const;    // ms
    // For a network address or a pause item the duration written in its name; otherwise the span
    // between start and end position. ms.
    int32_t GetDuration() const;
    // The chosen track's file name when one was chosen for this item, else FN.
    std::string GetFilename() const;
    bool HasCustomCrossfade() const;
    // Whether the item is a voice track: its folder is voiceTracksFolder (ignoring case); else,
    // with file types, when its file type (index fileTypeIndex, 1 being the default type) is one
    // from index 2 on that has VoiceTrack set.
    bool IsVoiceTrack(const std::string& voiceTracksFolder, const TFileTypesArray* fileTypes,
                      int32_t fileTypeIndex) const;

    TPlaylistEntry T;
    std::unique_ptr<TPlaylistEntry> NextTrackT;  // entry of the track chosen for this item
    std::string FN;
    int32_t ItemId;
    bool InfoLoaded = false;
    std::string TrackTitle;
    TDateTime StartTime = -1.0;
    bool KeepStartTime = false;
    TDateTime TempStartTime = -1.0;
    TDateTime LastPlayed = 0.0;
    int32_t Listeners = -1;
    bool Played = false;
    bool Scheduled = false;
    int32_t EventId = 0;
    std::string EventName;
    int32_t DurationLimit = 0;  // ms, 0 none
    std::string DTMFExit;
    std::string BroadcastTitle;
    TDateTime Expires = 0.0;    // 0 none
    int32_t ExpireAction = 0;
    int32_t CueIn = -1, FadeIn = -1, FadeOut = -1, CueOut = -1, Mix = -1;
    int32_t FadeInFixed = -1, FadeOutFixed = -1;
    double Level = 0.0;  // dB
    TPlaylistItemFlags ItemFlags;
    TPlaylistItemKind Kind = ikTrack;
    int32_t User = -1;  // host value; the hour of an hour marker
};
