#include "platform/MainLoop.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "MainThreadFixture.h"

namespace {

using MainLoopTest = MainThreadFixture;

TEST_F(MainLoopTest, RunsQueuedWorkUntilQuitAndReturnsTheExitCode)
{
    std::vector<int> order;
    std::thread worker([&] {
        QueueInMainThreadQueue([&] { order.push_back(1); });
        QueueInMainThreadQueue([&] { order.push_back(2); });
        QuitMainLoop(7);
        QueueInMainThreadQueue([&] { order.push_back(3); });
    });
    const int exitCode = RunMainLoop();
    worker.join();
    EXPECT_EQ(exitCode, 7);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));  // work queued after the quit waits
    ProcessMainThreadQueue();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST_F(MainLoopTest, QuitRequestedFromTheMainThreadEndsTheNextLoop)
{
    QuitMainLoop();
    EXPECT_EQ(RunMainLoop(), 0);
}

TEST_F(MainLoopTest, ProcessingForAWhileReportsWhetherAnythingRan)
{
    EXPECT_FALSE(ProcessMessagesFor(1));
    bool ran = false;
    QueueInMainThreadQueue([&] { ran = true; });
    EXPECT_TRUE(ProcessMessagesFor(1));
    EXPECT_TRUE(ran);
}

TEST_F(MainLoopTest, ProcessingUntilAConditionGivesUpAfterTheTimeout)
{
    EXPECT_FALSE(ProcessMessagesUntil([] { return false; }, 1));
    EXPECT_TRUE(ProcessMessagesUntil([] { return true; }, 0));
}

}  // namespace
