#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "AudioFixtures.h"
#include "audiolib/audiolib.h"

using namespace audiofixtures;

namespace {

constexpr DWORD kFloatDecode = BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT;
constexpr DWORD kRate = 8000;
constexpr size_t kBufferFrames = kRate * 2;  // the splitters' 2000 ms

// Gives 0, 1, 2, ... up to `user` frames (stereo: both channels alike), then ends.
DWORD Counting(HSTREAM, void* buffer, DWORD length, void* user) {
  auto* state = static_cast<std::pair<size_t, size_t>*>(user);  // next, total
  auto* samples = static_cast<float*>(buffer);
  const size_t frames = length / (2 * sizeof(float));
  size_t f = 0;
  for (; f < frames && state->first < state->second; ++f, ++state->first) {
    samples[2 * f] = samples[2 * f + 1] = static_cast<float>(state->first);
  }
  const auto bytes = static_cast<DWORD>(f * 2 * sizeof(float));
  return state->first == state->second ? bytes | BASS_STREAMPROC_END : bytes;
}

std::vector<float> LeftChannel(const std::vector<float>& stereo) {
  std::vector<float> left;
  for (size_t i = 0; i < stereo.size(); i += 2) left.push_back(stereo[i]);
  return left;
}

TEST(Splitter, ReadersAtDifferentPacesOnTwoThreadsEachGetTheWholeSequence) {
  std::pair<size_t, size_t> counter{0, kRate};  // one second: within the splitters' buffer
  const HSTREAM source = BASS_StreamCreate(kRate, 2, kFloatDecode, Counting, &counter);
  const HSTREAM fast = BASS_Split_StreamCreate(source, BASS_STREAM_DECODE, nullptr);
  const HSTREAM slow = BASS_Split_StreamCreate(source, BASS_STREAM_DECODE, nullptr);
  ASSERT_NE(fast, 0u);
  ASSERT_NE(slow, 0u);
  std::vector<float> fastGot;
  std::vector<float> slowGot;
  std::thread fastReader([&] { fastGot = ReadFloats(fast, 2, kRate * 2, 480); });
  std::thread slowReader([&] { slowGot = ReadFloats(slow, 2, kRate * 2, 1111); });
  fastReader.join();
  slowReader.join();
  ASSERT_EQ(fastGot.size(), kRate * 2u);
  EXPECT_EQ(fastGot, slowGot);
  const std::vector<float> left = LeftChannel(fastGot);
  for (size_t i = 0; i < left.size(); ++i) ASSERT_EQ(left[i], static_cast<float>(i)) << i;
  EXPECT_EQ(BASS_ChannelIsActive(fast), BASS_ACTIVE_STOPPED);
  for (HSTREAM h : {fast, slow, source}) BASS_StreamFree(h);
}

TEST(Splitter, AStalledReaderDoesNotStallTheOtherAndLosesTheOldestData) {
  std::pair<size_t, size_t> counter{0, kRate * 5};
  const HSTREAM source = BASS_StreamCreate(kRate, 2, kFloatDecode, Counting, &counter);
  const HSTREAM reading = BASS_Split_StreamCreate(source, BASS_STREAM_DECODE, nullptr);
  const HSTREAM stalled = BASS_Split_StreamCreate(source, BASS_STREAM_DECODE, nullptr);
  // The stalled reader reads nothing while the other reads all five seconds.
  const std::vector<float> all = LeftChannel(ReadFloats(reading, 2, kRate * 6, 1000));
  ASSERT_EQ(all.size(), kRate * 5u);
  EXPECT_EQ(all.back(), kRate * 5.0f - 1);
  // Coming back, it gets the last 2000 ms that were kept, then the end.
  const std::vector<float> late = LeftChannel(ReadFloats(stalled, 2, kRate * 6, 1000));
  ASSERT_EQ(late.size(), kBufferFrames);
  EXPECT_EQ(late.front(), static_cast<float>(kRate * 5 - kBufferFrames));
  EXPECT_EQ(late.back(), kRate * 5.0f - 1);
  for (HSTREAM h : {reading, stalled, source}) BASS_StreamFree(h);
}

TEST(Splitter, StartsWithTheSourcesNextDataAndCanBeMixed) {
  std::pair<size_t, size_t> counter{0, kRate};
  const HSTREAM source = BASS_StreamCreate(kRate, 2, kFloatDecode, Counting, &counter);
  const HSTREAM first = BASS_Split_StreamCreate(source, BASS_STREAM_DECODE, nullptr);
  ASSERT_EQ(ReadFloats(first, 2, 100).size(), 200u);
  const HSTREAM second = BASS_Split_StreamCreate(source, BASS_STREAM_DECODE, nullptr);
  const HSTREAM mixer = BASS_Mixer_StreamCreate(kRate, 2, kFloatDecode);
  ASSERT_TRUE(BASS_Mixer_StreamAddChannel(mixer, second, 0));
  ASSERT_TRUE(BASS_ChannelSetAttribute(second, BASS_ATTRIB_VOL, 0.5f));
  // The first splitter runs ahead; the second, joining late, starts where the source was.
  ASSERT_EQ(ReadFloats(first, 2, 200).size(), 400u);
  const std::vector<float> mixed = LeftChannel(ReadFloats(mixer, 2, 10));
  EXPECT_EQ(mixed.front(), 50.0f) << "frame 100 at half volume";
  for (HSTREAM h : {mixer, first, second, source}) BASS_StreamFree(h);
}

TEST(Splitter, RefusesWhatItCannotSplit) {
  const HSTREAM dummy = BASS_StreamCreate(kRate, 2, kFloatDecode, STREAMPROC_DUMMY, nullptr);
  EXPECT_EQ(BASS_Split_StreamCreate(dummy, BASS_STREAM_DECODE, nullptr), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLTYPE);
  EXPECT_EQ(BASS_Split_StreamCreate(0, BASS_STREAM_DECODE, nullptr), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  const int map[] = {1, 0, -1};
  const HSTREAM push = BASS_StreamCreate(kRate, 2, kFloatDecode, STREAMPROC_PUSH, nullptr);
  EXPECT_EQ(BASS_Split_StreamCreate(push, BASS_STREAM_DECODE, map), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
  BASS_StreamFree(push);
  BASS_StreamFree(dummy);
}

}  // namespace
