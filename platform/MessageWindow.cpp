#include "platform/MessageWindow.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/Exception.h"
#include "platform/MainThread.h"
#include "platform/TimerQueue.h"

namespace {

// One running SetTimer; a queued WM_TIMER holds it so that a killed or replaced timer's pending
// tick is recognised and dropped.
struct WindowTimer {
    std::atomic<bool> tickPending{false};
    std::atomic<bool> killed{false};
    TimerQueueTimer queueTimer = 0;
};

struct Window {
    WndProc proc;
    std::map<UINT_PTR, std::shared_ptr<WindowTimer>> timers;  // main thread only
};

struct WindowRegistry {
    std::mutex mutex;
    std::unordered_map<HWND, std::shared_ptr<Window>> windows;
    HWND nextHandle = 1;
};

// Never destroyed: timer callbacks and worker threads may still post while the process exits.
WindowRegistry& Registry()
{
    static auto* registry = new WindowRegistry;
    return *registry;
}

std::shared_ptr<Window> FindWindow(HWND wnd)
{
    auto& registry = Registry();
    std::lock_guard lock(registry.mutex);
    const auto found = registry.windows.find(wnd);
    return found == registry.windows.end() ? nullptr : found->second;
}

// Main thread: calls the procedure of a window that still exists. The shared pointer keeps the
// procedure alive even when it frees its own window.
LRESULT Dispatch(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    const auto window = FindWindow(wnd);
    return window ? window->proc(wnd, msg, wParam, lParam) : 0;
}

void StopWindowTimer(const std::shared_ptr<WindowTimer>& timer)
{
    timer->killed.store(true);
    DeleteTimerQueueTimer(timer->queueTimer);
}

// Timer-queue thread: queues one WM_TIMER unless the previous one has not been handled yet.
void QueueTimerTick(HWND wnd, UINT_PTR id, const std::shared_ptr<WindowTimer>& timer)
{
    if (timer->tickPending.exchange(true))
        return;
    QueueInMainThreadQueue([wnd, id, timer] {
        timer->tickPending.store(false);
        if (!timer->killed.load())
            Dispatch(wnd, WM_TIMER, id, 0);
    });
}

}  // namespace

HWND AllocateHWnd(WndProc proc)
{
    if (!IsMainThread())
        throw Exception("Message windows can only be created on the main thread.");
    auto window = std::make_shared<Window>();
    window->proc = std::move(proc);
    auto& registry = Registry();
    std::lock_guard lock(registry.mutex);
    const HWND wnd = registry.nextHandle++;
    registry.windows.emplace(wnd, std::move(window));
    return wnd;
}

void DeallocateHWnd(HWND wnd)
{
    std::shared_ptr<Window> window;
    {
        auto& registry = Registry();
        std::lock_guard lock(registry.mutex);
        const auto found = registry.windows.find(wnd);
        if (found == registry.windows.end())
            return;
        window = std::move(found->second);
        registry.windows.erase(found);
    }
    for (const auto& [id, timer] : window->timers)
        StopWindowTimer(timer);
}

bool IsWindow(HWND wnd)
{
    return FindWindow(wnd) != nullptr;
}

bool PostMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (!IsWindow(wnd))
        return false;
    QueueInMainThreadQueue([=] { Dispatch(wnd, msg, wParam, lParam); });
    return true;
}

LRESULT SendMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (IsMainThread())
        return Dispatch(wnd, msg, wParam, lParam);
    if (!IsWindow(wnd))
        return 0;
    LRESULT result = 0;
    RunInMainThreadAndWait([&] { result = Dispatch(wnd, msg, wParam, lParam); });
    return result;
}

LRESULT DefWindowProc(HWND, UINT, WPARAM, LPARAM)
{
    return 0;
}

UINT_PTR SetTimer(HWND wnd, UINT_PTR id, UINT elapseMs)
{
    const auto window = FindWindow(wnd);
    if (!window || id == 0)
        return 0;
    KillTimer(wnd, id);
    auto timer = std::make_shared<WindowTimer>();
    const UINT periodMs = elapseMs == 0 ? 1 : elapseMs;
    // The timer-queue callback holds only a weak reference: the window's map owns the timer.
    std::weak_ptr<WindowTimer> weakTimer = timer;
    timer->queueTimer = CreateTimerQueueTimer(
        [wnd, id, weakTimer] {
            if (const auto running = weakTimer.lock())
                QueueTimerTick(wnd, id, running);
        },
        periodMs, periodMs);
    window->timers[id] = std::move(timer);
    return id;
}

bool KillTimer(HWND wnd, UINT_PTR id)
{
    const auto window = FindWindow(wnd);
    if (!window)
        return false;
    const auto found = window->timers.find(id);
    if (found == window->timers.end())
        return false;
    StopWindowTimer(found->second);
    window->timers.erase(found);
    return true;
}
