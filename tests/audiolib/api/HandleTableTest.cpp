#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "audiolib/audiolib.h"

namespace {

constexpr DWORD kFailed = static_cast<DWORD>(-1);
constexpr DWORD kFloatDecode = BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT;

TEST(Handles, AreNeverZeroAndNotReusedAfterAFree) {
  std::set<DWORD> seen;
  for (int i = 0; i < 100; ++i) {
    const HSTREAM stream = BASS_StreamCreate(8000, 1, kFloatDecode, STREAMPROC_PUSH, nullptr);
    ASSERT_NE(stream, 0u);
    EXPECT_TRUE(seen.insert(stream).second);
    BASS_StreamFree(stream);
  }
}

TEST(Handles, KeepTheLastErrorPerThread) {
  BASS_StreamFree(0);
  ASSERT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  int otherThreadError = -2;
  std::thread([&] {
    BASS_GetVersion();
    otherThreadError = BASS_ErrorGetCode();
  }).join();
  EXPECT_EQ(otherThreadError, BASS_OK);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

// One thread feeds a push stream while another reads the 16 kHz mono mixer pulling from it: every
// sample arrives once and in order.
TEST(Handles, PushAndMixerReadOnTwoThreadsLoseNothing) {
  const HSTREAM source = BASS_StreamCreate(16000, 1, kFloatDecode, STREAMPROC_PUSH, nullptr);
  const HSTREAM mixer = BASS_Mixer_StreamCreate(16000, 1, kFloatDecode);
  ASSERT_TRUE(BASS_Mixer_StreamAddChannel(mixer, source, 0));
  constexpr int kBlocks = 400;
  constexpr int kBlockFrames = 333;
  std::thread feeder([&] {
    std::vector<float> block(kBlockFrames);
    for (int b = 0; b < kBlocks; ++b) {
      for (int i = 0; i < kBlockFrames; ++i) block[i] = static_cast<float>(b * kBlockFrames + i);
      const bool last = b == kBlocks - 1;
      BASS_StreamPutData(source, block.data(),
                         (kBlockFrames * 4) | (last ? BASS_STREAMPROC_END : 0));
    }
  });
  std::vector<float> received;
  std::vector<float> out(512);
  while (true) {
    const DWORD got = BASS_ChannelGetData(mixer, out.data(), 2048);
    if (got == kFailed) break;
    // Silence where the queue ran dry is skipped: only the fed ramp counts.
    for (DWORD i = 0; i < got / 4; ++i) {
      if (out[i] != 0.0f || received.empty()) received.push_back(out[i]);
    }
  }
  feeder.join();
  ASSERT_EQ(received.size(), static_cast<size_t>(kBlocks * kBlockFrames));
  for (size_t i = 0; i < received.size(); ++i) ASSERT_EQ(received[i], static_cast<float>(i)) << i;
  BASS_StreamFree(mixer);
  BASS_StreamFree(source);
}

DWORD Noise(HSTREAM, void* buffer, DWORD length, void*) {
  auto* samples = static_cast<float*>(buffer);
  for (DWORD i = 0; i < length / 4; ++i) samples[i] = 0.001f * static_cast<float>(i % 7);
  return length;
}

// Streams are freed on one thread while another reads them, directly and through a mixer: each
// read completes or fails with BASS_ERROR_HANDLE, and nothing crashes.
TEST(Handles, FreeingAChannelWhileAnotherThreadReadsItIsSafe) {
  for (int round = 0; round < 50; ++round) {
    const HSTREAM mixer = BASS_Mixer_StreamCreate(16000, 1, kFloatDecode);
    const HSTREAM source = BASS_StreamCreate(44100, 2, kFloatDecode, Noise, nullptr);
    BASS_Mixer_StreamAddChannel(mixer, source, BASS_MIXER_DOWNMIX);
    std::atomic<bool> go{false};
    std::atomic<int> unexpected{0};
    std::thread reader([&] {
      std::vector<float> out(256);
      while (!go.load()) std::this_thread::yield();
      for (int i = 0; i < 200; ++i) {
        for (HSTREAM h : {mixer, source}) {
          if (BASS_ChannelGetData(h, out.data(), BASS_DATA_FFT512) == kFailed &&
              BASS_ErrorGetCode() != BASS_ERROR_HANDLE) {
            ++unexpected;
          }
        }
      }
    });
    go = true;
    std::this_thread::sleep_for(std::chrono::microseconds(50 * (round % 10)));
    EXPECT_TRUE(BASS_StreamFree(round % 2 ? source : mixer));
    EXPECT_TRUE(BASS_StreamFree(round % 2 ? mixer : source));
    reader.join();
    EXPECT_EQ(unexpected.load(), 0);
  }
}

}  // namespace
