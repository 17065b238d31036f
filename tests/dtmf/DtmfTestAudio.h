// Synthetic DTMF audio for the detection tests: keys as pure tone pairs, interleaved float.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "audiolib/audiolib.h"

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

// One channel: each key `toneMs` of both tones at `amplitude` each, then `gapMs` of silence;
// a blank is a silent slot. `leadMs` of silence first.
inline std::vector<float> KeyChannel(const std::string& keys, double amplitude = 0.3,
                                     int toneMs = 100, int gapMs = 100, int leadMs = 200) {
  std::vector<float> out(static_cast<size_t>(Rate * leadMs / 1000), 0.0f);
  for (char key : keys) {
    const TTonePair f = TonesOf(key);
    const int toneSamples = Rate * toneMs / 1000;
    for (int i = 0; i < toneSamples; ++i) {
      const double t = static_cast<double>(i) / Rate;
      const double v = f.row == 0 ? 0.0
                                  : amplitude * (std::sin(2 * std::numbers::pi * f.row * t) +
                                                 std::sin(2 * std::numbers::pi * f.col * t));
      out.push_back(static_cast<float>(v));
    }
    out.insert(out.end(), static_cast<size_t>(Rate * gapMs / 1000), 0.0f);
  }
  return out;
}

// Interleaves two channels (the shorter padded with silence).
inline std::vector<float> Stereo(std::vector<float> left, std::vector<float> right) {
  const size_t n = std::max(left.size(), right.size());
  left.resize(n, 0.0f);
  right.resize(n, 0.0f);
  std::vector<float> out(2 * n);
  for (size_t i = 0; i < n; ++i) {
    out[2 * i] = left[i];
    out[2 * i + 1] = right[i];
  }
  return out;
}

// A float push stream holding `samples` (interleaved, `channels` wide), its end marked unless
// `markEnd` is false.
inline HSTREAM PushStreamOf(const std::vector<float>& samples, DWORD channels, bool markEnd = true) {
  const HSTREAM stream = BASS_StreamCreate(Rate, channels, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT,
                                           STREAMPROC_PUSH, nullptr);
  const DWORD bytes = static_cast<DWORD>(samples.size() * sizeof(float));
  BASS_StreamPutData(stream, samples.data(), bytes | (markEnd ? BASS_STREAMPROC_END : 0));
  return stream;
}

}  // namespace dtmftest

namespace dtmftest {

// Writes interleaved float samples as a 16-bit PCM WAV file at Rate.
inline void WriteWav16(const std::string& path, const std::vector<float>& samples, uint16_t channels) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return;
  const auto put = [file](auto value) { std::fwrite(&value, sizeof value, 1, file); };
  const uint32_t bytes = static_cast<uint32_t>(samples.size() * 2);
  std::fwrite("RIFF", 1, 4, file);
  put(uint32_t{36 + bytes});
  std::fwrite("WAVEfmt ", 1, 8, file);
  put(uint32_t{16}); put(uint16_t{1}); put(channels); put(uint32_t{Rate});
  put(uint32_t{Rate * channels * 2u}); put(uint16_t(channels * 2)); put(uint16_t{16});
  std::fwrite("data", 1, 4, file);
  put(bytes);
  for (float v : samples) put(static_cast<int16_t>(std::lround(std::clamp(v, -1.0f, 1.0f) * 32767)));
  std::fclose(file);
}

}  // namespace dtmftest
