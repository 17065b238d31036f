#include "cli/DetectCommand.h"

#include <cmath>
#include <cstdio>

#include "audio/AudioErrorText.h"
#include "cli/KeyReport.h"
#include "cli/ProgressBar.h"
#include "cli/StdinAnalysis.h"
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

TFileResult AnalyseFile(const std::string& path, const TDetectOptions& options) {
  if (path == "-") {
    const TReportsNameFile reports(path);
    TFileResult result = AnalyseStdin(options);
    return result.analysed ? result : Failed(result, result.error);
  }
  TFileResult result;
  result.path = path;
  const TReportsNameFile reports(path);
  TOpenError error;
  std::unique_ptr<TFileAnalysis> analysis = TFileAnalysis::Open(path, error, options.detector);
  if (!analysis) {
    return Failed(result, error.problem.empty() ? AudioErrorText(error.audioErrorCode, true) : error.problem);
  }
  TProgressBar progress(path, options.progress && analysis->DurationSeconds() > LongFileSeconds);
  analysis->RunToEnd([&progress](double fraction) { progress.Update(fraction); });
  const std::string failure = analysis->ErrorText();
  if (!failure.empty()) return Failed(result, failure);
  result.keys = analysis->Keys();
  result.analysed = true;
  return result;
}

}  // namespace

int RunDetect(const TDetectOptions& options, std::ostream& out) {
  ApplyOptions(options);
  WarnAboutStoredDelay();
  TKeyReportWriter report(out, options.format, options.files.size() > 1);
  bool allAnalysed = true;
  for (const std::string& path : options.files) {
    const TFileResult result = AnalyseFile(path, options);
    allAnalysed = allAnalysed && result.analysed;
    report.Add(result);
  }
  report.Finish();
  return allAnalysed ? 0 : 1;
}
