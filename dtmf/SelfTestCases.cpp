#include "dtmf/SelfTestCases.h"

#include <algorithm>
#include <cmath>

#include "dtmf/SyntheticAudio.h"

namespace {

using synthaudio::TTonePair;

constexpr int Rate = SelfTestSampleRate;
const std::string AllKeys = "123A456B789C*0#D";

double Amplitude(double levelDb) { return std::pow(10.0, levelDb / 20); }

struct TKeyShape {
  double toneMs = 50;
  double pauseMs = 50;
  double lowFactor = 1;   // frequency factors
  double highFactor = 1;
  double twistDb = 0;     // high tone relative to the low tone; the stronger one is raised, so the
                          // weaker stays at the sequence's level
};

// `keys` one after another in the given shape, with 100 ms of silence before and after.
std::vector<float> KeySequence(const std::string& keys, double levelDb, const TKeyShape& shape) {
  std::vector<float> out;
  synthaudio::AppendSilence(out, Rate, 100);
  for (const char key : keys) {
    TTonePair pair = synthaudio::KeyTones(key, Amplitude(levelDb));
    pair.lowHz *= shape.lowFactor;
    pair.highHz *= shape.highFactor;
    if (shape.twistDb > 0) pair.highAmplitude *= Amplitude(shape.twistDb);
    if (shape.twistDb < 0) pair.lowAmplitude *= Amplitude(-shape.twistDb);
    synthaudio::AppendTonePair(out, Rate, pair, shape.toneMs);
    synthaudio::AppendSilence(out, Rate, shape.pauseMs);
  }
  synthaudio::AppendSilence(out, Rate, 100);
  return out;
}

TSelfTestCase EveryKey(std::string name, bool found, double levelDb, const TKeyShape& shape,
                       std::string departure = "") {
  return {std::move(name), KeySequence(AllKeys, levelDb, shape), found ? AllKeys : "", std::move(departure)};
}

// Every key, 80 ms on and 420 ms off, mixed over `under` (scaled to peak at the tones' peak).
TSelfTestCase KeysOver(std::string name, std::vector<float> under, double levelDb, std::string departure) {
  std::vector<float> keys = KeySequence(AllKeys, levelDb, {80, 420});
  under.resize(keys.size(), 0.0f);
  synthaudio::MixInto(under, keys, 1.0);
  return {std::move(name), std::move(under), AllKeys, std::move(departure)};
}

}  // namespace

std::vector<TSelfTestCase> MakeSelfTestCases(double thresholdDb) {
  const double levelDb = std::min(thresholdDb + 16, -7.0);
  const double peak = 2 * Amplitude(levelDb);
  std::vector<TSelfTestCase> cases;
  cases.push_back(EveryKey("every key, 50 ms on, 50 ms off", true, levelDb, {}));
  cases.push_back(EveryKey("tones of 40 ms", true, levelDb, {40, 60}));
  cases.push_back(EveryKey("tones of 23 ms are no keys", false, levelDb, {23, 77},
                           "it decides on single 32 ms frames, so a blip filling most of one is a key"));
  cases.push_back({"key repeated after 40 ms pauses", KeySequence("5555", levelDb, {50, 40}), "5555", ""});
  {
    std::vector<float> dropout = KeySequence("8", levelDb, {60, 10});
    std::vector<float> rest = KeySequence("8", levelDb, {60, 100});
    dropout.resize(dropout.size() - Rate / 10);  // join the two tones: 60 ms, 10 ms gap, 60 ms
    dropout.insert(dropout.end(), rest.begin() + Rate / 10, rest.end());
    cases.push_back({"10 ms dropout inside a key", std::move(dropout), "8", ""});
  }
  const char* fixedBins =
      "it reads one fixed 31.25 Hz bin per tone; 1.5 % off, the highest tones are a bin away and read "
      "6 dB lower, so they are missed unless well above the level";
  cases.push_back(EveryKey("both tones 1.5 % high", true, levelDb, {50, 50, 1.015, 1.015}, fixedBins));
  cases.push_back(EveryKey("both tones 1.5 % low", true, levelDb, {50, 50, 0.985, 0.985}, fixedBins));
  cases.push_back(EveryKey("both tones 3.5 % high are no keys", false, levelDb, {50, 50, 1.035, 1.035},
                           "it reads one fixed 31.25 Hz bin per tone, and a tone 3.5 % off still reads well in it"));
  cases.push_back(EveryKey("both tones 3.5 % low are no keys", false, levelDb, {50, 50, 0.965, 0.965},
                           "it reads one fixed 31.25 Hz bin per tone, and a tone 3.5 % off still reads well in it"));
  cases.push_back(EveryKey("twist -8 dB (high tone weaker)", true, levelDb, {50, 50, 1, 1, -8},
                           "its twist limit is a factor of 2.2 (6.8 dB) either way"));
  cases.push_back(EveryKey("twist +4 dB (high tone stronger)", true, levelDb, {50, 50, 1, 1, 4}));
  cases.push_back(EveryKey("twist -10 dB is no key", false, levelDb, {50, 50, 1, 1, -10}));
  cases.push_back(EveryKey("twist +6 dB is no key", false, levelDb, {50, 50, 1, 1, 6},
                           "its twist limit is a factor of 2.2 (6.8 dB) either way"));
  cases.push_back(EveryKey("tones 3 dB above the level", true, thresholdDb + 3, {}));
  cases.push_back(EveryKey("tones 3 dB below the level", false, thresholdDb - 3, {}));
  for (const double snrDb : {20.0, 15.0, 10.0}) {
    TSelfTestCase noisy = EveryKey("white noise " + std::to_string(static_cast<int>(snrDb)) + " dB under the tones",
                                   true, levelDb, {});
    // The pair's power is the amplitude squared (two sines of amplitude A, A^2 / 2 each).
    synthaudio::AddWhiteNoise(noisy.samples, Amplitude(levelDb - snrDb), 17);
    cases.push_back(std::move(noisy));
  }
  std::vector<float> noise(static_cast<size_t>(Rate) * 5, 0.0f);
  synthaudio::AddWhiteNoise(noise, 0.1, 5);
  cases.push_back({"white noise alone, 5 s", std::move(noise), "", ""});
  const char* talkOff =
      "it tests one 32 ms spectrum at a time, without regard to the energy outside the key's bins, "
      "so harmonics of a voice or an instrument can make a key";
  cases.push_back({"speech-like signal, 20 s", synthaudio::SpeechLike(Rate, 20, 0.9, 11), "", talkOff});
  cases.push_back({"music-like signal, 20 s", synthaudio::MusicLike(Rate, 20, 0.9, 12), "", talkOff});
  cases.push_back(KeysOver("every key over speech 6 dB under the tones",
                           synthaudio::SpeechLike(Rate, 9, peak / 2, 13), levelDb, ""));
  cases.push_back(KeysOver("every key over music 6 dB under the tones",
                           synthaudio::MusicLike(Rate, 9, peak / 2, 14), levelDb, ""));
  return cases;
}
