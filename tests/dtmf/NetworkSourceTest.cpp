// The DTMF worker on a network address: it connects its reader's stream, analyses what the stream
// brings, follows titles, reconnects when the stream is lost, and stops promptly while connecting.
// Real servers on 127.0.0.1: Icecast fed by ffmpeg, and the loopback HTTP server for a stream that
// never gets ready.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "AudioFixtures.h"
#include "DtmfTestAudio.h"
#include "IcecastServer.h"
#include "LoopbackHttpServer.h"
#include "dtmf/audio_netstreamreader.h"
#include "platform/Exception.h"
#include "platform/MainLoop.h"
#include "platform/TickCount.h"

namespace {

using namespace dtmftest;
using audiofixtures::IcecastServer;

constexpr uint32_t ServerWaitMs = 40000;  // fail-safe bounds only

struct TSeenStatus {
  TNetSourceState state;
  std::string caption;
  uint64_t tickMs;
};

class NetworkSourceTest : public DtmfModuleTest {
 protected:
  void TearDown() override {
    if (sentry) sentry->Stop();
    sentry.reset();
    DtmfModuleTest::TearDown();
  }

  // Stereo keys on the right channel only, then `tailMs` of silence, as a WAV for a source.
  std::filesystem::path RightChannelKeys(const std::string& name, const std::string& keys, int tailMs) {
    std::vector<float> right = KeyChannel(keys, 0.3, 120, 120, 300);
    right.resize(right.size() + static_cast<size_t>(Rate * tailMs / 1000), 0.0f);
    const std::filesystem::path path = dir / name;
    audiofixtures::WriteWav(path, Stereo(std::vector<float>(right.size(), 0.0f), right), Rate, 2, 16);
    return path;
  }

  void StartSentry(const std::string& url) {
    sentry = std::make_unique<TToneSentry>(0, url);
    sentry->SetOnSourceStatus([this](const TNetSourceStatus& status) {
      statuses.push_back({status.state, status.caption, GetTickCount64()});
    });
    sentry->Start();
  }

  std::string Keys() const { return KeysOf(sentry->DetectedKeys()); }
  bool KeysHeard(const std::string& keys) const { return Keys().find(keys) != std::string::npos; }
  const TSeenStatus* Seen(TNetSourceState state, const std::string& caption = "") const {
    for (const TSeenStatus& status : statuses) {
      if (status.state == state && (caption.empty() || status.caption == caption)) return &status;
    }
    return nullptr;
  }

  audiofixtures::TempDir dir;
  std::unique_ptr<TToneSentry> sentry;
  std::vector<TSeenStatus> statuses;  // main thread
};

// The reader's 96 kHz stereo mixer feeds the push stream, so the right-channel mode applies
// (keys on the right only are heard); the keys come in order; a title set on the server reaches
// the worker's status.
TEST_F(NetworkSourceTest, DetectsTheKeysOfALiveStreamInOrderAndFollowsItsTitle) {
  if (!IcecastServer::Installed()) GTEST_SKIP() << "icecast2 and ffmpeg are needed";
  IcecastServer server;
  ASSERT_TRUE(server.Running()) << server.Log();
  ASSERT_GE(server.StartSource("/keys.mp3", RightChannelKeys("keys.wav", "159#", 2000), IcecastServer::Format::Mp3,
                               "First title", true), 0)
      << server.Log();
  PlayerIni->SetDTMFChannelMode(dcmRight);
  PlayerIni->SetDisableTitleSync(true);
  StartSentry(server.Url("/keys.mp3"));

  ASSERT_TRUE(ProcessMessagesUntil([&] { return KeysHeard("159#"); }, ServerWaitMs))
      << "keys: " << Keys() << "\n" << server.Log();
  EXPECT_NE(Seen(TNetSourceState::Connecting, "connecting"), nullptr);
  EXPECT_NE(Seen(TNetSourceState::Ready, "stream ready"), nullptr);
  EXPECT_EQ(Seen(TNetSourceState::Reconnecting), nullptr);

  ASSERT_TRUE(server.SetTitle("/keys.mp3", "Second title"));
  EXPECT_TRUE(ProcessMessagesUntil([&] { return Seen(TNetSourceState::Title, "Second title") != nullptr; },
                                   ServerWaitMs));
}

// The source goes away: the worker finds the stream lost, says so, connects again until the
// source is back, and then hears the keys the new source sends.
TEST_F(NetworkSourceTest, ReconnectsAfterTheSourceRestartsAndDetectsTheKeysSentAfterIt) {
  if (!IcecastServer::Installed()) GTEST_SKIP() << "icecast2 and ffmpeg are needed";
  IcecastServer server;
  ASSERT_TRUE(server.Running()) << server.Log();
  PlayerIni->SetDTMFChannelMode(dcmRight);
  const int first = server.StartSource("/live.mp3", RightChannelKeys("first.wav", "12", 1500),
                                       IcecastServer::Format::Mp3, "first", true);
  ASSERT_GE(first, 0) << server.Log();
  StartSentry(server.Url("/live.mp3"));
  ASSERT_TRUE(ProcessMessagesUntil([&] { return KeysHeard("12"); }, ServerWaitMs)) << "keys: " << Keys();

  server.StopSource(first);
  ASSERT_TRUE(ProcessMessagesUntil([&] { return Seen(TNetSourceState::Reconnecting) != nullptr; }, ServerWaitMs));
  ASSERT_FALSE(KeysHeard("A"));
  ASSERT_GE(server.StartSource("/live.mp3", RightChannelKeys("second.wav", "AB", 1500),
                               IcecastServer::Format::Mp3, "second", true), 0)
      << server.Log();
  EXPECT_TRUE(ProcessMessagesUntil([&] { return KeysHeard("AB"); }, ServerWaitMs)) << "keys: " << Keys();
  EXPECT_TRUE(sentry->ErrorText().empty()) << sentry->ErrorText();
}

// A stream that comes far faster than real time (a file served at full speed): every key arrives,
// in order, with nothing dropped or doubled at the joins of the pulls.
TEST_F(NetworkSourceTest, HearsEveryKeyOfAStreamServedFasterThanRealTime) {
  const std::string keys = "0123456789*#ABCD0123456789";
  const std::filesystem::path mp3 = dir / "fast.mp3";
  audiofixtures::Encode(RightChannelKeys("fast.wav", keys, 500), mp3, "-c:a libmp3lame -b:a 128k");
  audiofixtures::LoopbackHttpServer server;
  audiofixtures::StreamScript script;
  script.body = audiofixtures::ReadBytes(mp3);
  server.Serve("/fast.mp3", script);
  PlayerIni->SetDTMFChannelMode(dcmRight);
  StartSentry(server.Url("/fast.mp3"));

  ASSERT_TRUE(ProcessMessagesUntil([&] { return KeysHeard(keys); }, ServerWaitMs)) << "keys: " << Keys();
  EXPECT_EQ(Keys().substr(0, keys.size()), keys);
}

// A server that answers and then sends nothing: the stream never gets ready or fails (the read
// time-out from PlayerIni is longer than the wait). Connect gives up after its full 20000 ms, the
// worker finds the stream not alive and connects again.
TEST_F(NetworkSourceTest, ConnectWaitsItsFullLimitForAStreamThatNeverGetsReadyThenReconnects) {
  audiofixtures::LoopbackHttpServer server;
  audiofixtures::StreamScript script;
  script.body = std::string(4096, '\0');
  script.stallAtBytes = 1024;
  server.Serve("/silent", script);
  PlayerIni->SetNetReadTimeout(60000);
  StartSentry(server.Url("/silent"));

  ASSERT_TRUE(ProcessMessagesUntil([&] { return server.Requests("/silent") >= 2; }, ServerWaitMs));
  const TSeenStatus* connecting = Seen(TNetSourceState::Connecting);
  const TSeenStatus* lost = Seen(TNetSourceState::Reconnecting);
  ASSERT_NE(connecting, nullptr);
  ASSERT_NE(lost, nullptr);
  EXPECT_GE(lost->tickMs - connecting->tickMs, TNetStreamReader::ConnectLimitMs);
  EXPECT_EQ(Seen(TNetSourceState::Ready), nullptr);
  EXPECT_EQ(Seen(TNetSourceState::Error), nullptr);
}

// Stop while Connect waits: the wait ends at once instead of after its 20000 ms. Connect refuses
// the main thread, whose queue it needs.
TEST_F(NetworkSourceTest, StopWhileConnectWaitsEndsTheRunAtOnceAndConnectRefusesTheMainThread) {
  audiofixtures::LoopbackHttpServer server;
  audiofixtures::StreamScript script;
  script.body = std::string(4096, '\0');
  script.stallAtBytes = 1024;
  server.Serve("/silent", script);
  PlayerIni->SetNetReadTimeout(60000);
  StartSentry(server.Url("/silent"));
  ASSERT_TRUE(ProcessMessagesUntil([&] { return server.Requests("/silent") >= 1; }, ServerWaitMs));

  const auto before = std::chrono::steady_clock::now();
  sentry->Stop();
  const auto stopMs = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - before);
  EXPECT_LT(stopMs.count(), 5000) << "Stop waited for Connect's limit";
  EXPECT_EQ(Seen(TNetSourceState::Reconnecting), nullptr);

  TNetStreamReader reader(server.Url("/silent"), nullptr, nullptr, "DtmfReader");
  try {
    reader.Connect();
    ADD_FAILURE() << "Connect ran on the main thread";
  } catch (const Exception& error) {
    EXPECT_STREQ(error.what(), "NetStreamReader connect from main thread");
  }
  reader.StopThread();
}

}  // namespace
