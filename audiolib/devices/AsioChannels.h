// The channel set-up of one direction of an ASIO-style driver: which channels are enabled with which
// ASIOPROC, which travel joined to them, and each one's rate and format.
#pragma once

#include <vector>

#include "audiolib/audiolib.h"

namespace audiolib {

// A channel enabled with a procedure and the channels joined to it, in the order they are
// interleaved in the procedure's buffer.
struct AsioChannelGroup {
  DWORD first = 0;              // the enabled channel; the procedure is called with its number
  std::vector<DWORD> channels;  // `first`, then the joined channels in the order they were joined
  ASIOPROC* proc = nullptr;
  void* user = nullptr;
  double rate = 0;  // Hz of the procedure's data; 0: the device's rate
  DWORD format = BASS_ASIO_FORMAT_FLOAT;
};

// Not thread-safe: its owner (AsioDevice) guards it. Every call throws AudioError(BASS_ERROR_ILLPARAM)
// for a channel the direction does not have.
class AsioChannels {
 public:
  explicit AsioChannels(DWORD count) : channels_(count) {}

  DWORD Count() const { return static_cast<DWORD>(channels_.size()); }
  // A null `proc` disables the channel. Enabling takes the channel out of any join.
  void Enable(DWORD channel, ASIOPROC* proc, void* user);
  // Joins `channel` to `to` (to the channel `to` is joined to, when it is); -1 takes it out.
  // ILLPARAM also for a channel joined to itself.
  void Join(DWORD channel, int to);
  // FREQ for a rate outside 0 (the device's) .. 384000 Hz.
  void SetRate(DWORD channel, double rateHz);
  // FORMAT for anything but BASS_ASIO_FORMAT_FLOAT and BASS_ASIO_FORMAT_16BIT.
  void SetFormat(DWORD channel, DWORD format);
  // BASS_ASIO_RESET_* on one channel or, with -1, every channel. RESET_PAUSE has nothing to undo:
  // channels are never paused here.
  void Reset(int channel, DWORD flags);

  // The enabled channels with their joined channels, in channel order.
  std::vector<AsioChannelGroup> Groups() const;

 private:
  struct Channel {
    ASIOPROC* proc = nullptr;
    void* user = nullptr;
    int joinedTo = -1;
    unsigned joinOrder = 0;
    double rate = 0;
    DWORD format = BASS_ASIO_FORMAT_FLOAT;
  };
  Channel& At(DWORD channel);
  void ResetOne(DWORD channel, DWORD flags);

  std::vector<Channel> channels_;
  unsigned joins_ = 0;  // counts joins, to keep their order
};

}  // namespace audiolib
