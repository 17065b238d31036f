// Costs of the media-library pieces a playlist uses when it inserts a folder or a list file:
//   medialib_bench make FOLDER N       N small tagged audio files (MP3, FLAC, Ogg, WAV in turn,
//                                      copies of four made by ffmpeg), a list "list.m3u8" of them
//                                      with extended info lines and its ".state" file
//   medialib_bench folder FOLDER       list the folder's audio files, then read every file's tags
//   medialib_bench list FOLDER         read FOLDER/list.m3u8 and its state file
// Each step prints its wall time, its rate and the process's peak resident memory above what it
// had before the step (ru_maxrss less the resident size at the start), so run one step per process.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "playback/medialib/FolderReader.h"
#include "playback/medialib/ListFileReader.h"
#include "playback/medialib/PlaylistState.h"
#include "playback/medialib/TagReader.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

long ResidentKb() {
  long pages = 0, resident = 0;
  if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

long PeakKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void Report(const char* step, size_t count, double seconds, long startKb) {
  std::printf("%-28s %7zu items  %8.3f s  %10.0f items/s  peak +%ld KB\n", step, count, seconds,
              seconds > 0 ? static_cast<double>(count) / seconds : 0.0, PeakKb() - startKb);
}

int Make(const fs::path& folder, int count) {
  fs::create_directories(folder / "tracks");
  const char* formats[][2] = {{"mp3", "-c:a libmp3lame -b:a 64k"},
                              {"flac", "-c:a flac"},
                              {"ogg", "-c:a libvorbis"},
                              {"wav", "-c:a pcm_s16le"}};
  for (const auto& format : formats) {
    const std::string command = "ffmpeg -nostdin -v error -y -f lavfi -i sine=frequency=440:duration=0.5 "
                                "-ac 1 -ar 22050 -metadata title='Bench Title' -metadata artist='Bench Artist' "
                                "-metadata album=Album -metadata date=2024 -metadata track=3 " +
                                std::string(format[1]) + " '" + (folder / "template.").string() + format[0] + "'";
    if (std::system(command.c_str()) != 0) return 1;
  }
  std::ofstream list(folder / "list.m3u8", std::ios::binary);
  list << "#EXTM3U\r\n";
  std::vector<TPlaylistStateItem> states;
  for (int i = 0; i < count; ++i) {
    const char* extension = formats[i % 4][0];
    char name[64];
    std::snprintf(name, sizeof name, "track %05d.%s", i, extension);
    fs::copy_file(folder / (std::string("template.") + extension), folder / "tracks" / name,
                  fs::copy_options::overwrite_existing);
    list << "#EXTINF:" << (i % 400) + 60 << ",Artist " << i << " - Title " << i << "\r\ntracks\\" << name << "\r\n";
    TPlaylistStateItem state;
    state.CueIn = i;
    state.Level = -0.5 * (i % 12);
    state.Played = i % 3 == 0;
    states.push_back(state);
  }
  list.close();
  WritePlaylistStateFile((folder / "list.m3u8.state").string(), states);
  std::printf("made %d files in %s\n", count, (folder / "tracks").c_str());
  return 0;
}

int Folder(const fs::path& folder) {
  const long startKb = ResidentKb();
  Clock::time_point start = Clock::now();
  const std::vector<std::string> files = ListAudioFilesInFolder((folder / "tracks").string());
  Report("list folder", files.size(), SecondsSince(start), startKb);

  start = Clock::now();
  std::vector<TPlaylistEntry> entries(files.size());
  size_t failed = 0;
  for (size_t i = 0; i < files.size(); ++i) {
    if (!ReadTrackTags(files[i], entries[i]).Succeeded) ++failed;
  }
  Report("read tags", files.size(), SecondsSince(start), startKb);
  if (failed > 0) std::printf("  %zu files could not be read\n", failed);
  return failed == 0 && !files.empty() ? 0 : 1;
}

int List(const fs::path& folder) {
  const long startKb = ResidentKb();
  Clock::time_point start = Clock::now();
  std::vector<TPlaylistEntry> entries;
  const int32_t count = ReadListFile((folder / "list.m3u8").string(), entries);
  Report("read list.m3u8", entries.size(), SecondsSince(start), startKb);

  start = Clock::now();
  std::vector<TPlaylistStateItem> states;
  const bool stateRead = ReadPlaylistStateFile((folder / "list.m3u8.state").string(), states);
  Report("read list.m3u8.state", states.size(), SecondsSince(start), startKb);
  return count > 0 && stateRead && states.size() == entries.size() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string step = argc > 2 ? argv[1] : "";
  if (step == "make" && argc == 4) return Make(argv[2], std::atoi(argv[3]));
  if (step == "folder" && argc == 3) return Folder(argv[2]);
  if (step == "list" && argc == 3) return List(argv[2]);
  std::fprintf(stderr, "usage: medialib_bench make FOLDER N | folder FOLDER | list FOLDER\n");
  return 2;
}
