// The virtual sound system behind the virtual device list (VirtualDeviceBackend.h): its clock, the
// state of its devices, and what its inputs capture and where its outputs' samples go. Tests drive
// it; the virtual streams (VirtualStream.h) run on it.
//
// Clock. Real time by default: a clock thread of its own calls every started stream about every
// 5 ms with the frames due since the stream started. A test may switch to a hand-driven clock:
// then nothing moves until AdvanceMs, which, on the calling thread, makes every started
// hand-driven stream consume (outputs) or produce (inputs) exactly the frames of that many ms at
// its rate (fractions carried over, so 3 x 1 ms at 44100 Hz is 132 frames, then 133 ...), in calls
// of the stream's period (default 10 ms). A stream keeps the clock mode it was started with.
//
// Devices are named by their identifier (the id field of the list); a state applies to every layer
// listing that id. Everything here is any-thread and serialised by one lock that is also held
// while streams are called; taps, generators and onEvent callbacks must not call back into
// VirtualDevices.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "audiolib/audiolib.h"
#include "audiolib/devices/DeviceStream.h"

namespace audiolib {

struct VirtualStreamCore;

// A file's decoded samples that virtual inputs capture, shared by every stream reading it.
struct InputFile {
  std::shared_ptr<const std::vector<float>> samples;
  DWORD channels = 0;
};

class VirtualDevices {
 public:
  // What a virtual input captures: fill `frames` frames of `channels` interleaved samples.
  using InputGenerator =
      std::function<void(float* samples, size_t frames, DWORD channels, DWORD sampleRate)>;
  // Where a virtual output's samples go: called with every block the output consumed.
  using OutputTap =
      std::function<void(const float* samples, size_t frames, DWORD channels, DWORD sampleRate)>;

  static VirtualDevices& Instance();

  // Streams started after this call follow the chosen clock.
  void SetManualClock(bool manual);
  bool IsManualClock() const;
  // Moves the hand-driven clock on by `ms` (see above). Returns once every call is made.
  void AdvanceMs(DWORD ms);

  // Lost: every open stream of the device stops and gets Lost; opening it or starting one of its
  // streams fails with BASS_ERROR_DEVICE. Back (lost = false): its streams get Back. Events are
  // delivered on the calling thread before the call returns.
  void SetLost(const std::string& deviceId, bool lost);
  bool IsLost(const std::string& deviceId) const;
  // Busy: opening the device fails with BASS_ERROR_BUSY, as if another program held it.
  void SetBusy(const std::string& deviceId, bool busy);
  // Every started stream of the device stops and gets Failed (the device stays present).
  void FailStreams(const std::string& deviceId);

  // Inputs of the device capture from `generator` (replacing a file or generator set before).
  void SetInputGenerator(const std::string& deviceId, InputGenerator generator);
  // Inputs of the device capture the file's decoded samples from its start (each stream reads its
  // own copy from the moment it starts), channel by channel (channels the file lacks are silent),
  // at the file's own rate whatever the stream's rate; silence after its end. Throws AudioError
  // like BASS_StreamCreateFile (FILEOPEN, FILEFORM, NOTAUDIO, CODEC).
  void SetInputFile(const std::string& deviceId, const std::string& path);
  // Outputs of the device pass what they consume to `tap` (empty: to nothing).
  void SetOutputTap(const std::string& deviceId, OutputTap tap);

  // Back to the start-up state: real-time clock, nothing lost, busy or failed, no generators,
  // files or taps. Open streams stay open.
  void Reset();

  // For VirtualStream. Register throws AudioError: DEVICE when the device is lost, BUSY when it
  // is busy, held exclusively, or wanted exclusively while open. Start throws DEVICE when lost.
  void Register(const std::shared_ptr<VirtualStreamCore>& stream);
  void Unregister(const std::shared_ptr<VirtualStreamCore>& stream);
  void Start(VirtualStreamCore& stream);
  void Stop(VirtualStreamCore& stream);
  bool IsStarted(const VirtualStreamCore& stream) const;

 private:
  VirtualDevices() = default;
  ~VirtualDevices();

  using Lock = std::unique_lock<std::mutex>;
  struct ClockRun;  // one clock thread's stop request

  // Calls the stream for `framesDue` frames in blocks of its period. Under the lock.
  void RunStream(VirtualStreamCore& stream, uint64_t framesDue);
  void FillInput(VirtualStreamCore& stream, float* samples, size_t frames);
  void ClockThread(std::shared_ptr<ClockRun> run);
  void StartClockThreadIfNeeded();
  // Joins the clock thread (the lock released meanwhile) when no real-time stream is started.
  void StopClockThreadIfIdle(Lock& lock);
  // Stops the matching streams and tells each one `event`, releasing the lock around the calls.
  void StopAndTell(Lock& lock, const std::string& deviceId, DeviceStreamEvent event, bool onlyStarted);

  mutable std::mutex mutex_;
  bool manualClock_ = false;
  std::vector<std::shared_ptr<VirtualStreamCore>> streams_;
  std::set<std::string> lost_;
  std::set<std::string> busy_;
  std::map<std::string, InputGenerator> generators_;
  std::map<std::string, InputFile> inputFiles_;
  std::map<std::string, OutputTap> taps_;

  std::thread clockThread_;
  std::shared_ptr<ClockRun> clockRun_;
  std::condition_variable clockWake_;
};

}  // namespace audiolib
