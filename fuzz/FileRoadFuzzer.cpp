// Feeds arbitrary bytes, as an audio file, down the road `tonesentry detect` takes: the decoder,
// the push stream and the DTMF worker, to the end. Besides crashes, sanitizer reports and leaks
// it finds hangs (run with -timeout): an analysis that never finishes holds up RunToEnd.
// The modules are started once, as the command-line tool starts them (no-sound device), with the
// settings of an empty temporary folder, so no user's settings are read or touched; the detect
// options vary with the input.
#include <stdlib.h>  // mkdtemp, setenv

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

#include "audiolib/audiolib.h"
#include "cli/CliStartup.h"
#include "dtmf/FileAnalysis.h"
#include "platform/MessageBox.h"
#include "settings/player/PlayerIni.h"

namespace {

// Keeps one input's work short: a larger input only adds more of the same decoding. Compressed
// formats still decode to many seconds from a few kilobytes, so the fuzzer's -max_len stays small.
constexpr size_t MaxInputBytes = 64 * 1024;
// Analysis time follows the audio's length, which a header at a rate of a few Hz stretches to
// hours from a few kilobytes: a long analysis is slow, not stuck, so such inputs are passed over.
// A minute of audio takes a fraction of a second here under the sanitizers; longer files find
// nothing a minute does not, at many times the cost.
constexpr double MaxStatedSeconds = 60;
// Below this rate no key fits, and every decoded sample becomes thousands of 16 kHz analysis
// samples: a stream that states no length (a FLAC without STREAMINFO at 1 Hz, 59 bytes) can hold
// hours of audio that MaxStatedSeconds cannot see. Such inputs are passed over too.
constexpr DWORD MinUnboundedRateHz = 4000;

class TFuzzRoad {
 public:
  TFuzzRoad() : FFolder(MakeFolder()), FAudioPath((FFolder / "input").string()) {
    // A uid.ini beside the fuzzer would otherwise send the settings to the user's folder.
    setenv("XDG_CONFIG_HOME", FFolder.c_str(), 1);
    std::filesystem::create_directory(FFolder / "settings");
    FModules = std::make_unique<TCliModules>((FFolder / "settings").string());
    SetMessageBoxPresenter(&ReportOnce);
  }
  ~TFuzzRoad() {
    FModules.reset();
    std::error_code ignored;
    std::filesystem::remove_all(FFolder, ignored);
  }
  TFuzzRoad(const TFuzzRoad&) = delete;
  TFuzzRoad& operator=(const TFuzzRoad&) = delete;

  const std::string& AudioPath() const { return FAudioPath; }

 private:
  // The tool's reports (a mono file with a stereo channel mode is warned about) would repeat for
  // thousands of inputs; each text is shown once. Any thread.
  static int ReportOnce(HWND, const std::string& text, const std::string&, UINT) {
    static std::mutex lock;
    static std::set<std::string> shown;
    const std::lock_guard guard(lock);
    if (shown.insert(text).second) std::fprintf(stderr, "tonesentry: %s\n", text.c_str());
    return IDOK;
  }

  static std::filesystem::path MakeFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "file_road_fuzzer.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("file_road_fuzzer: mkdtemp");
      std::abort();
    }
    return pattern;
  }

  const std::filesystem::path FFolder;
  const std::string FAudioPath;
  std::unique_ptr<TCliModules> FModules;
};

std::unique_ptr<TFuzzRoad> Road;

// The detect options (--channels, --delay, --level, or player.ini's values) are taken from the
// input's length, so every input replays alike while the stereo routings, the delay line and
// quiet tones all get bytes. Delays include two that player.ini may hold but that are out of
// range (the longest allowed, a minute, would make every sixth input cost half a second);
// levels include 0 (every frame loud enough).
void ApplyDetectOptions(size_t size) {
  static constexpr double DelaysSeconds[] = {0, 0.3, 1.7, -1, 1e12};
  static constexpr double Thresholds[] = {0.05, 0.003, 0};  // the default level, -50 dB, none
  PlayerIni->SetDTMFChannelMode(static_cast<int32_t>(size % 4));
  PlayerIni->SetDTMFDelay(DelaysSeconds[size / 4 % std::size(DelaysSeconds)]);
  PlayerIni->SetDTMFThreshold(Thresholds[size / 24 % std::size(Thresholds)]);
}

// A low-rate stream whose length is not known before it is decoded (see MinUnboundedRateHz).
bool IsUnboundedLowRateStream(const std::string& path) {
  const HSTREAM probe =
      BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_UNICODE | BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT);
  if (probe == 0) return false;
  BASS_CHANNELINFO info{};
  const bool unbounded = BASS_ChannelGetInfo(probe, &info) && info.freq < MinUnboundedRateHz &&
                         BASS_ChannelGetLength(probe, BASS_POS_BYTE) == static_cast<QWORD>(-1);
  BASS_StreamFree(probe);
  return unbounded;
}

void WriteInput(const std::string& path, const uint8_t* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out.flush()) {
    std::perror("file_road_fuzzer: writing the input");
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Road = std::make_unique<TFuzzRoad>();
  // Shut the modules down while the audio library's own statics still live (libFuzzer exits
  // through exit() after a clean run; a finding exits without it).
  std::atexit([] { Road.reset(); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > MaxInputBytes) return -1;  // not added to the corpus
  WriteInput(Road->AudioPath(), data, size);
  if (IsUnboundedLowRateStream(Road->AudioPath())) return -1;
  ApplyDetectOptions(size);
  TOpenError error;
  std::unique_ptr<TFileAnalysis> analysis = TFileAnalysis::Open(Road->AudioPath(), error);
  if (!analysis) return 0;  // not audio: the error is the whole result
  if (analysis->DurationSeconds() > MaxStatedSeconds) return -1;
  analysis->RunToEnd();
  // A file that opened as audio is analysed to its end; giving up midway is a fault of the road.
  if (const std::string failure = analysis->ErrorText(); !failure.empty()) {
    std::fprintf(stderr, "file_road_fuzzer: the analysis gave up: %s\n", failure.c_str());
    std::abort();
  }
  for (const TDetectedKey& key : analysis->Keys()) {
    // Whatever the input, a reported key is a keypad key heard for at least one frame.
    const bool keypad = key.key < 0x80 && std::string_view("0123456789*#ABCD").find(
                                              static_cast<char>(key.key)) != std::string_view::npos;
    if (!keypad || !(key.durationMs > 0) || !(key.startMs >= 0)) std::abort();
  }
  return 0;
}
