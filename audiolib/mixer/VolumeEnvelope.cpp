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

float VolumeEnvelope::GainAt(const std::vector<Node>& nodes, size_t frame, size_t& hint) {
  if (frame <= nodes.front().frame) return nodes.front().gain;
  if (frame >= nodes.back().frame) return nodes.back().gain;
  if (hint >= nodes.size() - 1 || nodes[hint].frame > frame) hint = 0;
  while (nodes[hint + 1].frame <= frame) ++hint;
  const Node& a = nodes[hint];
  const Node& b = nodes[hint + 1];
  const double t = double(frame - a.frame) / double(b.frame - a.frame);
  return static_cast<float>(a.gain + (b.gain - a.gain) * t);
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
  for (size_t f = 0; f < frames; ++f) {
    const float gain = GainAt(nodes_, firstFrame + f, hint_);
    for (DWORD c = 0; c < chans; ++c) samples[f * chans + c] *= gain;
  }
}

}  // namespace audiolib
