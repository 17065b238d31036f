#pragma once
// A linear ramp of one level value (dB or percent, as its owner uses it) from a start to a target
// over a duration, advanced in 50 ms steps by a shared TSliderUpdateThread. After every step
// OnSliderUpdate runs on the main thread with the new Position.
//
// Threads: StartSlider, Stop, Active and Position on the main thread (or any thread); the step
// on the update thread only. FSync guards the ramp's fields between them.
// Ownership: the slider does not own its update thread; its owner frees the thread (stopped and
// joined) before the sliders.
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/Exception.h"
#include "platform/MultiReadExclusiveWriteSynchronizer.h"

class TThread;
class TSliderUpdateThread;
class TVolumeSlider;

using TVolumeSliderEvent = std::function<void(TVolumeSlider* ASender)>;

class TVolumeSlider {
public:
    // The step interval of every ramp.
    static constexpr int32_t stepMs = 50;

    TVolumeSlider();
    TVolumeSlider(const TVolumeSlider&) = delete;
    TVolumeSlider& operator=(const TVolumeSlider&) = delete;

    // Stores AThread as the thread that advances this slider, then throws Exception "Slider update
    // timer is not of correct type." unless it is a TSliderUpdateThread (also for null).
    // TSliderUpdateThread's constructor calls it; call it before StartSlider.
    void SetUpdateThread(TThread* AThread);

    // Starts a ramp from AStart to ATarget over ADuration ms: each step adds
    // (ATarget - AStart) / ADuration x 50; ADuration <= 0 reaches the target in one step. The step
    // that reaches or passes the target (or comes within a millionth of a step of it) ends the
    // ramp with Position exactly ATarget. Wakes the update thread, which takes the first step at
    // once. Throws Exception "Slider: update thread not assigned" when no TSliderUpdateThread is set.
    void StartSlider(double AStart, double ATarget, int32_t ADuration);
    // Ends the ramp where it is.
    void Stop();

    bool Active() const;
    double Position() const;

    // Runs on the main thread after each step, while the update thread waits for it. Assign
    // before the update thread starts.
    TVolumeSliderEvent OnSliderUpdate;

private:
    friend class TSliderUpdateThread;
    // One step of an active ramp; update thread only. An exception from OnSliderUpdate is
    // rethrown here.
    void Step();

    bool FActive = false;
    double FPosition = 0.0;
    double FTarget = 0.0;
    double FStep = 0.0;
    std::unique_ptr<TMultiReadExclusiveWriteSynchronizer> FSync;  // owned
    TThread* FUpdateThread = nullptr;                             // not owned
};
