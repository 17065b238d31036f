// The fixture of the URL stream tests: a loopback HTTP server, an MP3 body of a 1000 Hz tone, and
// the readers and recorders the tests share.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "AudioFixtures.h"
#include "JackServer.h"  // WaitUntil
#include "LoopbackHttpServer.h"
#include "audiolib/audiolib.h"

namespace urlstreamtest {

using namespace audiofixtures;

constexpr int kRate = 44100;
constexpr double kToneHz = 1000.0;
constexpr double kSeconds = 2.0;
constexpr DWORD kFlags = BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT | BASS_STREAM_BLOCK;
constexpr QWORD kFailed = ~QWORD{0};

// Reads float frames until the end, `maxFrames`, or `timeoutMs` without data.
inline std::vector<float> ReadAll(HSTREAM stream, size_t maxFrames, unsigned timeoutMs = 5000) {
  std::vector<float> all;
  std::vector<float> block(4096);
  auto lastData = std::chrono::steady_clock::now();
  while (all.size() < maxFrames) {
    const DWORD got = BASS_ChannelGetData(stream, block.data(), block.size() * sizeof(float));
    if (got == static_cast<DWORD>(-1)) break;
    if (got > 0) {
      all.insert(all.end(), block.begin(), block.begin() + got / sizeof(float));
      lastData = std::chrono::steady_clock::now();
    } else if (std::chrono::steady_clock::now() - lastData > std::chrono::milliseconds(timeoutMs)) {
      break;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  return all;
}

inline std::vector<std::string> TagStrings(const char* tags) {
  std::vector<std::string> strings;
  for (const char* p = tags; p && *p; p += std::strlen(p) + 1) strings.emplace_back(p);
  return strings;
}

struct Calls {
  std::mutex mutex;
  std::vector<std::string> statusTexts;
  size_t dataBytes = 0;
  int ends = 0;
  bool dataBeforeStatus = false;
};

inline void RecordDownload(const void* buffer, DWORD length, void* user) {
  auto* calls = static_cast<Calls*>(user);
  std::lock_guard lock(calls->mutex);
  if (!buffer) {
    ++calls->ends;
  } else if (length == 0) {
    calls->statusTexts.emplace_back(static_cast<const char*>(buffer));
  } else {
    if (calls->statusTexts.empty()) calls->dataBeforeStatus = true;
    calls->dataBytes += length;
  }
}

inline void CountSync(HSYNC, DWORD, DWORD, void* user) { ++*static_cast<std::atomic<int>*>(user); }

class UrlStreamTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new TempDir();
    WriteWav(*folder_ / "tone.wav", Sine(kToneHz, 0.5, kRate, static_cast<size_t>(kRate * kSeconds)),
             kRate, 1, 16);
    Encode(*folder_ / "tone.wav", *folder_ / "tone.mp3", "-c:a libmp3lame -b:a 128k");
    mp3_ = new std::string(ReadBytes(*folder_ / "tone.mp3"));
  }
  static void TearDownTestSuite() {
    delete mp3_;
    delete folder_;
  }

  void SetUp() override {
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 2000);
    BASS_SetConfig(BASS_CONFIG_NET_READTIMEOUT, 0);
    BASS_SetConfig(BASS_CONFIG_NET_PREBUF, 0);
    BASS_SetConfig(BASS_CONFIG_NET_BUFFER, 5000);
    BASS_SetConfig(BASS_CONFIG_NET_PLAYLIST, 1);
  }
  void TearDown() override {
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 5000);
    BASS_SetConfig(BASS_CONFIG_NET_PREBUF, 75);
    BASS_SetConfig(BASS_CONFIG_NET_PLAYLIST, 0);
    BASS_SetConfigPtr(BASS_CONFIG_NET_AGENT, "");
  }

  static StreamScript Mp3Script() {
    StreamScript script;
    script.body = *mp3_;
    return script;
  }

  static inline TempDir* folder_ = nullptr;
  static inline std::string* mp3_ = nullptr;
  LoopbackHttpServer server_;
};

}  // namespace urlstreamtest
