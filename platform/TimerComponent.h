#pragma once
// A timer component: while Enabled with an Interval > 0, calls OnTimer (when assigned) on the main
// thread every Interval milliseconds. Created, configured and freed on the main thread.
#include <cstdint>
#include <functional>

#include "platform/WinTypes.h"

class TTimer {
public:
    TTimer();
    ~TTimer();
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;

    uint32_t Interval() const { return FInterval; }  // ms, default 1000; 0 stops the timer
    void SetInterval(uint32_t intervalMs);            // restarts the period
    bool Enabled() const { return FEnabled; }         // default true
    void SetEnabled(bool enabled);

    // Run at every tick; may be assigned or cleared at any time on the main thread.
    std::function<void()> OnTimer;

private:
    void UpdateTimer();

    uint32_t FInterval = 1000;
    bool FEnabled = true;
    HWND FWindowHandle = 0;
};
