#pragma once
// A playback controller for playlist and queue tests: it owns a real queue and real options,
// answers with the items and file types a test sets, and records what the playlist tells it.
#include <string>
#include <vector>

#include "playback/playlist/PlaybackController.h"
#include "playback/playlist/Playlist.h"
#include "playback/queue/PlaybackOptions.h"
#include "playback/queue/PlaybackQueue.h"
#include "settings/player/FileTypes.h"

class TRecordingPlaybackController : public TPlaybackController {
public:
    TRecordingPlaybackController() { options.SetPlayback(this); }

    bool IsCurrentPlaylist(const TPlaylist& playlist) const override { return &playlist == currentPlaylist; }
    TPlaylistItem* CurrentItem() const override { return currentItem; }
    TPlaylistItem* NextItem() const override { return nextItem; }
    TLastStartedInfo& LastStarted() override { return lastStarted; }
    TPlaybackQueue& Queue() override { return queue; }
    TPlaybackOptions& Options() override { return options; }
    const TFileTypesArray* FileTypes() const override { return fileTypes.Count() > 0 ? &fileTypes : nullptr; }
    // An item's type: the one whose name starts the item's file name ("jingle x.mp3" -> "jingle").
    int32_t FileTypeIndexOf(const TPlaylistItem& item) const override
    {
        const std::string name = item.FN.substr(item.FN.find_last_of('/') + 1);
        for (int32_t i = 2; i < fileTypes.Count(); ++i)
            if (name.rfind(fileTypes.Items(i).Name() + " ", 0) == 0)
                return i;
        return 1;
    }
    void DebugLog(const std::string& text) override { debugLog.push_back(text); }
    void PlaylistChanged(TPlaylist&) override { ++playlistChanges; }
    void DoOnNextTrackUpdate() override { ++nextTrackUpdates; }
    void InvalidateNextTrack() override { ++nextTrackInvalidations; }

    bool Logged(const std::string& text) const
    {
        for (const std::string& line : debugLog)
            if (line == text)
                return true;
        return false;
    }

    TPlaylist* currentPlaylist = nullptr;
    TPlaylistItem* currentItem = nullptr;
    TPlaylistItem* nextItem = nullptr;
    TLastStartedInfo lastStarted;
    TPlaybackQueue queue;
    TPlaybackOptions options;
    TFileTypesArray fileTypes;
    std::vector<std::string> debugLog;
    int playlistChanges = 0;
    int nextTrackUpdates = 0;
    int nextTrackInvalidations = 0;
};
