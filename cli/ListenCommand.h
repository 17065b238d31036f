// `tonesentry listen`: watches a live input for DTMF keys and prints each key with the wall-clock
// time it started, until SIGINT or SIGTERM, or for --duration seconds.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "dtmf/KeyReport.h"
#include "dtmf/qv_dtmf.h"

struct TListenOptions {
  // "": the default capture device; digits: that entry of the system settings' input list; else
  // the name or identifier of a capture device of the library's own layer (`tonesentry devices`).
  std::string input;
  std::optional<double> durationSeconds;  // until interrupted when absent
  std::optional<double> levelDb;          // minimum tone level; settings' value when absent
  std::optional<int> channelMode;         // 0 left, 1 right, 2 sum, 3 difference
  TDtmfDetector detector = TDtmfDetector::Standard;
  TOutputFormat format = TOutputFormat::Keys;
};

// Main thread, with the modules initialised (cli/CliStartup.h). Captures through a live-input
// consumer (audio/PxInput.h) and analyses on the road of piped PCM (dtmf/PcmAnalysis.h). Returns
// the exit status: 0 after a clean end (interrupt, or the duration), 1 when the input cannot be
// found or opened or stops delivering (the reason goes to standard error). Catches SIGINT and
// SIGTERM while it runs.
int RunListen(const TListenOptions& options, std::ostream& out);
