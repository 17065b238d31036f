#include "platform/TimerQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "MainThreadFixture.h"
#include "platform/Event.h"

namespace {

using TimerQueueTest = MainThreadFixture;

TEST_F(TimerQueueTest, OneShotTimerRunsOnceOffTheMainThread)
{
    std::atomic<int> calls{0};
    std::atomic<bool> onMainThread{true};
    TEvent fired(true, false);
    const TimerQueueTimer timer = CreateTimerQueueTimer(
        [&] {
            onMainThread = IsMainThread();
            ++calls;
            fired.SetEvent();
        },
        1);
    ASSERT_NE(timer, 0u);
    EXPECT_EQ(fired.WaitFor(generousTimeoutMs), TWaitResult::wrSignaled);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(onMainThread);
    EXPECT_TRUE(DeleteTimerQueueTimer(timer));
    EXPECT_FALSE(DeleteTimerQueueTimer(timer));
}

TEST_F(TimerQueueTest, PeriodicTimerRepeatsUntilDeletedAndNeverRunsAfterDelete)
{
    std::atomic<int> calls{0};
    std::atomic<bool> ranAfterDelete{false};
    std::atomic<bool> deleted{false};
    const TimerQueueTimer timer = CreateTimerQueueTimer(
        [&] {
            ranAfterDelete = ranAfterDelete || deleted;
            ++calls;
        },
        1, 1);
    while (calls < 3)
        std::this_thread::yield();
    DeleteTimerQueueTimer(timer);
    deleted = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(ranAfterDelete);
}

TEST_F(TimerQueueTest, DeletingWaitsForARunningCallback)
{
    TEvent callbackEntered(true, false);
    TEvent releaseCallback(true, false);
    std::atomic<bool> callbackReturned{false};
    const TimerQueueTimer timer = CreateTimerQueueTimer(
        [&] {
            callbackEntered.SetEvent();
            releaseCallback.WaitFor(INFINITE);
            callbackReturned = true;
        },
        0);
    ASSERT_EQ(callbackEntered.WaitFor(generousTimeoutMs), TWaitResult::wrSignaled);
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        releaseCallback.SetEvent();
    });
    EXPECT_TRUE(DeleteTimerQueueTimer(timer));
    EXPECT_TRUE(callbackReturned);
    releaser.join();
}

TEST_F(TimerQueueTest, ACallbackMayDeleteItsOwnTimer)
{
    std::atomic<TimerQueueTimer> self{0};
    TEvent done(true, false);
    std::atomic<bool> deleteResult{false};
    TEvent created(true, false);
    self = CreateTimerQueueTimer(
        [&] {
            created.WaitFor(INFINITE);
            deleteResult = DeleteTimerQueueTimer(self);
            done.SetEvent();
        },
        0, 1);
    created.SetEvent();
    ASSERT_EQ(done.WaitFor(generousTimeoutMs), TWaitResult::wrSignaled);
    EXPECT_TRUE(deleteResult);
}

TEST_F(TimerQueueTest, AnEmptyCallbackOrHandleIsRefused)
{
    EXPECT_EQ(CreateTimerQueueTimer({}, 0), 0u);
    EXPECT_FALSE(DeleteTimerQueueTimer(0));
}

}  // namespace
