#pragma once
// The thread classes every long-lived worker derives from, background disposal of a thread, and
// running code on the main thread.
//
// A worker is a TPxThread subclass: constructed suspended (TPxThread(true)), configured, started
// with Start; its derived destructor calls StopAndWait() first (see platform/Thread.h). A thread
// made with the no-argument constructor runs as soon as it is built: make it with
// TThread::CreateRunning<T>(...).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/Thread.h"

class TEvent;

// The platform thread under the product's own name; adds nothing.
class TThreadEx : public TThread {
public:
    using TThread::TThread;
};

class TPxThread : public TThreadEx {
public:
    // Created running; build it with TThread::CreateRunning<T>.
    TPxThread();
    explicit TPxThread(bool createSuspended);

    // Starts a suspended thread; any thread. When the platform refuses (already started, finished,
    // not created suspended, no thread could be made) throws EThread with
    // "Thread start failed (F=finished Ex=0 LE=errno H=handle SP=created suspended ST=started)";
    // the object stays the caller's to free.
    void Start();

    bool WasCreatedSuspended() const { return FWasCreatedSuspended; }

    // A suspended thread that runs threadProc once and then frees itself; call Start once and do
    // not touch the pointer after that. name (when not empty) names the thread for debuggers;
    // exceptionLogEnabled is accepted for callers' sake and not used.
    static TThread* CreateAnonymousThread(std::function<void()> threadProc, const std::string& name = "",
                                          bool exceptionLogEnabled = false);

private:
    const bool FWasCreatedSuspended;
};

// A throw-away thread that terminates, waits for and frees another thread, then frees itself
// (FreeOnTerminate), so that nobody has to block on a slow thread. Construct, take DoneEvent if
// needed, Start, and forget the pointer.
class TThreadTerminator : public TPxThread {
public:
    explicit TThreadTerminator(std::unique_ptr<TThread> thread);
    ~TThreadTerminator() override;

    // A manual-reset event set once the thread has been freed (also when freeing it threw). Shared,
    // so a waiter may keep waiting on it after the terminator has freed itself.
    std::shared_ptr<TEvent> DoneEvent() const { return FDone; }

protected:
    void Execute() override;

private:
    std::unique_ptr<TThread> FThread;
    std::shared_ptr<TEvent> FDone;
};

// Terminates thread at once and hands it to a TThreadTerminator that waits for its body and frees
// it. Waits at most timeoutMs for that (serving the main-thread queue when called on the main
// thread); 0 or less does not wait. A null thread does nothing. Any thread; the caller must wake
// a thread that blocks on anything but Terminated (TerminationRequested does that for ours), or it
// is never freed. When no terminator thread can be started the thread is freed here, blocking.
void FreeThreadInBackground(std::unique_ptr<TThread> thread, int32_t timeoutMs);

// Runs proc on the main thread and returns when it has run: directly on the main thread, else
// through TThread::Synchronize (an exception from proc is rethrown here). Never call it from a
// worker the main thread is waiting for without serving its queue.
void SyncInMainThread(const std::function<void()>& proc);

// On the main thread runs proc at once; from any other thread posts it to the main thread and
// returns at once.
void QueueInMainThread(std::function<void()> proc);
