// The audio engine on real ALSA devices of the test's own: a WASAPI-style output on the ALSA file
// PCM writes the music mixer at the slot's volume, and a regular output opens the default (null)
// device. Its own executable: PortAudio must first list the devices after the ALSA set-up.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "AlsaFileDevices.h"
#include "AudioEngineFixture.h"
#include "JackServer.h"
#include "audio/Audio.h"
#include "audio/AudioErrorText.h"
#include "platform/MainThread.h"

using namespace audioengine;
using audiofixtures::AlsaFileDevices;
using audiofixtures::WaitUntil;

namespace {

constexpr unsigned kWaitMs = 10000;

// The file PCM's samples without the underrun silence (a null PCM has no clock: it takes samples
// faster than the feeder gives them).
std::vector<float> Heard(const AlsaFileDevices& alsa) {
  std::vector<float> played = alsa.PlayedFloats();
  std::erase(played, 0.0f);
  return played;
}

TEST(AudioAlsaTest, AWasapiStyleOutputOnAnAlsaFileDeviceWritesTheMusicMixerAtItsVolume) {
  AlsaFileDevices alsa;
  InitMainThread();
  TSystemIni ini;
  SetSlot(ini, 0, TOutputDevType::odMixer, kMethodWasapi, AlsaFileDevices::kPlayDevice);
  SetSlot(ini, 1, TOutputDevType::odMixer, kMethodLibrary, kDefaultDeviceID);
  std::vector<std::string> reports;
  {
    TAudio engine(&ini, [&](const std::string& text) { reports.push_back(text); });
    Audio = &engine;
    engine.InitMixer();
    ToneSource tone;
    ASSERT_TRUE(tone.AddTo(engine.MusicMixer()));
    engine.InitMainOutputs(-1);
    for (int i = 0; i < 2; ++i) {
      ASSERT_EQ(engine.GetOutputs()[i].InitResult, 0u)
          << TAudio::OutputName(i) << ": " << AudioErrorText(static_cast<int>(engine.GetOutputs()[i].InitResult), true);
    }
    engine.SetVolume(0, 40);
    // Well past what the feeder had buffered before the volume changed.
    ASSERT_TRUE(WaitUntil([&] { return Heard(alsa).size() >= 2u * kRate; }, kWaitMs));
    const std::vector<float> heard = Heard(alsa);
    const std::vector<float> recent(heard.end() - 9600, heard.end());
    double peak = 0;
    for (float s : recent) peak = std::max(peak, std::fabs(double{s}));
    EXPECT_NEAR(peak, kToneAmplitude * 0.4, 0.003);
    Audio = nullptr;
  }
  EXPECT_TRUE(reports.empty());
}

}  // namespace
