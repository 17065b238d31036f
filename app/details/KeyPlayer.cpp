#include "app/details/KeyPlayer.h"

#include <algorithm>
#include <vector>

#include "audio/AudioErrorText.h"
#include "audiolib/audiolib.h"

namespace {

constexpr DWORD DefaultOutput = 1;  // the library numbers the system's default output 1
constexpr DWORD ReadBlockBytes = 64 * 1024;

std::string LibraryError(const std::string& what) {
  return what + ": " + AudioErrorText(BASS_ErrorGetCode(), true);
}

// Selects the default output on this thread, initialising it when nobody has.
bool SelectDefaultOutput(std::string& error) {
  if (BASS_SetDevice(DefaultOutput)) return true;
  if (BASS_Init(static_cast<int>(DefaultOutput), 44100, 0, nullptr, nullptr) ||
      BASS_ErrorGetCode() == BASS_ERROR_ALREADY) {
    if (BASS_SetDevice(DefaultOutput)) return true;
  }
  error = LibraryError("The sound output device cannot be opened");
  return false;
}

// The samples of `path` between the two times (clamped to the file), as 32-bit floats.
bool DecodeStretch(const std::string& path, double fromSeconds, double toSeconds, std::vector<float>& samples,
                   BASS_CHANNELINFO& info, std::string& error) {
  const HSTREAM decoder = BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT);
  if (!decoder) {
    error = LibraryError("The file cannot be read");
    return false;
  }
  BASS_ChannelGetInfo(decoder, &info);
  const QWORD length = BASS_ChannelGetLength(decoder, BASS_POS_BYTE);
  QWORD from = BASS_ChannelSeconds2Bytes(decoder, std::max(0.0, fromSeconds));
  QWORD to = BASS_ChannelSeconds2Bytes(decoder, std::max(0.0, toSeconds));
  if (length != static_cast<QWORD>(-1)) to = std::min(to, length);
  from = std::min(from, to);
  if (from > 0 && !BASS_ChannelSetPosition(decoder, from, BASS_POS_BYTE)) {
    error = LibraryError("The file cannot be read at that point");
    BASS_StreamFree(decoder);
    return false;
  }
  samples.assign(static_cast<size_t>((to - from) / sizeof(float)), 0.0f);
  size_t readBytes = 0;
  const size_t wantedBytes = samples.size() * sizeof(float);
  while (readBytes < wantedBytes) {
    const DWORD block = static_cast<DWORD>(std::min<size_t>(ReadBlockBytes, wantedBytes - readBytes));
    const DWORD got = BASS_ChannelGetData(decoder, reinterpret_cast<char*>(samples.data()) + readBytes, block);
    if (got == static_cast<DWORD>(-1) || got == 0) break;
    readBytes += got;
  }
  samples.resize(readBytes / sizeof(float));
  BASS_StreamFree(decoder);
  return true;
}

}  // namespace

TKeyPlayer::~TKeyPlayer() { Stop(); }

std::string TKeyPlayer::UnavailableReason() {
  BASS_DEVICEINFO info{};
  if (!BASS_GetDeviceInfo(DefaultOutput, &info)) {
    return "Listening needs a sound output device, and this system has none.";
  }
  if (!(info.flags & BASS_DEVICE_ENABLED)) {
    return "Listening needs a sound output device; the default one is disabled.";
  }
  return "";
}

bool TKeyPlayer::Play(const std::string& path, double fromSeconds, double toSeconds, std::string& error) {
  Stop();
  const DWORD previousDevice = BASS_GetDevice();
  std::vector<float> samples;
  BASS_CHANNELINFO info{};
  bool played = SelectDefaultOutput(error) && DecodeStretch(path, fromSeconds, toSeconds, samples, info, error);
  if (played) {
    FStream = BASS_StreamCreate(info.freq, info.chans, BASS_SAMPLE_FLOAT, STREAMPROC_PUSH, nullptr);
    const DWORD bytes = static_cast<DWORD>(samples.size() * sizeof(float));
    played = FStream && BASS_StreamPutData(FStream, samples.data(), bytes | BASS_STREAMPROC_END) != static_cast<DWORD>(-1) &&
             BASS_ChannelPlay(FStream, 0);
    if (!played) {
      error = LibraryError("The key cannot be played");
      Stop();
    }
  }
  if (previousDevice != static_cast<DWORD>(-1)) BASS_SetDevice(previousDevice);
  return played;
}

void TKeyPlayer::Stop() {
  if (!FStream) return;
  BASS_StreamFree(FStream);
  FStream = 0;
}

bool TKeyPlayer::Playing() const { return FStream && BASS_ChannelIsActive(FStream) != BASS_ACTIVE_STOPPED; }
