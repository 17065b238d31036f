#include <gtest/gtest.h>

#include <string>

#include "RecordingPlaybackController.h"
#include "playback/playlist/Playlist.h"
#include "platform/MainThreadFixture.h"

namespace {

// Items given as "name:event:flags" with flags s (scheduled), p (played), c (comment).
class PlaylistScheduleTest : public MainThreadFixture {
protected:
    void SetUp() override
    {
        MainThreadFixture::SetUp();
        playlist = std::make_unique<TPlaylist>();
    }
    void TearDown() override
    {
        playlist.reset();
        MainThreadFixture::TearDown();
    }
    void Add(const std::string& name, int32_t eventId, const std::string& flags)
    {
        TPlaylistAddParams params;
        params.EventId = eventId;
        params.Scheduled = flags.find('s') != std::string::npos;
        TPlaylistItem& item = playlist->AddTrack(flags.find('c') != std::string::npos ? name + ".comment" : name, params);
        item.Played = flags.find('p') != std::string::npos;
    }
    std::string Names() const
    {
        std::string names;
        for (int32_t i = 0; i < playlist->Count(); ++i)
            names += playlist->Items(i).FN.substr(0, 1);
        return names;
    }

    TRecordingPlaybackController controller;
    std::unique_ptr<TPlaylist> playlist;  // made in SetUp, on the main thread
};

TEST_F(PlaylistScheduleTest, ClearingPlayedScheduledItemsWaitsUntilTheirEventIsFinished)
{
    Add("a", 1, "sp");
    Add("b", 1, "s");   // event 1 still has an item to play
    Add("c", 2, "sp");
    Add("d", 2, "sc");  // not playable: counts as done
    Add("e", 0, "p");   // not scheduled
    const TScheduleDelRes result = playlist->ClearScheduledTracks(stPlayed);
    EXPECT_EQ(Names(), "abe");
    EXPECT_FALSE(result.PlayingDeleted);
    playlist->ClearScheduledTracks(stAll);
    EXPECT_EQ(Names(), "e");
}

TEST_F(PlaylistScheduleTest, DeletingTheCurrentScheduledItemTellsHowManyWentBeforeIt)
{
    playlist->SetPlayback(&controller);
    controller.currentPlaylist = playlist.get();
    Add("a", 1, "s");
    Add("b", 0, "");
    Add("c", 1, "s");
    Add("d", 1, "s");
    playlist->SetCurrentTrack(&playlist->Items(2));
    controller.lastStarted.Index = 2;
    const TScheduleDelRes result = playlist->ClearScheduledTracks(stAll);
    EXPECT_TRUE(result.PlayingDeleted);
    EXPECT_EQ(result.DeletedBeforePlaying, 1);
    EXPECT_EQ(Names(), "b");
    EXPECT_EQ(playlist->CurrentTrack(), nullptr);
    EXPECT_EQ(controller.lastStarted.Index, 0) << "moved down with the two items deleted at or before it";
}

TEST_F(PlaylistScheduleTest, UnplayedScheduledItemsAreCachedUntilTheNextChange)
{
    Add("a", 1, "sp");
    EXPECT_FALSE(playlist->CheckHasUnplayedScheduledTracks());
    EXPECT_TRUE(playlist->ScheduleCheckData().HasAnyScheduledTracks);
    Add("b", 1, "s");  // a change within the same millisecond still counts
    EXPECT_TRUE(playlist->CheckHasUnplayedScheduledTracks());
    playlist->Items(1).Played = true;  // not a change: the cached answer stands
    EXPECT_TRUE(playlist->CheckHasUnplayedScheduledTracks());
}

TEST_F(PlaylistScheduleTest, AStartedBlockNoLongerExpires)
{
    for (const char* name : {"a", "b", "c", "d"})
        Add(name, 1, "s");
    playlist->Items(1).Expires = 46000.5;
    playlist->Items(2).Expires = 46000.5;
    playlist->Items(3).Expires = 46001.0;
    playlist->ResetSchedulerExpires(1);
    EXPECT_EQ(playlist->Items(1).Expires, 0);
    EXPECT_EQ(playlist->Items(2).Expires, 0);
    EXPECT_EQ(playlist->Items(3).Expires, 46001.0);
}

TEST_F(PlaylistScheduleTest, TheNextPlayableItemSkipsCommentsAndTheFileTypesSkipRules)
{
    playlist->SetPlayback(&controller);
    for (const char* name : {"Default0", "Default", "Music", "Jingle"})
        controller.fileTypes.Add().SetName(name);
    controller.fileTypes.Items(3).SetSkipAfterScheduled(true);
    Add("x", 1, "s");
    Add("note", 0, "c");
    Add("Jingle j", 0, "");
    Add("Music m", 0, "");
    EXPECT_EQ(playlist->GetNextPlayableIndex(0, 1), 2) << "without a current item nothing is skipped";
    controller.currentItem = &playlist->Items(0);
    int32_t lastProbed = -1;
    EXPECT_EQ(playlist->GetNextPlayableIndex(0, 1, &lastProbed), 3);
    EXPECT_EQ(lastProbed, 3);
    EXPECT_TRUE(playlist->Items(2).ItemFlags.Contains(TPlaylistItemFlag::ifSkippedOnNext));
    EXPECT_TRUE(controller.Logged("ItemIsSkipped = 1 (scheduled)"));
    EXPECT_EQ(playlist->GetNextPlayableIndex(3, 1, &lastProbed), -1);
    EXPECT_EQ(lastProbed, 4);
    EXPECT_EQ(playlist->GetNextPlayableIndex(3, -1), 2) << "backwards nothing is skipped";
    EXPECT_FALSE(playlist->Items(2).ItemFlags.Contains(TPlaylistItemFlag::ifSkippedOnNext));
}

TEST_F(PlaylistScheduleTest, SkipRulesAfterAndBeforeFileTypesAreOffWhileATrackRepeats)
{
    playlist->SetPlayback(&controller);
    for (const char* name : {"Default0", "Default", "News", "Jingle", "Promo"})
        controller.fileTypes.Add().SetName(name);
    TPlFileType& jingle = controller.fileTypes.Items(3);
    jingle.SetSkipAfterFileTypes(true);
    jingle.SkipFTList().Add("news");
    TPlFileType& promo = controller.fileTypes.Items(4);
    promo.SetSkipBeforeFileTypes(true);
    promo.SkipBeforeFTList().Add("NEWS");
    Add("News n", 0, "");
    Add("Jingle j", 0, "");
    Add("Promo p", 0, "");
    Add("News m", 0, "");
    controller.currentItem = &playlist->Items(0);
    EXPECT_EQ(playlist->GetNextPlayableIndex(0, 1), 3);
    EXPECT_TRUE(controller.Logged("ItemIsSkipped = 1 (after FT)"));
    EXPECT_TRUE(controller.Logged("ItemIsSkipped = 1 (before FT)"));
    controller.options.SetRepeatTrack(true);
    EXPECT_EQ(playlist->GetNextPlayableIndex(0, 1), 1);
}

TEST_F(PlaylistScheduleTest, InQueueModeThePlayedItemAndTheSkippedOnesBeforeTheCurrentGo)
{
    playlist->SetPlayback(&controller);
    playlist->SetQueueMode(true);
    for (const char* name : {"a", "b", "c", "d", "e"})
        Add(name, 0, "");
    TPlaylistItem& played = playlist->Items(1);
    played.Played = true;
    playlist->Items(2).ItemFlags.Include(TPlaylistItemFlag::ifSkippedOnNext);
    playlist->SetCurrentTrack(&playlist->Items(3));
    controller.lastStarted.OriginalItem = &played;
    controller.lastStarted.OriginalIndex = 4;  // stale: found by a search
    controller.options.SetRepeatList(true);
    EXPECT_FALSE(playlist->RemovePlayedTrack());
    controller.options.SetRepeatList(false);
    controller.nextItem = &played;
    EXPECT_FALSE(playlist->RemovePlayedTrack()) << "the next item stays";
    controller.nextItem = nullptr;
    EXPECT_TRUE(playlist->RemovePlayedTrack());
    EXPECT_EQ(Names(), "ade");
}

TEST_F(PlaylistScheduleTest, AQueuedItemIsNotRemovedAsPlayed)
{
    playlist->SetPlayback(&controller);
    playlist->SetQueueMode(true);
    for (const char* name : {"a", "b"})
        Add(name, 0, "");
    TPlaylistItem& played = playlist->Items(0);
    played.Played = true;
    playlist->SetCurrentTrack(&playlist->Items(1));
    controller.lastStarted.OriginalItem = &played;
    controller.lastStarted.OriginalIndex = 0;
    controller.queue.Add(playlist.get(), &played);
    EXPECT_FALSE(playlist->RemovePlayedTrack());
    EXPECT_EQ(Names(), "ab");
}

}  // namespace
