// Synthesised audio for the audio library's tests: sines, WAV files, encoded files, measurements.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace audiofixtures {

// Interleaved float frames; channel c carries a sine of freqs[c] Hz (0 = silence) at `amplitude`.
std::vector<float> Sines(const std::vector<double>& freqs, double amplitude, int rate, size_t frames);
// A mono sine.
std::vector<float> Sine(double freq, double amplitude, int rate, size_t frames);

// Amplitude of the `freq` Hz component of channel `chan` of interleaved `samples` (a windowed
// single-bin DFT; accurate for sines with many periods in the block).
double ToneAmplitude(const std::vector<float>& samples, int chans, int chan, double freq, int rate);
double Peak(const std::vector<float>& samples);

// A temporary folder removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Writes 16-bit PCM (bits 16) or 32-bit float (bits 32) WAV.
void WriteWav(const std::filesystem::path& path, const std::vector<float>& samples, int rate,
              int chans, int bits);
// Encodes `wav` into `out` with the installed ffmpeg tool and `codecArgs` (e.g. "-c:a libmp3lame");
// fails the test when ffmpeg fails.
void Encode(const std::filesystem::path& wav, const std::filesystem::path& out,
            const std::string& codecArgs);
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);
std::string ReadBytes(const std::filesystem::path& path);

}  // namespace audiofixtures

namespace audiofixtures {

// Reads float samples from `handle` (BASS_ChannelGetData in blocks of `blockFrames`) until
// `maxFrames` frames or the end.
std::vector<float> ReadFloats(uint32_t handle, int chans, size_t maxFrames,
                              size_t blockFrames = 4096);

}  // namespace audiofixtures
