#include "dtmf/PcmAnalysis.h"

#include <algorithm>

#include "dtmf/ToneLog.h"
#include "platform/MainThread.h"

namespace {

constexpr DWORD FloatDecode = BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT;
constexpr DWORD QueryFailed = 0xFFFFFFFF;
constexpr uint32_t FeedPollMs = 50;  // a fallback: the worker wakes the feeder when the queue is low
constexpr DWORD MaxSampleRate = 384000;
constexpr DWORD MaxChannels = 32;
// Two seconds queued, and never less than the sentry needs before it analyses a frame.
constexpr DWORD QueuedSeconds = 2;
constexpr DWORD MinQueuedFrames = 2 * 4096;

}  // namespace

std::unique_ptr<TPcmAnalysis> TPcmAnalysis::Start(DWORD sampleRate, DWORD channels, TDtmfDetector detector,
                                                  std::string& error) {
  error.clear();
  if (sampleRate == 0 || sampleRate > MaxSampleRate || channels == 0 || channels > MaxChannels) {
    error = "unsupported audio format (" + std::to_string(channels) + " channels at " +
            std::to_string(sampleRate) + " Hz)";
    return nullptr;
  }
  const HSTREAM push = BASS_StreamCreate(sampleRate, channels, FloatDecode, STREAMPROC_PUSH, nullptr);
  if (push == 0) {
    error = "the audio stream cannot be created (audio library error " + std::to_string(BASS_ErrorGetCode()) + ")";
    return nullptr;
  }
  std::unique_ptr<TPcmAnalysis> analysis(new TPcmAnalysis(push, sampleRate, channels));
  StartToneSentry(push, "", detector);
  // A full queue is refilled once the worker has taken half of it.
  CurrentToneSentry()->SetFeederWakeLevel(analysis->FMaxQueuedBytes / 2);
  analysis->FSentrySerial = CurrentToneSentry()->Serial();
  return analysis;
}

TPcmAnalysis::TPcmAnalysis(HSTREAM pushStream, DWORD sampleRate, DWORD channels)
    : FPushStream(pushStream),
      FMaxQueuedBytes(std::max(sampleRate * QueuedSeconds, MinQueuedFrames) * channels * sizeof(float)) {}

TPcmAnalysis::~TPcmAnalysis() {
  if (Sentry() != nullptr) StopToneSentry();
  BASS_StreamFree(FPushStream);
}

TToneSentry* TPcmAnalysis::Sentry() const {
  TToneSentry* current = CurrentToneSentry();
  return current && current->Serial() == FSentrySerial ? current : nullptr;
}

bool TPcmAnalysis::Done() const {
  const TToneSentry* sentry = Sentry();
  return sentry == nullptr || sentry->Finished();
}

DWORD TPcmAnalysis::QueuedBytes() const { return BASS_StreamPutData(FPushStream, nullptr, 0); }

bool TPcmAnalysis::Feed(std::span<const float> samples) {
  const auto queuedBelow = [this](DWORD bytes) {
    const DWORD queued = QueuedBytes();
    return Done() || queued == QueryFailed || queued < bytes;
  };
  if (!queuedBelow(FMaxQueuedBytes)) {
    const auto halfDrained = [&] { return queuedBelow(FMaxQueuedBytes / 2); };
    while (!halfDrained()) {
      WaitWhileServingMainThreadFor(halfDrained, FeedPollMs, FeedPollMs);
      TakeDetectedTones(true);  // keep the shared tone log small; Keys() has them all
    }
  }
  if (Done()) return false;
  BASS_StreamPutData(FPushStream, samples.data(), static_cast<DWORD>(samples.size_bytes()));
  if (TToneSentry* sentry = Sentry()) sentry->SourceChanged();
  return true;
}

void TPcmAnalysis::Finish() {
  BASS_StreamPutData(FPushStream, nullptr, BASS_STREAMPROC_END);
  if (TToneSentry* sentry = Sentry()) sentry->SourceChanged();
  while (!Done()) {
    WaitWhileServingMainThreadFor([this] { return Done(); }, FeedPollMs * 2, FeedPollMs);
    TakeDetectedTones(true);
  }
  TakeDetectedTones(true);
}

std::string TPcmAnalysis::ErrorText() const {
  const TToneSentry* sentry = Sentry();
  return sentry ? sentry->ErrorText() : "";
}

std::vector<TDetectedKey> TPcmAnalysis::Keys() const {
  const TToneSentry* sentry = Sentry();
  return sentry ? sentry->DetectedKeys() : std::vector<TDetectedKey>{};
}
