#include "platform/TickCount.h"

#include <gtest/gtest.h>

namespace {

class TickCountTest : public ::testing::Test {
protected:
    void TearDown() override { SetTickCountShiftForTesting(0); }
};

TEST_F(TickCountTest, TicksNeverGoBackwards)
{
    uint64_t previous = GetTickCount64();
    for (int i = 0; i < 1000; ++i) {
        const uint64_t now = GetTickCount64();
        EXPECT_GE(now, previous);
        previous = now;
    }
}

TEST_F(TickCountTest, ThirtyTwoBitTicksAreTheLowBitsAndWrapAround)
{
    constexpr uint64_t wrapPoint = uint64_t(1) << 32;
    constexpr int64_t oneHourMs = 3600 * 1000;
    // Put the counter an hour before the 32-bit wrap, then an hour past it.
    const auto shiftToWrap = static_cast<int64_t>(wrapPoint - GetTickCount64());
    SetTickCountShiftForTesting(shiftToWrap - oneHourMs);
    const uint64_t before64 = GetTickCount64();
    const uint32_t before32 = GetTickCount();
    EXPECT_LT(before64, wrapPoint);
    EXPECT_GE(before32, static_cast<uint32_t>(before64));

    SetTickCountShiftForTesting(shiftToWrap + oneHourMs);
    const uint64_t after64 = GetTickCount64();
    const uint32_t after32 = GetTickCount();
    EXPECT_GE(after64, wrapPoint);
    EXPECT_LT(after32, before32);  // wrapped
    EXPECT_GE(after32, static_cast<uint32_t>(after64));
    // Differences taken in 32-bit unsigned arithmetic stay right across the wrap.
    EXPECT_GE(static_cast<uint32_t>(after32 - before32), static_cast<uint32_t>(2 * oneHourMs));
}

}  // namespace
