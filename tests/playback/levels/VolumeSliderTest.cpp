#include "playback/levels/VolumeSlider.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "playback/levels/SliderUpdateThread.h"
#include "tests/platform/MainThreadFixture.h"

namespace {

// Paces the update thread without waiting for real time: a 50 ms wait between passes ends at once
// (taking a pending wake-up with it), as if the 50 ms had passed; any other wait is the real wait
// on the thread's event, which only Wake or Stop can end within the test.
class PassPacer {
public:
    struct Wait {
        uint32_t delayMs;
        TWaitResult result;
    };

    TSliderUpdateThread::TPassWait AsPassWait() {
        return [this](TEvent& event, uint32_t delayMs) {
            {
                std::lock_guard lock(FMutex);
                FRequested.push_back(delayMs);
            }
            const TWaitResult result = event.WaitFor(delayMs == TSliderUpdateThread::movingDelayMs ? 0 : delayMs);
            std::lock_guard lock(FMutex);
            FWaits.push_back({delayMs, result});
            return result;
        };
    }

    // The delays asked for so far, including a wait still running.
    std::vector<uint32_t> Requested() const {
        std::lock_guard lock(FMutex);
        return FRequested;
    }
    // The waits that have ended.
    std::vector<Wait> Waits() const {
        std::lock_guard lock(FMutex);
        return FWaits;
    }

private:
    mutable std::mutex FMutex;
    std::vector<uint32_t> FRequested;
    std::vector<Wait> FWaits;
};

std::vector<uint32_t> Delays(size_t movingWaits, std::vector<uint32_t> then) {
    std::vector<uint32_t> delays(movingWaits, TSliderUpdateThread::movingDelayMs);
    delays.insert(delays.end(), then.begin(), then.end());
    return delays;
}

class VolumeSliderTest : public MainThreadFixture {
protected:
    // Records each update (on the main thread) as the slider's name and position.
    void Watch(TVolumeSlider& slider, const std::string& name) {
        slider.OnSliderUpdate = [this, name](TVolumeSlider* sender) {
            EXPECT_TRUE(IsMainThread());
            updates.emplace_back(name, sender->Position());
        };
    }

    std::vector<double> PositionsOf(const std::string& name) const {
        std::vector<double> positions;
        for (const auto& [who, position] : updates) {
            if (who == name) positions.push_back(position);
        }
        return positions;
    }

    // Serves the main thread until the thread has asked for `count` waits.
    bool ServeUntilWaitsRequested(size_t count) {
        return ServeUntil([&] { return pacer.Requested().size() >= count; });
    }

    void StopThread(std::unique_ptr<TSliderUpdateThread>& thread) {
        thread->Stop();
        thread->WaitFor();
    }

    PassPacer pacer;
    std::vector<std::pair<std::string, double>> updates;
};

TEST_F(VolumeSliderTest, ARampReachesItsTargetInTheComputedNumberOf50MsStepsThenTheThreadIdles) {
    TVolumeSlider slider;
    Watch(slider, "a");
    auto thread = std::make_unique<TSliderUpdateThread>(TVolumeSliderArr{&slider}, pacer.AsPassWait());
    slider.StartSlider(0.0, -12.0, 600);
    thread->Start();

    ASSERT_TRUE(ServeUntilWaitsRequested(12));
    EXPECT_EQ(PositionsOf("a"), (std::vector<double>{-1, -2, -3, -4, -5, -6, -7, -8, -9, -10, -11, -12}));
    EXPECT_FALSE(slider.Active());
    EXPECT_EQ(slider.Position(), -12.0);
    // A step at once, eleven more 50 ms apart, then 10 s waits.
    EXPECT_EQ(pacer.Requested(), Delays(11, {10000}));

    // Stop ends the 10 s wait at once.
    StopThread(thread);
    const std::vector<PassPacer::Wait> waits = pacer.Waits();
    ASSERT_EQ(waits.size(), 12u);
    EXPECT_EQ(waits.back().delayMs, 10000u);
    EXPECT_EQ(waits.back().result, TWaitResult::wrSignaled);
    EXPECT_EQ(updates.size(), 12u);
}

struct RampCase {
    double start, target;
    int32_t durationMs;
    std::vector<double> positions;
};

TEST_F(VolumeSliderTest, RampsEndExactlyOnTheirTarget) {
    const std::vector<RampCase> cases = {
        {-6.0, 0.0, 0, {0.0}},                       // no duration: one step
        {0.0, 1.0, -5, {1.0}},                       // negative duration: one step
        {3.0, 3.0, 500, {3.0}},                      // target = start: the first step ends it
        {10.0, 0.0, 200, {7.5, 5.0, 2.5, 0.0}},      // downwards
        {0.0, 5.0, 120, {50.0 / 24, 100.0 / 24, 5.0}},  // the last step is cut at the target
        {-3.0, 3.0, 40, {3.0}},                      // shorter than one step
        // The summed steps end a rounding error short of 5; no extra step for that.
        {0.0, 5.0, 450, {5.0 / 9, 10.0 / 9, 15.0 / 9, 20.0 / 9, 25.0 / 9, 30.0 / 9, 35.0 / 9, 40.0 / 9, 5.0}},
        {0.0, -6.0, 1000, {-0.3, -0.6, -0.9, -1.2, -1.5, -1.8, -2.1, -2.4, -2.7, -3.0, -3.3, -3.6, -3.9,
                           -4.2, -4.5, -4.8, -5.1, -5.4, -5.7, -6.0}},
    };
    for (const RampCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << " -> " << c.target << " in " << c.durationMs << " ms");
        updates.clear();
        PassPacer ownPacer;
        TVolumeSlider slider;
        Watch(slider, "s");
        auto thread = std::make_unique<TSliderUpdateThread>(TVolumeSliderArr{&slider}, ownPacer.AsPassWait());
        slider.StartSlider(c.start, c.target, c.durationMs);
        thread->Start();
        ASSERT_TRUE(ServeUntil([&] { return !ownPacer.Requested().empty() && ownPacer.Requested().back() == 10000u; }));
        const std::vector<double> positions = PositionsOf("s");
        ASSERT_EQ(positions.size(), c.positions.size());
        for (size_t i = 0; i < positions.size(); ++i) EXPECT_NEAR(positions[i], c.positions[i], 1e-9) << i;
        EXPECT_EQ(positions.back(), c.target);  // exactly
        EXPECT_FALSE(slider.Active());
        // One 50 ms wait between two steps. (A one-step ramp leaves StartSlider's wake-up pending, so
        // its first 10 s wait ends at once and another pass follows.)
        const std::vector<uint32_t> requested = ownPacer.Requested();
        EXPECT_EQ(std::count(requested.begin(), requested.end(), 50u), static_cast<long>(c.positions.size() - 1));
        StopThread(thread);
    }
}

TEST_F(VolumeSliderTest, OneThreadStepsSeveralSlidersInArrayOrderEachPass) {
    TVolumeSlider music, mic, idle;
    Watch(music, "music");
    Watch(mic, "mic");
    Watch(idle, "idle");
    auto thread = std::make_unique<TSliderUpdateThread>(TVolumeSliderArr{&music, &idle, &mic}, pacer.AsPassWait());
    music.StartSlider(0.0, -12.0, 600);
    mic.StartSlider(0.0, 6.0, 150);
    thread->Start();

    ASSERT_TRUE(ServeUntilWaitsRequested(12));
    const std::vector<std::pair<std::string, double>> expectedStart = {
        {"music", -1}, {"mic", 2}, {"music", -2}, {"mic", 4}, {"music", -3}, {"mic", 6}, {"music", -4}};
    ASSERT_GE(updates.size(), expectedStart.size());
    EXPECT_EQ(std::vector(updates.begin(), updates.begin() + 7), expectedStart);
    EXPECT_EQ(PositionsOf("music").size(), 12u);
    EXPECT_EQ(PositionsOf("mic"), (std::vector<double>{2, 4, 6}));
    EXPECT_TRUE(PositionsOf("idle").empty());
    EXPECT_EQ(pacer.Requested(), Delays(11, {10000}));
    StopThread(thread);
}

TEST_F(VolumeSliderTest, StopKeepsThePositionAndTheNextRampStartsFromItsOwnStart) {
    TVolumeSlider slider;
    slider.OnSliderUpdate = [&](TVolumeSlider* sender) {
        updates.emplace_back("s", sender->Position());
        if (sender->Position() == -3.0) sender->Stop();
    };
    auto thread = std::make_unique<TSliderUpdateThread>(TVolumeSliderArr{&slider}, pacer.AsPassWait());
    slider.StartSlider(0.0, -12.0, 600);
    thread->Start();

    // The pass that saw the slider stopped falls back to 10 s waits.
    ASSERT_TRUE(ServeUntilWaitsRequested(3));
    EXPECT_EQ(PositionsOf("s"), (std::vector<double>{-1, -2, -3}));
    EXPECT_FALSE(slider.Active());
    EXPECT_EQ(slider.Position(), -3.0);
    EXPECT_EQ(pacer.Requested(), Delays(2, {10000}));

    // A new ramp wakes the idle thread.
    slider.StartSlider(-6.0, 0.0, 0);
    ASSERT_TRUE(ServeUntilWaitsRequested(4));
    EXPECT_EQ(PositionsOf("s"), (std::vector<double>{-1, -2, -3, 0}));
    EXPECT_EQ(pacer.Requested(), Delays(2, {10000, 10000}));
    EXPECT_EQ(pacer.Waits().at(2).result, TWaitResult::wrSignaled);
    StopThread(thread);
}

TEST_F(VolumeSliderTest, FreeingTheThreadMidRampServesTheWaitingUpdate) {
    TVolumeSlider slider;
    Watch(slider, "s");
    auto thread = std::make_unique<TSliderUpdateThread>(TVolumeSliderArr{&slider});
    slider.StartSlider(0.0, -12.0, 600);
    thread->Start();
    ASSERT_TRUE(ServeUntil([&] { return !updates.empty(); }));
    // The thread is now stepping every 50 ms of real time and waiting for the main thread on
    // each step; freeing it on the main thread must not deadlock.
    thread.reset();
    const size_t updatesWhenFreed = updates.size();
    while (ProcessMainThreadQueue()) {
    }
    EXPECT_EQ(updates.size(), updatesWhenFreed);
    EXPECT_EQ(slider.Position(), updates.back().second);
}

class OtherThread : public TPxThread {
public:
    OtherThread() : TPxThread(true) {}
    ~OtherThread() override { StopAndWait(); }

protected:
    void Execute() override {}
};

void ExpectMessage(const std::function<void()>& call, const std::string& message) {
    try {
        call();
        ADD_FAILURE() << "no exception; expected \"" << message << '"';
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()), message);
    }
}

TEST_F(VolumeSliderTest, ASliderWithoutItsUpdateThreadRefusesToStart) {
    TVolumeSlider slider;
    ExpectMessage([&] { slider.StartSlider(0.0, 1.0, 100); }, "Slider: update thread not assigned");
    EXPECT_FALSE(slider.Active());

    OtherThread other;
    ExpectMessage([&] { slider.SetUpdateThread(&other); }, "Slider update timer is not of correct type.");
    ExpectMessage([&] { slider.StartSlider(0.0, 1.0, 100); }, "Slider: update thread not assigned");
    ExpectMessage([&] { slider.SetUpdateThread(nullptr); }, "Slider update timer is not of correct type.");
    EXPECT_FALSE(slider.Active());
    EXPECT_EQ(slider.Position(), 0.0);
}

}  // namespace
