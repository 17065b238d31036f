// The fixture of the network stream tests: the main thread's queue, a notify window that records
// every notice with the stream's fields at that moment, and a pump that serves the queue while it
// reads the stream's mixer in real time (as a player would).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AudioFixtures.h"
#include "audiolib/audiolib.h"
#include "netstream/audio_netstream.h"
#include "platform/MainThread.h"
#include "platform/MessageWindow.h"
#include "platform/TickCount.h"

namespace netstreamtest {

using namespace audiofixtures;

constexpr int32_t kStreamId = 77;
constexpr DWORD kMixerFlags = BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT;
constexpr uint32_t kWaitMs = 15000;  // fail-safe of every wait

struct Notice {
  WPARAM code = 0;
  LPARAM streamId = 0;
  uint64_t tickMs = 0;
  std::string status;  // the stream's fields when the notice arrived
  std::string title;
  int32_t errCode = 0;
};

class NetworkStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitMainThread();
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 3000);
    notifyWnd_ = AllocateHWnd([this](HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
      if (msg != WM_NETSTREAM_NOTIFY) return DefWindowProc(wnd, msg, wParam, lParam);
      Notice notice{wParam, lParam, GetTickCount64(), {}, {}, 0};
      if (stream_) {
        notice.status = stream_->Status();
        notice.title = stream_->SongTitle();
        notice.errCode = stream_->ErrCode();
      }
      notices_.push_back(notice);
      return LRESULT{0};
    });
  }

  void TearDown() override {
    stream_.reset();
    if (mixer_ != 0) BASS_StreamFree(mixer_);
    DeallocateHWnd(notifyWnd_);
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 5000);
    BASS_SetConfig(BASS_CONFIG_NET_READTIMEOUT, 0);
    BASS_SetConfig(BASS_CONFIG_NET_BUFFER, 5000);
    BASS_SetConfig(BASS_CONFIG_NET_PREBUF, 75);
    BASS_SetConfig(BASS_CONFIG_NET_PLAYLIST, 0);
  }

  // Creates the stream (network buffer `bufferMs`, read time-out `readTimeoutMs`) and starts it
  // into a new decoding mixer.
  void Open(const std::string& url, int32_t bufferMs, int32_t readTimeoutMs, int32_t attempts = 1,
            int32_t attemptTimeoutMs = 0) {
    stream_ = std::make_unique<TNetworkStream>(url, kStreamId, notifyWnd_, bufferMs, readTimeoutMs);
    stream_->OnError = [this](TNetworkStream&) { ++errorEvents_; };
    mixer_ = stream_->StreamCreate(kMixerFlags, attempts, attemptTimeoutMs, 0);
    ASSERT_NE(mixer_, 0u);
    readFromMs_ = GetTickCount64();
  }

  // Serves the main thread's queue and reads the mixer at the real-time rate until done().
  bool PumpUntil(const std::function<bool()>& done, uint32_t timeoutMs = kWaitMs) {
    const uint64_t startMs = GetTickCount64();
    std::vector<float> block;
    while (!done()) {
      if (GetTickCount64() - startMs > timeoutMs) return false;
      ProcessMainThreadQueue();
      WaitForMainThreadWork(5);
      const uint64_t nowMs = GetTickCount64();
      const size_t frames = static_cast<size_t>(std::min<uint64_t>(nowMs - readFromMs_, 1000)) * 96;  // 96000 Hz
      readFromMs_ = nowMs;
      if (mixer_ != 0 && frames > 0) {
        block.resize(frames * 2);
        BASS_ChannelGetData(mixer_, block.data(), static_cast<DWORD>(block.size() * sizeof(float)));
      }
    }
    return true;
  }

  int Count(WPARAM code) const {
    int count = 0;
    for (const Notice& notice : notices_) count += notice.code == code ? 1 : 0;
    return count;
  }
  bool Has(WPARAM code) const { return Count(code) > 0; }
  // The first notice of `code` at or after index `from`; null when none.
  const Notice* Find(WPARAM code, size_t from = 0) const {
    for (size_t i = from; i < notices_.size(); ++i) {
      if (notices_[i].code == code) return &notices_[i];
    }
    return nullptr;
  }

  HWND notifyWnd_ = 0;
  std::unique_ptr<TNetworkStream> stream_;
  HSTREAM mixer_ = 0;
  std::vector<Notice> notices_;
  int errorEvents_ = 0;
  uint64_t readFromMs_ = 0;
};

// A controllable clock for CheckStream.
struct TestClock {
  std::shared_ptr<std::atomic<uint64_t>> nowMs = std::make_shared<std::atomic<uint64_t>>(0);
  std::function<uint64_t()> Source() const {
    return [now = nowMs] { return now->load(); };
  }
  void Set(uint64_t ms) { nowMs->store(ms); }
};

// A second of a 440 Hz tone as 128 kbit/s MP3 (made once per test program).
inline const std::string& ToneMp3() {
  static const std::string bytes = [] {
    TempDir folder;
    WriteWav(folder / "tone.wav", Sine(440.0, 0.3, 44100, 44100), 44100, 1, 16);
    Encode(folder / "tone.wav", folder / "tone.mp3", "-c:a libmp3lame -b:a 128k");
    return ReadBytes(folder / "tone.mp3");
  }();
  return bytes;
}

}  // namespace netstreamtest
