#include "platform/Thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>

#include "MainThreadFixture.h"
#include "platform/Event.h"

namespace {

using ThreadTest = MainThreadFixture;

// Shared with the test, so it can be read after a self-freeing thread is gone.
struct Probe {
    std::atomic<bool> executed{false};
    std::atomic<bool> sawTerminated{false};
    std::atomic<bool> destroyed{false};
};

// Runs until terminated; Terminate wakes it through TerminationRequested.
class WaitingThread : public TThread {
public:
    WaitingThread(bool createSuspended, std::shared_ptr<Probe> probe)
        : TThread(createSuspended), FProbe(std::move(probe))
    {
    }
    ~WaitingThread() override
    {
        StopAndWait();
        FProbe->destroyed = true;
    }

protected:
    void Execute() override
    {
        FProbe->executed = true;
        while (!Terminated())
            FWake.WaitFor(INFINITE);
        FProbe->sawTerminated = true;
    }
    void TerminationRequested() override { FWake.SetEvent(); }

private:
    std::shared_ptr<Probe> FProbe;
    TEvent FWake{false, false};
};

// Runs a test-supplied body once.
class BodyThread : public TThread {
public:
    explicit BodyThread(std::function<void(BodyThread&)> body) : TThread(true), FBody(std::move(body)) {}
    ~BodyThread() override { StopAndWait(); }
    using TThread::Queue;
    using TThread::Synchronize;

protected:
    void Execute() override { FBody(*this); }

private:
    std::function<void(BodyThread&)> FBody;
};

TEST_F(ThreadTest, SuspendedThreadRunsOnlyAfterStart)
{
    auto probe = std::make_shared<Probe>();
    WaitingThread thread(true, probe);
    EXPECT_FALSE(thread.Started());
    EXPECT_EQ(thread.Handle(), 0u);
    thread.Start();
    EXPECT_TRUE(thread.Started());
    EXPECT_NE(thread.Handle(), 0u);
    thread.Terminate();
    thread.WaitFor();
    EXPECT_TRUE(thread.Finished());
    EXPECT_TRUE(probe->executed);
    EXPECT_TRUE(probe->sawTerminated);
}

TEST_F(ThreadTest, StartingTwiceOrAfterFinishingThrows)
{
    BodyThread thread([](BodyThread&) {});
    thread.Start();
    EXPECT_THROW(thread.Start(), EThread);
    thread.WaitFor();
    EXPECT_THROW(thread.Start(), EThread);
}

TEST_F(ThreadTest, ThreadCreatedRunningStartsAfterConstructionAndRefusesStart)
{
    auto probe = std::make_shared<Probe>();
    auto thread = TThread::CreateRunning<WaitingThread>(false, probe);
    EXPECT_TRUE(thread->Started());
    EXPECT_FALSE(thread->CreatedSuspended());
    EXPECT_THROW(thread->Start(), EThread);
    EXPECT_TRUE(ServeUntil([&] { return probe->executed.load(); }));
}

TEST_F(ThreadTest, DestroyingARunningThreadTerminatesAndWaitsForIt)
{
    auto probe = std::make_shared<Probe>();
    auto thread = std::make_unique<WaitingThread>(true, probe);
    thread->Start();
    thread.reset();
    EXPECT_TRUE(probe->sawTerminated);
}

TEST_F(ThreadTest, DestroyingASuspendedThreadRunsItsBodyAlreadyTerminated)
{
    auto probe = std::make_shared<Probe>();
    auto thread = std::make_unique<WaitingThread>(true, probe);
    thread.reset();
    EXPECT_TRUE(probe->executed);
    EXPECT_TRUE(probe->sawTerminated);
}

TEST_F(ThreadTest, FreeOnTerminateThreadDeletesItselfAfterItsBody)
{
    auto probe = std::make_shared<Probe>();
    auto* thread = new WaitingThread(true, probe);
    thread->SetFreeOnTerminate(true);
    thread->Start();
    thread->Terminate();
    thread = nullptr;  // the thread owns itself from here
    EXPECT_TRUE(ServeUntil([&] { return probe->destroyed.load(); }));
    EXPECT_TRUE(probe->sawTerminated);
}

TEST_F(ThreadTest, WaitForOnASelfFreeingThreadThrows)
{
    BodyThread thread([](BodyThread&) {});
    thread.SetFreeOnTerminate(true);
    EXPECT_THROW(thread.WaitFor(), EThread);
    thread.SetFreeOnTerminate(false);
}

TEST_F(ThreadTest, AnonymousThreadRunsItsProcedureAndFreesItself)
{
    std::atomic<bool> ran{false};
    TThread* thread = TThread::CreateAnonymousThread([&] { ran = true; });
    EXPECT_TRUE(thread->FreeOnTerminate());
    thread->Start();
    EXPECT_TRUE(ServeUntil([&] { return ran.load(); }));
}

TEST_F(ThreadTest, SynchronizeFromTheBodyWhileTheMainThreadWaitsForItDoesNotDeadlock)
{
    int sum = 0;
    bool allOnMain = true;
    BodyThread thread([&](BodyThread& self) {
        for (int i = 1; i <= 10; ++i) {
            self.Synchronize([&, i] {
                sum += i;
                allOnMain = allOnMain && IsMainThread();
            });
        }
    });
    thread.Start();
    thread.WaitFor();
    EXPECT_EQ(sum, 55);
    EXPECT_TRUE(allOnMain);
}

TEST_F(ThreadTest, OnTerminateRunsOnTheMainThreadAfterTheBody)
{
    std::atomic<bool> bodyDone{false};
    bool bodyDoneFirst = false;
    bool onMain = false;
    BodyThread thread([&](BodyThread&) { bodyDone = true; });
    thread.OnTerminate = [&] {
        bodyDoneFirst = bodyDone;
        onMain = IsMainThread();
    };
    thread.Start();
    thread.WaitFor();
    EXPECT_TRUE(bodyDoneFirst);
    EXPECT_TRUE(onMain);
}

TEST_F(ThreadTest, WorkQueuedByAThreadIsDroppedWhenTheThreadIsFreed)
{
    bool queuedRan = false;
    bool otherRan = false;
    auto thread = std::make_unique<BodyThread>([&](BodyThread& self) {
        self.Queue([&] { queuedRan = true; });
        QueueInMainThreadQueue([&] { otherRan = true; });
    });
    thread->Start();
    while (!thread->Finished())
        std::this_thread::yield();
    thread.reset();  // frees the thread before the main thread serves its queue
    while (ProcessMainThreadQueue()) {
    }
    EXPECT_FALSE(queuedRan);
    EXPECT_TRUE(otherRan);
}

TEST_F(ThreadTest, QueueOnTheMainThreadRunsAtOnce)
{
    bool ran = false;
    TThread::Queue(nullptr, [&] { ran = true; });
    EXPECT_TRUE(ran);
}

TEST_F(ThreadTest, ExceptionEscapingTheBodyIsKeptAsFatalException)
{
    BodyThread thread([](BodyThread&) { throw std::runtime_error("body failed"); });
    EXPECT_EQ(thread.FatalException(), nullptr);
    thread.Start();
    thread.WaitFor();
    ASSERT_NE(thread.FatalException(), nullptr);
    try {
        std::rethrow_exception(thread.FatalException());
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "body failed");
    }
}

TEST_F(ThreadTest, WaitForFromAnotherWorkerBlocksUntilTheBodyReturned)
{
    auto probe = std::make_shared<Probe>();
    WaitingThread waited(true, probe);
    waited.Start();
    std::atomic<bool> waiterSawFinished{false};
    BodyThread waiter([&](BodyThread&) {
        waited.WaitFor();
        waiterSawFinished = waited.Finished();
    });
    waiter.Start();
    waited.Terminate();
    waiter.WaitFor();
    EXPECT_TRUE(waiterSawFinished);
}

TEST_F(ThreadTest, WaitingForItselfThrows)
{
    std::atomic<bool> threw{false};
    BodyThread thread([&](BodyThread& self) {
        try {
            self.WaitFor();
        } catch (const EThread&) {
            threw = true;
        }
    });
    thread.Start();
    thread.WaitFor();
    EXPECT_TRUE(threw);
}

TEST_F(ThreadTest, ThreadNameIsCutToFifteenBytes)
{
    std::string name;
    BodyThread thread([&](BodyThread&) {
        TThread::NameThreadForDebugging("PlaybackSliderUpdater");
        char buffer[32] = {};
        pthread_getname_np(pthread_self(), buffer, sizeof buffer);
        name = buffer;
    });
    thread.Start();
    thread.WaitFor();
    EXPECT_EQ(name, "PlaybackSliderU");
}

}  // namespace
