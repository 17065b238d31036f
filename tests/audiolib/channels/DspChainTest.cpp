#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audiolib/audiolib.h"

namespace {

constexpr DWORD kFloatDecode = BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT;

struct Trace {
  std::string order;
  DWORD channel = 0;
  DWORD length = 0;
};

template <char Name>
void Record(HDSP, DWORD channel, void* buffer, DWORD length, void* user) {
  auto* trace = static_cast<Trace*>(user);
  trace->order += Name;
  trace->channel = channel;
  trace->length = length;
  // Each DSP sees the previous one's change: it appends its digit to the first sample.
  auto* samples = static_cast<float*>(buffer);
  samples[0] = samples[0] * 10 + static_cast<float>(Name - '0');
}

TEST(DspChain, RunsHigherPrioritiesFirstAndPassesEachChangeOn) {
  const HSTREAM stream = BASS_StreamCreate(44100, 1, kFloatDecode, STREAMPROC_PUSH, nullptr);
  Trace trace;
  BASS_ChannelSetDSP(stream, Record<'1'>, &trace, 0);
  BASS_ChannelSetDSP(stream, Record<'2'>, &trace, 5);
  BASS_ChannelSetDSP(stream, Record<'3'>, &trace, 0);
  BASS_ChannelSetDSP(stream, Record<'4'>, &trace, -3);
  const float block[4] = {0, 0, 0, 0};
  BASS_StreamPutData(stream, block, sizeof block);
  float out[4];
  ASSERT_EQ(BASS_ChannelGetData(stream, out, sizeof out), sizeof out);
  EXPECT_EQ(trace.order, "2134");
  EXPECT_EQ(trace.channel, stream);
  EXPECT_EQ(trace.length, sizeof out);
  EXPECT_EQ(out[0], 2134.0f) << "the caller gets the changed block";
  BASS_StreamFree(stream);
}

TEST(DspChain, StopsCallingARemovedDspAndRefusesUnknownOnes) {
  const HSTREAM stream = BASS_StreamCreate(44100, 1, kFloatDecode, STREAMPROC_PUSH, nullptr);
  Trace trace;
  const HDSP first = BASS_ChannelSetDSP(stream, Record<'1'>, &trace, 0);
  BASS_ChannelSetDSP(stream, Record<'2'>, &trace, 0);
  EXPECT_TRUE(BASS_ChannelRemoveDSP(stream, first));
  EXPECT_FALSE(BASS_ChannelRemoveDSP(stream, first));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  const float block[2] = {};
  BASS_StreamPutData(stream, block, sizeof block);
  float out[2];
  BASS_ChannelGetData(stream, out, sizeof out);
  EXPECT_EQ(trace.order, "2");
  EXPECT_EQ(BASS_ChannelSetDSP(stream, nullptr, nullptr, 0), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
  EXPECT_EQ(BASS_ChannelSetDSP(0, Record<'1'>, &trace, 0), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  BASS_StreamFree(stream);
}

struct SelfRemoving {
  HSTREAM stream = 0;
  HDSP dsp = 0;
  int calls = 0;
};

void RemoveItself(HDSP handle, DWORD channel, void*, DWORD, void* user) {
  auto* state = static_cast<SelfRemoving*>(user);
  ++state->calls;
  BASS_ChannelRemoveDSP(channel, handle);
}

TEST(DspChain, LetsADspRemoveItselfWhileItRuns) {
  SelfRemoving state;
  state.stream = BASS_StreamCreate(44100, 1, kFloatDecode, STREAMPROC_PUSH, nullptr);
  state.dsp = BASS_ChannelSetDSP(state.stream, RemoveItself, &state, 0);
  const float block[8] = {};
  BASS_StreamPutData(state.stream, block, sizeof block);
  float out[4];
  BASS_ChannelGetData(state.stream, out, sizeof out);
  BASS_ChannelGetData(state.stream, out, sizeof out);
  EXPECT_EQ(state.calls, 1);
  BASS_StreamFree(state.stream);
}

}  // namespace
