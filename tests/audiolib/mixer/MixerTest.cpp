#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "AudioFixtures.h"
#include "audiolib/audiolib.h"

using namespace audiofixtures;

namespace {

constexpr DWORD kFailed = static_cast<DWORD>(-1);
constexpr DWORD kFloatDecode = BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT;
constexpr int kRate = 16000;

HSTREAM PushStream(DWORD rate, DWORD chans) {
  return BASS_StreamCreate(rate, chans, kFloatDecode, STREAMPROC_PUSH, nullptr);
}

void Push(HSTREAM stream, const std::vector<float>& samples, bool end = false) {
  const auto bytes = static_cast<DWORD>(samples.size() * sizeof(float));
  ASSERT_NE(BASS_StreamPutData(stream, samples.data(), end ? bytes | BASS_STREAMPROC_END : bytes),
            kFailed);
}

void Invert(HDSP, DWORD, void* buffer, DWORD length, void*) {
  auto* samples = static_cast<float*>(buffer);
  for (DWORD i = 1; i < length / 4; i += 2) samples[i] = -samples[i];
}

// Stereo at the mixer's rate: 500 Hz at 0.4 on the left, 1500 Hz at 0.2 on the right.
std::vector<float> TwoTones() {
  std::vector<float> samples = Sines({500, 1500}, 0.4, kRate, kRate / 2);
  for (size_t i = 1; i < samples.size(); i += 2) samples[i] *= 0.5f;
  return samples;
}

struct RouteCase {
  const char* name;
  DWORD flags;
  std::vector<float> matrix;  // set when not empty
  bool counterphase;
  bool identicalChannels;
  double left500, right1500;  // expected levels in the mono mix
};

class MixerRouting : public testing::TestWithParam<RouteCase> {};

TEST_P(MixerRouting, RoutesAStereoSourceIntoAMonoMixer) {
  const RouteCase& c = GetParam();
  const HSTREAM mixer = BASS_Mixer_StreamCreate(kRate, 1, kFloatDecode);
  const HSTREAM source = PushStream(kRate, 2);
  std::vector<float> samples = c.identicalChannels ? Sines({500, 500}, 0.4, kRate, kRate / 2) : TwoTones();
  if (c.counterphase) {
    ASSERT_NE(BASS_ChannelSetDSP(source, Invert, nullptr, 0), 0u);
  }
  ASSERT_TRUE(BASS_Mixer_StreamAddChannel(mixer, source, c.flags)) << BASS_ErrorGetCode();
  if (!c.matrix.empty()) {
    ASSERT_TRUE(BASS_Mixer_ChannelSetMatrix(source, c.matrix.data()));
  }
  Push(source, samples);
  const std::vector<float> mixed = ReadFloats(mixer, 1, kRate / 2);
  ASSERT_EQ(mixed.size(), static_cast<size_t>(kRate / 2));
  EXPECT_NEAR(ToneAmplitude(mixed, 1, 0, 500, kRate), c.left500, 0.002);
  EXPECT_NEAR(ToneAmplitude(mixed, 1, 0, 1500, kRate), c.right1500, 0.002);
  if (c.identicalChannels && c.counterphase) {
    EXPECT_LT(Peak(mixed), 1e-6);
  }
  BASS_StreamFree(mixer);
  BASS_StreamFree(source);
}

INSTANTIATE_TEST_SUITE_P(
    AudioLibrary, MixerRouting,
    testing::Values(RouteCase{"FirstChannel", 0, {}, false, false, 0.4, 0.0},
                    RouteCase{"MatrixRight", BASS_MIXER_MATRIX, {0.0f, 1.0f}, false, false, 0.0, 0.2},
                    RouteCase{"MatrixIdentity", BASS_MIXER_MATRIX, {}, false, false, 0.4, 0.0},
                    RouteCase{"Downmix", BASS_MIXER_DOWNMIX, {}, false, false, 0.2, 0.1},
                    RouteCase{"DownmixIdenticalKeepsLevel", BASS_MIXER_DOWNMIX, {}, false, true, 0.4, 0.0},
                    RouteCase{"CounterphaseOfIdenticalIsSilence", BASS_MIXER_DOWNMIX, {}, true, true, 0.0, 0.0}),
    [](const testing::TestParamInfo<RouteCase>& info) { return std::string(info.param.name); });

TEST(Mixer, FeedsAMonoSourceToEveryChannelOfAStereoMixer) {
  const HSTREAM mixer = BASS_Mixer_StreamCreate(kRate, 2, kFloatDecode);
  const HSTREAM source = PushStream(kRate, 1);
  BASS_Mixer_StreamAddChannel(mixer, source, 0);
  Push(source, Sine(500, 0.3, kRate, 4000));
  const std::vector<float> mixed = ReadFloats(mixer, 2, 4000);
  EXPECT_NEAR(ToneAmplitude(mixed, 2, 0, 500, kRate), 0.3, 0.002);
  EXPECT_NEAR(ToneAmplitude(mixed, 2, 1, 500, kRate), 0.3, 0.002);
  BASS_StreamFree(mixer);
  BASS_StreamFree(source);
}

TEST(Mixer, FillsWithSilenceWhereAPushSourceRunsDryAndEndsAfterItsSourcesEnd) {
  const HSTREAM mixer = BASS_Mixer_StreamCreate(kRate, 1, kFloatDecode);
  const HSTREAM source = PushStream(kRate, 1);
  BASS_Mixer_StreamAddChannel(mixer, source, 0);
  Push(source, std::vector<float>(100, 0.5f));
  std::vector<float> out(300, -1.0f);
  ASSERT_EQ(BASS_ChannelGetData(mixer, out.data(), 1200), 1200u) << "always the full block";
  EXPECT_EQ(out[99], 0.5f);
  EXPECT_EQ(out[100], 0.0f);
  EXPECT_EQ(out[299], 0.0f);
  ASSERT_EQ(BASS_ChannelGetData(mixer, out.data(), 1200), 1200u) << "dry, not ended";

  Push(source, std::vector<float>(50, 0.25f), true);
  ASSERT_EQ(BASS_ChannelGetData(mixer, out.data(), 1200), 200u) << "the last of it";
  EXPECT_EQ(out[49], 0.25f);
  EXPECT_EQ(BASS_ChannelGetData(mixer, out.data(), 1200), kFailed);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ENDED);

  const HSTREAM another = PushStream(kRate, 1);
  ASSERT_TRUE(BASS_Mixer_StreamAddChannel(mixer, another, 0));
  EXPECT_EQ(BASS_ChannelGetData(mixer, out.data(), 1200), 1200u) << "a new source revives it";
  for (HSTREAM h : {mixer, source, another}) BASS_StreamFree(h);
}

TEST(Mixer, SumsItsSourcesAndRunsSourceDspsBeforeAndItsOwnAfterMixing) {
  const HSTREAM mixer = BASS_Mixer_StreamCreate(kRate, 1, kFloatDecode);
  const HSTREAM a = PushStream(kRate, 1);
  const HSTREAM b = PushStream(kRate, 1);
  BASS_Mixer_StreamAddChannel(mixer, a, 0);
  BASS_Mixer_StreamAddChannel(mixer, b, 0);
  auto halve = [](HDSP, DWORD, void* buffer, DWORD length, void*) {
    for (DWORD i = 0; i < length / 4; ++i) static_cast<float*>(buffer)[i] *= 0.5f;
  };
  auto addOne = [](HDSP, DWORD, void* buffer, DWORD length, void*) {
    for (DWORD i = 0; i < length / 4; ++i) static_cast<float*>(buffer)[i] += 1.0f;
  };
  BASS_ChannelSetDSP(a, halve, nullptr, 0);
  BASS_ChannelSetDSP(mixer, addOne, nullptr, 0);
  Push(a, std::vector<float>(10, 0.5f));
  Push(b, std::vector<float>(10, 0.125f));
  float out[10];
  ASSERT_EQ(BASS_ChannelGetData(mixer, out, sizeof out), sizeof out);
  EXPECT_FLOAT_EQ(out[0], 0.25f + 0.125f + 1.0f);
  for (HSTREAM h : {mixer, a, b}) BASS_StreamFree(h);
}

TEST(Mixer, TracksMembershipAndRefusesWhatCannotBeMixed) {
  const HSTREAM mixer = BASS_Mixer_StreamCreate(kRate, 1, kFloatDecode);
  const HSTREAM other = BASS_Mixer_StreamCreate(kRate, 1, kFloatDecode);
  const HSTREAM source = PushStream(kRate, 2);
  const HSTREAM dummy = BASS_StreamCreate(kRate, 1, kFloatDecode, STREAMPROC_DUMMY, nullptr);
  EXPECT_EQ(BASS_Mixer_ChannelGetMixer(source), 0u);
  ASSERT_TRUE(BASS_Mixer_StreamAddChannel(mixer, source, 0));
  EXPECT_EQ(BASS_Mixer_ChannelGetMixer(source), mixer);
  const float matrix[2] = {0, 1};
  EXPECT_FALSE(BASS_Mixer_ChannelSetMatrix(source, matrix)) << "added without MATRIX";
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);

  const struct {
    HSTREAM into, channel;
    int error;
  } refused[] = {
      {other, source, BASS_ERROR_ALREADY}, {mixer, mixer, BASS_ERROR_ILLPARAM},
      {source, other, BASS_ERROR_HANDLE},  {mixer, dummy, BASS_ERROR_ILLTYPE},
      {mixer, 0, BASS_ERROR_HANDLE},
  };
  for (const auto& c : refused) {
    EXPECT_FALSE(BASS_Mixer_StreamAddChannel(c.into, c.channel, 0));
    EXPECT_EQ(BASS_ErrorGetCode(), c.error);
  }
  ASSERT_TRUE(BASS_Mixer_StreamAddChannel(other, mixer, 0));
  EXPECT_FALSE(BASS_Mixer_StreamAddChannel(mixer, other, 0)) << "a loop";
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);

  EXPECT_TRUE(BASS_Mixer_ChannelRemove(source));
  EXPECT_EQ(BASS_Mixer_ChannelGetMixer(source), 0u);
  EXPECT_FALSE(BASS_Mixer_ChannelRemove(source));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  ASSERT_TRUE(BASS_Mixer_StreamAddChannel(mixer, source, 0));
  BASS_StreamFree(mixer);
  EXPECT_EQ(BASS_Mixer_ChannelGetMixer(source), 0u) << "freeing the mixer lets its sources go";
  for (HSTREAM h : {other, source, dummy}) BASS_StreamFree(h);
}

TEST(Mixer, FreeingASourceTakesItOutOfItsMixer) {
  const HSTREAM mixer = BASS_Mixer_StreamCreate(kRate, 1, kFloatDecode);
  const HSTREAM source = PushStream(kRate, 1);
  BASS_Mixer_StreamAddChannel(mixer, source, 0);
  Push(source, std::vector<float>(100, 0.5f), true);
  BASS_StreamFree(source);
  float out[10];
  EXPECT_EQ(BASS_ChannelGetData(mixer, out, sizeof out), sizeof out) << "an empty mixer is silent";
  EXPECT_EQ(out[0], 0.0f);
  BASS_StreamFree(mixer);
}

TEST(Mixer, DeliversSixteenBitOutputWithoutTheFloatFlag) {
  const HSTREAM mixer = BASS_Mixer_StreamCreate(kRate, 1, BASS_STREAM_DECODE);
  const HSTREAM source = PushStream(kRate, 1);
  BASS_Mixer_StreamAddChannel(mixer, source, 0);
  Push(source, {0.5f, -1.0f, 2.0f});
  int16_t out[3];
  ASSERT_EQ(BASS_ChannelGetData(mixer, out, sizeof out), sizeof out);
  EXPECT_EQ(out[0], 16384);
  EXPECT_EQ(out[1], -32768);
  EXPECT_EQ(out[2], 32767) << "clipped";
  BASS_CHANNELINFO info{};
  ASSERT_TRUE(BASS_ChannelGetInfo(mixer, &info));
  EXPECT_EQ(info.ctype, BASS_CTYPE_STREAM_MIXER);
  BASS_StreamFree(mixer);
  BASS_StreamFree(source);
}

}  // namespace
