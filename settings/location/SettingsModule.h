// The settings module's start-up and shut-down: where the settings live, the player and system
// settings read from there, the start time, the translated texts and the network user agent.
// Main thread, before any other thread exists.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Exception.h"

// GetTickCount64 when the settings module started.
extern uint64_t ProgramStartTick;

// The settings folder the user named (--settings-dir) cannot be used: it does not exist or is
// not a folder.
class ESettingsDirError : public Exception {
 public:
  using Exception::Exception;
};

// Runs the start-up steps in order. settingsDirOverride, when not empty, is used as the settings
// folder instead of the one uid.ini decides; the usual folder is then neither created nor seeded.
// Throws ESettingsDirError, before anything is set up, when settingsDirOverride does not name an
// existing folder. Otherwise never fails on settings: a missing or damaged file leaves the
// built-in values, and the outcome is kept in ReadSuccessful / ReadErrorText of PlayerIni and
// SystemIni.
void InitializeSettingsModule(const std::string& settingsDirOverride = "");

// Frees PlayerIni and SystemIni (unsaved) and clears the module's values.
void FinalizeSettingsModule();
