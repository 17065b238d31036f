#include "playback/playlist/PlaylistItem.h"

#include <gtest/gtest.h>

#include "settings/player/FileTypes.h"

namespace {

TEST(PlaylistItemTest, ANewItemHasTheNextIdAndNothingSet)
{
    TPlaylistItem first;
    TPlaylistItem second;
    EXPECT_EQ(second.ItemId, first.ItemId + 1);
    EXPECT_EQ(second.Kind, ikTrack);
    EXPECT_EQ(second.T.Duration, -1);
    EXPECT_EQ(second.T.CueIn, -1);
    EXPECT_EQ(second.T.TrackId, -1);
    EXPECT_EQ(second.StartTime, -1.0);
    EXPECT_EQ(second.TempStartTime, -1.0);
    EXPECT_EQ(second.Listeners, -1);
    EXPECT_EQ(second.User, -1);
    for (int32_t mark : {second.CueIn, second.FadeIn, second.FadeOut, second.CueOut, second.Mix, second.FadeInFixed,
                         second.FadeOutFixed})
        EXPECT_EQ(mark, -1);
    EXPECT_FALSE(second.HasCustomCrossfade());
}

TEST(PlaylistItemTest, CloneCarriesTheItemsDataUnderANewId)
{
    TPlaylistItem item;
    item.FN = "/music/a.mp3";
    item.T.Title = "A";
    item.TrackTitle = "Someone - A";
    item.Scheduled = true;
    item.Played = true;      // not carried
    item.EventId = 7;        // not carried
    item.CueIn = 100;
    item.Level = -3.0;
    item.Kind = ikComment;
    item.DurationLimit = 60000;
    item.NextTrackT = std::make_unique<TPlaylistEntry>();
    const auto clone = item.Clone();
    EXPECT_GT(clone->ItemId, item.ItemId);
    EXPECT_EQ(clone->FN, item.FN);
    EXPECT_EQ(clone->T.Title, "A");
    EXPECT_EQ(clone->TrackTitle, item.TrackTitle);
    EXPECT_TRUE(clone->Scheduled);
    EXPECT_EQ(clone->CueIn, 100);
    EXPECT_EQ(clone->Level, -3.0);
    EXPECT_EQ(clone->Kind, ikComment);
    EXPECT_EQ(clone->DurationLimit, 60000);
    EXPECT_FALSE(clone->Played);
    EXPECT_EQ(clone->EventId, 0);
    EXPECT_EQ(clone->NextTrackT, nullptr);
}

TEST(PlaylistItemTest, DurationComesFromTheNameOfPausesAndStreamsAndFromTheMarksOtherwise)
{
    struct TCase {
        const char* name;
        int32_t cueIn, cueOut, tagCueIn, tagCueOut, tagDuration;
        int32_t duration;
    };
    const TCase cases[] = {
        {"pause #30", -1, -1, -1, -1, -1, 30000},
        {"pause 2", -1, -1, -1, -1, -1, 120000},
        {"pause soon", -1, -1, -1, -1, -1, 0},
        {"http://radio.example/stream #90", -1, -1, -1, -1, -1, 90000},
        {"/music/a.mp3", -1, -1, -1, -1, 200000, 200000},
        {"/music/a.mp3", -1, -1, 1000, 150000, 200000, 149000},
        {"/music/a.mp3", 2000, 100000, 1000, 150000, 200000, 98000},
    };
    for (const TCase& c : cases) {
        TPlaylistItem item;
        item.FN = c.name;
        item.CueIn = c.cueIn;
        item.CueOut = c.cueOut;
        item.T.CueIn = c.tagCueIn;
        item.T.CueOut = c.tagCueOut;
        item.T.Duration = c.tagDuration;
        EXPECT_EQ(item.GetDuration(), c.duration) << c.name << " " << c.cueIn;
    }
}

TEST(PlaylistItemTest, TheChosenTracksFileNameStandsForTheItem)
{
    TPlaylistItem item;
    item.FN = "list*0A";
    EXPECT_EQ(item.GetFilename(), "list*0A");
    item.NextTrackT = std::make_unique<TPlaylistEntry>();
    item.NextTrackT->Filename = "/music/chosen.mp3";
    EXPECT_EQ(item.GetFilename(), "/music/chosen.mp3");
    item.FreeNextTrackT();
    EXPECT_EQ(item.GetFilename(), "list*0A");
}

TEST(PlaylistItemTest, AVoiceTrackIsFoundByItsFolderOrItsFileType)
{
    TFileTypesArray fileTypes;
    for (const char* name : {"Default0", "Default", "Music", "Voice"})
        fileTypes.Add().SetName(name);
    fileTypes.Items(3).SetVoiceTrack(true);
    TPlaylistItem item;
    item.T.Filename = "/data/VoiceTracks/vt1.wav";
    EXPECT_TRUE(item.IsVoiceTrack("/data/voicetracks/", nullptr, 1));
    EXPECT_FALSE(item.IsVoiceTrack("/data/other/", nullptr, 1));
    EXPECT_TRUE(item.IsVoiceTrack("/data/other/", &fileTypes, 3));
    EXPECT_FALSE(item.IsVoiceTrack("/data/other/", &fileTypes, 2));
    EXPECT_FALSE(item.IsVoiceTrack("/data/other/", &fileTypes, 9));
}

}  // namespace
