#pragma once
// M3U and M3U8 list files, read into playlist entries.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "playback/playlist/PlaylistEntry.h"

// The largest list file read (a list of 10,000 entries is about 1 MB), and the most items read
// from one: each entry takes about 1.1 KB before its texts, so a list of short lines could
// otherwise ask for gigabytes.
inline constexpr uint64_t kMaxListFileBytes = 64ull * 1024 * 1024;
inline constexpr size_t kMaxListFileEntries = 250000;

// Appends one entry per item line of the list file to entries and returns how many it appended;
// -1 when the file cannot be read (missing, a folder, a FIFO or device, no permission, larger
// than kMaxListFileBytes, more than kMaxListFileEntries items), and entries is then left
// untouched. Never blocks on a FIFO or device.
//
// Text: a ".m3u8" file is UTF-8 (ill-formed bytes become U+FFFD); any other list file is UTF-8
// when it is well-formed UTF-8, else Windows-1252. A UTF-8 byte-order mark is skipped; a file
// starting with a UTF-16 byte-order mark (FF FE or FE FF, as some Windows programs save lists) is
// UTF-16. Lines end in CR LF or LF; blanks and tabs around a line are dropped and empty lines
// skipped.
//
// Lines: "#EXTINF:seconds,Artist - Title" fills Duration (ms; a negative or missing length leaves
// 0), Artist and Title of the next item line (without " - " the whole text is the Title; text
// before the first comma outside double quotes is the length and its attributes). Every other
// line starting with '#' is ignored. An item line becomes the entry's Filename:
//  - kept as written: network addresses ("scheme://...", e.g. http, https, ftp, mms), pause items
//    ("pause ..."), pseudo items ("dtmf=", "tts=", "saytime=", "teaser=", "container=") and
//    Windows drive paths ("C:\...", which have no place on this system);
//  - "file://" addresses become the local path they name (percent escapes decoded);
//  - any other line is a path: backslashes become '/', and a relative path is joined to the list
//    file's folder and normalised lexically ("a/../b" -> "b"; nothing on disk is consulted). A
//    path starting with '\' or '/' is absolute.
// Any thread; the caller owns entries.
int32_t ReadListFile(const std::string& listFileName, std::vector<TPlaylistEntry>& entries);
