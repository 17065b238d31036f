// TInputSrcBase: a capture source shared by the live-input consumers (TPxInput) whose input entries
// describe the same device configuration. TInputSrc (audio/InputSrc.h) is the one kind there is.
//
// Threads: created, used and freed on the main thread. Amp is also read by the capture thread's
// gain DSP, so it is atomic.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "audiolib/audiolib.h"
#include "platform/Exception.h"

class TPxInput;
class TInputDevice;

// Receives the live inputs' error reports (one line of text). Called on the main thread. The audio
// engine declares the same type.
using TErrorReportCallback = std::function<void(const std::string&)>;

// An error while bringing up or using a capture device; its text is what the report carries.
class EInputAudioException : public Exception {
 public:
  using Exception::Exception;
};

// The configuration key of an input entry: Chan1, Chan2, DeviceIdx, Method, Stereo, EventDriven,
// KeepAlive (booleans as 0 or 1), each as "%8d", in that order. DeviceIdx walks the library's
// device lists.
std::string InputConfigHash(const TInputDevice& AInput);

// The entry AInputIdx of the system settings' input list, null when there is no system settings
// object or no such entry.
TInputDevice* InputEntry(int32_t AInputIdx);

class TInputSrcBase {
 public:
  virtual ~TInputSrcBase() = default;

  // A new channel for consumer S fed by this source: a push stream, or with Dummy a dummy stream
  // whose DSP chain sees every captured block. Flags are BASS_StreamCreate's (BASS_SAMPLE_FLOAT is
  // added). Returns 0 when the device could not be opened or started (reported through the error
  // callback; EInputAudioException when none is set).
  // The consumer owns the stream and frees it through StopChan/StopChanDelayed or BASS_StreamFree.
  virtual DWORD GetNewChan(TPxInput* S, DWORD Flags, bool Dummy) = 0;
  // Forgets channel C (freeing its stream unless DelOnly); the device closes with the last channel
  // unless KeepAlive.
  virtual void StopChan(DWORD C, bool DelOnly) = 0;
  // Lets channel C play out what is queued and end; it is forgotten once its consumer frees it.
  virtual void StopChanDelayed(DWORD C) = 0;
  // StopChan for every channel of AInput.
  virtual void StopAllChans(TPxInput* AInput) = 0;

  // Gain of every channel of this source in dB (clamped to -50..50 where applied).
  int32_t Amp() const { return FAmp.load(std::memory_order_relaxed); }
  void SetAmp(int32_t value) { FAmp.store(value, std::memory_order_relaxed); }
  // The input entry this source captures for; setting it also computes Hash.
  int32_t InputIdx() const { return FInputIdx; }
  void SetInputIdx(int32_t value);
  const std::string& Hash() const { return FHash; }

 protected:
  std::atomic<int32_t> FAmp{0};
  int32_t FInputIdx = -1;
  std::string FHash;
};
