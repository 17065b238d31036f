// A recording channel: captures from an input through a device stream.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "audiolib/channels/Channel.h"
#include "audiolib/devices/DeviceStream.h"
#include "audiolib/devices/RecordCaptureThread.h"
#include "audiolib/devices/SampleRing.h"

namespace audiolib {

// The sound system's real-time callback only writes the captured float samples into a ring of
// kBufferMs. With a RECORDPROC, a capture thread of the channel reads the ring (through the
// channel's read, so its DSP chain runs) and calls the procedure with each block; without one,
// BASS_ChannelGetData reads it. A full ring drops the newest samples (whole frames). Once
// recording ends (BASS_ChannelStop, the procedure returning FALSE, the input lost or failed)
// what was captured can still be read, then the channel ends.
class RecordStream : public Channel {
 public:
  static constexpr unsigned kBufferMs = 2000;
  static constexpr unsigned kCapturePeriodMs = 10;

  // Opens the input `deviceId` at the format's rate and channel count and starts capturing.
  // `device` is the input's number. Throws AudioError as OpenDeviceStream and Start do.
  static std::shared_ptr<RecordStream> Start(const std::string& deviceId, const SampleFormat& format,
                                             DWORD flags, int device, RECORDPROC* proc, void* user);
  RecordStream(const SampleFormat& format, DWORD flags, int device, RECORDPROC* proc, void* user);
  // Starts the capture thread that calls the RECORDPROC (nothing without one). Once, after the
  // channel has its handle.
  void StartDelivering();
  ~RecordStream() override;

  // Ends recording (BASS_ChannelStop). Any thread, the capture thread too.
  void OnChannelStop() override;
  bool IsRecording() const { return recording_.load(); }

 protected:
  ReadResult Produce(void* buffer, size_t bytes) override;
  // Recording and nothing captured yet.
  bool Stalled() const override;
  void OnFreed() override;

 private:
  void OpenAndStart(const std::string& deviceId);
  // Real-time thread: the captured frames into the ring.
  void Capture(const float* samples, size_t frames);
  // Capture thread: hands what is waiting to the procedure. False once there is nothing more.
  bool DeliverToProc();
  void EndRecording();

  RECORDPROC* const proc_;
  void* const user_;
  SampleRing ring_;
  std::atomic<bool> recording_{false};
  std::atomic<size_t> droppedFrames_{0};

  std::mutex streamMutex_;  // guards stream_ and its Start/Stop
  std::unique_ptr<DeviceStream> stream_;
  std::unique_ptr<RecordCaptureThread> captureThread_;  // only with a proc; set once at start

  std::vector<float> floats_;        // Produce's conversion buffer (read lock)
  std::vector<unsigned char> block_;  // the capture thread's block for the proc
};

}  // namespace audiolib
