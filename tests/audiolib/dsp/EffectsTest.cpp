#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <complex>
#include <numbers>
#include <string>
#include <vector>

#include "AudioFixtures.h"
#include "audiolib/audiolib.h"
#include "audiolib/dsp/Effect.h"

using namespace audiofixtures;

namespace {

constexpr int kRate = 48000;

// Twenty frequencies spread evenly on a log scale from 40 Hz to 18 kHz.
std::vector<double> TestFrequencies() {
  std::vector<double> freqs;
  for (int i = 0; i < 20; ++i) freqs.push_back(40.0 * std::pow(18000.0 / 40.0, i / 19.0));
  return freqs;
}

// The level in dB that `effect` gives a sine of `freq` Hz at `amplitude`, once settled.
double ResponseDb(audiolib::Effect& effect, double freq, double amplitude = 0.25) {
  std::vector<float> samples = Sine(freq, amplitude, kRate, kRate);
  effect.Process(samples.data(), samples.size());
  const std::vector<float> settled(samples.begin() + kRate / 2, samples.end());
  return 20 * std::log10(ToneAmplitude(settled, 1, 0, freq, kRate) / amplitude);
}

// The textbook: the cookbook's coefficients and the magnitude of H(e^jw), written out here.
struct Cookbook {
  double b0, b1, b2, a0, a1, a2;

  static double Alpha(double w0, double q, double bandwidthOct) {
    return q > 0 ? std::sin(w0) / (2 * q)
                 : std::sin(w0) * std::sinh(std::log(2.0) / 2 * bandwidthOct * w0 / std::sin(w0));
  }
  static Cookbook Lpf(double f0, double q, double bw) {
    const double w0 = 2 * std::numbers::pi * f0 / kRate, c = std::cos(w0), a = Alpha(w0, q, bw);
    return {(1 - c) / 2, 1 - c, (1 - c) / 2, 1 + a, -2 * c, 1 - a};
  }
  static Cookbook Hpf(double f0, double q, double bw) {
    const double w0 = 2 * std::numbers::pi * f0 / kRate, c = std::cos(w0), a = Alpha(w0, q, bw);
    return {(1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + a, -2 * c, 1 - a};
  }
  static Cookbook Peak(double f0, double gainDb, double q, double bw) {
    const double w0 = 2 * std::numbers::pi * f0 / kRate, c = std::cos(w0), a = Alpha(w0, q, bw);
    const double A = std::pow(10.0, gainDb / 40);
    return {1 + a * A, -2 * c, 1 - a * A, 1 + a / A, -2 * c, 1 - a / A};
  }
  double MagnitudeDb(double freq) const {
    const std::complex<double> z1 = std::polar(1.0, -2 * std::numbers::pi * freq / kRate);
    const std::complex<double> z2 = z1 * z1;
    return 20 * std::log10(std::abs((b0 + b1 * z1 + b2 * z2) / (a0 + a1 * z1 + a2 * z2)));
  }
};

struct FilterCase {
  const char* name;
  BASS_BFX_BQF params;
  Cookbook textbook;
};

class BiquadFilter : public testing::TestWithParam<FilterCase> {};

TEST_P(BiquadFilter, MagnitudeResponseFollowsTheCookbook) {
  const FilterCase& c = GetParam();
  for (double freq : TestFrequencies()) {
    const auto fresh = audiolib::CreateEffect(BASS_FX_BFX_BQF, kRate, 1);
    fresh->SetParameters(&c.params);
    EXPECT_NEAR(ResponseDb(*fresh, freq), c.textbook.MagnitudeDb(freq), 0.1) << freq << " Hz";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, BiquadFilter,
    testing::Values(
        // As the main mix's filters are set: bandwidth 2 octaves, no Q.
        FilterCase{"LowPass15kHz",
                   {BASS_BFX_BQF_LOWPASS, 15000, 0, 2.0f, 0, 0, BASS_BFX_CHANALL},
                   Cookbook::Lpf(15000, 0, 2.0)},
        FilterCase{"HighPass80Hz",
                   {BASS_BFX_BQF_HIGHPASS, 80, 0, 2.0f, 0, 0, BASS_BFX_CHANALL},
                   Cookbook::Hpf(80, 0, 2.0)},
        FilterCase{"LowPass1kHzQ",
                   {BASS_BFX_BQF_LOWPASS, 1000, 0, 0, 0.707f, 0, BASS_BFX_CHANALL},
                   Cookbook::Lpf(1000, 0.707, 0)},
        FilterCase{"HighPass2kHzResonant",
                   {BASS_BFX_BQF_HIGHPASS, 2000, 0, 0, 3.0f, 0, BASS_BFX_CHANALL},
                   Cookbook::Hpf(2000, 3.0, 0)}),
    [](const testing::TestParamInfo<FilterCase>& info) { return info.param.name; });

TEST(PeakingEqualiser, BandsInSeriesFollowTheCookbook) {
  const BASS_BFX_PEAKEQ bands[] = {{0, 1.0f, 0, 1000, 6.0f, BASS_BFX_CHANALL},
                                   {1, 0, 2.0f, 5000, -9.0f, BASS_BFX_CHANALL},
                                   {2, 2.5f, 0, 120, 3.0f, BASS_BFX_CHANALL}};
  const Cookbook textbook[] = {Cookbook::Peak(1000, 6, 0, 1.0), Cookbook::Peak(5000, -9, 2.0, 0),
                               Cookbook::Peak(120, 3, 0, 2.5)};
  for (double freq : TestFrequencies()) {
    const auto eq = audiolib::CreateEffect(BASS_FX_BFX_PEAKEQ, kRate, 1);
    for (const auto& band : bands) eq->SetParameters(&band);
    double expected = 0;
    for (const auto& t : textbook) expected += t.MagnitudeDb(freq);
    EXPECT_NEAR(ResponseDb(*eq, freq), expected, 0.1) << freq << " Hz";
  }
}

TEST(PeakingEqualiser, FiltersEachStereoChannelAsItWouldAMonoOne) {
  // Five bands: the stereo path runs them four and one at a time.
  const BASS_BFX_PEAKEQ bands[] = {{0, 1.0f, 0, 100, 4.0f, BASS_BFX_CHANALL},
                                   {1, 1.0f, 0, 400, -3.0f, BASS_BFX_CHANALL},
                                   {2, 1.0f, 0, 1600, 5.0f, BASS_BFX_CHANALL},
                                   {3, 1.0f, 0, 6400, -6.0f, BASS_BFX_CHANALL},
                                   {4, 0, 1.0f, 12000, 2.0f, BASS_BFX_CHANALL}};
  const auto stereo = audiolib::CreateEffect(BASS_FX_BFX_PEAKEQ, kRate, 2);
  const auto left = audiolib::CreateEffect(BASS_FX_BFX_PEAKEQ, kRate, 1);
  const auto right = audiolib::CreateEffect(BASS_FX_BFX_PEAKEQ, kRate, 1);
  for (const auto& band : bands) {
    for (const auto& eq : {stereo, left, right}) eq->SetParameters(&band);
  }
  std::vector<float> both = Sines({440, 5000}, 0.3, kRate, 4800);
  std::vector<float> l = Sine(440, 0.3, kRate, 4800);
  std::vector<float> r = Sine(5000, 0.3, kRate, 4800);
  // In blocks of an odd size, so state carries across calls.
  for (size_t at = 0; at < 4800; at += 1000) {
    const size_t frames = std::min<size_t>(1000, 4800 - at);
    stereo->Process(both.data() + 2 * at, frames);
    left->Process(l.data() + at, frames);
    right->Process(r.data() + at, frames);
  }
  for (size_t i = 0; i < 4800; ++i) {
    ASSERT_NEAR(both[2 * i], l[i], 1e-6) << i;
    ASSERT_NEAR(both[2 * i + 1], r[i], 1e-6) << i;
  }
}

TEST(Compressor, StaticCurveFollowsThresholdRatioAndGain) {
  const BASS_BFX_COMPRESSOR2 params{3.0f, -20.0f, 4.0f, 1.0f, 300.0f, BASS_BFX_CHANALL};
  for (double levelDb = -40; levelDb <= 5; levelDb += 5) {
    const auto compressor = audiolib::CreateEffect(BASS_FX_BFX_COMPRESSOR2, kRate, 1);
    compressor->SetParameters(&params);
    const double amplitude = std::pow(10.0, levelDb / 20);
    const double expected = levelDb < -20 ? levelDb + 3 : -20 + (levelDb + 20) / 4 + 3;
    EXPECT_NEAR(ResponseDb(*compressor, 1000, amplitude) + levelDb, expected, 0.5)
        << levelDb << " dB in";
  }
}

TEST(Volume, MultipliesByTheGlobalAndEachChannelsVolume) {
  const auto volume = audiolib::CreateEffect(BASS_FX_BFX_VOLUME, kRate, 2);
  const BASS_BFX_VOLUME global{BASS_BFX_CHANNONE, 0.5f};
  const BASS_BFX_VOLUME right{2, 0.25f};
  volume->SetParameters(&global);
  volume->SetParameters(&right);
  std::vector<float> frame = {1.0f, 1.0f};
  volume->Process(frame.data(), 1);
  EXPECT_FLOAT_EQ(frame[0], 0.5f);
  EXPECT_FLOAT_EQ(frame[1], 0.125f);
}

// Reads back and refuses through the library calls.
TEST(EffectParameters, ReadBackAsSetAndBadValuesAreRefused) {
  const HSTREAM stream =
      BASS_StreamCreate(kRate, 2, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT, STREAMPROC_PUSH, nullptr);
  const HFX bqf = BASS_ChannelSetFX(stream, BASS_FX_BFX_BQF, 900);
  const HFX eq = BASS_ChannelSetFX(stream, BASS_FX_BFX_PEAKEQ, 49);
  const HFX comp = BASS_ChannelSetFX(stream, BASS_FX_BFX_COMPRESSOR2, 49);
  const HFX vol = BASS_ChannelSetFX(stream, BASS_FX_BFX_VOLUME, 1);
  ASSERT_TRUE(bqf && eq && comp && vol);

  const BASS_BFX_BQF bqfSet{BASS_BFX_BQF_HIGHPASS, 100, 0, 2.0f, 0, 0, BASS_BFX_CHANALL};
  BASS_BFX_BQF bqfGot{};
  ASSERT_TRUE(BASS_FXSetParameters(bqf, &bqfSet));
  ASSERT_TRUE(BASS_FXGetParameters(bqf, &bqfGot));
  EXPECT_EQ(bqfGot.lFilter, bqfSet.lFilter);
  EXPECT_EQ(bqfGot.fCenter, bqfSet.fCenter);
  EXPECT_EQ(bqfGot.fBandwidth, bqfSet.fBandwidth);

  const BASS_BFX_PEAKEQ band3{3, 1.5f, 0, 2500, -4.5f, BASS_BFX_CHANALL};
  ASSERT_TRUE(BASS_FXSetParameters(eq, &band3));
  BASS_BFX_PEAKEQ eqGot{3, 0, 0, 0, 0, 0};
  ASSERT_TRUE(BASS_FXGetParameters(eq, &eqGot));
  EXPECT_EQ(eqGot.fCenter, 2500);
  EXPECT_EQ(eqGot.fGain, -4.5f);
  eqGot.lBand = 4;
  EXPECT_FALSE(BASS_FXGetParameters(eq, &eqGot)) << "a band never set";

  const BASS_BFX_COMPRESSOR2 compSet{2, -18, 3, 5, 250, BASS_BFX_CHANALL};
  BASS_BFX_COMPRESSOR2 compGot{};
  ASSERT_TRUE(BASS_FXSetParameters(comp, &compSet));
  ASSERT_TRUE(BASS_FXGetParameters(comp, &compGot));
  EXPECT_EQ(compGot.fThreshold, -18);
  EXPECT_EQ(compGot.fRatio, 3);
  EXPECT_EQ(compGot.fRelease, 250);

  const BASS_BFX_VOLUME volSet{BASS_BFX_CHANNONE, 0.7f};
  BASS_BFX_VOLUME volGot{BASS_BFX_CHANNONE, 0};
  ASSERT_TRUE(BASS_FXSetParameters(vol, &volSet));
  ASSERT_TRUE(BASS_FXGetParameters(vol, &volGot));
  EXPECT_EQ(volGot.fVolume, 0.7f);

  struct Bad {
    std::string what;
    HFX fx;
    const void* params;
  };
  const BASS_BFX_BQF bandPass{2, 1000, 0, 1, 0, 0, BASS_BFX_CHANALL};
  const BASS_BFX_BQF aboveNyquist{BASS_BFX_BQF_LOWPASS, 30000, 0, 1, 0, 0, BASS_BFX_CHANALL};
  const BASS_BFX_BQF noWidth{BASS_BFX_BQF_LOWPASS, 1000, 0, 0, 0, 0, BASS_BFX_CHANALL};
  const BASS_BFX_PEAKEQ band40{40, 1, 0, 1000, 3, BASS_BFX_CHANALL};
  const BASS_BFX_COMPRESSOR2 ratioBelowOne{0, -20, 0.5f, 1, 100, BASS_BFX_CHANALL};
  const BASS_BFX_VOLUME negative{BASS_BFX_CHANNONE, -1};
  const Bad bad[] = {{"band-pass kind", bqf, &bandPass}, {"cut-off above Nyquist", bqf, &aboveNyquist},
                     {"no width", bqf, &noWidth},        {"band 40", eq, &band40},
                     {"ratio below 1", comp, &ratioBelowOne}, {"negative volume", vol, &negative},
                     {"no record", vol, nullptr}};
  for (const Bad& b : bad) {
    EXPECT_FALSE(BASS_FXSetParameters(b.fx, b.params)) << b.what;
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM) << b.what;
  }
  ASSERT_TRUE(BASS_FXGetParameters(bqf, &bqfGot));
  EXPECT_EQ(bqfGot.fCenter, 100) << "a refused record leaves the previous one";

  EXPECT_EQ(BASS_ChannelSetFX(stream, 0x10099, 0), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLTYPE);
  ASSERT_TRUE(BASS_ChannelRemoveFX(stream, bqf));
  EXPECT_FALSE(BASS_FXSetParameters(bqf, &bqfSet));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  BASS_StreamFree(stream);
  EXPECT_FALSE(BASS_FXGetParameters(vol, &volGot)) << "the channel is gone";
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

struct Seen {
  std::vector<float> firstSamples;
};

void RecordFirst(HDSP, DWORD, void* buffer, DWORD, void* user) {
  static_cast<Seen*>(user)->firstSamples.push_back(static_cast<float*>(buffer)[0]);
}

TEST(EffectOrder, EffectsRunAmongDspProceduresByPriorityAlsoOnSixteenBitChannels) {
  const HSTREAM stream = BASS_StreamCreate(kRate, 1, BASS_STREAM_DECODE, STREAMPROC_PUSH, nullptr);
  Seen seen;
  ASSERT_NE(BASS_ChannelSetDSP(stream, RecordFirst, &seen, 10), 0u);
  const HFX half = BASS_ChannelSetFX(stream, BASS_FX_BFX_VOLUME, 5);
  ASSERT_NE(BASS_ChannelSetDSP(stream, RecordFirst, &seen, 0), 0u);
  const BASS_BFX_VOLUME params{BASS_BFX_CHANNONE, 0.5f};
  ASSERT_TRUE(BASS_FXSetParameters(half, &params));
  const int16_t in[2] = {16384, -16384};
  BASS_StreamPutData(stream, in, sizeof in);
  int16_t out[2] = {};
  ASSERT_EQ(BASS_ChannelGetData(stream, out, sizeof out), sizeof out);
  ASSERT_EQ(seen.firstSamples.size(), 2u);
  EXPECT_FLOAT_EQ(seen.firstSamples[0], 0.5f) << "the DSPs get float next to an effect";
  EXPECT_FLOAT_EQ(seen.firstSamples[1], 0.25f);
  EXPECT_EQ(out[0], 8192);
  EXPECT_EQ(out[1], -8192);
  BASS_StreamFree(stream);
}

TEST(EffectOrder, ADummyStreamRunsItsEffectsOverTheCallersBuffer) {
  const HSTREAM dsp =
      BASS_StreamCreate(kRate, 2, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT, STREAMPROC_DUMMY, nullptr);
  const HFX volume = BASS_ChannelSetFX(dsp, BASS_FX_BFX_VOLUME, 1);
  const BASS_BFX_VOLUME params{BASS_BFX_CHANNONE, 0.5f};
  ASSERT_TRUE(BASS_FXSetParameters(volume, &params));
  float block[4] = {0.8f, -0.4f, 0.2f, 1.0f};
  ASSERT_EQ(BASS_ChannelGetData(dsp, block, sizeof block), sizeof block);
  EXPECT_FLOAT_EQ(block[0], 0.4f);
  EXPECT_FLOAT_EQ(block[1], -0.2f);
  EXPECT_FLOAT_EQ(block[3], 0.5f);
  BASS_StreamFree(dsp);
}

}  // namespace
