// An ALSA configuration of the test's own: a null PCM, a PCM that writes what is played as a WAV
// stream, and a PCM that captures from a raw file, so that tests play and record through the real
// ALSA library (and PortAudio's ALSA host API) without sound hardware.
//
// The object writes the configuration in a temporary folder and points ALSA_CONFIG_PATH at the
// system's alsa.conf followed by it (a changed path makes ALSA re-read its configuration at the next
// open), then restores the variable. The system default PCM becomes the null one, so the default
// output works too. Main test thread only (the environment is not thread-safe); create it before
// the first device call of the test, since PortAudio reads the device list when it starts, and
// close the devices on it before it goes.
//
// Null PCMs have no clock: ALSA takes or gives samples as fast as the reader asks, so a stream on
// these devices runs far faster than real time, playing silence whenever its feeder is behind.
// The play PCM therefore writes into a pipe that a thread of this object reads (nothing reaches the
// disk) and keeps only what matters: everything from the first non-zero sample on, with every run
// of silence longer than kKeptSilenceSamples shortened to that length.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "AudioFixtures.h"

namespace audiofixtures {

class AlsaFileDevices {
 public:
  static constexpr const char* kNullDevice = "tsnull";
  static constexpr const char* kPlayDevice = "tsplay";        // its samples: PlayedFloats()
  static constexpr const char* kCaptureDevice = "tscapture";  // reads CaptureRaw()
  static constexpr size_t kKeptSilenceSamples = 4096;

  AlsaFileDevices();
  ~AlsaFileDevices();
  AlsaFileDevices(const AlsaFileDevices&) = delete;
  AlsaFileDevices& operator=(const AlsaFileDevices&) = delete;

  // What kPlayDevice has played so far (see above), as 32-bit floats: a stream opened as float
  // (PortAudio's paFloat32, as the library opens every stream) is written by ALSA as raw floats.
  std::vector<float> PlayedFloats() const;

  // The raw file kCaptureDevice reads; it exists (empty) from construction.
  std::filesystem::path CaptureRaw() const { return folder_ / "capture.raw"; }
  // Replaces the capture data with interleaved 16-bit samples (little-endian, as ALSA reads S16_LE).
  void SetCaptureSamples(const std::vector<int16_t>& interleaved) const;

 private:
  void ReadPipe();
  void Take(const char* bytes, size_t count);  // under mutex_

  TempDir folder_;
  std::optional<std::string> oldConfigPath_;
  int pipe_ = -1;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  static constexpr size_t kWavHeaderBytes = 44;  // what ALSA's file plugin writes before the samples
  size_t headerBytesLeft_ = kWavHeaderBytes;  // of the WAV header of the writer's current session; under mutex_
  std::string partialSample_;   // under mutex_
  size_t silenceRun_ = 0;       // under mutex_
  std::vector<float> played_;   // under mutex_
  std::thread reader_;
};

}  // namespace audiofixtures
