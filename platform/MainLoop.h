#pragma once
// The standalone main loop of the CLI and the tests: serves the main-thread queue (posted
// messages, window timers, queued and synchronised work) until QuitMainLoop is called.
#include <cstdint>
#include <functional>

// Main thread only: serves the queue until QuitMainLoop; returns its exit code. A quit requested
// before the call ends the next loop at once (the request is consumed by that loop).
int RunMainLoop();

// Ends the running (or the next) RunMainLoop with exitCode; callable from any thread.
void QuitMainLoop(int exitCode = 0);

// Main thread only: serves the queue for durationMs of wall time; returns whether anything ran.
bool ProcessMessagesFor(uint32_t durationMs);

// Main thread only: serves the queue until done() or timeoutMs has passed; returns done().
// Tests use it with a generous timeout as a fail-safe only.
bool ProcessMessagesUntil(const std::function<bool()>& done, uint32_t timeoutMs);
