#include "dtmf/SampleAnalysis.h"

#include "dtmf/ToneLog.h"
#include "platform/MainThread.h"

TSampleAnalysisResult AnalyseSamples(const std::vector<float>& samples, int sampleRate,
                                     TDtmfDetector detector, uint32_t timeoutMs) {
  TSampleAnalysisResult result;
  const HSTREAM push = BASS_StreamCreate(static_cast<DWORD>(sampleRate), 1,
                                         BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT, STREAMPROC_PUSH, nullptr);
  if (push == 0) {
    result.error = "the audio stream cannot be created (audio library error " +
                   std::to_string(BASS_ErrorGetCode()) + ")";
    return result;
  }
  const DWORD bytes = static_cast<DWORD>(samples.size() * sizeof(float));
  BASS_StreamPutData(push, samples.data(), bytes | BASS_STREAMPROC_END);
  StartToneSentry(push, "", detector);  // the module frees the stream when the next one starts
  TToneSentry* sentry = CurrentToneSentry();
  if (!WaitWhileServingMainThreadFor([sentry] { return sentry->Finished(); }, timeoutMs)) {
    result.error = "the analysis did not finish within " + std::to_string(timeoutMs / 1000) + " s";
  } else {
    result.error = sentry->ErrorText();
  }
  result.keys = sentry->DetectedKeys();
  StopToneSentry();
  TakeDetectedTones(true);
  return result;
}
