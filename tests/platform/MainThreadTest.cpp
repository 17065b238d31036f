#include "platform/MainThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "MainThreadFixture.h"

namespace {

using MainThreadQueueTest = MainThreadFixture;

TEST_F(MainThreadQueueTest, WorkFromSeveralThreadsRunsOnTheMainThreadInEachThreadsOrder)
{
    constexpr int producers = 4;
    constexpr int itemsEach = 200;
    std::vector<std::vector<int>> seen(producers);
    std::atomic<int> offMainThread{0};
    std::atomic<int> ran{0};
    std::vector<std::thread> threads;
    for (int p = 0; p < producers; ++p) {
        threads.emplace_back([&, p] {
            for (int i = 0; i < itemsEach; ++i) {
                QueueInMainThreadQueue([&, p, i] {
                    if (!IsMainThread())
                        ++offMainThread;
                    seen[p].push_back(i);
                    ++ran;
                });
            }
        });
    }
    EXPECT_TRUE(ServeUntil([&] { return ran == producers * itemsEach; }));
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(offMainThread, 0);
    for (const auto& sequence : seen) {
        ASSERT_EQ(sequence.size(), size_t(itemsEach));
        for (int i = 0; i < itemsEach; ++i)
            EXPECT_EQ(sequence[i], i);
    }
}

TEST_F(MainThreadQueueTest, WorkQueuedWhileProcessingWaitsForTheNextTurn)
{
    std::vector<int> order;
    QueueInMainThreadQueue([&] {
        order.push_back(1);
        QueueInMainThreadQueue([&] { order.push_back(3); });
    });
    QueueInMainThreadQueue([&] { order.push_back(2); });
    EXPECT_TRUE(ProcessMainThreadQueue());
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_TRUE(ProcessMainThreadQueue());
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_FALSE(ProcessMainThreadQueue());
}

TEST_F(MainThreadQueueTest, RunAndWaitRunsDirectlyOnTheMainThread)
{
    bool ran = false;
    RunInMainThreadAndWait([&] { ran = true; });
    EXPECT_TRUE(ran);
}

TEST_F(MainThreadQueueTest, RunAndWaitFromAWorkerReturnsAfterTheMainThreadRanIt)
{
    std::atomic<bool> workerDone{false};
    bool ranOnMain = false;
    bool sawResult = false;
    std::thread worker([&] {
        RunInMainThreadAndWait([&] { ranOnMain = IsMainThread(); });
        sawResult = ranOnMain;  // ordered after the main thread's write by the wait
        workerDone = true;
    });
    EXPECT_TRUE(ServeUntil([&] { return workerDone.load(); }));
    worker.join();
    EXPECT_TRUE(sawResult);
}

TEST_F(MainThreadQueueTest, RunAndWaitRethrowsTheWorksExceptionInTheWorker)
{
    std::atomic<bool> workerDone{false};
    std::string caught;
    std::thread worker([&] {
        try {
            RunInMainThreadAndWait([] { throw std::runtime_error("boom"); });
        } catch (const std::runtime_error& error) {
            caught = error.what();
        }
        workerDone = true;
    });
    EXPECT_TRUE(ServeUntil([&] { return workerDone.load(); }));
    worker.join();
    EXPECT_EQ(caught, "boom");
}

TEST_F(MainThreadQueueTest, RemovingAnOwnersWorkDropsOnlyThatOwnersEntries)
{
    int owner = 0;
    std::vector<int> order;
    QueueInMainThreadQueue([&] { order.push_back(1); }, &owner);
    QueueInMainThreadQueue([&] { order.push_back(2); });
    QueueInMainThreadQueue([&] { order.push_back(3); }, &owner);
    RemoveQueuedForOwner(&owner);
    ProcessMainThreadQueue();
    EXPECT_EQ(order, (std::vector<int>{2}));
}

TEST_F(MainThreadQueueTest, WakeHookIsCalledForWorkQueuedFromAnyThread)
{
    std::atomic<int> wakes{0};
    SetMainThreadWakeHook([&] { ++wakes; });
    QueueInMainThreadQueue([] {});
    std::thread([] { QueueInMainThreadQueue([] {}); }).join();
    SetMainThreadWakeHook({});
    EXPECT_EQ(wakes, 2);
    QueueInMainThreadQueue([] {});
    EXPECT_EQ(wakes, 2);
}

TEST_F(MainThreadQueueTest, WaitingWhileServingRunsAWorkersSynchronousWorkWithoutDeadlock)
{
    std::atomic<bool> finished{false};
    int calls = 0;
    std::thread worker([&] {
        for (int i = 0; i < 5; ++i)
            RunInMainThreadAndWait([&] { ++calls; });
        finished = true;
        NotifyMainThreadWaiters();
    });
    WaitWhileServingMainThread([&] { return finished.load(); });
    worker.join();
    EXPECT_EQ(calls, 5);
}

TEST_F(MainThreadQueueTest, OnlyTheRecordedThreadIsTheMainThread)
{
    EXPECT_TRUE(IsMainThread());
    bool workerIsMain = true;
    std::thread([&] { workerIsMain = IsMainThread(); }).join();
    EXPECT_FALSE(workerIsMain);
}

}  // namespace
