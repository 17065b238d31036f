#pragma once
// TThread: the platform thread every worker builds on.
//
// Life-cycle: created suspended (TThread(true), started later with Start) or running (use
// CreateRunning<T>(...), which starts the thread once the derived object is fully constructed; a
// C++ base constructor cannot do that safely). The body is Execute; it runs once on its own
// thread. Terminate only sets the Terminated flag and calls TerminationRequested; the body must
// look at Terminated() (or be woken by the subclass) to return.
//
// Destruction: destroying an object whose body still runs terminates it and waits for it, and
// drops what it queued to the main thread and has not run. Because the base destructor runs after
// the derived part is gone, every derived destructor must call StopAndWait() first (it is
// idempotent); the base destructor calls it again as a last resort, but by then Execute can no
// longer be started for a never-started thread, so such a thread is then simply not run.
//
// FreeOnTerminate: the object deletes itself on its own thread after the body and OnTerminate have
// run; nobody else may delete it or WaitFor it once started.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "platform/Exception.h"

class TThread {
public:
    explicit TThread(bool createSuspended);
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Makes a T whose constructor passes createSuspended = false, then starts it. The caller owns
    // the result; for a FreeOnTerminate thread release() it at once.
    template <class T, class... Args>
    static std::unique_ptr<T> CreateRunning(Args&&... args)
    {
        auto thread = std::make_unique<T>(std::forward<Args>(args)...);
        thread->StartCreatedRunning();
        return thread;
    }

    // A self-freeing thread (created suspended, FreeOnTerminate) whose body is proc. The thread
    // owns itself: call Start once and do not touch the pointer after that.
    static TThread* CreateAnonymousThread(std::function<void()> proc);

    // Starts a suspended thread; any thread. Throws EThread when the thread was already started,
    // has finished, or was not created suspended.
    void Start();

    // Sets Terminated, then calls TerminationRequested (on the calling thread); any thread.
    void Terminate();
    bool Terminated() const { return FTerminated.load(); }

    // Blocks until the body (and OnTerminate) has run. On the main thread it keeps serving the
    // main-thread queue meanwhile, so a body that Synchronizes cannot deadlock it. Returns at once
    // for a thread never started. Throws EThread when called on the thread itself or for a
    // FreeOnTerminate thread.
    void WaitFor();

    void SetFreeOnTerminate(bool value) { FFreeOnTerminate.store(value); }
    bool FreeOnTerminate() const { return FFreeOnTerminate.load(); }
    bool Started() const { return FStarted.load(); }
    bool Finished() const { return FFinished.load(); }  // the body has returned
    bool CreatedSuspended() const { return FCreateSuspended; }
    // The native thread handle (pthread_t) as a number; 0 before Start.
    uintptr_t Handle() const { return FHandle.load(); }
    // The exception that escaped Execute, if any; read it after Finished() or WaitFor.
    std::exception_ptr FatalException() const;

    // Run on the main thread after the body has returned (the thread waits for it); assign before
    // Start.
    std::function<void()> OnTerminate;

    // Names the calling thread for debuggers (pthread_setname_np; cut to 15 bytes).
    static void NameThreadForDebugging(const std::string& name);

    // Static forms: thread (may be null) tags queued work so that freeing it drops the work.
    // Synchronize runs proc on the main thread and waits (directly when called there); an
    // exception from proc is rethrown to the caller. Queue posts proc and returns at once; called
    // on the main thread it runs proc at once instead.
    static void Synchronize(TThread* thread, std::function<void()> proc);
    static void Queue(TThread* thread, std::function<void()> proc);
    // Drops the work queued by thread that has not run yet.
    static void RemoveQueuedEvents(TThread* thread);

protected:
    // The body; runs on the thread. An escaping exception ends the thread and is kept.
    virtual void Execute() = 0;
    // Called by Terminate after the flag is set; lets a subclass wake a blocking wait.
    virtual void TerminationRequested() {}
    // Runs OnTerminate on the main thread (when assigned); called on the thread after Execute.
    virtual void DoTerminate();

    void Synchronize(std::function<void()> proc) { Synchronize(this, std::move(proc)); }
    void Queue(std::function<void()> proc) { Queue(this, std::move(proc)); }

    // Terminates and waits for a running body (starting a still suspended thread first, so its
    // body sees Terminated), then drops this thread's queued main-thread work. Idempotent; every
    // derived destructor calls it first. On the thread itself it only drops the queued work.
    void StopAndWait();

private:
    void StartCreatedRunning();
    void LaunchBody();
    void LaunchBodyOrGiveUp();
    void RunBody();
    void StopAndWait(bool mayStartSuspended);
    bool IsCurrentThread() const { return FThreadId.load() == std::this_thread::get_id(); }
    bool IsDone() const;
    void WaitUntilDone();

    const bool FCreateSuspended;
    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FStarted{false};
    std::atomic<bool> FFinished{false};
    std::atomic<bool> FFreeOnTerminate{false};
    std::atomic<uintptr_t> FHandle{0};
    std::atomic<std::thread::id> FThreadId{};
    std::exception_ptr FFatalException;  // written by the body before FFinished is set

    mutable std::mutex FMutex;           // guards FStartCalled, FDone, FThread
    std::condition_variable FDoneChanged;
    bool FStartCalled = false;           // Start (or StopAndWait) has claimed the start
    bool FDone = false;                  // body and OnTerminate have run
    std::thread FThread;
};
