#pragma once
// Where the play count and the last-played date live in an audio file's tags. One property name
// each, stored as text in the file's own kind of tag:
//  - ID3v2 (MP3; WAV and AIFF through their ID3v2 chunk): user text frames TXXX "PLAYCOUNT" and
//    "LASTPLAYED";
//  - Xiph comments (FLAC, Ogg Vorbis, Opus, Speex, Ogg FLAC): fields PLAYCOUNT and LASTPLAYED;
//  - APE tags (Monkey's Audio, WavPack, Musepack): items PLAYCOUNT and LASTPLAYED;
//  - MP4 (M4A, M4B): freeform atoms "----:com.apple.iTunes:PLAYCOUNT" and ":LASTPLAYED";
//  - ASF (WMA): attributes PLAYCOUNT and LASTPLAYED, where the tag accepts them.
// The count is decimal digits, the date the caller's text (ISO 8601 "2026-12-10 15:48:23" is the
// recommended form).
inline constexpr const char* kPlayCountKey = "PLAYCOUNT";
inline constexpr const char* kLastPlayedKey = "LASTPLAYED";
inline constexpr const char* kMp4FreeformPrefix = "----:com.apple.iTunes:";
