#include "platform/MainLoop.h"

#include <chrono>

#include "platform/MainThread.h"

namespace {
// Main-thread only: written by the queued quit request, read by the loop.
bool quitRequested = false;
int quitExitCode = 0;
}  // namespace

int RunMainLoop()
{
    WaitWhileServingMainThread([] { return quitRequested; });
    quitRequested = false;
    return quitExitCode;
}

void QuitMainLoop(int exitCode)
{
    // Through the queue, so work queued before the request still runs first.
    QueueInMainThreadQueue([exitCode] {
        quitRequested = true;
        quitExitCode = exitCode;
    });
}

bool ProcessMessagesFor(uint32_t durationMs)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(durationMs);
    bool ranAny = false;
    for (auto now = Clock::now(); now < deadline; now = Clock::now()) {
        if (ProcessMainThreadQueue()) {
            ranAny = true;
            continue;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
        WaitForMainThreadWork(static_cast<uint32_t>(left.count()));
    }
    return ProcessMainThreadQueue() || ranAny;
}

bool ProcessMessagesUntil(const std::function<bool()>& done, uint32_t timeoutMs)
{
    return WaitWhileServingMainThreadFor(done, timeoutMs);
}
