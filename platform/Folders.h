#pragma once
// User and system folders in place of the Windows shell folders, and the executable's path.
#include <string>

inline constexpr int CSIDL_APPDATA = 0x1a;         // $XDG_CONFIG_HOME, default ~/.config
inline constexpr int CSIDL_COMMON_APPDATA = 0x23;  // first of $XDG_CONFIG_DIRS, default /etc/xdg
inline constexpr int CSIDL_PROGRAM_FILES = 0x26;   // /usr/lib

// The folder for csidl, without a trailing slash. Relative XDG values are ignored, as the XDG
// rules ask. Returns "" for an unknown csidl or when the home folder cannot be found. Any thread.
std::string SHGetFolderPath(int csidl);

// The running executable's full path (/proc/self/exe); "" when it cannot be read.
std::string ExecutablePath();
