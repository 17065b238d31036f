// The base of every channel: format, position, DSP chain, syncs, mixer membership, reads.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "audiolib/channels/DspChain.h"
#include "audiolib/dsp/FftAnalyser.h"
#include "audiolib/channels/SampleFormat.h"
#include "audiolib/channels/SyncList.h"
#include "audiolib/channels/VolumeAttribute.h"
#include "audiolib/audiolib.h"

namespace audiolib {

class Mixer;

// Where a channel stands on an output device (BASS_ChannelPlay and friends). Idle: never played
// there. WaitingForDevice: playing on a device that has been lost; it goes on when the device is back.
// Draining: all of it has been rendered and the device is still playing the rest (PLAYING).
enum class PlaybackState : uint8_t { Idle, Playing, Paused, Stopped, WaitingForDevice, Draining };

struct ReadResult {
  static constexpr size_t kNoRestart = ~size_t{0};
  size_t bytes = 0;     // whole frames written
  bool ended = false;   // nothing follows these bytes
  bool freed = false;   // the channel was freed; nothing was read
  // A looping stream that went back to its start: the offset in the block where the data from
  // position 0 begins (the last such offset when it looped more than once).
  size_t restartAtBytes = kNoRestart;
};

// Owned through shared_ptr by the handle table, by a mixer holding it as a source and by any call
// in progress, so a channel freed on one thread while another reads it stays valid until the read
// returns. Reads of one channel are serialised by its read lock; Free waits for a read in progress,
// so after Free no procedure of the channel is called again.
class Channel : public std::enable_shared_from_this<Channel> {
 public:
  Channel(const SampleFormat& format, DWORD flags, DWORD ctype, int device);
  virtual ~Channel() = default;
  Channel(const Channel&) = delete;
  Channel& operator=(const Channel&) = delete;

  DWORD handle() const { return handle_; }
  void SetHandle(DWORD handle) { handle_ = handle; }
  const SampleFormat& format() const { return format_; }
  DWORD flags() const { return flags_.load(); }
  // Changes the ChangeableFlags bits of `mask` to those of `flags`; returns the new flags. Any
  // thread; the reader sees the change from its next block.
  DWORD SetFlags(DWORD flags, DWORD mask);
  DWORD ctype() const { return ctype_; }
  int device() const { return device_; }
  virtual DWORD origres() const { return 0; }
  virtual const char* filename() const { return nullptr; }
  // Throws AudioError(BASS_ERROR_NOTAVAIL) when the length is not known.
  virtual QWORD LengthBytes() const;
  // Dummy streams have no data of their own: they only process the caller's buffer.
  virtual bool HasOwnData() const { return true; }

  QWORD PositionBytes() const { return positionBytes_.load(std::memory_order_relaxed); }
  // Throws AudioError (NOTFILE when the channel cannot seek, POSITION when `bytes` is past the end).
  void SetPositionBytes(QWORD bytes);

  // Reader thread: up to `bytes` (cut to whole frames), run through the DSP chain.
  ReadResult Read(void* buffer, size_t bytes);
  // BASS_ChannelGetData: sample bytes or, for a BASS_DATA_FFT* length, magnitudes. Throws
  // AudioError (ENDED at the end, HANDLE when freed, ILLPARAM for an unknown length flag).
  DWORD GetData(void* buffer, DWORD length);

  DspChain& dsps() { return dsps_; }
  SyncList& syncs() { return syncs_; }
  // Applied where the channel is mixed or played, not to its own reads (BASS_ChannelGetData).
  VolumeAttribute& volume() { return volume_; }

  // Any thread: the channel stops as if it had ended (the end of a fade to -1). No END sync runs.
  void Stop();
  bool Ended() const { return ended_.load(); }
  // BASS_ACTIVE_*: STOPPED once ended or stopped (or never played, for a channel that is not
  // decode-only and in no mixer), PAUSED while paused on its device or in its mixer, STALLED while
  // its data is late (Stalled) or its device is lost, else PLAYING. Any thread; takes no read lock.
  DWORD Activity() const;

  // Set by the output device that plays the channel. Any thread.
  PlaybackState Playback() const { return playback_.load(); }
  void SetPlayback(PlaybackState state) { playback_.store(state); }
  // Sets `state` only while the channel is in `expected` (else `expected` becomes the current one).
  bool CompareAndSetPlayback(PlaybackState& expected, PlaybackState state) {
    return playback_.compare_exchange_strong(expected, state);
  }
  // BASS_ChannelStop was called for the channel (after its device, if any, let it go). A channel
  // with work of its own to stop (a recording) overrides this. The calling thread.
  virtual void OnChannelStop() {}

  // Freeing thread: waits for a read in progress, marks the channel freed, runs its free syncs and
  // detaches it from its mixer (and a mixer from its sources).
  void Free();

  std::shared_ptr<Mixer> mixer() const;
  // False when the channel is in a mixer already.
  bool AttachToMixer(const std::shared_ptr<Mixer>& mixer);
  void DetachFromMixer();

 protected:
  // Produces up to `bytes` (a whole number of frames) of the channel's own data. Called under the
  // read lock.
  virtual ReadResult Produce(void* buffer, size_t bytes) = 0;
  // Moves the data source to `bytes`; called under the read lock.
  virtual void Seek(QWORD bytes);
  virtual void OnFreed() {}
  // Data is late but more is expected: a push stream with a dry queue before its end mark; a
  // network stream overrides this for an empty download buffer.
  virtual bool Stalled() const { return false; }
  // The flags BASS_ChannelFlags may change on this kind of channel.
  virtual DWORD ChangeableFlags() const { return 0; }
  // Lets a channel that had ended give data again (a mixer given a new source).
  void ClearEnded();

 private:
  DWORD GetSpectrum(void* magnitudes, size_t fftSize);
  // Runs the DSP chain over `bytes` of the channel's data, as float when BASS_CONFIG_FLOATDSP asks.
  void RunDsps(void* buffer, size_t bytes);
  void AdvancePosition(const ReadResult& result);

  const SampleFormat format_;
  std::atomic<DWORD> flags_;
  const DWORD ctype_;
  const int device_;
  DWORD handle_ = 0;

  std::recursive_mutex readMutex_;  // recursive: a procedure may call back into its own channel
  bool freed_ = false;              // guarded by readMutex_
  std::atomic<bool> ended_{false};  // written under readMutex_
  std::atomic<QWORD> positionBytes_{0};
  std::atomic<PlaybackState> playback_{PlaybackState::Idle};

  DspChain dsps_;
  SyncList syncs_;
  VolumeAttribute volume_;
  std::vector<float> dspFloats_;  // guarded by readMutex_

  std::vector<float> spectrumSamples_;  // guarded by readMutex_
  FftAnalyser fft_;                     // guarded by readMutex_

  mutable std::mutex mixerMutex_;
  std::weak_ptr<Mixer> mixer_;
};

}  // namespace audiolib
