// The WASAPI-style layer: endpoints of the virtual sound system (hand-driven clock, lost, failed and
// busy endpoints) and a real ALSA PCM that writes what it plays to a file.
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "AlsaFileDevices.h"
#include "JackServer.h"
#include "VirtualDeviceList.h"
#include "audiolib/audiolib.h"
#include "audiolib/devices/VirtualDevices.h"

using audiofixtures::WaitUntil;
using audiolib::VirtualDevices;

namespace {

constexpr unsigned kWaitMs = 10000;

// Sample i of every stream in these tests: never 0, so silence from an underrun stands out.
float Ramp(size_t i) { return static_cast<float>(i % 4096 + 1) / 4096.0f; }

// A WASAPIPROC for outputs giving the ramp, and for inputs keeping what arrives.
struct Feed {
  std::mutex mutex;
  size_t given = 0;  // samples
  std::vector<float> received;
  bool refuseInput = false;

  size_t Given() {
    std::lock_guard lock(mutex);
    return given;
  }
  size_t ReceivedCount() {
    std::lock_guard lock(mutex);
    return received.size();
  }
};

DWORD GiveRamp(void* buffer, DWORD length, void* user) {
  auto* feed = static_cast<Feed*>(user);
  std::lock_guard lock(feed->mutex);
  auto* samples = static_cast<float*>(buffer);
  for (size_t i = 0; i < length / sizeof(float); ++i) samples[i] = Ramp(feed->given++);
  return length;
}

DWORD KeepInput(void* buffer, DWORD length, void* user) {
  auto* feed = static_cast<Feed*>(user);
  std::lock_guard lock(feed->mutex);
  const auto* samples = static_cast<const float*>(buffer);
  feed->received.insert(feed->received.end(), samples, samples + length / sizeof(float));
  return feed->refuseInput ? 0 : 1;
}

struct Notification {
  DWORD notify;
  DWORD device;
  bool operator==(const Notification&) const = default;
};
std::mutex notificationsMutex;
std::vector<Notification> notifications;

void KeepNotification(DWORD notify, DWORD device, void*) {
  std::lock_guard lock(notificationsMutex);
  notifications.push_back({notify, device});
}

std::vector<Notification> TakeNotifications() {
  std::lock_guard lock(notificationsMutex);
  return std::exchange(notifications, {});
}

// Endpoints 0 "spk" (default output), 1 "hdmi", 2 "off" (disabled outputs), 3 "mic" (input).
class WasapiTest : public ::testing::Test {
 protected:
  WasapiTest()
      : list_("wasapi-output|Speakers|spk|default; wasapi-output|HDMI|hdmi|rate=44100,channels=8;"
              "wasapi-input|Mic|mic|channels=1; wasapi-output|Gone|off|disabled") {
    VirtualDevices::Instance().Reset();
    VirtualDevices::Instance().SetManualClock(true);
    BASS_WASAPI_SetNotify(KeepNotification, nullptr);
    TakeNotifications();
  }
  ~WasapiTest() override {
    for (DWORD device : {0u, 1u, 2u, 3u}) {
      if (BASS_WASAPI_SetDevice(device)) BASS_WASAPI_Free();
    }
    BASS_WASAPI_SetNotify(nullptr, nullptr);
    VirtualDevices::Instance().Reset();
  }

  VirtualDeviceList list_;
};

TEST_F(WasapiTest, AnOutputPlaysExactlyWhatItsProcGaveAsTheClockConsumesIt) {
  std::mutex tapMutex;
  std::vector<float> played;
  VirtualDevices::Instance().SetOutputTap("spk", [&](const float* samples, size_t frames, DWORD chans, DWORD) {
    std::lock_guard lock(tapMutex);
    played.insert(played.end(), samples, samples + frames * chans);
  });
  Feed feed;
  ASSERT_TRUE(BASS_WASAPI_Init(-1, 48000, 2, BASS_WASAPI_EVENT, 0.05f, 0.01f, GiveRamp, &feed)) << BASS_ErrorGetCode();
  EXPECT_EQ(BASS_WASAPI_GetDevice(), 0u);
  BASS_WASAPI_DEVICEINFO endpoint;
  ASSERT_TRUE(BASS_WASAPI_GetDeviceInfo(0, &endpoint));
  EXPECT_NE(endpoint.flags & BASS_DEVICE_INIT, 0u);  // the engine skips Init for such an endpoint
  ASSERT_TRUE(BASS_WASAPI_GetDeviceInfo(1, &endpoint));
  EXPECT_EQ(endpoint.flags & BASS_DEVICE_INIT, 0u);
  BASS_WASAPI_INFO info;
  ASSERT_TRUE(BASS_WASAPI_GetInfo(&info));
  EXPECT_EQ(info.freq, 48000u);
  EXPECT_EQ(info.chans, 2u);
  EXPECT_EQ(info.buflen, 2400u * 2 * 4);  // 50 ms of stereo float
  EXPECT_FALSE(BASS_WASAPI_IsStarted());
  ASSERT_TRUE(BASS_WASAPI_Start());
  EXPECT_TRUE(BASS_WASAPI_IsStarted());
  const size_t bufferSamples = 2400 * 2;
  for (int step = 1; step <= 30; ++step) {
    VirtualDevices::Instance().AdvanceMs(10);  // 480 frames
    // The feeder tops the buffer up again within a period.
    ASSERT_TRUE(WaitUntil([&] { return feed.Given() >= step * 960 + bufferSamples; }, kWaitMs));
  }
  ASSERT_TRUE(BASS_WASAPI_Stop(1));
  EXPECT_FALSE(BASS_WASAPI_IsStarted());
  VirtualDevices::Instance().AdvanceMs(100);
  std::lock_guard lock(tapMutex);
  ASSERT_EQ(played.size(), 30u * 960);
  for (size_t i = 0; i < played.size(); ++i) ASSERT_EQ(played[i], Ramp(i)) << "sample " << i;
}

// Shared, the endpoint runs at its mix rate (48000 Hz here) whatever rate AUTOFORMAT was asked for.
TEST_F(WasapiTest, AnInputHandsEveryCapturedBlockToItsProcAndAFalseStopsIt) {
  size_t next = 0;
  VirtualDevices::Instance().SetInputGenerator("mic", [&](float* samples, size_t frames, DWORD chans, DWORD) {
    for (size_t i = 0; i < frames * chans; ++i) samples[i] = Ramp(next++);
  });
  Feed feed;
  ASSERT_TRUE(BASS_WASAPI_Init(-2, 44100, 1, BASS_WASAPI_AUTOFORMAT, 0.02f, 0, KeepInput, &feed));
  EXPECT_EQ(BASS_WASAPI_GetDevice(), 3u);
  BASS_WASAPI_INFO info;
  ASSERT_TRUE(BASS_WASAPI_GetInfo(&info));
  EXPECT_EQ(info.freq, 48000u);
  EXPECT_EQ(info.chans, 1u);
  ASSERT_TRUE(BASS_WASAPI_Start());
  for (size_t step = 1; step <= 10; ++step) {
    VirtualDevices::Instance().AdvanceMs(10);  // 480 frames; the buffer holds 960
    ASSERT_TRUE(WaitUntil([&] { return feed.ReceivedCount() >= step * 480; }, kWaitMs));
  }
  {
    std::lock_guard lock(feed.mutex);
    ASSERT_EQ(feed.received.size(), 4800u);
    for (size_t i = 0; i < feed.received.size(); ++i) ASSERT_EQ(feed.received[i], Ramp(i)) << i;
    feed.refuseInput = true;
  }
  VirtualDevices::Instance().AdvanceMs(10);
  ASSERT_TRUE(WaitUntil([] { return !BASS_WASAPI_IsStarted(); }, kWaitMs));
  VirtualDevices::Instance().AdvanceMs(50);
  EXPECT_EQ(feed.ReceivedCount(), 4800u + 480);
  ASSERT_TRUE(BASS_WASAPI_Start());  // and it can be started again
  EXPECT_TRUE(BASS_WASAPI_IsStarted());
}

TEST_F(WasapiTest, ALostEndpointNotifiesDisabledAndInitialisesAgainWhenBack) {
  Feed feed;
  ASSERT_TRUE(BASS_WASAPI_Init(1, 0, 0, BASS_WASAPI_AUTOFORMAT, 0.1f, 0, GiveRamp, &feed));
  ASSERT_TRUE(BASS_WASAPI_Start());
  VirtualDevices::Instance().SetLost("hdmi", true);
  EXPECT_EQ(TakeNotifications(), (std::vector<Notification>{{BASS_WASAPI_NOTIFY_DISABLED, 1}}));
  EXPECT_FALSE(BASS_WASAPI_IsStarted());
  EXPECT_FALSE(BASS_WASAPI_Start());
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
  // What the engine does after the notification: free the device, initialise it again.
  ASSERT_TRUE(BASS_WASAPI_SetDevice(1));
  ASSERT_TRUE(BASS_WASAPI_Free());
  EXPECT_FALSE(BASS_WASAPI_Init(1, 0, 0, BASS_WASAPI_AUTOFORMAT, 0.1f, 0, GiveRamp, &feed));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
  VirtualDevices::Instance().SetLost("hdmi", false);
  ASSERT_TRUE(BASS_WASAPI_Init(1, 0, 0, BASS_WASAPI_AUTOFORMAT, 0.1f, 0, GiveRamp, &feed)) << BASS_ErrorGetCode();
  BASS_WASAPI_INFO info;
  ASSERT_TRUE(BASS_WASAPI_GetInfo(&info));
  EXPECT_EQ(info.freq, 44100u);  // the endpoint's own format
  EXPECT_EQ(info.chans, 8u);
  ASSERT_TRUE(BASS_WASAPI_Start());
  VirtualDevices::Instance().FailStreams("hdmi");
  EXPECT_EQ(TakeNotifications(), (std::vector<Notification>{{BASS_WASAPI_NOTIFY_FAIL, 1}}));
  EXPECT_FALSE(BASS_WASAPI_IsStarted());
  EXPECT_TRUE(BASS_WASAPI_Start());  // a failed stream starts again
}

TEST_F(WasapiTest, RefusesMissingBusyAndUnsuitableEndpointsWithTheirCodes) {
  Feed feed;
  struct Case {
    int device;
    DWORD freq;
    DWORD chans;
    DWORD flags;
    int code;
  };
  for (const Case& c : {Case{9, 48000, 2, 0, BASS_ERROR_DEVICE},   // missing
                        Case{2, 48000, 2, 0, BASS_ERROR_DEVICE},   // disabled
                        Case{-3, 48000, 2, 0, BASS_ERROR_DEVICE},  // no such default
                        Case{0, 48000, 4, 0, BASS_ERROR_FORMAT},   // more channels than it has
                        Case{0, 44100, 2, 0, BASS_ERROR_FORMAT},   // shared, not its mix rate
                        Case{0, 48000, 4, BASS_WASAPI_EXCLUSIVE, BASS_ERROR_FORMAT}}) {
    EXPECT_FALSE(BASS_WASAPI_Init(c.device, c.freq, c.chans, c.flags, 0.1f, 0, GiveRamp, &feed)) << c.device;
    EXPECT_EQ(BASS_ErrorGetCode(), c.code) << c.device << " " << c.freq << " " << c.chans;
  }
  EXPECT_FALSE(BASS_WASAPI_Init(0, 48000, 2, 0, 0.1f, 0, nullptr, nullptr));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
  EXPECT_FALSE(BASS_WASAPI_SetDevice(0));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
  EXPECT_FALSE(BASS_WASAPI_SetDevice(7));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);

  VirtualDevices::Instance().SetBusy("spk", true);
  EXPECT_FALSE(BASS_WASAPI_Init(0, 48000, 2, BASS_WASAPI_EXCLUSIVE, 0.1f, 0, GiveRamp, &feed));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_BUSY);
  VirtualDevices::Instance().SetBusy("spk", false);
  ASSERT_TRUE(BASS_WASAPI_Init(0, 48000, 4, BASS_WASAPI_AUTOFORMAT | BASS_WASAPI_EXCLUSIVE, 0.1f, 0, GiveRamp, &feed));
  BASS_WASAPI_INFO info;
  ASSERT_TRUE(BASS_WASAPI_GetInfo(&info));
  EXPECT_EQ(info.chans, 2u);  // AUTOFORMAT took the endpoint's channels
  EXPECT_EQ(info.initflags, BASS_WASAPI_AUTOFORMAT | BASS_WASAPI_EXCLUSIVE);
  EXPECT_FALSE(BASS_WASAPI_Init(0, 48000, 2, 0, 0.1f, 0, GiveRamp, &feed));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
  ASSERT_TRUE(BASS_WASAPI_Free());
  EXPECT_FALSE(BASS_WASAPI_Free());
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
  EXPECT_FALSE(BASS_WASAPI_Start());
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
}

// The endpoint number of the ALSA PCM `name` among the WASAPI-style outputs.
int OutputEndpointNamed(const std::string& name) {
  BASS_WASAPI_DEVICEINFO info;
  for (DWORD i = 0; BASS_WASAPI_GetDeviceInfo(i, &info); ++i) {
    if (name == info.id && (info.flags & BASS_DEVICE_INPUT) == 0) return static_cast<int>(i);
  }
  return -1;
}

TEST(WasapiAlsaTest, AnOutputOnTheAlsaFileDeviceWritesWhatTheProcGave) {
  audiofixtures::AlsaFileDevices alsa;
  const int device = OutputEndpointNamed(audiofixtures::AlsaFileDevices::kPlayDevice);
  ASSERT_GE(device, 0) << "PortAudio does not list the ALSA file PCM";
  Feed feed;
  ASSERT_TRUE(BASS_WASAPI_Init(device, 44100, 2, BASS_WASAPI_AUTOFORMAT, 0.1f, 0, GiveRamp, &feed))
      << BASS_ErrorGetCode();
  BASS_WASAPI_INFO info;
  ASSERT_TRUE(BASS_WASAPI_GetInfo(&info));
  ASSERT_TRUE(BASS_WASAPI_Start());
  ASSERT_TRUE(WaitUntil([&] { return feed.Given() >= 44100 * 2; }, kWaitMs));
  ASSERT_TRUE(BASS_WASAPI_Stop(1));
  ASSERT_TRUE(BASS_WASAPI_Free());
  // The null PCM under the file has no clock: the stream runs faster than the feeder, so the file
  // holds underrun silence between blocks. Every sample the proc gave is there, in order, except
  // what was still buffered at the stop.
  std::vector<float> played = alsa.PlayedFloats();
  std::erase(played, 0.0f);
  ASSERT_GE(played.size(), 44100u);
  for (size_t i = 0; i < played.size(); ++i) ASSERT_EQ(played[i], Ramp(i)) << "sample " << i;
  const size_t periodSamples = info.freq / 100 * info.chans;
  EXPECT_LE(feed.Given() - played.size(), info.buflen / sizeof(float) + periodSamples);
}

}  // namespace
