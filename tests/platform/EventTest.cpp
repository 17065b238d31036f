#include "platform/Event.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/WinTypes.h"

namespace {

TEST(EventTest, UnsignalledEventTimesOut)
{
    TEvent event(false, false);
    EXPECT_EQ(event.WaitFor(0), TWaitResult::wrTimeout);
    EXPECT_EQ(event.WaitFor(5), TWaitResult::wrTimeout);
}

TEST(EventTest, AutoResetEventReleasesOneWaitThenResets)
{
    TEvent event(false, true);
    EXPECT_EQ(event.WaitFor(0), TWaitResult::wrSignaled);
    EXPECT_EQ(event.WaitFor(0), TWaitResult::wrTimeout);
}

TEST(EventTest, ManualResetEventStaysSignalledUntilReset)
{
    TEvent event(true, false);
    event.SetEvent();
    EXPECT_EQ(event.WaitFor(0), TWaitResult::wrSignaled);
    EXPECT_EQ(event.WaitFor(0), TWaitResult::wrSignaled);
    event.ResetEvent();
    EXPECT_EQ(event.WaitFor(0), TWaitResult::wrTimeout);
}

TEST(EventTest, SetFromAnotherThreadWakesAnInfiniteWait)
{
    TEvent event(false, false);
    std::thread setter([&] { event.SetEvent(); });
    EXPECT_EQ(event.WaitFor(INFINITE), TWaitResult::wrSignaled);
    setter.join();
}

}  // namespace
