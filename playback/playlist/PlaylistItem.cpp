#include "playback/playlist/PlaylistItem.h"

#include <atomic>
#include <filesystem>

#include "playback/playlist/ItemKinds.h"
#include "settings/format/TextCase.h"
#include "settings/player/FileTypes.h"

namespace {

std::atomic<int32_t> nextItemId{0};

// The folder of fileName with a trailing '/' (or '\' when the name uses those), "" when none.
std::string FolderWithDelimiter(const std::string& fileName)
{
    const size_t delimiter = fileName.find_last_of("/\\");
    return delimiter == std::string::npos ? std::string() : fileName.substr(0, delimiter + 1);
}

}  // namespace

TPlaylistItem::TPlaylistItem() : ItemId(nextItemId.fetch_add(1))
{
    T.Duration = -1;
}

std::unique_ptr<TPlaylistItem> TPlaylistItem::Clone() const
{
    auto clone = std::make_unique<TPlaylistItem>();
    clone->T = T;
    clone->FN = FN;
    clone->InfoLoaded = InfoLoaded;
    clone->TrackTitle = TrackTitle;
    clone->LastPlayed = LastPlayed;
    clone->Scheduled = Scheduled;
    clone->BroadcastTitle = BroadcastTitle;
    clone->CueIn = CueIn;
    clone->CueOut = CueOut;
    clone->FadeIn = FadeIn;
    clone->FadeOut = FadeOut;
    clone->Mix = Mix;
    clone->Level = Level;
    clone->Kind = Kind;
    clone->DurationLimit = DurationLimit;
    return clone;
}

int32_t TPlaylistItem::GetTrackStartPos() const
{
    if (CueIn >= 0)
        return CueIn;
    return T.CueIn >= 0 ? T.CueIn : 0;
}

int32_t TPlaylistItem::GetTrackEndPos() const
{
    if (CueOut >= 0)
        return CueOut;
    return T.CueOut >= 0 ? T.CueOut : T.Duration;
}

int32_t TPlaylistItem::GetDuration() const
{
    if (IsNetworkAddress(FN) || IsPauseItem(FN))
        return DurationFromItemName(FN);
    return GetTrackEndPos() - GetTrackStartPos();
}

std::string TPlaylistItem::GetFilename() const
{
    return NextTrackT ? NextTrackT->Filename : FN;
}

bool TPlaylistItem::HasCustomCrossfade() const
{
    return FadeIn >= 0 || FadeOut >= 0 || CueIn >= 0 || CueOut >= 0 || Mix >= 0 || Level != 0.0;
}

bool TPlaylistItem::IsVoiceTrack(const std::string& voiceTracksFolder, const TFileTypesArray* fileTypes,
                                 int32_t fileTypeIndex) const
{
    const std::string folder = FolderWithDelimiter(T.Filename);
    if (!folder.empty() && !voiceTracksFolder.empty() && SameText(folder, voiceTracksFolder))
        return true;
    if (!fileTypes || fileTypeIndex <= 1 || fileTypeIndex >= fileTypes->Count())
        return false;
    bool anyVoiceTrackType = false;
    for (int32_t i = 2; i < fileTypes->Count() && !anyVoiceTrackType; ++i)
        anyVoiceTrackType = fileTypes->Items(i).VoiceTrack();
    return anyVoiceTrackType && fileTypes->Items(fileTypeIndex).VoiceTrack();
}
