#pragma once
// Reads the tags of a playlist's tracks on its own thread and hands them to the playlist on the
// main thread, a batch at a time; then reports the end (InfoLoadTrackUpdated(-1)).
//
// The playlist stops it (FreeThreadInBackground) before every change and before it is freed: once
// terminated the loader never touches the playlist again, so the playlist may change or go while
// the loader still finishes a file.
#include <cstdint>
#include <string>
#include <vector>

#include "playback/playlist/PlaylistEntry.h"
#include "runtime/px_thread.h"

class TPlaylist;

class TTrackInfoLoader : public TPxThread {
public:
    struct TTrackToLoad {
        int32_t Index;          // in the playlist when the load started
        int32_t ItemId;
        TPlaylistEntry Entry;   // the item's tag data; the tags read go into a copy of it
    };

    // Created suspended; Start it. Main thread.
    TTrackInfoLoader(TPlaylist& playlist, std::vector<TTrackToLoad> tracks);
    ~TTrackInfoLoader() override;

    // The tracks of playlist whose tags are to be read: items not loaded yet that play from a file
    // of their own.
    static std::vector<TTrackToLoad> TracksToLoad(const TPlaylist& playlist);

protected:
    void Execute() override;

private:
    struct TLoaded {
        int32_t Index;
        int32_t ItemId;
        TPlaylistEntry Entry;
        bool Read;     // the tags were read
        bool Missing;  // the file does not exist
    };
    void Deliver(std::vector<TLoaded>& batch);

    TPlaylist& FPlaylist;
    std::vector<TTrackToLoad> FTracks;
};
