// URL streams against a scripted HTTP server on the loopback interface.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "AudioFixtures.h"
#include "JackServer.h"  // WaitUntil
#include "LoopbackHttpServer.h"
#include "audiolib/audiolib.h"

using namespace audiofixtures;

namespace {

constexpr int kRate = 44100;
constexpr double kToneHz = 1000.0;
constexpr double kSeconds = 2.0;
constexpr DWORD kFlags = BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT | BASS_STREAM_BLOCK;
constexpr QWORD kFailed = ~QWORD{0};

// Reads float frames until the end, `maxFrames`, or `timeoutMs` without data.
std::vector<float> ReadAll(HSTREAM stream, size_t maxFrames, unsigned timeoutMs = 5000) {
  std::vector<float> all;
  std::vector<float> block(4096);
  auto lastData = std::chrono::steady_clock::now();
  while (all.size() < maxFrames) {
    const DWORD got = BASS_ChannelGetData(stream, block.data(), block.size() * sizeof(float));
    if (got == static_cast<DWORD>(-1)) break;
    if (got > 0) {
      all.insert(all.end(), block.begin(), block.begin() + got / sizeof(float));
      lastData = std::chrono::steady_clock::now();
    } else if (std::chrono::steady_clock::now() - lastData > std::chrono::milliseconds(timeoutMs)) {
      break;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  return all;
}

std::vector<std::string> TagStrings(const char* tags) {
  std::vector<std::string> strings;
  for (const char* p = tags; p && *p; p += std::strlen(p) + 1) strings.emplace_back(p);
  return strings;
}

struct Calls {
  std::mutex mutex;
  std::vector<std::string> statusTexts;
  size_t dataBytes = 0;
  int ends = 0;
  bool dataBeforeStatus = false;
};

void RecordDownload(const void* buffer, DWORD length, void* user) {
  auto* calls = static_cast<Calls*>(user);
  std::lock_guard lock(calls->mutex);
  if (!buffer) {
    ++calls->ends;
  } else if (length == 0) {
    calls->statusTexts.emplace_back(static_cast<const char*>(buffer));
  } else {
    if (calls->statusTexts.empty()) calls->dataBeforeStatus = true;
    calls->dataBytes += length;
  }
}

void CountSync(HSYNC, DWORD, DWORD, void* user) { ++*static_cast<std::atomic<int>*>(user); }

class UrlStreamTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new TempDir();
    WriteWav(*folder_ / "tone.wav", Sine(kToneHz, 0.5, kRate, static_cast<size_t>(kRate * kSeconds)),
             kRate, 1, 16);
    Encode(*folder_ / "tone.wav", *folder_ / "tone.mp3", "-c:a libmp3lame -b:a 128k");
    mp3_ = new std::string(ReadBytes(*folder_ / "tone.mp3"));
  }
  static void TearDownTestSuite() {
    delete mp3_;
    delete folder_;
  }

  void SetUp() override {
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 2000);
    BASS_SetConfig(BASS_CONFIG_NET_READTIMEOUT, 0);
    BASS_SetConfig(BASS_CONFIG_NET_PREBUF, 0);
    BASS_SetConfig(BASS_CONFIG_NET_BUFFER, 5000);
    BASS_SetConfig(BASS_CONFIG_NET_PLAYLIST, 1);
  }
  void TearDown() override {
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 5000);
    BASS_SetConfig(BASS_CONFIG_NET_PREBUF, 75);
    BASS_SetConfig(BASS_CONFIG_NET_PLAYLIST, 0);
    BASS_SetConfigPtr(BASS_CONFIG_NET_AGENT, "");
  }

  static StreamScript Mp3Script() {
    StreamScript script;
    script.body = *mp3_;
    return script;
  }

  static TempDir* folder_;
  static std::string* mp3_;
  LoopbackHttpServer server_;
};

TempDir* UrlStreamTest::folder_ = nullptr;
std::string* UrlStreamTest::mp3_ = nullptr;

TEST_F(UrlStreamTest, DecodesTheWholeBodyAndEndsWhenTheServerHasSentIt) {
  server_.Serve("/tone.mp3", Mp3Script());
  const HSTREAM stream = BASS_StreamCreateURL(server_.Url("/tone.mp3").c_str(), 0, kFlags, nullptr, nullptr);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  BASS_CHANNELINFO info{};
  ASSERT_TRUE(BASS_ChannelGetInfo(stream, &info));
  EXPECT_EQ(info.freq, static_cast<DWORD>(kRate));
  EXPECT_EQ(info.chans, 1u);
  EXPECT_EQ(info.ctype, BASS_CTYPE_STREAM_MP3);
  const std::vector<float> samples = ReadAll(stream, kRate * 10);
  // The encoder's padding may add up to a frame or two.
  EXPECT_NEAR(static_cast<double>(samples.size()), kRate * kSeconds, 2500.0);
  EXPECT_NEAR(ToneAmplitude(samples, 1, 0, kToneHz, kRate), 0.5, 0.05);
  EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED);
  EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_CONNECTED), 0u);
  EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_DOWNLOAD), mp3_->size());
  EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_CURRENT), mp3_->size());
  EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_BUFFER), 0u);
  EXPECT_EQ(BASS_ChannelGetLength(stream, BASS_POS_BYTE), kFailed);
  EXPECT_TRUE(BASS_StreamFree(stream));
}

TEST_F(UrlStreamTest, TheDownloadProcedureGetsTheHeaderTextFirstThenTheDataThenTheEnd) {
  server_.Serve("/tone.mp3", Mp3Script());
  BASS_SetConfigPtr(BASS_CONFIG_NET_AGENT, "ToneSentryTest/1.0");
  Calls calls;
  const HSTREAM stream = BASS_StreamCreateURL(server_.Url("/tone.mp3").c_str(), 0,
                                              kFlags | BASS_STREAM_STATUS | BASS_UNICODE,
                                              RecordDownload, &calls);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  ReadAll(stream, kRate * 10);
  ASSERT_TRUE(WaitUntil([&] { std::lock_guard l(calls.mutex); return calls.ends == 1; }, 5000));
  BASS_StreamFree(stream);
  std::lock_guard lock(calls.mutex);
  ASSERT_EQ(calls.statusTexts.size(), 1u);
  EXPECT_EQ(calls.statusTexts[0], "HTTP/1.1 200 OK");
  EXPECT_FALSE(calls.dataBeforeStatus);
  EXPECT_EQ(calls.dataBytes, mp3_->size());
  EXPECT_EQ(server_.LastRequestHeader("/tone.mp3", "User-Agent"), "ToneSentryTest/1.0");
  EXPECT_EQ(server_.LastRequestHeader("/tone.mp3", "Icy-MetaData"), "1");
}

TEST_F(UrlStreamTest, IcyMetadataIsTakenOutOfTheAudioAndEachNewTitleFiresOneMetaSync) {
  StreamScript script = Mp3Script();
  script.metaIntervalBytes = 3000;
  script.titles = {"First", "First", "Second - Song;x"};
  script.headers = {{"icy-name", "Loopback FM"}};
  server_.Serve("/icy.mp3", script);
  const HSTREAM stream = BASS_StreamCreateURL(server_.Url("/icy.mp3").c_str(), 0, kFlags, nullptr, nullptr);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  std::atomic<int> metaSyncs{0};
  ASSERT_NE(BASS_ChannelSetSync(stream, BASS_SYNC_META, 0, CountSync, &metaSyncs), 0u);
  const std::vector<float> samples = ReadAll(stream, kRate * 10);
  // Metadata bytes left in the audio would be decoded as damage: a shorter or noisier tone.
  EXPECT_NEAR(static_cast<double>(samples.size()), kRate * kSeconds, 2500.0);
  EXPECT_NEAR(ToneAmplitude(samples, 1, 0, kToneHz, kRate), 0.5, 0.05);
  EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_DOWNLOAD), mp3_->size());
  EXPECT_STREQ(BASS_ChannelGetTags(stream, BASS_TAG_META), "StreamTitle='Second - Song;x';");
  EXPECT_EQ(metaSyncs.load(), 2);
  const std::vector<std::string> http = TagStrings(BASS_ChannelGetTags(stream, BASS_TAG_HTTP));
  ASSERT_FALSE(http.empty());
  EXPECT_EQ(http[0], "HTTP/1.1 200 OK");
  EXPECT_NE(std::find(http.begin(), http.end(), "icy-name: Loopback FM"), http.end());
  EXPECT_EQ(BASS_ChannelGetTags(stream, BASS_TAG_ICY), nullptr);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
  for (DWORD kind : {BASS_TAG_OGG, BASS_TAG_WMA, BASS_TAG_WMA_META}) {
    EXPECT_EQ(BASS_ChannelGetTags(stream, kind), nullptr) << kind;
  }
  BASS_StreamFree(stream);
}

TEST_F(UrlStreamTest, MalformedMetadataNeitherCorruptsTheAudioNorStopsTheStream) {
  struct Case {
    const char* name;
    std::vector<std::string> rawBlocks;
    std::string intervalHeader;  // set instead of the server's own icy-metaint
    const char* meta;            // expected META tag, null for none
  };
  const std::string garbage = std::string("\xff\xfe\x01StreamTitle='x") + std::string(15, '\x7f');
  const std::vector<Case> cases = {
      {"binary block without NUL", {std::string(1, '\x02') + garbage}, "", garbage.c_str()},
      {"text after the NUL is dropped",
       {std::string(1, '\x01') + std::string("ab\0StreamTitle=x", 16)}, "", "ab"},
      {"an interval that is no number is no metadata", {}, "12kb", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StreamScript script = Mp3Script();
    if (c.intervalHeader.empty()) {
      script.metaIntervalBytes = 5000;
      script.rawBlocks = c.rawBlocks;
    } else {
      script.headers = {{"icy-metaint", c.intervalHeader}};
    }
    const std::string path = "/bad" + std::to_string(&c - cases.data()) + ".mp3";
    server_.Serve(path, script);
    const HSTREAM stream = BASS_StreamCreateURL(server_.Url(path).c_str(), 0, kFlags, nullptr, nullptr);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    const std::vector<float> samples = ReadAll(stream, kRate * 10);
    EXPECT_NEAR(static_cast<double>(samples.size()), kRate * kSeconds, 2500.0);
    EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_DOWNLOAD), mp3_->size());
    const char* meta = BASS_ChannelGetTags(stream, BASS_TAG_META);
    if (c.meta) {
      ASSERT_NE(meta, nullptr);
      EXPECT_EQ(std::string(meta), std::string(c.meta));
    } else {
      EXPECT_EQ(meta, nullptr);
    }
    BASS_StreamFree(stream);
  }
}

TEST_F(UrlStreamTest, FailuresGiveTheirErrorCodes) {
  server_.ServeText("/missing", 404, "text/html", "<h1>Not Found</h1>");
  server_.ServeText("/broken", 500, "text/html", "<h1>Oops</h1>");
  server_.ServeText("/page.html", 200, "text/html",
                    "<html><body>" + std::string(40000, 'x') + "</body></html>");
  server_.ServeHugeHeader("/huge", 200 * 1024);
  const std::string closedPort = "http://127.0.0.1:" + std::to_string(LoopbackHttpServer().Port()) + "/x";
  struct Case {
    std::string url;
    int error;
    const char* status;  // the header text the download procedure gets first, if any
  };
  const std::vector<Case> cases = {
      {server_.Url("/missing"), BASS_ERROR_FILEOPEN, "HTTP/1.1 404 Not Found"},
      {server_.Url("/broken"), BASS_ERROR_FILEOPEN, "HTTP/1.1 500 Internal Server Error"},
      {server_.Url("/page.html"), BASS_ERROR_FILEFORM, "HTTP/1.1 200 OK"},
      {server_.Url("/huge"), BASS_ERROR_FILEOPEN, nullptr},
      {closedPort, BASS_ERROR_FILEOPEN, nullptr},
      {"https://127.0.0.1:" + std::to_string(server_.Port()) + "/tone.mp3", BASS_ERROR_SSL, nullptr},
      {"ftp://127.0.0.1/tone.mp3", BASS_ERROR_PROTOCOL, nullptr},
      {"127.0.0.1/tone.mp3", BASS_ERROR_PROTOCOL, nullptr},
      {"", BASS_ERROR_ILLPARAM, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    Calls calls;
    EXPECT_EQ(BASS_StreamCreateURL(c.url.c_str(), 0, kFlags | BASS_STREAM_STATUS, RecordDownload, &calls), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), c.error);
    std::lock_guard lock(calls.mutex);
    if (c.status) {
      ASSERT_FALSE(calls.statusTexts.empty());
      EXPECT_EQ(calls.statusTexts[0], c.status);
    } else {
      EXPECT_TRUE(calls.statusTexts.empty());
    }
  }
  EXPECT_EQ(BASS_StreamCreateURL(nullptr, 0, kFlags, nullptr, nullptr), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
}

TEST_F(UrlStreamTest, AServerThatNeverAnswersTimesOutAfterTheNetTimeout) {
  server_.ServeNothing("/silent");
  BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 300);
  EXPECT_EQ(BASS_StreamCreateURL(server_.Url("/silent").c_str(), 0, kFlags, nullptr, nullptr), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_TIMEOUT);
  // Headers but no body within the time-out: the format cannot be known.
  StreamScript script = Mp3Script();
  script.stallAtBytes = 0;
  server_.Serve("/headers-only", script);
  EXPECT_EQ(BASS_StreamCreateURL(server_.Url("/headers-only").c_str(), 0, kFlags, nullptr, nullptr), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_TIMEOUT);
}

TEST_F(UrlStreamTest, AStalledServerStallsTheStreamUntilDataComesBack) {
  StreamScript script = Mp3Script();
  script.stallAtBytes = 12000;
  server_.Serve("/stall.mp3", script);
  const HSTREAM stream = BASS_StreamCreateURL(server_.Url("/stall.mp3").c_str(), 0, kFlags, nullptr, nullptr);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  std::vector<float> block(1024);
  size_t framesBefore = 0;
  const bool stalled = WaitUntil(
      [&] {
        const DWORD got = BASS_ChannelGetData(stream, block.data(), block.size() * sizeof(float));
        if (got != static_cast<DWORD>(-1)) framesBefore += got / sizeof(float);
        return got == 0 && BASS_ChannelIsActive(stream) == BASS_ACTIVE_STALLED;
      },
      5000);
  ASSERT_TRUE(stalled);
  EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_BUFFER), 0u);
  EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_CONNECTED), 1u);
  EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_DOWNLOAD), 12000u);
  EXPECT_GT(framesBefore, 0u);
  server_.Resume();
  const std::vector<float> rest = ReadAll(stream, kRate * 10);
  EXPECT_NEAR(static_cast<double>(framesBefore + rest.size()), kRate * kSeconds, 2500.0);
  EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED);
  BASS_StreamFree(stream);
}

TEST_F(UrlStreamTest, NoDataForTheReadTimeOutOrADroppedConnectionEndsTheStream) {
  StreamScript stalling = Mp3Script();
  stalling.stallAtBytes = 12000;
  server_.Serve("/stall.mp3", stalling);
  StreamScript dropping = Mp3Script();
  dropping.dropAtBytes = 12000;
  server_.Serve("/drop.mp3", dropping);
  // Long enough for a loaded machine to open the stream; short enough not to wait long.
  BASS_SetConfig(BASS_CONFIG_NET_READTIMEOUT, 1000);
  for (const char* path : {"/stall.mp3", "/drop.mp3"}) {
    SCOPED_TRACE(path);
    const HSTREAM stream = BASS_StreamCreateURL(server_.Url(path).c_str(), 0, kFlags, nullptr, nullptr);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    const std::vector<float> samples = ReadAll(stream, kRate * 10, 3000);
    EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED);
    EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_CONNECTED), 0u);
    EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_DOWNLOAD), 12000u);
    // 12000 bytes of 128 kbit/s are 0.75 s.
    EXPECT_NEAR(static_cast<double>(samples.size()), kRate * 0.75, 3000.0);
    BASS_StreamFree(stream);
  }
}

TEST_F(UrlStreamTest, FreeingAStreamWhoseServerStalledReturnsAtOnce) {
  StreamScript script = Mp3Script();
  script.endless = true;
  script.stallAtBytes = 12000;
  server_.Serve("/stall.mp3", script);
  const HSTREAM stream = BASS_StreamCreateURL(server_.Url("/stall.mp3").c_str(), 0, kFlags, nullptr, nullptr);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  ASSERT_TRUE(WaitUntil([&] { return BASS_StreamGetFilePosition(stream, BASS_FILEPOS_DOWNLOAD) == 12000; }, 5000));
  // No read time-out is set: only the free itself can end the download's wait.
  auto freed = std::async(std::launch::async, [stream] { return BASS_StreamFree(stream); });
  ASSERT_EQ(freed.wait_for(std::chrono::seconds(3)), std::future_status::ready);
  EXPECT_TRUE(freed.get());
  EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

TEST_F(UrlStreamTest, TheBufferHoldsTheNetBufferOfTheStreamsBitRateAndNoMore) {
  StreamScript script = Mp3Script();
  script.endless = true;
  server_.Serve("/endless.mp3", script);
  BASS_SetConfig(BASS_CONFIG_NET_BUFFER, 1000);
  const HSTREAM stream = BASS_StreamCreateURL(server_.Url("/endless.mp3").c_str(), 0, kFlags, nullptr, nullptr);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  // 1000 ms of 128 kbit/s.
  const QWORD end = BASS_StreamGetFilePosition(stream, BASS_FILEPOS_END);
  EXPECT_EQ(end, 16000u);
  // The server sends as fast as it may: the download stops at the buffer's length (and the one
  // block that may arrive just under it) until the decoder takes some.
  ASSERT_TRUE(WaitUntil([&] { return BASS_StreamGetFilePosition(stream, BASS_FILEPOS_BUFFER) >= end; }, 5000));
  // Read 10 buffers' worth through it.
  std::vector<float> block(8192);
  QWORD mostBuffered = 0;
  const bool readOn = WaitUntil(
      [&] {
        BASS_ChannelGetData(stream, block.data(), block.size() * sizeof(float));
        mostBuffered = std::max(mostBuffered, BASS_StreamGetFilePosition(stream, BASS_FILEPOS_BUFFER));
        return BASS_StreamGetFilePosition(stream, BASS_FILEPOS_CURRENT) > 10 * end;
      },
      10000);
  EXPECT_TRUE(readOn);
  EXPECT_LE(mostBuffered, end + 32768);
  EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_CONNECTED), 1u);
  EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_WMA_BUFFER), kFailed);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
  EXPECT_EQ(BASS_StreamGetFilePosition(stream, 77), kFailed);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLTYPE);
  BASS_StreamFree(stream);
}

TEST_F(UrlStreamTest, PlaylistAddressesAreFollowedToTheirFirstEntryWhenAllowed) {
  server_.Serve("/tone.mp3", Mp3Script());
  server_.ServeText("/radio.pls", 200, "text/plain",
                    "[playlist]\nNumberOfEntries=2\nFile2=http://127.0.0.1:1/nothing\nFile1=" +
                        server_.Url("/tone.mp3") + "\nTitle1=Tone\n");
  server_.ServeText("/radio.m3u", 200, "text/plain", "#EXTM3U\n#EXTINF:-1,Tone\ntone.mp3\n");
  server_.ServeText("/listen", 200, "audio/x-scpls", "[playlist]\nFile1=/tone.mp3\n");
  server_.ServeRedirect("/moved.mp3", "/tone.mp3");
  for (const char* path : {"/radio.pls", "/radio.m3u", "/listen", "/moved.mp3"}) {
    SCOPED_TRACE(path);
    const HSTREAM stream = BASS_StreamCreateURL(server_.Url(path).c_str(), 0, kFlags, nullptr, nullptr);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    EXPECT_NEAR(static_cast<double>(ReadAll(stream, kRate * 10).size()), kRate * kSeconds, 2500.0);
    BASS_StreamFree(stream);
  }
  EXPECT_EQ(server_.Requests("/tone.mp3"), 4);
  BASS_SetConfig(BASS_CONFIG_NET_PLAYLIST, 0);
  // Taken as the stream itself: text, no audio.
  EXPECT_EQ(BASS_StreamCreateURL(server_.Url("/radio.pls").c_str(), 0, kFlags, nullptr, nullptr), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAUDIO);
}

TEST_F(UrlStreamTest, AChainedOggStreamGivesItsCommentsAndAnOggChangeSyncForEachNewPart) {
  std::string chained;
  for (const char* title : {"Part One", "Part Two"}) {
    const auto ogg = *folder_ / (std::string(title) + ".ogg");
    Encode(*folder_ / "tone.wav", ogg,
           std::string("-c:a libvorbis -b:a 96k -metadata title='") + title + "' -metadata artist=Tester");
    chained += ReadBytes(ogg);
  }
  StreamScript script;
  script.contentType = "application/ogg";
  script.body = chained;
  script.bytesPerSecond = 48000;  // the second part arrives after the first reads
  server_.Serve("/chained.ogg", script);
  const HSTREAM stream = BASS_StreamCreateURL(server_.Url("/chained.ogg").c_str(), 0, kFlags, nullptr, nullptr);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  BASS_CHANNELINFO info{};
  BASS_ChannelGetInfo(stream, &info);
  EXPECT_EQ(info.ctype, BASS_CTYPE_STREAM_VORBIS);
  std::atomic<int> changes{0};
  ASSERT_NE(BASS_ChannelSetSync(stream, BASS_SYNC_OGG_CHANGE, 0, CountSync, &changes), 0u);
  std::vector<std::string> first = TagStrings(BASS_ChannelGetTags(stream, BASS_TAG_OGG));
  EXPECT_NE(std::find(first.begin(), first.end(), "title=Part One"), first.end());
  EXPECT_NE(std::find(first.begin(), first.end(), "artist=Tester"), first.end());
  const std::vector<float> samples = ReadAll(stream, kRate * 20);
  // Both parts decode: the second part is not lost at the chain boundary.
  EXPECT_NEAR(static_cast<double>(samples.size()), 2 * kRate * kSeconds, 5000.0);
  EXPECT_EQ(changes.load(), 1);
  const std::vector<std::string> last = TagStrings(BASS_ChannelGetTags(stream, BASS_TAG_OGG));
  EXPECT_NE(std::find(last.begin(), last.end(), "title=Part Two"), last.end());
  BASS_StreamFree(stream);
}

TEST_F(UrlStreamTest, AnIcyResponseGivesIcyTagsInsteadOfHttpOnes) {
  RawLoopbackServer shoutcast("ICY 200 OK\r\nicy-name:Raw Radio\r\ncontent-type:audio/mpeg\r\n\r\n" + *mp3_);
  const HSTREAM stream = BASS_StreamCreateURL(shoutcast.Url("/").c_str(), 0, kFlags, nullptr, nullptr);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  EXPECT_EQ(TagStrings(BASS_ChannelGetTags(stream, BASS_TAG_ICY)),
            (std::vector<std::string>{"ICY 200 OK", "icy-name:Raw Radio", "content-type:audio/mpeg"}));
  EXPECT_EQ(BASS_ChannelGetTags(stream, BASS_TAG_HTTP), nullptr);
  EXPECT_NEAR(static_cast<double>(ReadAll(stream, kRate * 10).size()), kRate * kSeconds, 2500.0);
  BASS_StreamFree(stream);
}

TEST_F(UrlStreamTest, AHeaderThatNeverEndsFailsWithinTheTimeOutOrTheHeaderLimit) {
  BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 500);
  // Slow: 100 bytes every 10 ms reach no limit before the time-out.
  RawLoopbackServer slow("HTTP/1.0 200 OK\r\n", "X-Filler: " + std::string(88, 'a') + "\r\n");
  EXPECT_EQ(BASS_StreamCreateURL(slow.Url("/").c_str(), 0, kFlags, nullptr, nullptr), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_TIMEOUT);
  // Fast: 64 KiB of header lines come long before it.
  BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 20000);
  RawLoopbackServer fast("HTTP/1.0 200 OK\r\n", "X-Filler: " + std::string(4000, 'a') + "\r\n");
  EXPECT_EQ(BASS_StreamCreateURL(fast.Url("/").c_str(), 0, kFlags, nullptr, nullptr), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
}

TEST_F(UrlStreamTest, AnOffsetAsksForTheRestOfTheFileAndPositionsCountFromIt) {
  // The test server cuts a fixed body to the requested range itself; the status is the test's.
  server_.ServeText("/file.mp3", 206, "audio/mpeg", *mp3_);
  const DWORD offset = 16000;  // one second of 128 kbit/s
  const HSTREAM stream = BASS_StreamCreateURL(server_.Url("/file.mp3").c_str(), offset, kFlags, nullptr, nullptr);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  EXPECT_EQ(server_.LastRequestHeader("/file.mp3", "Range"), "bytes=16000-");
  EXPECT_STREQ(BASS_ChannelGetTags(stream, BASS_TAG_HTTP), "HTTP/1.1 206 Partial Content");
  const std::vector<float> samples = ReadAll(stream, kRate * 10);
  EXPECT_NEAR(static_cast<double>(samples.size()), kRate * (kSeconds - 1), 2500.0);
  EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_DOWNLOAD), mp3_->size());
  EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_CURRENT), mp3_->size());
  BASS_StreamFree(stream);
}

TEST_F(UrlStreamTest, AMixerResamplesAUrlStreamAndFreesItWhenItEnds) {
  server_.Serve("/tone.mp3", Mp3Script());
  const HSTREAM stream = BASS_StreamCreateURL(server_.Url("/tone.mp3").c_str(), 0, kFlags, nullptr, nullptr);
  ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
  const HSTREAM mixer = BASS_Mixer_StreamCreate(96000, 2, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT | BASS_MIXER_END);
  ASSERT_TRUE(BASS_Mixer_StreamAddChannel(mixer, stream, BASS_STREAM_AUTOFREE));
  std::vector<float> mixed;
  std::vector<float> block(2 * 9600);
  ASSERT_TRUE(WaitUntil(
      [&] {
        const DWORD got = BASS_ChannelGetData(mixer, block.data(), block.size() * sizeof(float));
        if (got == static_cast<DWORD>(-1)) return true;
        mixed.insert(mixed.end(), block.begin(), block.begin() + got / sizeof(float));
        return false;
      },
      10000));
  EXPECT_NEAR(ToneAmplitude(mixed, 2, 1, kToneHz, 96000), 0.5, 0.05);
  EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);  // freed by the mixer at its end
  BASS_StreamFree(mixer);
}

TEST_F(UrlStreamTest, FilePositionsAndTagsBelongToUrlStreamsOnly) {
  const HSTREAM push = BASS_StreamCreate(44100, 1, BASS_STREAM_DECODE, STREAMPROC_PUSH, nullptr);
  EXPECT_EQ(BASS_StreamGetFilePosition(push, BASS_FILEPOS_CURRENT), kFailed);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTFILE);
  EXPECT_EQ(BASS_ChannelGetTags(push, BASS_TAG_META), nullptr);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
  BASS_StreamFree(push);
  EXPECT_EQ(BASS_StreamGetFilePosition(push, BASS_FILEPOS_CURRENT), kFailed);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  EXPECT_EQ(BASS_ChannelGetTags(push, BASS_TAG_META), nullptr);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  EXPECT_EQ(BASS_ChannelSetSync(push, BASS_SYNC_WMA_META, 0, CountSync, nullptr), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLTYPE);
}

}  // namespace
