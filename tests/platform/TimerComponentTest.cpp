#include "platform/TimerComponent.h"

#include <gtest/gtest.h>

#include "MainThreadFixture.h"

namespace {

using TimerComponentTest = MainThreadFixture;

TEST_F(TimerComponentTest, EnabledTimerCallsOnTimerOnTheMainThreadRepeatedly)
{
    TTimer timer;
    int ticks = 0;
    bool allOnMain = true;
    timer.OnTimer = [&] {
        ++ticks;
        allOnMain = allOnMain && IsMainThread();
    };
    timer.SetInterval(1);
    EXPECT_TRUE(ServeUntil([&] { return ticks >= 3; }));
    EXPECT_TRUE(allOnMain);
}

TEST_F(TimerComponentTest, DisablingOrAZeroIntervalStopsTheTicks)
{
    TTimer timer;
    int ticks = 0;
    timer.OnTimer = [&] { ++ticks; };
    timer.SetInterval(1);
    EXPECT_TRUE(ServeUntil([&] { return ticks >= 1; }));
    timer.SetEnabled(false);
    int ticksWhenStopped = ticks;
    ProcessMessagesFor(20);
    EXPECT_EQ(ticks, ticksWhenStopped);

    timer.SetEnabled(true);
    EXPECT_TRUE(ServeUntil([&] { return ticks > ticksWhenStopped; }));
    timer.SetInterval(0);
    ticksWhenStopped = ticks;
    ProcessMessagesFor(20);
    EXPECT_EQ(ticks, ticksWhenStopped);
}

TEST_F(TimerComponentTest, DefaultsAreEnabledWithOneSecondInterval)
{
    TTimer timer;
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000u);
}

TEST_F(TimerComponentTest, AFreedTimerLeavesNoTickBehind)
{
    int ticks = 0;
    {
        TTimer timer;
        timer.OnTimer = [&] { ++ticks; };
        timer.SetInterval(1);
        EXPECT_TRUE(ServeUntil([&] { return ticks >= 1; }));
    }
    const int ticksAtFree = ticks;
    ProcessMessagesFor(20);
    EXPECT_EQ(ticks, ticksAtFree);
}

}  // namespace
