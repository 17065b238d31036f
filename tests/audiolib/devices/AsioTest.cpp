// The ASIO-style layer: drivers are JACK devices, channels are JACK ports. A private JACK server
// (dummy driver) and a JACK client of the test's own check what reaches the ports; virtual drivers
// cover the channel set-up, rates, notifications and errors on a hand-driven clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "JackServer.h"
#include "VirtualDeviceList.h"
#include "audiolib/audiolib.h"
#include "audiolib/devices/VirtualDevices.h"

namespace {

using audiofixtures::JackClient;
using audiofixtures::JackServer;
using audiofixtures::PlayStereoRampIntoPortAudio;
using audiofixtures::Ramp;
using audiofixtures::RampIndex;
using audiofixtures::WaitUntil;
using audiolib::VirtualDevices;

constexpr unsigned kWaitMs = 10000;

// An ASIOPROC's state: outputs give the ramp, inputs keep what arrives.
struct Feed {
  std::mutex mutex;
  size_t given = 0;  // samples
  std::vector<float> received;
  std::vector<DWORD> channels;  // the channel number of each call

  size_t Given() {
    std::lock_guard lock(mutex);
    return given;
  }
  size_t ReceivedCount() {
    std::lock_guard lock(mutex);
    return received.size();
  }
};

DWORD AsioProc(BOOL input, DWORD channel, void* buffer, DWORD length, void* user) {
  auto* feed = static_cast<Feed*>(user);
  std::lock_guard lock(feed->mutex);
  feed->channels.push_back(channel);
  auto* samples = static_cast<float*>(buffer);
  if (input) {
    feed->received.insert(feed->received.end(), samples, samples + length / sizeof(float));
    return 1;
  }
  for (size_t i = 0; i < length / sizeof(float); ++i) samples[i] = Ramp(feed->given++);
  return length;
}

std::vector<DWORD> notifications;
std::mutex notificationsMutex;
void KeepNotification(DWORD notify, void*) {
  std::lock_guard lock(notificationsMutex);
  notifications.push_back(notify);
}
std::vector<DWORD> TakeNotifications() {
  std::lock_guard lock(notificationsMutex);
  return std::exchange(notifications, {});
}

// The number of the ASIO-style driver `driver`, or -1.
int AsioDriverNamed(const std::string& driver) {
  BASS_ASIO_DEVICEINFO info;
  for (DWORD i = 0; BASS_ASIO_GetDeviceInfo(i, &info); ++i) {
    if (driver == info.driver) return static_cast<int>(i);
  }
  return -1;
}

// Frees every driver the test initialised.
struct AsioCleanup {
  ~AsioCleanup() {
    for (DWORD device = 0; device < 4; ++device) {
      if (BASS_ASIO_SetDevice(device)) BASS_ASIO_Free();
    }
    BASS_ASIO_SetNotify(nullptr, nullptr);
  }
};

// Checks stereo ramp frames that crossed JACK (frames where a port was silent, before its
// connection or after the data, left out): each frame holds two consecutive ramp samples (left,
// right), and each frame follows the one before. A test client without real-time priority can
// miss a JACK cycle on a loaded machine and lose that period, so a few jumps are allowed; a fault
// in the library's path (swapped or dropped channels, lost or repeated blocks, changed values)
// breaks the pairs or jumps at every block.
void ExpectStereoRamp(const std::vector<float>& left, const std::vector<float>& right, size_t minimumFrames) {
  constexpr size_t kAllowedJumps = 5;
  std::vector<size_t> indices;
  for (size_t f = 0; f < std::min(left.size(), right.size()); ++f) {
    if (left[f] == 0.0f || right[f] == 0.0f) continue;
    const size_t index = RampIndex(left[f]);
    EXPECT_EQ(left[f], Ramp(index)) << "frame " << f;  // a ramp value at all
    EXPECT_EQ(right[f], Ramp(index + 1)) << "frame " << f;
    if (left[f] != Ramp(index) || right[f] != Ramp(index + 1)) return;
    indices.push_back(index);
  }
  EXPECT_GE(indices.size(), minimumFrames);
  size_t jumps = 0;
  for (size_t i = 1; i < indices.size(); ++i) {
    if (indices[i] != (indices[i - 1] + 2) % 4096) ++jumps;
  }
  EXPECT_LE(jumps, kAllowedJumps);
}

TEST(AsioJackTest, AStereoOutputPairReachesTheJackPortsAsTheProcGaveIt) {
  JackServer server;
  ASSERT_TRUE(server.Running()) << server.Log();
  AsioCleanup cleanup;
  const int device = AsioDriverNamed("system");
  ASSERT_GE(device, 0) << "PortAudio lists no JACK device; server log:\n" << server.Log();
  ASSERT_TRUE(BASS_ASIO_Init(device, 0)) << BASS_ErrorGetCode();
  EXPECT_EQ(BASS_ASIO_GetRate(), JackServer::kRate);
  EXPECT_FALSE(BASS_ASIO_SetRate(44100));  // JACK runs at its server's rate only
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FORMAT);
  ASSERT_TRUE(BASS_ASIO_SetRate(JackServer::kRate));
  Feed feed;
  // The engine's output bring-up.
  ASSERT_TRUE(BASS_ASIO_ChannelEnable(0, 0, AsioProc, &feed));
  ASSERT_TRUE(BASS_ASIO_ChannelJoin(0, 1, 0));
  ASSERT_TRUE(BASS_ASIO_ChannelSetRate(0, 0, JackServer::kRate));
  ASSERT_TRUE(BASS_ASIO_ChannelSetFormat(0, 0, BASS_ASIO_FORMAT_FLOAT));
  ASSERT_TRUE(BASS_ASIO_ChannelReset(0, 0, BASS_ASIO_RESET_PAUSE));
  ASSERT_TRUE(BASS_ASIO_Start(0, 1)) << BASS_ErrorGetCode();
  EXPECT_TRUE(BASS_ASIO_IsStarted());

  JackClient reader("reader", 2, 0);
  ASSERT_TRUE(reader.Active());
  const std::vector<std::string> ours = reader.Ports("^PortAudio.*", 0x2 /* JackPortIsOutput */);
  ASSERT_EQ(ours.size(), 2u) << "the output ports of the ASIO-style device";
  ASSERT_TRUE(reader.Connect(ours[0], reader.InputPortName(0)));
  ASSERT_TRUE(reader.Connect(ours[1], reader.InputPortName(1)));
  ASSERT_TRUE(WaitUntil([&] { return reader.Received(1).size() >= 24000; }, kWaitMs));
  ASSERT_TRUE(BASS_ASIO_Stop());
  EXPECT_FALSE(BASS_ASIO_IsStarted());
  ExpectStereoRamp(reader.Received(0), reader.Received(1), 4800);
  std::lock_guard lock(feed.mutex);
  EXPECT_TRUE(std::all_of(feed.channels.begin(), feed.channels.end(), [](DWORD c) { return c == 0; }));
}

TEST(AsioJackTest, AnInputPairReceivesWhatAJackClientWrites) {
  JackServer server;
  ASSERT_TRUE(server.Running()) << server.Log();
  AsioCleanup cleanup;
  ASSERT_TRUE(BASS_ASIO_Init(AsioDriverNamed("system"), 0))
      << BASS_ErrorGetCode() << "; server log:\n" << server.Log();
  Feed feed;
  ASSERT_TRUE(BASS_ASIO_ChannelEnable(1, 0, AsioProc, &feed));
  ASSERT_TRUE(BASS_ASIO_ChannelJoin(1, 1, 0));
  ASSERT_TRUE(BASS_ASIO_ChannelSetFormat(1, 0, BASS_ASIO_FORMAT_FLOAT));
  ASSERT_TRUE(BASS_ASIO_Start(0, 1)) << BASS_ErrorGetCode();

  JackClient writer("writer", 0, 2);
  ASSERT_TRUE(writer.Active());
  constexpr size_t kFrames = 12000;
  ASSERT_TRUE(PlayStereoRampIntoPortAudio(writer, kFrames, kWaitMs, "the ASIO-style device"));
  // What JACK has passed on arrives with the device's next blocks.
  WaitUntil([&] {
    std::lock_guard lock(feed.mutex);
    return std::count_if(feed.received.begin(), feed.received.end(), [](float v) { return v != 0.0f; }) >=
           static_cast<long>(2 * kFrames);
  }, 1000);
  ASSERT_TRUE(BASS_ASIO_Stop());
  std::lock_guard lock(feed.mutex);
  std::vector<float> leftIn, rightIn;
  for (size_t i = 0; i + 1 < feed.received.size(); i += 2) {
    leftIn.push_back(feed.received[i]);
    rightIn.push_back(feed.received[i + 1]);
  }
  ExpectStereoRamp(leftIn, rightIn, kFrames * 3 / 4);
}

// Driver 0 "card" with 4 channels each way at 48000 Hz.
class AsioVirtualTest : public ::testing::Test {
 protected:
  AsioVirtualTest() : list_(List(48000)) {
    VirtualDevices::Instance().Reset();
    VirtualDevices::Instance().SetManualClock(true);
    BASS_ASIO_SetNotify(KeepNotification, nullptr);
    TakeNotifications();
  }
  ~AsioVirtualTest() override { VirtualDevices::Instance().Reset(); }
  static std::string List(unsigned rate) { return "asio|Card|card|channels=4,rate=" + std::to_string(rate); }

  VirtualDeviceList list_;
  AsioCleanup cleanup_;
};

TEST_F(AsioVirtualTest, EnabledChannelsPlayOnTheirPortsAndTheOthersAreSilent) {
  std::mutex tapMutex;
  std::vector<float> played;
  VirtualDevices::Instance().SetOutputTap("card", [&](const float* samples, size_t frames, DWORD chans, DWORD) {
    std::lock_guard lock(tapMutex);
    played.insert(played.end(), samples, samples + frames * chans);
  });
  ASSERT_TRUE(BASS_ASIO_Init(-1, 0));
  Feed feed;
  ASSERT_TRUE(BASS_ASIO_ChannelEnable(0, 3, AsioProc, &feed));  // channel 3 first, then 1
  ASSERT_TRUE(BASS_ASIO_ChannelJoin(0, 1, 3));
  ASSERT_TRUE(BASS_ASIO_Start(480, 1));
  for (size_t step = 1; step <= 10; ++step) {
    VirtualDevices::Instance().AdvanceMs(10);
    ASSERT_TRUE(WaitUntil([&] { return feed.Given() >= (step + 4) * 960; }, kWaitMs));  // the ring holds 4 blocks
  }
  ASSERT_TRUE(BASS_ASIO_Stop());
  std::lock_guard lock(tapMutex);
  ASSERT_EQ(played.size(), 4800u * 4);
  for (size_t f = 0; f < 4800; ++f) {
    ASSERT_EQ(played[f * 4 + 3], Ramp(2 * f)) << f;
    ASSERT_EQ(played[f * 4 + 1], Ramp(2 * f + 1)) << f;
    ASSERT_EQ(played[f * 4 + 0], 0.0f);
    ASSERT_EQ(played[f * 4 + 2], 0.0f);
  }
}

TEST_F(AsioVirtualTest, AChannelAtAnotherRateIsResampledAndSixteenBitInputArrivesAsSuch) {
  size_t next = 0;
  VirtualDevices::Instance().SetInputGenerator("card", [&](float* samples, size_t frames, DWORD chans, DWORD) {
    for (size_t i = 0; i < frames * chans; ++i) samples[i] = 0.25f;
    next += frames;
  });
  ASSERT_TRUE(BASS_ASIO_Init(0, 0));
  Feed feed;
  ASSERT_TRUE(BASS_ASIO_ChannelEnable(1, 2, AsioProc, &feed));
  ASSERT_TRUE(BASS_ASIO_ChannelSetRate(1, 2, 24000));
  ASSERT_TRUE(BASS_ASIO_ChannelSetFormat(1, 2, BASS_ASIO_FORMAT_16BIT));
  ASSERT_TRUE(BASS_ASIO_Start(0, 1));
  for (size_t step = 1; step <= 10; ++step) {
    VirtualDevices::Instance().AdvanceMs(10);
    ASSERT_TRUE(WaitUntil([&] { return feed.ReceivedCount() * 2 >= step * 240 - 64; }, kWaitMs));
  }
  ASSERT_TRUE(BASS_ASIO_Stop());
  std::lock_guard lock(feed.mutex);
  const auto* pcm = reinterpret_cast<const int16_t*>(feed.received.data());
  const size_t count = feed.received.size() * 2;  // 16-bit samples in the float-sized store
  EXPECT_NEAR(static_cast<double>(count), 2400.0, 64.0);  // 100 ms at 24000 Hz, less the resampler's delay
  EXPECT_NEAR(pcm[count - 1], 0.25 * 32768, 2);
}

TEST_F(AsioVirtualTest, ADeviceBackAtAnotherRateNotifiesRateAndALostOneNotifiesReset) {
  ASSERT_TRUE(BASS_ASIO_Init(0, 0));
  Feed feed;
  ASSERT_TRUE(BASS_ASIO_ChannelEnable(0, 0, AsioProc, &feed));
  ASSERT_TRUE(BASS_ASIO_Start(0, 1));
  VirtualDevices::Instance().SetLost("card", true);
  EXPECT_EQ(TakeNotifications(), std::vector<DWORD>{BASS_ASIO_NOTIFY_RESET});
  EXPECT_FALSE(BASS_ASIO_IsStarted());
  EXPECT_FALSE(BASS_ASIO_Start(0, 1));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
  {
    VirtualDeviceList changed(List(44100));  // the card comes back at another rate
    VirtualDevices::Instance().SetLost("card", false);
    EXPECT_EQ(TakeNotifications(), std::vector<DWORD>{BASS_ASIO_NOTIFY_RATE});
    EXPECT_EQ(BASS_ASIO_GetRate(), 44100.0);
    EXPECT_EQ(BASS_ASIO_GetDevice(), 0u);
    ASSERT_TRUE(BASS_ASIO_Start(0, 1)) << BASS_ErrorGetCode();
  }
}

TEST_F(AsioVirtualTest, RefusesWhatTheDriverOrItsStateDoesNotAllow) {
  EXPECT_FALSE(BASS_ASIO_Init(3, 0));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
  EXPECT_FALSE(BASS_ASIO_Start(0, 1));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
  EXPECT_FALSE(BASS_ASIO_SetDevice(0));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
  ASSERT_TRUE(BASS_ASIO_Init(0, 0));
  EXPECT_FALSE(BASS_ASIO_Init(0, 0));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
  EXPECT_FALSE(BASS_ASIO_Start(0, 1));  // no channel enabled
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOCHAN);
  Feed feed;
  struct Case {
    const char* what;
    std::function<BOOL()> call;
    int code;
  };
  for (const Case& c : {Case{"channel past the ports", [&] { return BASS_ASIO_ChannelEnable(0, 4, AsioProc, &feed); },
                             BASS_ERROR_ILLPARAM},
                        Case{"joined to itself", [] { return BASS_ASIO_ChannelJoin(0, 2, 2); }, BASS_ERROR_ILLPARAM},
                        Case{"unknown format", [] { return BASS_ASIO_ChannelSetFormat(0, 0, 7); }, BASS_ERROR_FORMAT},
                        Case{"negative channel rate", [] { return BASS_ASIO_ChannelSetRate(0, 0, -1); }, BASS_ERROR_FREQ},
                        Case{"no device rate", [] { return BASS_ASIO_SetRate(0); }, BASS_ERROR_FORMAT}}) {
    EXPECT_FALSE(c.call()) << c.what;
    EXPECT_EQ(BASS_ErrorGetCode(), c.code) << c.what;
  }
  ASSERT_TRUE(BASS_ASIO_SetRate(96000));  // virtual drivers run at any rate
  EXPECT_EQ(BASS_ASIO_GetRate(), 96000.0);
  ASSERT_TRUE(BASS_ASIO_ChannelEnable(0, 0, AsioProc, &feed));
  ASSERT_TRUE(BASS_ASIO_Start(0, 1));
  EXPECT_FALSE(BASS_ASIO_ChannelEnable(0, 1, AsioProc, &feed));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_START);
  EXPECT_FALSE(BASS_ASIO_SetRate(48000));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_START);
  ASSERT_TRUE(BASS_ASIO_Stop());
  ASSERT_TRUE(BASS_ASIO_ChannelReset(0, -1, BASS_ASIO_RESET_ENABLE | BASS_ASIO_RESET_JOIN));
  EXPECT_FALSE(BASS_ASIO_Start(0, 0));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOCHAN);
  ASSERT_TRUE(BASS_ASIO_Free());
  EXPECT_FALSE(BASS_ASIO_Free());
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
}

}  // namespace

namespace {

// PortAudio reports a JACK device once per direction; the driver list holds it once.
TEST(AsioDriverListTest, ADriverReportedOncePerDirectionIsListedOnce) {
  VirtualDeviceList list("asio|system|system; asio|system|system; asio|Other|other");
  BASS_ASIO_DEVICEINFO info;
  ASSERT_TRUE(BASS_ASIO_GetDeviceInfo(0, &info));
  EXPECT_STREQ(info.driver, "system");
  ASSERT_TRUE(BASS_ASIO_GetDeviceInfo(1, &info));
  EXPECT_STREQ(info.driver, "other");
  EXPECT_FALSE(BASS_ASIO_GetDeviceInfo(2, &info));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
}

}  // namespace
