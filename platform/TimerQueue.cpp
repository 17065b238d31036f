#include "platform/TimerQueue.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

struct QueueTimer {
    std::function<void()> callback;
    std::chrono::milliseconds period;
    std::optional<Clock::time_point> due;  // empty once a one-shot timer has fired
};

// The process-wide timer queue: one thread runs every due callback in turn.
class TimerQueueService {
public:
    ~TimerQueueService()
    {
        {
            std::lock_guard lock(FMutex);
            FStopping = true;
        }
        FChanged.notify_all();
        if (FWorker.joinable())
            FWorker.join();
    }

    TimerQueueTimer Create(std::function<void()> callback, uint32_t dueTimeMs, uint32_t periodMs)
    {
        std::lock_guard lock(FMutex);
        if (!FWorker.joinable())
            FWorker = std::thread([this] { Run(); });
        const TimerQueueTimer handle = FNextHandle++;
        FTimers[handle] = {std::move(callback), std::chrono::milliseconds(periodMs),
                           Clock::now() + std::chrono::milliseconds(dueTimeMs)};
        FChanged.notify_all();
        return handle;
    }

    bool Delete(TimerQueueTimer handle)
    {
        std::unique_lock lock(FMutex);
        const auto found = FTimers.find(handle);
        if (found == FTimers.end())
            return false;
        // Moved out so that it is destroyed after the lock is released.
        auto callback = std::move(found->second.callback);
        FTimers.erase(found);
        if (std::this_thread::get_id() != FWorker.get_id())
            FCallbackDone.wait(lock, [&] { return FRunning != handle; });
        lock.unlock();
        return true;
    }

private:
    void Run()
    {
        std::unique_lock lock(FMutex);
        while (!FStopping) {
            const auto next = EarliestDue();
            if (!next) {
                FChanged.wait(lock);
                continue;
            }
            if (FChanged.wait_until(lock, next->second) != std::cv_status::timeout &&
                Clock::now() < next->second)
                continue;  // woken early: the timer set may have changed
            const auto found = FTimers.find(next->first);
            if (found == FTimers.end() || found->second.due != next->second)
                continue;
            Fire(lock, found->first, found->second);
        }
    }

    // Runs one due timer's callback without the lock held, then schedules its next run.
    void Fire(std::unique_lock<std::mutex>& lock, TimerQueueTimer handle, QueueTimer& timer)
    {
        const auto callback = timer.callback;  // a copy: Delete may erase the timer meanwhile
        if (timer.period.count() > 0)
            timer.due = std::max(*timer.due + timer.period, Clock::now());
        else
            timer.due.reset();
        FRunning = handle;
        lock.unlock();
        callback();
        lock.lock();
        FRunning = 0;
        FCallbackDone.notify_all();
    }

    std::optional<std::pair<TimerQueueTimer, Clock::time_point>> EarliestDue() const
    {
        std::optional<std::pair<TimerQueueTimer, Clock::time_point>> earliest;
        for (const auto& [handle, timer] : FTimers) {
            if (timer.due && (!earliest || *timer.due < earliest->second))
                earliest = std::make_pair(handle, *timer.due);
        }
        return earliest;
    }

    std::mutex FMutex;
    std::condition_variable FChanged;
    std::condition_variable FCallbackDone;
    std::map<TimerQueueTimer, QueueTimer> FTimers;
    TimerQueueTimer FNextHandle = 1;
    TimerQueueTimer FRunning = 0;
    bool FStopping = false;
    std::thread FWorker;
};

TimerQueueService& Service()
{
    static TimerQueueService service;
    return service;
}

}  // namespace

TimerQueueTimer CreateTimerQueueTimer(std::function<void()> callback, uint32_t dueTimeMs,
                                      uint32_t periodMs)
{
    if (!callback)
        return 0;
    return Service().Create(std::move(callback), dueTimeMs, periodMs);
}

bool DeleteTimerQueueTimer(TimerQueueTimer timer)
{
    return timer != 0 && Service().Delete(timer);
}
