#include "dtmf/qv_dtmf.h"

#include <algorithm>
#include <cmath>

#include "dtmf/DelayLine.h"
#include "dtmf/ToneLog.h"
#include "platform/MainThread.h"
#include "runtime/qv_utils.h"
#include "settings/player/PlayerIni.h"

namespace {

constexpr uint32_t QueuedFramesPerAnalysis = 4096;  // source sample frames queued before a frame
constexpr uint32_t IdleSleepMs = 50;
constexpr double FrameMs = 1000.0 * DtmfFftSize / DtmfAnalysisRate;  // 32 ms
constexpr DWORD AnalysisFlags = BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT;
constexpr DWORD QueryFailed = 0xFFFFFFFF;

std::unique_ptr<TToneSentry> CurrentSentry;
std::atomic<uint64_t> LastSentrySerial{0};
HSTREAM SentrySource = 0;
TPlayback* SentryPlayback = nullptr;
const TPlayerSettings* SentryPlayerSettings = nullptr;
std::atomic<HSTREAM> GAnalysisMixer{0};

double LevelDb(float level) { return level > 0 ? 20.0 * std::log10(level) : -INFINITY; }

constexpr const char* CannotRoute = "the source cannot be added to the analysis mixer";

std::string AudioFailure(const std::string& what) {
  return what + " (audio library error " + std::to_string(BASS_ErrorGetCode()) + ")";
}

// A stream the worker creates, freed when the worker leaves (also by an exception); the analysis
// mixer is published as AnalysisMixer while it lives.
class TWorkerStream {
 public:
  explicit TWorkerStream(HSTREAM handle) : FHandle(handle) {}
  ~TWorkerStream() {
    if (FPublished) GAnalysisMixer.store(0);
    BASS_StreamFree(FHandle);
  }
  TWorkerStream(const TWorkerStream&) = delete;
  TWorkerStream& operator=(const TWorkerStream&) = delete;
  HSTREAM Handle() const { return FHandle; }
  void PublishAsAnalysisMixer() {
    FPublished = true;
    GAnalysisMixer.store(FHandle);
  }

 private:
  HSTREAM FHandle;
  bool FPublished = false;
};

// A stream procedure giving float silence until the count of samples it is given runs out.
DWORD SilenceProc(HSTREAM, void* buffer, DWORD length, void* user) {
  uint64_t& samplesLeft = *static_cast<uint64_t*>(user);
  const uint64_t samples = std::min<uint64_t>(length / sizeof(float), samplesLeft);
  std::fill_n(static_cast<float*>(buffer), samples, 0.0f);
  samplesLeft -= samples;
  return static_cast<DWORD>(samples * sizeof(float)) | (samplesLeft == 0 ? BASS_STREAMPROC_END : 0);
}

// True once the push stream's end has been marked: its length is known only from then on.
bool SourceEndMarked(HSTREAM source) {
  return BASS_ChannelGetLength(source, BASS_POS_BYTE) != static_cast<QWORD>(-1);
}

}  // namespace

// ---- TToneSentry ----

TToneSentry::TToneSentry(HSTREAM sourceChan, const std::string& sourceUrl, TDtmfDetector detector)
    : FSerial(++LastSentrySerial), FDetector(detector) {
  FNetReader = std::make_unique<TNetStreamReader>(sourceUrl, nullptr, SentryPlayback, "DtmfReader",
                                                  SentryPlayerSettings);
  FNetReader->FOnExecute = [this] { RunDetection(); };
  FSrcChan = sourceChan;
  FDTMFChannelMode = PlayerIni->DTMFChannelMode();
  FDTMFThreshold = PlayerIni->DTMFThreshold();
}

TToneSentry::~TToneSentry() noexcept(false) {
  if (FNetReader) FNetReader->CheckStopped();
}

void TToneSentry::Start() { FNetReader->Start(); }

void TToneSentry::SourceChanged() { FNetReader->WakeUp(); }

void TToneSentry::Stop() {
  FNetReader->StopThread();
  FNetReader->WaitFor();
}

std::vector<TDetectedKey> TToneSentry::DetectedKeys() const {
  std::lock_guard lock(FKeysLock);
  return FKeys;
}

void TToneSentry::RunDetection() {
  try {
    Detect();
  } catch (const std::exception& error) {
    Fail(std::string("the DTMF worker failed: ") + error.what());
  } catch (...) {
    Fail("the DTMF worker failed");
  }
  if (IsNetworkSource()) BASS_StreamFree(FSrcChan);
}

void TToneSentry::Detect() {
  TWorkerStream mixer(BASS_Mixer_StreamCreate(DtmfAnalysisRate, 1, AnalysisFlags));
  if (mixer.Handle() == 0) return Fail(AudioFailure("the analysis mixer cannot be created"));
  if (IsNetworkSource()) ReconnectSource();
  uint32_t frameBytes = FrameBytes(FSrcChan);
  const std::string unrouted = RouteSource(mixer.Handle());
  if (!unrouted.empty()) return Fail(unrouted);
  mixer.PublishAsAnalysisMixer();
  AttachDelayLine(mixer.Handle());
  FCol = -1;
  FRow = -1;
  // The standard detector reads 256 magnitudes per frame, the strict one the frame's 512 samples.
  std::vector<float> frame(FDetector == TDtmfDetector::Strict ? DtmfFftSize : DtmfFrameBins);
  if (FDetector == TDtmfDetector::Strict) FStrictDetector = MakeStrictDetector();

  while (!FNetReader->Terminated()) {
    // A lost stream's audio still queued is analysed first; freeing the queue would drop it.
    if (IsNetworkSource() && !PullNetworkSource() &&
        BASS_StreamPutData(FSrcChan, nullptr, 0) < frameBytes * QueuedFramesPerAnalysis) {
      RecoverLostSource(mixer.Handle(), frameBytes);
      continue;
    }
    const DWORD queued = BASS_StreamPutData(FSrcChan, nullptr, 0);
    if (queued == QueryFailed) return Fail(AudioFailure("the source cannot be read"));
    WakeFeederIfLow(queued);
    if (frameBytes * QueuedFramesPerAnalysis <= queued) {
      // With data queued the mixer has something to give; failing now it never would.
      if (!AnalyseNextFrame(mixer.Handle(), frame))
        return Fail(AudioFailure("the source cannot be mixed for analysis"));
    } else if (SourceEndMarked(FSrcChan)) {
      FlushRemainder(mixer.Handle(), frame, queued, frameBytes);
      return FinishAndWaitForStop();
    } else {
      FNetReader->WaitForStop(IdleSleepMs);
    }
  }
}

void TToneSentry::WakeFeederIfLow(DWORD queuedBytes) {
  const bool low = queuedBytes < FFeederWakeBytes.load();
  if (low && !FFeederWoken) NotifyMainThreadWaiters();
  FFeederWoken = low;
}

void TToneSentry::Fail(const std::string& reason) {
  {
    std::lock_guard lock(FKeysLock);
    FErrorText = reason;
  }
  FinishAndWaitForStop();
}

std::string TToneSentry::ErrorText() const {
  std::lock_guard lock(FKeysLock);
  return FErrorText;
}

// The main loop leaves the last partial block and the delay line's content unanalysed; once
// the source's end is marked nothing more can come, so analyse it all. A silent tail mixed beside
// the remainder keeps the mixer running until the remainder, then the ring's content, have come
// out: as long as the remainder plus the delay, and one frame for the padded last block.
void TToneSentry::FlushRemainder(HSTREAM mixer, std::span<float> frame, DWORD queuedBytes,
                                 uint32_t frameBytes) {
  BASS_CHANNELINFO info{};
  if (!BASS_ChannelGetInfo(FSrcChan, &info) || info.freq == 0 || frameBytes == 0) return;
  const uint64_t remainderFrames = queuedBytes / frameBytes;
  const uint64_t remainderSamples = (remainderFrames * DtmfAnalysisRate + info.freq - 1) / info.freq;
  // Made as it is read: at a low source rate the remainder alone is minutes at 16 kHz.
  uint64_t tailSamples = DelayLineLength() + remainderSamples + DtmfFftSize;
  const TWorkerStream tail(BASS_StreamCreate(DtmfAnalysisRate, 1, AnalysisFlags, &SilenceProc, &tailSamples));
  BASS_Mixer_StreamAddChannel(mixer, tail.Handle(), 0);
  AnalyseFramesUntilEnd(mixer, frame);
}

void TToneSentry::FinishAndWaitForStop() {
  FFinished.store(true);
  NotifyMainThreadWaiters();
  while (!FNetReader->WaitForStop(INFINITE)) {
  }
}

void TToneSentry::AnalyseFramesUntilEnd(HSTREAM mixer, std::span<float> frame) {
  while (!FNetReader->Terminated() && AnalyseNextFrame(mixer, frame)) {
  }
  if (FStrictDetector && !FNetReader->Terminated()) FStrictDetector->Finish();
}

bool TToneSentry::AnalyseNextFrame(HSTREAM mixer, std::span<float> frame) {
  if (!FStrictDetector) {
    if (BASS_ChannelGetData(mixer, frame.data(), BASS_DATA_FFT512) == QueryFailed) return false;
    AnalyseFrame(frame);
    return true;
  }
  const DWORD bytes = BASS_ChannelGetData(mixer, frame.data(), static_cast<DWORD>(frame.size_bytes()));
  if (bytes == QueryFailed) return false;
  FStrictDetector->Process(frame.first(bytes / sizeof(float)));
  ++FFramesAnalysed;
  return true;
}

std::unique_ptr<strictdtmf::TStrictToneDetector> TToneSentry::MakeStrictDetector() {
  strictdtmf::TStrictLimits limits;
  limits.thresholdAmplitude = FDTMFThreshold;
  auto detector = std::make_unique<strictdtmf::TStrictToneDetector>(limits);
  detector->OnKeyStart = [this](const strictdtmf::TStrictKey& key) {
    AppendDetectedTone(key.Key());
    std::lock_guard lock(FKeysLock);
    KeyStarted(StrictKeyReport(key));
  };
  detector->OnKeyEnd = [this](const strictdtmf::TStrictKey& key) {
    std::lock_guard lock(FKeysLock);
    FKeys.back() = StrictKeyReport(key);
  };
  return detector;
}

TDetectedKey TToneSentry::StrictKeyReport(const strictdtmf::TStrictKey& key) const {
  TDetectedKey report;
  report.key = key.Key();
  const double startMs = key.startSample * 1000.0 / strictdtmf::SampleRate;
  report.startMs = std::max(0.0, startMs - FDelayMs);
  report.durationMs = key.DurationMs();
  report.lowLevelDb = LevelDb(static_cast<float>(key.lowAmplitude));
  report.highLevelDb = LevelDb(static_cast<float>(key.highAmplitude));
  return report;
}

uint32_t TToneSentry::FrameBytes(HSTREAM channel) {
  BASS_CHANNELINFO info{};
  if (!BASS_ChannelGetInfo(channel, &info)) return 0;
  uint32_t sampleBytes = 2;
  if (info.flags & BASS_SAMPLE_FLOAT) {
    sampleBytes = 4;
  } else if (info.flags & BASS_SAMPLE_8BITS) {
    sampleBytes = 1;
  }
  return info.chans * sampleBytes;
}

std::string TToneSentry::RouteSource(HSTREAM mixer) {
  BASS_CHANNELINFO info{};
  if (!BASS_ChannelGetInfo(FSrcChan, &info)) return AudioFailure("the source cannot be read");
  if (info.chans != 2) {
    if (!BASS_Mixer_StreamAddChannel(mixer, FSrcChan, 0)) return AudioFailure(CannotRoute);
    if (FDTMFChannelMode != dcmLeft) {
      ReportErrorText(
          "Warning: DTMF source is not stereo. Stereo processing settings are ignored. Using left "
          "channel only. ");
    }
    return "";
  }
  bool added = false;
  switch (FDTMFChannelMode) {
    case dcmLeft:
      added = BASS_Mixer_StreamAddChannel(mixer, FSrcChan, 0);
      break;
    case dcmRight: {
      added = BASS_Mixer_StreamAddChannel(mixer, FSrcChan, BASS_MIXER_MATRIX);
      const float matrix[1][2] = {{0.0f, 1.0f}};
      BASS_Mixer_ChannelSetMatrix(FSrcChan, matrix);
      break;
    }
    case dcmSum:
      added = BASS_Mixer_StreamAddChannel(mixer, FSrcChan, BASS_MIXER_DOWNMIX);
      break;
    case dcmDifference:
      BASS_ChannelSetDSP(FSrcChan, &CounterphaseDSP, nullptr, 0);
      added = BASS_Mixer_StreamAddChannel(mixer, FSrcChan, BASS_MIXER_DOWNMIX);
      break;
    default:
      // No channel would be analysed, and the source's queue would never drain.
      return "unknown channel mode " + std::to_string(FDTMFChannelMode) +
             " (DTMFChannelMode 0-3: left, right, left + right, left - right)";
  }
  return added ? "" : AudioFailure(CannotRoute);
}

void TToneSentry::AttachDelayLine(HSTREAM mixer) {
  const double delaySeconds = PlayerIni->DTMFDelay();
  FDelayMs = IsValidDtmfDelay(delaySeconds) ? static_cast<uint32_t>(std::nearbyint(delaySeconds * 1000)) : 0;
  ResetDelayLine(GAnalysisMixer.load(), FDelayMs);
  BASS_ChannelSetDSP(mixer, &DelayLineDSP, nullptr, 0);
}

void TToneSentry::AnalyseFrame(std::span<const float> frame) {
  const TToneDecision decision = DecideTone(frame, FDTMFThreshold);
  if (decision.present) {
    const bool startsKey = decision.row != FRow || decision.col != FCol;
    if (startsKey) {
      FCol = decision.col;
      FRow = decision.row;
      AppendDetectedTone(KeypadChars[decision.col][decision.row]);
    }
    RecordKeyFrame(decision, startsKey);
  } else {
    FRow = -1;
    FCol = -1;
  }
  ++FFramesAnalysed;
}

void TToneSentry::RecordKeyFrame(const TToneDecision& decision, bool startsKey) {
  std::lock_guard lock(FKeysLock);
  const float levelSum = decision.lowLevel + decision.highLevel;
  if (startsKey) {
    TDetectedKey key;
    key.key = KeypadChars[decision.col][decision.row];
    key.startMs = std::max(0.0, static_cast<double>(FFramesAnalysed) * FrameMs - FDelayMs);
    key.lowLevelDb = LevelDb(decision.lowLevel);
    key.highLevelDb = LevelDb(decision.highLevel);
    FStrongestSum = 0;
    KeyStarted(key);
  }
  TDetectedKey& key = FKeys.back();
  key.durationMs += FrameMs;
  if (levelSum > FStrongestSum) {
    FStrongestSum = levelSum;
    key.lowLevelDb = LevelDb(decision.lowLevel);
    key.highLevelDb = LevelDb(decision.highLevel);
  }
}

void TToneSentry::KeyStarted(const TDetectedKey& key) {
  // A stream is monitored for hours: keep memory flat by dropping the oldest half at the bound.
  if (IsNetworkSource() && FKeys.size() >= MaxKeptNetworkKeys)
    FKeys.erase(FKeys.begin(), FKeys.begin() + MaxKeptNetworkKeys / 2);
  FKeys.push_back(key);
  if (OnKeyFound) OnKeyFound(key);
}

// ---- Module ----

bool IsKnownDtmfChannelMode(int32_t mode) { return mode >= dcmLeft && mode <= dcmDifference; }

bool IsValidDtmfDelay(double seconds) { return seconds >= 0 && seconds <= MaxDtmfDelaySeconds; }

void CounterphaseDSP(HDSP, DWORD, void* buffer, DWORD length, void*) {
  float* samples = static_cast<float*>(buffer);
  const size_t count = length / sizeof(float);
  for (size_t i = 1; i < count; i += 2) samples[i] = -samples[i];
}

void InitializeDtmfModule() {
  InitializeToneLog();
  InitializeDelayLine();
}

void FinalizeDtmfModule() {
  StopToneSentry();
  BASS_StreamFree(SentrySource);
  SentrySource = 0;
  FinalizeDelayLine();
  FinalizeToneLog();
}

void StartToneSentry(HSTREAM sourceChan, const std::string& sourceUrl, TDtmfDetector detector) {
  StopToneSentry();
  if (SentrySource != 0) BASS_StreamFree(SentrySource);
  SentrySource = sourceChan;
  CurrentSentry = std::make_unique<TToneSentry>(sourceChan, sourceUrl, detector);
  CurrentSentry->Start();
}

void StopToneSentry() {
  if (CurrentSentry) {
    CurrentSentry->Stop();
    CurrentSentry.reset();
  }
  GAnalysisMixer.store(0);
}

void SetSentryPlayerSettings(const TPlayerSettings* settings) { SentryPlayerSettings = settings; }

TToneSentry* CurrentToneSentry() { return CurrentSentry.get(); }

HSTREAM AnalysisMixer() { return GAnalysisMixer.load(); }
