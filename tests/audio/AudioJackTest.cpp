// The audio engine's ASIO-style output on a real JACK server (dummy driver): the music mixer's tone
// reaches the JACK ports of the configured channel pair at the slot's volume. Its tests run alone
// (a JACK server with real-time deadlines beside other tests misses them on a loaded machine).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "AudioEngineFixture.h"
#include "JackServer.h"
#include "audio/Audio.h"
#include "audio/AudioErrorText.h"
#include "platform/MainThread.h"

using namespace audioengine;
using audiofixtures::JackClient;
using audiofixtures::JackServer;
using audiofixtures::WaitUntil;

namespace {

constexpr unsigned kWaitMs = 10000;
constexpr size_t kRecentFrames = 4800;  // 100 ms

double RecentPeak(const std::vector<float>& samples) {
  double peak = 0;
  for (size_t i = samples.size() - std::min(samples.size(), kRecentFrames); i < samples.size(); ++i) {
    peak = std::max(peak, std::fabs(double{samples[i]}));
  }
  return peak;
}

TEST(AudioJackTest, AnAsioStyleOutputPlaysTheMusicMixerOnItsJackPortsAtItsVolume) {
  JackServer server;
  ASSERT_TRUE(server.Running()) << server.Log();
  InitMainThread();
  TSystemIni ini;
  SetSlot(ini, 0, TOutputDevType::odMixer, kMethodAsio, "system");
  TAudio engine(&ini, nullptr);
  Audio = &engine;
  engine.InitMixer();
  ToneSource tone;
  ASSERT_TRUE(tone.AddTo(engine.MusicMixer()));
  engine.InitMainOutputs(-1);
  ASSERT_EQ(engine.GetOutputs()[0].InitResult, 0u)
      << AudioErrorText(static_cast<int>(engine.GetOutputs()[0].InitResult), true) << "; server log:\n" << server.Log();
  engine.SetVolume(0, 60);

  JackClient reader("reader", 2, 0);
  ASSERT_TRUE(reader.Active());
  const std::vector<std::string> ours = reader.Ports("^PortAudio.*", 0x2 /* JackPortIsOutput */);
  ASSERT_EQ(ours.size(), 2u) << "the output ports of the ASIO-style device";
  ASSERT_TRUE(reader.Connect(ours[0], reader.InputPortName(0)));
  ASSERT_TRUE(reader.Connect(ours[1], reader.InputPortName(1)));
  ASSERT_TRUE(WaitUntil([&] { return reader.Received(1).size() >= 24000; }, kWaitMs));
  for (size_t port : {0u, 1u}) EXPECT_NEAR(RecentPeak(reader.Received(port)), kToneAmplitude * 0.6, 0.002) << port;

  engine.SetVolume(0, 20);
  const size_t before = reader.Received(1).size();
  // Past what the feeder had buffered at the old volume.
  ASSERT_TRUE(WaitUntil([&] { return reader.Received(1).size() >= before + 24000; }, kWaitMs));
  for (size_t port : {0u, 1u}) EXPECT_NEAR(RecentPeak(reader.Received(port)), kToneAmplitude * 0.2, 0.002) << port;
  Audio = nullptr;
}

}  // namespace
