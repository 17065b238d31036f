#pragma once
// Millisecond tick counts from the monotonic clock (CLOCK_MONOTONIC), callable from any thread.
#include <cstdint>

// Milliseconds since an arbitrary fixed point, never going backwards.
uint64_t GetTickCount64();

// The low 32 bits of GetTickCount64(): wraps to 0 after about 49.7 days, like the Windows call.
uint32_t GetTickCount();

// Adds shiftMs to every later tick reading, so tests can put the counter just before a wrap.
// Call it while no other thread reads ticks that the test compares; 0 removes the shift.
void SetTickCountShiftForTesting(int64_t shiftMs);
