// Programs the test fixtures start (servers, sources, waiters): started with their output logged,
// waited for with a limit, and stopped by their own process id.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace audiofixtures {

// Starts argv[0] (looked up on PATH) with standard input from /dev/null and standard output and
// error appended to `logPath`; returns its process id, or -1 when it could not be started.
pid_t SpawnLogged(const std::vector<std::string>& argv, const std::string& logPath);
// Waits up to `timeout` for `pid` to exit; true when it did (and was reaped) or is not ours.
bool WaitForExit(pid_t pid, std::chrono::milliseconds timeout);
// SIGTERM, then SIGKILL when it is still there after `timeout`; reaps it.
void StopProcess(pid_t pid, std::chrono::milliseconds timeout);

}  // namespace audiofixtures
