// Synthetic DTMF audio for the detection tests (keys as pure tone pairs, interleaved float) and
// the fixture that starts the modules the detection road needs.
#pragma once

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "audiolib/audiolib.h"
#include "dtmf/qv_dtmf.h"
#include "platform/MainThread.h"
#include "settings/player/PlayerIni.h"

namespace dtmftest {

constexpr int Rate = 44100;

struct TTonePair {
  double row;
  double col;
};

inline TTonePair TonesOf(char key) {
  static const std::string Keypad = "123A456B789C*0#D";
  const size_t index = Keypad.find(key);
  if (key == ' ' || index == std::string::npos) return {0, 0};
  static const double Rows[] = {697, 770, 852, 941};
  static const double Cols[] = {1209, 1336, 1477, 1633};
  return {Rows[index / 4], Cols[index % 4]};
}

// One channel at `rate` Hz: each key `toneMs` of both tones at `amplitude` each, then `gapMs` of
// silence; a blank is a silent slot. `leadMs` of silence first.
inline std::vector<float> KeyChannel(const std::string& keys, double amplitude = 0.3,
                                     int toneMs = 100, int gapMs = 100, int leadMs = 200,
                                     int rate = Rate) {
  std::vector<float> out(static_cast<size_t>(rate * leadMs / 1000), 0.0f);
  for (char key : keys) {
    const TTonePair f = TonesOf(key);
    const int toneSamples = rate * toneMs / 1000;
    for (int i = 0; i < toneSamples; ++i) {
      const double t = static_cast<double>(i) / rate;
      const double v = f.row == 0 ? 0.0
                                  : amplitude * (std::sin(2 * std::numbers::pi * f.row * t) +
                                                 std::sin(2 * std::numbers::pi * f.col * t));
      out.push_back(static_cast<float>(v));
    }
    out.insert(out.end(), static_cast<size_t>(rate * gapMs / 1000), 0.0f);
  }
  return out;
}

// Interleaves two channels (the shorter padded with silence).
inline std::vector<float> Stereo(const std::vector<float>& left, const std::vector<float>& right) {
  std::vector<float> out(2 * std::max(left.size(), right.size()), 0.0f);
  for (size_t i = 0; i < left.size(); ++i) out[2 * i] = left[i];
  for (size_t i = 0; i < right.size(); ++i) out[2 * i + 1] = right[i];
  return out;
}

// A float push stream at `rate` Hz holding `samples` (interleaved, `channels` wide), its end marked
// unless `markEnd` is false.
inline HSTREAM PushStreamOf(const std::vector<float>& samples, DWORD channels, bool markEnd = true,
                            DWORD rate = Rate) {
  const HSTREAM stream = BASS_StreamCreate(rate, channels, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT,
                                           STREAMPROC_PUSH, nullptr);
  const DWORD bytes = static_cast<DWORD>(samples.size() * sizeof(float));
  BASS_StreamPutData(stream, samples.data(), bytes | (markEnd ? BASS_STREAMPROC_END : 0));
  return stream;
}

}  // namespace dtmftest


namespace dtmftest {

// The modules the detection road needs, as a program starts them: main thread, no-sound device,
// player settings (built-in values) and the DTMF module.
class DtmfModuleTest : public testing::Test {
 protected:
  void SetUp() override {
    InitMainThread();
    BASS_Init(0, 44100, 0, nullptr, nullptr);
    PlayerIni = std::make_unique<TPlayerIni>();
    InitializeDtmfModule();
  }
  void TearDown() override {
    FinalizeDtmfModule();
    PlayerIni.reset();
  }
};

inline std::string KeysOf(const std::vector<TDetectedKey>& keys) {
  std::string text;
  for (const TDetectedKey& key : keys) text += static_cast<char>(key.key);
  return text;
}

}  // namespace dtmftest
