// Loading the items' tag information in the background.
#include "playback/medialib/TitleFormatter.h"
#include "playback/playlist/PlaybackController.h"
#include "playback/playlist/Playlist.h"
#include "playback/playlist/TrackInfoLoader.h"

void TPlaylist::LoadTrackInfo()
{
    FInfoLoadTimer.SetEnabled(true);
}

void TPlaylist::InfoLoadTimerFired()
{
    if (FInInfoLoadTimer || !FInfoLoadTimer.Enabled())
        return;
    FInInfoLoadTimer = true;
    FInfoLoadTimer.SetEnabled(false);
    StartInfoLoad();
    FInInfoLoadTimer = false;
}

void TPlaylist::StartInfoLoad()
{
    DebugLog("DoStartInfoLoad[PLid=" + std::to_string(FPlaylistId) + "]");
    if (TPlaybackController::ShutDown())
        return;
    StopInfoLoad();
    FInfoLoadState = lsLoading;
    auto loader = std::make_unique<TTrackInfoLoader>(*this, TTrackInfoLoader::TracksToLoad(*this));
    loader->Start();
    FInfoLoadThrd = std::move(loader);
}

void TPlaylist::StopInfoLoad()
{
    FInfoLoadTimer.SetEnabled(false);
    if (!FInfoLoadThrd)
        return;
    DebugLog("StopInfoLoad[PLid=" + std::to_string(FPlaylistId) + "]");
    FreeThreadInBackground(std::move(FInfoLoadThrd), -1);
}

void TPlaylist::InfoLoadTrackUpdated(int32_t index)
{
    if (FDestroying || TPlaybackController::ShutDown())
        return;
    if (index == -1) {
        FInfoLoadState = lsLoaded;
        FLastUpdatedTrackIdx = -1;
        if (OnTracksInfoLoaded)
            OnTracksInfoLoaded(*this);
        return;
    }
    if (index < 0 || index >= Count())
        return;
    FLastUpdatedTrackIdx = index;
    TPlaylistItem& item = *FItems[static_cast<size_t>(index)];
    item.TrackTitle = FormatTrackTitle(item.T);
    if (OnTrackInfoUpdated)
        OnTrackInfoUpdated(static_cast<uint32_t>(index));
    if (FPlayback && &item == FPlayback->NextItem()) {
        DebugLog("NextTrack Info Update[" + std::to_string(index) + "," + std::to_string(item.ItemId) + "]");
        FPlayback->DoOnNextTrackUpdate();
    }
}

void TPlaylist::SetInfoLoadStateDone(bool always)
{
    if (always || FInfoLoadState == lsLoaded)
        FInfoLoadState = lsDone;
}

void TPlaylist::SetInfoLoadStateNeedUpdate(bool force)
{
    if (force || FInfoLoadState == lsDone)
        FInfoLoadState = lsNeedUpdate;
}
