// One initialised ASIO-style driver: its channel set-up, and while started the JACK streams of
// its enabled directions, the rings between their real-time callbacks and the feeder thread, and
// the feeder that calls the channels' ASIOPROCs.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audiolib/devices/AsioChannels.h"
#include "audiolib/devices/AsioDriverInfo.h"
#include "audiolib/devices/AsioGroupFeed.h"
#include "audiolib/devices/DeviceStream.h"
#include "audiolib/devices/DeviceUpdateThread.h"
#include "audiolib/devices/SampleRing.h"

namespace audiolib {

// Start opens a stream over every port of each direction that has an enabled channel (ports of no
// enabled channel carry silence), at the device's rate. The real-time callbacks only copy between
// the stream and a ring; the feeder thread renders output blocks from the ASIOPROCs into the output
// ring (Start waits, bounded, for the first fill) and hands input blocks to them.
//
// `notify` gets BASS_ASIO_NOTIFY_* on the back end's event thread: RESET when the device is lost or
// its stream fails (it has stopped), RATE when the device comes back at another rate (GetRate then
// gives the new one). Public calls from any thread but the feeder (an ASIOPROC must not start, stop
// or free its device: BASS_ERROR_BUSY). Destroying the device stops it.
class AsioDevice {
 public:
  AsioDevice(std::string driverId, const AsioDriverInfo& info, std::function<void(DWORD)> notify);
  ~AsioDevice();
  AsioDevice(const AsioDevice&) = delete;
  AsioDevice& operator=(const AsioDevice&) = delete;

  // `bufferFrames`: frames per feeder block and per sound-system period (0: 10 ms, the sound
  // system's period). Throws AudioError: NOCHAN (no channel enabled), DEVICE (lost), FORMAT, BUSY.
  void Start(DWORD bufferFrames);
  void Stop();
  bool IsStarted() const { return started_.load(); }
  double Rate() const;
  // Throws AudioError: START (started), FORMAT (a rate the driver cannot run at).
  void SetRate(double rateHz);
  // Runs `change` on the channels of one direction. Throws AudioError(BASS_ERROR_START) while
  // started, and whatever `change` throws.
  void Configure(bool input, const std::function<void(AsioChannels&)>& change);

 private:
  struct Direction {
    explicit Direction(DWORD ports) : channels(ports) {}
    AsioChannels channels;
    DWORD width = 0;  // ports in the stream
    std::unique_ptr<DeviceStream> stream;
    std::unique_ptr<SampleRing> ring;
    std::vector<std::unique_ptr<AsioGroupFeed>> feeds;
    std::vector<float> block;
  };
  struct Running {  // what Stop takes out to close without the lock
    std::unique_ptr<DeviceUpdateThread> feeder;
    std::unique_ptr<DeviceStream> output;
    std::unique_ptr<DeviceStream> input;
  };

  // Opens the direction's stream for its enabled channels (none: no stream) and sets up its ring
  // and feeds; returns the stream it replaces, for closing without the lock. Under the lock.
  std::unique_ptr<DeviceStream> Prepare(Direction& direction, bool input, DWORD deviceRate, DWORD bufferFrames);
  Running TakeRunning();  // under the lock
  void Play(float* samples, size_t frames);           // real-time thread
  void Capture(const float* samples, size_t frames);  // real-time thread
  void Feed();                                        // feeder thread
  void OnEvent(DeviceStreamEvent event);
  bool OnFeederThread() const { return feederThreadId_.load() == std::this_thread::get_id(); }

  const std::string driverId_;
  const AsioDriverInfo info_;
  const std::function<void(DWORD)> notify_;

  mutable std::mutex mutex_;  // guards everything below but the atomics
  double rate_;
  size_t blockFrames_ = 0;
  Direction output_;
  Direction input_;
  std::unique_ptr<DeviceUpdateThread> feeder_;
  std::atomic<bool> started_{false};
  std::atomic<bool> firstFillDone_{false};
  std::atomic<std::thread::id> feederThreadId_{};
};

}  // namespace audiolib
