#pragma once
// What playlists, the playback queue and the playback options ask of the playback controller that
// plays from them. The controller implements it; a playlist without a controller works on its own
// (no debug log, no skip rules, no queue clean-up). Main thread only.
#include <cstdint>
#include <string>

class TFileTypesArray;
class TPlaybackOptions;
class TPlaybackQueue;
class TPlaylist;
class TPlaylistItem;

// The item the controller started last and where it was.
struct TLastStartedInfo {
    int32_t Index = -1;  // in the current playlist; -1 none, -2 search the next item from the start
    TPlaylistItem* OriginalItem = nullptr;
    int32_t OriginalIndex = -1;
};

class TPlaybackController {
public:
    virtual ~TPlaybackController() = default;

    virtual bool IsCurrentPlaylist(const TPlaylist& playlist) const = 0;
    virtual TPlaylistItem* CurrentItem() const = 0;  // the item playing now, or null
    virtual TPlaylistItem* NextItem() const = 0;     // the item chosen to play next, or null
    virtual TLastStartedInfo& LastStarted() = 0;
    virtual TPlaybackQueue& Queue() = 0;
    virtual TPlaybackOptions& Options() = 0;

    // The file types of the profile (null when it has none) and the index of an item's type in
    // them (1, the default type, when no other fits).
    virtual const TFileTypesArray* FileTypes() const = 0;
    virtual int32_t FileTypeIndexOf(const TPlaylistItem& item) const = 0;

    // The controller's debug log (a no-op while it is switched off).
    virtual void DebugLog(const std::string& text) = 0;
    // A playlist's structure changed.
    virtual void PlaylistChanged(TPlaylist& playlist) = 0;
    // The next item's tag information was updated.
    virtual void DoOnNextTrackUpdate() = 0;
    // An option that decides the next item changed.
    virtual void InvalidateNextTrack() = 0;

    // Set by the controller class when the process shuts playback down: playlists then stop
    // notifying and loading.
    static bool ShutDown() { return FShutDown; }
    static void SetShutDown(bool value) { FShutDown = value; }

private:
    static inline bool FShutDown = false;
};
