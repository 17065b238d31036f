// The network stream client against a real Icecast server on the loopback interface, fed by
// ffmpeg: an MP3 mount with in-band titles (a title change is told after the buffered audio, or at
// once when title sync is off) and an Ogg Vorbis mount whose titles come from its comments.
#include "IcecastServer.h"
#include "NetworkStreamFixture.h"

namespace netstreamtest {
namespace {

constexpr int kRate = 44100;
constexpr int32_t kBufferMs = 4000;

class NetworkStreamIcecastTest : public NetworkStreamTest {
 protected:
  static void SetUpTestSuite() {
    if (!IcecastServer::Installed()) return;
    folder_ = new TempDir();
    WriteWav(*folder_ / "key5.wav", Sines({770.0, 1336.0}, 0.3, kRate, kRate * 2), kRate, 2, 16);
    server_ = new IcecastServer();
  }
  static void TearDownTestSuite() {
    delete server_;
    delete folder_;
    server_ = nullptr;
    folder_ = nullptr;
  }

  void SetUp() override {
    if (!server_) GTEST_SKIP() << "icecast2 or ffmpeg is not installed";
    ASSERT_TRUE(server_->Running()) << server_->Log();
    NetworkStreamTest::SetUp();
  }

  static int StartSource(const std::string& mount, IcecastServer::Format format,
                         const std::string& title) {
    return server_->StartSource(mount, *folder_ / "key5.wav", format, title, true);
  }

  // The title delay the stream works out when a title arrives now: the decoded share of the
  // download times the network buffer.
  uint64_t ExpectedTitleDelayMs() const {
    const double current = static_cast<double>(BASS_StreamGetFilePosition(stream_->Chan(), BASS_FILEPOS_CURRENT));
    const double download = static_cast<double>(BASS_StreamGetFilePosition(stream_->Chan(), BASS_FILEPOS_DOWNLOAD));
    return static_cast<uint64_t>(current / std::max(download, 1.0) * kBufferMs);
  }

  static inline TempDir* folder_ = nullptr;
  static inline IcecastServer* server_ = nullptr;
};

TEST_F(NetworkStreamIcecastTest, AnMp3MountIsReadyWithItsTitleAndLaterTitlesWaitForTheBufferedAudio) {
  struct Case {
    std::string mount;
    bool disableTitleSync;
  };
  for (const Case& c : {Case{"/delayed.mp3", false}, Case{"/at-once.mp3", true}}) {
    SCOPED_TRACE(c.mount);
    ASSERT_GE(StartSource(c.mount, IcecastServer::Format::Mp3, "Before"), 0) << server_->Log();
    notices_.clear();
    Open(server_->Url(c.mount), kBufferMs, 3000);
    stream_->SetDisableTitleSync(c.disableTitleSync);
    ASSERT_TRUE(PumpUntil([&] { return Has(NETSTREAM_NOTIFY_TITLE) || Has(NETSTREAM_NOTIFY_ERROR); }))
        << server_->Log();
    ASSERT_FALSE(Has(NETSTREAM_NOTIFY_ERROR)) << stream_->ErrCode();
    EXPECT_EQ(Count(NETSTREAM_NOTIFY_READY), 1);
    EXPECT_EQ(notices_.front().status, "HTTP/1.0 200 OK");
    EXPECT_EQ(Find(NETSTREAM_NOTIFY_TITLE)->title, "Before");
    EXPECT_TRUE(stream_->CheckStream());

    // Play on for a while so that the decoder is well into the download.
    const uint64_t playUntilMs = GetTickCount64() + 1500;
    PumpUntil([&] { return GetTickCount64() >= playUntilMs; });
    ASSERT_TRUE(server_->SetTitle(c.mount, "After the change"));
    const size_t noticesBefore = notices_.size();
    ASSERT_TRUE(PumpUntil([&] { return stream_->SongTitle() == "After the change"; }));
    const uint64_t changedMs = GetTickCount64();
    const uint64_t expectedDelayMs = ExpectedTitleDelayMs();
    ASSERT_GT(expectedDelayMs, 1000u);  // else the cases could not tell delayed from at once
    ASSERT_TRUE(PumpUntil([&] { return Find(NETSTREAM_NOTIFY_TITLE, noticesBefore) != nullptr; }));
    const uint64_t toldAfterMs = Find(NETSTREAM_NOTIFY_TITLE, noticesBefore)->tickMs - changedMs;
    if (c.disableTitleSync) {
      EXPECT_LT(toldAfterMs, expectedDelayMs / 2);
    } else {
      // The stream worked its delay out a moment before this test did.
      EXPECT_GE(toldAfterMs + 250, expectedDelayMs);
    }
    EXPECT_TRUE(stream_->CheckStream());
    stream_.reset();
    BASS_StreamFree(mixer_);
    mixer_ = 0;
  }
}

TEST_F(NetworkStreamIcecastTest, AnOggMountTakesItsTitlesFromTheComments) {
  ASSERT_GE(StartSource("/keys.ogg", IcecastServer::Format::OggVorbis, "First Ogg"), 0) << server_->Log();
  // The quiet tone compresses far below the nominal bit rate: a short buffer fills soon enough.
  Open(server_->Url("/keys.ogg"), 1000, 5000);
  stream_->SetDisableTitleSync(true);
  ASSERT_TRUE(PumpUntil([&] { return Has(NETSTREAM_NOTIFY_TITLE) || Has(NETSTREAM_NOTIFY_ERROR); }))
      << server_->Log();
  ASSERT_FALSE(Has(NETSTREAM_NOTIFY_ERROR)) << stream_->ErrCode();
  EXPECT_EQ(Find(NETSTREAM_NOTIFY_TITLE)->title, "First Ogg");

  const size_t noticesBefore = notices_.size();
  ASSERT_TRUE(server_->SetTitle("/keys.ogg", "Second Ogg"));
  ASSERT_TRUE(PumpUntil([&] { return Find(NETSTREAM_NOTIFY_TITLE, noticesBefore) != nullptr; }));
  EXPECT_EQ(Find(NETSTREAM_NOTIFY_TITLE, noticesBefore)->title, "Second Ogg");
}

}  // namespace
}  // namespace netstreamtest
