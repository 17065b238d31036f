// DTMF detection on one audio source at a time: a TToneSentry owns the "DtmfReader" thread,
// which mixes its push-stream source to 16 kHz mono (routed by the channel mode), delays it,
// takes 512-point spectra and logs every key that starts in the tone log (dtmf/ToneLog.h).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "audiolib/audiolib.h"
#include "dtmf/audio_netstreamreader.h"
#include "dtmf/StrictToneDetector.h"
#include "dtmf/ToneDetector.h"

class TPlayerSettings;

// One key as heard in the analysed audio, with what the tone log does not keep.
struct TDetectedKey {
  char16_t key = 0;
  double startMs = 0;     // where it starts, ms from the start of the source (delay removed)
  double durationMs = 0;  // how long it was heard: whole 32 ms frames (standard), to the ms (strict)
  double lowLevelDb = 0;  // row tone level in dB re full scale, at the key's strongest frame
  double highLevelDb = 0; // column tone level, same frame
  double twistDb() const { return highLevelDb - lowLevelDb; }
};

// Which detector a sentry runs: the standard one (ToneDetector.h, one 32 ms spectrum at a time) or
// the strict one (StrictToneDetector.h, telephone receivers' limits and talk-off guards).
enum class TDtmfDetector { Standard, Strict };

// Channel processing modes (the player settings' DTMFChannelMode).
enum TDtmfChannelMode : int32_t { dcmLeft = 0, dcmRight = 1, dcmSum = 2, dcmDifference = 3 };
bool IsKnownDtmfChannelMode(int32_t mode);

// The analysis delay a sentry accepts, in seconds. Any other value (negative, NaN, longer than a
// minute, which would take hundreds of MB of ring) means no delay.
inline constexpr double MaxDtmfDelaySeconds = 60;
bool IsValidDtmfDelay(double seconds);

class TToneSentry {
 public:
  // Main thread. Copies the channel mode and threshold from PlayerIni; sourceChan is a push stream
  // (not owned). With a network address (http, https) the worker instead connects to it, analyses
  // a push stream of its own fed from it, and reconnects whenever the stream is lost until
  // stopped; sourceChan is then freed by the worker at its first connection (pass 0).
  TToneSentry(HSTREAM sourceChan, const std::string& sourceUrl,
              TDtmfDetector detector = TDtmfDetector::Standard);
  // Stop must have been called; throws Exception("Thread was not properly stopped.") otherwise.
  ~TToneSentry() noexcept(false);

  void Start();
  // Main thread: stops the worker and waits for it (serving the main-thread queue meanwhile).
  void Stop();

  // True once the worker has analysed everything of a source whose end was marked
  // (BASS_STREAMPROC_END), delayed audio included, or has given up (see ErrorText); a source
  // without an end mark never finishes.
  bool Finished() const { return FFinished.load(); }
  // Why the worker gave up before the end of the source (an unknown channel mode, audio that
  // cannot be mixed, a failure inside the worker); empty when it did not. Any thread.
  std::string ErrorText() const;
  // Any thread: the source has new data (or its end mark); an idle worker looks at once instead of
  // at its next 50 ms poll.
  void SourceChanged();
  // Any thread: a feeder on the main thread keeps the source's queue filled and sleeps while it is
  // full; the worker wakes it (NotifyMainThreadWaiters) once each time the queue falls below
  // queuedBytes, and only then, so feeder and worker do not wake each other for every frame.
  // 0, the default, never wakes a feeder before the end.
  void SetFeederWakeLevel(DWORD queuedBytes) { FFeederWakeBytes.store(queuedBytes); }
  // Every key this sentry heard so far, in order; any thread. A network source runs for ever, so
  // there only the last MaxKeptNetworkKeys or fewer are kept.
  std::vector<TDetectedKey> DetectedKeys() const;
  static constexpr size_t MaxKeptNetworkKeys = 4096;

  // Called on the worker thread as each key starts (what it knows then: key, start, levels so
  // far); assign before Start. The handler must not call back into this sentry.
  std::function<void(const TDetectedKey& key)> OnKeyFound;
  // A network source's status changes (connecting, buffering, ready, titles, errors, reconnects),
  // on the main thread; assign before Start.
  void SetOnSourceStatus(TNetSourceStatusEvent handler) { FNetReader->OnSourceStatus = std::move(handler); }
  // A number no other sentry of the process has, to recognise this one after it may be gone.
  uint64_t Serial() const { return FSerial; }

 private:
  void RunDetection();
  void Detect();
  void Fail(const std::string& reason);
  static uint32_t FrameBytes(HSTREAM channel);
  std::string RouteSource(HSTREAM mixer);  // why the source feeds nothing; empty when it does
  void AttachDelayLine(HSTREAM mixer);
  bool AnalyseNextFrame(HSTREAM mixer, std::span<float> frame);  // false when the read failed
  void AnalyseFrame(std::span<const float> frame);
  std::unique_ptr<strictdtmf::TStrictToneDetector> MakeStrictDetector();
  TDetectedKey StrictKeyReport(const strictdtmf::TStrictKey& key) const;
  void RecordKeyFrame(const TToneDecision& decision, bool startsKey);
  void FlushRemainder(HSTREAM mixer, std::span<float> frame, DWORD queuedBytes, uint32_t frameBytes);
  void AnalyseFramesUntilEnd(HSTREAM mixer, std::span<float> frame);
  void FinishAndWaitForStop();
  bool IsNetworkSource() const { return !FNetReader->SourceURL().empty(); }
  void ReconnectSource();
  bool PullNetworkSource();  // false when the network source is lost
  static DWORD MixerBytesOf(HSTREAM stream, HSTREAM mixer, QWORD streamBytes);
  void RecoverLostSource(HSTREAM mixer, uint32_t& frameBytes);
  void KeyStarted(const TDetectedKey& key);  // FKeysLock held
  void WakeFeederIfLow(DWORD queuedBytes);

  const uint64_t FSerial;
  std::unique_ptr<TNetStreamReader> FNetReader;
  int32_t FCol = -1;
  int32_t FRow = -1;
  HSTREAM FSrcChan = 0;
  int32_t FDTMFChannelMode = 0;
  double FDTMFThreshold = 0;
  TDtmfDetector FDetector;
  std::unique_ptr<strictdtmf::TStrictToneDetector> FStrictDetector;  // worker only; strict only

  // Worker-side position bookkeeping for TDetectedKey.
  uint32_t FDelayMs = 0;
  uint64_t FFramesAnalysed = 0;
  std::atomic<bool> FFinished{false};
  std::atomic<DWORD> FFeederWakeBytes{0};
  bool FFeederWoken = false;         // worker only: the queue is below the wake level, feeder told
  mutable std::mutex FKeysLock;
  std::vector<TDetectedKey> FKeys;   // guarded by FKeysLock
  std::string FErrorText;            // guarded by FKeysLock
  float FStrongestSum = 0;           // of the key being heard
  std::vector<float> FPullBuffer;    // worker only: one pull from the reader's mixer
};

// Module life: main thread, in start-up and shut-down order.
void InitializeDtmfModule();
void FinalizeDtmfModule();

// Main thread: replaces the running sentry by a new one on sourceChan (freeing the previous
// source handle). An empty sourceUrl analyses sourceChan itself.
void StartToneSentry(HSTREAM sourceChan, const std::string& sourceUrl,
                     TDtmfDetector detector = TDtmfDetector::Standard);
// Main thread: stops, waits for and frees the running sentry, if any.
void StopToneSentry();
// Main thread: the player settings whose NetBuffer, NetReadTimeout, DisableTitleSync and
// StreamStallTimeout the next sentries use for a network source (a playback controller hands its
// own here, from above); null, the default, means PlayerIni. Not owned; must outlive the sentries.
void SetSentryPlayerSettings(const TPlayerSettings* settings);
// Main thread: the running sentry, or null.
TToneSentry* CurrentToneSentry();
// The running sentry's analysis mixer, 0 when none; any thread.
HSTREAM AnalysisMixer();

// The DSP procedure that inverts every odd float sample (the right channel of stereo).
DSPPROC CounterphaseDSP;
