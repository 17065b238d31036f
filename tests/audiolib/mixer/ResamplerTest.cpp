#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "AudioFixtures.h"
#include "audiolib/audiolib.h"

using namespace audiofixtures;

namespace {

constexpr DWORD kFloatDecode = BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT;
constexpr int kMixRate = 16000;

double Db(double ratio) { return 20 * std::log10(ratio); }

struct ResampleCase {
  const char* name;
  int sourceRate;
  double freq;
  double minDb, maxDb;  // level of the tone after mixing, relative to its level before
};

class Resampling : public testing::TestWithParam<ResampleCase> {};

// Two seconds of the tone through a 16 kHz mono mixer; the steady middle second is measured.
TEST_P(Resampling, KeepsTonesBelowNyquistAndRemovesTonesAboveIt) {
  const ResampleCase& c = GetParam();
  const double amplitude = 0.5;
  const HSTREAM mixer = BASS_Mixer_StreamCreate(kMixRate, 1, kFloatDecode);
  const HSTREAM source = BASS_StreamCreate(c.sourceRate, 1, kFloatDecode, STREAMPROC_PUSH, nullptr);
  ASSERT_TRUE(BASS_Mixer_StreamAddChannel(mixer, source, 0));
  const std::vector<float> tone = Sine(c.freq, amplitude, c.sourceRate, 2 * c.sourceRate);
  BASS_StreamPutData(source, tone.data(),
                     static_cast<DWORD>(tone.size() * sizeof(float)) | BASS_STREAMPROC_END);
  const std::vector<float> mixed = ReadFloats(mixer, 1, 10 * kMixRate, 512);
  EXPECT_NEAR(static_cast<double>(mixed.size()), 2.0 * kMixRate, 64) << "the length is kept";
  const std::vector<float> middle(mixed.begin() + kMixRate / 2, mixed.begin() + 3 * kMixRate / 2);
  const double level = c.freq < kMixRate / 2.0 ? ToneAmplitude(middle, 1, 0, c.freq, kMixRate)
                                               : Peak(middle);  // it would alias anywhere
  EXPECT_GE(Db(level / amplitude), c.minDb);
  EXPECT_LE(Db(level / amplitude), c.maxDb);
  BASS_StreamFree(mixer);
  BASS_StreamFree(source);
}

INSTANTIATE_TEST_SUITE_P(
    AudioLibrary, Resampling,
    testing::Values(ResampleCase{"From44100Keeps1kHz", 44100, 1000, -0.1, 0.1},
                    ResampleCase{"From44100KeepsTheHighestDtmfTone", 44100, 1633, -0.1, 0.1},
                    ResampleCase{"From44100Removes10kHz", 44100, 10000, -400, -60},
                    ResampleCase{"From48000Keeps1kHz", 48000, 1000, -0.1, 0.1},
                    ResampleCase{"From48000Removes9kHz", 48000, 9000, -400, -60},
                    ResampleCase{"From8000Keeps1kHz", 8000, 1000, -0.1, 0.1}),
    [](const testing::TestParamInfo<ResampleCase>& info) { return std::string(info.param.name); });

TEST(Resampling, ResamplesEveryChannelOfAStereoMixer) {
  const HSTREAM mixer = BASS_Mixer_StreamCreate(kMixRate, 2, kFloatDecode);
  const HSTREAM source = BASS_StreamCreate(44100, 2, kFloatDecode, STREAMPROC_PUSH, nullptr);
  BASS_Mixer_StreamAddChannel(mixer, source, 0);
  const std::vector<float> tones = Sines({697, 1209}, 0.3, 44100, 44100);
  BASS_StreamPutData(source, tones.data(), static_cast<DWORD>(tones.size() * sizeof(float)));
  const std::vector<float> mixed = ReadFloats(mixer, 2, 12000, 512);
  const std::vector<float> middle(mixed.begin() + 2 * 2000, mixed.end());
  EXPECT_NEAR(ToneAmplitude(middle, 2, 0, 697, kMixRate), 0.3, 0.003);
  EXPECT_NEAR(ToneAmplitude(middle, 2, 1, 1209, kMixRate), 0.3, 0.003);
  EXPECT_LT(ToneAmplitude(middle, 2, 0, 1209, kMixRate), 0.001);
  BASS_StreamFree(mixer);
  BASS_StreamFree(source);
}

}  // namespace
