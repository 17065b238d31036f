// `tonesentry detect URL`: monitors a network stream with a DTMF worker (TToneSentry on the
// address) until SIGINT or SIGTERM, or for a set duration. Keys go to the output as they are
// found, with the local wall-clock time and the stream time (audio analysed since monitoring
// began, over every reconnection); status changes (connecting, buffering, ready, title, error,
// reconnecting) go to standard error. A lost stream is reconnected for as long as it runs.
#pragma once

#include <mutex>
#include <optional>
#include <ostream>
#include <string>

#include "dtmf/audio_netstreamreader.h"
#include "dtmf/qv_dtmf.h"

struct TUrlMonitorOptions {
  std::string url;
  std::optional<double> durationSeconds;  // none: until SIGINT/SIGTERM
  bool json = false;                      // one JSON object per line instead of text lines
  bool events = false;                    // with json: status and title events too
  TDtmfDetector detector = TDtmfDetector::Standard;
};

class TUrlMonitor {
 public:
  // out receives the keys (and, with events, the status events); err the status lines. Both
  // must outlive the monitor.
  TUrlMonitor(TUrlMonitorOptions options, std::ostream& out, std::ostream& err);

  // Main thread, with the modules initialised (cli/CliStartup.h) and the analysis settings in
  // PlayerIni. Serves the main-thread queue while it monitors; returns the exit status: 0 when
  // interrupted or when the duration has passed, 1 when the worker gave up (the reason on err).
  int Run();

 private:
  void KeyFound(const TDetectedKey& key);               // worker thread
  void StatusChanged(const TNetSourceStatus& status);  // main thread
  bool KeepRunning(uint64_t startMs) const;

  const TUrlMonitorOptions FOptions;
  std::ostream& FOut;
  std::ostream& FErr;
  std::mutex FOutputLock;  // keys come from the worker, status from the main thread
  std::string FLastTitle;                     // main thread: a title is printed when it changes
  std::optional<TNetSourceState> FLastState;  // main thread: a run of buffering notices prints once
};
