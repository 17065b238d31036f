#pragma once
// The thread ("PlaybackSliderUpdater") that advances a fixed set of volume sliders: one pass steps
// every active slider in array order, then it waits 50 ms while any slider moves and 10 000 ms
// when none does. StartSlider wakes it (Wake) so a new ramp takes its first step at once.
//
// Life-cycle: created suspended; Start it; its owner calls Stop and frees it (the destructor
// stops and joins it, serving the main-thread queue on the main thread, since each step waits
// for OnSliderUpdate there) before freeing the sliders. The sliders are not owned. An exception
// thrown by an OnSliderUpdate ends the thread (kept as its FatalException).
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/Event.h"
#include "runtime/px_thread.h"

class TVolumeSlider;

using TVolumeSliderArr = std::vector<TVolumeSlider*>;

class TSliderUpdateThread : public TPxThread {
public:
    static constexpr int32_t movingDelayMs = 50;
    static constexpr int32_t idleDelayMs = 10000;

    // The wait between two passes: waits on event (this thread's auto-reset event) for at most
    // delayMs. Tests may pass their own to pace the passes without waiting for real time.
    using TPassWait = std::function<TWaitResult(TEvent& event, uint32_t delayMs)>;

    // Copies ASliders and makes itself the update thread of each (TVolumeSlider::SetUpdateThread).
    // Created suspended. passWait empty: a real wait on the event.
    explicit TSliderUpdateThread(const TVolumeSliderArr& ASliders, TPassWait passWait = {});
    ~TSliderUpdateThread() override;

    // Terminates the thread and ends its wait at once; any thread. Does not wait for it.
    void Stop();
    // Makes the next waits 50 ms and ends the current one; any thread.
    void Wake();

protected:
    void Execute() override;
    void TerminationRequested() override;

private:
    bool StepSliders();  // one pass; true when no slider is active afterwards

    TVolumeSliderArr FSliders;
    std::unique_ptr<TEvent> FEvent;  // auto reset, owned
    std::atomic<int32_t> FDelay{0};  // ms between passes
    TPassWait FPassWait;
};
