// An ALSA configuration of the test's own: a null PCM, a PCM that writes what is played to a WAV
// file and a PCM that captures from a raw file, so that tests play and record through the real
// ALSA library (and PortAudio's ALSA host API) without sound hardware.
//
// The object writes the configuration in a temporary folder and points ALSA_CONFIG_PATH at the
// system's alsa.conf followed by it (a changed path makes ALSA re-read its configuration at the next
// open), then restores the variable. The system default PCM becomes the null one, so the default
// output works too. Main test thread only (the environment is not thread-safe); create it before
// the first device call of the test, since PortAudio reads the device list when it starts.
//
// Null PCMs have no clock: ALSA takes or gives samples as fast as the reader asks, so a stream on
// these devices runs far faster than real time. Tests check what was played, never how long it took.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "AudioFixtures.h"

namespace audiofixtures {

class AlsaFileDevices {
 public:
  static constexpr const char* kNullDevice = "tsnull";
  static constexpr const char* kPlayDevice = "tsplay";        // writes PlayedWav()
  static constexpr const char* kCaptureDevice = "tscapture";  // reads CaptureRaw()

  AlsaFileDevices();
  ~AlsaFileDevices();
  AlsaFileDevices(const AlsaFileDevices&) = delete;
  AlsaFileDevices& operator=(const AlsaFileDevices&) = delete;

  // What kPlayDevice has written so far: a WAV file whose samples are in the stream's own format
  // (for a float stream ALSA writes 32-bit floats under a header that calls them integers).
  std::filesystem::path PlayedWav() const { return folder_ / "played.wav"; }
  // The played samples as 32-bit floats (the data chunk up to the end of the file, whatever its
  // header's length says: ALSA fixes the header only when the device closes).
  std::vector<float> PlayedFloats() const;

  // The raw file kCaptureDevice reads; it exists (empty) from construction.
  std::filesystem::path CaptureRaw() const { return folder_ / "capture.raw"; }
  // Replaces the capture data with interleaved 16-bit samples (little-endian, as ALSA reads S16_LE).
  void SetCaptureSamples(const std::vector<int16_t>& interleaved) const;

 private:
  TempDir folder_;
  std::optional<std::string> oldConfigPath_;
};

}  // namespace audiofixtures
