#include "audiolib/mixer/Mixer.h"

#include <algorithm>
#include <utility>

#include "audiolib/api/ErrorState.h"

namespace audiolib {

Mixer::Mixer(const SampleFormat& format, DWORD flags, int device)
    : Channel(format, flags, BASS_CTYPE_STREAM_MIXER, device),
      sources_(std::make_shared<const SourceList>()) {}

std::shared_ptr<const Mixer::SourceList> Mixer::Sources() const {
  std::lock_guard lock(sourcesMutex_);
  return sources_;
}

bool Mixer::Holds(const Channel& channel) {
  for (std::shared_ptr<Mixer> up = std::static_pointer_cast<Mixer>(shared_from_this()); up;
       up = up->mixer()) {
    if (up.get() == &channel) return true;
  }
  return false;
}

void Mixer::AddSource(const std::shared_ptr<Channel>& source, DWORD flags) {
  if (!source->HasOwnData()) throw AudioError(BASS_ERROR_ILLTYPE);
  if (Holds(*source)) throw AudioError(BASS_ERROR_ILLPARAM);
  auto entry = std::make_shared<MixerSource>(source, format(), flags);
  if (!source->AttachToMixer(std::static_pointer_cast<Mixer>(shared_from_this()))) {
    throw AudioError(BASS_ERROR_ALREADY);
  }
  {
    std::lock_guard lock(sourcesMutex_);
    auto next = std::make_shared<SourceList>(*sources_);
    next->push_back(std::move(entry));
    sources_ = std::move(next);
  }
  // A mixer whose sources had all ended plays again with a new one.
  ClearEnded();
}

bool Mixer::RemoveSource(const Channel& source) {
  std::lock_guard lock(sourcesMutex_);
  auto next = std::make_shared<SourceList>(*sources_);
  const auto removed = std::erase_if(
      *next, [&source](const std::shared_ptr<MixerSource>& s) { return &s->channel() == &source; });
  if (removed == 0) return false;
  sources_ = std::move(next);
  const_cast<Channel&>(source).DetachFromMixer();
  return true;
}

void Mixer::SetMatrix(const Channel& source, const float* matrix) {
  for (const auto& entry : *Sources()) {
    if (&entry->channel() != &source) continue;
    if (!(entry->flags() & BASS_MIXER_MATRIX)) throw AudioError(BASS_ERROR_NOTAVAIL);
    entry->routing().SetMatrix(matrix);
    return;
  }
  throw AudioError(BASS_ERROR_HANDLE);
}

ReadResult Mixer::Produce(void* buffer, size_t bytes) {
  const size_t frames = bytes / format().BytesPerFrame();
  const size_t samples = frames * format().chans;
  if (mix_.size() < samples) mix_.resize(samples);
  std::fill_n(mix_.begin(), samples, 0.0f);
  const std::shared_ptr<const SourceList> sources = Sources();
  size_t longest = 0;
  bool anyPresent = false;
  bool allFinished = true;
  for (const auto& source : *sources) {
    longest = std::max(longest, source->MixInto(mix_.data(), frames));
    if (source->Gone()) continue;
    anyPresent = true;
    allFinished = allFinished && source->Finished();
  }
  allFinished = allFinished && anyPresent;
  const size_t produced = allFinished ? longest : frames;
  FromFloat(mix_.data(), format().type, produced * format().chans, buffer);
  return ReadResult{produced * format().BytesPerFrame(), allFinished};
}

void Mixer::OnFreed() {
  std::shared_ptr<const SourceList> sources;
  {
    std::lock_guard lock(sourcesMutex_);
    sources = std::exchange(sources_, std::make_shared<const SourceList>());
  }
  for (const auto& source : *sources) source->channel().DetachFromMixer();
}

}  // namespace audiolib
