#include "platform/TickCount.h"

#include <atomic>
#include <chrono>

namespace {
std::atomic<int64_t> tickShiftMs{0};
}

uint64_t GetTickCount64()
{
    const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count();
    return static_cast<uint64_t>(ms + tickShiftMs.load(std::memory_order_relaxed));
}

uint32_t GetTickCount()
{
    return static_cast<uint32_t>(GetTickCount64());
}

void SetTickCountShiftForTesting(int64_t shiftMs)
{
    tickShiftMs.store(shiftMs, std::memory_order_relaxed);
}
