#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "AudioFixtures.h"
#include "audiolib/audiolib.h"

using namespace audiofixtures;

namespace {

constexpr DWORD kFloatDecode = BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT;
constexpr DWORD kRate = 8000;
constexpr QWORD kFrameBytes = sizeof(float);

DWORD Ones(HSTREAM, void* buffer, DWORD length, void*) {
  auto* samples = static_cast<float*>(buffer);
  for (DWORD i = 0; i < length / sizeof(float); ++i) samples[i] = 1.0f;
  return length;
}

struct Fired {
  int count = 0;
  QWORD mixerPosition = 0;
  HSTREAM mixer = 0;
};

void NoteMixerPosition(HSYNC, DWORD, DWORD, void* user) {
  auto* fired = static_cast<Fired*>(user);
  ++fired->count;
  fired->mixerPosition = BASS_ChannelGetPosition(fired->mixer, BASS_POS_BYTE);
}

TEST(SyncOnAMixerSource, FiresInTheMixerBlockThatPlaysThatSourcePosition) {
  const HSTREAM mixer = BASS_Mixer_StreamCreate(kRate, 1, kFloatDecode);
  const HSTREAM source = BASS_StreamCreate(kRate, 1, kFloatDecode, Ones, nullptr);
  Fired fired{0, 0, mixer};
  ASSERT_NE(BASS_ChannelSetSync(source, BASS_SYNC_POS | BASS_SYNC_ONETIME, 500 * kFrameBytes,
                                NoteMixerPosition, &fired),
            0u);
  ASSERT_TRUE(BASS_Mixer_StreamAddChannelEx(mixer, source, 0, 1000 * kFrameBytes, 0));
  ASSERT_EQ(ReadFloats(mixer, 1, 4000, 256).size(), 4000u);
  EXPECT_EQ(fired.count, 1);
  // The source's frame 500 is the mixer's frame 1500; the sync runs while that block is mixed.
  const QWORD blockStart = fired.mixerPosition / kFrameBytes;
  EXPECT_LE(blockStart, 1500u);
  EXPECT_GT(blockStart + 256, 1500u);
  BASS_StreamFree(source);
  BASS_StreamFree(mixer);
}

struct SelfFree {
  int freeSyncs = 0;
  std::thread::id freeThread;
};

void FreeOwnChannel(HSYNC, DWORD channel, DWORD, void*) { BASS_ChannelFree(channel); }

void NoteFree(HSYNC, DWORD, DWORD, void* user) {
  auto* record = static_cast<SelfFree*>(user);
  ++record->freeSyncs;
  record->freeThread = std::this_thread::get_id();
}

TEST(SyncProcedure, MayFreeItsOwnChannelWhileTheMixerReadsIt) {
  const HSTREAM mixer = BASS_Mixer_StreamCreate(kRate, 1, kFloatDecode);
  const HSTREAM doomed = BASS_StreamCreate(kRate, 1, kFloatDecode, Ones, nullptr);
  const HSTREAM other = BASS_StreamCreate(kRate, 1, kFloatDecode, Ones, nullptr);
  SelfFree record;
  ASSERT_NE(BASS_ChannelSetSync(doomed, BASS_SYNC_POS, 1000 * kFrameBytes, FreeOwnChannel, nullptr),
            0u);
  ASSERT_NE(BASS_ChannelSetSync(doomed, BASS_SYNC_FREE, 0, NoteFree, &record), 0u);
  ASSERT_TRUE(BASS_Mixer_StreamAddChannel(mixer, doomed, 0));
  ASSERT_TRUE(BASS_Mixer_StreamAddChannel(mixer, other, 0));
  std::vector<float> mix;
  std::thread reader([&] { mix = ReadFloats(mixer, 1, 3000, 500); });
  reader.join();
  ASSERT_EQ(mix.size(), 3000u) << "the mixer goes on with its other source";
  EXPECT_EQ(mix[999], 2.0f);
  EXPECT_EQ(mix[1000], 1.0f) << "the freed source is gone from the next block";
  EXPECT_EQ(record.freeSyncs, 1);
  EXPECT_NE(record.freeThread, std::this_thread::get_id()) << "on the reading thread";
  EXPECT_EQ(BASS_Mixer_StreamGetChannels(mixer, nullptr, 0), 1u);
  EXPECT_FALSE(BASS_ChannelFree(doomed));
  BASS_StreamFree(other);
  BASS_StreamFree(mixer);
}

void SeekToStart(HSYNC, DWORD channel, DWORD, void* user) {
  ++*static_cast<int*>(user);
  BASS_ChannelSetPosition(channel, 0, BASS_POS_BYTE);
}

TEST(SyncProcedure, MayMoveItsChannelWhichThenGoesOnFromThere) {
  TempDir dir;
  std::vector<float> ramp(2000);
  for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<float>(i) / 2000.0f;
  WriteWav(dir / "ramp.wav", ramp, kRate, 1, 32);
  const HSTREAM stream =
      BASS_StreamCreateFile(0, (dir / "ramp.wav").c_str(), 0, 0, kFloatDecode);
  ASSERT_NE(stream, 0u);
  int seeks = 0;
  ASSERT_NE(BASS_ChannelSetSync(stream, BASS_SYNC_POS | BASS_SYNC_ONETIME, 600 * kFrameBytes,
                                SeekToStart, &seeks),
            0u);
  const std::vector<float> first = ReadFloats(stream, 1, 700, 700);
  EXPECT_EQ(seeks, 1);
  EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), 0u);
  EXPECT_EQ(first.back(), ramp[699]) << "the block in progress is delivered as read";
  EXPECT_EQ(ReadFloats(stream, 1, 1).front(), ramp[0]);
  BASS_StreamFree(stream);
}

}  // namespace
