#include "cli/GenerateCommand.h"

#include <sndfile.h>

#include <cstdio>
#include <cstring>
#include <system_error>
#include <vector>

#include "audio/AudioErrorText.h"
#include "platform/ReplacementFile.h"
#include "playback/audio_dtmfgen.h"

namespace {

constexpr int GeneratorRate = 44100;
constexpr DWORD ReadFailed = 0xFFFFFFFF;

// The tone generator's stream, freed when done.
class TToneStream {
 public:
  explicit TToneStream(const std::string& keys)
      : FHandle(CreateDTMFStream("dtmf=" + keys, BASS_STREAM_DECODE)) {}
  ~TToneStream() { BASS_StreamFree(FHandle); }
  TToneStream(const TToneStream&) = delete;
  TToneStream& operator=(const TToneStream&) = delete;
  HSTREAM Handle() const { return FHandle; }

 private:
  HSTREAM FHandle;
};

// Writes the whole stream as 16-bit mono WAV to descriptor; returns why it failed, or "".
std::string WriteWav(HSTREAM stream, int descriptor) {
  SF_INFO info{};
  info.samplerate = GeneratorRate;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open_fd(descriptor, SFM_WRITE, &info, SF_FALSE);
  if (!file) return sf_strerror(nullptr);
  std::string failure;
  std::vector<int16_t> block(4096);
  for (;;) {
    const DWORD read = BASS_ChannelGetData(stream, block.data(), static_cast<DWORD>(block.size() * 2));
    if (read == ReadFailed) break;
    const sf_count_t frames = read / 2;
    if (sf_write_short(file, block.data(), frames) != frames) {
      failure = sf_strerror(file);
      break;
    }
  }
  // Closing writes the final header; a failure there leaves a damaged file too.
  if (sf_close(file) != 0 && failure.empty()) failure = "the WAV header cannot be written";
  return failure;
}

}  // namespace

int RunGenerate(const TGenerateOptions& options) {
  const TToneStream stream(options.keys);
  if (stream.Handle() == 0) {
    std::fprintf(stderr, "tonesentry: cannot create the tone stream: %s\n",
                 AudioErrorText(BASS_ErrorGetCode(), true).c_str());
    return 1;
  }
  std::string failure;
  try {
    TReplacementFile output(options.outputPath);
    failure = WriteWav(stream.Handle(), output.Descriptor());
    if (failure.empty()) {
      if (const int error = output.Commit()) failure = std::strerror(error);
    }
  } catch (const std::system_error& error) {
    failure = std::strerror(error.code().value());
  }
  if (failure.empty()) return 0;
  std::fprintf(stderr, "tonesentry: %s: %s\n", options.outputPath.c_str(), failure.c_str());
  return 1;
}
