// How a worker process (`tonesentry detect --worker`, started by --jobs; see WorkerPool.h) hands
// the result of a file to the parent: a few text lines that keep every value exactly (hexadecimal
// floating point), so the parent prints what a single process would have printed.
#pragma once

#include <ostream>
#include <string>

#include "dtmf/KeyReport.h"

// Any thread. Writes `result` (its path is not written: the parent knows it).
void WriteWorkerResult(std::ostream& out, const TFileResult& result);
// Any thread. Reads what WriteWorkerResult wrote; text that is not such a result (a worker that
// died half-way) gives a failed result saying so.
TFileResult ReadWorkerResult(const std::string& text, const std::string& path);
