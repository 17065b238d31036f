#include "dtmf/FileAnalysis.h"

#include <algorithm>

#include "dtmf/ToneLog.h"
#include "platform/LocalFile.h"
#include "platform/MainThread.h"

namespace {

constexpr DWORD FloatDecode = BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT;
constexpr DWORD ReadFailed = 0xFFFFFFFF;
// The feeder fills the push queue to MaxQueuedChunks chunks of audio and sleeps until the worker
// has taken it down to FeederWakeChunks: a few wake-ups per second of audio decoded instead of one
// per frame, and a second of slack so a busy machine rarely leaves the worker without data.
constexpr uint32_t MaxQueuedChunks = 4;
constexpr uint32_t FeederWakeChunks = 2;
constexpr uint32_t FeedPollMs = 100;  // a fallback: the worker wakes the feeder when the queue is low
// A chunk is a second of audio, but never less than the sentry needs queued before it analyses a
// frame (a second at a low sample rate is fewer frames), and never more than a bound on memory.
constexpr uint64_t MinChunkFrames = 4096;
constexpr uint64_t MaxChunkBytes = 64ull << 20;

// Copies every decoded block into the push stream passed as user data; leaves the block as it is.
void FeedPushDSP(HDSP, DWORD, void* buffer, DWORD length, void* user) {
  BASS_StreamPutData(static_cast<HSTREAM>(reinterpret_cast<uintptr_t>(user)), buffer, length);
}

// Bytes of one chunk of decoded float audio; 0 for a format that cannot be analysed.
uint64_t ChunkBytes(const BASS_CHANNELINFO& info) {
  const uint64_t frameBytes = uint64_t{info.chans} * sizeof(float);
  if (info.freq == 0 || frameBytes == 0 || MinChunkFrames * frameBytes > MaxChunkBytes) return 0;
  const uint64_t frames = std::max<uint64_t>(info.freq, MinChunkFrames);
  return std::min(frames, MaxChunkBytes / frameBytes) * frameBytes;
}

std::string UnsupportedFormat(const BASS_CHANNELINFO& info) {
  return "unsupported audio format (" + std::to_string(info.chans) + " channels at " +
         std::to_string(info.freq) + " Hz)";
}

}  // namespace

std::unique_ptr<TFileAnalysis> TFileAnalysis::Open(const std::string& path, TOpenError& error,
                                                   TDtmfDetector detector, TFileStretch stretch) {
  error = TOpenError{};
  error.problem = ReadableFileProblem(path);
  if (!error.problem.empty()) return nullptr;
  const HSTREAM decoder =
      BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_UNICODE | FloatDecode);
  BASS_CHANNELINFO info{};
  if (decoder == 0 || !BASS_ChannelGetInfo(decoder, &info)) {
    error.audioErrorCode = BASS_ErrorGetCode();
    BASS_StreamFree(decoder);
    return nullptr;
  }
  const uint64_t chunkBytes = ChunkBytes(info);
  if (chunkBytes == 0) {
    error.problem = UnsupportedFormat(info);
    BASS_StreamFree(decoder);
    return nullptr;
  }
  const QWORD firstByte = stretch.firstFrame * info.chans * sizeof(float);
  if (firstByte > 0 && !BASS_ChannelSetPosition(decoder, firstByte, BASS_POS_BYTE)) {
    error.audioErrorCode = BASS_ErrorGetCode();
    BASS_StreamFree(decoder);
    return nullptr;
  }
  const HSTREAM push = BASS_StreamCreate(info.freq, info.chans, FloatDecode, STREAMPROC_PUSH, nullptr);
  if (push == 0) {
    error.audioErrorCode = BASS_ErrorGetCode();
    BASS_StreamFree(decoder);
    return nullptr;
  }
  BASS_ChannelSetDSP(decoder, &FeedPushDSP, reinterpret_cast<void*>(uintptr_t{push}), 0);
  std::unique_ptr<TFileAnalysis> analysis(
      new TFileAnalysis(decoder, push, static_cast<size_t>(chunkBytes), info, stretch));
  StartToneSentry(push, "", detector);
  CurrentToneSentry()->SetFeederWakeLevel(static_cast<DWORD>(FeederWakeChunks * chunkBytes));
  analysis->FSentrySerial = CurrentToneSentry()->Serial();
  return analysis;
}

TFileAnalysis::TFileAnalysis(HSTREAM decoder, HSTREAM pushStream, size_t chunkBytes,
                             const BASS_CHANNELINFO& info, TFileStretch stretch)
    : FFileDecoder(decoder),
      FPushStream(pushStream),
      FReadBuffer(chunkBytes),
      FLengthBytes(BASS_ChannelGetLength(decoder, BASS_POS_BYTE)),
      FFirstByte(stretch.firstFrame * info.chans * sizeof(float)),
      FEndByte(stretch.endFrame * info.chans * sizeof(float)),
      // Exact for whole milliseconds, so keys are timed as in an analysis from the file's start.
      FStartMs(static_cast<double>(stretch.firstFrame) * 1000.0 / info.freq) {}

TFileAnalysis::~TFileAnalysis() {
  if (Sentry() != nullptr) StopToneSentry();
  BASS_StreamFree(FFileDecoder);
  BASS_StreamFree(FPushStream);
}

bool TFileAnalysis::QueueHolds(uint32_t chunks) const {
  const DWORD queued = BASS_StreamPutData(FPushStream, nullptr, 0);
  return queued != ReadFailed && queued >= chunks * FReadBuffer.size();
}

void TFileAnalysis::MarkEnd() {
  BASS_StreamPutData(FPushStream, nullptr, BASS_STREAMPROC_END);
  FDecodingDone = true;
}

size_t TFileAnalysis::BytesToDecode() const {
  if (FEndByte == 0) return FReadBuffer.size();
  const QWORD position = BASS_ChannelGetPosition(FFileDecoder, BASS_POS_BYTE);
  if (position == static_cast<QWORD>(-1) || position >= FEndByte) return 0;
  return static_cast<size_t>(std::min<uint64_t>(FReadBuffer.size(), FEndByte - position));
}

bool TFileAnalysis::FeedSlice() {
  if (FDecodingDone || Done() || QueueHolds(MaxQueuedChunks)) return false;
  const size_t wanted = BytesToDecode();
  const DWORD read = wanted == 0 ? ReadFailed
                                 : BASS_ChannelGetData(FFileDecoder, FReadBuffer.data(), static_cast<DWORD>(wanted));
  if (read == ReadFailed) MarkEnd();
  if (TToneSentry* sentry = Sentry()) sentry->SourceChanged();
  return read != ReadFailed;
}

void TFileAnalysis::RunToEnd(const std::function<void(double)>& onProgress) {
  while (!Done()) {
    if (!FeedSlice()) {
      // The sentry drains the queue (or finishes) meanwhile; keep the shared tone log small.
      WaitWhileServingMainThreadFor([this] { return Done() || !QueueHolds(FeederWakeChunks); },
                                    FeedPollMs, FeedPollMs);
      TakeDetectedTones(true);
    }
    if (onProgress) onProgress(Progress());
  }
  TakeDetectedTones(true);
}

TToneSentry* TFileAnalysis::Sentry() const {
  TToneSentry* current = CurrentToneSentry();
  return current && current->Serial() == FSentrySerial ? current : nullptr;
}

bool TFileAnalysis::Done() const {
  const TToneSentry* sentry = Sentry();
  return sentry == nullptr || sentry->Finished();
}

std::string TFileAnalysis::ErrorText() const {
  const TToneSentry* sentry = Sentry();
  return sentry ? sentry->ErrorText() : "";
}

double TFileAnalysis::Progress() const {
  if (FDecodingDone) return 1.0;
  const uint64_t end = FEndByte != 0 ? FEndByte : FLengthBytes;
  if (end == static_cast<QWORD>(-1) || end <= FFirstByte) return 0.0;
  const QWORD position = BASS_ChannelGetPosition(FFileDecoder, BASS_POS_BYTE);
  if (position == static_cast<QWORD>(-1) || position < FFirstByte) return 0.0;
  return std::min(1.0, static_cast<double>(position - FFirstByte) / static_cast<double>(end - FFirstByte));
}

double TFileAnalysis::DurationSeconds() const {
  if (FLengthBytes == static_cast<QWORD>(-1)) return 0.0;
  return BASS_ChannelBytes2Seconds(FFileDecoder, FLengthBytes);
}

std::vector<TDetectedKey> TFileAnalysis::Keys() const {
  const TToneSentry* sentry = Sentry();
  std::vector<TDetectedKey> keys = sentry ? sentry->DetectedKeys() : std::vector<TDetectedKey>{};
  for (TDetectedKey& key : keys) key.startMs += FStartMs;
  return keys;
}
