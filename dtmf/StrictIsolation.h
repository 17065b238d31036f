// Measures on the raw 16 kHz analysis samples that tell a key's tone pair from notes of music and
// harmonics of a voice that happen to sit on key frequencies (see StrictToneDetector.h for where
// they are used). Only windows that already passed the tone tests are measured, so these work on
// the samples directly instead of the per-block correlations. Pure functions; any thread; no
// allocation.
#pragma once

#include <span>

namespace strictdtmf {

// Amplitude (linear, a full-scale sine reads 1.0) of the component at `hz` in `samples`, measured
// coherently over the whole span; `hann` tapers the span first (the last IsolationSamples at most),
// which keeps strong components further away from leaking in.
double ToneAmplitude(std::span<const float> samples, double hz, bool hann);

// The two tones' part of the key band's power (600-1800 Hz), 0..1: both tones are measured at
// their own frequencies and taken out of the samples as exact sinusoids; what is left of the band
// (other notes, the spread of a tone whose level or pitch moves) is set against them. Needs
// IsolationSamples samples at most; reads the last min(size, IsolationSamples).
inline constexpr int IsolationSamples = 480;  // 30 ms at 16 kHz
double PairBandShare(std::span<const float> samples, double lowHz, double highHz);

// How strongly the tone at `hz` looks like a harmonic (2nd to 6th) of a lower component: for each
// divisor, the spectrum's peak near hz / divisor (Hann tapered, over the last IsolationSamples at
// most) counts when a multiple of its frequency lands within 0.6 % of hz, and the strongest that
// counts is returned relative to the tone. A voice's or an instrument's harmonic that sits on a key
// frequency reads about 0.5 or more; a key's tone next to nothing, whatever the bass below it plays
// (a component that is not locked to the tone's frequency does not count).
double HarmonicRatio(std::span<const float> samples, double hz);

// A tone whose absence QuietestMoment looks for: its frequency and its level in the key (linear).
struct TAwaitedTone {
  double hz = 0;
  double amplitude = 0;
};

// Slides a span of `spanSamples` over `samples` in steps of `stepSamples` and returns, for the
// quietest position, the louder of the tones' levels there (rectangular, coherent over the span) as
// a part of its level in the key: near 0 when both tones were absent together somewhere, about 1
// when one of them sounded throughout. Infinity when no span fits.
double QuietestMoment(std::span<const float> samples, std::span<const TAwaitedTone> tones, size_t spanSamples,
                      size_t stepSamples);

}  // namespace strictdtmf
