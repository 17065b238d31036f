// One long file analysed on several cores at once. The DTMF module runs one sentry per process, so
// the file is cut into segments that worker processes (cli/WorkerPool.h) analyse side by side, and
// their keys are put back together. Each worker decodes a warm-up before its segment (so the
// resampler and the detector are in step with a one-pass analysis by the segment's start) and a
// run-out after it (so a key that starts in the segment is heard to its end); it answers only for
// keys that start in its segment. Segment edges fall on whole analysis frames and whole samples,
// so every analysis frame holds exactly the samples the one-pass analysis gives it: the keys, their
// times, durations and levels are the same, to the last bit. That needs a file that seeks to the
// exact sample, so only PCM WAV files are cut, and only for the standard detector (the strict one
// works in 5 ms blocks with a running phase reference; its results would differ in rounding).
// Each worker is a whole process (about 40 MB, mostly shared libraries).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "dtmf/FileAnalysis.h"
#include "dtmf/KeyReport.h"

struct TSegment {
  TFileStretch stretch;   // what its worker decodes: warm-up, the segment, run-out
  double keepFromMs = 0;  // its keys are those that start in [keepFromMs, keepToMs)
  double keepToMs = 0;
  double stretchEndMs = 0;  // where the decoded stretch ends; infinity at the end of the file
};

// Pure. Cuts a file of lengthFrames at sampleRate into at most `count` segments of at least
// MinSegmentSeconds each (a worker process takes tens of ms to start), with the warm-up covering
// the analysis delay. Fewer than two segments: empty (analyse in one pass).
inline constexpr double MinSegmentSeconds = 300;
std::vector<TSegment> PlanSegments(uint32_t sampleRate, uint64_t lengthFrames, double delaySeconds, size_t count);

// Pure. The file's result from its segments' results, in order: the first failure if one failed;
// null when a kept key was still sounding where its segment's stretch ended (its length is not
// known: analyse the file in one pass).
std::optional<TFileResult> MergeSegments(const std::string& path, const std::vector<TSegment>& segments,
                                         const std::vector<TFileResult>& results);

// Main thread. Analyses `path` in up to `jobs` segments when it is a long PCM file and the detector
// is the standard one; null when it did not (the caller analyses the file in one pass).
// reports: what the workers wrote to standard error, each line once.
std::optional<TFileResult> AnalyseInSegments(const std::string& path, const TDetectOptions& options,
                                             const std::vector<std::string>& workerArgs, size_t jobs,
                                             std::string& reports);
