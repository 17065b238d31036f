// `tonesentry generate`: writes the tone generator's stream for some keys to a WAV file.
#pragma once

#include "cli/CliOptions.h"

// Main thread, with the modules initialised. Returns 0, or 1 after reporting on standard error.
int RunGenerate(const TGenerateOptions& options);
