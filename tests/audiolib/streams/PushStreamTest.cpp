#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "audiolib/audiolib.h"

namespace {

constexpr DWORD kFailed = static_cast<DWORD>(-1);
constexpr DWORD kFloatDecode = BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT;

class PushStream : public testing::Test {
 protected:
  void SetUp() override { stream_ = BASS_StreamCreate(44100, 2, kFloatDecode, STREAMPROC_PUSH, nullptr); }
  void TearDown() override { BASS_StreamFree(stream_); }
  HSTREAM stream_ = 0;
  std::vector<float> data_ = std::vector<float>(1000, 0.25f);
};

TEST_F(PushStream, CountsTheBytesQueuedAndGivesThemBackInOrder) {
  ASSERT_NE(stream_, 0u);
  std::vector<float> ramp(300);
  for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<float>(i);
  EXPECT_EQ(BASS_StreamPutData(stream_, nullptr, 0), 0u);
  EXPECT_EQ(BASS_StreamPutData(stream_, ramp.data(), 800), 800u);
  EXPECT_EQ(BASS_StreamPutData(stream_, ramp.data() + 200, 400), 1200u);
  EXPECT_EQ(BASS_StreamPutData(stream_, nullptr, 0), 1200u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_OK);

  std::vector<float> out(400);
  EXPECT_EQ(BASS_ChannelGetData(stream_, out.data(), 1600), 1200u) << "what is queued, no more";
  for (size_t i = 0; i < 300; ++i) EXPECT_EQ(out[i], static_cast<float>(i));
  EXPECT_EQ(BASS_StreamPutData(stream_, nullptr, 0), 0u);
  EXPECT_EQ(BASS_ChannelGetPosition(stream_, BASS_POS_BYTE), 1200u);
}

TEST_F(PushStream, ADryQueueGivesNothingButHasNotEnded) {
  std::vector<float> out(100);
  EXPECT_EQ(BASS_ChannelGetData(stream_, out.data(), 400), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_OK);
}

TEST_F(PushStream, KeepsAFrameSplitBetweenAppendsUntilItIsWhole) {
  const float left = 0.5f, right = -0.5f;
  BASS_StreamPutData(stream_, &left, 4);
  std::vector<float> out(2);
  EXPECT_EQ(BASS_ChannelGetData(stream_, out.data(), 8), 0u);
  BASS_StreamPutData(stream_, &right, 4);
  EXPECT_EQ(BASS_ChannelGetData(stream_, out.data(), 8), 8u);
  EXPECT_EQ(out[0], left);
  EXPECT_EQ(out[1], right);
}

TEST_F(PushStream, DrainsTheQueueAfterTheEndMarkAndThenEnds) {
  EXPECT_EQ(BASS_StreamPutData(stream_, data_.data(), 200), 200u);
  EXPECT_EQ(BASS_ChannelGetLength(stream_, BASS_POS_BYTE), static_cast<QWORD>(-1))
      << "more may come";
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
  EXPECT_EQ(BASS_StreamPutData(stream_, data_.data(), 600 | BASS_STREAMPROC_END), 800u);
  EXPECT_EQ(BASS_ChannelGetLength(stream_, BASS_POS_BYTE), 800u) << "all it will ever hold";
  EXPECT_EQ(BASS_StreamPutData(stream_, data_.data(), 8), kFailed) << "no appends after the end";
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ENDED);
  EXPECT_EQ(BASS_StreamPutData(stream_, nullptr, 0), 800u) << "the queue can still be asked";

  std::vector<float> out(1000);
  EXPECT_EQ(BASS_ChannelGetData(stream_, out.data(), 400), 400u);
  EXPECT_EQ(BASS_ChannelGetData(stream_, out.data(), 4000), 400u);
  EXPECT_EQ(BASS_ChannelGetData(stream_, out.data(), 4000), kFailed);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ENDED);
}

TEST_F(PushStream, EndMarkWithoutDataEndsAnEmptyStream) {
  EXPECT_EQ(BASS_StreamPutData(stream_, nullptr, BASS_STREAMPROC_END), 0u);
  std::vector<float> out(2);
  EXPECT_EQ(BASS_ChannelGetData(stream_, out.data(), 8), kFailed);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ENDED);
}

TEST_F(PushStream, RefusesBadCallsWithMinusOne) {
  const HSTREAM notPush = BASS_StreamCreate(44100, 1, kFloatDecode, STREAMPROC_DUMMY, nullptr);
  const struct {
    HSTREAM handle;
    const void* buffer;
    DWORD length;
    int error;
  } cases[] = {
      {0, data_.data(), 8, BASS_ERROR_HANDLE},
      {notPush, data_.data(), 8, BASS_ERROR_NOTAVAIL},
      {stream_, nullptr, 8, BASS_ERROR_ILLPARAM},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BASS_StreamPutData(c.handle, c.buffer, c.length), kFailed);
    EXPECT_EQ(BASS_ErrorGetCode(), c.error);
  }
  BASS_StreamFree(stream_);
  EXPECT_EQ(BASS_StreamPutData(stream_, nullptr, 0), kFailed) << "a freed stream";
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

TEST_F(PushStream, CarriesSixteenAndEightBitSamplesAsGiven) {
  const HSTREAM s16 = BASS_StreamCreate(8000, 1, BASS_STREAM_DECODE, STREAMPROC_PUSH, nullptr);
  const HSTREAM u8 =
      BASS_StreamCreate(8000, 1, BASS_STREAM_DECODE | BASS_SAMPLE_8BITS, STREAMPROC_PUSH, nullptr);
  const int16_t shorts[] = {-32768, 0, 32767};
  const uint8_t bytes[] = {0, 128, 255};
  EXPECT_EQ(BASS_StreamPutData(s16, shorts, sizeof shorts), 6u);
  EXPECT_EQ(BASS_StreamPutData(u8, bytes, sizeof bytes), 3u);
  int16_t shortsOut[3];
  uint8_t bytesOut[3];
  EXPECT_EQ(BASS_ChannelGetData(s16, shortsOut, 6), 6u);
  EXPECT_EQ(BASS_ChannelGetData(u8, bytesOut, 3), 3u);
  EXPECT_EQ(shortsOut[2], 32767);
  EXPECT_EQ(bytesOut[2], 255);
  BASS_CHANNELINFO info{};
  ASSERT_TRUE(BASS_ChannelGetInfo(u8, &info));
  EXPECT_EQ(info.flags & (BASS_SAMPLE_8BITS | BASS_SAMPLE_FLOAT), BASS_SAMPLE_8BITS);
  EXPECT_EQ(BASS_ChannelGetLength(u8, BASS_POS_BYTE), static_cast<QWORD>(-1));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
}

// Appends of every size (a few samples, whole blocks and more, which are copied outside the queue's
// lock) from one thread while this one drains in pieces of other sizes: every sample comes out
// once and in order, and the count queued is never more than what was appended.
TEST_F(PushStream, GivesBackEverySampleInOrderWhileAnotherThreadAppendsLargeAndSmallPieces) {
  const size_t appendSizes[] = {3, 20000, 1, 5000, 16384, 70000, 7, 4096, 33000, 2};
  constexpr size_t kRounds = 12;
  size_t total = 0;
  for (size_t round = 0; round < kRounds; ++round)
    for (const size_t size : appendSizes) total += size;
  std::vector<float> samples(total);
  for (size_t i = 0; i < total; ++i) samples[i] = static_cast<float>(i);

  std::thread writer([&] {
    size_t at = 0;
    for (size_t round = 0; round < kRounds; ++round) {
      for (const size_t size : appendSizes) {
        BASS_StreamPutData(stream_, samples.data() + at, static_cast<DWORD>(size * sizeof(float)));
        at += size;
      }
    }
  });
  std::vector<float> out;
  out.reserve(total);
  const size_t takeSizes[] = {2, 9000, 128, 40000, 6};  // whole stereo frames
  std::vector<float> piece(40000);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  for (size_t n = 0; out.size() < total && std::chrono::steady_clock::now() < deadline; ++n) {
    const size_t want = takeSizes[n % std::size(takeSizes)];
    const DWORD got = BASS_ChannelGetData(stream_, piece.data(), static_cast<DWORD>(want * sizeof(float)));
    ASSERT_NE(got, kFailed);
    out.insert(out.end(), piece.begin(), piece.begin() + got / sizeof(float));
    EXPECT_LE(BASS_StreamPutData(stream_, nullptr, 0), (total - out.size()) * sizeof(float));
  }
  writer.join();
  ASSERT_EQ(out.size(), total);
  for (size_t i = 0; i < total; ++i) ASSERT_EQ(out[i], samples[i]) << "sample " << i;
}

}  // namespace
