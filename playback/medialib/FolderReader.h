#pragma once
// The audio files of one folder, as the playlist inserts a whole folder.
#include <string>
#include <string_view>
#include <vector>

// The audio files directly in folder (not in its subfolders), as full paths (folder, one '/',
// name), sorted by the bytes of their UTF-8 names (so "B.mp3" before "a.mp3", as the file system
// spells them). A file counts when it is a regular file (a symbolic link to one counts) and its
// extension is one of IsAudioFileExtension's. A missing or unreadable folder, or one that is no
// folder, gives an empty list; an entry that cannot be examined is passed over, and an error
// while the folder is being listed ends the list there. Never opens a
// file. Any thread; the caller owns the result.
std::vector<std::string> ListAudioFilesInFolder(const std::string& folder);

// Whether extension (without the dot, any letter case) is one of the audio extensions listed by
// folders: aac ac3 aif aifc aiff ape au caf flac m4a m4b mka mp1 mp2 mp3 mpc oga ogg opus spx tta
// w64 wav wma wv. Video containers and list files are not among them.
bool IsAudioFileExtension(std::string_view extension);
