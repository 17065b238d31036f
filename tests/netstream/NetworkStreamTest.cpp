// The network stream client against a scripted HTTP server on the loopback interface:
// connecting, notices, station name and titles, failures and their codes, stalls, a dropped
// connection, podcast feeds, artwork, and destroying a stream while it connects.
#include <regex>

#include "LoopbackHttpServer.h"
#include "NetworkStreamFixture.h"
#include "platform/MainLoop.h"

namespace netstreamtest {
namespace {

constexpr size_t kBytesPerSecond = 16000;  // 128 kbit/s

StreamScript LiveScript(std::vector<std::string> titles) {
  StreamScript script;
  script.body = ToneMp3();
  script.endless = true;
  script.bytesPerSecond = kBytesPerSecond;
  script.metaIntervalBytes = 8192;
  script.titles = std::move(titles);
  script.headers = {{"icy-name", "Loopback FM"}, {"icy-description", "Tones all day"}};
  return script;
}

class NetworkStreamLoopbackTest : public NetworkStreamTest {
 protected:
  LoopbackHttpServer server_;
};

TEST_F(NetworkStreamLoopbackTest, ConnectsWithBufferingNoticesThenReadyStationNameAndFirstTitle) {
  server_.Serve("/live.mp3", LiveScript({"Artist - Song", "Artist - Song"}));
  Open(server_.Url("/live.mp3"), 1000, 3000);
  ASSERT_TRUE(PumpUntil([&] { return Has(NETSTREAM_NOTIFY_TITLE) || Has(NETSTREAM_NOTIFY_ERROR); }));

  ASSERT_FALSE(Has(NETSTREAM_NOTIFY_ERROR)) << stream_->ErrCode();
  for (const Notice& notice : notices_) EXPECT_EQ(notice.streamId, kStreamId);
  // The server's status line, then the buffer's fill, then ready.
  ASSERT_TRUE(Has(NETSTREAM_NOTIFY_STATUS));
  EXPECT_EQ(notices_.front().status, "HTTP/1.1 200 OK");
  bool sawBuffering = false;
  for (const Notice& notice : notices_) {
    sawBuffering |= std::regex_match(notice.status, std::regex("Buffering: [0-9]+%"));
  }
  EXPECT_TRUE(sawBuffering);
  EXPECT_EQ(Count(NETSTREAM_NOTIFY_READY), 1);
  EXPECT_NE(stream_->Chan(), 0u);
  EXPECT_EQ(stream_->Status(), "");
  EXPECT_EQ(stream_->StreamName(), "Loopback FM");
  // The first title is told at once, with the title already set.
  EXPECT_EQ(Find(NETSTREAM_NOTIFY_TITLE)->title, "Artist - Song");
  EXPECT_EQ(stream_->ErrCode(), 0);
  EXPECT_TRUE(stream_->CheckStream());
  EXPECT_EQ(errorEvents_, 0);
}

TEST_F(NetworkStreamLoopbackTest, FailuresSendTheErrorNoticeWithTheirCodeAndFireOnError) {
  server_.ServeText("/missing", 404, "text/html", "<h1>Not Found</h1>");
  server_.ServeText("/broken", 500, "text/html", "<h1>Oops</h1>");
  server_.ServeNothing("/silent");
  StreamScript trickle = LiveScript({});
  trickle.stallAtBytes = 12000;  // enough to know the format, far from a full buffer
  server_.Serve("/trickle.mp3", trickle);
  struct Case {
    std::string path;
    int32_t attempts;
    int32_t expectedCode;
    std::string lastStatus;  // a pattern
  };
  const std::vector<Case> cases = {
      {"/missing", 1, BASS_ERROR_FILEOPEN, "HTTP/1.1 404 Not Found"},
      {"/broken", 2, BASS_ERROR_FILEOPEN, "HTTP/1.1 500 Internal Server Error"},
      {"/silent", 1, BASS_ERROR_TIMEOUT, ""},
      // The buffer never fills within twice the read time-out.
      {"/trickle.mp3", 1, BASS_ERROR_TIMEOUT, "Buffering: [0-9]%"},
      // No attempt made: no library error to tell.
      {"/missing", 0, NETSTREAM_ERROR_UNKNOWN, ""},
  };
  BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 500);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path + " attempts " + std::to_string(c.attempts));
    const int requestsBefore = server_.Requests(c.path);
    notices_.clear();
    errorEvents_ = 0;
    Open(server_.Url(c.path), 10000, 400, c.attempts, 20);
    ASSERT_TRUE(PumpUntil([&] { return Has(NETSTREAM_NOTIFY_ERROR); }));
    EXPECT_EQ(stream_->ErrCode(), c.expectedCode);
    EXPECT_EQ(Find(NETSTREAM_NOTIFY_ERROR)->errCode, c.expectedCode);
    EXPECT_TRUE(std::regex_match(stream_->Status(), std::regex(c.lastStatus))) << stream_->Status();
    EXPECT_EQ(errorEvents_, 1);
    EXPECT_FALSE(Has(NETSTREAM_NOTIFY_READY));
    EXPECT_EQ(stream_->Chan(), 0u);
    EXPECT_FALSE(stream_->CheckStream());
    EXPECT_EQ(server_.Requests(c.path) - requestsBefore, c.attempts);
    stream_.reset();
    BASS_StreamFree(mixer_);
    mixer_ = 0;
  }
}

}  // namespace
}  // namespace netstreamtest
