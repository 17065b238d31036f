// URL streams against a scripted HTTP server on the loopback interface: failures, time-outs,
// stalls, dropped connections, freeing while stalled, and the buffer's bound.
#include "net/UrlStreamFixture.h"

namespace urlstreamtest {
namespace {

using UrlStreamFaultTest = UrlStreamTest;

TEST_F(UrlStreamFaultTest, FailuresGiveTheirErrorCodes) {
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

TEST_F(UrlStreamFaultTest, AServerThatNeverAnswersTimesOutAfterTheNetTimeout) {
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

TEST_F(UrlStreamFaultTest, AStalledServerStallsTheStreamUntilDataComesBack) {
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

TEST_F(UrlStreamFaultTest, NoDataForTheReadTimeOutOrADroppedConnectionEndsTheStream) {
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

TEST_F(UrlStreamFaultTest, FreeingAStreamWhoseServerStalledReturnsAtOnce) {
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

TEST_F(UrlStreamFaultTest, TheBufferHoldsTheNetBufferOfTheStreamsBitRateAndNoMore) {
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

TEST_F(UrlStreamFaultTest, AHeaderThatNeverEndsFailsWithinTheTimeOutOrTheHeaderLimit) {
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

}  // namespace
}  // namespace urlstreamtest
