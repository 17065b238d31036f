// Start-up and shut-down of the program's modules in dependency order, shared by the window and
// the command-line tool: the settings (read from the settings folder), the audio library's
// add-on and configuration, the report sink and the DTMF module. Qt-free.
// Main thread, after InitMainThread and before any window exists.
#pragma once

#include <string>

class TProgramModules {
 public:
  // settingsDirOverride: read the settings from this folder instead of the one uid.ini decides.
  // Throws ESettingsDirError (settings/location/SettingsModule.h), with no module started, when it
  // is not an existing folder.
  explicit TProgramModules(const std::string& settingsDirOverride = "");
  // Finalises in reverse order; the settings are never written back.
  ~TProgramModules();
  TProgramModules(const TProgramModules&) = delete;
  TProgramModules& operator=(const TProgramModules&) = delete;
};
