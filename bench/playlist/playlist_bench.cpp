// Playlists on large inputs: InsertTracks of a folder of N audio files and of an M3U8 list of the
// same files (time, peak memory), then the background tag loading of the list's items (files per
// second, until the loader reports the end).
// Usage: playlist_bench FOLDER   (FOLDER holds the audio files; the list is written beside them)
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "playback/medialib/FolderReader.h"
#include "playback/playlist/Playlist.h"
#include "platform/MainLoop.h"
#include "platform/MainThread.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

long PeakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::string WriteList(const std::string& folder)
{
    const std::string listName = folder + "/all.m3u8";
    std::ofstream list(listName, std::ios::binary);
    list << "#EXTM3U\n";
    for (const std::string& file : ListAudioFilesInFolder(folder))
        list << "#EXTINF:2,Generator - Tone\n" << file.substr(folder.size() + 1) << "\n";
    return listName;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: playlist_bench FOLDER\n");
        return 2;
    }
    InitMainThread();
    const std::string folder = argv[1];
    const std::string listName = WriteList(folder);
    std::printf("peak RSS before: %ld KB\n", PeakRssKb());
    {
        TPlaylist playlist;
        TPlaylistAddParams params;
        params.IsFolder = true;
        const auto start = Clock::now();
        const int32_t added = playlist.InsertTracks(folder, params);
        std::printf("InsertTracks(folder): %d items in %.3f s; peak RSS %ld KB\n", added, SecondsSince(start),
                    PeakRssKb());
    }
    TPlaylist playlist;
    auto start = Clock::now();
    const int32_t added = playlist.InsertTracks(listName, {});
    std::printf("InsertTracks(M3U8 list): %d items in %.3f s; peak RSS %ld KB\n", added, SecondsSince(start),
                PeakRssKb());
    bool loaded = false;
    playlist.OnTracksInfoLoaded = [&](TPlaylist&) { loaded = true; };
    start = Clock::now();
    ProcessMessagesUntil([&] { return loaded; }, 600000);
    const double seconds = SecondsSince(start) - 0.1;  // the loader starts 100 ms after the change
    int32_t withTitle = 0;
    for (int32_t i = 0; i < playlist.Count(); ++i)
        withTitle += playlist.Items(i).TrackTitle == "Generator - Tone";
    std::printf("tag loading: %d of %d items tagged in %.3f s (%.0f files/s); peak RSS %ld KB\n", withTitle,
                playlist.Count(), seconds, playlist.Count() / seconds, PeakRssKb());
    return loaded && withTitle == added ? 0 : 1;
}
