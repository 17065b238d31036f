#pragma once
// An event object: manual reset (stays signalled until ResetEvent) or auto reset (a successful
// wait consumes the signal, releasing one waiter). Any thread may set, reset or wait.
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "platform/WinTypes.h"

enum class TWaitResult { wrSignaled, wrTimeout };

class TEvent {
public:
    TEvent(bool manualReset, bool initialState);
    TEvent(const TEvent&) = delete;
    TEvent& operator=(const TEvent&) = delete;

    void SetEvent();
    void ResetEvent();
    // Waits up to timeoutMs (INFINITE: without limit) for the event to be signalled.
    TWaitResult WaitFor(uint32_t timeoutMs);

private:
    std::mutex FMutex;
    std::condition_variable FSignalled;
    const bool FManualReset;
    bool FState;
};
