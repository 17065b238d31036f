#include "dtmf/ToneLog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/TickCount.h"

namespace {

class ToneLogTest : public testing::Test {
 protected:
  void SetUp() override { InitializeToneLog(); }
  void TearDown() override {
    FinalizeToneLog();
    SetTickCountShiftForTesting(0);
  }
  // Moves the clock so that `ms` have passed since now (relative to the real clock).
  void PassMs(int64_t ms) { shift += ms; SetTickCountShiftForTesting(shift); }
  int64_t shift = 0;
};

TEST_F(ToneLogTest, DrainReturnsKeysInOrderAndClearsWhenAsked) {
  AppendDetectedTone(u'1');
  AppendDetectedTone(u'#');
  AppendDetectedTone(u'D');
  EXPECT_EQ(TakeDetectedTones(false), "1#D");
  EXPECT_EQ(TakeDetectedTones(true), "1#D");
  EXPECT_EQ(TakeDetectedTones(true), "");
}

TEST_F(ToneLogTest, EntriesOlderThan1500MsExpireAtADrain) {
  // Freeze the real clock's progress out of the comparison by shifting far ahead in steps.
  AppendDetectedTone(u'1');
  PassMs(1000);
  AppendDetectedTone(u'2');
  PassMs(1000);  // '1' is now ~2000 ms old, '2' ~1000 ms
  EXPECT_EQ(TakeDetectedTones(false), "2");
  PassMs(1000);
  EXPECT_EQ(TakeDetectedTones(false), "");
}

TEST_F(ToneLogTest, ExpiryBoundaryIsStrict) {
  // Without a controllable clock source the boundary is checked with a margin on each side.
  AppendDetectedTone(u'5');
  PassMs(1400);
  EXPECT_EQ(TakeDetectedTones(false), "5");
  PassMs(200);
  EXPECT_EQ(TakeDetectedTones(false), "");
}

TEST_F(ToneLogTest, TickWrapAroundDoesNotExpireEntriesEarly) {
  const int64_t toWrap = int64_t{0x100000000} - static_cast<int64_t>(GetTickCount64() & 0xFFFFFFFF);
  PassMs(toWrap - 300);  // 300 ms before the 32-bit counter wraps
  AppendDetectedTone(u'9');
  PassMs(600);           // now 300 ms after the wrap
  ASSERT_LT(GetTickCount(), 0x10000000u);
  EXPECT_EQ(TakeDetectedTones(false), "9");
  PassMs(1000);
  EXPECT_EQ(TakeDetectedTones(false), "");
}

}  // namespace
