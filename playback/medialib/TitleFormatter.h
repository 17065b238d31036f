#pragma once
// The display title of a playlist entry.
#include <string>

#include "playback/playlist/PlaylistEntry.h"

// "Artist - Title" when both are present; Title alone without an artist; otherwise (no title) the
// file-name part of Filename (after its last '/' or '\') without its extension, or Filename as it
// is when that part is empty ("http://host:8000/"). A value of blanks only counts as empty.
// Pure function: any thread, never throws beyond std::bad_alloc.
std::string FormatTrackTitle(const TPlaylistEntry& entry);

// The file-name part of name without folder and extension: "/music/a.b.mp3" -> "a.b",
// "C:\x\y.wav" -> "y", ".hidden" -> ".hidden". Empty when name ends in a separator.
std::string FileTitle(const std::string& name);
