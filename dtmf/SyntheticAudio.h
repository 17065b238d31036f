// Synthetic mono audio for checking detectors: key tone pairs with chosen frequencies, levels and
// durations, white noise, and speech-like and music-like signals that must give no key. Samples
// are floats, full scale 1.0, at the rate the caller gives. Pure functions; any thread; results
// are owned by the caller. Random parts take a seed, so the same call gives the same samples.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace synthaudio {

struct TTonePair {
  double lowHz = 0;
  double highHz = 0;
  double lowAmplitude = 0;   // peak amplitude of each sine (linear)
  double highAmplitude = 0;
};

// The nominal tones of a keypad key ("0"-"9", "*", "#", "A"-"D") at `amplitude` each; a pair of
// zeros for any other character.
TTonePair KeyTones(char key, double amplitude);

// Appends `durationMs` of the tone pair (both sines starting at phase 0).
void AppendTonePair(std::vector<float>& out, int sampleRate, const TTonePair& pair, double durationMs);
void AppendSilence(std::vector<float>& out, int sampleRate, double durationMs);

// Adds Gaussian white noise of `rmsAmplitude` to every sample.
void AddWhiteNoise(std::span<float> samples, double rmsAmplitude, uint32_t seed);
// Adds `source` times `gain` to the start of `target` (as much as fits).
void MixInto(std::span<float> target, std::span<const float> source, double gain);

// Chords of three or four notes, each with six harmonics and a 5.5 Hz vibrato of +-0.6 %, changing
// every 0.3-0.8 s, over a bass line; peaks near `peakAmplitude`.
std::vector<float> MusicLike(int sampleRate, double seconds, double peakAmplitude, uint32_t seed);
// A voice: a glottal pulse train whose pitch glides between 90 and 240 Hz, shaped by three formant
// resonances that move from vowel to vowel every 60-180 ms, in syllables with short pauses; peaks
// near `peakAmplitude`.
std::vector<float> SpeechLike(int sampleRate, double seconds, double peakAmplitude, uint32_t seed);

}  // namespace synthaudio
