// Start-up and shut-down of the command-line tool: the program's modules, with the no-sound
// audio device and reports on standard error.
#pragma once

#include <memory>
#include <string>

#include "app/ProgramModules.h"

// Main thread. Records the main thread, sends message boxes (reports) to standard error prefixed
// "tonesentry: ", initialises the no-sound audio device and starts the program's modules with the
// settings from settingsDir (empty: the usual settings folder). Throws ESettingsDirError
// (settings/location/SettingsModule.h), with the audio device freed again, when settingsDir is
// not an existing folder.
class TCliModules {
 public:
  explicit TCliModules(const std::string& settingsDir);
  ~TCliModules();  // finalises in reverse order
  TCliModules(const TCliModules&) = delete;
  TCliModules& operator=(const TCliModules&) = delete;

 private:
  std::unique_ptr<TProgramModules> FModules;
};
