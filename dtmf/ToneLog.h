// The tone log: every key start the detector logs, shared by all sentries of the process.
// The worker thread appends; the window's timer drains. Entries older than 1500 ms at a drain
// are dropped.
#pragma once

#include <cstdint>
#include <string>

// One logged key: the tick count (ms, wrapping) when it was logged and its keypad character.
struct TDet {
  uint32_t TS;
  char16_t c;
};

// Module life: created by InitializeToneLog, freed by FinalizeToneLog (main thread, no worker
// running). Between them the calls below may be made from any thread.
void InitializeToneLog();
void FinalizeToneLog();

// Appends one key with the current tick count; takes TonesLock for the append only.
void AppendDetectedTone(char16_t key);

// Drops the entries more than 1500 ms old (unsigned 32-bit tick arithmetic, so a wrap does not
// expire entries early), returns the keys of the rest in order, and empties the log if clearAfter.
std::string TakeDetectedTones(bool clearAfter);
