// Runs samples held in memory through the DTMF sentry's road (push stream, analysis mixer, delay
// line, detector), as a file would go, and returns what the sentry heard.
#pragma once

#include <string>
#include <vector>

#include "dtmf/qv_dtmf.h"

struct TSampleAnalysisResult {
  std::vector<TDetectedKey> keys;
  std::string error;  // why the analysis did not reach the end; empty when it did
};

// Main thread, with the DTMF module initialised. `samples` are mono floats at `sampleRate` Hz.
// Replaces any running sentry with one running `detector` at the current player settings, waits
// (serving the main-thread queue) until it has analysed every sample, at most timeoutMs, then
// stops it and empties the shared tone log. Fails (error set) when the audio library cannot make
// the stream, the sentry gives up or the time runs out.
TSampleAnalysisResult AnalyseSamples(const std::vector<float>& samples, int sampleRate,
                                     TDtmfDetector detector, uint32_t timeoutMs = 60000);
