#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "audiolib/audiolib.h"

namespace {

constexpr DWORD kFloatDecode = BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT;

struct Calls {
  std::vector<DWORD> channels;
};

void Count(HSYNC, DWORD channel, DWORD, void* user) {
  static_cast<Calls*>(user)->channels.push_back(channel);
}

// The generator's pattern: state owned by the stream, released by its free sync.
struct OwnedState {
  static inline int alive = 0;
  OwnedState() { ++alive; }
  ~OwnedState() { --alive; }
};

void FreeState(HSYNC, DWORD, DWORD, void* user) { delete static_cast<OwnedState*>(user); }

DWORD Silence(HSTREAM, void* buffer, DWORD length, void*) {
  std::fill_n(static_cast<BYTE*>(buffer), length, 0);
  return length;
}

TEST(Syncs, FreeSyncRunsOnceWhenTheStreamIsFreed) {
  auto* state = new OwnedState;
  const HSTREAM stream = BASS_StreamCreate(44100, 1, BASS_STREAM_DECODE, Silence, state);
  ASSERT_NE(BASS_ChannelSetSync(stream, BASS_SYNC_FREE, 0, FreeState, state), 0u);
  int16_t out[64];
  BASS_ChannelGetData(stream, out, sizeof out);
  EXPECT_EQ(OwnedState::alive, 1);
  EXPECT_TRUE(BASS_StreamFree(stream));
  EXPECT_EQ(OwnedState::alive, 0);
  EXPECT_FALSE(BASS_StreamFree(stream)) << "a second free is harmless";
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  EXPECT_FALSE(BASS_StreamFree(0));
  EXPECT_EQ(OwnedState::alive, 0);
}

TEST(Syncs, EndSyncRunsWhenTheLastDataIsRead) {
  const HSTREAM stream = BASS_StreamCreate(44100, 1, kFloatDecode, STREAMPROC_PUSH, nullptr);
  Calls ends, once;
  BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, Count, &ends);
  BASS_ChannelSetSync(stream, BASS_SYNC_END | BASS_SYNC_ONETIME | BASS_SYNC_MIXTIME, 0, Count, &once);
  const float block[4] = {};
  BASS_StreamPutData(stream, block, sizeof block | BASS_STREAMPROC_END);
  float out[2];
  BASS_ChannelGetData(stream, out, sizeof out);
  EXPECT_TRUE(ends.channels.empty());
  BASS_ChannelGetData(stream, out, sizeof out);
  ASSERT_EQ(ends.channels.size(), 1u);
  EXPECT_EQ(ends.channels[0], stream);
  EXPECT_EQ(once.channels.size(), 1u);
  BASS_ChannelGetData(stream, out, sizeof out);
  EXPECT_EQ(ends.channels.size(), 1u) << "the end is reached once";
  BASS_StreamFree(stream);
}

TEST(Syncs, PositionSyncRunsWhenItsByteIsPassedAndCanBeRemoved) {
  const HSTREAM stream = BASS_StreamCreate(44100, 1, kFloatDecode, STREAMPROC_PUSH, nullptr);
  Calls at, removed;
  BASS_ChannelSetSync(stream, BASS_SYNC_POS, 12, Count, &at);
  const HSYNC gone = BASS_ChannelSetSync(stream, BASS_SYNC_POS, 4, Count, &removed);
  EXPECT_TRUE(BASS_ChannelRemoveSync(stream, gone));
  EXPECT_FALSE(BASS_ChannelRemoveSync(stream, gone));
  const float block[8] = {};
  BASS_StreamPutData(stream, block, sizeof block);
  float out[2];
  BASS_ChannelGetData(stream, out, 8);
  EXPECT_TRUE(at.channels.empty());
  BASS_ChannelGetData(stream, out, 8);
  EXPECT_EQ(at.channels.size(), 1u);
  EXPECT_TRUE(removed.channels.empty());
  EXPECT_EQ(BASS_ChannelSetSync(stream, 0x1234, 0, Count, &at), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLTYPE);
  BASS_StreamFree(stream);
}

}  // namespace
