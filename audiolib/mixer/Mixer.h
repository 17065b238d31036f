// A decode-only mixer: pulls its sources, resamples and routes them, and sums them.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "audiolib/channels/Channel.h"
#include "audiolib/mixer/MixerSource.h"

namespace audiolib {

// Sources may be added, removed and re-routed from any thread while another thread reads the
// mixer; a change is seen from the next block on. The mixer's output is float unless created with
// BASS_SAMPLE_8BITS or without BASS_SAMPLE_FLOAT (then it is converted).
class Mixer : public Channel {
 public:
  Mixer(const SampleFormat& format, DWORD flags, int device);

  // Throws AudioError: ALREADY when the source is in a mixer, ILLPARAM when it is this mixer or
  // one that (indirectly) holds it, ILLTYPE for a dummy stream, FORMAT when it cannot be resampled.
  void AddSource(const std::shared_ptr<Channel>& source, DWORD flags);
  // False when `source` is not in this mixer.
  bool RemoveSource(const Channel& source);
  // Throws AudioError(BASS_ERROR_NOTAVAIL) unless the source was added with BASS_MIXER_MATRIX.
  void SetMatrix(const Channel& source, const float* matrix);

 protected:
  // Always the requested length while a source is live (silence where sources give nothing; a
  // mixer without sources gives silence); once every source has ended, what the last of them gave,
  // then the end.
  ReadResult Produce(void* buffer, size_t bytes) override;
  void OnFreed() override;

 private:
  using SourceList = std::vector<std::shared_ptr<MixerSource>>;
  std::shared_ptr<const SourceList> Sources() const;
  bool Holds(const Channel& channel);

  mutable std::mutex sourcesMutex_;
  std::shared_ptr<const SourceList> sources_;  // copy-on-write; guarded by sourcesMutex_
  std::vector<float> mix_;                     // reader only
};

}  // namespace audiolib
