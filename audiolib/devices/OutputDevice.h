// One initialised output device: its sound-system stream, the ring its update thread renders the
// playing channels into, and the real-time callback that plays the ring.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "audiolib/devices/DeviceMix.h"
#include "audiolib/devices/DeviceStream.h"
#include "audiolib/devices/DeviceUpdateThread.h"
#include "audiolib/devices/SampleRing.h"

namespace audiolib {

// Rendering: every BASS_CONFIG_UPDATEPERIOD ms (or at once when a channel starts) the update
// thread tops the ring up to BASS_CONFIG_BUFFER ms (at least the period plus a margin) while
// channels play, and to two periods of silence while none does, so a channel started on an idle
// device is heard after at most about two periods. The real-time callback only copies out of the
// ring (silence when it runs dry: an underrun); it allocates nothing, takes no lock and runs no
// user code. The ring holds up to kLongestBufferMs and is allocated when the device opens.
//
// Lost device: playing channels wait (STALLED) and the ring stops filling; when the device is back
// the output starts again from a clean ring and the channels play on. A stream that failed with the
// device still present is started again at once.
//
// Public calls from any thread except where noted. Destroying the device stops its output, joins its
// update thread and stops the channels still playing on it.
class OutputDevice {
 public:
  static constexpr DWORD kLongestBufferMs = 5000;

  // Opens the stream `request` describes (an output) and starts it with a ring of silence.
  // `noSound`: the no-sound device, a virtual stream that plays to nothing in real time (or on the
  // hand-driven virtual clock), running only while a channel plays on it. Throws AudioError as
  // OpenDeviceStream does.
  OutputDevice(const DeviceStreamRequest& request, bool noSound);
  ~OutputDevice();
  OutputDevice(const OutputDevice&) = delete;
  OutputDevice& operator=(const OutputDevice&) = delete;

  DWORD SampleRate() const { return sampleRate_; }
  DWORD Channels() const { return channels_; }

  // BASS_ChannelPlay. Throws AudioError: START when the output is stopped, FORMAT (see DeviceMix).
  void Play(const std::shared_ptr<Channel>& channel, bool restart);
  // BASS_ChannelPause: BASS_OK or the error code (NOPLAY, ALREADY).
  int Pause(const Channel& channel) { return mix_.Pause(channel); }
  // BASS_ChannelStop: false when the channel was not playing here.
  bool Stop(const Channel& channel) { return mix_.Stop(channel); }

  // BASS_Stop: stops the output and every channel on it; the ring is emptied.
  void StopOutput();
  // BASS_Start: starts the output again (nothing when started). Throws AudioError from the stream.
  void StartOutput();
  bool IsStarted() const { return outputStarted_.load(); }
  bool IsLost() const { return lost_.load(); }

  // One update: tops the ring up (see above). The update thread; a test may call it to have the
  // ring filled before it moves a hand-driven clock.
  void Update();
  // True on the device's own update thread (where its channels' procedures run).
  bool IsUpdateThread() const;
  // The thread the sound system last called the real-time callback on (none before the first call).
  std::thread::id RealTimeThread() const { return realTimeThread_.load(std::memory_order_relaxed); }

  // Frames the sound system has taken from the ring, and frames of silence it played besides because
  // the ring had run dry (underruns). Any thread.
  uint64_t FramesPlayed() const { return ring_.TotalRead() / channels_; }
  uint64_t UnderrunFrames() const { return underrunFrames_.load(std::memory_order_relaxed); }
  // Frames rendered and not yet taken by the sound system.
  size_t BufferedFrames() const { return ring_.Readable() / channels_; }

 private:
  // The real-time callback.
  void Process(float* samples, size_t frames);
  void OnStreamEvent(DeviceStreamEvent event);
  // Under renderMutex_: renders into the ring up to the current target.
  void RenderAhead();
  // Under renderMutex_: renders ahead and starts the stream; stops it.
  void StartStream();
  void StopStream();
  // Under renderMutex_, with the stream stopped: empties the ring, renders ahead and starts the
  // stream. False (and the device counts as lost) when the stream cannot start.
  bool Restart();
  size_t TargetFrames() const;

  const DWORD sampleRate_;
  const DWORD channels_;
  // The no-sound device: its stream runs only while a channel plays (or drains) on it, so an idle
  // one costs no clock ticks.
  const bool runsOnlyWhilePlaying_;
  DeviceMix mix_;
  SampleRing ring_;
  // What one update renders, up to the ring's capacity; guarded by renderMutex_. Left untouched
  // where no update has rendered yet, so an idle device costs little resident memory.
  std::unique_ptr<float[]> block_;
  std::atomic<uint64_t> underrunFrames_{0};
  std::atomic<bool> outputStarted_{false};
  std::atomic<bool> lost_{false};
  bool closing_ = false;        // guarded by renderMutex_
  bool streamRunning_ = false;  // stream_ started by us; guarded by renderMutex_
  // Serialises updates with output starts and stops; recursive because a procedure running inside
  // an update may call BASS_Stop or BASS_Start on its own device.
  std::recursive_mutex renderMutex_;
  std::unique_ptr<DeviceStream> stream_;
  std::unique_ptr<DeviceUpdateThread> updateThread_;
  std::atomic<std::thread::id> updateThreadId_;
  std::atomic<std::thread::id> realTimeThread_;
};

}  // namespace audiolib
