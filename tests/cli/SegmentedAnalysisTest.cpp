#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <unistd.h>

#include "ToolRunner.h"
#include "cli/SegmentedAnalysis.h"

namespace {

using namespace clitest;
namespace fs = std::filesystem;

constexpr double Infinity = std::numeric_limits<double>::infinity();

// Segments of a file tile it: each kept range starts where the one before ends, edges fall on whole
// 32 ms analysis frames of whole samples, and each stretch starts a warm-up (covering the delay)
// before its range and ends a run-out after it.
TEST(PlanSegments, CutsOnTheAnalysisGridWithWarmUpAndRunOut) {
  struct TCase {
    uint32_t rate;
    double seconds;
    double delaySeconds;
    size_t count;
    size_t expectedSegments;
    uint64_t gridFrames;  // source frames of the shortest cut: whole samples and analysis frames
  };
  const TCase cases[] = {{44100, 3600, 0, 2, 2, 7056},  {48000, 3600, 2.5, 4, 4, 1536},
                         {8000, 630, 0, 2, 2, 256},     {22050, 1800, 0, 8, 6, 3528},
                         {44100, 599, 0, 2, 0, 7056},   {44100, 3600, 0, 1, 0, 7056}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.rate) + " Hz, " + std::to_string(c.seconds) + " s, " + std::to_string(c.count));
    const auto length = static_cast<uint64_t>(c.seconds * c.rate);
    const std::vector<TSegment> segments = PlanSegments(c.rate, length, c.delaySeconds, c.count);
    ASSERT_EQ(segments.size(), c.expectedSegments);
    if (segments.empty()) continue;
    EXPECT_EQ(segments.front().keepFromMs, -Infinity);
    EXPECT_EQ(segments.back().keepToMs, Infinity);
    EXPECT_EQ(segments.back().stretch.endFrame, 0u) << "the last decodes to the end of the file";
    for (size_t i = 1; i < segments.size(); ++i) {
      const TSegment& before = segments[i - 1];
      const TSegment& segment = segments[i];
      EXPECT_EQ(segment.keepFromMs, before.keepToMs);
      const double edgeFrames = segment.keepFromMs * c.rate / 1000;
      EXPECT_EQ(std::fmod(edgeFrames, static_cast<double>(c.gridFrames)), 0.0);
      EXPECT_EQ(segment.stretch.firstFrame % c.gridFrames, 0u);
      EXPECT_GE(edgeFrames - static_cast<double>(segment.stretch.firstFrame), (c.delaySeconds + 1) * c.rate);
      EXPECT_GE(before.stretchEndMs - before.keepToMs, 10000.0);
      EXPECT_GE(segment.keepToMs - segment.keepFromMs, MinSegmentSeconds * 1000);
    }
  }
}

TDetectedKey Key(char16_t key, double startMs, double durationMs) { return {key, startMs, durationMs, -12, -12}; }

TEST(MergeSegments, KeepsEachSegmentsOwnKeysAndGivesUpOnAKeyTheStretchCutShort) {
  std::vector<TSegment> segments(2);
  segments[0] = {{0, 1000}, -Infinity, 10000, 20000};
  segments[1] = {{500, 0}, 10000, Infinity, Infinity};
  TFileResult first{"", true, "", {Key(u'1', 100, 96), Key(u'2', 9900, 192), Key(u'3', 12000, 96)}};
  TFileResult second{"", true, "", {Key(u'2', 9000, 1000), Key(u'3', 12000, 96), Key(u'4', 30000, 96)}};
  const std::optional<TFileResult> merged = MergeSegments("f.wav", segments, {first, second});
  ASSERT_TRUE(merged);
  EXPECT_EQ(merged->path, "f.wav");
  std::u16string keys;
  for (const TDetectedKey& key : merged->keys) keys += key.key;
  EXPECT_EQ(keys, u"1234") << "a key on an edge once, from the segment it starts in";

  TFileResult cut = first;
  cut.keys.push_back(Key(u'5', 9990, 9980));  // still sounding where the first stretch ends
  EXPECT_FALSE(MergeSegments("f.wav", segments, {cut, second}));

  TFileResult failed{"", false, "the source cannot be read", {}};
  const std::optional<TFileResult> failure = MergeSegments("f.wav", segments, {first, failed});
  ASSERT_TRUE(failure);
  EXPECT_FALSE(failure->analysed);
  EXPECT_EQ(failure->error, "the source cannot be read");
  EXPECT_EQ(failure->path, "f.wav");
}

// A 10.5-minute 8 kHz file, long enough for two segments: keys across the edge, on it, in the next
// segment's warm-up and in this one's run-out come out exactly as in one pass, also with a delay;
// a tone that outlasts the run-out makes the tool analyse in one pass, with the same result.
class SegmentedDetect : public testing::Test {
 protected:
  static constexpr uint32_t Rate = 8000;
  static constexpr double Seconds = 630;

  void SetUp() override {
    dir = fs::temp_directory_path() / ("tonesentry-segments-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::vector<TSegment> plan = PlanSegments(Rate, static_cast<uint64_t>(Seconds * Rate), 0.5, 2);
    ASSERT_EQ(plan.size(), 2u);
    edgeSeconds = plan[1].keepFromMs / 1000;
  }
  void TearDown() override { fs::remove_all(dir); }

  struct TTone {
    double low, high, startSeconds, seconds;
  };
  // Writes a mono 16-bit WAV of Seconds with these tone pairs (each tone at -12 dBFS).
  void WriteFile(const std::string& name, const std::vector<TTone>& tones) {
    std::string expression = "0";
    for (const TTone& t : tones) {
      // Commas inside a filter's option are escaped for the filter graph.
      expression += "+between(t\\," + std::to_string(t.startSeconds) + "\\," +
                    std::to_string(t.startSeconds + t.seconds) + ")*0.25*(sin(2*PI*" + std::to_string(t.low) +
                    "*t)+sin(2*PI*" + std::to_string(t.high) + "*t))";
    }
    const std::string command = "ffmpeg -v error -y -f lavfi -i 'aevalsrc=" + expression + ":s=" + std::to_string(Rate) +
                                ":d=" + std::to_string(Seconds) + "' -c:a pcm_s16le " + name;
    ASSERT_EQ(RunShell(dir, command).status, 0) << command;
  }
  void ExpectSameAsOnePass(const std::string& args) {
    for (const std::string format : {"list", "json"}) {
      const TToolRun one = RunTool(dir, "detect --jobs 1 --format " + format + " " + args);
      const TToolRun two = RunTool(dir, "detect --jobs 2 --format " + format + " " + args);
      EXPECT_EQ(one.status, 0) << one.err;
      EXPECT_EQ(two.status, 0) << two.err;
      EXPECT_EQ(two.out, one.out) << args << " " << format;
      EXPECT_EQ(two.err, one.err) << args << " " << format;
    }
  }

  fs::path dir;
  double edgeSeconds = 0;
};

TEST_F(SegmentedDetect, KeysAroundTheEdgeAreThoseOfOnePass) {
  const double e = edgeSeconds;
  WriteFile("edges.wav", {{697, 1209, 30, 0.1},        // 1: well inside the first segment
                          {852, 1477, e - 0.6, 0.1},   // 9: in the second segment's warm-up
                          {770, 1336, e - 0.05, 0.2},  // 5: across the edge
                          {941, 1477, e + 0.3, 0.1},   // #: in the first segment's run-out
                          {941, 1633, e + 20, 0.1}});  // D: well inside the second segment
  const TToolRun keys = RunTool(dir, "detect --jobs 2 edges.wav");
  EXPECT_EQ(keys.out, "195#D\n") << keys.err;
  ExpectSameAsOnePass("edges.wav");
  ExpectSameAsOnePass("--delay 0.5 edges.wav");

  WriteFile("long-tone.wav", {{697, 1209, 30, 0.1}, {770, 1336, e - 2, 12}, {941, 1633, e + 20, 0.1}});
  ExpectSameAsOnePass("long-tone.wav");
}

// On a terminal a file cut into parts shows a progress bar, as one pass does, and the workers'
// progress lines never reach the output; --no-progress keeps the terminal free of it.
TEST_F(SegmentedDetect, ShowsAProgressBarOnATerminal) {
  WriteFile("keys.wav", {{697, 1209, 30, 0.1}, {941, 1633, edgeSeconds + 20, 0.1}});
  // script gives the tool a terminal; what the tool wrote there comes out on script's standard output.
  const auto onTerminal = [&](const std::string& args) {
    return RunShell(dir, std::string("script -qec \"'") + TONESENTRY_BIN + "' detect " + args + " keys.wav\" /dev/null");
  };
  for (const std::string jobs : {"1", "2"}) {
    const TToolRun run = onTerminal("--jobs " + jobs);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("1D"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("% keys.wav"), std::string::npos) << "--jobs " << jobs << ": " << run.out;
    EXPECT_EQ(run.out.find('\x1e'), std::string::npos) << run.out;
  }
  const TToolRun quiet = onTerminal("--jobs 2 --no-progress");
  EXPECT_NE(quiet.out.find("1D"), std::string::npos) << quiet.out;
  EXPECT_EQ(quiet.out.find('%'), std::string::npos) << quiet.out;
}

}  // namespace
