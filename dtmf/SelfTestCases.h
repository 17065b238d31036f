// The receiver test cases of `tonesentry selftest`: synthetic signals at the acceptance limits of
// telephone DTMF receivers (every key; durations; pauses; frequency deviations; twists; levels;
// noise; speech-like and music-like signals), each with the keys a receiver must report. Made in
// memory on the calling thread; the caller owns them.
#pragma once

#include <string>
#include <vector>

inline constexpr int SelfTestSampleRate = 16000;  // Hz, mono

struct TSelfTestCase {
  std::string name;
  std::vector<float> samples;      // mono floats at SelfTestSampleRate
  std::string expectedKeys;
  // Why the standard detector is known not to meet this case (it was built to other rules);
  // empty when it is expected to pass.
  std::string standardDeparture;
};

// The cases for a minimum tone level of thresholdDb (dB re full scale, as --level): tones are
// made well above it (at most -7 dBFS each), the level cases 3 dB either side of it.
std::vector<TSelfTestCase> MakeSelfTestCases(double thresholdDb);
