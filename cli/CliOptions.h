// Command-line parsing of the tonesentry tool. Pure; throws EUsage for bad options.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/DevicesCommand.h"
#include "cli/ListenCommand.h"
#include "cli/PcmFormat.h"
#include "dtmf/KeyReport.h"
#include "dtmf/qv_dtmf.h"
#include "platform/Exception.h"

// A bad command line; the text says what is wrong (the tool prints it with the usage, exit 2).
class EUsage : public Exception {
 public:
  using Exception::Exception;
};

struct TDetectOptions {
  std::optional<double> levelDb;      // minimum tone level; settings' value when absent
  std::optional<int> channelMode;     // 0 left, 1 right, 2 sum, 3 difference
  std::optional<double> delaySeconds;
  TDtmfDetector detector = TDtmfDetector::Standard;
  std::optional<TPcmFormat> rawFormat;  // --raw: standard input is raw PCM in this format
  TOutputFormat format = TOutputFormat::Keys;
  bool progress = true;               // a progress bar when standard error is a terminal
  std::optional<size_t> jobs;         // files analysed at once; the number of cores when absent
  bool worker = false;                // internal: a --jobs worker (cli/WorkerPool.h), no files
  std::vector<std::string> files;     // "-" (at most once) is standard input
  std::string url;                    // an http(s) stream to monitor instead of files
  std::optional<double> durationSeconds;  // with url: stop after this long; none: until a signal
  bool events = false;                // with url and --format json: status and title events too
};

struct TGenerateOptions {
  std::string keys;
  std::string outputPath;
};

struct TSelftestOptions {
  TDtmfDetector detector = TDtmfDetector::Standard;
  std::optional<double> levelDb;  // settings' value when absent
};

enum class TCommand { Help, Version, Detect, Generate, Settings, Selftest, Devices, Listen };

struct TCommandLine {
  TCommand command = TCommand::Help;
  std::string settingsDir;  // --settings-dir: read the settings from here
  TDetectOptions detect;
  TGenerateOptions generate;
  TSelftestOptions selftest;
  TDevicesFormat devicesFormat = TDevicesFormat::Text;
  TListenOptions listen;
};

TCommandLine ParseCommandLine(const std::vector<std::string>& args);

// The usage text printed by --help (and, first line only, after a usage error).
std::string UsageText();
