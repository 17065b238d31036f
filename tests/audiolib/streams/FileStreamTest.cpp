#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>

#include "AudioFixtures.h"
#include "audiolib/audiolib.h"
#include "streams/FlacFrameRate.h"

using namespace audiofixtures;

namespace {

constexpr int kRate = 44100;
constexpr DWORD kFloatDecode = BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT;
constexpr DWORD kFailed = static_cast<DWORD>(-1);

// Two seconds of stereo: 1 kHz at 0.5 on the left, 440 Hz at 0.25 on the right.
std::vector<float> TestSignal() {
  std::vector<float> samples = Sines({1000, 440}, 0.5, kRate, 2 * kRate);
  for (size_t i = 1; i < samples.size(); i += 2) samples[i] *= 0.5f;
  return samples;
}

HSTREAM OpenFloat(const std::filesystem::path& path, DWORD extraFlags = 0) {
  return BASS_StreamCreateFile(0, path.c_str(), 0, 0, kFloatDecode | extraFlags);
}

struct FormatCase {
  const char* name;
  const char* codecArgs;  // empty: written directly as WAV
  int wavBits;
  DWORD ctype;
  DWORD rate;
  bool lossless;
};

class FileFormats : public testing::TestWithParam<FormatCase> {
 protected:
  std::filesystem::path MakeFile() {
    const FormatCase& c = GetParam();
    const auto wav = dir_ / (std::string("source-") + c.name + ".wav");
    WriteWav(wav, TestSignal(), kRate, 2, c.wavBits);
    if (std::string(c.codecArgs).empty()) return wav;
    const auto out = dir_ / (std::string("encoded.") + c.name);
    Encode(wav, out, c.codecArgs);
    return out;
  }
  TempDir dir_;
};

TEST_P(FileFormats, DecodesRateChannelsTypeLengthAndLevels) {
  const FormatCase& c = GetParam();
  const auto path = MakeFile();
  const HSTREAM stream = OpenFloat(path, BASS_UNICODE);
  ASSERT_NE(stream, 0u) << "error " << BASS_ErrorGetCode();
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_OK);

  BASS_CHANNELINFO info{};
  ASSERT_TRUE(BASS_ChannelGetInfo(stream, &info));
  EXPECT_EQ(info.freq, c.rate);
  EXPECT_EQ(info.chans, 2u);
  EXPECT_EQ(info.ctype, c.ctype);
  EXPECT_TRUE(info.flags & BASS_SAMPLE_FLOAT);
  EXPECT_STREQ(info.filename, path.c_str());

  const double lengthSeconds =
      BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetLength(stream, BASS_POS_BYTE));
  EXPECT_NEAR(lengthSeconds, 2.0, c.lossless ? 1e-9 : 0.08);

  const std::vector<float> samples = ReadFloats(stream, 2, 10 * c.rate);
  EXPECT_EQ(BASS_ChannelGetData(stream, nullptr, 0), kFailed);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ENDED);
  EXPECT_NEAR(samples.size() / 2.0 / c.rate, 2.0, c.lossless ? 1e-9 : 0.08);
  EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), samples.size() * sizeof(float));

  // The middle second: away from encoder start-up and end padding.
  const std::vector<float> middle(samples.begin() + c.rate, samples.begin() + 3 * c.rate);
  const double tolerance = c.lossless ? 0.001 : 0.03;
  EXPECT_NEAR(ToneAmplitude(middle, 2, 0, 1000, c.rate), 0.5, 0.5 * tolerance);
  EXPECT_NEAR(ToneAmplitude(middle, 2, 1, 440, c.rate), 0.25, 0.25 * tolerance);
  EXPECT_LT(ToneAmplitude(middle, 2, 0, 440, c.rate), 0.005) << "channels kept apart";
  EXPECT_TRUE(BASS_StreamFree(stream));
}

INSTANTIATE_TEST_SUITE_P(
    AudioLibrary, FileFormats,
    testing::Values(
        FormatCase{"wav16", "", 16, BASS_CTYPE_STREAM_WAV_PCM, 44100, true},
        FormatCase{"wavfloat", "", 32, BASS_CTYPE_STREAM_WAV_FLOAT, 44100, true},
        FormatCase{"flac", "-c:a flac", 16, BASS_CTYPE_STREAM_FLAC, 44100, true},
        FormatCase{"aiff", "-c:a pcm_s16be -f aiff", 16, BASS_CTYPE_STREAM_AIFF, 44100, true},
        FormatCase{"mp3", "-c:a libmp3lame -b:a 192k", 16, BASS_CTYPE_STREAM_MP3, 44100, false},
        FormatCase{"mp2", "-c:a mp2 -b:a 256k", 16, BASS_CTYPE_STREAM_MP2, 44100, false},
        FormatCase{"ogg", "-c:a libvorbis -q:a 6", 16, BASS_CTYPE_STREAM_VORBIS, 44100, false},
        FormatCase{"opus", "-c:a libopus -b:a 160k", 16, BASS_CTYPE_STREAM_OPUS, 48000, false},
        FormatCase{"m4a", "-c:a aac -b:a 192k", 16, BASS_CTYPE_STREAM_MP4, 44100, false},
        FormatCase{"aac", "-c:a aac -b:a 192k -f adts", 16, BASS_CTYPE_STREAM_AAC, 44100, false},
        FormatCase{"wma", "-c:a wmav2 -b:a 192k", 16, BASS_CTYPE_STREAM_WMA, 44100, false}),
    [](const testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

class FileStream : public testing::Test {
 protected:
  std::filesystem::path Wav(const std::string& name, const std::vector<float>& samples, int chans,
                            int bits = 16) {
    const auto path = dir_ / name;
    WriteWav(path, samples, kRate, chans, bits);
    return path;
  }
  TempDir dir_;
};

TEST_F(FileStream, FailsWithTheErrorCodeOfWhatIsWrongWithTheFile) {
  const auto wav = Wav("good.wav", TestSignal(), 2);
  const std::string good = ReadBytes(wav);
  WriteBytes(dir_ / "empty.wav", "");
  WriteBytes(dir_ / "header-cut.wav", good.substr(0, 20));
  std::string text;
  for (int i = 0; i < 200; ++i) text += "This line is plain text and no audio at all.\n";
  WriteBytes(dir_ / "notes.dat", text);
  std::string unknownCodec = good;
  unknownCodec[20] = 0x77;  // the WAVE format tag: a coding nothing decodes
  unknownCodec[21] = 0x77;
  WriteBytes(dir_ / "unknown-codec.wav", unknownCodec);
  ASSERT_EQ(std::system(("ffmpeg -nostdin -v error -f lavfi -i color=red:s=16x16 -frames:v 1 '" +
                         (dir_ / "picture.png").string() + "'")
                            .c_str()),
            0);
  ASSERT_EQ(mkfifo((dir_ / "fifo.wav").c_str(), 0600), 0);  // opening it must not wait for a writer

  const struct {
    std::filesystem::path path;
    int error;
  } cases[] = {
      {dir_ / "missing.wav", BASS_ERROR_FILEOPEN},
      {dir_ / ".", BASS_ERROR_FILEOPEN},
      {dir_ / "fifo.wav", BASS_ERROR_FILEOPEN},
      {dir_ / "empty.wav", BASS_ERROR_FILEFORM},
      {dir_ / "header-cut.wav", BASS_ERROR_FILEFORM},
      {dir_ / "notes.dat", BASS_ERROR_FILEFORM},
      {dir_ / "picture.png", BASS_ERROR_NOTAUDIO},
      {dir_ / "unknown-codec.wav", BASS_ERROR_CODEC},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(OpenFloat(c.path), 0u) << c.path;
    EXPECT_EQ(BASS_ErrorGetCode(), c.error) << c.path;
  }
  EXPECT_EQ(BASS_StreamCreateFile(0, nullptr, 0, 0, kFloatDecode), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
  EXPECT_EQ(BASS_StreamCreateFile(0, wav.c_str(), 10, 0, kFloatDecode), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
}

TEST_F(FileStream, DecodesWhatIsThereOfAFileCutShortInItsData) {
  const std::string whole = ReadBytes(Wav("whole.wav", TestSignal(), 2));
  WriteBytes(dir_ / "cut.wav", whole.substr(0, 44 + kRate * 4));  // one of two seconds
  const HSTREAM stream = OpenFloat(dir_ / "cut.wav");
  ASSERT_NE(stream, 0u);
  const std::vector<float> samples = ReadFloats(stream, 2, 10 * kRate);
  EXPECT_EQ(samples.size(), static_cast<size_t>(2 * kRate));
  EXPECT_EQ(BASS_ChannelGetData(stream, nullptr, 0), kFailed);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ENDED);
}

TEST_F(FileStream, DecodesAroundDamageInTheMiddleOfACompressedFile) {
  const std::vector<float> signal = Sine(1000, 0.5, kRate, 10 * kRate);
  const auto wav = Wav("long.wav", signal, 1);
  Encode(wav, dir_ / "long.mp3", "-c:a libmp3lame -b:a 128k");
  std::string bytes = ReadBytes(dir_ / "long.mp3");
  for (size_t i = bytes.size() * 4 / 10; i < bytes.size() * 5 / 10; ++i) {
    bytes[i] = static_cast<char>((i * 7919) & 0xff);
  }
  WriteBytes(dir_ / "damaged.mp3", bytes);

  const HSTREAM intact = OpenFloat(dir_ / "long.mp3");
  const HSTREAM damaged = OpenFloat(dir_ / "damaged.mp3");
  ASSERT_NE(damaged, 0u) << BASS_ErrorGetCode();
  const std::vector<float> whole = ReadFloats(intact, 1, 20 * kRate);
  const std::vector<float> samples = ReadFloats(damaged, 1, 20 * kRate);
  EXPECT_GT(samples.size(), static_cast<size_t>(8 * kRate)) << "the parts around the damage";
  EXPECT_EQ(BASS_ChannelGetData(damaged, nullptr, 0), kFailed);
  // The tail after the damage decodes as the intact file's tail does.
  auto tailLevel = [](const std::vector<float>& s) {
    return ToneAmplitude(std::vector<float>(s.end() - kRate, s.end() - kRate / 4), 1, 0, 1000, kRate);
  };
  EXPECT_NEAR(tailLevel(samples), tailLevel(whole), 0.001);
  EXPECT_GT(tailLevel(samples), 0.4);
}

TEST_F(FileStream, SkipsFramesStatingARateFarBelowTheStreamsAndConvertsModestChanges) {
  // A level of 0.25 at 384 kHz in FLAC frames of 8192 samples (the last one shorter), whose
  // frames after the first then state another rate.
  constexpr int kHighRate = 384000;
  constexpr size_t kFrames = kHighRate / 10;
  constexpr size_t kFirstFrame = 8192;
  WriteWav(dir_ / "level.wav", std::vector<float>(kFrames, 0.25f), kHighRate, 1, 16);
  Encode(dir_ / "level.wav", dir_ / "level.flac", "-c:a flac -frame_size 8192");
  const std::string flac = ReadBytes(dir_ / "level.flac");

  const struct {
    uint32_t statedRate;
    size_t expectedFrames;  // of the stream's rate
  } cases[] = {
      {192000, kFirstFrame + 2 * (kFrames - kFirstFrame)},  // converted: twice the frames
      {100, kFirstFrame},  // would be 31 million frames each: skipped
      {11, kFirstFrame},   // gigabytes each
      {1, kFirstFrame},    // more frames than the converter can count
  };
  for (const auto& c : cases) {
    const auto path = dir_ / ("stated-" + std::to_string(c.statedRate) + ".flac");
    WriteBytes(path, flacframes::WithFrameRate(flac, 1, c.statedRate));
    const HSTREAM stream = OpenFloat(path);
    ASSERT_NE(stream, 0u) << c.statedRate << " Hz: " << BASS_ErrorGetCode();
    BASS_CHANNELINFO info{};
    ASSERT_TRUE(BASS_ChannelGetInfo(stream, &info));
    EXPECT_EQ(info.freq, static_cast<DWORD>(kHighRate));
    const std::vector<float> samples = ReadFloats(stream, 1, 10 * kFrames);
    EXPECT_NEAR(static_cast<double>(samples.size()), static_cast<double>(c.expectedFrames),
                0.01 * static_cast<double>(c.expectedFrames))
        << c.statedRate << " Hz";
    EXPECT_EQ(BASS_ChannelGetData(stream, nullptr, 0), kFailed);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ENDED);
    ASSERT_GT(samples.size(), 2 * kFirstFrame / 3);
    EXPECT_NEAR(samples[kFirstFrame / 2], 0.25, 0.001) << c.statedRate << " Hz";
    BASS_StreamFree(stream);
  }
}

TEST_F(FileStream, SeeksToAByteOffsetAndReadsOnFromThere) {
  const std::vector<float> signal = Sine(1000, 0.5, kRate, 2 * kRate);
  const HSTREAM stream = OpenFloat(Wav("float.wav", signal, 1, 32));
  ASSERT_NE(stream, 0u);
  const QWORD target = BASS_ChannelSeconds2Bytes(stream, 1.25);
  ASSERT_TRUE(BASS_ChannelSetPosition(stream, target, BASS_POS_BYTE));
  EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), target);
  const std::vector<float> after = ReadFloats(stream, 1, 100);
  ASSERT_EQ(after.size(), 100u);
  const size_t first = target / sizeof(float);
  for (size_t i = 0; i < after.size(); ++i) EXPECT_FLOAT_EQ(after[i], signal[first + i]);

  EXPECT_FALSE(BASS_ChannelSetPosition(stream, target * 4, BASS_POS_BYTE));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_POSITION);
  // Back to the start after the end: the stream plays again.
  ReadFloats(stream, 1, 10 * kRate);
  ASSERT_TRUE(BASS_ChannelSetPosition(stream, 0, BASS_POS_BYTE));
  EXPECT_EQ(ReadFloats(stream, 1, 10 * kRate).size(), signal.size());
}

TEST_F(FileStream, DeliversSixteenBitSamplesWithoutTheFloatFlag) {
  const HSTREAM stream =
      BASS_StreamCreateFile(0, Wav("s16.wav", TestSignal(), 2).c_str(), 0, 0, BASS_STREAM_DECODE);
  ASSERT_NE(stream, 0u);
  BASS_CHANNELINFO info{};
  ASSERT_TRUE(BASS_ChannelGetInfo(stream, &info));
  EXPECT_FALSE(info.flags & BASS_SAMPLE_FLOAT);
  EXPECT_EQ(info.origres, 16u);
  EXPECT_EQ(BASS_ChannelGetLength(stream, BASS_POS_BYTE), 2u * kRate * 2 * 2);
  std::vector<int16_t> shorts(2 * 100);
  ASSERT_EQ(BASS_ChannelGetData(stream, shorts.data(), 400), 400u);
  const std::vector<float> expected = TestSignal();
  for (size_t i = 0; i < shorts.size(); ++i) EXPECT_NEAR(shorts[i], expected[i] * 32768, 1.0);
}

TEST_F(FileStream, ConvertsBetweenSecondsAndWholeFramesOfBytes) {
  const HSTREAM mono16 =
      BASS_StreamCreateFile(0, Wav("m.wav", Sine(1000, 0.5, kRate, 100), 1).c_str(), 0, 0,
                            BASS_STREAM_DECODE);
  const HSTREAM stereoFloat = OpenFloat(Wav("s.wav", TestSignal(), 2));
  EXPECT_EQ(BASS_ChannelSeconds2Bytes(mono16, 0.08), 7056u);
  EXPECT_EQ(BASS_ChannelSeconds2Bytes(mono16, 0.07), 3087u * 2);
  EXPECT_EQ(BASS_ChannelSeconds2Bytes(stereoFloat, 1.0), 352800u);
  EXPECT_EQ(BASS_ChannelSeconds2Bytes(stereoFloat, 1.0 / kRate / 2), 0u) << "whole frames";
  EXPECT_DOUBLE_EQ(BASS_ChannelBytes2Seconds(stereoFloat, 352800), 1.0);
  EXPECT_EQ(BASS_ChannelSeconds2Bytes(stereoFloat, -1.0), static_cast<QWORD>(-1));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
  EXPECT_EQ(BASS_ChannelSeconds2Bytes(0, 1.0), static_cast<QWORD>(-1));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  EXPECT_LT(BASS_ChannelBytes2Seconds(0, 100), 0.0);
}

TEST_F(FileStream, OpensAPathWithCharactersBeyondAscii) {
  const auto path = Wav("Tön – ✓.wav", TestSignal(), 2);
  const HSTREAM stream = OpenFloat(path, BASS_UNICODE);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  BASS_CHANNELINFO info{};
  ASSERT_TRUE(BASS_ChannelGetInfo(stream, &info));
  EXPECT_STREQ(info.filename, path.c_str());
}

}  // namespace
