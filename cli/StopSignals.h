// SIGINT and SIGTERM as a request to end an endless command (listen, detect URL) cleanly: while a
// TStopSignals lives, either signal only sets a flag that the command's loop polls. Main thread.
#pragma once

#include <csignal>

class TStopSignals {
 public:
  TStopSignals();   // clears the flag and installs the handler
  ~TStopSignals();  // puts the previous handlers back
  TStopSignals(const TStopSignals&) = delete;
  TStopSignals& operator=(const TStopSignals&) = delete;

  // True once SIGINT or SIGTERM has arrived while an object lived. Any thread.
  static bool Requested();

 private:
  struct sigaction FOldInt {};
  struct sigaction FOldTerm {};
};
