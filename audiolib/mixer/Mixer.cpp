#include "audiolib/mixer/Mixer.h"

#include <algorithm>
#include <utility>

#include "audiolib/api/ErrorState.h"
#include "audiolib/api/HandleTable.h"

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

void Mixer::AddSource(const std::shared_ptr<Channel>& source, DWORD flags,
                      SourceSchedule schedule) {
  if (!source->HasOwnData()) throw AudioError(BASS_ERROR_ILLTYPE);
  if (Holds(*source)) throw AudioError(BASS_ERROR_ILLPARAM);
  auto entry = std::make_shared<MixerSource>(source, format(), flags, schedule);
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

std::shared_ptr<MixerSource> Mixer::SourceEntry(const Channel& source) const {
  for (const auto& entry : *Sources()) {
    if (&entry->channel() == &source) return entry;
  }
  throw AudioError(BASS_ERROR_HANDLE);
}

void Mixer::SetMatrix(const Channel& source, const float* matrix) {
  const std::shared_ptr<MixerSource> entry = SourceEntry(source);
  if (!(entry->flags() & BASS_MIXER_MATRIX)) throw AudioError(BASS_ERROR_NOTAVAIL);
  entry->routing().SetMatrix(matrix);
}

bool Mixer::IsPaused(const Channel& source) const {
  for (const auto& entry : *Sources()) {
    if (&entry->channel() == &source) return entry->Paused();
  }
  return false;
}

DWORD Mixer::SourceHandles(DWORD* handles, DWORD count) const {
  const std::shared_ptr<const SourceList> sources = Sources();
  for (DWORD i = 0; handles && i < count && i < sources->size(); ++i) {
    handles[i] = (*sources)[i]->channel().handle();
  }
  return static_cast<DWORD>(sources->size());
}

bool Mixer::EndsNow(bool anyPresent, bool anyLive) const {
  const DWORD mixerFlags = flags();
  if (mixerFlags & BASS_MIXER_NONSTOP) return false;
  if (mixerFlags & BASS_MIXER_END) return !anyLive;
  return anyPresent && !anyLive;
}

void Mixer::FreeEndedAutoFreeSources(const SourceList& sources) {
  for (const auto& source : sources) {
    if (!source->Finished() || source->Gone() || !(source->flags() & BASS_STREAM_AUTOFREE)) continue;
    // Taken out of the table first, so no other call can find it while it is being freed.
    if (std::shared_ptr<Channel> channel = HandleTable::Instance().Take(source->channel().handle())) {
      channel->Free();
    }
  }
}

ReadResult Mixer::Produce(void* buffer, size_t bytes) {
  const size_t frames = bytes / format().BytesPerFrame();
  const size_t samples = frames * format().chans;
  if (mix_.size() < samples) mix_.resize(samples);
  std::fill_n(mix_.begin(), samples, 0.0f);
  const std::shared_ptr<const SourceList> sources = Sources();
  size_t longest = 0;
  bool anyPresent = false;
  bool anyLive = false;
  for (const auto& source : *sources) {
    longest = std::max(longest, source->MixInto(mix_.data(), frames));
    if (source->Gone()) continue;
    anyPresent = true;
    anyLive = anyLive || !source->Finished();
  }
  const bool ended = EndsNow(anyPresent, anyLive);
  const size_t produced = ended ? longest : frames;
  FromFloat(mix_.data(), format().type, produced * format().chans, buffer);
  FreeEndedAutoFreeSources(*sources);
  return ReadResult{produced * format().BytesPerFrame(), ended};
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
