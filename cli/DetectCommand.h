// `tonesentry detect`: runs each file through the same road as the window and prints its keys.
#pragma once

#include <ostream>

#include "cli/CliOptions.h"

// Main thread, with the modules initialised (see CliStartup.h). Returns the exit status: 0 when
// every file was analysed, 1 when one could not be read or analysed (reported on standard error).
int RunDetect(const TDetectOptions& options, std::ostream& out);
