#include "dtmf/StrictToneDetector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "dtmf/SyntheticAudio.h"

namespace {

using namespace strictdtmf;
using synthaudio::AppendSilence;
using synthaudio::AppendTonePair;
using synthaudio::KeyTones;
using synthaudio::TTonePair;

constexpr double ToneAmplitude = 0.2;  // -14 dBFS each tone
const std::string AllKeys = "123A456B789C*0#D";

std::vector<TStrictKey> Detect(const std::vector<float>& samples, TStrictLimits limits = {}) {
  TStrictToneDetector detector(limits);
  std::vector<TStrictKey> keys;
  detector.OnKeyEnd = [&](const TStrictKey& key) { keys.push_back(key); };
  // Uneven pieces, as a mixer delivers them.
  for (size_t at = 0; at < samples.size(); at += 333)
    detector.Process(std::span(samples).subspan(at, std::min<size_t>(333, samples.size() - at)));
  detector.Finish();
  return keys;
}

std::string KeysOf(const std::vector<TStrictKey>& keys) {
  std::string text;
  for (const TStrictKey& key : keys) text += static_cast<char>(key.Key());
  return text;
}

struct TShapeCase {
  const char* name;
  double lowFactor;    // frequency factors
  double highFactor;
  double twistDb;      // high tone relative to the low tone
  double toneMs;
  bool accepted;
};

// The acceptance limits, for every key: duration, frequency deviation of either tone, twist.
TEST(StrictToneDetectorTest, AcceptsAndRejectsEveryKeyAtTheLimits) {
  const TShapeCase cases[] = {
      {"40 ms", 1, 1, 0, 40, true},
      {"23 ms", 1, 1, 0, 23, false},
      {"20 ms", 1, 1, 0, 20, false},
      {"low +1.5 %", 1.015, 1, 0, 50, true},
      {"low -1.5 %", 0.985, 1, 0, 50, true},
      {"high +1.5 %", 1, 1.015, 0, 50, true},
      {"high -1.5 %", 1, 0.985, 0, 50, true},
      {"both +1.5 % at 40 ms", 1.015, 1.015, 0, 40, true},
      {"low +3.5 %", 1.035, 1, 0, 100, false},
      {"low -3.5 %", 0.965, 1, 0, 100, false},
      {"high +3.5 %", 1, 1.035, 0, 100, false},
      {"high -3.5 %", 1, 0.965, 0, 100, false},
      {"twist -8 dB", 1, 1, -8, 50, true},
      {"twist +4 dB", 1, 1, 4, 50, true},
      {"twist -10 dB", 1, 1, -10, 100, false},
      {"twist +6 dB", 1, 1, 6, 100, false},
  };
  for (const TShapeCase& c : cases) {
    std::vector<float> audio;
    AppendSilence(audio, SampleRate, 100);
    for (const char key : AllKeys) {
      TTonePair pair = KeyTones(key, ToneAmplitude);
      pair.lowHz *= c.lowFactor;
      pair.highHz *= c.highFactor;
      pair.highAmplitude *= std::pow(10.0, c.twistDb / 20);
      AppendTonePair(audio, SampleRate, pair, c.toneMs);
      AppendSilence(audio, SampleRate, 100);
    }
    EXPECT_EQ(KeysOf(Detect(audio)), c.accepted ? AllKeys : "") << c.name;
  }
}

// Edges within 5 ms of the tone's, so durations within 10 ms, whatever the tone's position within
// a 5 ms block.
TEST(StrictToneDetectorTest, PlacesTheEdgesOfAKeyWithinAFewMilliseconds) {
  for (const double leadMs : {100.0, 101.3, 102.5, 103.9}) {
    for (const double toneMs : {40.0, 47.7, 120.0, 1000.0}) {
      std::vector<float> audio;
      AppendSilence(audio, SampleRate, leadMs);
      AppendTonePair(audio, SampleRate, KeyTones('7', ToneAmplitude), toneMs);
      AppendSilence(audio, SampleRate, 100);
      const std::vector<TStrictKey> keys = Detect(audio);
      ASSERT_EQ(KeysOf(keys), "7") << leadMs << " " << toneMs;
      EXPECT_NEAR(keys[0].startSample * 1000.0 / SampleRate, leadMs, 2) << leadMs << " " << toneMs;
      EXPECT_NEAR(keys[0].DurationMs(), toneMs, 3) << leadMs << " " << toneMs;
      EXPECT_NEAR(keys[0].lowAmplitude, ToneAmplitude, ToneAmplitude * 0.05);
    }
  }
}

// A repeated key after a 40 ms pause counts twice; a 10 ms dropout inside a key does not split it;
// a key changing straight into another gives both.
TEST(StrictToneDetectorTest, SeparatesKeysByPausesButBridgesShortDropouts) {
  std::vector<float> repeated;
  AppendSilence(repeated, SampleRate, 100);
  for (const char key : std::string("55 99 ##")) {
    if (key == ' ') {
      AppendSilence(repeated, SampleRate, 300);
      continue;
    }
    AppendTonePair(repeated, SampleRate, KeyTones(key, ToneAmplitude), 40);
    AppendSilence(repeated, SampleRate, 40);
  }
  EXPECT_EQ(KeysOf(Detect(repeated)), "5599##");

  std::vector<float> dropout;
  AppendSilence(dropout, SampleRate, 100);
  AppendTonePair(dropout, SampleRate, KeyTones('8', ToneAmplitude), 60);
  AppendSilence(dropout, SampleRate, 10);
  AppendTonePair(dropout, SampleRate, KeyTones('8', ToneAmplitude), 60);
  AppendSilence(dropout, SampleRate, 100);
  const std::vector<TStrictKey> bridged = Detect(dropout);
  ASSERT_EQ(KeysOf(bridged), "8");
  EXPECT_NEAR(bridged[0].DurationMs(), 130, 5);

  std::vector<float> change;
  AppendSilence(change, SampleRate, 100);
  AppendTonePair(change, SampleRate, KeyTones('1', ToneAmplitude), 60);
  AppendTonePair(change, SampleRate, KeyTones('2', ToneAmplitude), 60);
  AppendSilence(change, SampleRate, 100);
  EXPECT_EQ(KeysOf(Detect(change)), "12");
}

TEST(StrictToneDetectorTest, KeepsTheLevelThresholdAndHearsKeysInNoise) {
  const double threshold = std::pow(10.0, -26.0 / 20);
  TStrictLimits limits;
  limits.thresholdAmplitude = threshold;
  for (const auto& [levelDb, noiseDb, found] : std::vector<std::tuple<double, double, bool>>{
           {-23, -200, true}, {-29, -200, false}, {-10, -30, true}, {-20, -40, true}}) {
    std::vector<float> audio;
    AppendSilence(audio, SampleRate, 100);
    for (const char key : AllKeys) {
      AppendTonePair(audio, SampleRate, KeyTones(key, std::pow(10.0, levelDb / 20)), 50);
      AppendSilence(audio, SampleRate, 60);
    }
    synthaudio::AddWhiteNoise(audio, std::pow(10.0, noiseDb / 20), 7);
    EXPECT_EQ(KeysOf(Detect(audio, limits)), found ? AllKeys : "") << levelDb << " dB, noise " << noiseDb;
  }
}

TEST(StrictToneDetectorTest, HearsNoKeyInMusicOrSpeechAlone) {
  for (uint32_t seed = 1; seed <= 4; ++seed) {
    EXPECT_EQ(KeysOf(Detect(synthaudio::MusicLike(SampleRate, 30, 0.9, seed))), "") << "music " << seed;
    EXPECT_EQ(KeysOf(Detect(synthaudio::SpeechLike(SampleRate, 30, 0.9, seed))), "") << "speech " << seed;
  }
}

TEST(StrictToneDetectorTest, HearsKeysOverSpeechAndMusic) {
  for (const bool music : {false, true}) {
    std::vector<float> keys;
    AppendSilence(keys, SampleRate, 300);
    for (const char key : AllKeys) {
      AppendTonePair(keys, SampleRate, KeyTones(key, ToneAmplitude), 60);
      AppendSilence(keys, SampleRate, 240);
    }
    const std::vector<float> under = music ? synthaudio::MusicLike(SampleRate, 6, 0.2, 3)
                                           : synthaudio::SpeechLike(SampleRate, 6, 0.2, 3);
    synthaudio::MixInto(keys, under, 1.0);
    EXPECT_EQ(KeysOf(Detect(keys)), AllKeys) << (music ? "music" : "speech");
  }
}

}  // namespace
