// The network stream client against a scripted HTTP server on the loopback interface:
// connecting, notices, station name and titles, failures and their codes, stalls, a dropped
// connection, podcast feeds, artwork, and destroying a stream while it connects.
#include "LoopbackHttpServer.h"
#include "NetworkStreamFixture.h"
#include "platform/MainLoop.h"

namespace netstreamtest {
namespace {

constexpr size_t kBytesPerSecond = 16000;  // 128 kbit/s

// "Buffering: N%" with N below `belowPercent`.
bool IsBufferingStatus(const std::string& status, int belowPercent = 1000) {
  const std::string prefix = "Buffering: ";
  if (status.rfind(prefix, 0) != 0 || status.size() < prefix.size() + 2 || status.back() != '%') {
    return false;
  }
  const std::string digits = status.substr(prefix.size(), status.size() - prefix.size() - 1);
  if (digits.find_first_not_of("0123456789") != std::string::npos) return false;
  return std::stoi(digits) < belowPercent;
}

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
    sawBuffering |= IsBufferingStatus(notice.status);
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

TEST_F(NetworkStreamLoopbackTest, APlaylistAddressPlaysItsFirstEntry) {
  server_.Serve("/live.mp3", LiveScript({"Artist - Song"}));
  server_.ServeText("/listen.pls", 200, "audio/x-scpls",
                    "[playlist]\nNumberOfEntries=1\nFile1=" + server_.Url("/live.mp3") + "\n");
  BASS_SetConfig(BASS_CONFIG_NET_PLAYLIST, 0);  // the stream turns playlists on itself
  Open(server_.Url("/listen.pls"), 1000, 3000);
  ASSERT_TRUE(PumpUntil([&] { return Has(NETSTREAM_NOTIFY_TITLE) || Has(NETSTREAM_NOTIFY_ERROR); }));
  ASSERT_FALSE(Has(NETSTREAM_NOTIFY_ERROR)) << stream_->ErrCode();
  EXPECT_EQ(stream_->SongTitle(), "Artist - Song");
  EXPECT_EQ(server_.Requests("/live.mp3"), 1);
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
    std::string lastStatus;  // kBuffering: a fill below 90%
  };
  const std::string kBuffering = "(buffering)";
  const std::vector<Case> cases = {
      {"/missing", 1, BASS_ERROR_FILEOPEN, "HTTP/1.1 404 Not Found"},
      {"/broken", 2, BASS_ERROR_FILEOPEN, "HTTP/1.1 500 Internal Server Error"},
      {"/silent", 1, BASS_ERROR_TIMEOUT, ""},
      // The buffer never fills within twice the read time-out.
      {"/trickle.mp3", 1, BASS_ERROR_TIMEOUT, kBuffering},
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
    if (c.lastStatus == kBuffering) {
      EXPECT_TRUE(IsBufferingStatus(stream_->Status(), 90)) << stream_->Status();
    } else {
      EXPECT_EQ(stream_->Status(), c.lastStatus);
    }
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

// Reads until the download buffer is empty and the stream waits for data.
bool Drained(HSTREAM chan) {
  return BASS_StreamGetFilePosition(chan, BASS_FILEPOS_BUFFER) == 0 &&
         BASS_ChannelIsActive(chan) == BASS_ACTIVE_STALLED;
}

TEST_F(NetworkStreamLoopbackTest, AStallCountsAsDeadOnlyAfterTheStallTimeoutAtAnyUptime) {
  struct Case {
    std::string path;
    bool bufferCheck;
    uint64_t originMs;  // the tick count when the stall is first seen
  };
  const std::vector<Case> cases = {
      {"/stall-a.mp3", true, 0},
      {"/stall-b.mp3", false, 0xFFFFFFFFull - 1000},  // across the 32-bit wrap
  };
  constexpr int32_t kStallTimeoutMs = 5000;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    LoopbackHttpServer server;  // its own: a resumed server never stalls again
    StreamScript script = LiveScript({"Artist - Song"});
    script.bytesPerSecond = 4 * kBytesPerSecond;
    script.stallAtBytes = 2 * kBytesPerSecond;
    server.Serve(c.path, script);
    notices_.clear();
    TestClock clock;
    clock.Set(c.originMs);
    Open(server.Url(c.path), 1000, 0);
    stream_->SetTickSource(clock.Source());
    ASSERT_TRUE(PumpUntil([&] { return Has(NETSTREAM_NOTIFY_READY) || Has(NETSTREAM_NOTIFY_ERROR); }));
    ASSERT_NE(stream_->Chan(), 0u) << stream_->ErrCode();
    stream_->SetBufferStateCheckEnabled(c.bufferCheck);
    stream_->SetStallTimeout(kStallTimeoutMs);
    EXPECT_TRUE(stream_->CheckStream());

    ASSERT_TRUE(PumpUntil([&] { return Drained(stream_->Chan()); }));
    EXPECT_TRUE(stream_->CheckStream());  // the stall is noted now
    clock.Set(c.originMs + kStallTimeoutMs);
    EXPECT_TRUE(stream_->CheckStream());
    clock.Set(c.originMs + kStallTimeoutMs + 1);
    EXPECT_FALSE(stream_->CheckStream());

    // Data again: alive, and the stall is forgotten.
    server.Resume();
    ASSERT_TRUE(PumpUntil([&] {
      return BASS_StreamGetFilePosition(stream_->Chan(), BASS_FILEPOS_BUFFER) > 0 &&
             BASS_ChannelIsActive(stream_->Chan()) == BASS_ACTIVE_PLAYING;
    }));
    clock.Set(c.originMs + 10 * kStallTimeoutMs);
    EXPECT_TRUE(stream_->CheckStream());
    stream_.reset();
    BASS_StreamFree(mixer_);
    mixer_ = 0;
  }
}

TEST_F(NetworkStreamLoopbackTest, ADroppedConnectionIsDeadOnceTheBufferIsPlayed) {
  StreamScript script = LiveScript({"Artist - Song"});
  script.bytesPerSecond = 4 * kBytesPerSecond;
  script.dropAtBytes = 2 * kBytesPerSecond;
  server_.Serve("/drop.mp3", script);
  TestClock clock;  // frozen: no stall time-out can play a part
  Open(server_.Url("/drop.mp3"), 1000, 0);
  stream_->SetTickSource(clock.Source());
  stream_->SetStallTimeout(60000);
  ASSERT_TRUE(PumpUntil([&] { return Has(NETSTREAM_NOTIFY_READY) || Has(NETSTREAM_NOTIFY_ERROR); }));
  ASSERT_NE(stream_->Chan(), 0u) << stream_->ErrCode();
  EXPECT_TRUE(stream_->CheckStream());
  ASSERT_TRUE(PumpUntil([&] {
    return BASS_StreamGetFilePosition(stream_->Chan(), BASS_FILEPOS_CONNECTED) == 0;
  }));
  EXPECT_TRUE(PumpUntil([&] { return !stream_->CheckStream(); }));
  EXPECT_FALSE(Has(NETSTREAM_NOTIFY_ERROR));
}

TEST_F(NetworkStreamLoopbackTest, APodcastFeedPlaysTheNewestEpisodeUnderItsTitle) {
  const std::string feed =
      "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Loopback Casts</title>"
      "<item><title>Episode Two</title><pubDate>Wed, 09 Dec 2026 08:00:00 +0000</pubDate>"
      "<enclosure url=\"" + server_.Url("/ep2.mp3") + "\" type=\"audio/mpeg\"/></item>"
      "<item><title>Episode One</title><pubDate>Mon, 07 Dec 2026 08:00:00 +0000</pubDate>"
      "<enclosure url=\"" + server_.Url("/ep1.mp3") + "\" type=\"audio/mpeg\"/></item>"
      "</channel></rss>";
  server_.ServeText("/casts/feed.XML", 200, "application/rss+xml", feed);
  StreamScript episode;
  episode.body = ToneMp3();
  episode.endless = true;
  episode.bytesPerSecond = 4 * kBytesPerSecond;
  server_.Serve("/ep1.mp3", episode);
  server_.Serve("/ep2.mp3", episode);

  Open(server_.Url("/casts/feed.XML"), 1000, 3000);
  ASSERT_TRUE(PumpUntil([&] { return Has(NETSTREAM_NOTIFY_TITLE) || Has(NETSTREAM_NOTIFY_ERROR); }));
  ASSERT_FALSE(Has(NETSTREAM_NOTIFY_ERROR)) << stream_->ErrCode();
  EXPECT_TRUE(stream_->IsPodcast());
  EXPECT_EQ(stream_->PodcastStreamTitle(), "Episode Two");
  EXPECT_EQ(Find(NETSTREAM_NOTIFY_TITLE)->title, "Episode Two");
  EXPECT_EQ(stream_->StreamName(), "Loopback Casts");  // the episode's server names no station
  EXPECT_EQ(server_.Requests("/ep2.mp3"), 1);
  EXPECT_EQ(server_.Requests("/ep1.mp3"), 0);
}

TEST_F(NetworkStreamLoopbackTest, ShoutcastV2ServersGiveTheSongsArtworkOthersAreNotAsked) {
  const std::string picture = std::string("\x89PNG\r\n\x1a\n", 8) + std::string(3000, '\x42');
  server_.ServeText("/v2/playingart", 200, "image/png", picture);
  server_.ServeText("/v1/playingart", 200, "image/png", picture);
  StreamScript v2 = LiveScript({"Artist - Song"});
  v2.headers.push_back({"icy-notice2", "SHOUTcast DNAS/posix(linux x64) v2.6.0.750"});
  server_.Serve("/v2/", v2);
  StreamScript v1 = LiveScript({"Artist - Song"});
  v1.headers.push_back({"icy-notice2", "SHOUTcast Distributed Network Audio Server/Linux v1.9.8"});
  server_.Serve("/v1/", v1);

  Open(server_.Url("/v2/"), 1000, 3000);
  ASSERT_TRUE(PumpUntil([&] { return Has(NETSTREAM_NOTIFY_TITLE) || Has(NETSTREAM_NOTIFY_ERROR); }));
  ASSERT_FALSE(Has(NETSTREAM_NOTIFY_ERROR)) << stream_->ErrCode();
  EXPECT_EQ(std::string(stream_->Artwork().begin(), stream_->Artwork().end()), picture);
  EXPECT_GE(server_.Requests("/v2/playingart"), 1);  // once per title update

  stream_.reset();
  BASS_StreamFree(mixer_);
  notices_.clear();
  Open(server_.Url("/v1/"), 1000, 3000);
  ASSERT_TRUE(PumpUntil([&] { return Has(NETSTREAM_NOTIFY_TITLE) || Has(NETSTREAM_NOTIFY_ERROR); }));
  EXPECT_TRUE(stream_->Artwork().empty());
  EXPECT_EQ(server_.Requests("/v1/playingart"), 0);
}

TEST_F(NetworkStreamLoopbackTest, DestroyWhileConnectingReturnsAtOnceAndNothingIsSentAfterwards) {
  constexpr uint32_t kConnectTimeoutMs = 10000;
  BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, kConnectTimeoutMs);
  enum class Stage { Opening, Buffering };
  for (const Stage stage : {Stage::Opening, Stage::Buffering}) {
    SCOPED_TRACE(stage == Stage::Opening ? "opening" : "buffering");
    auto server = std::make_unique<LoopbackHttpServer>();
    server->ServeNothing("/silent");
    StreamScript trickle = LiveScript({});
    trickle.stallAtBytes = 12000;
    server->Serve("/trickle.mp3", trickle);
    notices_.clear();
    if (stage == Stage::Opening) {
      Open(server->Url("/silent"), 1000, 3000);
      ASSERT_TRUE(PumpUntil([&] { return server->Requests("/silent") == 1; }));
    } else {
      // Buffering waits up to twice the read time-out of 10 s.
      Open(server->Url("/trickle.mp3"), 10000, 10000);
      ASSERT_TRUE(PumpUntil([&] {
        return !notices_.empty() && IsBufferingStatus(notices_.back().status);
      }));
    }
    const auto start = std::chrono::steady_clock::now();
    stream_.reset();
    // Waiting for the connect thread would take the whole time-out.
    EXPECT_LT(std::chrono::steady_clock::now() - start,
              std::chrono::milliseconds(kConnectTimeoutMs / 2));

    // The server going ends a connect attempt; the abandoned thread reports nothing.
    server.reset();
    ProcessMessagesFor(500);
    EXPECT_FALSE(Has(NETSTREAM_NOTIFY_ERROR));
    EXPECT_FALSE(Has(NETSTREAM_NOTIFY_READY));
    BASS_StreamFree(mixer_);
    mixer_ = 0;
  }
}

TEST_F(NetworkStreamLoopbackTest, AStreamDestroyedByTheHandlerOfItsErrorNoticeIsNotTouchedAgain) {
  server_.ServeText("/missing", 404, "text/html", "<h1>Not Found</h1>");
  HWND destroyingWnd = AllocateHWnd([this](HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NETSTREAM_NOTIFY && wParam == NETSTREAM_NOTIFY_ERROR) {
      notices_.push_back(Notice{wParam, lParam, GetTickCount64(), {}, {}, stream_->ErrCode()});
      stream_.reset();  // the receiver is done with the stream
    }
    return DefWindowProc(wnd, msg, wParam, lParam);
  });
  stream_ = std::make_unique<TNetworkStream>(server_.Url("/missing"), kStreamId, destroyingWnd, 1000, 1000);
  stream_->OnError = [this](TNetworkStream&) { ++errorEvents_; };
  mixer_ = stream_->StreamCreate(kMixerFlags, 1, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return Has(NETSTREAM_NOTIFY_ERROR); }));
  EXPECT_EQ(notices_.back().errCode, BASS_ERROR_FILEOPEN);
  EXPECT_EQ(stream_, nullptr);
  EXPECT_EQ(errorEvents_, 0);  // OnError belonged to the stream that is gone
  DeallocateHWnd(destroyingWnd);
}

}  // namespace
}  // namespace netstreamtest
