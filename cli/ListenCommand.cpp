#include "cli/ListenCommand.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <vector>

#include "audio/PxInput.h"
#include "audiolib/audiolib.h"
#include "cli/StopSignals.h"
#include "dtmf/PcmAnalysis.h"
#include "dtmf/ToneLog.h"
#include "platform/MainThread.h"
#include "settings/player/PlayerIni.h"
#include "settings/system/InputDevice.h"
#include "settings/system/SystemIni.h"

namespace {

using TWallClock = std::chrono::system_clock;

constexpr uint32_t IdlePollMs = 5;
constexpr DWORD QueryFailed = 0xFFFFFFFF;
// A key is reported in the detailed formats once a later key exists or this much audio past its
// end has been analysed, so its duration is complete.
constexpr double KeyFinalAfterMs = 1000;

bool HasLibraryInputs() {
  BASS_DEVICEINFO info{};
  return BASS_RecordGetDeviceInfo(0, &info) != 0;
}

bool IsIndex(const std::string& text) {
  return !text.empty() && text.size() <= 6 && text.find_first_not_of("0123456789") == std::string::npos;
}

// The index of the input entry to capture from; a device named on the command line (or the
// default one) gets an entry of its own in memory. Throws std::runtime_error saying what is missing.
int32_t ResolveInputEntry(const std::string& input) {
  TInputDevicesList& inputs = SystemIni->Inputs();
  if (IsIndex(input)) {
    const int index = std::stoi(input);
    if (index >= inputs.Count()) {
      throw std::runtime_error("the settings have no input " + input + " (they list " +
                               std::to_string(inputs.Count()) + ")");
    }
    return index;
  }
  if (!HasLibraryInputs()) throw std::runtime_error("no input device exists");
  TInputDevice& entry = inputs.Add();
  entry.SetMethod(kMethodLibrary);
  entry.SetStereo(true);
  if (input.empty()) {
    entry.SetIsDefault(true);
  } else {
    entry.SetDeviceID(input);
    entry.SetDeviceName2(input);
    if (entry.DeviceIdx() < 0) {
      throw std::runtime_error("no input device named '" + input + "' (tonesentry devices lists them)");
    }
  }
  return inputs.Count() - 1;
}

std::string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// Local time with milliseconds; `separator` between the date and the time.
std::string WallTimeText(TWallClock::time_point time, char separator) {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
  const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d%c%02d:%02d:%02d.%03d", local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday, separator, local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(ms % 1000));
  return text;
}

// Prints keys as they are found, one line each, in the chosen format.
class TListenReport {
 public:
  TListenReport(std::ostream& out, TOutputFormat format) : FOut(out), FFormat(format) {
    if (FFormat == TOutputFormat::Csv) FOut << "time,key,start_ms,duration_ms,low_db,high_db,twist_db\n" << std::flush;
  }

  // Prints the keys not printed yet that are ready: at once in the keys format, else once final.
  // `startWall`: the wall-clock time of the first captured sample; `analysedMs`: audio fed so far.
  void Update(const std::vector<TDetectedKey>& keys, TWallClock::time_point startWall, double analysedMs,
              bool ended) {
    while (FPrinted < keys.size()) {
      const TDetectedKey& key = keys[FPrinted];
      const bool final = ended || FPrinted + 1 < keys.size() ||
                         analysedMs > key.startMs + key.durationMs + KeyFinalAfterMs;
      if (FFormat != TOutputFormat::Keys && !final) return;
      Print(key, startWall + std::chrono::microseconds(std::llround(key.startMs * 1000)));
      ++FPrinted;
    }
  }

 private:
  void Print(const TDetectedKey& key, TWallClock::time_point when) {
    const char c = static_cast<char>(key.key);
    switch (FFormat) {
      case TOutputFormat::Keys:
        FOut << WallTimeText(when, ' ') << "  " << c << '\n';
        break;
      case TOutputFormat::List:
        FOut << WallTimeText(when, ' ') << "  " << c << "  " << Fixed(key.durationMs, 0) << " ms  low "
             << Fixed(key.lowLevelDb, 1) << " dB  high " << Fixed(key.highLevelDb, 1) << " dB  twist "
             << Fixed(key.twistDb(), 1) << " dB\n";
        break;
      case TOutputFormat::Json:  // one document per line, as the keys come
        FOut << nlohmann::ordered_json{{"time", WallTimeText(when, 'T')},
                                       {"key", std::string(1, c)},
                                       {"start_ms", std::round(key.startMs)},
                                       {"duration_ms", std::round(key.durationMs)},
                                       {"low_db", std::round(key.lowLevelDb * 10) / 10},
                                       {"high_db", std::round(key.highLevelDb * 10) / 10},
                                       {"twist_db", std::round(key.twistDb() * 10) / 10}}
                    .dump()
             << '\n';
        break;
      case TOutputFormat::Csv:
        FOut << WallTimeText(when, 'T') << ',' << (c == ',' ? "\",\"" : std::string(1, c)) << ','
             << Fixed(key.startMs, 0) << ',' << Fixed(key.durationMs, 0) << ',' << Fixed(key.lowLevelDb, 1) << ','
             << Fixed(key.highLevelDb, 1) << ',' << Fixed(key.twistDb(), 1) << '\n';
        break;
      case TOutputFormat::Labels:  // seconds from the start of listening
        FOut << Fixed(key.startMs / 1000, 6) << '\t' << Fixed((key.startMs + key.durationMs) / 1000, 6) << '\t' << c
             << '\n';
        break;
    }
    FOut.flush();
  }

  std::ostream& FOut;
  TOutputFormat FFormat;
  size_t FPrinted = 0;
};

void ApplyOptions(const TListenOptions& options) {
  if (options.levelDb) PlayerIni->SetDTMFThreshold(std::pow(10.0, *options.levelDb / 20));
  if (options.channelMode) PlayerIni->SetDTMFChannelMode(*options.channelMode);
}

// One consumer channel of the input, analysed until stopped, the duration is over or the input fails.
class TListenSession {
 public:
  TListenSession(const TListenOptions& options, std::ostream& out) : FOptions(options), FReport(out, options.format) {}

  int Run(int32_t inputIdx) {
    FConsumer.SetInputIdx(inputIdx);
    FChan = FConsumer.CreateChan(BASS_STREAM_DECODE);
    if (FChan == 0) throw std::runtime_error("cannot capture from the input");
    BASS_CHANNELINFO info{};
    if (!BASS_ChannelGetInfo(FChan, &info)) throw std::runtime_error("cannot read the input's format");
    std::string error;
    FAnalysis = TPcmAnalysis::Start(info.freq, info.chans, FOptions.detector, error);
    if (!FAnalysis) throw std::runtime_error(error);
    FBytesPerMs = static_cast<double>(info.freq) * info.chans * sizeof(float) / 1000;
    FBuffer.resize(static_cast<size_t>(info.freq) * info.chans / 10);  // 100 ms
    return Listen();
  }

  ~TListenSession() {
    if (FChan != 0) FConsumer.FreeChan(FChan, false);
  }
  TListenSession(const TListenSession&) = delete;
  TListenSession& operator=(const TListenSession&) = delete;

 private:
  int Listen() {
    const auto started = std::chrono::steady_clock::now();
    const auto timeUp = [&] {
      return FOptions.durationSeconds &&
             std::chrono::steady_clock::now() - started >= std::chrono::duration<double>(*FOptions.durationSeconds);
    };
    // The prebuffered audio was captured before now: the first sample's time is set back by it.
    const DWORD queuedAtStart = BASS_StreamPutData(FChan, nullptr, 0);
    FStartWall = TWallClock::now() - std::chrono::microseconds(std::llround(queuedAtStart / FBytesPerMs * 1000));
    bool failed = false;
    while (!TStopSignals::Requested() && !timeUp()) {
      const DWORD queued = BASS_StreamPutData(FChan, nullptr, 0);
      if (queued == QueryFailed) {
        std::fprintf(stderr, "tonesentry: the input stopped\n");
        failed = true;
        break;
      }
      if (queued == 0) {
        WaitWhileServingMainThreadFor([this] { return BASS_StreamPutData(FChan, nullptr, 0) != 0 || TStopSignals::Requested(); },
                                      IdlePollMs, IdlePollMs);
      } else if (!FeedSome()) {
        failed = true;
        break;
      }
      TakeDetectedTones(true);  // the shared tone log stays small; the analysis keeps every key
      FReport.Update(FAnalysis->Keys(), FStartWall, FFedBytes / FBytesPerMs, false);
    }
    FConsumer.FreeChan(FChan, false);
    FChan = 0;
    FAnalysis->Finish();
    if (!FAnalysis->ErrorText().empty()) {
      std::fprintf(stderr, "tonesentry: %s\n", FAnalysis->ErrorText().c_str());
      failed = true;
    }
    FReport.Update(FAnalysis->Keys(), FStartWall, FFedBytes / FBytesPerMs, true);
    return failed ? 1 : 0;
  }

  // Moves what the input has queued into the analysis; false when the analysis gave up.
  bool FeedSome() {
    const DWORD got = BASS_ChannelGetData(FChan, FBuffer.data(), static_cast<DWORD>(FBuffer.size() * sizeof(float)));
    if (got == QueryFailed || got == 0) return true;
    FFedBytes += got;
    return FAnalysis->Feed(std::span<const float>(FBuffer.data(), got / sizeof(float)));
  }

  const TListenOptions& FOptions;
  TListenReport FReport;
  TPxInput FConsumer;
  HSTREAM FChan = 0;
  std::unique_ptr<TPcmAnalysis> FAnalysis;
  std::vector<float> FBuffer;
  double FBytesPerMs = 1;
  double FFedBytes = 0;
  TWallClock::time_point FStartWall;
};

}  // namespace

int RunListen(const TListenOptions& options, std::ostream& out) {
  ApplyOptions(options);
  bool deviceFailed = false;
  TPxInput::SetErrorReportCallback([&deviceFailed](const std::string& text) {
    std::fprintf(stderr, "tonesentry: %s\n", text.c_str());
    deviceFailed = true;
  });
  int status = 1;
  try {
    const TStopSignals signals;
    const int32_t inputIdx = ResolveInputEntry(options.input);
    TListenSession session(options, out);
    status = session.Run(inputIdx);
  } catch (const std::runtime_error& error) {
    if (!deviceFailed) std::fprintf(stderr, "tonesentry: %s\n", error.what());
    status = 1;
  }
  TPxInput::SetErrorReportCallback({});
  return status;
}
