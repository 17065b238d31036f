#include "AlsaFileDevices.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace audiofixtures {

namespace {

constexpr const char* kConfigVariable = "ALSA_CONFIG_PATH";
constexpr const char* kSystemConfig = "/usr/share/alsa/alsa.conf";

std::string Configuration(const std::filesystem::path& played, const std::filesystem::path& capture) {
  return std::string("pcm.") + AlsaFileDevices::kNullDevice + " { type null }\n" +
         "pcm." + AlsaFileDevices::kPlayDevice + " { type file slave.pcm \"" +
         AlsaFileDevices::kNullDevice + "\" file \"" + played.string() + "\" format \"wav\" }\n" +
         "pcm." + AlsaFileDevices::kCaptureDevice + " { type file slave.pcm \"" +
         AlsaFileDevices::kNullDevice + "\" file \"/dev/null\" infile \"" + capture.string() +
         "\" format \"raw\" }\n" + "pcm.!default { type plug slave.pcm \"" +
         AlsaFileDevices::kNullDevice + "\" }\n";
}

uint32_t Le32(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

}  // namespace

AlsaFileDevices::AlsaFileDevices() {
  if (const char* old = std::getenv(kConfigVariable)) oldConfigPath_ = old;
  const std::filesystem::path config = folder_ / "asound.conf";
  WriteBytes(config, Configuration(PlayedWav(), CaptureRaw()));
  WriteBytes(CaptureRaw(), "");
  const std::string path = std::string(kSystemConfig) + ":" + config.string();
  ::setenv(kConfigVariable, path.c_str(), 1);
}

AlsaFileDevices::~AlsaFileDevices() {
  if (oldConfigPath_) {
    ::setenv(kConfigVariable, oldConfigPath_->c_str(), 1);
  } else {
    ::unsetenv(kConfigVariable);
  }
}

std::vector<float> AlsaFileDevices::PlayedFloats() const {
  const std::string bytes = ReadBytes(PlayedWav());
  size_t at = 12;  // past "RIFF" <size> "WAVE"
  while (at + 8 <= bytes.size()) {
    const std::string id = bytes.substr(at, 4);
    const uint32_t size = Le32(bytes, at + 4);
    if (id == "data") {
      const size_t begin = at + 8;
      std::vector<float> samples((bytes.size() - begin) / sizeof(float));
      std::memcpy(samples.data(), bytes.data() + begin, samples.size() * sizeof(float));
      return samples;
    }
    at += 8 + size + (size & 1);
  }
  throw std::runtime_error("no data chunk in " + PlayedWav().string());
}

void AlsaFileDevices::SetCaptureSamples(const std::vector<int16_t>& interleaved) const {
  std::string bytes(interleaved.size() * 2, '\0');
  for (size_t i = 0; i < interleaved.size(); ++i) {
    const auto value = static_cast<uint16_t>(interleaved[i]);
    bytes[2 * i] = static_cast<char>(value & 0xff);
    bytes[2 * i + 1] = static_cast<char>(value >> 8);
  }
  WriteBytes(CaptureRaw(), bytes);
}

}  // namespace audiofixtures
