#pragma once
// Tags and audio properties of one audio file, read with TagLib into a playlist entry.
#include <string>

#include "playback/medialib/TagResult.h"
#include "playback/playlist/PlaylistEntry.h"

// Fills entry from fileName: Filename (as given), FileSize (bytes), Title, Artist, Album, Year
// (the leading digits of the date), Genre, Comment, TrackNumber (its leading digits: "7" of
// "7/12"; Year and TrackNumber empty when the tag has none), Duration (ms)
// and Bitrate (kbit/s) from the audio properties (0 when unknown), AlbumArtist, Composer,
// Copyright, Publisher, BPM, Lyrics, Language, ReplayGain_T, ReplayGain_A where the tag holds
// them, and PlayCount and DateLastPlayed as WritePlayStatistics stores them (0 and empty without).
// Several values of one field are joined with " / ". Other fields of entry are left alone.
//
// Formats: those TagLib reads (MP3, FLAC, Ogg Vorbis, Opus, Speex, M4A/MP4, WAV, AIFF, WMA, APE,
// WavPack, Musepack, TrueAudio, tracker modules), chosen by the extension, else by the content.
//
// Fails, with entry untouched, for a file that is missing, not readable, not a regular file (a
// FIFO or device is refused before it is opened, so this never blocks), or not audio TagLib can
// read. Reads only the tags and headers (a few KB), not the audio. Any thread; files read on
// different threads at once do not affect each other.
TTagResult ReadTrackTags(const std::string& fileName, TPlaylistEntry& entry);
