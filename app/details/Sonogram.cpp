#include "app/details/Sonogram.h"

#include <algorithm>
#include <cmath>

#include "audio/AudioErrorText.h"
#include "audiolib/audiolib.h"

namespace {

constexpr int SmallestFftSize = 256;
constexpr int LargestFftSize = 8192;
constexpr int ProgressEveryFrames = 256;

// The smallest FFT whose bins are no wider than binWidthHz (the largest one for a very high rate).
int FftSizeFor(double sampleRate, double binWidthHz) {
  int size = SmallestFftSize;
  while (size < LargestFftSize && sampleRate / size > binWidthHz) size *= 2;
  return size;
}

DWORD FftFlag(int fftSize) {
  DWORD flag = BASS_DATA_FFT256;
  for (int size = SmallestFftSize; size < fftSize; size *= 2) ++flag;
  return flag;
}

// Frees the decode stream however the computation ends.
class TDecodeStream {
 public:
  explicit TDecodeStream(const std::string& path)
      : FHandle(BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT)) {}
  ~TDecodeStream() {
    if (FHandle != 0) BASS_StreamFree(FHandle);
  }
  TDecodeStream(const TDecodeStream&) = delete;
  TDecodeStream& operator=(const TDecodeStream&) = delete;
  HSTREAM Handle() const { return FHandle; }

 private:
  HSTREAM FHandle;
};

std::string LastAudioError() { return AudioErrorText(BASS_ErrorGetCode(), true); }

}  // namespace

std::optional<TSonogram> ComputeSonogram(const TSonogramRequest& request, std::string& error,
                                               const std::function<bool()>& stopRequested,
                                               const std::function<void(double)>& onProgress) {
  const TDecodeStream stream(request.path);
  BASS_CHANNELINFO info{};
  if (stream.Handle() == 0 || !BASS_ChannelGetInfo(stream.Handle(), &info) || info.freq == 0) {
    error = LastAudioError();
    return std::nullopt;
  }
  const double rate = info.freq;
  const QWORD lengthBytes = BASS_ChannelGetLength(stream.Handle(), BASS_POS_BYTE);
  const double fileSeconds = lengthBytes == static_cast<QWORD>(-1) ? 0 : BASS_ChannelBytes2Seconds(stream.Handle(), lengthBytes);
  const double startSeconds = std::clamp(request.startSeconds, 0.0, fileSeconds);
  const double endSeconds = request.endSeconds < 0 ? fileSeconds : std::clamp(request.endSeconds, startSeconds, fileSeconds);
  if (startSeconds > 0 &&
      !BASS_ChannelSetPosition(stream.Handle(), BASS_ChannelSeconds2Bytes(stream.Handle(), startSeconds), BASS_POS_BYTE)) {
    error = LastAudioError();
    return std::nullopt;
  }

  const int fftSize = FftSizeFor(rate, request.binWidthHz);
  const long long frames = std::max(1LL, std::llround(std::ceil((endSeconds - startSeconds) * rate / fftSize)));
  const long long framesPerColumn = std::max(1LL, (frames + request.maxColumns - 1) / std::max(1, request.maxColumns));

  TSonogram spectrogram;
  spectrogram.startSeconds = startSeconds;
  spectrogram.binWidthHz = rate / fftSize;
  spectrogram.secondsPerColumn = static_cast<double>(framesPerColumn) * fftSize / rate;
  spectrogram.fileSeconds = fileSeconds;
  spectrogram.columns = static_cast<int>((frames + framesPerColumn - 1) / framesPerColumn);
  spectrogram.bins = std::min(fftSize / 2, static_cast<int>(SonogramTopHz / spectrogram.binWidthHz) + 1);
  std::vector<float> loudest(static_cast<size_t>(spectrogram.columns) * spectrogram.bins, 0.0f);

  std::vector<float> magnitudes(fftSize / 2);
  const DWORD flag = FftFlag(fftSize);
  for (long long frame = 0; frame < frames; ++frame) {
    if (stopRequested && stopRequested()) return std::nullopt;
    if (onProgress && frame % ProgressEveryFrames == 0) onProgress(static_cast<double>(frame) / frames);
    if (BASS_ChannelGetData(stream.Handle(), magnitudes.data(), flag) == static_cast<DWORD>(-1)) break;
    float* column = &loudest[static_cast<size_t>(frame / framesPerColumn) * spectrogram.bins];
    for (int bin = 0; bin < spectrogram.bins; ++bin) column[bin] = std::max(column[bin], magnitudes[bin]);
  }
  spectrogram.levelsDb.resize(loudest.size());
  std::transform(loudest.begin(), loudest.end(), spectrogram.levelsDb.begin(), [](float magnitude) {
    return magnitude > 0 ? std::max(SonogramFloorDb, 20 * std::log10(magnitude)) : SonogramFloorDb;
  });
  if (onProgress) onProgress(1);
  return spectrogram;
}
