// TReinitThread: brings a lost WASAPI-style output of slot 0 (Main) or 1 (Monitor) back. It waits
// a while for the system to settle, then has the main thread rebuild the slot and restore its
// volume.
//
// Ownership: the engine (TAudio) that starts it owns it, and its destructor stops and joins every
// such thread before anything else goes. A thread still waiting then returns without rebuilding,
// and a rebuild that reaches the main thread after the stop request does nothing, so no thread
// ever touches a freed engine.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Event.h"
#include "runtime/px_thread.h"

class TAudio;

// Waits delayMs before a rebuild; returns early once `wake` is set (the thread is being stopped).
// Runs on the re-initialisation thread. The default waits on `wake` for delayMs.
using TReinitSleep = std::function<void(int32_t delayMs, TEvent& wake)>;

class TReinitThread : public TPxThread {
 public:
  // Created suspended; the engine starts it at once. Idx: output slot; DelayMS: wait in ms.
  TReinitThread(TAudio& audio, int32_t Idx, int32_t DelayMS, TReinitSleep sleep);
  ~TReinitThread() override;

  int32_t Idx() const { return FIdx; }
  int32_t Delay() const { return FDelay; }

 protected:
  void Execute() override;
  void TerminationRequested() override { FWake.SetEvent(); }

 private:
  // Main thread: rebuilds the slot and restores its volume; an EAudioException is reported as
  // "Unable to reinit device: <message>".
  void Rebuild();

  TAudio& FAudio;
  int32_t FIdx;
  int32_t FDelay;
  std::string FErr;
  TReinitSleep FSleep;
  TEvent FWake{true, false};
};
