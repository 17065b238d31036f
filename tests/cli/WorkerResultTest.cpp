#include "cli/WorkerResult.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace {

std::string Written(const TFileResult& result) {
  std::ostringstream out;
  WriteWorkerResult(out, result);
  return out.str();
}

// The parent prints from what it reads, so every value must come back exactly, the silent tone's
// -infinity and a multi-line error included; a worker cut off half-way fails its file.
TEST(WorkerResultTest, ResultsComeBackExactlyAndCutOffOnesFail) {
  TFileResult analysed{"ignored", true, "", {}};
  analysed.keys.push_back({u'5', 1234.5678901234, 47.0625, -8.123456789, -INFINITY});
  analysed.keys.push_back({u'#', 0.1, 1e-300, 0, 3.5});
  const TFileResult back = ReadWorkerResult(Written(analysed), "a.wav");
  EXPECT_EQ(back.path, "a.wav");
  EXPECT_TRUE(back.analysed);
  ASSERT_EQ(back.keys.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(back.keys[i].key, analysed.keys[i].key);
    EXPECT_EQ(back.keys[i].startMs, analysed.keys[i].startMs);
    EXPECT_EQ(back.keys[i].durationMs, analysed.keys[i].durationMs);
    EXPECT_EQ(back.keys[i].lowLevelDb, analysed.keys[i].lowLevelDb);
    EXPECT_EQ(back.keys[i].highLevelDb, analysed.keys[i].highLevelDb);
  }

  const TFileResult failed = ReadWorkerResult(Written({"x", false, "no such\nfile", {}}), "b.wav");
  EXPECT_FALSE(failed.analysed);
  EXPECT_EQ(failed.error, "no such file");

  const std::string whole = Written(analysed);
  for (const std::string& cut : {std::string(), whole.substr(0, whole.size() - 4), whole.substr(0, 20),
                                std::string("garbage\nend\n")}) {
    const TFileResult broken = ReadWorkerResult(cut, "c.wav");
    EXPECT_FALSE(broken.analysed) << cut;
    EXPECT_EQ(broken.error, "the analysis process ended without a result") << cut;
  }
}

}  // namespace
