// The channels playing on one output device, and their mix in the device's format.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "audiolib/channels/Channel.h"
#include "audiolib/mixer/MixerSource.h"

namespace audiolib {

// Play, Pause, Stop, StopAll and SetDeviceLost may be called from any thread, also from a
// procedure running inside Render; they take one short lock and never wait for Render. Render runs
// on the device's update thread only and sees a change from its next block. Each channel is mixed
// as a mixer source would be (routed by channel position, resampled to the device rate, through
// its DSP chain and syncs, times its volume attribute); the reads, and so every procedure of the
// channel, run on the update thread.
class DeviceMix {
 public:
  DeviceMix(DWORD sampleRate, DWORD channels);

  // Starts `channel` (Playing, or WaitingForDevice while the device is lost), resumes it when
  // paused, does nothing when it plays already. `restart` plays it from a fresh start: from its
  // beginning when it can seek, and without what was read ahead for resampling. Throws
  // AudioError(BASS_ERROR_FORMAT) when the channel cannot be resampled to the device rate.
  void Play(const std::shared_ptr<Channel>& channel, bool restart);
  // BASS_OK, BASS_ERROR_NOPLAY when the channel does not play here, BASS_ERROR_ALREADY when paused.
  int Pause(const Channel& channel);
  // False when the channel does not play (or is not paused) here.
  bool Stop(const Channel& channel);
  void StopAll();
  // Playing channels wait for the device while it is lost (STALLED), and play on once it is back.
  void SetDeviceLost(bool lost);
  bool HasChannels() const;
  // No channel plays, is paused or drains here.
  bool IsIdle() const;

  // Overwrites `frames` frames of `out` with the mix (silence where nothing plays); drops the
  // channels that ended, were freed or faded out to a stop. `firstFrame` counts the device frames
  // rendered before `out`: a channel that ended stays PLAYING (Draining) until the device has played
  // its last frame (SettleDrained). Update thread.
  void Render(float* out, size_t frames, uint64_t firstFrame);
  // Stops the drained channels whose last frame is before `playedFrames` (device frames played).
  void SettleDrained(uint64_t playedFrames);

 private:
  struct Entry {
    std::shared_ptr<Channel> channel;
    std::unique_ptr<MixerSource> source;  // mixed by Render only
    std::atomic<bool> removed{false};     // taken off the list; Render skips it from now on
    uint64_t endFrame = 0;                // device frame after its last one; Render only
  };
  using EntryList = std::vector<std::shared_ptr<Entry>>;

  std::shared_ptr<Entry> Find(const Channel& channel) const;  // under mutex_
  void Replace(EntryList entries);                              // under mutex_
  void Remove(const std::shared_ptr<Entry>& entry);             // under mutex_
  void DropFinished(const EntryList& rendered);

  const DWORD sampleRate_;
  const DWORD channels_;
  mutable std::mutex mutex_;
  std::shared_ptr<const EntryList> entries_;  // copy-on-write; guarded by mutex_
  bool deviceLost_ = false;                   // guarded by mutex_
  std::vector<std::shared_ptr<Entry>> draining_;  // guarded by mutex_
};

}  // namespace audiolib
