// Where the settings live: the program and settings folders, the derived file paths, the seeding
// of a new settings folder, the translated message table and the user's first day of the week.
//
// The values below are set once by the settings module's start-up on the main thread, before any
// other thread exists, and only read afterwards (without locks). Folders end with '/'.
#pragma once

#include <array>
#include <string>

#include "settings/format/DateTime.h"

extern std::string ProgramDir;            // folder of the running executable
extern std::string SettingsUID;           // installation identifier from uid.ini; empty for none
extern std::string SettingsDir;           // folder of the settings files; empty for the special executable
extern std::string SettingsInitError;     // text of the last failed folder copy while seeding
extern std::string RunIniPath;            // SettingsDir + "Profile/run.ini"
extern std::string LastProfileIniPath;    // SettingsDir + "Profile/lastprofile.ini"
extern std::string ResumePlaybackIniPath; // SettingsDir + "Profile/resumeplayback.ini"
extern std::string WindowPosIniPath;      // SettingsDir + "windowpos.ini"
extern bool MondayFirst;                  // the user's locale starts the week on Monday
extern std::string StreamUserAgentAnsi;   // the network user agent in Windows-1252, handed to the audio library

// The translated messages, s0 .. s75 of section "Strings" of the language file.
inline constexpr int kMessageCount = 76;
extern std::array<std::string, kMessageCount> MessageTable;

// The settings folder name under the application-data folder is VendorFolder + "/Quaverlin_" + UID.
inline constexpr const char* VendorFolder = "ToneSentry";

// Decides SettingsUID and SettingsDir from ProgramDir + "uid.ini" and seeds a new settings folder
// from ProgramDir. With a UID the folder is under $XDG_CONFIG_HOME (per user) or, when Allusers
// is exactly "A", the first of $XDG_CONFIG_DIRS (all users); without one it is ProgramDir. Copy
// failures inside Presets, Style and Templates end up in SettingsInitError; others are silent.
void InitSettingsDir();
// The same, for an executable of the given file name: one named "beamora" (ignoring case and a
// ".exe" ending) keeps SettingsUID and SettingsDir empty.
void InitSettingsDir(const std::string& executableFileName);

// Sets RunIniPath, LastProfileIniPath and ResumePlaybackIniPath from SettingsDir.
void InitProfilePaths();

// A folder setting stored in the Windows form with a single leading '\' is relative to SettingsDir
// ("\VoiceTracks\" -> SettingsDir + "VoiceTracks"; its separators become '/'). Anything else keeps
// its text: "/srv/jingles/" is an absolute Linux path and "\\server\share\" a network path. One
// trailing separator is removed from every result, except from the root folder "/".
std::string ResolveSettingsRelativeDir(const std::string& value);

// Fills MessageTable from the [Strings] section of langIniPath (missing keys and a missing file
// keep the current text), then replaces every tab in every entry with CR LF.
void LoadMessageTable(const std::string& langIniPath);

// ProgramDir + "Lang/" + langDir + "/lang.ini".
std::string LangIniPath(const std::string& langDir);

// The current local date and time; any thread.
TDateTime CurrentClockTime();

// Keeps userAgent (UTF-8) in Windows-1252 as StreamUserAgentAnsi and gives it to the audio library
// as its network user agent.
void HandStreamUserAgentToAudioLibrary(const std::string& userAgent);

// The settings module's start-up, first part: ProgramDir, the settings folder and the profile
// paths. settingsDirOverride, when not empty, is the settings folder: uid.ini is not read and no
// folder is created or seeded (the caller has checked that it is a folder). The player and
// system settings are created and read after it, and then InitSettingsEnvironment runs with
// values taken from the system settings.
void InitSettingsLocation(const std::string& settingsDirOverride = "");
// The same, for the executable at executablePath instead of the running one.
void InitSettingsLocation(const std::string& executablePath, const std::string& settingsDirOverride);
// The rest of the start-up: the message table from the language folder langDir, MondayFirst,
// WindowPosIniPath and the network user agent.
void InitSettingsEnvironment(const std::string& langDir, const std::string& streamUserAgent);
// Shut-down: clears the module's values (the settings objects are freed before, unsaved).
void FinalizeSettingsLocation();
