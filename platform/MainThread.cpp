#include "platform/MainThread.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace {

struct QueuedWork {
    uint64_t sequence;
    const void* owner;
    std::function<void()> work;
};

struct MainThreadQueue {
    std::atomic<std::thread::id> mainThreadId{};
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<QueuedWork> items;
    uint64_t nextSequence = 0;
    uint64_t wakeGeneration = 0;  // bumped by every queue and notify, so waiters miss no wake-up
    std::function<void()> wakeHook;
};

// Never destroyed: self-freeing threads and timer callbacks may still queue or notify while the
// process exits.
MainThreadQueue& Queue()
{
    static auto* queue = new MainThreadQueue;
    return *queue;
}

uint64_t CurrentWakeGeneration()
{
    auto& queue = Queue();
    std::lock_guard lock(queue.mutex);
    return queue.wakeGeneration;
}

// Waits until something was queued or notified after generation was read, or until timeout.
void WaitForWakeAfter(uint64_t generation, std::chrono::milliseconds timeout)
{
    auto& queue = Queue();
    std::unique_lock lock(queue.mutex);
    queue.changed.wait_for(lock, timeout, [&] { return queue.wakeGeneration != generation; });
}

bool PopWorkQueuedBefore(uint64_t sequenceLimit, QueuedWork& out)
{
    auto& queue = Queue();
    std::lock_guard lock(queue.mutex);
    if (queue.items.empty() || queue.items.front().sequence >= sequenceLimit)
        return false;
    out = std::move(queue.items.front());
    queue.items.pop_front();
    return true;
}

uint64_t NextSequence()
{
    auto& queue = Queue();
    std::lock_guard lock(queue.mutex);
    return queue.nextSequence;
}

// Runs the oldest entry queued before sequenceLimit; false when there is none.
bool RunOneQueuedBefore(uint64_t sequenceLimit)
{
    QueuedWork item;
    if (!PopWorkQueuedBefore(sequenceLimit, item))
        return false;
    auto work = std::move(item.work);
    work();
    return true;
}

}  // namespace

void InitMainThread()
{
    Queue().mainThreadId.store(std::this_thread::get_id());
}

bool IsMainThread()
{
    return Queue().mainThreadId.load() == std::this_thread::get_id();
}

void QueueInMainThreadQueue(std::function<void()> work, const void* owner)
{
    auto& queue = Queue();
    std::function<void()> hook;
    {
        std::lock_guard lock(queue.mutex);
        queue.items.push_back({queue.nextSequence++, owner, std::move(work)});
        ++queue.wakeGeneration;
        hook = queue.wakeHook;
    }
    queue.changed.notify_all();
    if (hook)
        hook();
}

void RunInMainThreadAndWait(std::function<void()> work)
{
    if (IsMainThread()) {
        work();
        return;
    }
    struct Completion {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        std::exception_ptr error;
    };
    auto completion = std::make_shared<Completion>();
    QueueInMainThreadQueue([completion, work = std::move(work)] {
        std::exception_ptr error;
        try {
            work();
        } catch (...) {
            error = std::current_exception();
        }
        std::lock_guard lock(completion->mutex);
        completion->error = std::move(error);  // the waiting thread becomes its only owner
        completion->finished = true;
        completion->done.notify_all();
    });
    std::exception_ptr error;
    {
        std::unique_lock lock(completion->mutex);
        completion->done.wait(lock, [&] { return completion->finished; });
        error = std::move(completion->error);  // this thread alone owns it from here
    }
    if (error)
        std::rethrow_exception(error);
}

void RemoveQueuedForOwner(const void* owner)
{
    if (!owner)
        return;
    std::deque<QueuedWork> removed;  // destroyed outside the lock: captures may hold anything
    auto& queue = Queue();
    std::lock_guard lock(queue.mutex);
    std::deque<QueuedWork> kept;
    for (auto& item : queue.items)
        (item.owner == owner ? removed : kept).push_back(std::move(item));
    queue.items.swap(kept);
}

bool ProcessMainThreadQueue()
{
    const uint64_t sequenceLimit = NextSequence();
    bool ranAny = false;
    while (RunOneQueuedBefore(sequenceLimit))
        ranAny = true;
    return ranAny;
}

void SetMainThreadWakeHook(std::function<void()> hook)
{
    auto& queue = Queue();
    std::lock_guard lock(queue.mutex);
    queue.wakeHook = std::move(hook);
}

void WaitWhileServingMainThread(const std::function<bool()>& done, uint32_t pollMs)
{
    const auto poll = std::chrono::milliseconds(pollMs);
    for (;;) {
        const uint64_t generation = CurrentWakeGeneration();
        if (done())
            return;
        // One entry at a time, so the wait ends as soon as an entry makes done() true.
        if (!RunOneQueuedBefore(NextSequence()))
            WaitForWakeAfter(generation, poll);
    }
}

bool WaitWhileServingMainThreadFor(const std::function<bool()>& done, uint32_t timeoutMs,
                                   uint32_t pollMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const auto poll = std::chrono::milliseconds(pollMs);
    for (;;) {
        const uint64_t generation = CurrentWakeGeneration();
        if (done())
            return true;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return false;
        if (!RunOneQueuedBefore(NextSequence())) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
            WaitForWakeAfter(generation, std::min(poll, left + std::chrono::milliseconds(1)));
        }
    }
}

void WaitForMainThreadWork(uint32_t timeoutMs)
{
    auto& queue = Queue();
    std::unique_lock lock(queue.mutex);
    if (!queue.items.empty())
        return;
    const uint64_t generation = queue.wakeGeneration;
    queue.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return queue.wakeGeneration != generation; });
}

void NotifyMainThreadWaiters()
{
    auto& queue = Queue();
    {
        std::lock_guard lock(queue.mutex);
        ++queue.wakeGeneration;
    }
    queue.changed.notify_all();
}
