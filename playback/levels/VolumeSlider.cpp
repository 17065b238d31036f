#include "playback/levels/VolumeSlider.h"

#include <cmath>

#include "playback/levels/SliderUpdateThread.h"
#include "playback/levels/SyncGuards.h"
#include "runtime/px_thread.h"

namespace {
constexpr double roundingShare = 1e-6;  // of one step
}  // namespace

TVolumeSlider::TVolumeSlider() : FSync(std::make_unique<TMultiReadExclusiveWriteSynchronizer>()) {}

void TVolumeSlider::SetUpdateThread(TThread* AThread) {
    FUpdateThread = AThread;
    if (!dynamic_cast<TSliderUpdateThread*>(AThread)) throw Exception("Slider update timer is not of correct type.");
}

void TVolumeSlider::StartSlider(double AStart, double ATarget, int32_t ADuration) {
    // A thread of another type was refused by SetUpdateThread: there is nothing to wake.
    auto* updateThread = dynamic_cast<TSliderUpdateThread*>(FUpdateThread);
    if (!updateThread) throw Exception("Slider: update thread not assigned");
    {
        TWriteGuard guard(*FSync);
        FActive = true;
        FPosition = AStart;
        FTarget = ATarget;
        FStep = ADuration > 0 ? (ATarget - AStart) / ADuration * stepMs : ATarget - AStart;
    }
    updateThread->Wake();
}

void TVolumeSlider::Stop() {
    TWriteGuard guard(*FSync);
    FActive = false;
}

bool TVolumeSlider::Active() const {
    TReadGuard guard(*FSync);
    return FActive;
}

double TVolumeSlider::Position() const {
    TReadGuard guard(*FSync);
    return FPosition;
}

void TVolumeSlider::Step() {
    {
        TReadGuard guard(*FSync);
        if (!FActive) return;
    }
    {
        TWriteGuard guard(*FSync);
        // Stop may have come between the two holds; a stopped ramp keeps its position.
        if (!FActive) return;
        FPosition += FStep;
        const bool reached = (FStep <= 0 && FTarget >= FPosition) || (FStep >= 0 && FPosition >= FTarget);
        // Summed steps can fall a rounding error short of the target (0 -> 5 over 450 ms ends at
        // 4.999...); that counts as reached, or the ramp would take one more step of nothing.
        const bool withinRounding = std::abs(FTarget - FPosition) <= std::abs(FStep) * roundingShare;
        // A NaN step (a NaN start or target) would never reach anything.
        if (reached || withinRounding || std::isnan(FStep)) {
            FActive = false;
            FPosition = FTarget;
        }
    }
    if (OnSliderUpdate) SyncInMainThread([this] { OnSliderUpdate(this); });
}
