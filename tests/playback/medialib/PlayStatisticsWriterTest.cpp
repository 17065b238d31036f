#include "playback/medialib/PlayStatisticsWriter.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "AudioFixtures.h"
#include "playback/medialib/TagReader.h"

using audiofixtures::ReadBytes;
using audiofixtures::TempDir;
using audiofixtures::WriteBytes;

namespace {

constexpr int Rate = 44100;

struct Format {
  const char* extension;
  const char* codecArgs;
  bool ffprobeShowsTheCount;  // ffmpeg reads no ID3v2 chunk of a WAV
};

const Format kFormats[] = {
    {"mp3", "-c:a libmp3lame -b:a 128k -id3v2_version 3", true},
    {"flac", "-c:a flac", true},
    {"ogg", "-c:a libvorbis", true},
    {"opus", "-c:a libopus -b:a 64k", true},
    {"m4a", "-c:a aac -b:a 128k", true},
    {"wav", "-c:a pcm_s16le", false},
};

std::filesystem::path MakeFile(const TempDir& dir, const Format& format) {
  const std::filesystem::path wav = dir / "source.wav";
  if (!std::filesystem::exists(wav)) {
    audiofixtures::WriteWav(wav, audiofixtures::Sines({440, 660}, 0.5, Rate, 2 * Rate), Rate, 2, 16);
  }
  const std::filesystem::path out = dir / (std::string("track.") + format.extension);
  audiofixtures::Encode(wav, out, std::string(format.codecArgs) + " -metadata title=Song -metadata artist=Band");
  return out;
}

// The play count as ffprobe, a reader of its own, finds it among the file's or stream's tags.
std::string CountSeenByFfprobe(const std::filesystem::path& file) {
  const std::string command = "ffprobe -v error -show_entries format_tags=PLAYCOUNT:stream_tags=PLAYCOUNT "
                              "-of default=nw=1:nk=1 '" + file.string() + "'";
  std::string output;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    ::pclose(pipe);
  }
  return output;
}

// ffmpeg decodes the whole file without an error.
bool DecodesCleanly(const std::filesystem::path& file) {
  const std::string command = "ffmpeg -nostdin -v error -xerror -i '" + file.string() + "' -f null - 2>/dev/null";
  return std::system(command.c_str()) == 0;
}

TEST(PlayStatisticsWriter, StoresCountAndDateThatTheReaderReadsBackWithTagsAndAudioIntact) {
  for (const Format& format : kFormats) {
    SCOPED_TRACE(format.extension);
    TempDir dir;
    const std::filesystem::path file = MakeFile(dir, format);
    ::chmod(file.c_str(), 0640);
    TPlaylistEntry before;
    ASSERT_TRUE(ReadTrackTags(file.string(), before).Succeeded);

    TTagResult result = WritePlayStatistics(file.string(), 5, "2026-12-10 15:48:23");
    ASSERT_TRUE(result.Succeeded) << result.Reason;
    result = WritePlayStatistics(file.string(), 6, "2026-12-11 08:00:00");  // replaces, not adds
    ASSERT_TRUE(result.Succeeded) << result.Reason;

    TPlaylistEntry after;
    ASSERT_TRUE(ReadTrackTags(file.string(), after).Succeeded);
    EXPECT_EQ(after.PlayCount, 6);
    EXPECT_EQ(after.DateLastPlayed, "2026-12-11 08:00:00");
    EXPECT_EQ(after.Title, "Song");
    EXPECT_EQ(after.Artist, "Band");
    EXPECT_EQ(after.Duration, before.Duration);
    EXPECT_TRUE(DecodesCleanly(file));
    if (format.ffprobeShowsTheCount) {
      EXPECT_EQ(CountSeenByFfprobe(file), "6\n");
    }
    struct stat status {};
    ASSERT_EQ(::stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u) << "permission bits kept";
    const std::vector<std::filesystem::path> left(std::filesystem::directory_iterator(dir.path()), {});
    EXPECT_EQ(left.size(), 2u) << "no temporary file left beside the track";
  }
}

TEST(PlayStatisticsWriter, AnMp3KeepsItsId3v2VersionAndGetsNoId3v1Tag) {
  struct Case {
    const char* ffmpegVersion;  // 0: no ID3v2 tag at all
    char expectedVersion;
  };
  for (const Case& c : {Case{"3", '\x03'}, Case{"4", '\x04'}, Case{"0", '\x04'}}) {
    SCOPED_TRACE(c.ffmpegVersion);
    TempDir dir;
    audiofixtures::WriteWav(dir / "source.wav", audiofixtures::Sine(440, 0.5, Rate, Rate), Rate, 1, 16);
    const std::filesystem::path file = dir / "track.mp3";
    audiofixtures::Encode(dir / "source.wav", file,
                          std::string("-c:a libmp3lame -id3v2_version ") + c.ffmpegVersion);
    ASSERT_EQ(ReadBytes(file).starts_with("ID3"), c.ffmpegVersion[0] != '0');
    ASSERT_TRUE(WritePlayStatistics(file.string(), 1, "2026-01-01").Succeeded);
    const std::string bytes = ReadBytes(file);
    ASSERT_GT(bytes.size(), 200u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("ID3") + c.expectedVersion);
    EXPECT_NE(bytes.substr(bytes.size() - 128, 3), "TAG");
    EXPECT_NE(bytes.find("TXXX"), std::string::npos);
    TPlaylistEntry entry;
    ASSERT_TRUE(ReadTrackTags(file.string(), entry).Succeeded);
    EXPECT_EQ(entry.PlayCount, 1);
  }
}

TEST(PlayStatisticsWriter, RefusesWhatItCannotRewriteAndLeavesTheFileAsItWas) {
  TempDir dir;
  WriteBytes(dir / "text.mp3", std::string(5000, 'x'));
  ASSERT_EQ(::mkfifo((dir / "fifo.ogg").c_str(), 0600), 0);
  struct Case {
    const char* name;
    int32_t count;
    const char* reason;
  };
  const Case cases[] = {
      {"text.mp3", 1, "not an audio file with a format TagLib reads"},
      {"missing.flac", 1, "no such file"},
      {"fifo.ogg", 1, "not a regular file (a FIFO)"},
      {"text.mp3", -1, "negative play count"},
  };
  for (const Case& c : cases) {
    const TTagResult result = WritePlayStatistics((dir / c.name).string(), c.count, "2026-01-01");
    EXPECT_FALSE(result.Succeeded) << c.name;
    EXPECT_EQ(result.Reason, c.reason) << c.name;
  }
  EXPECT_EQ(ReadBytes(dir / "text.mp3"), std::string(5000, 'x'));
}

TEST(PlayStatisticsWriter, AReplacementThatCannotBeWrittenLeavesTheOldFile) {
  TempDir dir;
  const std::filesystem::path file = MakeFile(dir, kFormats[1]);
  const std::string original = ReadBytes(file);
  // A file-size limit below the track's size makes writing the replacement fail (EFBIG), as a
  // full disk would, also for root.
  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = original.size() / 2;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const TTagResult result = WritePlayStatistics(file.string(), 3, "2026-01-01");
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_FALSE(result.Succeeded);
  EXPECT_EQ(result.Reason, "cannot write the file: File too large");
  EXPECT_EQ(ReadBytes(file), original);
  const std::vector<std::filesystem::path> left(std::filesystem::directory_iterator(dir.path()), {});
  EXPECT_EQ(left.size(), 2u) << "no temporary file left beside the track";
}

}  // namespace
