#pragma once
// The main-thread queue: work handed to the main thread from any thread, run in FIFO order.
// The queue is driven by RunMainLoop (CLI, tests) or, through the wake hook, by the Qt event loop.
// Posted window messages, window timers and queued procedures all travel through this one queue.
#include <cstdint>
#include <functional>

// Records the calling thread as the main thread. Call once at start-up before other threads use
// the queue (tests call it from their main thread; calling it again re-records the caller).
void InitMainThread();

// True on the thread recorded by InitMainThread.
bool IsMainThread();

// Appends work for the main thread and returns at once; callable from any thread, also from the
// main thread itself (the work then runs at the next turn of the loop, never inside this call).
// owner (may be null) tags the entry so that RemoveQueuedForOwner can drop it before it runs.
void QueueInMainThreadQueue(std::function<void()> work, const void* owner = nullptr);

// On the main thread runs work directly. From another thread queues it and blocks until the main
// thread has run it; an exception thrown by work is rethrown in the calling thread. The main thread
// must not be waiting for the caller without serving the queue (see WaitWhileServingMainThread).
void RunInMainThreadAndWait(std::function<void()> work);

// Drops every entry queued with this owner that has not started yet (a thread object being freed
// removes what it queued). Callable from any thread.
void RemoveQueuedForOwner(const void* owner);

// Main thread only: runs the entries queued before this call, one by one in order (entries they
// queue wait for the next call). Returns whether anything ran. Safe to call re-entrantly from
// inside a running entry.
bool ProcessMainThreadQueue();

// Installs a callback called (from the queuing thread, outside any lock) whenever work is queued;
// the Qt application uses it to schedule ProcessMainThreadQueue on its event loop. An empty
// function removes the hook; a hook copied by a queuing thread just before may still be called once.
void SetMainThreadWakeHook(std::function<void()> hook);

// Main thread only: returns when done() is true, running queued work while it waits, so a worker
// that Synchronizes or SendMessages meanwhile does not deadlock. Entries run one at a time with
// done() checked between them, so the wait ends right after the entry that satisfies it. done()
// is also re-checked when work is queued, NotifyMainThreadWaiters is called, or every pollMs.
void WaitWhileServingMainThread(const std::function<bool()>& done, uint32_t pollMs = 50);

// As WaitWhileServingMainThread, but gives up after timeoutMs; returns done().
bool WaitWhileServingMainThreadFor(const std::function<bool()>& done, uint32_t timeoutMs,
                                   uint32_t pollMs = 50);

// Main thread only: blocks until work is queued, NotifyMainThreadWaiters is called or timeoutMs
// has passed, whichever comes first; returns at once when work is already queued.
void WaitForMainThreadWork(uint32_t timeoutMs);

// Wakes a main thread waiting in WaitWhileServingMainThread or RunMainLoop so it re-checks its
// condition; callable from any thread (a thread calls it when its body has returned).
void NotifyMainThreadWaiters();
