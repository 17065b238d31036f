#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "AudioFixtures.h"
#include "audiolib/audiolib.h"

using namespace audiofixtures;

namespace {

constexpr DWORD kFloatDecode = BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT;
constexpr DWORD kRate = 48000;
constexpr size_t kFadeFrames = kRate / 2;  // 500 ms

DWORD Ones(HSTREAM, void* buffer, DWORD length, void*) {
  auto* samples = static_cast<float*>(buffer);
  for (DWORD i = 0; i < length / sizeof(float); ++i) samples[i] = 1.0f;
  return length;
}

// A mono mixer with one source that gives a constant 1.0, so the mix is the source's gain.
struct GainProbe {
  HSTREAM mixer = BASS_Mixer_StreamCreate(kRate, 1, kFloatDecode);
  HSTREAM source = BASS_StreamCreate(kRate, 1, kFloatDecode, Ones, nullptr);
  GainProbe() { EXPECT_TRUE(BASS_Mixer_StreamAddChannel(mixer, source, 0)); }
  ~GainProbe() {
    BASS_StreamFree(source);
    BASS_StreamFree(mixer);
  }
  // Reads in blocks of an odd size, so slides cross block boundaries anywhere.
  std::vector<float> Read(size_t frames) const { return ReadFloats(mixer, 1, frames, 1013); }
};

class CurveGuard {
 public:
  explicit CurveGuard(DWORD curve) { BASS_SetConfig(BASS_CONFIG_CURVE_VOL, curve); }
  ~CurveGuard() { BASS_SetConfig(BASS_CONFIG_CURVE_VOL, 0); }
};

struct FadeCase {
  const char* name;
  DWORD curve;
  float from, to;
  double (*expectedGain)(double progress);  // progress 0..1 through the fade
};

class VolumeFade : public testing::TestWithParam<FadeCase> {};

TEST_P(VolumeFade, ReachesEachGainAtTheSampleTheCurvePredicts) {
  const FadeCase& c = GetParam();
  CurveGuard curve(c.curve);
  GainProbe probe;
  ASSERT_TRUE(BASS_ChannelSetAttribute(probe.source, BASS_ATTRIB_VOL, c.from));
  ASSERT_TRUE(BASS_ChannelSlideAttribute(probe.source, BASS_ATTRIB_VOL, c.to, 500));
  EXPECT_TRUE(BASS_ChannelIsSliding(probe.source, BASS_ATTRIB_VOL));
  const std::vector<float> mix = probe.Read(kFadeFrames + 2000);
  ASSERT_EQ(mix.size(), kFadeFrames + 2000);
  for (size_t n : {size_t{0}, size_t{1}, size_t{1013}, size_t{6000}, size_t{12000}, size_t{18000},
                   kFadeFrames - 1}) {
    const double expected = c.expectedGain(double(n) / kFadeFrames);
    EXPECT_NEAR(mix[n], expected, 1e-5 + expected * 1e-4) << "frame " << n;
  }
  for (size_t n : {kFadeFrames, kFadeFrames + 1999}) {
    EXPECT_NEAR(mix[n], c.expectedGain(1.0), 1e-6) << "after the fade, frame " << n;
  }
  EXPECT_FALSE(BASS_ChannelIsSliding(probe.source, BASS_ATTRIB_VOL));
  float value = -2;
  ASSERT_TRUE(BASS_ChannelGetAttribute(probe.source, BASS_ATTRIB_VOL, &value));
  EXPECT_FLOAT_EQ(value, c.to);
}

INSTANTIATE_TEST_SUITE_P(
    Curves, VolumeFade,
    testing::Values(
        FadeCase{"LinearOut", 0, 1.0f, 0.0f, [](double p) { return 1.0 - p; }},
        FadeCase{"LinearIn", 0, 0.0f, 1.0f, [](double p) { return p; }},
        FadeCase{"LinearDuck", 0, 1.0f, 0.25f, [](double p) { return 1.0 - 0.75 * p; }},
        // Logarithmic: 1 is 0 dB and every 0.01 below it is 1 dB less.
        FadeCase{"LogOut", 1, 1.0f, 0.0f,
                 [](double p) { return p >= 1.0 ? 0.0 : std::pow(10.0, -100.0 * p / 20.0); }},
        FadeCase{"LogDuck", 1, 1.0f, 0.8f,
                 [](double p) { return std::pow(10.0, -20.0 * p / 20.0); }},
        FadeCase{"LogIn", 1, 0.9f, 1.0f,
                 [](double p) { return std::pow(10.0, -10.0 * (1.0 - p) / 20.0); }}),
    [](const testing::TestParamInfo<FadeCase>& info) { return info.param.name; });

TEST(VolumeSlide, ToMinusOneFadesOutAndStopsTheChannelAtTheEndOfTheFade) {
  GainProbe probe;
  ASSERT_TRUE(BASS_ChannelSlideAttribute(probe.source, BASS_ATTRIB_VOL, -1.0f, 500));
  const std::vector<float> mix = probe.Read(kFadeFrames * 2);
  // The mixer's only source stopped, so the mixer ended exactly at the end of the fade.
  ASSERT_EQ(mix.size(), kFadeFrames);
  EXPECT_NEAR(mix[kFadeFrames / 2], 0.5, 1e-5);
  EXPECT_NEAR(mix.back(), 1.0 / kFadeFrames, 1e-6);
  EXPECT_EQ(BASS_ChannelIsActive(probe.source), BASS_ACTIVE_STOPPED);
  EXPECT_FALSE(BASS_ChannelIsSliding(probe.source, BASS_ATTRIB_VOL));
}

void CountFree(HSYNC, DWORD, DWORD, void* user) { ++*static_cast<int*>(user); }

// The smooth seek: the old position, pushed with an end mark and added with AUTOFREE, fades out
// over 500 ms and is freed at the end of the fade, while the stream fades back in.
TEST(VolumeSlide, AFadeToMinusOneOfAnAutoFreeSourceFreesItWhereTheFadeEnds) {
  GainProbe probe;  // the stream itself, at volume 0 sliding back to 1
  ASSERT_TRUE(BASS_ChannelSetAttribute(probe.source, BASS_ATTRIB_VOL, 0.0f));
  ASSERT_TRUE(BASS_ChannelSlideAttribute(probe.source, BASS_ATTRIB_VOL, 1.0f, 500));
  const HSTREAM old = BASS_StreamCreate(kRate, 1, kFloatDecode, STREAMPROC_PUSH, nullptr);
  const std::vector<float> ones(kRate, 1.0f);  // more than the fade needs
  BASS_StreamPutData(old, ones.data(), static_cast<DWORD>(ones.size() * sizeof(float)) |
                                           BASS_STREAMPROC_END);
  int freed = 0;
  ASSERT_NE(BASS_ChannelSetSync(old, BASS_SYNC_FREE, 0, CountFree, &freed), 0u);
  ASSERT_TRUE(BASS_Mixer_StreamAddChannel(probe.mixer, old, BASS_STREAM_AUTOFREE));
  ASSERT_TRUE(BASS_ChannelSlideAttribute(old, BASS_ATTRIB_VOL, -1.0f, 500));
  const std::vector<float> mix = probe.Read(kFadeFrames + 1000);
  ASSERT_EQ(mix.size(), kFadeFrames + 1000);
  // Crossfade: the two linear fades always add up to 1.
  for (size_t n : {size_t{0}, size_t{5000}, size_t{17000}, kFadeFrames - 1}) {
    EXPECT_NEAR(mix[n], 1.0, 1e-5) << "frame " << n;
  }
  EXPECT_EQ(freed, 1);
  EXPECT_EQ(BASS_Mixer_StreamGetChannels(probe.mixer, nullptr, 0), 1u);
}

TEST(VolumeSlide, AdvancesOnlyWithRenderedAudioAndAppliesWhereMixedNotToOwnReads) {
  GainProbe probe;
  ASSERT_TRUE(BASS_ChannelSlideAttribute(probe.source, BASS_ATTRIB_VOL, 0.0f, 500));
  // Reading the source itself neither applies the volume nor moves the slide on.
  const std::vector<float> own = ReadFloats(probe.source, 1, 4000);
  EXPECT_EQ(own.front(), 1.0f);
  EXPECT_EQ(own.back(), 1.0f);
  const std::vector<float> mix = probe.Read(12000);
  EXPECT_NEAR(mix.front(), 1.0, 1e-6);
  EXPECT_NEAR(mix.back(), 1.0 - 11999.0 / kFadeFrames, 1e-5);
  EXPECT_TRUE(BASS_ChannelIsSliding(probe.source, BASS_ATTRIB_VOL));
  float value = 0;
  ASSERT_TRUE(BASS_ChannelGetAttribute(probe.source, BASS_ATTRIB_VOL, &value));
  EXPECT_NEAR(value, 0.5, 1e-4);
}

TEST(VolumeSlide, SettingTheVolumeEndsASlideAndAResampledSourceSlidesInMixerTime) {
  const HSTREAM mixer = BASS_Mixer_StreamCreate(kRate, 1, kFloatDecode);
  const HSTREAM source = BASS_StreamCreate(44100, 1, kFloatDecode, Ones, nullptr);
  ASSERT_TRUE(BASS_Mixer_StreamAddChannel(mixer, source, 0));
  ASSERT_TRUE(BASS_ChannelSlideAttribute(source, BASS_ATTRIB_VOL, 0.0f, 500));
  const std::vector<float> mix = ReadFloats(mixer, 1, kFadeFrames / 2 + 4800);
  // The resampler's filter leaves a short settling at the start; mid-fade the gain follows.
  EXPECT_NEAR(mix[kFadeFrames / 2], 0.5, 2e-3);
  ASSERT_TRUE(BASS_ChannelSetAttribute(source, BASS_ATTRIB_VOL, 0.75f));
  EXPECT_FALSE(BASS_ChannelIsSliding(source, BASS_ATTRIB_VOL));
  const std::vector<float> after = ReadFloats(mixer, 1, 4800);
  EXPECT_NEAR(after.back(), 0.75, 2e-3);
  BASS_StreamFree(source);
  BASS_StreamFree(mixer);
}

TEST(VolumeAttribute, RefusesBadArgumentsWithTheLibrarysCodes) {
  const HSTREAM stream = BASS_StreamCreate(kRate, 1, kFloatDecode, Ones, nullptr);
  float value = 0;
  ASSERT_TRUE(BASS_ChannelGetAttribute(stream, BASS_ATTRIB_VOL, &value));
  EXPECT_EQ(value, 1.0f) << "a new channel's volume is 1";
  struct Case {
    const char* what;
    BOOL (*call)(HSTREAM stream);
    int code;
  };
  const Case cases[] = {
      {"unknown attribute", [](HSTREAM s) { return BASS_ChannelSetAttribute(s, 99, 1.0f); },
       BASS_ERROR_ILLTYPE},
      {"negative volume",
       [](HSTREAM s) { return BASS_ChannelSetAttribute(s, BASS_ATTRIB_VOL, -0.5f); },
       BASS_ERROR_ILLPARAM},
      {"NaN volume", [](HSTREAM s) { return BASS_ChannelSetAttribute(s, BASS_ATTRIB_VOL, NAN); },
       BASS_ERROR_ILLPARAM},
      {"slide to a negative other than -1",
       [](HSTREAM s) { return BASS_ChannelSlideAttribute(s, BASS_ATTRIB_VOL, -0.5f, 100); },
       BASS_ERROR_ILLPARAM},
      {"no place for the value",
       [](HSTREAM s) { return BASS_ChannelGetAttribute(s, BASS_ATTRIB_VOL, nullptr); },
       BASS_ERROR_ILLPARAM},
      {"no channel", [](HSTREAM) { return BASS_ChannelSlideAttribute(0, BASS_ATTRIB_VOL, 0, 1); },
       BASS_ERROR_HANDLE},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(c.call(stream)) << c.what;
    EXPECT_EQ(BASS_ErrorGetCode(), c.code) << c.what;
  }
  BASS_StreamFree(stream);
  EXPECT_FALSE(BASS_ChannelIsSliding(stream, BASS_ATTRIB_VOL));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

}  // namespace
