// The tone detector's decision for one spectrum frame of the 16 kHz analysis signal: is a DTMF
// key sounding, and which. Pure functions; any thread; no allocation.
#pragma once

#include <array>
#include <cstddef>
#include <span>

// Spectrum frames: 256 magnitudes of a 512-point FFT at 16000 Hz (bin k at k x 31.25 Hz).
inline constexpr size_t DtmfFrameBins = 256;
inline constexpr int DtmfAnalysisRate = 16000;
inline constexpr int DtmfFftSize = 512;

// Low (row) and high (column) group frequencies in Hz, by index.
inline constexpr std::array<float, 4> DtmfLowFrequencies = {697, 770, 852, 941};
inline constexpr std::array<float, 4> DtmfHighFrequencies = {1209, 1336, 1477, 1633};

// The keypad: first index the high-group (column) index, second the low-group (row) index.
inline constexpr char16_t KeypadChars[4][4] = {
    {u'1', u'4', u'7', u'*'}, {u'2', u'5', u'8', u'0'}, {u'3', u'6', u'9', u'#'},
    {u'A', u'B', u'C', u'D'}};

// The FFT bin of frequency f: f x 512 / 16000 rounded to the nearest integer, ties to even.
int ToneBin(float frequencyHz);

struct TToneDecision {
  bool present = false;
  int row = -1;           // low-group index of the key, -1 when none
  int col = -1;           // high-group index of the key, -1 when none
  float lowLevel = 0;     // winning magnitudes (linear, full scale 1.0)
  float highLevel = 0;
};

// Decides one frame against the background level, the minimum level `threshold` (linear
// amplitude), a dominance factor of 3 within each group and a twist limit of 2.2.
TToneDecision DecideTone(std::span<const float> frame, double threshold);
