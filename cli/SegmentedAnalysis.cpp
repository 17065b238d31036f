#include "cli/SegmentedAnalysis.h"

#include <cmath>
#include <fstream>
#include <limits>
#include <numeric>
#include <set>
#include <sstream>
#include <string_view>

#include "audiolib/audiolib.h"
#include "cli/ProgressBar.h"
#include "cli/WorkerPool.h"
#include "dtmf/ToneDetector.h"
#include "platform/LocalFile.h"
#include "settings/player/PlayerIni.h"

namespace {

constexpr double WarmUpSeconds = 1;
constexpr double RunOutSeconds = 10;
constexpr double Infinity = std::numeric_limits<double>::infinity();
constexpr double AnalysisFrameMs = 1000.0 * DtmfFftSize / DtmfAnalysisRate;

// The shortest run of source frames that is whole analysis frames at the analysis rate: cut there,
// a segment's samples fall on the same analysis frames, at the same resampler phase, as in one pass.
uint64_t GridFrames(uint32_t sampleRate) {
  const uint64_t scaled = uint64_t{DtmfFftSize} * sampleRate;  // source frames per analysis frame, x16000
  return scaled / std::gcd(scaled, uint64_t{DtmfAnalysisRate});
}

uint64_t RoundUp(uint64_t value, uint64_t step) { return (value + step - 1) / step * step; }

double FrameMs(uint64_t frame, uint32_t sampleRate) { return static_cast<double>(frame) * 1000.0 / sampleRate; }

struct TPcmFile {
  uint32_t sampleRate = 0;
  uint64_t lengthFrames = 0;
};

// A RIFF, RF64 or Wave64 file: its demuxer seeks to the exact sample (PCM in other containers may
// land on the nearest packet time).
bool IsWaveFile(const std::string& path) {
  char magic[4] = {};
  std::ifstream(path, std::ios::binary).read(magic, sizeof magic);
  const std::string_view tag(magic, sizeof magic);
  return tag == "RIFF" || tag == "RF64" || tag == "riff";
}

// A local PCM WAV file with a known length, else nothing.
std::optional<TPcmFile> InspectPcmFile(const std::string& path) {
  if (!ReadableFileProblem(path).empty() || !IsWaveFile(path)) return std::nullopt;
  const HSTREAM decoder =
      BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_UNICODE | BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT);
  if (decoder == 0) return std::nullopt;
  BASS_CHANNELINFO info{};
  const QWORD bytes = BASS_ChannelGetLength(decoder, BASS_POS_BYTE);
  const bool known = BASS_ChannelGetInfo(decoder, &info) && bytes != static_cast<QWORD>(-1) && info.chans > 0;
  BASS_StreamFree(decoder);
  const bool pcm = info.ctype == BASS_CTYPE_STREAM_WAV_PCM || info.ctype == BASS_CTYPE_STREAM_WAV_FLOAT;
  if (!known || !pcm || info.freq == 0) return std::nullopt;
  return TPcmFile{info.freq, bytes / (uint64_t{info.chans} * sizeof(float))};
}

double AnalysisDelaySeconds(const TDetectOptions& options) {
  const double delay = options.delaySeconds ? *options.delaySeconds : PlayerIni->DTMFDelay();
  return IsValidDtmfDelay(delay) ? delay : 0;
}

// Each line once, in the order first written.
std::string UniqueLines(const std::vector<std::string>& outputs) {
  std::string result;
  std::set<std::string> seen;
  for (const std::string& output : outputs) {
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
      if (seen.insert(line).second) result += line + "\n";
    }
  }
  return result;
}

// One progress bar for the file over its segments, each weighing as much as it decodes.
class TSegmentsProgress {
 public:
  TSegmentsProgress(const std::string& path, bool enabled, const std::vector<TSegment>& segments, uint64_t lengthFrames)
      : FBar(path, enabled), FDone(segments.size(), 0.0) {
    for (const TSegment& segment : segments) {
      const uint64_t end = segment.stretch.endFrame != 0 ? segment.stretch.endFrame : lengthFrames;
      FFrames.push_back(static_cast<double>(end - segment.stretch.firstFrame));
    }
    FTotalFrames = std::accumulate(FFrames.begin(), FFrames.end(), 0.0);
  }

  void Update(size_t segment, double fraction) {
    if (segment >= FDone.size() || FTotalFrames <= 0) return;
    FDone[segment] = fraction;
    double doneFrames = 0;
    for (size_t i = 0; i < FDone.size(); ++i) doneFrames += FDone[i] * FFrames[i];
    FBar.Update(doneFrames / FTotalFrames);
  }

 private:
  TProgressBar FBar;
  std::vector<double> FDone;
  std::vector<double> FFrames;
  double FTotalFrames = 0;
};

}  // namespace

std::vector<TSegment> PlanSegments(uint32_t sampleRate, uint64_t lengthFrames, double delaySeconds, size_t count) {
  if (sampleRate == 0) return {};
  const double seconds = static_cast<double>(lengthFrames) / sampleRate;
  count = std::min<size_t>(count, static_cast<size_t>(seconds / MinSegmentSeconds));
  if (count < 2) return {};
  const uint64_t grid = GridFrames(sampleRate);
  const uint64_t warmUp = RoundUp(static_cast<uint64_t>(std::ceil((delaySeconds + WarmUpSeconds) * sampleRate)), grid);
  const uint64_t runOut = RoundUp(static_cast<uint64_t>(std::ceil(RunOutSeconds * sampleRate)), grid);
  std::vector<uint64_t> edges{0};
  for (size_t i = 1; i < count; ++i) edges.push_back(lengthFrames * i / count / grid * grid);
  edges.push_back(lengthFrames);
  std::vector<TSegment> segments;
  for (size_t i = 0; i < count; ++i) {
    TSegment segment;
    const bool last = i + 1 == count;
    segment.stretch.firstFrame = edges[i] > warmUp ? edges[i] - warmUp : 0;
    const uint64_t end = last ? 0 : edges[i + 1] + runOut;
    segment.stretch.endFrame = end < lengthFrames ? end : 0;
    segment.keepFromMs = i == 0 ? -Infinity : FrameMs(edges[i], sampleRate);
    segment.keepToMs = last ? Infinity : FrameMs(edges[i + 1], sampleRate);
    segment.stretchEndMs = segment.stretch.endFrame == 0 ? Infinity : FrameMs(segment.stretch.endFrame, sampleRate);
    segments.push_back(segment);
  }
  return segments;
}

std::optional<TFileResult> MergeSegments(const std::string& path, const std::vector<TSegment>& segments,
                                         const std::vector<TFileResult>& results) {
  TFileResult merged;
  merged.path = path;
  merged.analysed = true;
  for (size_t i = 0; i < segments.size() && i < results.size(); ++i) {
    const TSegment& segment = segments[i];
    if (!results[i].analysed) {
      TFileResult failed = results[i];
      failed.path = path;
      return failed;
    }
    for (const TDetectedKey& key : results[i].keys) {
      if (key.startMs < segment.keepFromMs || key.startMs >= segment.keepToMs) continue;
      // Still sounding in the stretch's last frames: the stretch's end cut it short.
      if (key.startMs + key.durationMs >= segment.stretchEndMs - 2 * AnalysisFrameMs) return std::nullopt;
      merged.keys.push_back(key);
    }
  }
  return merged;
}

std::optional<TFileResult> AnalyseInSegments(const std::string& path, const TDetectOptions& options,
                                             const std::vector<std::string>& workerArgs, size_t jobs,
                                             std::string& reports) {
  reports.clear();
  if (jobs < 2 || options.detector != TDtmfDetector::Standard || path == "-") return std::nullopt;
  const std::optional<TPcmFile> file = InspectPcmFile(path);
  if (!file) return std::nullopt;
  const std::vector<TSegment> segments =
      PlanSegments(file->sampleRate, file->lengthFrames, AnalysisDelaySeconds(options), jobs);
  if (segments.empty()) return std::nullopt;
  std::vector<TWorkerRequest> requests;
  for (const TSegment& segment : segments) requests.push_back({path, segment.stretch});
  std::vector<TFileResult> results;
  std::vector<std::string> outputs;
  TSegmentsProgress progress(path, options.progress, segments, file->lengthFrames);
  RunWorkers(
      requests, workerArgs, segments.size(),
      [&](const TWorkerOutcome& outcome) {
        progress.Update(results.size(), 1.0);
        results.push_back(outcome.result);
        outputs.push_back(outcome.errorOutput);
      },
      [&progress](size_t segment, double fraction) { progress.Update(segment, fraction); });
  std::optional<TFileResult> merged = MergeSegments(path, segments, results);
  if (merged) reports = UniqueLines(outputs);
  return merged;
}
