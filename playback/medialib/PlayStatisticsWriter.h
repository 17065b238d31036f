#pragma once
// Writing a track's play count and last-played date back into its tags (where: PlayStatisticsKeys.h).
#include <cstdint>
#include <string>

#include "playback/medialib/TagResult.h"

// The largest file whose statistics are written (it is rewritten through memory, see below).
inline constexpr uint64_t kMaxPlayStatisticsFileBytes = 1024ull * 1024 * 1024;

// Stores playCount (>= 0) and lastPlayed (text, ISO 8601 recommended) in fileName's tags,
// replacing earlier values and leaving every other tag and the audio as they were. An MP3 keeps
// its ID3v2 version (2.2 becomes 2.4) and gets no ID3v1 tag it did not have.
//
// The file is never changed in place: its bytes are read into memory, TagLib edits them there,
// and the result replaces the file through a temporary file in the same folder that is flushed
// to disk and renamed over it (platform/ReplacementFile.h). A full disk, a failed write, a crash
// or a file TagLib cannot save therefore leaves the old file complete. The replacement is a new
// file: it keeps the permission bits but not hard links or extended attributes, and changes that
// another program makes between the read and the rename are lost.
//
// Fails, with the file unchanged, for what ReadTrackTags refuses, for a file larger than
// kMaxPlayStatisticsFileBytes, for a format whose tag cannot hold the values ("the tag cannot
// hold play statistics"), and when TagLib cannot save ("TagLib could not save the tag") or the
// replacement cannot be written ("cannot write the file: <reason>").
// Any thread, never blocks on a FIFO or device; one writer per file at a time (the caller's
// business).
TTagResult WritePlayStatistics(const std::string& fileName, int32_t playCount, const std::string& lastPlayed);
