#include "dtmf/qv_dtmf.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "DtmfTestAudio.h"
#include "dtmf/DelayLine.h"
#include "dtmf/ToneLog.h"
#include "platform/MainLoop.h"
#include "platform/RecordingMessageBoxPresenter.h"

namespace {

using namespace dtmftest;

constexpr uint32_t FailSafeMs = 60000;
const char* const MonoWarning =
    "Warning: DTMF source is not stereo. Stereo processing settings are ignored. Using left "
    "channel only. ";

class ToneSentryTest : public DtmfModuleTest {
 protected:
  // Runs a sentry over a source whose end is marked and returns the keys it heard.
  std::string KeysOf(HSTREAM source) {
    StartToneSentry(source, "");
    EXPECT_TRUE(ProcessMessagesUntil([] { return CurrentToneSentry()->Finished(); }, FailSafeMs));
    const std::string keys = dtmftest::KeysOf(CurrentToneSentry()->DetectedKeys());
    StopToneSentry();
    return keys;
  }
};

struct TRoutingCase {
  const char* name;
  const char* left;
  const char* right;
  int mode;
  const char* expected;
};

class ChannelRouting : public ToneSentryTest, public testing::WithParamInterface<TRoutingCase> {};

TEST_P(ChannelRouting, AnalysesTheChannelsTheModeSelects) {
  const TRoutingCase& c = GetParam();
  PlayerIni->SetDTMFChannelMode(c.mode);
  EXPECT_EQ(KeysOf(PushStreamOf(Stereo(KeyChannel(c.left), KeyChannel(c.right)), 2)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ChannelRouting,
    testing::Values(TRoutingCase{"leftTakesLeft", "147", "369", 0, "147"},
                    TRoutingCase{"rightTakesRight", "147", "369", 1, "369"},
                    TRoutingCase{"sumKeepsKeyOnOneSide", "28#", "", 2, "28#"},
                    TRoutingCase{"sumOfIdenticalChannels", "0AB", "0AB", 2, "0AB"},
                    TRoutingCase{"differenceCancelsIdenticalChannels", "123", "123", 3, ""},
                    TRoutingCase{"differenceKeepsKeyOnOneSide", "", "CD*", 3, "CD*"}),
    [](const testing::TestParamInfo<TRoutingCase>& info) { return std::string(info.param.name); });

TEST_F(ToneSentryTest, FindsEverySixteenKeysInOrderAndLogsEachStart) {
  EXPECT_EQ(KeysOf(PushStreamOf(KeyChannel("123A456B789C*0#D"), 1)), "123A456B789C*0#D");
}

TEST_F(ToneSentryTest, RepeatedKeyWithAPauseIsLoggedTwice) {
  EXPECT_EQ(KeysOf(PushStreamOf(KeyChannel("55 5"), 1)), "555");
}

TEST_F(ToneSentryTest, KeyChangingWithoutPauseLogsBoth) {
  EXPECT_EQ(KeysOf(PushStreamOf(KeyChannel("12", 0.3, 200, 0), 1)), "12");
}

TEST_F(ToneSentryTest, KeyQuieterThanTheThresholdIsIgnored) {
  PlayerIni->SetDTMFThreshold(0.5);  // the test tones are 0.3 each
  EXPECT_EQ(KeysOf(PushStreamOf(KeyChannel("123"), 1)), "");
}

TEST_F(ToneSentryTest, MonoSourceWithAStereoModeWarnsOnceAndUsesItsChannel) {
  RecordingMessageBoxPresenter boxes;
  PlayerIni->SetDTMFChannelMode(3);
  EXPECT_EQ(KeysOf(PushStreamOf(KeyChannel("9"), 1)), "9");
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, MonoWarning);
  EXPECT_EQ(boxes.Boxes()[0].caption, "Error");
}

TEST_F(ToneSentryTest, MonoSourceInLeftModeDoesNotWarn) {
  RecordingMessageBoxPresenter boxes;
  EXPECT_EQ(KeysOf(PushStreamOf(KeyChannel("9"), 1)), "9");
  EXPECT_TRUE(boxes.Boxes().empty());
}

// The key sits in the last 50 ms of the source: less than the 4096 frames the worker waits for,
// so without the end-of-data flush it would never be heard.
TEST_F(ToneSentryTest, KeyAtTheVeryEndOfAMarkedSourceIsFound) {
  EXPECT_EQ(KeysOf(PushStreamOf(KeyChannel("4", 0.3, 60, 0, 1000), 1)), "4");
}

TEST_F(ToneSentryTest, UnknownChannelModeEndsTheAnalysisWithItsReason) {
  PlayerIni->SetDTMFChannelMode(7);
  // More than the worker waits for: an unknown mode must not leave it waiting for a queue that
  // never drains.
  StartToneSentry(PushStreamOf(Stereo(KeyChannel("123", 0.3, 100, 100, 3000), {}), 2, false), "");
  ASSERT_TRUE(ProcessMessagesUntil([] { return CurrentToneSentry()->Finished(); }, FailSafeMs));
  EXPECT_THAT(CurrentToneSentry()->ErrorText(), testing::HasSubstr("unknown channel mode 7"));
  EXPECT_TRUE(CurrentToneSentry()->DetectedKeys().empty());
  StopToneSentry();
}

// A failure inside the worker (here a DSP procedure of the source that throws) must end the
// analysis with its reason, not leave the caller waiting for a worker that is gone.
TEST_F(ToneSentryTest, FailureInsideTheWorkerEndsTheAnalysisWithItsReason) {
  const HSTREAM source = PushStreamOf(KeyChannel("5", 0.3, 100, 100, 1000), 1, false);
  BASS_ChannelSetDSP(source, [](HDSP, DWORD, void*, DWORD, void*) { throw std::runtime_error("disk on fire"); },
                     nullptr, 0);
  StartToneSentry(source, "");
  ASSERT_TRUE(ProcessMessagesUntil([] { return CurrentToneSentry()->Finished(); }, FailSafeMs));
  EXPECT_THAT(CurrentToneSentry()->ErrorText(), testing::HasSubstr("disk on fire"));
  StopToneSentry();
  EXPECT_EQ(AnalysisMixer(), 0u);
}

// The stored delay is held to the range the command line accepts (0-60 s); anything else means
// no delay, rather than a ring of hundreds of MB or a failed allocation.
TEST_F(ToneSentryTest, DelayOutsideZeroToSixtySecondsMeansNoDelay) {
  for (const double delay : {-1.0, -0.0001, std::nan(""), 60.001, 3600.0, 1e5}) {
    SCOPED_TRACE(delay);
    PlayerIni->SetDTMFDelay(delay);
    StartToneSentry(PushStreamOf(KeyChannel("47"), 1), "");
    ASSERT_TRUE(ProcessMessagesUntil([] { return CurrentToneSentry()->Finished(); }, FailSafeMs));
    EXPECT_EQ(DelayLineLength(), 0u);
    EXPECT_EQ(dtmftest::KeysOf(CurrentToneSentry()->DetectedKeys()), "47");
    StopToneSentry();
  }
}

// The remainder that the worker leaves for the end (under 4096 source frames) is half a second at
// 8 kHz: the flush must let it out, and then the whole delay, at any source rate.
TEST_F(ToneSentryTest, DelayedKeyAtTheVeryEndIsFoundAtAnySourceRate) {
  PlayerIni->SetDTMFDelay(0.5);
  for (const DWORD rate : {8000u, 11025u, 16000u, 22050u, 44100u, 96000u}) {
    SCOPED_TRACE(rate);
    const std::vector<float> audio = KeyChannel("3D", 0.3, 100, 0, 1000, static_cast<int>(rate));
    EXPECT_EQ(KeysOf(PushStreamOf(audio, 1, true, rate)), "3D");
  }
}

TEST_F(ToneSentryTest, DelayShiftsTheAnalysisButStillFindsTheLastKey) {
  PlayerIni->SetDTMFDelay(0.5);
  const std::vector<float> audio = KeyChannel("67", 0.3, 100, 100, 1000);
  StartToneSentry(PushStreamOf(audio, 1), "");
  ASSERT_TRUE(ProcessMessagesUntil([] { return CurrentToneSentry()->Finished(); }, FailSafeMs));
  const std::vector<TDetectedKey> keys = CurrentToneSentry()->DetectedKeys();
  ASSERT_EQ(keys.size(), 2u);
  // Start times are given in the source's own time line, the delay taken out.
  EXPECT_NEAR(keys[0].startMs, 1000, 40);
  EXPECT_NEAR(keys[1].startMs, 1200, 40);
  StopToneSentry();
}

TEST_F(ToneSentryTest, KeyDetailsGiveStartDurationAndLevels) {
  StartToneSentry(PushStreamOf(KeyChannel("8", 0.3, 300, 200, 500), 1), "");
  ASSERT_TRUE(ProcessMessagesUntil([] { return CurrentToneSentry()->Finished(); }, FailSafeMs));
  const std::vector<TDetectedKey> keys = CurrentToneSentry()->DetectedKeys();
  ASSERT_EQ(keys.size(), 1u);
  EXPECT_NEAR(keys[0].startMs, 500, 40);
  EXPECT_NEAR(keys[0].durationMs, 300, 70);
  // Each tone at 0.3 of full scale: about -10.5 dB, with no twist.
  EXPECT_NEAR(keys[0].lowLevelDb, -10.5, 1.0);
  EXPECT_NEAR(keys[0].highLevelDb, -10.5, 1.0);
  EXPECT_NEAR(keys[0].twistDb(), 0, 1.0);
  StopToneSentry();
}

TEST_F(ToneSentryTest, SourceWithoutEndMarkKeepsWaitingAndAnalysesWhatArrives) {
  const HSTREAM source = PushStreamOf(KeyChannel("3", 0.3, 100, 100, 200), 1, false);
  StartToneSentry(source, "");
  // Enough audio behind the key for the worker to reach it without an end mark.
  const std::vector<float> more = KeyChannel("", 0.3, 100, 100, 1000);
  BASS_StreamPutData(source, more.data(), static_cast<DWORD>(more.size() * sizeof(float)));
  EXPECT_TRUE(ProcessMessagesUntil([] { return TakeDetectedTones(false) == "3"; }, FailSafeMs));
  EXPECT_FALSE(CurrentToneSentry()->Finished());
  StopToneSentry();
}

TEST_F(ToneSentryTest, StoppingWithoutASentryOnlyResetsTheMixer) {
  StopToneSentry();
  EXPECT_EQ(AnalysisMixer(), 0u);
  EXPECT_EQ(CurrentToneSentry(), nullptr);
}

TEST_F(ToneSentryTest, InvalidSourceEndsTheWorkerWithoutKeys) {
  StartToneSentry(12345678, "");
  StopToneSentry();
  EXPECT_EQ(TakeDetectedTones(true), "");
}

}  // namespace
