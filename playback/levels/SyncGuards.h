#pragma once
// Scoped holds of a TMultiReadExclusiveWriteSynchronizer: the lock is released when the guard goes
// out of scope, also when the guarded code throws.
#include "platform/MultiReadExclusiveWriteSynchronizer.h"

class TReadGuard {
public:
    explicit TReadGuard(TMultiReadExclusiveWriteSynchronizer& sync) : FSync(sync) { FSync.BeginRead(); }
    ~TReadGuard() { FSync.EndRead(); }
    TReadGuard(const TReadGuard&) = delete;
    TReadGuard& operator=(const TReadGuard&) = delete;

private:
    TMultiReadExclusiveWriteSynchronizer& FSync;
};

class TWriteGuard {
public:
    explicit TWriteGuard(TMultiReadExclusiveWriteSynchronizer& sync) : FSync(sync) { FSync.BeginWrite(); }
    ~TWriteGuard() { FSync.EndWrite(); }
    TWriteGuard(const TWriteGuard&) = delete;
    TWriteGuard& operator=(const TWriteGuard&) = delete;

private:
    TMultiReadExclusiveWriteSynchronizer& FSync;
};
