// The road of one file: decode it into a push stream that the DTMF sentry analyses, with
// back-pressure so that only a few seconds of audio are ever queued, then mark the end so
// the sentry analyses every last sample. The window feeds it in slices from its event loop; the
// command-line tool runs it to the end.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audiolib/audiolib.h"
#include "dtmf/qv_dtmf.h"

// Why a file could not be opened for analysis: a problem of the local file ("no such file", "is a
// folder", "not a regular file (a FIFO)", ...; see platform/LocalFile.h) or of its audio
// ("unsupported audio format ..."), else the audio library's error code.
struct TOpenError {
  std::string problem;
  int audioErrorCode = BASS_OK;
};

// A stretch of a file to analyse, in sample frames of the file: decoding starts at firstFrame and
// ends before endFrame (0: at the end of the file). Keys are still timed from the file's start.
struct TFileStretch {
  uint64_t firstFrame = 0;
  uint64_t endFrame = 0;
  bool WholeFile() const { return firstFrame == 0 && endFrame == 0; }
};

class TFileAnalysis {
 public:
  // Main thread. Opens `path` (a local file; FIFOs and devices are refused before they are opened)
  // as a decode-only float stream, creates its push stream and starts a new sentry on it
  // (replacing the running one). Returns null and fills `error` when the file cannot be analysed;
  // the running sentry is then left as it was. `detector` chooses the sentry's detector.
  // A stretch that starts past the end, or a file that cannot seek to its start, fails with the
  // audio library's position error.
  static std::unique_ptr<TFileAnalysis> Open(const std::string& path, TOpenError& error,
                                             TDtmfDetector detector = TDtmfDetector::Standard,
                                             TFileStretch stretch = {});
  // Stops the sentry and frees the decoder.
  ~TFileAnalysis();
  TFileAnalysis(const TFileAnalysis&) = delete;
  TFileAnalysis& operator=(const TFileAnalysis&) = delete;

  // Main thread: decodes one more second of audio unless the queue is full; after the
  // last block marks the end of the push stream. Returns false when nothing was decoded (the
  // queue is full or decoding is over).
  bool FeedSlice();
  // Main thread: feeds and waits (serving the main-thread queue) until every key is found, and
  // empties the shared tone log as it goes (use Keys() for the result). onProgress, if given,
  // gets the decoded fraction now and then.
  void RunToEnd(const std::function<void(double)>& onProgress = {});

  bool DecodingDone() const { return FDecodingDone; }
  // The sentry has analysed all of the file (stretch), or has given up (ErrorText), or was replaced.
  bool Done() const;
  // Why the analysis ended before the end of the file; empty when it did not.
  std::string ErrorText() const;
  // Fraction of the file (stretch) decoded, 0..1 (0 when the length is not known).
  double Progress() const;
  double DurationSeconds() const;  // of the whole file
  // The keys found so far, in order, timed from the file's start (none once another analysis has
  // replaced this one's sentry).
  std::vector<TDetectedKey> Keys() const;
  HSTREAM PushStream() const { return FPushStream; }

 private:
  TFileAnalysis(HSTREAM decoder, HSTREAM pushStream, size_t chunkBytes, const BASS_CHANNELINFO& info,
                TFileStretch stretch);
  bool QueueHolds(uint32_t chunks) const;  // at least that many chunks are queued
  size_t BytesToDecode() const;  // of the next chunk: a chunk, less before the stretch's end
  TToneSentry* Sentry() const;  // this analysis's sentry while it is still the running one
  void MarkEnd();

  HSTREAM FFileDecoder;
  HSTREAM FPushStream;
  uint64_t FSentrySerial = 0;  // this analysis's sentry (owned by the DTMF module)
  std::vector<char> FReadBuffer;
  uint64_t FLengthBytes;
  uint64_t FFirstByte;  // of the stretch, in the decoder's float frames
  uint64_t FEndByte;    // 0: the end of the file
  double FStartMs;      // the stretch's start, added to the sentry's key times
  bool FDecodingDone = false;
};
