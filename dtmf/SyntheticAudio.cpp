#include "dtmf/SyntheticAudio.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <random>
#include <string>

namespace synthaudio {

namespace {

constexpr double TwoPi = 2 * std::numbers::pi;

size_t SamplesOf(int sampleRate, double durationMs) {
  return static_cast<size_t>(std::llround(std::max(0.0, durationMs) * sampleRate / 1000));
}

void ScaleToPeak(std::vector<float>& samples, double peakAmplitude) {
  float peak = 0;
  for (const float s : samples) peak = std::max(peak, std::abs(s));
  if (peak <= 0) return;
  const double gain = peakAmplitude / peak;
  for (float& s : samples) s = static_cast<float>(s * gain);
}

// A two-pole resonance at centreHz with bandwidthHz, gain about 1 at its centre.
class TResonator {
 public:
  void Tune(int sampleRate, double centreHz, double bandwidthHz) {
    const double r = std::exp(-std::numbers::pi * bandwidthHz / sampleRate);
    FA1 = 2 * r * std::cos(TwoPi * centreHz / sampleRate);
    FA2 = -r * r;
    FGain = 1 - r;
  }
  double Next(double x) {
    const double y = FGain * x + FA1 * FY1 + FA2 * FY2;
    FY2 = FY1;
    FY1 = y;
    return y;
  }

 private:
  double FA1 = 0, FA2 = 0, FGain = 0, FY1 = 0, FY2 = 0;
};

struct TVowel {
  double f1, f2, f3;
};
constexpr std::array<TVowel, 6> Vowels = {{{730, 1090, 2440}, {270, 2290, 3010}, {300, 870, 2240},
                                           {530, 1840, 2480}, {570, 840, 2410}, {660, 1720, 2410}}};

double NoteHz(int midiNote) { return 440.0 * std::pow(2.0, (midiNote - 69) / 12.0); }

// One note with six harmonics (1/n), vibrato and an attack-decay envelope, added to `out`.
void AddNote(std::vector<float>& out, int sampleRate, size_t begin, size_t length, double hz,
             double amplitude, double vibratoPhase) {
  double phase = 0;
  for (size_t i = 0; i < length && begin + i < out.size(); ++i) {
    const double t = static_cast<double>(i) / sampleRate;
    const double vibrato = 1 + 0.006 * std::sin(TwoPi * 5.5 * t + vibratoPhase);
    phase += TwoPi * hz * vibrato / sampleRate;
    const double envelope = std::min(1.0, t / 0.02) * std::exp(-1.5 * t);
    double v = 0;
    for (int n = 1; n <= 6; ++n) v += std::sin(n * phase) / n;
    out[begin + i] += static_cast<float>(amplitude * envelope * v);
  }
}

}  // namespace

TTonePair KeyTones(char key, double amplitude) {
  static const std::string Keypad = "123A456B789C*0#D";
  static const double Rows[] = {697, 770, 852, 941};
  static const double Cols[] = {1209, 1336, 1477, 1633};
  const size_t index = Keypad.find(key);
  if (index == std::string::npos) return {};
  return {Rows[index / 4], Cols[index % 4], amplitude, amplitude};
}

void AppendTonePair(std::vector<float>& out, int sampleRate, const TTonePair& pair, double durationMs) {
  const size_t count = SamplesOf(sampleRate, durationMs);
  out.reserve(out.size() + count);
  for (size_t i = 0; i < count; ++i) {
    const double t = static_cast<double>(i) / sampleRate;
    out.push_back(static_cast<float>(pair.lowAmplitude * std::sin(TwoPi * pair.lowHz * t) +
                                     pair.highAmplitude * std::sin(TwoPi * pair.highHz * t)));
  }
}

void AppendSilence(std::vector<float>& out, int sampleRate, double durationMs) {
  out.insert(out.end(), SamplesOf(sampleRate, durationMs), 0.0f);
}

void AddWhiteNoise(std::span<float> samples, double rmsAmplitude, uint32_t seed) {
  std::mt19937 random(seed);
  std::normal_distribution<double> noise(0.0, rmsAmplitude);
  for (float& s : samples) s = static_cast<float>(s + noise(random));
}

void MixInto(std::span<float> target, std::span<const float> source, double gain) {
  const size_t count = std::min(target.size(), source.size());
  for (size_t i = 0; i < count; ++i) target[i] = static_cast<float>(target[i] + gain * source[i]);
}

std::vector<float> MusicLike(int sampleRate, double seconds, double peakAmplitude, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<float> out(SamplesOf(sampleRate, seconds * 1000), 0.0f);
  std::uniform_int_distribution<int> root(52, 72);
  std::uniform_int_distribution<int> minor(0, 1);
  std::uniform_int_distribution<int> seventh(0, 1);
  std::uniform_real_distribution<double> chordMs(300, 800);
  std::uniform_real_distribution<double> phase(0, TwoPi);
  size_t at = 0;
  while (at < out.size()) {
    const size_t length = SamplesOf(sampleRate, chordMs(random));
    const int base = root(random);
    std::vector<int> notes = {base, base + (minor(random) ? 3 : 4), base + 7};
    if (seventh(random)) notes.push_back(base + 10);
    notes.push_back(base - 24);  // bass
    for (const int note : notes) AddNote(out, sampleRate, at, length * 3 / 2, NoteHz(note), 0.2, phase(random));
    at += length;
  }
  ScaleToPeak(out, peakAmplitude);
  return out;
}

std::vector<float> SpeechLike(int sampleRate, double seconds, double peakAmplitude, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<float> out(SamplesOf(sampleRate, seconds * 1000), 0.0f);
  std::uniform_real_distribution<double> vowelMs(60, 180);
  std::uniform_real_distribution<double> syllableMs(120, 320);
  std::uniform_real_distribution<double> gapMs(30, 150);
  std::uniform_int_distribution<size_t> vowel(0, Vowels.size() - 1);
  std::uniform_real_distribution<double> unit(0, 1);
  std::normal_distribution<double> breath(0, 0.05);
  std::array<TResonator, 3> formants;
  double glottalPhase = 0;
  double tilt = 0;
  size_t at = 0;
  while (at < out.size()) {
    const size_t syllable = SamplesOf(sampleRate, syllableMs(random));
    const double pitchBase = 90 + 100 * unit(random);
    size_t nextVowelAt = at;
    for (size_t i = 0; i < syllable && at + i < out.size(); ++i) {
      if (at + i >= nextVowelAt) {
        const TVowel& v = Vowels[vowel(random)];
        formants[0].Tune(sampleRate, v.f1, 80);
        formants[1].Tune(sampleRate, v.f2, 100);
        formants[2].Tune(sampleRate, v.f3, 140);
        nextVowelAt = at + i + SamplesOf(sampleRate, vowelMs(random));
      }
      const double t = static_cast<double>(i) / sampleRate;
      const double f0 = pitchBase * (1 + 0.25 * std::sin(TwoPi * 2.0 * t)) + 5 * unit(random);
      glottalPhase += f0 / sampleRate;
      double pulse = breath(random);
      if (glottalPhase >= 1) {
        glottalPhase -= 1;
        pulse += 1;
      }
      tilt = 0.9 * tilt + pulse;  // a falling source spectrum, as a voice's
      double y = tilt;
      for (TResonator& f : formants) y = f.Next(y) * 4;
      const double envelope = std::sin(std::numbers::pi * static_cast<double>(i) / syllable);
      out[at + i] = static_cast<float>(y * envelope);
    }
    at += syllable + SamplesOf(sampleRate, gapMs(random));
  }
  ScaleToPeak(out, peakAmplitude);
  return out;
}

}  // namespace synthaudio
