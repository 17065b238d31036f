#include "runtime/px_thread.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/Event.h"
#include "platform/MainThread.h"
#include "platform/MainThreadFixture.h"

namespace {

// A worker whose body waits until the test releases it, ignoring Terminated meanwhile, and that
// tells the test when it has been freed.
class TStubbornThread : public TPxThread {
public:
    TStubbornThread(std::shared_ptr<TEvent> release, std::shared_ptr<std::atomic<bool>> freed)
        : TPxThread(true), FRelease(std::move(release)), FFreed(std::move(freed))
    {
    }
    ~TStubbornThread() override
    {
        StopAndWait();
        FFreed->store(true);
    }

protected:
    void Execute() override { FRelease->WaitFor(INFINITE); }

private:
    std::shared_ptr<TEvent> FRelease;
    std::shared_ptr<std::atomic<bool>> FFreed;
};

class TQuickThread : public TPxThread {
public:
    using TPxThread::TPxThread;
    ~TQuickThread() override { StopAndWait(); }

protected:
    void Execute() override {}
};

class PxThreadTest : public MainThreadFixture {
protected:
    std::shared_ptr<TEvent> release = std::make_shared<TEvent>(true, false);
    std::shared_ptr<std::atomic<bool>> freed = std::make_shared<std::atomic<bool>>(false);

    std::unique_ptr<TStubbornThread> StartedStubbornThread()
    {
        auto thread = std::make_unique<TStubbornThread>(release, freed);
        thread->Start();
        return thread;
    }
};

TEST_F(PxThreadTest, StartingAStartedThreadReportsItsStateInTheMessage)
{
    auto suspended = std::make_unique<TQuickThread>(true);
    suspended->Start();
    auto running = TThread::CreateRunning<TQuickThread>();
    struct TCase {
        TPxThread& thread;
        const char* createdSuspended;
    };
    for (const TCase& c : {TCase{*suspended, "SP=1"}, TCase{*running, "SP=0"}}) {
        try {
            c.thread.Start();
            ADD_FAILURE() << "a second Start was accepted";
        } catch (const EThread& error) {
            const std::string message = error.what();
            EXPECT_EQ(message.rfind("Thread start failed (F=", 0), 0u) << message;
            EXPECT_NE(message.find(" Ex=0 LE="), std::string::npos) << message;
            EXPECT_NE(message.find(c.createdSuspended), std::string::npos) << message;
            EXPECT_NE(message.find(" ST=1)"), std::string::npos) << message;
            EXPECT_EQ(message.find(" H=0 "), std::string::npos) << "a started thread has a handle: " << message;
        }
    }
}

TEST_F(PxThreadTest, FreeingInTheBackgroundReturnsAfterTheTimeoutAndFreesTheThreadWhenItEnds)
{
    // Called from the main thread and from a worker: both give up waiting while the thread runs.
    FreeThreadInBackground(StartedStubbornThread(), 50);
    EXPECT_FALSE(freed->load());
    release->SetEvent();
    EXPECT_TRUE(ServeUntil([&] { return freed->load(); }));

    release->ResetEvent();
    freed->store(false);
    std::unique_ptr<TThread> thread = StartedStubbornThread();
    std::thread caller([&thread] { FreeThreadInBackground(std::move(thread), 50); });
    caller.join();
    EXPECT_FALSE(freed->load());
    release->SetEvent();
    EXPECT_TRUE(ServeUntil([&] { return freed->load(); }));
}

TEST_F(PxThreadTest, FreeingAFinishedThreadInTheBackgroundFreesItBeforeReturning)
{
    release->SetEvent();
    auto thread = StartedStubbornThread();
    ASSERT_TRUE(ServeUntil([&] { return thread->Finished(); }));
    // The terminator may be gone before the wait starts; the wait still ends at once.
    FreeThreadInBackground(std::move(thread), generousTimeoutMs);
    EXPECT_TRUE(freed->load());
}

TEST_F(PxThreadTest, ATimeoutOfZeroDoesNotWaitAndANullThreadIsIgnored)
{
    FreeThreadInBackground(nullptr, 1000);
    FreeThreadInBackground(StartedStubbornThread(), 0);
    EXPECT_FALSE(freed->load());
    release->SetEvent();
    EXPECT_TRUE(ServeUntil([&] { return freed->load(); }));
}

TEST_F(PxThreadTest, TheMainThreadServesAThreadThatSynchronizesWhileItIsFreedInTheBackground)
{
    std::atomic<bool> synchronized{false};
    class TSyncingThread : public TPxThread {
    public:
        explicit TSyncingThread(std::atomic<bool>& done) : TPxThread(true), FDone(done) {}
        ~TSyncingThread() override { StopAndWait(); }

    protected:
        void Execute() override
        {
            while (!Terminated())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            SyncInMainThread([this] { FDone.store(IsMainThread()); });
        }

    private:
        std::atomic<bool>& FDone;
    };
    auto syncing = std::make_unique<TSyncingThread>(synchronized);
    syncing->Start();
    FreeThreadInBackground(std::move(syncing), generousTimeoutMs);
    EXPECT_TRUE(synchronized.load());
}

TEST_F(PxThreadTest, MainThreadDispatchRunsAtOnceOnTheMainThreadAndThroughTheQueueElsewhere)
{
    bool ranAtOnce = false;
    SyncInMainThread([&] { ranAtOnce = true; });
    EXPECT_TRUE(ranAtOnce);
    ranAtOnce = false;
    QueueInMainThread([&] { ranAtOnce = true; });
    EXPECT_TRUE(ranAtOnce);

    std::atomic<bool> syncRanOnMain{false};
    std::atomic<bool> queuedRanOnMain{false};
    std::atomic<bool> syncReturned{false};
    std::atomic<bool> queueReturned{false};
    std::string rethrown;  // read once the worker has joined
    std::atomic<bool> workerDone{false};
    std::thread worker([&] {
        QueueInMainThread([&] { queuedRanOnMain.store(IsMainThread()); });
        queueReturned.store(true);  // before the main thread has served anything
        SyncInMainThread([&] { syncRanOnMain.store(IsMainThread()); });
        syncReturned.store(syncRanOnMain.load());
        try {
            SyncInMainThread([] { throw std::runtime_error("raised on the main thread"); });
        } catch (const std::exception& error) {
            rethrown = error.what();
        }
        workerDone.store(true);
    });
    while (!queueReturned.load())
        std::this_thread::yield();
    EXPECT_FALSE(queuedRanOnMain.load());
    EXPECT_TRUE(ServeUntil([&] { return workerDone.load(); }));
    EXPECT_TRUE(syncReturned.load());
    worker.join();
    EXPECT_TRUE(queuedRanOnMain.load());
    EXPECT_EQ(rethrown, "raised on the main thread");
}

TEST_F(PxThreadTest, AnAnonymousThreadRunsItsProcedureUnderItsNameAndFreesItself)
{
    std::string name;
    std::atomic<bool> ran{false};
    TThread* thread = TPxThread::CreateAnonymousThread(
        [&] {
            char buffer[16] = {};
            pthread_getname_np(pthread_self(), buffer, sizeof buffer);
            name = buffer;
            ran.store(true);
        },
        "TrackLoader");
    thread->Start();
    EXPECT_TRUE(ServeUntil([&] { return ran.load(); }));
    EXPECT_EQ(name, "TrackLoader");
}

}  // namespace
