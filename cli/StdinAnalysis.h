// `tonesentry detect -`: the keys in audio read from standard input.
#pragma once

#include <optional>

#include "cli/CliOptions.h"
#include "dtmf/KeyReport.h"
#include "cli/PcmFormat.h"

// Main thread, with the modules initialised. Reads standard input to its end while analysing:
// raw PCM in `rawFormat` when given; else a WAV stream, recognised by its header, is analysed as
// it arrives; any other container FFmpeg reads is first copied to a temporary file (removed
// afterwards), since it may need to be read out of order. Returns the result named "-"; an input
// that cannot be read or analysed gives the reason in `error` (not printed here).
TFileResult AnalyseStdin(const TDetectOptions& options);
