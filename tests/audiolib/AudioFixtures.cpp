#include "AudioFixtures.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>
#include <sstream>

namespace audiofixtures {

std::vector<float> Sines(const std::vector<double>& freqs, double amplitude, int rate,
                         size_t frames) {
  const size_t chans = freqs.size();
  std::vector<float> samples(frames * chans);
  for (size_t i = 0; i < frames; ++i) {
    for (size_t c = 0; c < chans; ++c) {
      const double phase = 2 * std::numbers::pi * freqs[c] * static_cast<double>(i) / rate;
      samples[i * chans + c] = static_cast<float>(amplitude * std::sin(phase));
    }
  }
  return samples;
}

std::vector<float> Sine(double freq, double amplitude, int rate, size_t frames) {
  return Sines({freq}, amplitude, rate, frames);
}

double ToneAmplitude(const std::vector<float>& samples, int chans, int chan, double freq,
                     int rate) {
  const size_t frames = samples.size() / chans;
  double re = 0, im = 0, windowSum = 0;
  for (size_t i = 0; i < frames; ++i) {
    const double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / frames);
    const double phase = 2 * std::numbers::pi * freq * static_cast<double>(i) / rate;
    re += w * samples[i * chans + chan] * std::cos(phase);
    im += w * samples[i * chans + chan] * std::sin(phase);
    windowSum += w;
  }
  return 2 * std::hypot(re, im) / windowSum;
}

double Peak(const std::vector<float>& samples) {
  double peak = 0;
  for (float s : samples) peak = std::max(peak, static_cast<double>(std::fabs(s)));
  return peak;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "audiolib-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

namespace {
void Put(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}
}  // namespace

void WriteWav(const std::filesystem::path& path, const std::vector<float>& samples, int rate,
              int chans, int bits) {
  std::string data;
  for (float s : samples) {
    if (bits == 32) {
      uint32_t raw;
      std::memcpy(&raw, &s, 4);
      Put(data, raw, 4);
    } else {
      const long v = std::lrint(std::clamp(s * 32768.0f, -32768.0f, 32767.0f));
      Put(data, static_cast<uint32_t>(v), 2);
    }
  }
  std::string file = "RIFF";
  Put(file, static_cast<uint32_t>(36 + data.size()), 4);
  file += "WAVEfmt ";
  Put(file, 16, 4);
  Put(file, bits == 32 ? 3 : 1, 2);
  Put(file, chans, 2);
  Put(file, rate, 4);
  Put(file, rate * chans * bits / 8, 4);
  Put(file, chans * bits / 8, 2);
  Put(file, bits, 2);
  file += "data";
  Put(file, static_cast<uint32_t>(data.size()), 4);
  WriteBytes(path, file + data);
}

void Encode(const std::filesystem::path& wav, const std::filesystem::path& out,
            const std::string& codecArgs) {
  std::ostringstream command;
  command << "ffmpeg -nostdin -v error -y -i '" << wav.string() << "' " << codecArgs << " '"
          << out.string() << "'";
  ASSERT_EQ(std::system(command.str().c_str()), 0) << command.str();
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace audiofixtures

#include "audiolib/audiolib.h"

namespace audiofixtures {

std::vector<float> ReadFloats(uint32_t handle, int chans, size_t maxFrames, size_t blockFrames) {
  std::vector<float> all;
  std::vector<float> block(blockFrames * chans);
  while (all.size() < maxFrames * chans) {
    const size_t want = std::min(blockFrames, maxFrames - all.size() / chans);
    const DWORD got = BASS_ChannelGetData(handle, block.data(),
                                          static_cast<DWORD>(want * chans * sizeof(float)));
    if (got == static_cast<DWORD>(-1) || got == 0) break;
    all.insert(all.end(), block.begin(), block.begin() + got / sizeof(float));
  }
  return all;
}

}  // namespace audiofixtures
