// Output devices on the virtual back end: what a device plays, moved on by a hand-driven clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <mutex>
#include <vector>

#include "AudioFixtures.h"
#include "VirtualDeviceList.h"
#include "audiolib/audiolib.h"
#include "audiolib/devices/Devices.h"
#include "audiolib/devices/VirtualDevices.h"

using namespace audiofixtures;
using audiolib::Devices;
using audiolib::VirtualDevices;

namespace {

constexpr DWORD kPeriodMs = 20;
constexpr DWORD kBufferMs = 300;

// A virtual device list, a hand-driven clock, and what device "spk" played.
class OutputDeviceTest : public testing::Test {
 protected:
  OutputDeviceTest()
      : list_("output|Speakers|spk|default; output|Slow|slow|rate=22050; output|Off|off|disabled;"
              "output|Mono|mono|channels=1") {
    VirtualDevices::Instance().Reset();
    VirtualDevices::Instance().SetManualClock(true);
    VirtualDevices::Instance().SetOutputTap("spk", [this](const float* samples, size_t frames, DWORD channels, DWORD rate) {
      played_.insert(played_.end(), samples, samples + frames * channels);
      playedRate_ = rate;
    });
    oldBufferMs_ = BASS_GetConfig(BASS_CONFIG_BUFFER);
    oldPeriodMs_ = BASS_GetConfig(BASS_CONFIG_UPDATEPERIOD);
    BASS_SetConfig(BASS_CONFIG_BUFFER, kBufferMs);
    BASS_SetConfig(BASS_CONFIG_UPDATEPERIOD, kPeriodMs);
  }

  ~OutputDeviceTest() override {
    for (DWORD device : {0, 1, 2, 3, 4}) {
      if (BASS_SetDevice(device)) BASS_Free();
    }
    BASS_SetConfig(BASS_CONFIG_BUFFER, oldBufferMs_);
    BASS_SetConfig(BASS_CONFIG_UPDATEPERIOD, oldPeriodMs_);
    VirtualDevices::Instance().Reset();
  }

  // Has the device render ahead now, as its update thread will, so that what the clock moves over
  // does not depend on when that thread runs.
  static void RenderAhead(int device) { Devices::Instance().Output(device)->Update(); }

  static HSTREAM FloatStream(const std::vector<float>& samples, int rate, int chans, const TempDir& dir) {
    WriteWav(dir / "source.wav", samples, rate, chans, 32);
    return BASS_StreamCreateFile(0, (dir / "source.wav").c_str(), 0, 0, BASS_SAMPLE_FLOAT);
  }

  VirtualDeviceList list_;
  std::vector<float> played_;
  DWORD playedRate_ = 0;
  DWORD oldBufferMs_ = 0;
  DWORD oldPeriodMs_ = 0;
};

// Samples no stretch of silence can be mistaken for: a ramp that never crosses zero.
std::vector<float> Ramp(size_t frames, int chans) {
  std::vector<float> samples(frames * chans);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = 0.001f + static_cast<float>(i % 997) / 1000.0f;
  return samples;
}

size_t FirstNonZero(const std::vector<float>& samples) {
  size_t i = 0;
  while (i < samples.size() && samples[i] == 0.0f) ++i;
  return i;
}

TEST_F(OutputDeviceTest, PlaysExactlyTheTimeTheClockMovesAndTheChannelBitForBit) {
  TempDir dir;
  ASSERT_TRUE(BASS_Init(1, 48000, BASS_DEVICE_DSOUND, nullptr, nullptr));
  const std::vector<float> source = Ramp(4800, 2);  // 100 ms
  const HSTREAM stream = FloatStream(source, 48000, 2, dir);
  ASSERT_NE(stream, 0u);
  EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED) << "not played yet";
  ASSERT_TRUE(BASS_ChannelPlay(stream, 1));
  EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_PLAYING);
  EXPECT_EQ(BASS_ChannelGetDevice(stream), 1u);
  RenderAhead(1);
  EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_PLAYING) << "rendered to its end, not yet heard";

  VirtualDevices::Instance().AdvanceMs(7);
  VirtualDevices::Instance().AdvanceMs(193);
  ASSERT_EQ(played_.size(), 200u * 48 * 2) << "200 ms at 48 kHz, stereo";
  EXPECT_EQ(playedRate_, 48000u);

  // Idle, the device keeps only two update periods of silence ahead: that is all the wait.
  const size_t start = FirstNonZero(played_);
  EXPECT_LE(start, 2u * kPeriodMs * 48 * 2);
  ASSERT_GE(played_.size() - start, source.size());
  EXPECT_TRUE(std::equal(source.begin(), source.end(), played_.begin() + static_cast<long>(start)));
  EXPECT_EQ(FirstNonZero({played_.begin() + static_cast<long>(start + source.size()), played_.end()}),
            played_.size() - start - source.size())
      << "silence after the end";
  RenderAhead(1);
  EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED) << "heard to its end";
  BASS_StreamFree(stream);
}

// A 1 kHz tone at 44.1 kHz played at half volume on the 48 kHz device keeps its level to 0.1 dB.
TEST_F(OutputDeviceTest, ResamplesToTheDeviceRateAndAppliesTheVolume) {
  TempDir dir;
  ASSERT_TRUE(BASS_Init(1, 48000, 0, nullptr, nullptr));
  const HSTREAM stream = FloatStream(Sines({1000, 1000}, 0.8, 44100, 44100), 44100, 2, dir);
  ASSERT_TRUE(BASS_ChannelSetAttribute(stream, BASS_ATTRIB_VOL, 0.5f));
  ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
  RenderAhead(1);
  for (int i = 0; i < 50; ++i) {
    VirtualDevices::Instance().AdvanceMs(10);
    RenderAhead(1);
  }
  const size_t start = FirstNonZero(played_) + 2 * 4800;  // past the start, 100 ms in
  const std::vector<float> steady(played_.begin() + static_cast<long>(start),
                                  played_.begin() + static_cast<long>(start + 2 * 19200));
  for (int chan : {0, 1}) {
    const double db = 20 * std::log10(ToneAmplitude(steady, 2, chan, 1000, 48000) / 0.4);
    EXPECT_NEAR(db, 0.0, 0.1) << "channel " << chan;
  }
  BASS_StreamFree(stream);
}

// On a 22.05 kHz device a 14 kHz tone (above its Nyquist frequency) leaves no alias above -60 dB
// while a 1 kHz tone beside it keeps its level.
TEST_F(OutputDeviceTest, ADeviceRateBelowTheToneKeepsItOut) {
  std::vector<float> slowPlayed;
  VirtualDevices::Instance().SetOutputTap("slow", [&](const float* samples, size_t frames, DWORD chans, DWORD) {
    slowPlayed.insert(slowPlayed.end(), samples, samples + frames * chans);
  });
  TempDir dir;
  ASSERT_TRUE(BASS_Init(2, 0, 0, nullptr, nullptr)) << "0: the device's own rate";
  EXPECT_EQ(Devices::Instance().Output(2)->SampleRate(), 22050u);
  const HSTREAM stream = FloatStream(Sines({1000, 14000}, 0.5, 44100, 44100), 44100, 2, dir);
  ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
  RenderAhead(2);
  for (int i = 0; i < 50; ++i) {
    VirtualDevices::Instance().AdvanceMs(10);
    RenderAhead(2);
  }
  ASSERT_EQ(slowPlayed.size(), 500u * 2205 / 100 * 2);
  const size_t start = FirstNonZero(slowPlayed) + 2 * 2205;
  const std::vector<float> steady(slowPlayed.begin() + static_cast<long>(start),
                                  slowPlayed.begin() + static_cast<long>(start + 2 * 8820));
  EXPECT_NEAR(20 * std::log10(ToneAmplitude(steady, 2, 0, 1000, 22050) / 0.5), 0.0, 0.1);
  EXPECT_LT(Peak(std::vector<float>(steady.begin(), steady.end())), 0.5 + 0.01);
  double aliased = 0;
  for (double freq : {22050 - 14000.0, 14000 - 11025.0}) aliased = std::max(aliased, ToneAmplitude(steady, 2, 1, freq, 22050));
  EXPECT_LT(20 * std::log10(aliased / 0.5 + 1e-12), -60.0);
  BASS_StreamFree(stream);
}

TEST_F(OutputDeviceTest, PauseStopAndPlayMoveTheChannelBetweenItsStates) {
  const HSTREAM stream = BASS_StreamCreate(48000, 2, BASS_SAMPLE_FLOAT, STREAMPROC_PUSH, nullptr);
  EXPECT_FALSE(BASS_ChannelPlay(stream, 0)) << "its device (0) is not initialised";
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
  BASS_StreamFree(stream);

  ASSERT_TRUE(BASS_Init(1, 48000, 0, nullptr, nullptr));
  const HSTREAM push = BASS_StreamCreate(48000, 2, BASS_SAMPLE_FLOAT, STREAMPROC_PUSH, nullptr);
  const HSTREAM decode = BASS_StreamCreate(48000, 2, BASS_SAMPLE_FLOAT | BASS_STREAM_DECODE, STREAMPROC_PUSH, nullptr);
  // A second: more than the device renders ahead through the steps below, so it never runs dry there.
  const std::vector<float> data = Ramp(48000, 2);
  BASS_StreamPutData(push, data.data(), static_cast<DWORD>(data.size() * sizeof(float)));

  struct Step {
    const char* what;
    std::function<BOOL()> call;
    int error;
    DWORD state;
  };
  const std::vector<Step> steps{
      {"pause before playing", [&] { return BASS_ChannelPause(push); }, BASS_ERROR_NOPLAY, BASS_ACTIVE_STOPPED},
      {"play", [&] { return BASS_ChannelPlay(push, 0); }, BASS_OK, BASS_ACTIVE_PLAYING},
      {"pause", [&] { return BASS_ChannelPause(push); }, BASS_OK, BASS_ACTIVE_PAUSED},
      {"pause again", [&] { return BASS_ChannelPause(push); }, BASS_ERROR_ALREADY, BASS_ACTIVE_PAUSED},
      {"resume", [&] { return BASS_ChannelPlay(push, 0); }, BASS_OK, BASS_ACTIVE_PLAYING},
      {"stop", [&] { return BASS_ChannelStop(push); }, BASS_OK, BASS_ACTIVE_STOPPED},
      {"play again", [&] { return BASS_ChannelPlay(push, 0); }, BASS_OK, BASS_ACTIVE_PLAYING},
      {"stop the output", [&] { return BASS_Stop(); }, BASS_OK, BASS_ACTIVE_STOPPED},
      {"play with the output stopped", [&] { return BASS_ChannelPlay(push, 0); }, BASS_ERROR_START, BASS_ACTIVE_STOPPED},
      {"start the output", [&] { return BASS_Start(); }, BASS_OK, BASS_ACTIVE_STOPPED},
      {"play on it", [&] { return BASS_ChannelPlay(push, 0); }, BASS_OK, BASS_ACTIVE_PLAYING},
  };
  for (const Step& step : steps) {
    EXPECT_EQ(step.call(), step.error == BASS_OK ? 1 : 0) << step.what;
    EXPECT_EQ(BASS_ErrorGetCode(), step.error) << step.what;
    EXPECT_EQ(BASS_ChannelIsActive(push), step.state) << step.what;
  }

  // A playing push stream that runs dry is stalled, and stopped once its end is marked and played.
  for (int i = 0; i < 15; ++i) {
    RenderAhead(1);
    VirtualDevices::Instance().AdvanceMs(100);
  }
  RenderAhead(1);
  EXPECT_EQ(BASS_ChannelIsActive(push), BASS_ACTIVE_STALLED);
  BASS_StreamPutData(push, nullptr, BASS_STREAMPROC_END);
  VirtualDevices::Instance().AdvanceMs(kPeriodMs);
  RenderAhead(1);
  VirtualDevices::Instance().AdvanceMs(kBufferMs);
  RenderAhead(1);
  EXPECT_EQ(BASS_ChannelIsActive(push), BASS_ACTIVE_STOPPED);

  EXPECT_FALSE(BASS_ChannelPlay(decode, 0));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DECODE);
  EXPECT_FALSE(BASS_ChannelPause(decode));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DECODE);
  EXPECT_EQ(BASS_ChannelIsActive(decode), BASS_ACTIVE_STALLED) << "decode channels keep their own state";
  BASS_StreamFree(push);
  BASS_StreamFree(decode);
}

TEST_F(OutputDeviceTest, ALostDeviceStallsItsChannelsWhichPlayOnWhenItIsBack) {
  TempDir dir;
  ASSERT_TRUE(BASS_Init(1, 48000, 0, nullptr, nullptr));
  const HSTREAM stream = FloatStream(Ramp(48000, 2), 48000, 2, dir);
  ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
  RenderAhead(1);
  VirtualDevices::Instance().AdvanceMs(100);

  VirtualDevices::Instance().SetLost("spk", true);
  EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STALLED);
  VirtualDevices::Instance().AdvanceMs(100);
  EXPECT_EQ(played_.size(), 100u * 96) << "a lost device plays nothing";

  VirtualDevices::Instance().SetLost("spk", false);
  EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_PLAYING);
  RenderAhead(1);
  VirtualDevices::Instance().AdvanceMs(100);
  EXPECT_EQ(played_.size(), 200u * 96);
  EXPECT_GT(Peak(std::vector<float>(played_.end() - 4800, played_.end())), 0.0) << "the channel plays on";

  // Lost again, and freed while lost: the channel stops; the device comes back for the next Init.
  VirtualDevices::Instance().SetLost("spk", true);
  ASSERT_TRUE(BASS_SetDevice(1));
  EXPECT_TRUE(BASS_Free());
  EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED);
  EXPECT_FALSE(BASS_Init(1, 48000, 0, nullptr, nullptr));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
  VirtualDevices::Instance().SetLost("spk", false);
  EXPECT_TRUE(BASS_Init(1, 48000, 0, nullptr, nullptr));
  BASS_StreamFree(stream);
}

TEST_F(OutputDeviceTest, InitRefusesWhatCannotBeOpened) {
  VirtualDevices::Instance().SetBusy("mono", true);
  struct Case {
    int device;
    int error;
  };
  for (const Case& c : {Case{9, BASS_ERROR_DEVICE}, Case{3, BASS_ERROR_DEVICE} /* disabled */,
                        Case{4, BASS_ERROR_BUSY}, Case{-2, BASS_ERROR_DEVICE}}) {
    EXPECT_FALSE(BASS_Init(c.device, 48000, 0, nullptr, nullptr)) << c.device;
    EXPECT_EQ(BASS_ErrorGetCode(), c.error) << c.device;
  }
  VirtualDevices::Instance().SetBusy("mono", false);
  ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
  EXPECT_EQ(BASS_GetDevice(), 1u);
  EXPECT_FALSE(BASS_Init(1, 44100, 0, nullptr, nullptr));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
  BASS_DEVICEINFO info{};
  ASSERT_TRUE(BASS_GetDeviceInfo(1, &info));
  EXPECT_TRUE(info.flags & BASS_DEVICE_INIT);
  ASSERT_TRUE(BASS_Init(4, 44100, 0, nullptr, nullptr));
  EXPECT_EQ(Devices::Instance().Output(4)->Channels(), 1u) << "a mono device plays mono";
}

TEST_F(OutputDeviceTest, TheNoSoundDevicePlaysChannelsToNothingOnTheClock) {
  ASSERT_TRUE(BASS_Init(0, 48000, 0, nullptr, nullptr));
  const auto output = Devices::Instance().Output(0);
  const auto consumed = [&] { return output->FramesPlayed() + output->UnderrunFrames(); };
  const HSTREAM stream = BASS_StreamCreate(48000, 2, BASS_SAMPLE_FLOAT, STREAMPROC_PUSH, nullptr);
  const std::vector<float> data = Ramp(4800, 2);
  BASS_StreamPutData(stream, data.data(), static_cast<DWORD>(data.size() * sizeof(float)) | BASS_STREAMPROC_END);
  VirtualDevices::Instance().AdvanceMs(100);
  EXPECT_EQ(consumed(), 0u) << "idle, it rests";

  ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
  RenderAhead(0);
  EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_PLAYING) << "all of it rendered, not yet played";
  VirtualDevices::Instance().AdvanceMs(150);
  EXPECT_EQ(output->FramesPlayed(), 7200u);
  EXPECT_EQ(output->UnderrunFrames(), 0u);
  RenderAhead(0);
  EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED);
  EXPECT_TRUE(played_.empty());

  const uint64_t before = consumed();
  VirtualDevices::Instance().AdvanceMs(100);
  EXPECT_EQ(consumed(), before) << "idle again, it rests again";
  BASS_StreamFree(stream);
}

}  // namespace
