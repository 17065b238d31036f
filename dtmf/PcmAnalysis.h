// The road of audio handed over piece by piece (a pipe, raw PCM): the caller feeds float samples
// into a push stream that a DTMF sentry analyses, with the same back-pressure as the file road (at
// most about two seconds queued), then marks the end so every last sample is analysed.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "audiolib/audiolib.h"
#include "dtmf/qv_dtmf.h"

class TPcmAnalysis {
 public:
  // Main thread. Creates the push stream (sampleRate Hz, `channels` interleaved floats) and starts
  // a new sentry running `detector` on it, replacing the running one. Returns null and sets
  // `error` when the format cannot be analysed or the stream cannot be made.
  static std::unique_ptr<TPcmAnalysis> Start(DWORD sampleRate, DWORD channels, TDtmfDetector detector,
                                             std::string& error);
  // Stops the sentry (if it is still this one's) and frees the stream.
  ~TPcmAnalysis();
  TPcmAnalysis(const TPcmAnalysis&) = delete;
  TPcmAnalysis& operator=(const TPcmAnalysis&) = delete;

  // Main thread: queues whole frames of interleaved samples, first waiting (serving the main-thread
  // queue) while about two seconds are queued already. Returns false once the sentry has finished
  // early (it gave up; see ErrorText), after which more audio is pointless.
  bool Feed(std::span<const float> samples);
  // Main thread: marks the end and waits (serving the main-thread queue) until every key is found.
  void Finish();

  // Why the analysis ended early; empty when it did not.
  std::string ErrorText() const;
  std::vector<TDetectedKey> Keys() const;

 private:
  TPcmAnalysis(HSTREAM pushStream, DWORD sampleRate, DWORD channels);
  TToneSentry* Sentry() const;  // this analysis's sentry while it is still the running one
  bool Done() const;
  DWORD QueuedBytes() const;

  HSTREAM FPushStream;
  DWORD FMaxQueuedBytes;
  uint64_t FSentrySerial = 0;
};
