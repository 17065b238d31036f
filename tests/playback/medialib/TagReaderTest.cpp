#include "playback/medialib/TagReader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "AudioFixtures.h"

using audiofixtures::TempDir;
using audiofixtures::WriteBytes;

namespace {

constexpr int Rate = 44100;

struct Format {
  const char* extension;
  const char* codecArgs;
  bool hasTrackNumber;  // ffmpeg writes no track number into a WAV's INFO chunk TagLib reads
};

const Format kFormats[] = {
    {"mp3", "-c:a libmp3lame -b:a 128k -id3v2_version 3", true},
    {"flac", "-c:a flac", true},
    {"ogg", "-c:a libvorbis", true},
    {"opus", "-c:a libopus -b:a 64k", true},
    {"m4a", "-c:a aac -b:a 128k", true},
    {"wav", "-c:a pcm_s16le", false},
};

// Two seconds of a stereo sine encoded by ffmpeg with the tags given to it.
std::filesystem::path MakeTaggedFile(const TempDir& dir, const Format& format) {
  const std::filesystem::path wav = dir / "source.wav";
  if (!std::filesystem::exists(wav)) {
    audiofixtures::WriteWav(wav, audiofixtures::Sines({440, 660}, 0.5, Rate, 2 * Rate), Rate, 2, 16);
  }
  const std::filesystem::path out = dir / (std::string("tagged.") + format.extension);
  audiofixtures::Encode(wav, out,
                        std::string(format.codecArgs) +
                            " -metadata title='T\xC3\xAFtle' -metadata artist='The Artist' -metadata album='An Album'"
                            " -metadata date=2021 -metadata genre=Jazz -metadata comment='A comment'"
                            " -metadata track=7");
  return out;
}

TEST(TagReader, ReadsTagsDurationAndBitrateOfEveryCommonFormat) {
  TempDir dir;
  for (const Format& format : kFormats) {
    SCOPED_TRACE(format.extension);
    const std::filesystem::path file = MakeTaggedFile(dir, format);
    TPlaylistEntry entry;
    entry.CueIn = 1234;  // not a tag: stays
    const TTagResult result = ReadTrackTags(file.string(), entry);
    ASSERT_TRUE(result.Succeeded) << result.Reason;
    EXPECT_EQ(result.Reason, "");
    EXPECT_EQ(entry.Filename, file.string());
    EXPECT_EQ(entry.FileSize, static_cast<int64_t>(std::filesystem::file_size(file)));
    EXPECT_EQ(entry.Title, "T\xC3\xAFtle");
    EXPECT_EQ(entry.Artist, "The Artist");
    EXPECT_EQ(entry.Album, "An Album");
    EXPECT_EQ(entry.Year, "2021");
    EXPECT_EQ(entry.Genre, "Jazz");
    EXPECT_EQ(entry.Comment, "A comment");
    if (format.hasTrackNumber) {
      EXPECT_EQ(entry.TrackNumber, "7");
    }
    EXPECT_NEAR(entry.Duration, 2000, 60);
    EXPECT_GT(entry.Bitrate, 0);
    EXPECT_EQ(entry.CueIn, 1234);
    EXPECT_EQ(entry.PlayCount, 0);
    EXPECT_EQ(entry.DateLastPlayed, "");
  }
}

TEST(TagReader, ReadsTheFurtherTagsAndPlayStatisticsOtherProgramsWrote) {
  TempDir dir;
  audiofixtures::WriteWav(dir / "source.wav", audiofixtures::Sine(440, 0.5, Rate, Rate / 2), Rate, 1, 16);
  const Format formats[] = {kFormats[0], kFormats[1], kFormats[2]};  // ID3v2 and Xiph comments
  for (const Format& format : formats) {
    SCOPED_TRACE(format.extension);
    const std::filesystem::path file = dir / (std::string("more.") + format.extension);
    audiofixtures::Encode(dir / "source.wav", file,
                          std::string(format.codecArgs) +
                              " -metadata album_artist='Album Artist' -metadata composer=Composer"
                              " -metadata copyright='(c) 2021' -metadata publisher=Label -metadata language=eng"
                              " -metadata REPLAYGAIN_TRACK_GAIN='-3.10 dB' -metadata REPLAYGAIN_ALBUM_GAIN='-2.50 dB'"
                              " -metadata PLAYCOUNT=4 -metadata LASTPLAYED='2026-12-01 20:15:00'");
    TPlaylistEntry entry;
    ASSERT_TRUE(ReadTrackTags(file.string(), entry).Succeeded);
    EXPECT_EQ(entry.AlbumArtist, "Album Artist");
    EXPECT_EQ(entry.Composer, "Composer");
    EXPECT_EQ(entry.Copyright, "(c) 2021");
    EXPECT_EQ(entry.Publisher, "Label");
    EXPECT_EQ(entry.Language, "eng");
    EXPECT_EQ(entry.ReplayGain_T, "-3.10 dB");
    EXPECT_EQ(entry.ReplayGain_A, "-2.50 dB");
    EXPECT_EQ(entry.PlayCount, 4);
    EXPECT_EQ(entry.DateLastPlayed, "2026-12-01 20:15:00");
  }
}

TEST(TagReader, AFileWithoutTagsGivesEmptyFieldsAndTheAudioProperties) {
  TempDir dir;
  const std::filesystem::path wav = dir / "plain.wav";
  audiofixtures::WriteWav(wav, audiofixtures::Sine(1000, 0.5, 8000, 8000 * 3), 8000, 1, 16);
  TPlaylistEntry entry;
  entry.Title = "old";
  ASSERT_TRUE(ReadTrackTags(wav.string(), entry).Succeeded);
  EXPECT_EQ(entry.Title, "");
  EXPECT_EQ(entry.Year, "");
  EXPECT_EQ(entry.TrackNumber, "");
  EXPECT_EQ(entry.Duration, 3000);
  EXPECT_EQ(entry.Bitrate, 128);  // 8000 Hz x 16 bits
}

TEST(TagReader, RefusesWhatIsNoReadableAudioFileAndLeavesTheEntry) {
  TempDir dir;
  WriteBytes(dir / "text.mp3", std::string(5000, 'x'));
  WriteBytes(dir / "text.txt", "just some words\n");
  WriteBytes(dir / "empty.flac", "");
  WriteBytes(dir / "truncated.ogg", "OggS\x00\x02");
  std::filesystem::create_directory(dir / "folder.mp3");
  ASSERT_EQ(::mkfifo((dir / "fifo.mp3").c_str(), 0600), 0);
  struct Case {
    const char* name;
    const char* reason;
  };
  const Case cases[] = {
      {"missing.mp3", "no such file"},
      {"folder.mp3", "is a folder"},
      {"fifo.mp3", "not a regular file (a FIFO)"},
      {"text.mp3", "not an audio file with a format TagLib reads"},
      {"text.txt", "not an audio file with a format TagLib reads"},
      {"empty.flac", "not an audio file with a format TagLib reads"},
      {"truncated.ogg", "not an audio file with a format TagLib reads"},
  };
  for (const Case& c : cases) {
    TPlaylistEntry entry;
    entry.Title = "kept";
    const TTagResult result = ReadTrackTags((dir / c.name).string(), entry);
    EXPECT_FALSE(result.Succeeded) << c.name;
    EXPECT_EQ(result.Reason, c.reason) << c.name;
    EXPECT_EQ(entry.Title, "kept") << c.name;
    EXPECT_EQ(entry.Filename, "") << c.name;
  }
}

}  // namespace
