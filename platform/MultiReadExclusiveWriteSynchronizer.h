#pragma once
// A multi-reader single-writer lock. Not re-entrant: a thread holding it must not take it again.
#include <shared_mutex>

class TMultiReadExclusiveWriteSynchronizer {
public:
    void BeginRead() { FLock.lock_shared(); }
    void EndRead() { FLock.unlock_shared(); }
    void BeginWrite() { FLock.lock(); }
    void EndWrite() { FLock.unlock(); }

private:
    std::shared_mutex FLock;
};
