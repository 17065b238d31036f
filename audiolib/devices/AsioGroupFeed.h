// Moves one channel group's audio between the device's interleaved blocks and its ASIOPROC: picks the
// group's channels out of (or into) the device's frames, resamples between the device's rate and
// the group's, and converts to (or from) the group's sample format.
#pragma once

#include <memory>
#include <vector>

#include "audiolib/devices/AsioChannels.h"
#include "audiolib/mixer/Resampler.h"

namespace audiolib {

// Feeder thread only (allocates as it goes; never on the real-time thread).
class AsioGroupFeed {
 public:
  // Throws AudioError(BASS_ERROR_FORMAT) when the resampler cannot be set up.
  AsioGroupFeed(const AsioChannelGroup& group, bool isInput, DWORD deviceRate);

  // Output: writes `frames` device frames of the group's channels into `deviceBlock` (interleaved,
  // `deviceChannels` wide), calling the procedure for what it needs; what it does not give is silence.
  void Render(float* deviceBlock, size_t frames, DWORD deviceChannels);
  // Input: hands `frames` device frames of the group's channels from `deviceBlock` to the procedure.
  void Deliver(const float* deviceBlock, size_t frames, DWORD deviceChannels);

 private:
  size_t BytesPerSample() const { return group_.format == BASS_ASIO_FORMAT_16BIT ? 2 : 4; }
  // Asks the procedure for up to `frames` frames; returns the frames it gave, as float in floats_.
  size_t Pull(size_t frames);

  const AsioChannelGroup group_;
  const size_t width_;  // channels in the group
  DWORD groupRate_ = 0;   // Hz of the procedure's data
  DWORD deviceRate_ = 0;
  std::unique_ptr<Resampler> resampler_;  // when the group's rate is not the device's
  std::vector<float> pending_;    // output: device-rate frames not yet rendered
  std::vector<float> floats_;     // the group's frames as float, at the group's rate
  std::vector<float> resampled_;
  std::vector<unsigned char> procBuffer_;  // in the group's format
};

}  // namespace audiolib
