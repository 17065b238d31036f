#include <gtest/gtest.h>

#include <vector>

#include "audiolib/audiolib.h"

namespace {

constexpr DWORD kFailed = static_cast<DWORD>(-1);

// Gives 16-bit samples counting up from 0 and ends after `total` samples.
struct Counter {
  int16_t next = 0;
  int total = 0;
  int calls = 0;
};

DWORD CountingProc(HSTREAM, void* buffer, DWORD length, void* user) {
  auto* counter = static_cast<Counter*>(user);
  ++counter->calls;
  auto* out = static_cast<int16_t*>(buffer);
  DWORD written = 0;
  while (written + 2 <= length && counter->next < counter->total) {
    out[written / 2] = counter->next++;
    written += 2;
  }
  return counter->next == counter->total ? written | BASS_STREAMPROC_END : written;
}

TEST(ProcedureStream, FillsReadsFromItsProcedureUntilItSaysEnd) {
  Counter counter{0, 5000};
  const HSTREAM stream =
      BASS_StreamCreate(44100, 1, BASS_STREAM_DECODE, CountingProc, &counter);
  ASSERT_NE(stream, 0u);
  std::vector<int16_t> out(3000);
  EXPECT_EQ(BASS_ChannelGetData(stream, out.data(), 6000), 6000u);
  EXPECT_EQ(out[2999], 2999);
  EXPECT_EQ(BASS_ChannelGetData(stream, out.data(), 6000), 4000u) << "the rest, then it ends";
  EXPECT_EQ(out[1999], 4999);
  EXPECT_EQ(BASS_ChannelGetData(stream, out.data(), 6000), kFailed);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ENDED);
  const int callsAtEnd = counter.calls;
  BASS_ChannelGetData(stream, out.data(), 6000);
  EXPECT_EQ(counter.calls, callsAtEnd) << "an ended stream does not call its procedure";
  BASS_StreamFree(stream);
}

DWORD EndAtOnce(HSTREAM, void*, DWORD, void*) { return BASS_STREAMPROC_END; }

TEST(ProcedureStream, EndsWithoutDataWhenTheProcedureEndsAtOnce) {
  const HSTREAM stream = BASS_StreamCreate(44100, 1, BASS_STREAM_DECODE, EndAtOnce, nullptr);
  int16_t out[10];
  EXPECT_EQ(BASS_ChannelGetData(stream, out, sizeof out), kFailed);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ENDED);
  BASS_StreamFree(stream);
}

void Halve(HDSP, DWORD, void* buffer, DWORD length, void*) {
  auto* samples = static_cast<float*>(buffer);
  for (DWORD i = 0; i < length / 4; ++i) samples[i] *= 0.5f;
}

TEST(DummyStream, RunsItsDspChainOverTheCallersBuffer) {
  const HSTREAM stream =
      BASS_StreamCreate(16000, 2, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT, STREAMPROC_DUMMY, nullptr);
  ASSERT_NE(stream, 0u);
  ASSERT_NE(BASS_ChannelSetDSP(stream, Halve, nullptr, 0), 0u);
  float data[4] = {1, 2, 3, 4};
  EXPECT_EQ(BASS_ChannelGetData(stream, data, sizeof data), sizeof data);
  EXPECT_EQ(data[3], 2.0f);
  BASS_CHANNELINFO info{};
  ASSERT_TRUE(BASS_ChannelGetInfo(stream, &info));
  EXPECT_EQ(info.ctype, BASS_CTYPE_STREAM_DUMMY);
  float spectrum[128];
  EXPECT_EQ(BASS_ChannelGetData(stream, spectrum, BASS_DATA_FFT256), kFailed)
      << "it has no samples of its own to analyse";
  BASS_StreamFree(stream);
}

TEST(StreamCreate, RefusesImpossibleFormats) {
  const struct {
    DWORD freq, chans;
    int error;
  } cases[] = {{0, 1, BASS_ERROR_FREQ}, {44100, 0, BASS_ERROR_FORMAT}, {44100, 99, BASS_ERROR_FORMAT}};
  for (const auto& c : cases) {
    EXPECT_EQ(BASS_StreamCreate(c.freq, c.chans, BASS_STREAM_DECODE, STREAMPROC_PUSH, nullptr), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), c.error);
  }
}

}  // namespace
