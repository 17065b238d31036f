#include "cli/DetectCommand.h"

#include <cmath>
#include <cstdio>
#include <iostream>
#include <thread>

#include "audio/AudioErrorText.h"
#include "dtmf/KeyReport.h"
#include "cli/ProgressBar.h"
#include "cli/SegmentedAnalysis.h"
#include "cli/StdinAnalysis.h"
#include "cli/UrlMonitor.h"
#include "cli/WorkerPool.h"
#include "cli/WorkerResult.h"
#include "dtmf/FileAnalysis.h"
#include "platform/MessageBox.h"
#include "settings/player/PlayerIni.h"

namespace {

constexpr double LongFileSeconds = 60;

void ApplyOptions(const TDetectOptions& options) {
  if (options.levelDb) PlayerIni->SetDTMFThreshold(std::pow(10.0, *options.levelDb / 20));
  if (options.channelMode) PlayerIni->SetDTMFChannelMode(*options.channelMode);
  if (options.delaySeconds) PlayerIni->SetDTMFDelay(*options.delaySeconds);
}

// The stored delay is held to the same range as --delay; the sentry treats any other as none.
void WarnAboutStoredDelay() {
  const double delay = PlayerIni->DTMFDelay();
  if (IsValidDtmfDelay(delay)) return;
  std::fprintf(stderr,
               "tonesentry: warning: DTMFDelay %g in the settings is not between 0 and %g s; no "
               "delay is used\n",
               delay, MaxDtmfDelaySeconds);
}

// While a file is analysed, the warnings the analysis reports (the not-stereo warning) name it.
class TReportsNameFile {
 public:
  explicit TReportsNameFile(const std::string& path)
      : FPrevious(SetMessageBoxPresenter([path](HWND, const std::string& text, const std::string&, UINT) {
          std::fprintf(stderr, "tonesentry: %s: %s\n", path.c_str(), text.c_str());
          return IDOK;
        })) {}
  ~TReportsNameFile() { SetMessageBoxPresenter(FPrevious); }
  TReportsNameFile(const TReportsNameFile&) = delete;
  TReportsNameFile& operator=(const TReportsNameFile&) = delete;

 private:
  MessageBoxPresenter FPrevious;
};

TFileResult Failed(TFileResult result, const std::string& error) {
  result.error = error;
  std::fprintf(stderr, "tonesentry: %s: %s\n", result.path.c_str(), error.c_str());
  return result;
}

TFileResult AnalyseFile(const std::string& path, const TDetectOptions& options, TFileStretch stretch = {}) {
  if (path == "-") {
    const TReportsNameFile reports(path);
    TFileResult result = AnalyseStdin(options);
    return result.analysed ? result : Failed(result, result.error);
  }
  TFileResult result;
  result.path = path;
  const TReportsNameFile reports(path);
  TOpenError error;
  std::unique_ptr<TFileAnalysis> analysis = TFileAnalysis::Open(path, error, options.detector, stretch);
  if (!analysis) {
    return Failed(result, error.problem.empty() ? AudioErrorText(error.audioErrorCode, true) : error.problem);
  }
  TProgressBar progress(path, options.progress && analysis->DurationSeconds() > LongFileSeconds);
  TWorkerProgress workerProgress;
  analysis->RunToEnd([&](double fraction) {
    progress.Update(fraction);
    if (options.worker) workerProgress.Update(fraction);
  });
  const std::string failure = analysis->ErrorText();
  if (!failure.empty()) return Failed(result, failure);
  result.keys = analysis->Keys();
  result.analysed = true;
  return result;
}

std::string Exact(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

// A worker's command line: the same analysis settings as this process; files come later.
std::vector<std::string> WorkerArgs(const TDetectOptions& options, const std::string& settingsDir) {
  static const char* const ChannelNames[] = {"left", "right", "sum", "diff"};
  std::vector<std::string> args;
  if (!settingsDir.empty()) args = {"--settings-dir", settingsDir};
  args.insert(args.end(), {"detect", "--worker", "--no-progress", "--detector",
                           options.detector == TDtmfDetector::Strict ? "strict" : "standard"});
  if (options.levelDb) args.insert(args.end(), {"--level", Exact(*options.levelDb)});
  if (options.channelMode) args.insert(args.end(), {"--channels", ChannelNames[*options.channelMode]});
  if (options.delaySeconds) args.insert(args.end(), {"--delay", Exact(*options.delaySeconds)});
  if (const auto& raw = options.rawFormat) {
    args.insert(args.end(), {"--raw", std::to_string(raw->sampleRate) + ":" + std::to_string(raw->channels) + ":" +
                                          (raw->sampleType == TPcmSampleType::F32 ? "f32" : "s16")});
  }
  return args;
}

// A --jobs worker: each file the parent hands over, analysed and written back (WorkerPool.h).
int RunAsWorker(const TDetectOptions& options, std::ostream& out) {
  TWorkerRequest request;
  while (ReadWorkerRequest(request)) {
    WriteWorkerResult(out, AnalyseFile(request.path, options, request.stretch));
    out.flush();
    std::fputs(WorkerFileEnd, stderr);
    std::fflush(stderr);
  }
  return 0;
}

size_t JobsAllowed(const TDetectOptions& options) {
  return options.jobs ? *options.jobs : std::max(1u, std::thread::hardware_concurrency());
}

// Parts one long file is cut into. One pass already keeps about two cores busy (the decoder on the
// main thread, the detector on the sentry's worker), so by default there is one part per two cores:
// on two cores more parts only add the workers' start and warm-up, and lose time when other
// programs keep the cores busy.
size_t PartsAllowed(const TDetectOptions& options) {
  return options.jobs ? *options.jobs : std::max(1u, std::thread::hardware_concurrency() / 2);
}

// One file: a long PCM file on several cores (SegmentedAnalysis.h), any other in this process.
TFileResult AnalyseOneFile(const std::string& path, const TDetectOptions& options, const std::string& settingsDir) {
  std::string reports;
  std::optional<TFileResult> result =
      AnalyseInSegments(path, options, WorkerArgs(options, settingsDir), PartsAllowed(options), reports);
  if (!result) return AnalyseFile(path, options);
  std::fputs(reports.c_str(), stderr);
  return *result;
}

}  // namespace

int RunDetect(const TDetectOptions& options, const std::string& settingsDir, std::ostream& out) {
  ApplyOptions(options);
  if (options.worker) return RunAsWorker(options, out);
  WarnAboutStoredDelay();
  if (!options.url.empty()) {
    TUrlMonitor monitor({options.url, options.durationSeconds, options.format == TOutputFormat::Json,
                         options.events, options.detector},
                        out, std::cerr);
    return monitor.Run();
  }
  TKeyReportWriter report(out, options.format, options.files.size() > 1);
  bool allAnalysed = true;
  const auto add = [&](const TFileResult& result) {
    allAnalysed = allAnalysed && result.analysed;
    report.Add(result);
  };
  const size_t jobs = std::min(JobsAllowed(options), options.files.size());
  if (jobs > 1) {
    std::vector<TWorkerRequest> requests;
    for (const std::string& path : options.files) requests.push_back({path, {}});
    RunWorkers(requests, WorkerArgs(options, settingsDir), jobs, [&](const TWorkerOutcome& outcome) {
      std::fputs(outcome.errorOutput.c_str(), stderr);
      add(outcome.result);
    });
  } else if (options.files.size() == 1) {
    add(AnalyseOneFile(options.files.front(), options, settingsDir));
  } else {
    for (const std::string& path : options.files) add(AnalyseFile(path, options));
  }
  report.Finish();
  return allAnalysed ? 0 : 1;
}
