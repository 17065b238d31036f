// One initialised endpoint of the WASAPI-style layer: its sound-system stream, the ring between the
// real-time callback and the feeder thread, and the feeder that calls the WASAPIPROC.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audiolib/audiolib.h"
#include "audiolib/devices/DeviceStream.h"
#include "audiolib/devices/DeviceUpdateThread.h"
#include "audiolib/devices/SampleRing.h"

namespace audiolib {

// What BASS_WASAPI_Init asks for, with the endpoint already looked up.
struct WasapiSettings {
  std::string deviceId;  // the endpoint's identifier in the catalog
  bool isInput = false;
  DWORD freq = 0;   // Hz; 0: the endpoint's own
  DWORD chans = 0;  // 0: the endpoint's own
  DWORD flags = 0;  // BASS_WASAPI_*
  float bufferSeconds = 0;
  float periodSeconds = 0;
  WASAPIPROC* proc = nullptr;
  void* user = nullptr;
  DWORD mixRate = 48000;  // the endpoint's own format
  DWORD mixChannels = 2;
};

// Format: a shared endpoint runs at its mix rate with up to its channel count (a request beyond
// that needs AUTOFORMAT, which takes the mix rate and at most the endpoint's channels); an exclusive
// one at the format asked, or with AUTOFORMAT at its mix format when that is refused.
//
// Output: while started, the feeder thread keeps the ring filled with what the WASAPIPROC gives
// (in blocks of one period), and the real-time callback only copies out of the ring (silence when
// it runs dry). Input: the real-time callback only writes into the ring; the feeder hands each
// block to the WASAPIPROC, and a FALSE from it stops the device. Start waits (bounded) for the
// first fill, so an output starts with its buffer full.
//
// `notify` gets BASS_WASAPI_NOTIFY_* on the back end's event thread: DISABLED when the endpoint is
// lost (the device has stopped), ENABLED when it is back, FAIL when the stream failed (stopped).
// Start, Stop and the destructor are for any thread but the feeder (a WASAPIPROC must not stop or
// free its own device: AudioError(BASS_ERROR_BUSY)). Destroying the device stops it.
class WasapiDevice {
 public:
  // Opens the endpoint (stopped). Throws AudioError: DEVICE, BUSY, FORMAT, FREQ, DRIVER.
  WasapiDevice(const WasapiSettings& settings, std::function<void(DWORD)> notify);
  ~WasapiDevice();
  WasapiDevice(const WasapiDevice&) = delete;
  WasapiDevice& operator=(const WasapiDevice&) = delete;

  // Throws AudioError (DEVICE while the endpoint is lost, BUSY on the feeder thread).
  void Start();
  void Stop();
  bool IsStarted() const;
  BASS_WASAPI_INFO Info() const;

 private:
  void Open(DWORD rate, DWORD chans);
  void Play(float* samples, size_t frames);           // real-time thread (output)
  void Capture(const float* samples, size_t frames);  // real-time thread (input)
  void Feed();                                        // feeder thread
  void FeedOutput();
  void FeedInput();
  void OnEvent(DeviceStreamEvent event);
  // Takes the feeder out under the lock so that it is joined without it.
  std::unique_ptr<DeviceUpdateThread> StopLocked();
  bool OnFeederThread() const { return feederThreadId_.load() == std::this_thread::get_id(); }

  const WasapiSettings settings_;
  const std::function<void(DWORD)> notify_;
  DWORD rate_ = 0;
  DWORD chans_ = 0;
  size_t periodFrames_ = 0;
  std::unique_ptr<SampleRing> ring_;
  std::vector<float> block_;  // the feeder's block, one period
  std::unique_ptr<DeviceStream> stream_;

  mutable std::mutex mutex_;  // guards started_, feeder_ and the stream's Start/Stop
  bool started_ = false;
  std::unique_ptr<DeviceUpdateThread> feeder_;
  std::atomic<std::thread::id> feederThreadId_{};
  std::atomic<bool> firstFillDone_{false};
  std::atomic<bool> inputRefused_{false};  // the input WASAPIPROC returned FALSE
};

}  // namespace audiolib
