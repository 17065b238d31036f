#include "audiolib/dsp/Biquad.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace audiolib {

namespace {

struct Angle {
  double cosW0;
  double alpha;
};

Angle AngleOf(double sampleRate, double frequencyHz, BiquadCoefficients::Width width) {
  const double w0 = 2 * std::numbers::pi * frequencyHz / sampleRate;
  const double sinW0 = std::sin(w0);
  const double alpha = width.q > 0
                           ? sinW0 / (2 * width.q)
                           : sinW0 * std::sinh(std::numbers::ln2 / 2 * width.bandwidthOct * w0 / sinW0);
  return {std::cos(w0), alpha};
}

BiquadCoefficients Normalised(double b0, double b1, double b2, double a0, double a1, double a2) {
  return {b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0};
}

}  // namespace

BiquadCoefficients BiquadCoefficients::LowPass(double sampleRate, double cutoffHz, Width width) {
  const auto [cosW0, alpha] = AngleOf(sampleRate, cutoffHz, width);
  return Normalised((1 - cosW0) / 2, 1 - cosW0, (1 - cosW0) / 2, 1 + alpha, -2 * cosW0, 1 - alpha);
}

BiquadCoefficients BiquadCoefficients::HighPass(double sampleRate, double cutoffHz, Width width) {
  const auto [cosW0, alpha] = AngleOf(sampleRate, cutoffHz, width);
  return Normalised((1 + cosW0) / 2, -(1 + cosW0), (1 + cosW0) / 2, 1 + alpha, -2 * cosW0,
                    1 - alpha);
}

BiquadCoefficients BiquadCoefficients::Peaking(double sampleRate, double centreHz, double gainDb,
                                               Width width) {
  const auto [cosW0, alpha] = AngleOf(sampleRate, centreHz, width);
  const double a = std::pow(10.0, gainDb / 40);
  return Normalised(1 + alpha * a, -2 * cosW0, 1 - alpha * a, 1 + alpha / a, -2 * cosW0,
                    1 - alpha / a);
}

void BiquadFilter::ProcessOne(float* samples, size_t frames, size_t chans, size_t chan) {
  const BiquadCoefficients c = c_;
  double s1 = states_[chan].s1, s2 = states_[chan].s2;
  for (size_t f = 0; f < frames; ++f) {
    float& sample = samples[f * chans + chan];
    const double x = sample;
    const double y = c.b0 * x + s1;
    s1 = c.b1 * x - c.a1 * y + s2;
    s2 = c.b2 * x - c.a2 * y;
    sample = static_cast<float>(y);
  }
  states_[chan] = State{s1, s2};
}

// All channels in one pass over the frames, so the channels' independent recursions overlap.
// All channels in one pass over the frames, so the channels' independent recursions overlap; the
// state lives in locals (registers) during the pass.
template <size_t Chans>
void BiquadFilter::ProcessAll(float* samples, size_t frames, size_t chans) {
  const BiquadCoefficients c = c_;
  if constexpr (Chans == 0) {
    for (size_t ch = 0; ch < chans; ++ch) ProcessOne(samples, frames, chans, ch);
  } else {
    double s1[Chans], s2[Chans];
    for (size_t ch = 0; ch < Chans; ++ch) {
      s1[ch] = states_[ch].s1;
      s2[ch] = states_[ch].s2;
    }
    for (size_t f = 0; f < frames; ++f) {
      float* frame = samples + f * Chans;
      for (size_t ch = 0; ch < Chans; ++ch) {
        const double x = frame[ch];
        const double y = c.b0 * x + s1[ch];
        s1[ch] = c.b1 * x - c.a1 * y + s2[ch];
        s2[ch] = c.b2 * x - c.a2 * y;
        frame[ch] = static_cast<float>(y);
      }
    }
    for (size_t ch = 0; ch < Chans; ++ch) {
      states_[ch].s1 = s1[ch];
      states_[ch].s2 = s2[ch];
    }
  }
}

void BiquadFilter::Process(float* samples, size_t frames, size_t chans, int channelMask) {
  if (channelMask == -1) {
    if (chans == 2) return ProcessAll<2>(samples, frames, chans);
    if (chans == 1) return ProcessAll<1>(samples, frames, chans);
    return ProcessAll<0>(samples, frames, chans);
  }
  for (size_t ch = 0; ch < chans && ch < 31; ++ch) {
    if ((channelMask >> ch) & 1) ProcessOne(samples, frames, chans, ch);
  }
}

// Up to four filters over stereo frames in one pass, with every state in a local: a later filter
// works on one frame while an earlier one already works on the next, so the recursions overlap
// instead of each waiting for its own previous result.
template <size_t Count>
void BiquadFilter::CascadeStereo(BiquadFilter* const* filters, float* samples, size_t frames) {
  BiquadCoefficients c[Count];
  double s1[Count][2], s2[Count][2];
  for (size_t i = 0; i < Count; ++i) {
    c[i] = filters[i]->c_;
    for (size_t ch = 0; ch < 2; ++ch) {
      s1[i][ch] = filters[i]->states_[ch].s1;
      s2[i][ch] = filters[i]->states_[ch].s2;
    }
  }
  for (size_t f = 0; f < frames; ++f) {
    double x[2] = {samples[2 * f], samples[2 * f + 1]};
    for (size_t i = 0; i < Count; ++i) {
      for (size_t ch = 0; ch < 2; ++ch) {
        const double y = c[i].b0 * x[ch] + s1[i][ch];
        s1[i][ch] = c[i].b1 * x[ch] - c[i].a1 * y + s2[i][ch];
        s2[i][ch] = c[i].b2 * x[ch] - c[i].a2 * y;
        x[ch] = y;
      }
    }
    samples[2 * f] = static_cast<float>(x[0]);
    samples[2 * f + 1] = static_cast<float>(x[1]);
  }
  for (size_t i = 0; i < Count; ++i) {
    for (size_t ch = 0; ch < 2; ++ch) filters[i]->states_[ch] = State{s1[i][ch], s2[i][ch]};
  }
}

void BiquadFilter::ProcessCascade(BiquadFilter* const* filters, size_t count, float* samples,
                                  size_t frames, size_t chans) {
  if (chans != 2) {
    for (size_t i = 0; i < count; ++i) filters[i]->Process(samples, frames, chans, -1);
    return;
  }
  for (size_t i = 0; i < count;) {
    const size_t group = std::min<size_t>(count - i, 4);
    switch (group) {
      case 4: CascadeStereo<4>(filters + i, samples, frames); break;
      case 3: CascadeStereo<3>(filters + i, samples, frames); break;
      case 2: CascadeStereo<2>(filters + i, samples, frames); break;
      default: CascadeStereo<1>(filters + i, samples, frames); break;
    }
    i += group;
  }
}

void BiquadFilter::Reset() { states_.fill(State{}); }

}  // namespace audiolib
