// Playing through the real ALSA library and PortAudio's ALSA host API, on an ALSA file device of
// the test's own that writes what it plays as a WAV stream.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "AlsaFileDevices.h"
#include "AudioFixtures.h"
#include "audiolib/audiolib.h"
#include "audiolib/devices/Devices.h"

using namespace audiofixtures;

namespace {

// The library's number of the output named `name`, or -1.
int OutputNumbered(const char* name) {
  BASS_DEVICEINFO info{};
  for (DWORD device = 1; BASS_GetDeviceInfo(device, &info); ++device) {
    if (std::strcmp(info.name, name) == 0) return static_cast<int>(device);
  }
  return -1;
}

// Waits (up to 10 s) until `done` holds.
template <class Done>
bool WaitFor(Done&& done) {
  for (int i = 0; i < 1000; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// 16-bit samples with no zero among them, so silence around them cannot be taken for them.
std::vector<float> NonZeroSixteenBit(size_t count) {
  std::mt19937 random(12);
  std::uniform_int_distribution<int> value(1, 30000);
  std::vector<float> samples(count);
  for (float& sample : samples) {
    const int magnitude = value(random);
    sample = static_cast<float>(random() % 2 ? magnitude : -magnitude) / 32768.0f;
  }
  return samples;
}

class AlsaPlaybackTest : public testing::Test {
 protected:
  AlsaPlaybackTest() {
    oldBufferMs_ = BASS_GetConfig(BASS_CONFIG_BUFFER);
    // The null device behind the file takes samples as fast as they come, so the whole sound is
    // rendered in one update (the buffer holds all of it) and reaches the file in one piece.
    BASS_SetConfig(BASS_CONFIG_BUFFER, 5000);
  }
  ~AlsaPlaybackTest() override {
    if (device_ > 0 && BASS_SetDevice(static_cast<DWORD>(device_))) BASS_Free();
    BASS_SetConfig(BASS_CONFIG_BUFFER, oldBufferMs_);
  }

  // Plays the 16-bit stereo WAV `path` on the file device and returns everything ALSA wrote.
  std::vector<float> PlayThroughAlsa(const std::filesystem::path& path, DWORD deviceRate) {
    device_ = OutputNumbered(AlsaFileDevices::kPlayDevice);
    EXPECT_GT(device_, 0) << "PortAudio lists the ALSA file device";
    if (device_ <= 0) return {};
    EXPECT_TRUE(BASS_Init(device_, deviceRate, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
    const HSTREAM stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0);
    EXPECT_NE(stream, 0u);
    EXPECT_TRUE(BASS_ChannelPlay(stream, 1));
    EXPECT_TRUE(WaitFor([&] { return BASS_ChannelIsActive(stream) == BASS_ACTIVE_STOPPED; }));
    const auto output = audiolib::Devices::Instance().Output(device_);
    EXPECT_TRUE(WaitFor([&] { return output->BufferedFrames() == 0; }));
    EXPECT_TRUE(BASS_Free());
    device_ = -1;
    BASS_StreamFree(stream);
    return alsa_.PlayedFloats();
  }

  AlsaFileDevices alsa_;
  TempDir dir_;
  int device_ = -1;
  DWORD oldBufferMs_ = 0;
};

TEST_F(AlsaPlaybackTest, TheFileDeviceWritesTheChannelsSamplesBitForBit) {
  const std::vector<float> source = NonZeroSixteenBit(2 * 24000);  // 0.5 s of stereo at 48 kHz
  WriteWav(dir_ / "source.wav", source, 48000, 2, 16);
  const std::vector<float> played = PlayThroughAlsa(dir_ / "source.wav", 48000);

  const auto start = played.begin();  // the fixture keeps what follows the leading silence
  ASSERT_GE(played.end() - start, static_cast<long>(source.size()));
  size_t different = 0;
  for (size_t i = 0; i < source.size(); ++i) different += start[static_cast<long>(i)] != source[i];
  EXPECT_EQ(different, 0u);
  EXPECT_TRUE(std::all_of(start + static_cast<long>(source.size()), played.end(), [](float s) { return s == 0.0f; }))
      << "silence after the end";
}

TEST_F(AlsaPlaybackTest, AResampledToneKeepsItsLevel) {
  WriteWav(dir_ / "tone.wav", Sines({1000, 3000}, 0.5, 44100, 22050), 44100, 2, 16);
  const std::vector<float> played = PlayThroughAlsa(dir_ / "tone.wav", 48000);
  const auto start = std::find_if(played.begin(), played.end(), [](float s) { return s != 0.0f; });
  ASSERT_GE(played.end() - start, 2 * 24000);
  const std::vector<float> steady(start + 2 * 2400, start + 2 * 21600);
  EXPECT_NEAR(20 * std::log10(ToneAmplitude(steady, 2, 0, 1000, 48000) / 0.5), 0.0, 0.1);
  EXPECT_NEAR(20 * std::log10(ToneAmplitude(steady, 2, 1, 3000, 48000) / 0.5), 0.0, 0.1);
}

}  // namespace
