#pragma once
// Timer-queue timers: callbacks run on the timer queue's own thread (not the main thread) after a
// due time and, optionally, periodically. One process-wide queue; its thread starts on first use.
#include <cstdint>
#include <functional>

using TimerQueueTimer = uint64_t;  // 0 means none

// Schedules callback after dueTimeMs, then every periodMs when periodMs > 0 (0: one-shot).
// Callbacks of all timers run one at a time on the queue thread; they must not block for long,
// must not throw, and must not wait for the main thread.
// Returns the timer's handle, or 0 when callback is empty. The handle stays valid after a one-shot
// timer has fired, until DeleteTimerQueueTimer. Any thread.
TimerQueueTimer CreateTimerQueueTimer(std::function<void()> callback, uint32_t dueTimeMs,
                                      uint32_t periodMs = 0);

// Cancels the timer. If its callback is running on another thread, waits until it has returned;
// called from inside the callback itself it returns at once. After the call the callback will not
// start again. Returns false for 0 or an unknown handle. Any thread.
bool DeleteTimerQueueTimer(TimerQueueTimer timer);
