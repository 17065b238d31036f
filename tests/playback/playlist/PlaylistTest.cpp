#include "playback/playlist/Playlist.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "AudioFixtures.h"
#include "RecordingPlaybackController.h"
#include "playback/medialib/PlaylistState.h"
#include "playback/playlist/ListErrors.h"
#include "platform/MainThreadFixture.h"

namespace {

class PlaylistTest : public MainThreadFixture {
protected:
    void SetUp() override
    {
        MainThreadFixture::SetUp();
        playlist = std::make_unique<TPlaylist>();
        playlist->OnPlaylistChange = [this] { ++changes; };
    }
    void TearDown() override
    {
        playlist.reset();
        MainThreadFixture::TearDown();
    }

    // Items "a", "b", ... added without notifications.
    void AddNamed(const std::string& names)
    {
        playlist->BeginUpdate();
        for (char name : names)
            playlist->AddTrack(std::string(1, name), {});
        playlist->EndUpdate(0, false);
    }
    std::string Names() const
    {
        std::string names;
        for (int32_t i = 0; i < playlist->Count(); ++i)
            names += playlist->Items(i).FN;
        return names;
    }

    TRecordingPlaybackController controller;  // outlives the playlist, which may point at it
    std::unique_ptr<TPlaylist> playlist;
    int changes = 0;
};

TEST_F(PlaylistTest, ChangesNotifyOnceAndABatchNotifiesOnceAtItsEnd)
{
    playlist->AddTrack("a", {});
    EXPECT_EQ(changes, 1);
    playlist->BeginUpdate();
    playlist->BeginUpdate();
    playlist->AddTrack("b", {});
    playlist->AddTrack("c", {});
    playlist->EndUpdate(3, true);
    EXPECT_EQ(changes, 1) << "the outer batch is still open";
    playlist->EndUpdate(3, true);
    EXPECT_EQ(changes, 2);
    playlist->BeginUpdate();
    playlist->EndUpdate(3, false);
    EXPECT_EQ(changes, 2) << "a batch that changed nothing is silent";
}

TEST_F(PlaylistTest, TheControllerHearsOfChangesAndTheirIds)
{
    playlist->SetPlayback(&controller);
    playlist->AddTrack("a", {});
    playlist->BeginUpdate();
    playlist->AddTrack("b", {});
    playlist->EndUpdate(3, true);
    EXPECT_EQ(controller.playlistChanges, 2);
    EXPECT_EQ(controller.debugLog, (std::vector<std::string>{"PlaylistChanged; Id=2", "PlaylistEndUpdate; Id=3",
                                                             "PlaylistChanged; Id=8"}));
}

TEST_F(PlaylistTest, IndexErrorsNameTheIndexAndTheCount)
{
    AddNamed("ab");
    try {
        playlist->DelTrack(2);
        FAIL() << "no error";
    } catch (const EArgumentOutOfRangeException& error) {
        EXPECT_STREQ(error.what(), "Argument out of range (2/2).");
    }
    EXPECT_THROW(playlist->GetPlaylistItem(-1), EArgumentOutOfRangeException);
    EXPECT_THROW(playlist->InsertItem(std::make_unique<TPlaylistItem>(), 3), EArgumentOutOfRangeException);
    EXPECT_EQ(Names(), "ab");
}

TEST_F(PlaylistTest, MovingExchangingAndRelocating)
{
    AddNamed("abcde");
    playlist->Move(0, 4);
    EXPECT_EQ(Names(), "bcdea");
    playlist->Exchange(0, 1);
    EXPECT_EQ(Names(), "cbdea");
    const int before = changes;
    playlist->Relocate({2, 1}, 1);  // not ascending
    playlist->Relocate({3, 4}, 1);  // 4 would leave the list
    playlist->Relocate({}, 1);
    EXPECT_EQ(Names(), "cbdea");
    EXPECT_EQ(changes, before);
    playlist->Relocate({1, 2}, 1);
    EXPECT_EQ(Names(), "cebda");
    playlist->Relocate({1, 3}, -1);
    EXPECT_EQ(Names(), "ecdba");
}

TEST_F(PlaylistTest, TheCurrentItemIsFoundAgainAfterChangesAndClearedWhenDeleted)
{
    AddNamed("abcd");
    int currentChanges = 0;
    playlist->OnCurrentTrackChanged = [&](TPlaylist&) { ++currentChanges; };
    playlist->SetCurrentTrack(&playlist->Items(2));
    EXPECT_EQ(currentChanges, 1);
    EXPECT_EQ(playlist->CurrentTrackIndex(), 2);
    playlist->Move(2, 0);
    EXPECT_EQ(playlist->CurrentTrackIndex(), 0);
    playlist->DelTrack(0);
    EXPECT_EQ(playlist->CurrentTrack(), nullptr);
    EXPECT_EQ(playlist->CurrentTrackIndex(), -1);
    EXPECT_EQ(currentChanges, 2);
    EXPECT_EQ(playlist->Remove(&playlist->Items(0)), 0);
    TPlaylistItem stranger;
    EXPECT_EQ(playlist->Remove(&stranger), -1);
}

TEST_F(PlaylistTest, ClearingAboveOrBelowNeedsACurrentItem)
{
    AddNamed("abcde");
    playlist->ClearPlaylist(cfAbove);
    playlist->ClearPlaylist(cfBelow);
    EXPECT_EQ(Names(), "abcde");
    playlist->SetCurrentTrack(&playlist->Items(2));
    playlist->ClearPlaylist(cfAbove);
    EXPECT_EQ(Names(), "cde");
    playlist->ClearPlaylist(cfBelow);
    EXPECT_EQ(Names(), "c");
    EXPECT_EQ(playlist->CurrentTrackIndex(), 0);
    playlist->ClearPlaylist(cfAll);
    EXPECT_EQ(playlist->Count(), 0);
    EXPECT_EQ(playlist->CurrentTrack(), nullptr);
}

TEST_F(PlaylistTest, ClearingTheControllersPlaylistRestartsItsSearchAndCleansItsQueue)
{
    playlist->SetPlayback(&controller);
    controller.currentPlaylist = playlist.get();
    AddNamed("ab");
    controller.queue.Add(playlist.get(), &playlist->Items(1));
    controller.lastStarted.Index = 1;
    playlist->ClearPlaylist(cfAll);
    EXPECT_EQ(controller.lastStarted.Index, -2);
    EXPECT_EQ(controller.queue.Count(), 0);
}

TEST_F(PlaylistTest, UndoKeepsFiveStepsAndRestoresTheNewest)
{
    for (char name : std::string("abcdef")) {
        playlist->AddUndo();
        playlist->AddTrack(std::string(1, name), {});
    }
    // Snapshots: "abcde" (newest) ... "a"; the empty list of the first AddUndo is gone.
    playlist->SetCurrentTrack(&playlist->Items(0));
    playlist->Undo();
    EXPECT_EQ(Names(), "abcde");
    EXPECT_EQ(playlist->CurrentTrack(), nullptr);
    for (const char* expected : {"abcd", "abc", "ab", "a"}) {
        ASSERT_TRUE(playlist->CanUndo());
        playlist->Undo();
        EXPECT_EQ(Names(), expected);
    }
    EXPECT_FALSE(playlist->CanUndo());
    playlist->Undo();
    EXPECT_EQ(Names(), "a");
}

TEST_F(PlaylistTest, SortingUsesTheComparerAndCanBeUndone)
{
    AddNamed("cadb");
    struct TByName : TPlaylistComparer {
        int32_t Compare(int32_t, const TPlaylistItem& left, const TPlaylistItem& right) override
        {
            return left.FN.compare(right.FN);
        }
    } byName;
    playlist->SortList(0, -1, byName);
    EXPECT_EQ(Names(), "dcba");
    playlist->SortList(0, 1, byName);
    EXPECT_EQ(Names(), "abcd");
    playlist->Undo();
    EXPECT_EQ(Names(), "dcba");
}

TEST_F(PlaylistTest, AddedTracksGetTheirKindTitleAndSchedule)
{
    TPlaylistAddParams params;
    params.Scheduled = true;
    params.EventId = 4;
    params.EventName = "Morning";
    params.Expires = 46000.5;
    TPlaylistItem& track = playlist->AddTrack("/music/Song.mp3", params);
    EXPECT_EQ(track.T.Filename, "/music/Song.mp3");
    EXPECT_EQ(track.TrackTitle, "Song");
    EXPECT_TRUE(track.Scheduled);
    EXPECT_EQ(track.EventId, 4);
    EXPECT_EQ(track.EventName, "Morning");
    EXPECT_EQ(track.Expires, 46000.5);
    EXPECT_EQ(playlist->AddTrack("note.comment", {}).Kind, ikComment);
    EXPECT_EQ(playlist->AddTrack("Hour Marker 13:00.hourmarker", {}).Kind, ikHourMarker);
    params.Position = 0;
    playlist->AddTrack("first", params);
    EXPECT_EQ(playlist->Items(0).FN, "first");
}

class PlaylistFilesTest : public PlaylistTest {
protected:
    audiofixtures::TempDir dir;

    std::string Path(const std::string& name) const { return (dir / name).string(); }
    void Touch(const std::string& name) const { audiofixtures::WriteBytes(dir / name, ""); }
};

TEST_F(PlaylistFilesTest, AFoldersAudioFilesAreInsertedInNameOrderInOneChange)
{
    std::filesystem::create_directory(dir / "folder");
    for (const char* name : {"folder/b.mp3", "folder/a.flac", "folder/notes.txt"})
        Touch(name);
    AddNamed("x");
    changes = 0;
    TPlaylistAddParams params;
    params.IsFolder = true;
    params.Position = 0;
    EXPECT_EQ(playlist->InsertTracks(Path("folder"), params), 2);
    EXPECT_EQ(changes, 1);
    ASSERT_EQ(playlist->Count(), 3);
    EXPECT_EQ(playlist->Items(0).FN, Path("folder/a.flac"));
    EXPECT_EQ(playlist->Items(1).FN, Path("folder/b.mp3"));
    EXPECT_EQ(playlist->Items(2).FN, "x");
}

TEST_F(PlaylistFilesTest, AListFilesEntriesTakeTheirStateFromItsStateFile)
{
    audiofixtures::WriteBytes(dir / "list.m3u8",
                              "#EXTM3U\n#EXTINF:10,Someone - One\nmusic/one.mp3\n"
                              "#EXTINF:-1,Station\nhttp://radio.example/live\npause #30\n");
    TPlaylistStateItem played;
    played.Played = true;
    played.CueIn = 1500;
    TPlaylistStateItem scheduled;
    scheduled.Scheduled = true;
    scheduled.Level = -3.5;
    WritePlaylistStateFile(Path("list.m3u8.state"), {played, scheduled, TPlaylistStateItem{}});
    AddNamed("x");
    TPlaylistAddParams params;
    params.LoadPlayed = true;
    EXPECT_EQ(playlist->InsertTracks(Path("list.m3u8"), params), 3);
    ASSERT_EQ(playlist->Count(), 4);
    const TPlaylistItem& one = playlist->Items(1);
    EXPECT_EQ(one.FN, Path("music/one.mp3"));
    EXPECT_TRUE(one.Played);
    EXPECT_EQ(one.CueIn, 1500);
    const TPlaylistItem& stream = playlist->Items(2);
    EXPECT_EQ(stream.BroadcastTitle, "Station") << "a stream's list title is what is broadcast";
    EXPECT_FALSE(stream.Scheduled) << "Scheduled is taken only when asked for";
    EXPECT_EQ(stream.Level, -3.5);
    EXPECT_EQ(playlist->Items(3).FN, "pause #30");
}

TEST_F(PlaylistFilesTest, AStateFileOfAnotherLengthIsIgnored)
{
    audiofixtures::WriteBytes(dir / "list.m3u", "a.mp3\nb.mp3\n");
    TPlaylistStateItem played;
    played.Played = true;
    WritePlaylistStateFile(Path("list.m3u.state"), {played});
    TPlaylistAddParams params;
    params.LoadPlayed = true;
    EXPECT_EQ(playlist->InsertTracks(Path("list.m3u"), params), 2);
    EXPECT_FALSE(playlist->Items(0).Played);
}

TEST_F(PlaylistFilesTest, AnUnreadableListAddsNothing)
{
    std::filesystem::create_directory(dir / "folder.m3u");
    for (const std::string& name : {Path("missing.m3u"), Path("folder.m3u")})
        EXPECT_EQ(playlist->InsertTracks(name, {}), -1) << name;
    EXPECT_EQ(playlist->Count(), 0);
}

TEST_F(PlaylistFilesTest, RelativeNamesAreTakenFromTheUsersFolder)
{
    std::filesystem::create_directory(dir / "lists");
    audiofixtures::WriteBytes(dir / "lists/show.m3u8", "a.mp3\n");
    TPlaylistAddParams params;
    params.UserDir = dir.path().string();
    EXPECT_EQ(playlist->InsertTracks("\\lists\\show.m3u8", params), 1);
    EXPECT_EQ(playlist->Items(0).FN, Path("lists/a.mp3"));
    params.PlaylistDirectInput = true;
    EXPECT_EQ(playlist->InsertTracks("\\lists\\show.m3u8", params), -1);
}

TEST_F(PlaylistFilesTest, TheLoaderFillsInTagsInTheBackground)
{
    const std::vector<float> tone = audiofixtures::Sine(440, 0.5, 44100, 44100 * 2);
    audiofixtures::WriteWav(dir / "tone.wav", tone, 44100, 1, 16);
    audiofixtures::Encode(dir / "tone.wav", dir / "tagged.mp3",
                          "-c:a libmp3lame -metadata title=Tone -metadata artist=Generator");
    playlist->SetPlayback(&controller);
    std::vector<uint32_t> updated;
    int loadsFinished = 0;
    playlist->OnTrackInfoUpdated = [&](uint32_t index) { updated.push_back(index); };
    playlist->OnTracksInfoLoaded = [&](TPlaylist&) { ++loadsFinished; };
    playlist->BeginUpdate();
    playlist->AddTrack(Path("tagged.mp3"), {});
    playlist->AddTrack("pause #30", {});
    TPlaylistItem& missing = playlist->AddTrack(Path("missing.mp3"), {});
    controller.nextItem = &missing;
    playlist->EndUpdate(3, true);
    ASSERT_TRUE(ServeUntil([&] { return loadsFinished == 1; }));
    EXPECT_EQ(playlist->InfoLoadState(), lsLoaded);
    const TPlaylistItem& tagged = playlist->Items(0);
    EXPECT_TRUE(tagged.InfoLoaded);
    EXPECT_EQ(tagged.TrackTitle, "Generator - Tone");
    EXPECT_NEAR(tagged.T.Duration, 2000, 100);
    EXPECT_FALSE(playlist->Items(1).InfoLoaded) << "a pause has no tags to read";
    EXPECT_TRUE(missing.InfoLoaded);
    EXPECT_TRUE(missing.ItemFlags.Contains(TPlaylistItemFlag::ifNonExistent));
    EXPECT_EQ(updated, (std::vector<uint32_t>{0, 2}));
    EXPECT_EQ(controller.nextTrackUpdates, 1);
    EXPECT_TRUE(controller.Logged("DoStartInfoLoad[PLid=" + std::to_string(playlist->PlaylistId()) + "]"));
    playlist->SetInfoLoadStateDone(false);
    EXPECT_EQ(playlist->InfoLoadState(), lsDone);
    playlist->SetInfoLoadStateNeedUpdate(false);
    EXPECT_EQ(playlist->InfoLoadState(), lsNeedUpdate);
}

TEST_F(PlaylistTest, EveryPlaylistIsInTheListOfAllPlaylistsWhileItExists)
{
    const auto contains = [](const TPlaylist* p) {
        const auto& all = AllPlaylists();
        return std::find(all.begin(), all.end(), p) != all.end();
    };
    auto other = std::make_unique<TPlaylist>();
    EXPECT_TRUE(contains(playlist.get()));
    EXPECT_TRUE(contains(other.get()));
    EXPECT_EQ(other->PlaylistId(), playlist->PlaylistId() + 1);
    const TPlaylist* gone = other.get();
    other.reset();
    EXPECT_FALSE(contains(gone));
}

}  // namespace
