#include "platform/Event.h"

#include <chrono>


TEvent::TEvent(bool manualReset, bool initialState) : FManualReset(manualReset), FState(initialState)
{
}

void TEvent::SetEvent()
{
    // Notified under the lock: a woken waiter may free the event as soon as it returns.
    std::lock_guard lock(FMutex);
    FState = true;
    FSignalled.notify_all();
}

void TEvent::ResetEvent()
{
    std::lock_guard lock(FMutex);
    FState = false;
}

TWaitResult TEvent::WaitFor(uint32_t timeoutMs)
{
    std::unique_lock lock(FMutex);
    const auto signalled = [this] { return FState; };
    if (timeoutMs == INFINITE)
        FSignalled.wait(lock, signalled);
    else if (!FSignalled.wait_for(lock, std::chrono::milliseconds(timeoutMs), signalled))
        return TWaitResult::wrTimeout;
    if (!FManualReset)
        FState = false;
    return TWaitResult::wrSignaled;
}
