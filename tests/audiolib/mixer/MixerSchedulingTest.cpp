#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "AudioFixtures.h"
#include "audiolib/audiolib.h"

using namespace audiofixtures;

namespace {

constexpr DWORD kFailed = static_cast<DWORD>(-1);
constexpr DWORD kFloatDecode = BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT;
constexpr DWORD kRate = 8000;
constexpr QWORD kFrameBytes = sizeof(float);  // mono float

DWORD Ones(HSTREAM, void* buffer, DWORD length, void*) {
  auto* samples = static_cast<float*>(buffer);
  for (DWORD i = 0; i < length / sizeof(float); ++i) samples[i] = 1.0f;
  return length;
}

HSTREAM OnesStream() { return BASS_StreamCreate(kRate, 1, kFloatDecode, Ones, nullptr); }

// A push stream holding 0, 1, 2, ... (frame numbers), ended.
HSTREAM CountingStream(size_t frames) {
  const HSTREAM stream = BASS_StreamCreate(kRate, 1, kFloatDecode, STREAMPROC_PUSH, nullptr);
  std::vector<float> samples(frames);
  for (size_t i = 0; i < frames; ++i) samples[i] = static_cast<float>(i);
  BASS_StreamPutData(stream, samples.data(),
                     static_cast<DWORD>(frames * sizeof(float)) | BASS_STREAMPROC_END);
  return stream;
}

struct ScheduleCase {
  const char* name;
  DWORD mixerFlags;
  size_t startFrames, lengthFrames;  // length 0: no limit
  size_t expectedMixFrames;          // frames before the mixer ends (kReadFrames: it goes on)
};
constexpr size_t kReadFrames = 6000;

class MixerSchedule : public testing::TestWithParam<ScheduleCase> {};

TEST_P(MixerSchedule, StartsAtTheOffsetAndEndsAtTheLengthExactly) {
  const ScheduleCase& c = GetParam();
  const HSTREAM mixer = BASS_Mixer_StreamCreate(kRate, 1, kFloatDecode | c.mixerFlags);
  const HSTREAM bed = OnesStream();
  ASSERT_TRUE(BASS_Mixer_StreamAddChannelEx(mixer, bed, 0, c.startFrames * kFrameBytes,
                                            c.lengthFrames * kFrameBytes));
  const std::vector<float> mix = ReadFloats(mixer, 1, kReadFrames, 777);
  ASSERT_EQ(mix.size(), c.expectedMixFrames);
  const size_t end = c.lengthFrames ? c.startFrames + c.lengthFrames : kReadFrames;
  for (size_t i = 0; i < mix.size(); ++i) {
    ASSERT_EQ(mix[i], (i >= c.startFrames && i < end) ? 1.0f : 0.0f) << "frame " << i;
  }
  BASS_StreamFree(bed);
  BASS_StreamFree(mixer);
}

INSTANTIATE_TEST_SUITE_P(
    OffsetsAndLengths, MixerSchedule,
    testing::Values(ScheduleCase{"AtOnce", 0, 0, 0, kReadFrames},
                    ScheduleCase{"Delayed", 0, 1234, 0, kReadFrames},
                    ScheduleCase{"DelayedPastTheFirstBlocks", 0, 4001, 0, kReadFrames},
                    ScheduleCase{"LimitedBedEndsTheMixer", 0, 0, 2500, 2500},
                    ScheduleCase{"DelayedAndLimited", BASS_MIXER_END, 1000, 900, 1900},
                    ScheduleCase{"LimitedInANonstopMixer", BASS_MIXER_NONSTOP, 100, 900,
                                 kReadFrames}),
    [](const testing::TestParamInfo<ScheduleCase>& info) { return info.param.name; });

TEST(MixerEnvelope, ShapesAConstantToTheNodeValuesAtTheNodePositions) {
  const HSTREAM mixer = BASS_Mixer_StreamCreate(kRate, 1, kFloatDecode);
  const HSTREAM intro = OnesStream();
  ASSERT_TRUE(BASS_Mixer_StreamAddChannelEx(mixer, intro, 0, 500 * kFrameBytes, 0));
  // As an intro: in over 150 ms, held, out over the last 200 ms of a 1 s stretch.
  const BASS_MIXER_NODE nodes[] = {{0, 0.0f},
                                   {1200 * kFrameBytes, 1.0f},
                                   {6400 * kFrameBytes, 1.0f},
                                   {8000 * kFrameBytes, 0.0f}};
  ASSERT_TRUE(BASS_Mixer_ChannelSetEnvelope(intro, BASS_MIXER_ENV_VOL, nodes, 4));
  const std::vector<float> mix = ReadFloats(mixer, 1, 500 + 9000, 1000);
  // Positions count from where the source starts, 500 frames into the mixer.
  const std::pair<size_t, float> expected[] = {{0, 0.0f},     {600, 0.5f},  {1200, 1.0f},
                                               {3000, 1.0f},  {6400, 1.0f}, {7200, 0.5f},
                                               {7999, 1.0f / 1600}, {8000, 0.0f}, {8999, 0.0f}};
  EXPECT_EQ(mix[499], 0.0f);
  for (const auto& [frame, gain] : expected) {
    EXPECT_NEAR(mix[500 + frame], gain, 1e-6) << "frame " << frame;
  }
  ASSERT_TRUE(BASS_Mixer_ChannelSetEnvelope(intro, BASS_MIXER_ENV_VOL, nullptr, 0));
  EXPECT_EQ(ReadFloats(mixer, 1, 10).front(), 1.0f) << "removed";
  const BASS_MIXER_NODE backwards[] = {{800, 1.0f}, {400, 0.0f}};
  EXPECT_FALSE(BASS_Mixer_ChannelSetEnvelope(intro, BASS_MIXER_ENV_VOL, backwards, 2));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
  EXPECT_FALSE(BASS_Mixer_ChannelSetEnvelope(intro, 1, nodes, 4));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLTYPE);
  BASS_StreamFree(intro);
  BASS_StreamFree(mixer);
}

TEST(MixerSourcePause, HoldsTheSourcesPositionUntilUnpaused) {
  const HSTREAM mixer = BASS_Mixer_StreamCreate(kRate, 1, kFloatDecode);
  const HSTREAM source = CountingStream(5000);
  ASSERT_TRUE(BASS_Mixer_StreamAddChannel(mixer, source, 0));
  EXPECT_EQ(ReadFloats(mixer, 1, 1000).back(), 999.0f);
  EXPECT_EQ(BASS_Mixer_ChannelFlags(source, BASS_MIXER_CHAN_PAUSE, BASS_MIXER_CHAN_PAUSE),
            BASS_MIXER_CHAN_PAUSE);
  EXPECT_EQ(BASS_ChannelIsActive(source), BASS_ACTIVE_PAUSED);
  const std::vector<float> paused = ReadFloats(mixer, 1, 1000);
  ASSERT_EQ(paused.size(), 1000u) << "the mixer goes on";
  EXPECT_EQ(Peak(paused), 0.0f);
  EXPECT_EQ(BASS_Mixer_ChannelGetPosition(source, BASS_POS_BYTE), 1000 * kFrameBytes);
  EXPECT_EQ(BASS_Mixer_ChannelFlags(source, 0, BASS_MIXER_CHAN_PAUSE), 0u);
  EXPECT_EQ(BASS_ChannelIsActive(source), BASS_ACTIVE_PLAYING);
  EXPECT_EQ(ReadFloats(mixer, 1, 1).front(), 1000.0f) << "continues where it was";
  EXPECT_EQ(BASS_Mixer_ChannelFlags(mixer, BASS_MIXER_CHAN_PAUSE, BASS_MIXER_CHAN_PAUSE), kFailed)
      << "a mixer in no mixer";
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  BASS_StreamFree(source);
  BASS_StreamFree(mixer);
}

struct FreeRecord {
  int calls = 0;
  std::thread::id thread;
};

void RecordFree(HSYNC, DWORD, DWORD, void* user) {
  auto* record = static_cast<FreeRecord*>(user);
  ++record->calls;
  record->thread = std::this_thread::get_id();
}

TEST(MixerAutoFree, FreesAnEndedSourceOnTheReadingThreadAndRunsItsFreeSyncs) {
  const HSTREAM mixer = BASS_Mixer_StreamCreate(kRate, 1, kFloatDecode | BASS_MIXER_END);
  const HSTREAM silence = CountingStream(1500);
  const HSTREAM kept = CountingStream(1500);
  FreeRecord record;
  ASSERT_NE(BASS_ChannelSetSync(silence, BASS_SYNC_FREE, 0, RecordFree, &record), 0u);
  ASSERT_TRUE(BASS_Mixer_StreamAddChannel(mixer, silence, BASS_STREAM_AUTOFREE));
  ASSERT_TRUE(BASS_Mixer_StreamAddChannel(mixer, kept, BASS_STREAM_AUTOFREE));
  // Taking AUTOFREE off again keeps the second source when it ends.
  EXPECT_EQ(BASS_Mixer_ChannelFlags(kept, 0, BASS_STREAM_AUTOFREE), 0u);
  DWORD listed[4] = {};
  EXPECT_EQ(BASS_Mixer_StreamGetChannels(mixer, listed, 4), 2u);
  EXPECT_EQ(listed[0], silence);
  EXPECT_EQ(listed[1], kept);
  std::vector<float> mix;
  std::thread reader([&] { mix = ReadFloats(mixer, 1, 4000, 1000); });
  reader.join();
  EXPECT_EQ(mix.size(), 1500u) << "END: the mixer ends with its sources";
  EXPECT_EQ(record.calls, 1);
  EXPECT_NE(record.thread, std::this_thread::get_id());
  EXPECT_EQ(BASS_ChannelIsActive(silence), BASS_ACTIVE_STOPPED);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE) << "freed";
  EXPECT_EQ(BASS_ChannelIsActive(kept), BASS_ACTIVE_STOPPED);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_OK) << "kept";
  EXPECT_EQ(BASS_Mixer_StreamGetChannels(mixer, nullptr, 0), 1u);
  BASS_StreamFree(kept);
  EXPECT_EQ(BASS_Mixer_StreamGetChannels(mixer, nullptr, 0), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_OK);
  BASS_StreamFree(mixer);
}

struct EndCase {
  const char* name;
  DWORD mixerFlags;
  bool withSource;         // one short source that ends after 100 frames
  bool setNonstopLater;    // BASS_ChannelFlags sets NONSTOP after creation
  size_t expectedFrames;   // of 1000 asked for
};

class MixerEnd : public testing::TestWithParam<EndCase> {};

TEST_P(MixerEnd, EndsAsItsFlagsSay) {
  const EndCase& c = GetParam();
  const HSTREAM mixer = BASS_Mixer_StreamCreate(kRate, 1, kFloatDecode | c.mixerFlags);
  HSTREAM source = 0;
  if (c.withSource) {
    source = CountingStream(100);
    ASSERT_TRUE(BASS_Mixer_StreamAddChannel(mixer, source, 0));
  }
  if (c.setNonstopLater) {
    EXPECT_EQ(BASS_ChannelFlags(mixer, BASS_MIXER_NONSTOP, BASS_MIXER_NONSTOP) & BASS_MIXER_NONSTOP,
              BASS_MIXER_NONSTOP);
  }
  EXPECT_EQ(ReadFloats(mixer, 1, 1000, 250).size(), c.expectedFrames);
  BASS_StreamFree(source);
  BASS_StreamFree(mixer);
}

INSTANTIATE_TEST_SUITE_P(
    Flags, MixerEnd,
    testing::Values(EndCase{"DefaultWithoutSourcesGoesOn", 0, false, false, 1000},
                    EndCase{"DefaultEndsWithItsSources", 0, true, false, 100},
                    EndCase{"EndWithoutSourcesEndsAtOnce", BASS_MIXER_END, false, false, 0},
                    EndCase{"EndEndsWithItsSources", BASS_MIXER_END, true, false, 100},
                    EndCase{"NonstopGoesOnAfterItsSources", BASS_MIXER_NONSTOP, true, false, 1000},
                    EndCase{"NonstopSetLater", 0, true, true, 1000}),
    [](const testing::TestParamInfo<EndCase>& info) { return info.param.name; });

TEST(MixerSourcePosition, CountsWhatWasMixedAlsoThroughTheResampler) {
  const HSTREAM mixer = BASS_Mixer_StreamCreate(48000, 1, kFloatDecode);
  const HSTREAM direct = BASS_StreamCreate(48000, 1, kFloatDecode, Ones, nullptr);
  const HSTREAM resampled = BASS_StreamCreate(24000, 1, kFloatDecode, Ones, nullptr);
  ASSERT_TRUE(BASS_Mixer_StreamAddChannel(mixer, direct, 0));
  ASSERT_TRUE(BASS_Mixer_StreamAddChannel(mixer, resampled, 0));
  ASSERT_EQ(ReadFloats(mixer, 1, 4800).size(), 4800u);
  EXPECT_EQ(BASS_Mixer_ChannelGetPosition(direct, BASS_POS_BYTE), 4800 * kFrameBytes);
  EXPECT_EQ(BASS_Mixer_ChannelGetPosition(resampled, BASS_POS_BYTE), 2400 * kFrameBytes);
  EXPECT_GT(BASS_ChannelGetPosition(resampled, BASS_POS_BYTE), 2400 * kFrameBytes)
      << "the resampler reads ahead, which the mixer position leaves out";
  BASS_StreamFree(direct);
  BASS_StreamFree(resampled);
  BASS_StreamFree(mixer);
}

}  // namespace
