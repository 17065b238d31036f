// `tonesentry selftest`: runs the receiver test cases (dtmf/SelfTestCases.h) through a detector on
// the sentry's road at the current settings and prints a table of the cases and a summary.
#pragma once

#include <ostream>

#include "cli/CliOptions.h"

// Main thread, with the modules initialised. Uses the settings' level (or options.levelDb), one
// mono channel and no delay. Returns 0 when every case the detector is required to meet passed,
// else 1. For the standard detector, cases it is known not to meet are "not required" (with why)
// instead of failures.
int RunSelftest(const TSelftestOptions& options, std::ostream& out);
