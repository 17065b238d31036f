#include "audiolib/devices/DeviceMix.h"

#include <algorithm>

#include "audiolib/api/ErrorState.h"

namespace audiolib {

namespace {
// Channels are mixed in blocks of at most this many frames, so their buffers stay small however
// far ahead the device renders.
constexpr size_t kBlockFrames = 2048;
}  // namespace

DeviceMix::DeviceMix(DWORD sampleRate, DWORD channels)
    : sampleRate_(sampleRate), channels_(channels), entries_(std::make_shared<EntryList>()) {}

std::shared_ptr<DeviceMix::Entry> DeviceMix::Find(const Channel& channel) const {
  for (const auto& entry : *entries_) {
    if (entry->channel.get() == &channel) return entry;
  }
  return nullptr;
}

void DeviceMix::Replace(EntryList entries) { entries_ = std::make_shared<const EntryList>(std::move(entries)); }

void DeviceMix::Remove(const std::shared_ptr<Entry>& entry) {
  entry->removed = true;
  EntryList entries = *entries_;
  std::erase(entries, entry);
  Replace(std::move(entries));
}

void DeviceMix::Play(const std::shared_ptr<Channel>& channel, bool restart) {
  if (restart) {
    try {
      channel->SetPositionBytes(0);
    } catch (const AudioError&) {
      // A stream that cannot seek (a splitter, a push stream) restarts where it is.
    }
  }
  std::lock_guard lock(mutex_);
  const PlaybackState playing = deviceLost_ ? PlaybackState::WaitingForDevice : PlaybackState::Playing;
  const std::shared_ptr<Entry> existing = Find(*channel);
  if (existing && !restart) {
    existing->source->SetFlags(0, BASS_MIXER_CHAN_PAUSE);
    channel->SetPlayback(playing);
    return;
  }
  auto entry = std::make_shared<Entry>();
  entry->channel = channel;
  entry->source = std::make_unique<MixerSource>(channel, SampleFormat{sampleRate_, channels_, SampleType::Float32},
                                                0, SourceSchedule{});
  if (existing) Remove(existing);
  EntryList entries = *entries_;
  entries.push_back(std::move(entry));
  Replace(std::move(entries));
  channel->SetPlayback(playing);
}

int DeviceMix::Pause(const Channel& channel) {
  std::lock_guard lock(mutex_);
  const std::shared_ptr<Entry> entry = Find(channel);
  if (!entry) return BASS_ERROR_NOPLAY;
  if (entry->source->Paused()) return BASS_ERROR_ALREADY;
  entry->source->SetFlags(BASS_MIXER_CHAN_PAUSE, BASS_MIXER_CHAN_PAUSE);
  entry->channel->SetPlayback(PlaybackState::Paused);
  return BASS_OK;
}

bool DeviceMix::Stop(const Channel& channel) {
  std::lock_guard lock(mutex_);
  const auto drained = std::find_if(draining_.begin(), draining_.end(),
                                    [&](const auto& entry) { return entry->channel.get() == &channel; });
  if (drained != draining_.end()) {
    PlaybackState draining = PlaybackState::Draining;
    (*drained)->channel->CompareAndSetPlayback(draining, PlaybackState::Stopped);
    draining_.erase(drained);
  }
  const std::shared_ptr<Entry> entry = Find(channel);
  if (!entry) return false;
  Remove(entry);
  entry->channel->SetPlayback(PlaybackState::Stopped);
  return true;
}

void DeviceMix::StopAll() {
  std::lock_guard lock(mutex_);
  for (const auto& entry : *entries_) {
    entry->removed = true;
    entry->channel->SetPlayback(PlaybackState::Stopped);
  }
  for (const auto& entry : draining_) {
    PlaybackState draining = PlaybackState::Draining;
    entry->channel->CompareAndSetPlayback(draining, PlaybackState::Stopped);
  }
  draining_.clear();
  Replace({});
}

void DeviceMix::SetDeviceLost(bool lost) {
  std::lock_guard lock(mutex_);
  deviceLost_ = lost;
  for (const auto& entry : *entries_) {
    if (entry->source->Paused()) continue;
    entry->channel->SetPlayback(lost ? PlaybackState::WaitingForDevice : PlaybackState::Playing);
  }
}

bool DeviceMix::HasChannels() const {
  std::lock_guard lock(mutex_);
  return !entries_->empty();
}

bool DeviceMix::IsIdle() const {
  std::lock_guard lock(mutex_);
  return entries_->empty() && draining_.empty();
}

void DeviceMix::Render(float* out, size_t frames, uint64_t firstFrame) {
  std::fill_n(out, frames * channels_, 0.0f);
  std::shared_ptr<const EntryList> rendered;
  {
    std::lock_guard lock(mutex_);
    rendered = entries_;
  }
  for (size_t done = 0; done < frames;) {
    const size_t block = std::min(kBlockFrames, frames - done);
    for (const auto& entry : *rendered) {
      if (entry->removed || entry->source->Finished()) continue;
      const size_t covered = entry->source->MixInto(out + done * channels_, block);
      if (entry->source->Finished()) entry->endFrame = firstFrame + done + covered;
    }
    done += block;
  }
  DropFinished(*rendered);
}

void DeviceMix::DropFinished(const EntryList& rendered) {
  std::lock_guard lock(mutex_);
  for (const auto& entry : rendered) {
    // A removed entry was stopped or replaced by a restart meanwhile: its channel is not ours to stop.
    if (entry->removed || (!entry->source->Finished() && !entry->source->Gone())) continue;
    Remove(entry);
    if (entry->source->Gone()) {
      entry->channel->SetPlayback(PlaybackState::Stopped);
    } else {
      entry->channel->SetPlayback(PlaybackState::Draining);
      draining_.push_back(entry);
    }
  }
}

void DeviceMix::SettleDrained(uint64_t playedFrames) {
  std::lock_guard lock(mutex_);
  std::erase_if(draining_, [&](const std::shared_ptr<Entry>& entry) {
    if (entry->endFrame > playedFrames) return false;
    PlaybackState draining = PlaybackState::Draining;
    entry->channel->CompareAndSetPlayback(draining, PlaybackState::Stopped);
    return true;
  });
}

}  // namespace audiolib
