// Several files analysed at once in worker processes. The DTMF module runs one sentry per process
// (one analysis road with its module-wide delay line and tone log), so parallel analysis runs
// `jobs` `tonesentry` worker processes, each a whole program with its own road, and hands them
// files one at a time; a worker that crashes fails only the file it was on and is replaced.
//
// The protocol: a worker (`tonesentry detect --worker ...`) reads requests from descriptor 3, each
// a file name and the stretch of it to analyse ("FIRST END" in sample frames, empty for the whole
// file), both NUL-terminated; for each it writes the result to standard output (WorkerResult.h,
// ending "end") and its reports on the file to standard error, then WorkerFileEnd there. While it
// works on a file it may also write progress lines to standard error (WorkerProgressMark, the
// fraction of its stretch done, newline); the parent takes them out of the reports. It ends
// when descriptor 3 ends. Standard input is the parent's, for the file "-".
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dtmf/FileAnalysis.h"
#include "dtmf/KeyReport.h"

// Ends one file's reports on a worker's standard error.
inline constexpr char WorkerFileEnd[] = "\x1e" "end of file\n";
// Starts a progress line on a worker's standard error.
inline constexpr char WorkerProgressMark[] = "\x1e" "progress ";

struct TWorkerRequest {
  std::string path;
  TFileStretch stretch;
};

struct TWorkerOutcome {
  TFileResult result;
  std::string errorOutput;  // what the worker wrote to standard error about the file
};

// Main thread. Starts up to `jobs` workers as `<this program> workerArgs...`, hands them the
// requests, and calls onOutcome for every request in order as soon as it and those before it are
// done, and onProgress (when given) with a request's index and fraction done as its worker reports
// it. Serves the main-thread queue while it waits. A worker that cannot be started or ends without
// a result fails its request.
void RunWorkers(const std::vector<TWorkerRequest>& requests, const std::vector<std::string>& workerArgs,
                size_t jobs, const std::function<void(const TWorkerOutcome&)>& onOutcome,
                const std::function<void(size_t request, double fraction)>& onProgress = {});

// In a worker: reads the next request from descriptor 3 (serving the main-thread queue while it
// waits). False when the parent has no more, or sent what is no request.
bool ReadWorkerRequest(TWorkerRequest& request);

// In a worker: tells the parent how far its file is done, at most five times a second.
class TWorkerProgress {
 public:
  void Update(double fraction);

 private:
  uint64_t FLastMs = 0;
  bool FWritten = false;
};
