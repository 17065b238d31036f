#pragma once
// The tag data of one track, shared by playlists, the tag reader and the track library. Times and
// marks are milliseconds, -1 meaning not set; Level is in dB.
#include <array>
#include <cstdint>
#include <string>

struct TPlaylistEntry {
    std::string Title, Artist, Album, Year, Comment, Genre, TrackNumber, Publisher, AlbumArtist, Lyrics,
        Composer, Copyright, Filename;
    int32_t Duration = 0;  // ms
    int32_t Bitrate = 0;   // kbit/s
    std::string BPM, BPM_Tag;
    int32_t Rating = 0;
    int32_t Gender = 0;
    std::string DateAdded, DateLastPlayed;
    std::string LastPlayedHistory;  // lines of dates, newest first
    int32_t PlayCount = 0;
    int32_t Intro = -1, Outro = -1, CueIn = -1, CueOut = -1, FadeIn = -1, FadeOut = -1, MixPoint = -1,
            HookIn = -1, HookOut = -1, VoiceIns = -1;
    std::string VoiceInsParams;
    int32_t MixStart = -1;
    double Level = 0.0;  // dB
    bool DisableSong = false;
    std::string Language, StartDate, EndDate, Identifier, ReplayGain_T, ReplayGain_A;
    std::array<std::string, 5> QVField;  // custom fields
    std::string TagsList;
    bool SkipReport = false;
    int64_t TrackId = -1;
    int64_t FileSize = 0;  // bytes
    // The listener count; the track library keeps its "is next" flag in the same place.
    int32_t Listeners = 0;
};
