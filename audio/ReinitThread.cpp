#include "audio/ReinitThread.h"

#include "audio/Audio.h"
#include "audio/EAudioException.h"

TReinitThread::TReinitThread(TAudio& audio, int32_t Idx, int32_t DelayMS, TReinitSleep sleep)
    : TPxThread(true), FAudio(audio), FIdx(Idx), FDelay(DelayMS), FSleep(std::move(sleep)) {}

TReinitThread::~TReinitThread() { StopAndWait(); }

void TReinitThread::Execute() {
  NameThreadForDebugging("AudioReinit");
  if (FSleep) {
    FSleep(FDelay, FWake);
  } else {
    FWake.WaitFor(static_cast<uint32_t>(FDelay < 0 ? 0 : FDelay));
  }
  if (Terminated()) return;
  Synchronize([this] {
    if (!Terminated()) Rebuild();  // the engine may be stopping its threads meanwhile
  });
}

void TReinitThread::Rebuild() {
  try {
    FAudio.RebuildOutput(FIdx);
  } catch (const EAudioException& e) {
    FErr = e.what();
    FAudio.ReportError("Unable to reinit device: " + FErr);
  }
}
