#include "audiolib/mixer/ChannelRouting.h"

#include <algorithm>

namespace audiolib {

ChannelRouting::ChannelRouting(DWORD sourceChans, DWORD mixerChans, DWORD flags)
    : sourceChans_(sourceChans), mixerChans_(mixerChans), matrix_(sourceChans * mixerChans, 0.0f) {
  for (DWORD row = 0; row < mixerChans; ++row) {
    for (DWORD col = 0; col < sourceChans; ++col) {
      float gain = row == col ? 1.0f : 0.0f;
      if (flags & BASS_MIXER_DOWNMIX) {
        gain = 1.0f / static_cast<float>(sourceChans);
      } else if (!(flags & BASS_MIXER_MATRIX) && sourceChans == 1) {
        gain = 1.0f;
      }
      matrix_[row * sourceChans + col] = gain;
    }
  }
  pending_ = matrix_;
  changed_ = true;  // the reader works out whether this is the identity
}

void ChannelRouting::SetMatrix(const float* matrix) {
  std::lock_guard lock(mutex_);
  std::copy_n(matrix, pending_.size(), pending_.begin());
  changed_ = true;
}

namespace {

// The matrix product for channel counts known at compile time. The gains are held in locals and
// the buffers do not overlap, so the compiler unrolls and vectorises it.
template <DWORD InChans, DWORD OutChans>
void MixFrames(const float* matrix, const float* __restrict in, size_t frames, float* __restrict out) {
  float gains[OutChans][InChans];
  for (DWORD row = 0; row < OutChans; ++row)
    for (DWORD col = 0; col < InChans; ++col) gains[row][col] = matrix[row * InChans + col];
  for (size_t i = 0; i < frames; ++i) {
    for (DWORD row = 0; row < OutChans; ++row) {
      float sum = 0;
      for (DWORD col = 0; col < InChans; ++col) sum += gains[row][col] * in[i * InChans + col];
      out[i * OutChans + row] = sum;
    }
  }
}

// The same for any channel counts.
void MixFrames(const float* matrix, const float* __restrict in, size_t frames, float* __restrict out,
               DWORD inChans, DWORD outChans) {
  for (size_t i = 0; i < frames; ++i) {
    const float* frameIn = in + i * inChans;
    float* frameOut = out + i * outChans;
    for (DWORD row = 0; row < outChans; ++row) {
      const float* gains = matrix + row * inChans;
      float sum = 0;
      for (DWORD col = 0; col < inChans; ++col) sum += gains[col] * frameIn[col];
      frameOut[row] = sum;
    }
  }
}

}  // namespace

void ChannelRouting::TakePending() {
  std::lock_guard lock(mutex_);
  if (!changed_) return;
  std::copy(pending_.begin(), pending_.end(), matrix_.begin());
  changed_ = false;
  identity_ = sourceChans_ == mixerChans_;
  for (DWORD row = 0; identity_ && row < mixerChans_; ++row) {
    for (DWORD col = 0; col < sourceChans_; ++col) {
      if (matrix_[row * sourceChans_ + col] != (row == col ? 1.0f : 0.0f)) identity_ = false;
    }
  }
}

float* ChannelRouting::Route(float* in, size_t frames, float* out) {
  TakePending();
  if (identity_) return in;
  Apply(in, frames, out);
  return out;
}

void ChannelRouting::Apply(const float* in, size_t frames, float* out) {
  TakePending();
  const float* m = matrix_.data();
  const DWORD i = sourceChans_, o = mixerChans_;
  if (i == 2 && o == 1) return MixFrames<2, 1>(m, in, frames, out);
  if (i == 1 && o == 1) return MixFrames<1, 1>(m, in, frames, out);
  if (i == 2 && o == 2) return MixFrames<2, 2>(m, in, frames, out);
  if (i == 1 && o == 2) return MixFrames<1, 2>(m, in, frames, out);
  MixFrames(m, in, frames, out, i, o);
}

}  // namespace audiolib
