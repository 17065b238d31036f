// A decode-only mixer: pulls its sources, resamples and routes them, and sums them.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "audiolib/channels/Channel.h"
#include "audiolib/mixer/MixerSource.h"

namespace audiolib {

// Sources may be added, removed, re-routed, paused and given envelopes from any thread while
// another thread reads the mixer; a change is seen from the next block on. The mixer's output is
// float unless created with BASS_SAMPLE_8BITS or without BASS_SAMPLE_FLOAT (then it is converted).
// When it ends follows BASS_MIXER_END and BASS_MIXER_NONSTOP (see audiolib.h). A source added with
// BASS_STREAM_AUTOFREE is freed by the reader once it has ended in the mixer: its FREE syncs run
// on the reading thread (freeing the source's decoder there is the one time a read frees memory).
class Mixer : public Channel {
 public:
  Mixer(const SampleFormat& format, DWORD flags, int device);

  // Throws AudioError: ALREADY when the source is in a mixer, ILLPARAM when it is this mixer or
  // one that (indirectly) holds it, ILLTYPE for a dummy stream, FORMAT when it cannot be resampled.
  void AddSource(const std::shared_ptr<Channel>& source, DWORD flags, SourceSchedule schedule = {});
  // False when `source` is not in this mixer.
  bool RemoveSource(const Channel& source);
  // The entry of `source`; throws AudioError(BASS_ERROR_HANDLE) when it is not in this mixer.
  std::shared_ptr<MixerSource> SourceEntry(const Channel& source) const;
  // Throws AudioError(BASS_ERROR_NOTAVAIL) unless the source was added with BASS_MIXER_MATRIX.
  void SetMatrix(const Channel& source, const float* matrix);
  bool IsPaused(const Channel& source) const;
  // Writes up to `count` source handles; returns the number of sources.
  DWORD SourceHandles(DWORD* handles, DWORD count) const;

 protected:
  // Always the requested length until the mixer ends (silence where sources give nothing); at the
  // end, what the last of its sources gave.
  ReadResult Produce(void* buffer, size_t bytes) override;
  void OnFreed() override;
  DWORD ChangeableFlags() const override { return BASS_MIXER_END | BASS_MIXER_NONSTOP; }

 private:
  using SourceList = std::vector<std::shared_ptr<MixerSource>>;
  std::shared_ptr<const SourceList> Sources() const;
  bool Holds(const Channel& channel);
  bool EndsNow(bool anyPresent, bool anyLive) const;
  // Frees the sources that ended in the mixer and were added with BASS_STREAM_AUTOFREE.
  void FreeEndedAutoFreeSources(const SourceList& sources);

  mutable std::mutex sourcesMutex_;
  std::shared_ptr<const SourceList> sources_;  // copy-on-write; guarded by sourcesMutex_
  std::vector<float> mix_;                     // reader only
};

}  // namespace audiolib
