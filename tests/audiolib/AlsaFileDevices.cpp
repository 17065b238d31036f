#include "AlsaFileDevices.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
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

}  // namespace

AlsaFileDevices::AlsaFileDevices() {
  if (const char* old = std::getenv(kConfigVariable)) oldConfigPath_ = old;
  const std::filesystem::path played = folder_ / "played.wav";
  if (mkfifo(played.c_str(), 0600) != 0) throw std::runtime_error("cannot make the pipe " + played.string());
  // Open before any writer: ALSA's open for writing then never waits for a reader.
  pipe_ = open(played.c_str(), O_RDONLY | O_NONBLOCK);
  if (pipe_ < 0) throw std::runtime_error("cannot open the pipe " + played.string());
  // A writer left on the pipe after this object goes must not kill the test.
  std::signal(SIGPIPE, SIG_IGN);
  reader_ = std::thread([this] { ReadPipe(); });
  const std::filesystem::path config = folder_ / "asound.conf";
  WriteBytes(config, Configuration(played, CaptureRaw()));
  WriteBytes(CaptureRaw(), "");
  const std::string path = std::string(kSystemConfig) + ":" + config.string();
  ::setenv(kConfigVariable, path.c_str(), 1);
}

AlsaFileDevices::~AlsaFileDevices() {
  stopping_ = true;
  reader_.join();
  close(pipe_);
  if (oldConfigPath_) {
    ::setenv(kConfigVariable, oldConfigPath_->c_str(), 1);
  } else {
    ::unsetenv(kConfigVariable);
  }
}

void AlsaFileDevices::ReadPipe() {
  std::vector<char> buffer(1 << 16);
  while (!stopping_) {
    pollfd waiting{pipe_, POLLIN, 0};
    poll(&waiting, 1, 20);
    const ssize_t got = read(pipe_, buffer.data(), buffer.size());
    std::lock_guard lock(mutex_);
    if (got > 0) {
      Take(buffer.data(), static_cast<size_t>(got));
    } else if (got == 0) {
      // No writer: the next one starts a new session with a header of its own.
      headerBytesLeft_ = kWavHeaderBytes;
      partialSample_.clear();
      usleep(2000);
    }
  }
}

void AlsaFileDevices::Take(const char* bytes, size_t count) {
  const size_t header = std::min(count, headerBytesLeft_);
  headerBytesLeft_ -= header;
  partialSample_.append(bytes + header, count - header);
  const size_t whole = partialSample_.size() / sizeof(float);
  for (size_t i = 0; i < whole; ++i) {
    float sample = 0;
    std::memcpy(&sample, partialSample_.data() + i * sizeof(float), sizeof(float));
    if (sample == 0.0f) {
      // Leading silence is dropped; later runs are kept up to kKeptSilenceSamples.
      if (played_.empty() || ++silenceRun_ > kKeptSilenceSamples) continue;
    } else {
      silenceRun_ = 0;
    }
    played_.push_back(sample);
  }
  partialSample_.erase(0, whole * sizeof(float));
}

std::vector<float> AlsaFileDevices::PlayedFloats() const {
  std::lock_guard lock(mutex_);
  return played_;
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
