#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "AudioFixtures.h"
#include "audiolib/audiolib.h"

using namespace audiofixtures;

namespace {

constexpr DWORD kFloatDecode = BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT;
constexpr DWORD kFailed = static_cast<DWORD>(-1);
constexpr int kRate = 8000;

DWORD Ones(HSTREAM, void* buffer, DWORD length, void*) {
  auto* samples = static_cast<float*>(buffer);
  for (DWORD i = 0; i < length / sizeof(float); ++i) samples[i] = 1.0f;
  return length;
}

DWORD OneBlockThenEnd(HSTREAM, void* buffer, DWORD length, void* user) {
  auto* calls = static_cast<int*>(user);
  if ((*calls)++ > 0) return BASS_STREAMPROC_END;
  std::fill_n(static_cast<float*>(buffer), length / sizeof(float), 0.5f);
  return length;
}

// Reads until the channel ends or has nothing more for now (a dry push stream).
void DrainAll(HSTREAM handle) {
  std::vector<float> block(1024);
  for (DWORD got = 1; got != 0 && got != kFailed;) got = BASS_ChannelGetData(handle, block.data(), 4096);
}

// Each situation makes a channel (returning it and anything else to free) and reads it as needed.
struct StateCase {
  const char* name;
  std::function<std::vector<DWORD>(const TempDir&)> make;  // the channel first
  DWORD expected;
};

std::vector<DWORD> WavStream(const TempDir& dir, DWORD flags, bool readToEnd) {
  WriteWav(dir / "short.wav", std::vector<float>(1000, 0.5f), kRate, 1, 16);
  const HSTREAM stream = BASS_StreamCreateFile(0, (dir / "short.wav").c_str(), 0, 0, flags);
  EXPECT_NE(stream, 0u);
  if (readToEnd) {
    if (flags & BASS_SAMPLE_LOOP) {
      std::vector<float> block(3000);
      EXPECT_EQ(BASS_ChannelGetData(stream, block.data(), 12000), 12000u) << "looping fills";
    } else {
      DrainAll(stream);
    }
  }
  return {stream};
}

std::vector<DWORD> PushStream(const std::vector<float>& queued, bool end, bool drain) {
  const HSTREAM stream = BASS_StreamCreate(kRate, 1, kFloatDecode, STREAMPROC_PUSH, nullptr);
  const auto bytes = static_cast<DWORD>(queued.size() * sizeof(float));
  BASS_StreamPutData(stream, queued.data(), end ? bytes | BASS_STREAMPROC_END : bytes);
  if (drain) DrainAll(stream);
  return {stream};
}

class ChannelState : public testing::TestWithParam<StateCase> {};

TEST_P(ChannelState, IsActiveTellsWhatTheChannelIsDoing) {
  TempDir dir;
  const std::vector<DWORD> handles = GetParam().make(dir);
  EXPECT_EQ(BASS_ChannelIsActive(handles.front()), GetParam().expected);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_OK);
  for (DWORD h : handles) BASS_ChannelFree(h);
}

int procCalls = 0;

INSTANTIATE_TEST_SUITE_P(
    KindsAndSituations, ChannelState,
    testing::Values(
        StateCase{"FileUnread", [](const TempDir& d) { return WavStream(d, kFloatDecode, false); },
                  BASS_ACTIVE_PLAYING},
        StateCase{"FileDecodedToTheEnd",
                  [](const TempDir& d) { return WavStream(d, kFloatDecode, true); },
                  BASS_ACTIVE_STOPPED},
        StateCase{"LoopingFilePastItsEnd",
                  [](const TempDir& d) {
                    return WavStream(d, kFloatDecode | BASS_SAMPLE_LOOP, true);
                  },
                  BASS_ACTIVE_PLAYING},
        StateCase{"PushStreamNeverFed", [](const TempDir&) { return PushStream({}, false, false); },
                  BASS_ACTIVE_STALLED},
        StateCase{"PushStreamWithData",
                  [](const TempDir&) { return PushStream({0.1f, 0.2f}, false, false); },
                  BASS_ACTIVE_PLAYING},
        StateCase{"PushStreamRunDry",
                  [](const TempDir&) { return PushStream({0.1f, 0.2f}, false, true); },
                  BASS_ACTIVE_STALLED},
        StateCase{"PushStreamEndedButNotDrained",
                  [](const TempDir&) { return PushStream({0.1f, 0.2f}, true, false); },
                  BASS_ACTIVE_PLAYING},
        StateCase{"PushStreamDrainedAfterItsEnd",
                  [](const TempDir&) { return PushStream({0.1f, 0.2f}, true, true); },
                  BASS_ACTIVE_STOPPED},
        StateCase{"ProcedureStream",
                  [](const TempDir&) -> std::vector<DWORD> {
                    return {BASS_StreamCreate(kRate, 1, kFloatDecode, Ones, nullptr)};
                  },
                  BASS_ACTIVE_PLAYING},
        StateCase{"ProcedureStreamThatEnded",
                  [](const TempDir&) -> std::vector<DWORD> {
                    procCalls = 0;
                    const HSTREAM s =
                        BASS_StreamCreate(kRate, 1, kFloatDecode, OneBlockThenEnd, &procCalls);
                    DrainAll(s);
                    return {s};
                  },
                  BASS_ACTIVE_STOPPED},
        StateCase{"DummyStream",
                  [](const TempDir&) -> std::vector<DWORD> {
                    return {BASS_StreamCreate(kRate, 1, kFloatDecode, STREAMPROC_DUMMY, nullptr)};
                  },
                  BASS_ACTIVE_PLAYING},
        StateCase{"MixerWithoutSources",
                  [](const TempDir&) -> std::vector<DWORD> {
                    return {BASS_Mixer_StreamCreate(kRate, 1, kFloatDecode)};
                  },
                  BASS_ACTIVE_PLAYING},
        StateCase{"MixerWhoseSourcesEnded",
                  [](const TempDir&) -> std::vector<DWORD> {
                    const HSTREAM mixer = BASS_Mixer_StreamCreate(kRate, 1, kFloatDecode);
                    const DWORD source = PushStream({0.1f, 0.2f}, true, false).front();
                    BASS_Mixer_StreamAddChannel(mixer, source, 0);
                    DrainAll(mixer);
                    return {mixer, source};
                  },
                  BASS_ACTIVE_STOPPED},
        StateCase{"SourceStoppedByAFadeToMinusOne",
                  [](const TempDir&) -> std::vector<DWORD> {
                    const HSTREAM mixer = BASS_Mixer_StreamCreate(kRate, 1, kFloatDecode);
                    const HSTREAM source = BASS_StreamCreate(kRate, 1, kFloatDecode, Ones, nullptr);
                    BASS_Mixer_StreamAddChannel(mixer, source, 0);
                    BASS_ChannelSlideAttribute(source, BASS_ATTRIB_VOL, -1, 10);
                    DrainAll(mixer);
                    return {source, mixer};
                  },
                  BASS_ACTIVE_STOPPED}),
    [](const testing::TestParamInfo<StateCase>& info) { return info.param.name; });

TEST(ChannelStateOfAFreedHandle, IsStoppedWithTheHandleError) {
  const HSTREAM stream = BASS_StreamCreate(kRate, 1, kFloatDecode, Ones, nullptr);
  ASSERT_TRUE(BASS_StreamFree(stream));
  EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

void CountSync(HSYNC, DWORD, DWORD, void* user) { ++*static_cast<int*>(user); }

TEST(LoopingFileStream, StartsAgainFromTheTopWithItsPositionAndSyncs) {
  TempDir dir;
  std::vector<float> ramp(1000);
  for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<float>(i) / 1000.0f;
  WriteWav(dir / "ramp.wav", ramp, kRate, 1, 32);
  const HSTREAM stream = BASS_StreamCreateFile(0, (dir / "ramp.wav").c_str(), 0, 0,
                                               kFloatDecode | BASS_SAMPLE_LOOP);
  ASSERT_NE(stream, 0u);
  int passes = 0;
  int ends = 0;
  ASSERT_NE(BASS_ChannelSetSync(stream, BASS_SYNC_POS, 100 * sizeof(float), CountSync, &passes), 0u);
  ASSERT_NE(BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, CountSync, &ends), 0u);
  const std::vector<float> read = ReadFloats(stream, 1, 2500, 700);
  ASSERT_EQ(read.size(), 2500u);
  for (size_t i = 0; i < read.size(); ++i) ASSERT_EQ(read[i], ramp[i % 1000]) << "frame " << i;
  EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), 500 * sizeof(float));
  EXPECT_EQ(passes, 3);
  EXPECT_EQ(ends, 0);
  BASS_StreamFree(stream);
}

class FloatDspGuard {
 public:
  FloatDspGuard() { BASS_SetConfig(BASS_CONFIG_FLOATDSP, 1); }
  ~FloatDspGuard() { BASS_SetConfig(BASS_CONFIG_FLOATDSP, 0); }
};

void HalveFloats(HDSP, DWORD, void* buffer, DWORD length, void* user) {
  *static_cast<DWORD*>(user) = length;
  auto* samples = static_cast<float*>(buffer);
  for (DWORD i = 0; i < length / sizeof(float); ++i) samples[i] *= 0.5f;
}

TEST(FloatDsp, GivesDspProceduresFloatSamplesOfASixteenBitChannel) {
  FloatDspGuard floatDsp;
  const HSTREAM stream = BASS_StreamCreate(kRate, 2, BASS_STREAM_DECODE, STREAMPROC_PUSH, nullptr);
  DWORD seenBytes = 0;
  ASSERT_NE(BASS_ChannelSetDSP(stream, HalveFloats, &seenBytes, 0), 0u);
  const int16_t in[4] = {16384, -16384, 8192, 32767};
  BASS_StreamPutData(stream, in, sizeof in);
  int16_t out[4] = {};
  ASSERT_EQ(BASS_ChannelGetData(stream, out, sizeof out), sizeof out);
  EXPECT_EQ(seenBytes, 4 * sizeof(float));
  EXPECT_EQ(out[0], 8192);
  EXPECT_EQ(out[1], -8192);
  EXPECT_EQ(out[2], 4096);
  EXPECT_NEAR(out[3], 16384, 1);
  BASS_StreamFree(stream);
}

}  // namespace
