// Recording from the library's own inputs: virtual inputs with a hand-driven clock, and a real ALSA
// capture device that reads a file.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "AlsaFileDevices.h"
#include "AudioFixtures.h"
#include "VirtualDeviceList.h"
#include "audiolib/audiolib.h"
#include "audiolib/devices/VirtualDevices.h"

using audiolib::VirtualDevices;

namespace {

constexpr auto kWaitLimit = std::chrono::seconds(10);

// What a RECORDPROC received, shared with the capture thread.
struct Received {
  std::mutex mutex;
  std::vector<float> samples;
  std::vector<DWORD> handles;
  size_t stopAfterSamples = 0;  // 0: never ask to stop

  size_t Count() {
    std::lock_guard lock(mutex);
    return samples.size();
  }
  // Waits (bounded) until at least `count` samples have arrived.
  bool WaitFor(size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + kWaitLimit;
    while (Count() < count) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }
};

BOOL CollectFloats(HRECORD handle, const void* buffer, DWORD length, void* user) {
  auto* received = static_cast<Received*>(user);
  std::lock_guard lock(received->mutex);
  const auto* samples = static_cast<const float*>(buffer);
  received->samples.insert(received->samples.end(), samples, samples + length / sizeof(float));
  received->handles.push_back(handle);
  return received->stopAfterSamples == 0 || received->samples.size() < received->stopAfterSamples;
}

// A virtual input whose generator counts up: sample i of the capture is i / 2^20.
class RecordTest : public ::testing::Test {
 protected:
  RecordTest() : list_("input|Desk mic|mic|default; input|Line in|line|channels=1; input|Off|off|disabled") {
    VirtualDevices::Instance().Reset();
    VirtualDevices::Instance().SetManualClock(true);
    VirtualDevices::Instance().SetInputGenerator("mic", [this](float* samples, size_t frames, DWORD chans, DWORD) {
      for (size_t i = 0; i < frames * chans; ++i) samples[i] = Ramp(next_++);
    });
  }
  ~RecordTest() override {
    for (DWORD device : {0u, 1u, 2u}) {
      if (BASS_RecordSetDevice(device)) BASS_RecordFree();
    }
    VirtualDevices::Instance().Reset();
  }
  static float Ramp(size_t i) { return static_cast<float>(i % 1000000) / 1048576.0f; }
  static std::vector<float> RampFrom(size_t first, size_t count) {
    std::vector<float> samples(count);
    for (size_t i = 0; i < count; ++i) samples[i] = Ramp(first + i);
    return samples;
  }

  VirtualDeviceList list_;
  size_t next_ = 0;  // the generator runs on the thread that advances the clock: this one
};

TEST_F(RecordTest, TheRecordProcReceivesExactlyTheCapturedSamplesOnItsOwnThreadWithTheChannelHandle) {
  ASSERT_TRUE(BASS_RecordInit(-1));
  EXPECT_EQ(BASS_RecordGetDevice(), 0u);
  Received received;
  const HRECORD handle = BASS_RecordStart(48000, 2, BASS_SAMPLE_FLOAT, CollectFloats, &received);
  ASSERT_NE(handle, 0u) << BASS_ErrorGetCode();
  EXPECT_EQ(BASS_ChannelIsActive(handle), BASS_ACTIVE_STALLED);  // recording, nothing captured yet
  for (int i = 0; i < 25; ++i) VirtualDevices::Instance().AdvanceMs(10);  // 250 ms: 12000 frames
  ASSERT_TRUE(received.WaitFor(24000));
  std::this_thread::sleep_for(std::chrono::milliseconds(30));  // nothing more may come
  std::lock_guard lock(received.mutex);
  EXPECT_EQ(received.samples, RampFrom(0, 24000));
  for (DWORD h : received.handles) EXPECT_EQ(h, handle);
}

TEST_F(RecordTest, WithoutAProcTheChannelIsReadWithGetDataAndEndsAfterTheStopOnceDrained) {
  ASSERT_TRUE(BASS_RecordInit(0));
  const HRECORD handle = BASS_RecordStart(44100, 2, 0, nullptr, nullptr);  // 16-bit
  ASSERT_NE(handle, 0u) << BASS_ErrorGetCode();
  std::vector<int16_t> block(4410 * 2);
  EXPECT_EQ(BASS_ChannelGetData(handle, block.data(), 100 * 4), 0u);  // nothing captured yet
  VirtualDevices::Instance().AdvanceMs(100);  // 4410 frames
  VirtualDevices::Instance().AdvanceMs(20);   // 882 more
  ASSERT_EQ(BASS_ChannelGetData(handle, block.data(), 4410 * 4), 4410u * 4);
  std::vector<float> expected = RampFrom(0, 4410 * 2);
  for (size_t i = 0; i < block.size(); ++i) ASSERT_NEAR(block[i], expected[i] * 32768.0f, 1.0f) << i;
  ASSERT_TRUE(BASS_ChannelStop(handle));
  VirtualDevices::Instance().AdvanceMs(100);  // stopped: captures nothing
  EXPECT_EQ(BASS_ChannelGetData(handle, block.data(), 4410 * 4), 882u * 4);
  EXPECT_EQ(BASS_ChannelGetData(handle, block.data(), 4410 * 4), ~DWORD{0});
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ENDED);
  EXPECT_EQ(BASS_ChannelIsActive(handle), BASS_ACTIVE_STOPPED);
}

TEST_F(RecordTest, AProcReturningFalseEndsTheRecording) {
  ASSERT_TRUE(BASS_RecordInit(0));
  Received received;
  received.stopAfterSamples = 960;  // the first 10 ms block is the last it wants
  const HRECORD handle = BASS_RecordStart(48000, 2, BASS_SAMPLE_FLOAT, CollectFloats, &received);
  ASSERT_NE(handle, 0u);
  VirtualDevices::Instance().AdvanceMs(10);
  ASSERT_TRUE(received.WaitFor(960));
  const auto deadline = std::chrono::steady_clock::now() + kWaitLimit;
  while (BASS_ChannelIsActive(handle) != BASS_ACTIVE_STOPPED && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  VirtualDevices::Instance().AdvanceMs(100);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(received.Count(), 960u);
  EXPECT_EQ(BASS_ChannelIsActive(handle), BASS_ACTIVE_STOPPED);
}

BOOL FreeOwnChannel(HRECORD handle, const void*, DWORD, void* user) {
  BASS_ChannelFree(handle);
  static_cast<std::atomic<int>*>(user)->fetch_add(1);
  return 1;
}

// Not what a RECORDPROC should do, but it must not bring the process down.
TEST_F(RecordTest, ARecordProcThatFreesItsOwnChannelEndsItsRecordingSafely) {
  ASSERT_TRUE(BASS_RecordInit(0));
  std::atomic<int> calls{0};
  const HRECORD handle = BASS_RecordStart(48000, 2, BASS_SAMPLE_FLOAT, FreeOwnChannel, &calls);
  ASSERT_NE(handle, 0u);
  VirtualDevices::Instance().AdvanceMs(10);
  const auto deadline = std::chrono::steady_clock::now() + kWaitLimit;
  while (calls.load() == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ASSERT_EQ(calls.load(), 1);
  VirtualDevices::Instance().AdvanceMs(100);  // the input is closed: nothing is captured or called
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(calls.load(), 1);
  EXPECT_FALSE(BASS_ChannelStop(handle));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

TEST_F(RecordTest, ALostInputEndsTheRecordingAfterWhatWasCapturedAndRecordsAgainWhenBack) {
  ASSERT_TRUE(BASS_RecordInit(0));
  const HRECORD handle = BASS_RecordStart(48000, 1, BASS_SAMPLE_FLOAT, nullptr, nullptr);
  ASSERT_NE(handle, 0u);
  VirtualDevices::Instance().AdvanceMs(10);
  VirtualDevices::Instance().SetLost("mic", true);
  std::vector<float> block(4800);
  EXPECT_EQ(BASS_ChannelGetData(handle, block.data(), 4800 * 4), 480u * 4);
  EXPECT_EQ(BASS_ChannelGetData(handle, block.data(), 4800 * 4), ~DWORD{0});
  EXPECT_EQ(BASS_RecordStart(48000, 1, BASS_SAMPLE_FLOAT, nullptr, nullptr), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
  VirtualDevices::Instance().SetLost("mic", false);
  const HRECORD again = BASS_RecordStart(48000, 1, BASS_SAMPLE_FLOAT, nullptr, nullptr);
  ASSERT_NE(again, 0u) << BASS_ErrorGetCode();
  VirtualDevices::Instance().AdvanceMs(10);
  EXPECT_EQ(BASS_ChannelGetData(again, block.data(), 4800 * 4), 480u * 4);
}

TEST_F(RecordTest, MissingBusyAndUninitialisedInputsAreRefusedWithTheirCodes) {
  EXPECT_FALSE(BASS_RecordInit(7));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
  EXPECT_FALSE(BASS_RecordInit(2));  // listed but disabled
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
  EXPECT_FALSE(BASS_RecordSetDevice(1));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
  EXPECT_FALSE(BASS_RecordSetDevice(9));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);

  ASSERT_TRUE(BASS_RecordInit(1));
  EXPECT_FALSE(BASS_RecordInit(1));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
  EXPECT_EQ(BASS_RecordStart(48000, 2, BASS_SAMPLE_FLOAT, nullptr, nullptr), 0u);  // a mono input
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FORMAT);
  VirtualDevices::Instance().SetBusy("line", true);
  EXPECT_EQ(BASS_RecordStart(48000, 1, BASS_SAMPLE_FLOAT, nullptr, nullptr), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_BUSY);
  VirtualDevices::Instance().SetBusy("line", false);
  const HRECORD handle = BASS_RecordStart(48000, 1, BASS_SAMPLE_FLOAT, nullptr, nullptr);
  ASSERT_NE(handle, 0u);
  ASSERT_TRUE(BASS_RecordFree());  // frees its channels too
  EXPECT_FALSE(BASS_ChannelIsActive(handle));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  EXPECT_EQ(BASS_RecordStart(48000, 1, BASS_SAMPLE_FLOAT, nullptr, nullptr), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
  EXPECT_FALSE(BASS_RecordFree());
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
}

// The input number of the ALSA PCM `name` in the recording list.
int InputNamed(const std::string& name) {
  BASS_DEVICEINFO info;
  for (DWORD i = 0; BASS_RecordGetDeviceInfo(i, &info); ++i) {
    if (name == info.driver) return static_cast<int>(i);
  }
  return -1;
}

// With a RECORDPROC and without one (the channel read with BASS_ChannelGetData).
TEST(RecordAlsaTest, RecordsExactlyWhatTheAlsaCaptureDeviceReadsFromItsFile) {
  for (const bool withProc : {true, false}) {
    audiofixtures::AlsaFileDevices alsa;
    // PortAudio opens the PCM for 32-bit float samples, so the file PCM reads its raw file as floats.
    const std::vector<float> tone = audiofixtures::Sines({697, 1209}, 0.5, 44100, 22050);
    audiofixtures::WriteBytes(alsa.CaptureRaw(),
                              std::string(reinterpret_cast<const char*>(tone.data()), tone.size() * sizeof(float)));

    const int device = InputNamed(audiofixtures::AlsaFileDevices::kCaptureDevice);
    ASSERT_GE(device, 0) << "PortAudio does not list the ALSA capture PCM";
    ASSERT_TRUE(BASS_RecordInit(device)) << BASS_ErrorGetCode();
    Received received;
    const HRECORD handle =
        BASS_RecordStart(44100, 2, BASS_SAMPLE_FLOAT, withProc ? CollectFloats : nullptr, &received);
    ASSERT_NE(handle, 0u) << BASS_ErrorGetCode();
    std::vector<float> recorded;
    if (withProc) {
      ASSERT_TRUE(received.WaitFor(tone.size()));
      std::lock_guard lock(received.mutex);
      recorded = received.samples;
    } else {
      std::vector<float> block(4096);
      const auto deadline = std::chrono::steady_clock::now() + kWaitLimit;
      while (recorded.size() < tone.size() && std::chrono::steady_clock::now() < deadline) {
        const DWORD bytes = BASS_ChannelGetData(handle, block.data(), 4096 * sizeof(float));
        ASSERT_NE(bytes, ~DWORD{0}) << BASS_ErrorGetCode();
        recorded.insert(recorded.end(), block.begin(), block.begin() + bytes / sizeof(float));
      }
    }
    EXPECT_TRUE(BASS_ChannelStop(handle));
    EXPECT_TRUE(BASS_RecordFree());
    ASSERT_GE(recorded.size(), tone.size()) << (withProc ? "proc" : "GetData");
    recorded.resize(tone.size());
    EXPECT_EQ(recorded, tone) << (withProc ? "proc" : "GetData");
  }
}

}  // namespace
