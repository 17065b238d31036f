#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "RecordingPlaybackController.h"
#include "playback/playlist/Playlist.h"
#include "platform/MainThreadFixture.h"
#include "platform/TickCount.h"

namespace {

TDateTime At(int hour, int minute)
{
    return 46000.0 + (hour * 60 + minute) / 1440.0;
}

class PlaylistHourMarkersTest : public MainThreadFixture {
protected:
    void SetUp() override
    {
        MainThreadFixture::SetUp();
        setenv("LC_ALL", "C", 1);
        playlist = std::make_unique<TPlaylist>();
        playlist->SetPlayback(&controller);
    }
    void TearDown() override
    {
        playlist.reset();
        SetTickCountShiftForTesting(0);
        unsetenv("LC_ALL");
        MainThreadFixture::TearDown();
    }
    void AddAt(const std::string& name, TDateTime startTime)
    {
        playlist->AddTrack(name, {}).StartTime = startTime;
    }
    std::string Names() const
    {
        std::string names;
        for (int32_t i = 0; i < playlist->Count(); ++i)
            names += (i ? "|" : "") + playlist->Items(i).FN;
        return names;
    }
    // The next call counts as a fresh one, not as one of a burst.
    void LetTimePass()
    {
        shiftMs += 1000;
        SetTickCountShiftForTesting(shiftMs);
    }

    TRecordingPlaybackController controller;
    std::unique_ptr<TPlaylist> playlist;  // made in SetUp, on the main thread
    int64_t shiftMs = 0;
};

TEST_F(PlaylistHourMarkersTest, AMarkerStandsBeforeTheFirstItemOfEachNewHour)
{
    AddAt("a", At(12, 55));
    AddAt("b", At(13, 2) + 30 / 86400.0);  // 13:02:30: the marker shows 13:02
    AddAt("c", At(13, 40));
    playlist->SetHourMarkers(true);
    EXPECT_EQ(Names(), "a|Hour Marker 13:02.hourmarker|b|c");
    const TPlaylistItem& marker = playlist->Items(1);
    EXPECT_EQ(marker.Kind, ikHourMarker);
    EXPECT_EQ(marker.User, 13);
    EXPECT_EQ(marker.TrackTitle, "Hour Marker 13:02");
    EXPECT_TRUE(controller.Logged("Hour marker update"));

    controller.debugLog.clear();
    LetTimePass();
    playlist->UpdateHourMarkers();
    EXPECT_FALSE(controller.Logged("Hour marker update")) << "markers in place are left alone";

    playlist->Items(3).StartTime = At(14, 1);
    LetTimePass();
    playlist->UpdateHourMarkers();
    EXPECT_EQ(Names(), "a|Hour Marker 13:02.hourmarker|b|Hour Marker 14:01.hourmarker|c");

    playlist->SetHourMarkers(false);
    EXPECT_EQ(Names(), "a|b|c");
}

TEST_F(PlaylistHourMarkersTest, MidnightStartsANewHourAndUnknownStartTimesArePassedOver)
{
    AddAt("a", At(23, 50));
    AddAt("b", -1.0);
    AddAt("c", At(0, 10) + 1);
    playlist->SetHourMarkers(true);
    EXPECT_EQ(Names(), "a|b|Hour Marker 00:10.hourmarker|c");
}

TEST_F(PlaylistHourMarkersTest, ABurstOfUpdatesIsCutAfterThreeQuickCalls)
{
    AddAt("a", At(12, 55));
    AddAt("b", At(13, 5));
    playlist->SetSkipUpdateHourMarkers(true);
    playlist->SetHourMarkers(true);  // skipped: nothing inserted
    EXPECT_EQ(Names(), "a|b");
    playlist->SetSkipUpdateHourMarkers(false);  // updates now
    EXPECT_EQ(Names(), "a|Hour Marker 13:05.hourmarker|b");
    for (int call = 0; call < 3; ++call) {
        playlist->Items(2).StartTime = At(14 + call, 0);  // always another hour: a new marker wanted
        playlist->UpdateHourMarkers();
    }
    EXPECT_FALSE(controller.Logged("Hour marker update called too many times"));
    playlist->Items(2).StartTime = At(17, 0);
    playlist->UpdateHourMarkers();
    EXPECT_TRUE(controller.Logged("Hour marker update called too many times"));
    EXPECT_EQ(Names(), "a|Hour Marker 16:00.hourmarker|b");
    LetTimePass();
    playlist->UpdateHourMarkers();
    EXPECT_EQ(Names(), "a|Hour Marker 17:00.hourmarker|b");
}

}  // namespace
