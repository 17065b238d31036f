#include "audiolib/ChannelRouting.h"

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
}

void ChannelRouting::SetMatrix(const float* matrix) {
  std::lock_guard lock(mutex_);
  std::copy_n(matrix, pending_.size(), pending_.begin());
  changed_ = true;
}

void ChannelRouting::Apply(const float* in, size_t frames, float* out) {
  {
    std::lock_guard lock(mutex_);
    if (changed_) {
      std::copy(pending_.begin(), pending_.end(), matrix_.begin());
      changed_ = false;
    }
  }
  const DWORD inChans = sourceChans_;
  const DWORD outChans = mixerChans_;
  for (size_t i = 0; i < frames; ++i) {
    const float* frameIn = in + i * inChans;
    float* frameOut = out + i * outChans;
    for (DWORD row = 0; row < outChans; ++row) {
      const float* gains = &matrix_[row * inChans];
      float sum = 0;
      for (DWORD col = 0; col < inChans; ++col) sum += gains[col] * frameIn[col];
      frameOut[row] = sum;
    }
  }
}

}  // namespace audiolib
