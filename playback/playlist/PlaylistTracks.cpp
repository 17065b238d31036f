// Adding tracks to a playlist: one by name, or all of a folder or a list file.
#include <algorithm>

#include "playback/medialib/FolderReader.h"
#include "playback/medialib/ListFileReader.h"
#include "playback/medialib/PlaylistState.h"
#include "playback/medialib/TitleFormatter.h"
#include "playback/playlist/ItemKinds.h"
#include "playback/playlist/Playlist.h"
#include "platform/Exception.h"
#include "settings/player/Random.h"

namespace {

constexpr int32_t insertTracksChangeId = 3;

// A name given relative to the user's folder: one leading '\' dropped, '\' made '/', the folder
// put before it. Absolute names, network addresses and pseudo items stay as they are.
std::string ResolveAgainstUserDir(std::string fileName, const std::string& userDir)
{
    if (userDir.empty() || fileName.empty() || fileName[0] == '/' || fileName.find("://") != std::string::npos ||
        IsSpecialItem(fileName))
        return fileName;
    if (fileName[0] == '\\')
        fileName.erase(0, 1);
    std::replace(fileName.begin(), fileName.end(), '\\', '/');
    const bool hasDelimiter = userDir.back() == '/' || userDir.back() == '\\';
    return userDir + (hasDelimiter ? "" : "/") + fileName;
}

// Folder entries: one per audio file, only the name known.
std::vector<TPlaylistEntry> FolderEntries(const std::string& folder)
{
    std::vector<TPlaylistEntry> entries;
    for (std::string& fileName : ListAudioFilesInFolder(folder)) {
        entries.emplace_back();
        entries.back().Filename = std::move(fileName);
    }
    return entries;
}

void Shuffle(std::vector<TPlaylistEntry>& entries)
{
    for (size_t n = entries.size(); n-- > 1;)
        std::swap(entries[n], entries[static_cast<size_t>(RandomBelow(static_cast<int32_t>(n + 1)))]);
}

}  // namespace

std::unique_ptr<TPlaylistItem> TPlaylist::NewTrackItem(const std::string& fileName,
                                                       const TPlaylistAddParams& params) const
{
    auto item = std::make_unique<TPlaylistItem>();
    item->FN = fileName;
    item->T.Filename = fileName;
    item->TrackTitle = FormatTrackTitle(item->T);
    item->Scheduled = params.Scheduled;
    item->BroadcastTitle = params.BroadcastTitle;
    item->EventId = params.EventId;
    item->EventName = params.EventName;
    item->DTMFExit = params.DTMFExit;
    item->Expires = params.Expires;
    item->ExpireAction = params.ExpireAction;
    item->DurationLimit = params.DurationLimit;
    if (IsCommentItem(fileName))
        item->Kind = ikComment;
    else if (IsHourMarkerItem(fileName))
        item->Kind = ikHourMarker;
    return item;
}

TPlaylistItem& TPlaylist::AddTrack(const std::string& fileName, const TPlaylistAddParams& params)
{
    StopInfoLoad();
    auto item = NewTrackItem(fileName, params);
    TPlaylistItem& added = *item;
    if (params.Position < 0 || params.Position >= Count())
        FItems.push_back(std::move(item));
    else
        InsertOwned(std::move(item), params.Position);
    Changed(pcAddTrack);
    return added;
}

int32_t TPlaylist::InsertTracks(const std::string& fileName, TPlaylistAddParams params)
{
    StopInfoLoad();
    BeginUpdate();
    struct TEndUpdate {
        TPlaylist& playlist;
        ~TEndUpdate() { playlist.EndUpdate(insertTracksChangeId, true); }
    } endUpdate{*this};

    std::string name = params.PlaylistDirectInput ? fileName : ResolveAgainstUserDir(fileName, params.UserDir);
    std::vector<TPlaylistEntry> entries;
    if (params.IsFolder) {
        if (!name.empty() && name.back() == '/')
            params.Shuffle = true;
        entries = FolderEntries(name);
    } else if (ReadListFile(name, entries) < 0) {
        return -1;
    }
    if (params.Shuffle)
        Shuffle(entries);

    const bool listFile = !params.IsFolder;
    const int32_t start = params.Position < 0 || params.Position > Count() ? Count() : params.Position;
    const std::string givenBroadcastTitle = params.BroadcastTitle;
    for (const TPlaylistEntry& entry : entries) {
        params.BroadcastTitle = givenBroadcastTitle;
        if (params.BroadcastTitle.empty() && listFile &&
            (IsPauseItem(entry.Filename) || IsNetworkAddress(entry.Filename) || LineInputNumber(entry.Filename) > 0))
            params.BroadcastTitle = entry.Title;
        AddTrack(entry.Filename, params);
        if (params.Position != -1)
            ++params.Position;
    }
    const auto added = static_cast<int32_t>(entries.size());
    if (listFile)
        ApplyStateFile(name + ".state", start, added, params);
    return added;
}

void TPlaylist::ApplyStateFile(const std::string& stateFileName, int32_t start, int32_t added,
                               const TPlaylistAddParams& params)
{
    std::vector<TPlaylistStateItem> states;
    if (!ReadPlaylistStateFile(stateFileName, states))
        return;  // no state file, or a damaged one: the items keep their values
    const auto stateCount = static_cast<int32_t>(states.size());
    if (stateCount != added || Count() < start + stateCount)
        return;
    for (int32_t k = 0; k < stateCount; ++k) {
        if (start + k < 0 || start + k >= Count())
            throw Exception("Bounds error. LC=" + std::to_string(Count()) + " S=" + std::to_string(start) +
                            " C=" + std::to_string(added) + " QC=" + std::to_string(stateCount));
        TPlaylistItem& item = *FItems[static_cast<size_t>(start + k)];
        const TPlaylistStateItem& state = states[static_cast<size_t>(k)];
        if (params.LoadPlayed)
            item.Played = state.Played;
        if (params.LoadScheduled)
            item.Scheduled = state.Scheduled;
        item.FadeIn = state.FadeIn;
        item.FadeOut = state.FadeOut;
        item.CueIn = state.CueIn;
        item.CueOut = state.CueOut;
        item.Mix = state.Mix;
        item.Level = state.Level;
    }
}
