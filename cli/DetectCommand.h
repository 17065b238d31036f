// `tonesentry detect`: runs each file through the same road as the window and prints its keys,
// or monitors a network stream.
#pragma once

#include <ostream>

#include "cli/CliOptions.h"

// Main thread, with the modules initialised (see CliStartup.h). Returns the exit status: 0 when
// every file was analysed, 1 when one could not be read or analysed (reported on standard error).
// With several files and jobs above 1 the files are analysed in worker processes (WorkerPool.h),
// started with settingsDir as this process was; the output is the same as with one job.
// With a URL it monitors that stream instead (cli/UrlMonitor.h) and returns its status.
int RunDetect(const TDetectOptions& options, const std::string& settingsDir, std::ostream& out);
