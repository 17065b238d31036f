#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "AudioFixtures.h"
#include "audiolib/audiolib.h"

using namespace audiofixtures;

namespace {

constexpr DWORD kFailed = static_cast<DWORD>(-1);
constexpr DWORD kFloatDecode = BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT;

// A push stream holding `samples` (interleaved floats) and its end.
HSTREAM PushedStream(const std::vector<float>& samples, DWORD rate, DWORD chans) {
  const HSTREAM stream = BASS_StreamCreate(rate, chans, kFloatDecode, STREAMPROC_PUSH, nullptr);
  BASS_StreamPutData(stream, samples.data(),
                     static_cast<DWORD>(samples.size() * sizeof(float)) | BASS_STREAMPROC_END);
  return stream;
}

size_t PeakBin(const std::vector<float>& magnitudes) {
  return static_cast<size_t>(std::max_element(magnitudes.begin(), magnitudes.end()) -
                             magnitudes.begin());
}

TEST(Fft, ReadsTheAmplitudeOfABinCentredSineForEverySize) {
  const DWORD rate = 16000;
  for (DWORD flag = BASS_DATA_FFT256; flag <= BASS_DATA_FFT8192; ++flag) {
    const size_t size = 256u << (flag - BASS_DATA_FFT256);
    const size_t bin = size / 8;
    const double freq = static_cast<double>(bin) * rate / size;
    const HSTREAM stream = PushedStream(Sine(freq, 0.3, rate, size), rate, 1);
    std::vector<float> magnitudes(size / 2);
    EXPECT_EQ(BASS_ChannelGetData(stream, magnitudes.data(), flag), size / 2 * sizeof(float));
    EXPECT_NEAR(magnitudes[bin], 0.3, 0.003) << "size " << size;
    EXPECT_EQ(PeakBin(magnitudes), bin);
    EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), size * sizeof(float))
        << "the frame is consumed";
    BASS_StreamFree(stream);
  }
}

TEST(Fft, PutsEachDtmfFrequencyAt16kHzInTheDetectorsBin) {
  const struct {
    double freq;
    size_t bin;
  } tones[] = {{697, 22}, {770, 25}, {852, 27}, {941, 30},
               {1209, 39}, {1336, 43}, {1477, 47}, {1633, 52}};
  for (const auto& tone : tones) {
    const HSTREAM stream = PushedStream(Sine(tone.freq, 0.2, 16000, 512), 16000, 1);
    std::vector<float> magnitudes(256);
    ASSERT_EQ(BASS_ChannelGetData(stream, magnitudes.data(), BASS_DATA_FFT512), 1024u);
    EXPECT_EQ(PeakBin(magnitudes), tone.bin) << tone.freq << " Hz";
    EXPECT_GT(magnitudes[tone.bin], 0.1) << tone.freq << " Hz";
    BASS_StreamFree(stream);
  }
}

TEST(Fft, AveragesTheChannelsOfAStereoSource) {
  const double freq = 64.0 * 16000 / 512;
  std::vector<float> samples = Sines({freq, freq}, 0.4, 16000, 512);
  for (size_t i = 1; i < samples.size(); i += 2) samples[i] = 0;  // right silent: half the level
  const HSTREAM stream = PushedStream(samples, 16000, 2);
  std::vector<float> magnitudes(256);
  ASSERT_EQ(BASS_ChannelGetData(stream, magnitudes.data(), BASS_DATA_FFT512), 1024u);
  EXPECT_NEAR(magnitudes[64], 0.2, 0.002);
  BASS_StreamFree(stream);
}

TEST(Fft, AnalysesSixteenBitSamplesOnTheSameScale) {
  const double freq = 40.0 * 8000 / 512;
  const std::vector<float> sine = Sine(freq, 0.5, 8000, 512);
  std::vector<int16_t> shorts(sine.size());
  for (size_t i = 0; i < sine.size(); ++i) shorts[i] = static_cast<int16_t>(std::lrint(sine[i] * 32767));
  const HSTREAM stream = BASS_StreamCreate(8000, 1, BASS_STREAM_DECODE, STREAMPROC_PUSH, nullptr);
  BASS_StreamPutData(stream, shorts.data(), static_cast<DWORD>(shorts.size() * 2));
  std::vector<float> magnitudes(256);
  ASSERT_EQ(BASS_ChannelGetData(stream, magnitudes.data(), BASS_DATA_FFT512), 1024u);
  EXPECT_NEAR(magnitudes[40], 0.5, 0.005);
  BASS_StreamFree(stream);
}

TEST(Fft, PadsAShortLastFrameWithSilenceAndThenEnds) {
  const HSTREAM stream = PushedStream(std::vector<float>(100, 0.0f), 16000, 1);
  std::vector<float> magnitudes(256, 1.0f);
  EXPECT_EQ(BASS_ChannelGetData(stream, magnitudes.data(), BASS_DATA_FFT512), 1024u);
  EXPECT_EQ(*std::max_element(magnitudes.begin(), magnitudes.end()), 0.0f);
  EXPECT_EQ(BASS_ChannelGetData(stream, magnitudes.data(), BASS_DATA_FFT512), kFailed);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ENDED);
  EXPECT_EQ(BASS_ChannelGetData(stream, magnitudes.data(), 0x80000010), kFailed);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
  BASS_StreamFree(stream);
}

}  // namespace
