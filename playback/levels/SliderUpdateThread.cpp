#include "playback/levels/SliderUpdateThread.h"

#include "playback/levels/VolumeSlider.h"

TSliderUpdateThread::TSliderUpdateThread(const TVolumeSliderArr& ASliders, TPassWait passWait)
    : TPxThread(true),
      FSliders(ASliders),
      FEvent(std::make_unique<TEvent>(false, false)),
      FPassWait(std::move(passWait)) {
    if (!FPassWait) FPassWait = [](TEvent& event, uint32_t delayMs) { return event.WaitFor(delayMs); };
    for (TVolumeSlider* slider : FSliders) slider->SetUpdateThread(this);
}

TSliderUpdateThread::~TSliderUpdateThread() { StopAndWait(); }

void TSliderUpdateThread::Stop() { Terminate(); }

void TSliderUpdateThread::TerminationRequested() { FEvent->SetEvent(); }

void TSliderUpdateThread::Wake() {
    FDelay.exchange(movingDelayMs);
    FEvent->SetEvent();
}

bool TSliderUpdateThread::StepSliders() {
    bool allInactive = true;
    for (TVolumeSlider* slider : FSliders) {
        if (Terminated()) break;
        slider->Step();
        if (slider->Active()) allInactive = false;
    }
    return allInactive;
}

void TSliderUpdateThread::Execute() {
    NameThreadForDebugging("PlaybackSliderUpdater");
    while (!Terminated()) {
        const bool allInactive = StepSliders();
        // Set from this pass's outcome rather than only lowered by Wake: a Wake that lands during a
        // pass that found every slider idle would otherwise be overwritten with 10 s, and the
        // newly started ramp would then move once every 10 s. Its signal still ends the next wait.
        FDelay.store(allInactive ? idleDelayMs : movingDelayMs);
        if (!Terminated()) FPassWait(*FEvent, static_cast<uint32_t>(FDelay.load()));
    }
}
