#include "cli/SelftestCommand.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "dtmf/SampleAnalysis.h"
#include "dtmf/SelfTestCases.h"
#include "settings/player/PlayerIni.h"

namespace {

constexpr size_t NameWidth = 46;
constexpr size_t KeysWidth = 19;

enum class TOutcome { Pass, Fail, NotRequired };

std::string Column(std::string text, size_t width) {
  if (text.size() > width) text = text.substr(0, width - 3) + "...";
  return text + std::string(width + 2 - text.size(), ' ');
}

std::string KeysText(const std::vector<TDetectedKey>& keys) {
  std::string text;
  for (const TDetectedKey& key : keys) text += static_cast<char>(key.key);
  return text.empty() ? "-" : text;
}

const char* DetectorName(TDtmfDetector detector) {
  return detector == TDtmfDetector::Strict ? "strict" : "standard";
}

double ThresholdDb(const TSelftestOptions& options) {
  if (options.levelDb) return *options.levelDb;
  const double threshold = PlayerIni->DTMFThreshold();
  return threshold > 0 ? 20 * std::log10(threshold) : -120;
}

}  // namespace

int RunSelftest(const TSelftestOptions& options, std::ostream& out) {
  const double thresholdDb = ThresholdDb(options);
  PlayerIni->SetDTMFThreshold(std::pow(10.0, thresholdDb / 20));
  PlayerIni->SetDTMFChannelMode(0);
  PlayerIni->SetDTMFDelay(0);
  char heading[128];
  std::snprintf(heading, sizeof heading, "%s detector, level %.1f dB\n", DetectorName(options.detector),
                thresholdDb);
  out << heading << Column("case", NameWidth) << Column("expected", KeysWidth) << Column("found", KeysWidth)
      << "result\n";

  int passed = 0, failed = 0, notRequired = 0;
  std::string departures;
  for (const TSelfTestCase& c : MakeSelfTestCases(thresholdDb)) {
    const TSampleAnalysisResult result = AnalyseSamples(c.samples, SelfTestSampleRate, options.detector);
    const std::string found = result.error.empty() ? KeysText(result.keys) : "error: " + result.error;
    const bool matches = result.error.empty() && KeysText(result.keys) == (c.expectedKeys.empty() ? "-" : c.expectedKeys);
    TOutcome outcome = matches ? TOutcome::Pass : TOutcome::Fail;
    if (options.detector == TDtmfDetector::Standard && !c.standardDeparture.empty()) {
      outcome = TOutcome::NotRequired;
      departures += "  " + c.name + ": " + c.standardDeparture + "\n";
    }
    const char* verdict = outcome == TOutcome::Pass ? "pass" : outcome == TOutcome::Fail ? "FAIL" : "not required";
    out << Column(c.name, NameWidth) << Column(c.expectedKeys.empty() ? "-" : c.expectedKeys, KeysWidth)
        << Column(found, KeysWidth) << verdict << (outcome == TOutcome::NotRequired && matches ? " (passes)" : "")
        << '\n';
    out.flush();
    passed += outcome == TOutcome::Pass;
    failed += outcome == TOutcome::Fail;
    notRequired += outcome == TOutcome::NotRequired;
  }
  out << passed + failed + notRequired << " cases: " << passed << " passed, " << failed << " failed, "
      << notRequired << " not required\n";
  if (!departures.empty()) {
    out << "Not required of the standard detector, which was built to other rules:\n" << departures;
  }
  return failed == 0 ? 0 : 1;
}
