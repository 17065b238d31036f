#include "cli/DetectCommand.h"

#include <cmath>
#include <cstdio>

#include "audio/AudioErrorText.h"
#include "cli/KeyReport.h"
#include "cli/ProgressBar.h"
#include "dtmf/FileAnalysis.h"
#include "settings/player/PlayerIni.h"

namespace {

constexpr double LongFileSeconds = 60;

void ApplyOptions(const TDetectOptions& options) {
  if (options.levelDb) PlayerIni->SetDTMFThreshold(std::pow(10.0, *options.levelDb / 20));
  if (options.channelMode) PlayerIni->SetDTMFChannelMode(*options.channelMode);
  if (options.delaySeconds) PlayerIni->SetDTMFDelay(*options.delaySeconds);
}

TFileResult AnalyseFile(const std::string& path, bool showProgress) {
  TFileResult result;
  result.path = path;
  int errorCode = 0;
  std::unique_ptr<TFileAnalysis> analysis = TFileAnalysis::Open(path, errorCode);
  if (!analysis) {
    result.error = AudioErrorText(errorCode, true);
    std::fprintf(stderr, "tonesentry: %s: %s\n", path.c_str(), result.error.c_str());
    return result;
  }
  TProgressBar progress(path, showProgress && analysis->DurationSeconds() > LongFileSeconds);
  analysis->RunToEnd([&progress](double fraction) { progress.Update(fraction); });
  result.keys = analysis->Keys();
  result.analysed = true;
  return result;
}

}  // namespace

int RunDetect(const TDetectOptions& options, std::ostream& out) {
  ApplyOptions(options);
  TKeyReportWriter report(out, options.format, options.files.size() > 1);
  bool allAnalysed = true;
  for (const std::string& path : options.files) {
    const TFileResult result = AnalyseFile(path, options.progress);
    allAnalysed = allAnalysed && result.analysed;
    report.Add(result);
  }
  report.Finish();
  return allAnalysed ? 0 : 1;
}
