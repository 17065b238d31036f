#pragma once
// A re-entrant lock; the owner may enter it again and must leave it as often. Also usable with
// std::lock_guard / std::unique_lock (lock, unlock, try_lock).
#include <mutex>

class TCriticalSection {
public:
    void Enter() { FMutex.lock(); }
    void Leave() { FMutex.unlock(); }
    bool TryEnter() { return FMutex.try_lock(); }

    void lock() { Enter(); }
    void unlock() { Leave(); }
    bool try_lock() { return TryEnter(); }

private:
    std::recursive_mutex FMutex;
};
