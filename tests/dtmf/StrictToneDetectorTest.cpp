#include "dtmf/StrictToneDetector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "dtmf/StrictIsolation.h"
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

// Whether `heard` is AllKeys with some keys left out.
bool InPlayedOrder(const std::string& heard) {
  size_t at = 0;
  for (const char key : heard) {
    at = AllKeys.find(key, at);
    if (at == std::string::npos) return false;
    ++at;
  }
  return true;
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

// Keys under music louder than they are (the music peaks 14 dB above each tone, so the pair is a
// small part of the whole energy) are found from what sets them apart: alone in the key band, no
// harmonic of the notes below, starting and ending together. Whatever is found is a key that was
// there, in order; most are found (with the energy share alone, fewer than half were).
TEST(StrictToneDetectorTest, HearsMostKeysUnderLouderMusicAndNoOther) {
  size_t found = 0;
  size_t played = 0;
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    std::vector<float> keys;
    AppendSilence(keys, SampleRate, 300);
    for (const char key : AllKeys) {
      AppendTonePair(keys, SampleRate, KeyTones(key, 0.1), 100);
      AppendSilence(keys, SampleRate, 400);
    }
    synthaudio::MixInto(keys, synthaudio::MusicLike(SampleRate, 9, 0.5, seed), 1.0);
    const std::string heard = KeysOf(Detect(keys));
    EXPECT_TRUE(InPlayedOrder(heard)) << "seed " << seed << ": " << heard;
    found += heard.size();
    played += AllKeys.size();
  }
  EXPECT_GE(found, played * 70 / 96) << found << " of " << played;
}

// Pairs that sit on key frequencies and carry most of the energy, yet are no key: a note already
// sounding when the second joins, and harmonics of a lower note (the 4th and 7th of 174.25 Hz lie
// within 1 % of 697 and 1209 Hz).
TEST(StrictToneDetectorTest, HearsNoKeyInANoteAlreadySoundingOrInHarmonics) {
  std::vector<float> heldNote;
  AppendSilence(heldNote, SampleRate, 100);
  AppendTonePair(heldNote, SampleRate, {697, 0, 0.2, 0}, 400);
  AppendTonePair(heldNote, SampleRate, {697, 1209, 0.2, 0.2}, 80);
  AppendSilence(heldNote, SampleRate, 100);
  EXPECT_EQ(KeysOf(Detect(heldNote)), "");

  std::vector<float> harmonics;
  AppendSilence(harmonics, SampleRate, 100);
  AppendTonePair(harmonics, SampleRate, {174.25, 697, 0.15, 0.15}, 200);
  std::vector<float> seventh;
  AppendSilence(seventh, SampleRate, 100);
  AppendTonePair(seventh, SampleRate, {7 * 174.25, 0, 0.15, 0}, 200);
  synthaudio::MixInto(harmonics, seventh, 1.0);
  AppendSilence(harmonics, SampleRate, 100);
  EXPECT_EQ(KeysOf(Detect(harmonics)), "");
}

// The window measures behind those decisions, on 30 ms of tones.
TEST(StrictToneDetectorTest, MeasuresBandShareAndHarmonicLock) {
  const auto tones = [](std::initializer_list<std::pair<double, double>> hzAndAmplitude) {
    std::vector<float> out(IsolationSamples, 0.0f);
    for (const auto& [hz, amplitude] : hzAndAmplitude) {
      std::vector<float> tone;
      AppendTonePair(tone, SampleRate, {hz, 0, amplitude, 0}, 1000.0 * IsolationSamples / SampleRate);
      synthaudio::MixInto(out, tone, 1.0);
    }
    return out;
  };
  // Two tones alone fill the band; a third of the same level in the band takes its share.
  EXPECT_GT(PairBandShare(tones({{770, 0.1}, {1336, 0.1}}), 770, 1336), 0.95);
  EXPECT_NEAR(PairBandShare(tones({{770, 0.1}, {1336, 0.1}, {1050, 0.1}}), 770, 1336), 2.0 / 3, 0.1);
  // Energy outside the band does not count against the pair.
  EXPECT_GT(PairBandShare(tones({{770, 0.1}, {1336, 0.1}, {200, 0.3}}), 770, 1336), 0.9);

  struct THarmonicCase {
    const char* name;
    double lowerHz;   // a component below the 852 Hz tone, at the same level
    bool locked;
  } cases[] = {{"none", 0, false},
               {"852 / 2", 426, true},
               {"852 / 3", 284, true},
               {"852 / 5", 170.4, true},
               {"852 / 3 + 2.5 %", 291.1, false},
               {"852 / 2 - 2 %", 417.5, false}};
  for (const THarmonicCase& c : cases) {
    const double ratio = HarmonicRatio(c.lowerHz > 0 ? tones({{852, 0.1}, {c.lowerHz, 0.1}}) : tones({{852, 0.1}}), 852);
    if (c.locked) {
      EXPECT_GT(ratio, 0.7) << c.name;
    } else {
      EXPECT_LT(ratio, 0.2) << c.name;
    }
  }
}

}  // namespace
