#include "playback/playlist/TrackInfoLoader.h"

#include <filesystem>

#include "playback/medialib/TagReader.h"
#include "playback/playlist/ItemKinds.h"
#include "playback/playlist/Playlist.h"

namespace {

// Files read between two hand-overs to the main thread.
constexpr size_t batchSize = 32;

}  // namespace

TTrackInfoLoader::TTrackInfoLoader(TPlaylist& playlist, std::vector<TTrackToLoad> tracks)
    : TPxThread(true), FPlaylist(playlist), FTracks(std::move(tracks))
{
}

TTrackInfoLoader::~TTrackInfoLoader()
{
    StopAndWait();
}

std::vector<TTrackInfoLoader::TTrackToLoad> TTrackInfoLoader::TracksToLoad(const TPlaylist& playlist)
{
    std::vector<TTrackToLoad> tracks;
    for (int32_t i = 0; i < playlist.Count(); ++i) {
        const TPlaylistItem& item = playlist.Items(i);
        if (item.InfoLoaded || item.Kind != ikTrack || !IsOrdinaryFile(item.FN))
            continue;
        tracks.push_back({i, item.ItemId, item.T});
        if (tracks.back().Entry.Filename.empty())
            tracks.back().Entry.Filename = item.FN;
    }
    return tracks;
}

void TTrackInfoLoader::Execute()
{
    NameThreadForDebugging("TrackInfoLoader");
    std::vector<TLoaded> batch;
    batch.reserve(batchSize);
    for (TTrackToLoad& track : FTracks) {
        if (Terminated())
            return;
        TLoaded loaded{track.Index, track.ItemId, std::move(track.Entry), false, false};
        const std::string fileName = loaded.Entry.Filename;
        loaded.Read = ReadTrackTags(fileName, loaded.Entry).Succeeded;
        std::error_code ignored;
        loaded.Missing = !loaded.Read && !std::filesystem::exists(fileName, ignored);
        batch.push_back(std::move(loaded));
        if (batch.size() == batchSize)
            Deliver(batch);
    }
    Deliver(batch);
    Synchronize([this] {
        if (!Terminated())
            FPlaylist.InfoLoadTrackUpdated(-1);
    });
}

void TTrackInfoLoader::Deliver(std::vector<TLoaded>& batch)
{
    if (batch.empty())
        return;
    Synchronize([this, &batch] {
        for (TLoaded& loaded : batch) {
            if (Terminated())
                return;  // the playlist may have changed or gone
            TPlaylistItem* item = FPlaylist.GetItemById(loaded.ItemId);
            if (!item)
                continue;
            if (loaded.Read)
                item->T = std::move(loaded.Entry);
            if (loaded.Missing)
                item->ItemFlags.Include(TPlaylistItemFlag::ifNonExistent);
            item->InfoLoaded = true;
            const int32_t index = loaded.Index < FPlaylist.Count() && &FPlaylist.Items(loaded.Index) == item
                                      ? loaded.Index
                                      : FPlaylist.IndexOf(item);
            FPlaylist.InfoLoadTrackUpdated(index);
        }
    });
    batch.clear();
}
