// Costs of the runtime services under load:
//  - TLog::Log called from 4 threads at once (per-call median and p99), 1,000,000 lines in all,
//    then the time TLog's destructor takes to get them all into the file, and a check that every
//    line is in the file, whole and in each thread's order;
//  - the same with time stamps (smaller run: the local-time conversion dominates);
//  - TMsgThread::Send from a worker while the main thread handles the messages.
// Usage: runtime_bench FOLDER   (the log files are written there and removed afterwards)
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/MainLoop.h"
#include "platform/MainThread.h"
#include "platform/MessageWindow.h"
#include "runtime/MsgThread.h"
#include "runtime/px_logger.h"

namespace {

using Clock = std::chrono::steady_clock;
using Nanoseconds = std::chrono::nanoseconds;

struct TCallCosts {
    double medianNs;
    double p99Ns;
};

TCallCosts Summarise(std::vector<int64_t> costsNs)
{
    std::sort(costsNs.begin(), costsNs.end());
    return {static_cast<double>(costsNs[costsNs.size() / 2]), static_cast<double>(costsNs[costsNs.size() * 99 / 100])};
}

// Each of threadCount threads logs linesPerThread lines "t<thread> <index> <padding>" and times
// each call.
std::vector<int64_t> LogFromThreads(TLog& log, int threadCount, int linesPerThread, bool appendDateTime)
{
    std::vector<std::vector<int64_t>> costs(threadCount, std::vector<int64_t>(linesPerThread));
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t)
        threads.emplace_back([&, t] {
            std::vector<std::string> lines;
            lines.reserve(linesPerThread);
            for (int i = 0; i < linesPerThread; ++i)
                lines.push_back("t" + std::to_string(t) + " " + std::to_string(i) + " playback event logged");
            ++ready;
            while (ready.load() < threadCount) {
            }
            for (int i = 0; i < linesPerThread; ++i) {
                const auto start = Clock::now();
                log.Log(std::move(lines[i]), appendDateTime);
                costs[t][i] = std::chrono::duration_cast<Nanoseconds>(Clock::now() - start).count();
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    std::vector<int64_t> all;
    for (const auto& perThread : costs)
        all.insert(all.end(), perThread.begin(), perThread.end());
    return all;
}

// Every line whole and each thread's lines complete and in order; returns the line count.
long CheckLogFile(const std::string& fileName, int threadCount, int linesPerThread, bool& ok)
{
    std::ifstream in(fileName, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ok = text.rfind("\xEF\xBB\xBF", 0) == 0;
    std::vector<int> next(threadCount, 0);
    long count = 0;
    size_t start = 3;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2, ++count) {
        const std::string line = text.substr(start, end - start);
        const size_t stamp = !line.empty() && line[0] == '[' ? line.find("] ") + 2 : 0;
        int thread = -1;
        int index = -1;
        char rest[64] = {};
        if (std::sscanf(line.c_str() + stamp, "t%d %d %63[^\n]", &thread, &index, rest) != 3 || thread < 0 ||
            thread >= threadCount || index != next[thread]++ || std::string(rest) != "playback event logged") {
            ok = false;
            break;
        }
    }
    ok = ok && start == text.size() &&
         std::all_of(next.begin(), next.end(), [&](int n) { return n == linesPerThread; });
    return count;
}

void BenchLog(const std::string& folder, int threadCount, int linesPerThread, bool appendDateTime)
{
    const std::string fileName = folder + (appendDateTime ? "/stamped.txt" : "/plain.txt");
    std::filesystem::remove(fileName);
    const auto firstCall = Clock::now();
    Clock::time_point lastCall;
    Clock::time_point destroyed;
    std::vector<int64_t> costs;
    {
        TLog log(fileName, 0, TTextEncoding::UTF8());
        costs = LogFromThreads(log, threadCount, linesPerThread, appendDateTime);
        lastCall = Clock::now();
    }
    destroyed = Clock::now();
    bool ok = false;
    const long lines = CheckLogFile(fileName, threadCount, linesPerThread, ok);
    const TCallCosts callCosts = Summarise(std::move(costs));
    const auto seconds = [](Clock::duration d) { return std::chrono::duration<double>(d).count(); };
    std::printf("Log%s, %d threads x %d lines: call median %.0f ns, p99 %.0f ns; logging took %.3f s, "
                "destroy after the last call %.3f s; file: %ld lines, %s\n",
                appendDateTime ? " with time stamp" : "", threadCount, linesPerThread, callCosts.medianNs,
                callCosts.p99Ns, seconds(lastCall - firstCall), seconds(destroyed - lastCall), lines,
                ok ? "every line whole and in order" : "LINES MISSING OR BROKEN");
    std::filesystem::remove(fileName);
}

void BenchMsgThreadSend(int messageCount)
{
    constexpr UINT benchMessage = WM_APP + 1;
    long handled = 0;
    const HWND window = AllocateHWnd([&](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
        handled += msg == benchMessage;
        return 0;
    });
    InitializeMsgThreadModule();
    std::vector<int64_t> costs(messageCount);
    std::thread sender([&] {
        for (int i = 0; i < messageCount; ++i) {
            const auto start = Clock::now();
            MsgThread->Send(window, benchMessage, 0, i);
            costs[i] = std::chrono::duration_cast<Nanoseconds>(Clock::now() - start).count();
        }
    });
    const auto start = Clock::now();
    ProcessMessagesUntil([&] { return handled == messageCount; }, 60000);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    sender.join();
    FinalizeMsgThreadModule();
    DeallocateHWnd(window);
    const TCallCosts callCosts = Summarise(std::move(costs));
    std::printf("MsgThread.Send from a worker, %d messages: call median %.0f ns, p99 %.0f ns; all handled on "
                "the main thread after %.3f s (%ld handled)\n",
                messageCount, callCosts.medianNs, callCosts.p99Ns, seconds, handled);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: runtime_bench FOLDER\n");
        return 2;
    }
    InitMainThread();
    BenchLog(argv[1], 4, 250000, false);
    BenchLog(argv[1], 4, 25000, true);
    BenchMsgThreadSend(100000);
    return 0;
}
