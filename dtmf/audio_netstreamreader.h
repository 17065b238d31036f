// TNetStreamReader: the DTMF worker's thread ("DtmfReader"). It runs a body supplied by its owner
// and, for a network source, will pull that stream; a local source needs only the body.
#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "platform/Event.h"
#include "platform/Thread.h"
#include "platform/WinTypes.h"

class TPlayback;  // the playback controller; only the network path uses it

// Called with a stream's new title; a plain procedure or none.
using TNetStreamTitleNotifyEvent = void (*)(const std::string& title);
using TNetReaderExecuteProc = std::function<void()>;

class TNetStreamReader : public TThread {
 public:
  // Main thread: created suspended; its hidden window belongs to the main thread, and the
  // no-sound device becomes the calling thread's current device.
  TNetStreamReader(std::string sourceUrl, TNetStreamTitleNotifyEvent titleNotify,
                   TPlayback* playback, std::string threadName);
  // Stops and waits for a body still running. Owners call StopThread and WaitFor first, and
  // CheckStopped before freeing, which reports the misuse as an exception.
  ~TNetStreamReader() override;

  // Any thread: marks the thread terminated and wakes its waits at once.
  void StopThread();
  // Throws Exception("Thread was not properly stopped.") unless StopThread was called.
  void CheckStopped() const;

  // Any thread: ends the thread's current wait early without stopping it (new data has come).
  void WakeUp();
  // On the thread: waits up to timeoutMs for StopThread or WakeUp; true when stopped.
  bool WaitForStop(uint32_t timeoutMs);

  const std::string& SourceURL() const { return FSourceURL; }
  TPlayback* Playback() const { return FPlayback; }

  // The body; assign before Start.
  TNetReaderExecuteProc FOnExecute;

 protected:
  // Names the thread, then runs FOnExecute; throws Exception("Execute method not defined.")
  // without one.
  void Execute() override;

 private:
  static LRESULT ReaderWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

  HWND FWnd = 0;
  std::string FSourceURL;
  TPlayback* FPlayback;
  TEvent FTerminateEvent{false, false};
  TNetStreamTitleNotifyEvent FTitleNotify;
  std::atomic<bool> FStopped{false};
  std::string FThreadName;
};
