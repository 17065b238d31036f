#include "dtmf/audio_netstreamreader.h"

#include <utility>

#include "audiolib/audiolib.h"
#include "platform/Exception.h"
#include "platform/MessageWindow.h"

TNetStreamReader::TNetStreamReader(std::string sourceUrl, TNetStreamTitleNotifyEvent titleNotify,
                                   TPlayback* playback, std::string threadName)
    : TThread(true),
      FSourceURL(std::move(sourceUrl)),
      FPlayback(playback),
      FTitleNotify(titleNotify),
      FThreadName(std::move(threadName)) {
  FWnd = AllocateHWnd(&TNetStreamReader::ReaderWndProc);
  BASS_SetDevice(0);
}

TNetStreamReader::~TNetStreamReader() {
  if (!FStopped.load()) StopThread();
  StopAndWait();
  DeallocateHWnd(FWnd);
}

void TNetStreamReader::StopThread() {
  Terminate();
  FStopped.store(true);
  FTerminateEvent.SetEvent();
}

void TNetStreamReader::CheckStopped() const {
  if (!FStopped.load()) throw Exception("Thread was not properly stopped.");
}

void TNetStreamReader::WakeUp() { FTerminateEvent.SetEvent(); }

bool TNetStreamReader::WaitForStop(uint32_t timeoutMs) {
  FTerminateEvent.WaitFor(timeoutMs);
  return Terminated();
}

void TNetStreamReader::Execute() {
  NameThreadForDebugging(FThreadName);
  if (!FOnExecute) throw Exception("Execute method not defined.");
  FOnExecute();
}

LRESULT TNetStreamReader::ReaderWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  // The network stream's notices arrive here once a network source exists.
  return DefWindowProc(wnd, msg, wParam, lParam);
}
