// Live inputs. A TPxInput is one consumer of a capture device (a microphone or line input of the
// audio engine, a recorder, a level meter, `tonesentry listen`): it is bound to an entry of the
// system settings' input list by InputIdx and gets its own audio-library channels fed from that
// device. Consumers whose entries describe the same device configuration share one capture
// source (audio/InputSrc.h), so a device is opened once, when its first channel is asked for, and
// closed with its last channel (unless the entry keeps it alive).
//
// Threads: every call on the main thread (the sources own message windows). The channels are read
// on any thread; the captured audio arrives on the library's capture threads.
// Failure: device errors are reported through the callback set with SetErrorReportCallback, as
// "<message>: <code> (<error text>)" ("<API>: <message>..." when a device fails to start), and the
// channel is not made; without a callback the call that opened the device throws
// EInputAudioException("Error callback not set (input).").
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/InputSrcBase.h"
#include "audiolib/audiolib.h"

class TPxInput {
 public:
  // Registers the consumer; it has no source until InputIdx is set.
  TPxInput();
  // Stops its channels, unregisters it and frees every source no consumer uses any more.
  ~TPxInput();
  TPxInput(const TPxInput&) = delete;
  TPxInput& operator=(const TPxInput&) = delete;

  int32_t InputIdx() const { return FInputIdx; }
  // Binds to entry v of SystemIni's input list. When v describes another device configuration
  // than before, the consumer's channels are stopped and it moves to the source of that
  // configuration (made when none exists). An index outside the list binds no source.
  void SetInputIdx(int32_t v);
  // The shared source, null while unbound. Not owned.
  TInputSrcBase* Input() const { return FInput; }
  // Gain of the source in dB (shared by every consumer of that source).
  void SetAmp(int32_t ampDb);

  // A push stream receiving every captured block (32-bit float, the capture's rate and channels).
  // Flags: BASS_StreamCreate's; with BASS_STREAM_DECODE it belongs to the no-sound device. The
  // caller reads (or plays) it and frees it with FreeChan. 0 on failure or while unbound.
  DWORD CreateChan(DWORD Flags);
  // A dummy stream: every captured block runs through its DSP chain; nothing is queued.
  DWORD CreateDummyChan(DWORD Flags);
  // Delayed: C plays out what it has queued, then ends (its consumer still frees it). Else C is
  // freed now.
  void FreeChan(DWORD C, bool Delayed);

  // The receiver of the live inputs' error reports (class-wide).
  static void SetErrorReportCallback(TErrorReportCallback ACallback);

 private:
  TInputSrcBase* FInput = nullptr;
  std::string FInputHash;
  int32_t FInputIdx = -1;
};

// Module state, main thread only: every capture source (owned) and every consumer (not owned), in
// creation order; and the error callback.
std::vector<std::unique_ptr<TInputSrcBase>>& InputSources();
std::vector<TPxInput*>& InputConsumers();
const TErrorReportCallback& InputErrorCb();

// Frees, from the last to the first, every source that no consumer uses.
void CollectUnusedSources();
