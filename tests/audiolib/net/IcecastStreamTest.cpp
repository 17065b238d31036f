// URL streams from a real Icecast server on the loopback interface, fed by ffmpeg.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "AudioFixtures.h"
#include "IcecastServer.h"
#include "JackServer.h"  // WaitUntil
#include "audiolib/audiolib.h"

using namespace audiofixtures;

namespace {

constexpr int kRate = 44100;
constexpr DWORD kFlags = BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT | BASS_STREAM_BLOCK | BASS_STREAM_STATUS;
constexpr unsigned kWaitMs = 15000;

bool HasString(const char* tags, const std::string& wanted) {
  for (const char* p = tags; p && *p; p += std::strlen(p) + 1) {
    if (std::string(p).find(wanted) != std::string::npos) return true;
  }
  return false;
}

void CountSync(HSYNC, DWORD, DWORD, void* user) { ++*static_cast<std::atomic<int>*>(user); }

// Keeps reading the stream (as a player would) until `done` or the time limit; the samples read
// are appended to `samples` when given.
bool ReadUntil(HSTREAM stream, const std::function<bool()>& done, std::vector<float>* samples = nullptr) {
  std::vector<float> block(2048);
  return WaitUntil(
      [&] {
        const DWORD got = BASS_ChannelGetData(stream, block.data(), block.size() * sizeof(float));
        if (samples && got != static_cast<DWORD>(-1)) {
          samples->insert(samples->end(), block.begin(), block.begin() + got / sizeof(float));
        }
        return done();
      },
      kWaitMs);
}

class IcecastStreamTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!IcecastServer::Installed()) return;
    folder_ = new TempDir();
    // DTMF key 5: 770 Hz and 1336 Hz.
    WriteWav(*folder_ / "key5.wav",
             Sines({770.0, 1336.0}, 0.3, kRate, kRate * 2), kRate, 2, 16);
    server_ = new IcecastServer();
  }
  static void TearDownTestSuite() {
    delete server_;
    delete folder_;
    server_ = nullptr;
  }

  void SetUp() override {
    if (!server_) GTEST_SKIP() << "icecast2 or ffmpeg is not installed";
    ASSERT_TRUE(server_->Running()) << server_->Log();
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 5000);
    BASS_SetConfig(BASS_CONFIG_NET_PREBUF, 0);
  }
  void TearDown() override {
    BASS_SetConfig(BASS_CONFIG_NET_PREBUF, 75);
  }

  static int StartKeySource(const std::string& mount, IcecastServer::Format format,
                            const std::string& title) {
    return server_->StartSource(mount, *folder_ / "key5.wav", format, title, true);
  }

  static TempDir* folder_;
  static IcecastServer* server_;
};

TempDir* IcecastStreamTest::folder_ = nullptr;
IcecastServer* IcecastStreamTest::server_ = nullptr;

TEST_F(IcecastStreamTest, AnMp3MountDecodesToItsKeyTonesWithTheServersTagsAndTitle) {
  ASSERT_GE(StartKeySource("/keys.mp3", IcecastServer::Format::Mp3, "Key Five"), 0) << server_->Log();
  const HSTREAM stream = BASS_StreamCreateURL(server_->Url("/keys.mp3").c_str(), 0, kFlags, nullptr, nullptr);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  BASS_CHANNELINFO info{};
  ASSERT_TRUE(BASS_ChannelGetInfo(stream, &info));
  EXPECT_EQ(info.ctype, BASS_CTYPE_STREAM_MP3);
  ASSERT_EQ(info.chans, 2u);
  std::vector<float> samples;
  ASSERT_TRUE(ReadUntil(stream, [&] { return samples.size() >= size_t{kRate} * 2; }, &samples));
  // Left carries 770 Hz, right 1336 Hz; 941 Hz (another key's row) is absent.
  EXPECT_NEAR(ToneAmplitude(samples, 2, 0, 770.0, kRate), 0.3, 0.05);
  EXPECT_NEAR(ToneAmplitude(samples, 2, 1, 1336.0, kRate), 0.3, 0.05);
  EXPECT_LT(ToneAmplitude(samples, 2, 0, 941.0, kRate), 0.02);
  const char* http = BASS_ChannelGetTags(stream, BASS_TAG_HTTP);
  EXPECT_TRUE(HasString(http, "Server: Icecast"));
  EXPECT_TRUE(HasString(http, "icy-metaint:"));
  EXPECT_TRUE(ReadUntil(stream, [&] {
    const char* meta = BASS_ChannelGetTags(stream, BASS_TAG_META);
    return meta && std::string(meta) == "StreamTitle='Key Five';";
  }));
  BASS_StreamFree(stream);
}

TEST_F(IcecastStreamTest, ATitleChangeReachesTheMetaSyncAndTheMetaTag) {
  ASSERT_GE(StartKeySource("/title.mp3", IcecastServer::Format::Mp3, "Before"), 0) << server_->Log();
  const HSTREAM stream = BASS_StreamCreateURL(server_->Url("/title.mp3").c_str(), 0, kFlags, nullptr, nullptr);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  std::atomic<int> syncs{0};
  ASSERT_NE(BASS_ChannelSetSync(stream, BASS_SYNC_META, 0, CountSync, &syncs), 0u);
  ASSERT_TRUE(ReadUntil(stream, [&] { return HasString(BASS_ChannelGetTags(stream, BASS_TAG_META), "Before"); }));
  const int before = syncs.load();
  ASSERT_TRUE(server_->SetTitle("/title.mp3", "After the change"));
  EXPECT_TRUE(ReadUntil(stream, [&] { return syncs.load() > before; }));
  EXPECT_STREQ(BASS_ChannelGetTags(stream, BASS_TAG_META), "StreamTitle='After the change';");
  BASS_StreamFree(stream);
}

TEST_F(IcecastStreamTest, AnOggMountGivesOggCommentsAndATitleChangeStartsANewStream) {
  ASSERT_GE(StartKeySource("/keys.ogg", IcecastServer::Format::OggVorbis, "First Ogg"), 0) << server_->Log();
  const HSTREAM stream = BASS_StreamCreateURL(server_->Url("/keys.ogg").c_str(), 0, kFlags, nullptr, nullptr);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  BASS_CHANNELINFO info{};
  BASS_ChannelGetInfo(stream, &info);
  EXPECT_EQ(info.ctype, BASS_CTYPE_STREAM_VORBIS);
  EXPECT_TRUE(HasString(BASS_ChannelGetTags(stream, BASS_TAG_OGG), "title=First Ogg"));
  EXPECT_EQ(BASS_ChannelGetTags(stream, BASS_TAG_META), nullptr);
  std::atomic<int> changes{0};
  ASSERT_NE(BASS_ChannelSetSync(stream, BASS_SYNC_OGG_CHANGE, 0, CountSync, &changes), 0u);
  ASSERT_TRUE(server_->SetTitle("/keys.ogg", "Second Ogg"));
  std::vector<float> samples;
  ASSERT_TRUE(ReadUntil(stream, [&] { return changes.load() > 0; }, &samples));
  EXPECT_TRUE(HasString(BASS_ChannelGetTags(stream, BASS_TAG_OGG), "title=Second Ogg"));
  // The new logical stream decodes on: another second of the key after the change.
  const size_t atChange = samples.size();
  ASSERT_TRUE(ReadUntil(stream, [&] { return samples.size() >= atChange + 2 * kRate; }, &samples));
  const std::vector<float> after(samples.begin() + static_cast<ptrdiff_t>(atChange), samples.end());
  EXPECT_NEAR(ToneAmplitude(after, 2, 1, 1336.0, kRate), 0.3, 0.06);
  BASS_StreamFree(stream);
}

TEST_F(IcecastStreamTest, StoppingTheSourceEndsTheStreamOnceItsBufferIsRead) {
  const int source = StartKeySource("/gone.mp3", IcecastServer::Format::Mp3, "Going");
  ASSERT_GE(source, 0) << server_->Log();
  const HSTREAM stream = BASS_StreamCreateURL(server_->Url("/gone.mp3").c_str(), 0, kFlags, nullptr, nullptr);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_CONNECTED), 1u);
  server_->StopSource(source);
  EXPECT_TRUE(ReadUntil(stream, [&] { return BASS_ChannelIsActive(stream) == BASS_ACTIVE_STOPPED; }));
  EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_CONNECTED), 0u);
  EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_BUFFER), 0u);
  BASS_StreamFree(stream);
}

}  // namespace
