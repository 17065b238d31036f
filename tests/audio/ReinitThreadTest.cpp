// Bringing a lost WASAPI-style output back: the notification's report, the wait (through the
// engine's replaceable sleep, so the test sees the delay asked for without waiting it), the rebuild
// on the main thread with the volume restored, and an engine freed while a rebuild is pending.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "AudioEngineFixture.h"
#include "VirtualDeviceList.h"
#include "audio/Audio.h"
#include "platform/MainThread.h"

using namespace audioengine;
using audiolib::VirtualDevices;

namespace {

constexpr uint32_t kWaitMs = 20000;
constexpr int kMainVolume = 40;
const std::string kMainLostText =
    "Playback device disconnected (Main). Sound processing stopped. Attempt to reinit device (Studio).";

// Main on the WASAPI-style endpoint "studio", Monitor on a regular device, Prelisten on the
// WASAPI-style endpoint "booth".
class ReinitTest : public testing::Test {
 protected:
  ReinitTest()
      : list_("output|Monitor out|mon-out|default; wasapi-output|Studio|studio; wasapi-output|Booth|booth") {
    InitMainThread();
    VirtualDevices::Instance().Reset();
    VirtualDevices::Instance().SetManualClock(true);
    taps_.Listen("studio");
    SetSlot(ini_, 0, TOutputDevType::odMixer, kMethodWasapi, "studio");
    SetSlot(ini_, 1, TOutputDevType::odMixer, kMethodLibrary, "mon-out");
    SetSlot(ini_, 2, TOutputDevType::odMixer, kMethodWasapi, "booth");
  }
  ~ReinitTest() override {
    FreeEngine();
    VirtualDevices::Instance().Reset();
  }

  // An engine whose re-initialisation threads wait through `sleep`, with every output up, the
  // tone in its music mixer and Main at kMainVolume.
  void MakeEngine(TReinitSleep sleep) {
    engine_ = std::make_unique<TAudio>(&ini_, [this](const std::string& text) { reports_.push_back(text); });
    Audio = engine_.get();
    engine_->SetReinitSleep(std::move(sleep));
    engine_->InitMixer();
    ASSERT_TRUE(tone_.AddTo(engine_->MusicMixer()));
    engine_->InitMainOutputs(-1);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(engine_->GetOutputs()[i].InitResult, 0u) << "slot " << i;
    engine_->SetVolume(0, kMainVolume);
  }
  void FreeEngine() {
    Audio = nullptr;
    engine_.reset();
  }

  // A sleep that notes the delay asked for and returns at once.
  TReinitSleep NotingSleep() {
    return [this](int32_t delayMs, TEvent&) {
      std::lock_guard lock(mutex_);
      delays_.push_back(delayMs);
    };
  }
  std::vector<int32_t> Delays() {
    std::lock_guard lock(mutex_);
    return delays_;
  }

  static void Play(int ms) {
    for (int t = 0; t < ms; t += 10) {
      VirtualDevices::Instance().AdvanceMs(10);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  bool ServeUntil(const std::function<bool()>& done) { return WaitWhileServingMainThreadFor(done, kWaitMs, 5); }

  VirtualDeviceList list_;
  Taps taps_;
  TSystemIni ini_;
  ToneSource tone_;
  std::unique_ptr<TAudio> engine_;
  std::vector<std::string> reports_;
  std::mutex mutex_;
  std::vector<int32_t> delays_;
};

struct LossCase {
  const char* name;
  bool lost;  // the endpoint goes away (else its stream fails)
  int32_t delayMs;
};

class MainOutputLoss : public ReinitTest, public testing::WithParamInterface<LossCase> {};

TEST_P(MainOutputLoss, IsReportedAndRebuiltAfterTheDelayAtItsVolume) {
  MakeEngine(NotingSleep());
  Play(300);
  ASSERT_NEAR(taps_.RecentPeak("studio", 100), kToneAmplitude * kMainVolume / 100, 0.002);
  const HSTREAM before = engine_->GetOutputs()[0].Handle;

  if (GetParam().lost) {
    VirtualDevices::Instance().SetLost("studio", true);
  } else {
    VirtualDevices::Instance().FailStreams("studio");
  }
  EXPECT_EQ(reports_, std::vector<std::string>{kMainLostText});
  // The rebuild runs only when the main thread serves its queue: the endpoint is back by then.
  if (GetParam().lost) VirtualDevices::Instance().SetLost("studio", false);
  ASSERT_TRUE(ServeUntil([&] {
    const TSplitter main = engine_->GetOutputs()[0];
    return main.Handle != 0 && main.Handle != before;
  })) << "Main was not rebuilt";
  EXPECT_EQ(Delays(), std::vector<int32_t>{GetParam().delayMs});
  EXPECT_EQ(engine_->GetOutputs()[0].InitResult, 0u);

  Play(400);
  EXPECT_NEAR(taps_.RecentPeak("studio", 100), kToneAmplitude * kMainVolume / 100, 0.002) << "playing at its volume";
  EXPECT_EQ(reports_.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Notifications, MainOutputLoss,
                         testing::Values(LossCase{"Disabled", true, 5000}, LossCase{"Failed", false, 10}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReinitTest, AnEndpointStillLostAtTheRebuildLeavesTheErrorInTheSlotWithoutAReport) {
  MakeEngine(NotingSleep());
  VirtualDevices::Instance().SetLost("studio", true);
  ASSERT_TRUE(ServeUntil([&] { return engine_->GetOutputs()[0].InitResult != 0; }));
  EXPECT_EQ(engine_->GetOutputs()[0].InitResult, static_cast<DWORD>(BASS_ERROR_DEVICE));
  EXPECT_EQ(engine_->GetOutputs()[0].Handle, 0u);
  EXPECT_EQ(engine_->GetOutputs()[0].Volume, kMainVolume) << "kept for the next bring-up";
  EXPECT_EQ(reports_, std::vector<std::string>{kMainLostText});
}

TEST_F(ReinitTest, ALaterSlotIsReportedWithoutAnAttemptToBringItBack) {
  MakeEngine(NotingSleep());
  const HSTREAM before = engine_->GetOutputs()[2].Handle;
  VirtualDevices::Instance().SetLost("booth", true);
  EXPECT_EQ(reports_, std::vector<std::string>{"Playback device disconnected (Prelisten). Sound processing stopped. "});
  ProcessMainThreadQueue();
  FreeEngine();  // joins every re-initialisation thread it started
  EXPECT_TRUE(Delays().empty()) << "no thread was started";
  EXPECT_NE(before, 0u);
}

// The engine goes while a re-initialisation thread waits (or while its rebuild waits for the main
// thread): the thread is stopped and joined, and nothing is rebuilt on the engine being freed.
TEST_F(ReinitTest, AnEngineFreedWhileARebuildIsPendingStopsItWithoutRebuilding) {
  for (const bool rebuildQueued : {false, true}) {
    SCOPED_TRACE(rebuildQueued ? "rebuild queued" : "sleeping");
    std::atomic<bool> sleeping{false};
    std::atomic<bool> woken{false};
    MakeEngine([&](int32_t, TEvent& wake) {
      if (rebuildQueued) return;
      sleeping = true;
      woken = wake.WaitFor(kWaitMs) == TWaitResult::wrSignaled;
    });
    VirtualDevices::Instance().SetLost("studio", true);
    VirtualDevices::Instance().SetLost("studio", false);
    // A rebuild that ran would record the settings it used: point Main elsewhere to see it.
    ini_.OutputDevice().Items(0).SetDeviceID("booth");
    if (rebuildQueued) {
      WaitForMainThreadWork(kWaitMs);  // the thread's rebuild has reached the main thread's queue
    } else {
      const auto start = std::chrono::steady_clock::now();
      while (!sleeping && std::chrono::steady_clock::now() - start < std::chrono::milliseconds(kWaitMs)) {
        std::this_thread::yield();
      }
      ASSERT_TRUE(sleeping);
    }
    FreeEngine();
    EXPECT_EQ(woken.load(), !rebuildQueued) << "the wait was cut short";
    EXPECT_EQ(ini_.OutputDevice().Items(0).PrvDeviceID, "studio") << "Main was rebuilt while the engine went";
    ini_.OutputDevice().Items(0).SetDeviceID("studio");
    reports_.clear();
  }
}

}  // namespace
