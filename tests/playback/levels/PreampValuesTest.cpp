#include "playback/levels/PreampValues.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "playback/levels/PlaybackBed.h"
#include "playback/levels/TrackData.h"

namespace {

TEST(PreampValues, StartAtZeroDbAndFullVolume) {
    TPreampValues values;
    for (int32_t index = piGain; index <= piGain2; ++index) {
        EXPECT_EQ(values.GetByIndex(index), index == piVolume ? 100.0 : 0.0) << index;
    }
    EXPECT_FALSE(values.Mute());
    EXPECT_DOUBLE_EQ(values.GetSampleMultiplier(), 1.0);
}

TEST(PreampValues, EachIndexReachesItsOwnProperty) {
    TPreampValues values;
    values.SetGain(1);
    values.SetMic(2);
    values.SetFileType(3);
    values.SetReplayGain(4);
    values.SetTagLevel(5);
    values.SetSegueLevel(6);
    values.SetVolume(7);
    values.SetGain2(8);
    for (int32_t index = piGain; index <= piGain2; ++index) {
        EXPECT_EQ(values.GetByIndex(index), index + 1.0) << index;
    }
    EXPECT_EQ(values.GetByIndex(-1), 0.0);
    EXPECT_EQ(values.GetByIndex(8), 0.0);
    EXPECT_EQ(values.GetLevel(), 1 + 2 + 3 + 4 + 5 + 6 + 8.0);  // Volume is no level
    EXPECT_EQ(values.GetLevelForMixed(), -(4 + 5 + 6.0));
}

TEST(PreampValues, EveryWriteByIndexFiresOnChangeEvenOutsideTheIndexes) {
    TPreampValues values;
    std::vector<TPreampValues*> senders;
    values.OnChange = [&](TPreampValues* sender) { senders.push_back(sender); };
    values.SetByIndex(piSegueLevel, -2.0);
    values.SetByIndex(9, 5.0);
    values.SetByIndex(-1, 5.0);
    EXPECT_EQ(senders, (std::vector<TPreampValues*>{&values, &values, &values}));
    EXPECT_EQ(values.GetLevel(), -2.0);
    EXPECT_EQ(values.Volume(), 100.0);

    values.SetMute(true);
    EXPECT_EQ(senders.size(), 3u);
    EXPECT_TRUE(values.GetMute());
}

TEST(PreampValues, OnChangeRunsOutsideTheLock) {
    TPreampValues values;
    double seen = 0.0;
    // Reading (taking the read lock) inside the event would deadlock while the write lock is held.
    values.OnChange = [&](TPreampValues* sender) { seen = sender->Gain() + sender->GetSampleMultiplier(); };
    values.SetGain(-6.0);
    EXPECT_NEAR(seen, -6.0 + std::pow(10.0, -6.0 / 20), 1e-12);
}

struct MultiplierCase {
    const char* what;
    double gain, mic, fileType, replayGain, tagLevel, segueLevel, volume, gain2;
    bool mute;
    double multiplier;
};

TEST(PreampValues, SampleMultiplierFollowsTheLevelSumVolumeAndSilenceLimits) {
    const std::vector<MultiplierCase> cases = {
        {"all at rest", 0, 0, 0, 0, 0, 0, 100, 0, false, 1.0},
        {"gain at -31 dB", -31, 0, 0, 0, 0, 0, 100, 0, false, 0.0},
        {"gain just above -31 dB", -30.9, 0, 0, 0, 0, 0, 100, 0, false, std::pow(10.0, -30.9 / 20)},
        {"mic at -50 dB", 0, -50, 0, 0, 0, 0, 100, 0, false, 0.0},
        {"mic just above -50 dB", 0, -49.9, 0, 0, 0, 0, 100, 0, false, std::pow(10.0, -49.9 / 20)},
        {"muted", 0, 0, 0, 0, 0, 0, 100, 0, true, 0.0},
        {"sum of +70 dB held at +50", 10, 0, 20, 10, 10, 10, 100, 10, false, std::pow(10.0, 50.0 / 20)},
        {"sum of -80 dB held at -60", -30, -40, 0, 0, 0, 0, 100, -10, false, std::pow(10.0, -60.0 / 20)},
        {"half volume at -6 dB", 0, 0, -3, 0, 0, -3, 50, 0, false, 0.5 * std::pow(10.0, -6.0 / 20)},
        {"every dB value counts", 1, 1, 1, 1, 1, 1, 100, 1, false, std::pow(10.0, 7.0 / 20)},
        {"volume 0", 0, 0, 0, 0, 0, 0, 0, 0, false, 0.0},
    };
    for (const MultiplierCase& c : cases) {
        TPreampValues values;
        values.SetGain(c.gain);
        values.SetMic(c.mic);
        values.SetFileType(c.fileType);
        values.SetReplayGain(c.replayGain);
        values.SetTagLevel(c.tagLevel);
        values.SetSegueLevel(c.segueLevel);
        values.SetVolume(c.volume);
        values.SetGain2(c.gain2);
        values.SetMute(c.mute);
        EXPECT_NEAR(values.GetSampleMultiplier(), c.multiplier, 1e-12) << c.what;
    }
    TPreampValues values;
    values.SetVolume(50);
    values.SetGain(-6);
    EXPECT_NEAR(values.GetSampleMultiplier(), 0.2506, 0.0001);
    values.SetGain(70);
    values.SetVolume(100);
    EXPECT_NEAR(values.GetSampleMultiplier(), 316.23, 0.01);
}

TEST(PreampValues, LevelTextShowsEachDbValueWithoutDecimals) {
    TPreampValues values;
    values.SetGain(-3.4);
    EXPECT_EQ(values.GetLevelStr(), "G-3/M0/F0/R0/T0/S0/g0");
    values.SetGain(-0.4);
    values.SetMic(2.5);
    values.SetFileType(-2.5);
    values.SetReplayGain(12.6);
    values.SetTagLevel(-7);
    values.SetSegueLevel(0.49);
    values.SetGain2(-60);
    values.SetVolume(55);  // not shown
    EXPECT_EQ(values.GetLevelStr(), "G0/M3/F-3/R13/T-7/S0/g-60");
    values.SetGain(1e300);
    const std::string text = values.GetLevelStr();
    EXPECT_GT(text.size(), 300u);
    EXPECT_TRUE(text.starts_with("G1000")) << text;
    EXPECT_TRUE(text.ends_with("/M3/F-3/R13/T-7/S0/g-60")) << text;
}

// Mixing threads read while the main thread writes (ThreadSanitizer checks the locking).
TEST(PreampValues, ReadersOnOtherThreadsSeeOnlyWrittenStates) {
    TPreampValues values;
    std::atomic<bool> stop{false};
    std::atomic<int> badReads{0};
    // Gain and Gain2 are written one after the other as +-20 dB: the level sum is 0, +20 (before the
    // first Gain2), +40 or -40 dB at any moment.
    const auto isWrittenState = [](double multiplier) {
        for (const double sumDb : {0.0, 20.0, 40.0, -40.0}) {
            if (std::abs(multiplier - std::pow(10.0, sumDb / 20)) < 1e-9) return true;
        }
        return false;
    };
    std::vector<std::thread> readers;
    for (int r = 0; r < 2; ++r) {
        readers.emplace_back([&] {
            while (!stop.load()) {
                if (!isWrittenState(values.GetSampleMultiplier())) ++badReads;
            }
        });
    }
    for (int i = 0; i < 20000; ++i) {
        values.SetGain(i % 2 ? -20.0 : 20.0);
        values.SetGain2(i % 2 ? 20.0 : -20.0);
    }
    stop = true;
    for (std::thread& reader : readers) reader.join();
    EXPECT_EQ(badReads.load(), 0);
}

TEST(TrackData, StartsEmptyWithoutPrescannedLengthOrMixPoint) {
    const TTrackData data;
    EXPECT_EQ(data.ScanData.PrescannedLength, -1);
    EXPECT_EQ(data.ScanData.DetectedMixPoint, -1);
    EXPECT_EQ(data.ScanData.DetectedMixStartPoint, 0);
    EXPECT_EQ(data.ScanData.length_bytes, 0);
    EXPECT_EQ(data.ScanData.start_sec, 0.0);
    EXPECT_FALSE(data.Scanned);
    EXPECT_EQ(data.ReplayGain, 0.0);
    const TPlaybackBed bed;
    EXPECT_FALSE(bed.Enabled);
    EXPECT_TRUE(bed.FN.empty());
}

}  // namespace
