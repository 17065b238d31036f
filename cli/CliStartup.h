// Start-up and shut-down of the command-line tool: the modules the detection road needs, in order.
#pragma once

// Main thread. Records the main thread, initialises the no-sound audio device, creates the player
// settings and the DTMF module; reports go to standard error prefixed "tonesentry: ".
class TCliModules {
 public:
  TCliModules();
  ~TCliModules();  // finalises in reverse order
  TCliModules(const TCliModules&) = delete;
  TCliModules& operator=(const TCliModules&) = delete;
};
