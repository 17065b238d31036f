#include "audiolib/mixer/VolumeEnvelope.h"

#include <algorithm>

#include "audiolib/api/ErrorState.h"

namespace audiolib {

void VolumeEnvelope::Set(std::vector<Node> nodes) {
  for (size_t i = 1; i < nodes.size(); ++i) {
    if (nodes[i].frame < nodes[i - 1].frame) throw AudioError(BASS_ERROR_ILLPARAM);
  }
  std::lock_guard lock(mutex_);
  pending_ = std::move(nodes);
  changed_ = true;
}

void VolumeEnvelope::Apply(float* samples, size_t frames, DWORD chans, size_t firstFrame) {
  {
    std::lock_guard lock(mutex_);
    if (changed_) {
      // A swap, not a copy: the reader takes Set's storage, and the old nodes are freed by the
      // next Set, so the reader never allocates or frees.
      nodes_.swap(pending_);
      pending_.clear();
      changed_ = false;
      hint_ = 0;
    }
  }
  if (nodes_.empty()) return;
  // A run of frames at a time: before the first node, within one segment, or after the last.
  for (size_t f = 0; f < frames;) {
    const size_t frame = firstFrame + f;
    while (hint_ + 1 < nodes_.size() && nodes_[hint_ + 1].frame <= frame) ++hint_;
    if (hint_ > 0 && nodes_[hint_].frame > frame) hint_ = 0;
    const Node& a = nodes_[hint_];
    const bool beforeFirst = frame < a.frame;
    const bool afterLast = hint_ + 1 == nodes_.size();
    size_t runEnd = frames;  // the frame (relative) where this run stops
    if (beforeFirst) runEnd = std::min(frames, a.frame - firstFrame);
    else if (!afterLast) runEnd = std::min(frames, nodes_[hint_ + 1].frame - firstFrame);
    if (beforeFirst || afterLast) {
      ScaleRun(samples + f * chans, runEnd - f, chans, a.gain, 0.0f);
    } else {
      const Node& b = nodes_[hint_ + 1];
      const double step = (double(b.gain) - a.gain) / double(b.frame - a.frame);
      const double start = a.gain + step * double(frame - a.frame);
      ScaleRun(samples + f * chans, runEnd - f, chans, static_cast<float>(start),
               static_cast<float>(step));
    }
    f = runEnd;
  }
}

void VolumeEnvelope::ScaleRun(float* samples, size_t frames, DWORD chans, float gain, float step) {
  if (step == 0 && gain == 1.0f) return;
  for (size_t f = 0; f < frames; ++f) {
    const float g = gain + step * static_cast<float>(f);
    for (DWORD c = 0; c < chans; ++c) samples[f * chans + c] *= g;
  }
}

}  // namespace audiolib
