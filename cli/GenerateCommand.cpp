#include "cli/GenerateCommand.h"

#include <sndfile.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "audio/AudioErrorText.h"
#include "playback/audio_dtmfgen.h"

namespace {

constexpr int GeneratorRate = 44100;
constexpr DWORD ReadFailed = 0xFFFFFFFF;

struct TSndFileCloser {
  void operator()(SNDFILE* file) const { sf_close(file); }
};

}  // namespace

int RunGenerate(const TGenerateOptions& options) {
  const HSTREAM stream = CreateDTMFStream("dtmf=" + options.keys, BASS_STREAM_DECODE);
  if (stream == 0) {
    std::fprintf(stderr, "tonesentry: cannot create the tone stream: %s\n",
                 AudioErrorText(BASS_ErrorGetCode(), true).c_str());
    return 1;
  }
  SF_INFO info{};
  info.samplerate = GeneratorRate;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  std::unique_ptr<SNDFILE, TSndFileCloser> file(sf_open(options.outputPath.c_str(), SFM_WRITE, &info));
  if (!file) {
    std::fprintf(stderr, "tonesentry: %s: %s\n", options.outputPath.c_str(), sf_strerror(nullptr));
    BASS_StreamFree(stream);
    return 1;
  }
  std::vector<int16_t> block(4096);
  int status = 0;
  for (;;) {
    const DWORD read = BASS_ChannelGetData(stream, block.data(), static_cast<DWORD>(block.size() * 2));
    if (read == ReadFailed) break;
    const sf_count_t frames = read / 2;
    if (sf_write_short(file.get(), block.data(), frames) != frames) {
      std::fprintf(stderr, "tonesentry: %s: %s\n", options.outputPath.c_str(), sf_strerror(file.get()));
      status = 1;
      break;
    }
  }
  BASS_StreamFree(stream);
  return status;
}
