#include "playback/queue/PlaybackOptions.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "playlist/RecordingPlaybackController.h"

namespace {

TEST(PlaybackOptionsTest, EveryChangeIsLoggedAndMakesTheControllerChooseAgain)
{
    TRecordingPlaybackController controller;
    TPlaybackOptions& options = controller.options;
    struct TCase {
        std::function<void()> change;
        std::function<bool()> value;
        const char* logged;
    };
    const std::vector<TCase> cases = {
        {[&] { options.SetRepeatTrack(true); }, [&] { return options.RepeatTrack(); }, "Opt:Rpt"},
        {[&] { options.SetShuffle(true); }, [&] { return options.Shuffle(); }, "Opt:Shf"},
        {[&] { options.SetRepeatList(true); }, [&] { return options.RepeatList(); }, "Opt:Rpl"},
        {[&] { options.SetBreak(true); }, [&] { return options.Break(); }, "Opt:Brk"},
    };
    int invalidations = 0;
    for (const TCase& c : cases) {
        c.change();
        EXPECT_TRUE(c.value()) << c.logged;
        EXPECT_EQ(controller.debugLog.back(), c.logged);
        EXPECT_EQ(controller.nextTrackInvalidations, ++invalidations);
    }
    options.SetOptions(false, true, false, true);
    EXPECT_FALSE(options.RepeatTrack());
    EXPECT_TRUE(options.Shuffle());
    EXPECT_FALSE(options.RepeatList());
    EXPECT_TRUE(options.Break());
    EXPECT_EQ(controller.debugLog.back(), "Opt:All");
    EXPECT_EQ(controller.nextTrackInvalidations, 5);
}

TEST(PlaybackOptionsTest, OptionsWithoutAControllerOnlyStoreTheirValues)
{
    TPlaybackOptions options;
    EXPECT_FALSE(options.Shuffle() || options.RepeatList() || options.Break() || options.RepeatTrack());
    options.SetShuffle(true);
    EXPECT_TRUE(options.Shuffle());
    EXPECT_FALSE(options.ManualNext());
}

}  // namespace
