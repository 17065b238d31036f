#pragma once
// A log file written in the background: TLog::Log only queues the line; the writer thread
// (TLogWriter) appends what has been queued in batches, at most about ten file openings a second,
// and keeps the file below a size limit by moving it to one previous generation ("name_prv.ext").
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "platform/Event.h"
#include "platform/TextEncoding.h"
#include "runtime/px_thread.h"

// The previous generation of a log file: "_prv" before the extension ("/logs/play.txt" ->
// "/logs/play_prv.txt"), or appended to a name without one (a leading dot starts no extension).
std::string LogPreviousGenerationPath(const std::string& fileName);

class TLogWriter : public TPxThread {
public:
    // Created suspended. maxSizeMiB <= 0 means no size limit. Keeps its own copy of encoding.
    TLogWriter(std::string fileName, int32_t maxSizeMiB, const TTextEncoding& encoding);
    ~TLogWriter() override;

    // Queues one line (without its line end) and wakes the writer; any thread, never touches the
    // file.
    void Add(std::string line);

    // Batches lost because the file could not be opened or written; any thread.
    uint64_t DroppedBatches() const { return FDroppedBatches.load(); }

protected:
    void Execute() override;
    // Wakes the writer so it drains the queue and stops.
    void TerminationRequested() override { E.SetEvent(); }

private:
    std::string TakeQueuedText();
    size_t QueuedCount();
    bool AppendToFile(const std::string& text);
    void ApplySizeLimit();

    std::deque<std::string> Q;  // oldest first; guarded by L
    std::mutex L;
    TEvent E{false, false};     // auto reset: several Adds between two passes wake it once
    const std::string FFN;
    const int32_t FMaxSize;     // MiB
    const TTextEncoding FEncoding;
    std::atomic<uint64_t> FDroppedBatches{0};
};

class TLog {
public:
    // Starts the writer for fileName (created with its folders on the first write); throws EThread
    // when the writer cannot start. maxSizeMiB: see TLogWriter.
    TLog(std::string fileName, int32_t maxSizeMiB, const TTextEncoding& encoding);
    // Lets the writer finish the queued lines, waiting at most 10 s; a slower writer goes on in
    // the background and frees itself. Stop logging from other threads first.
    ~TLog();
    TLog(const TLog&) = delete;
    TLog& operator=(const TLog&) = delete;

    // Queues S as one line, with "[yyyy-mm-dd hh:nn:ss] " (local time now, the user's time
    // separator in place of ':') before it when appendDateTime. Any thread; waits only for the
    // queue's lock. A file that cannot be written loses that batch silently.
    void Log(std::string S, bool appendDateTime = false);

    const std::string& FileName() const { return FFN; }
    // Batches of lines lost to write errors so far.
    uint64_t DroppedBatches() const { return LW ? LW->DroppedBatches() : 0; }

private:
    std::unique_ptr<TLogWriter> LW;
    const std::string FFN;
    const std::string FTimeSeparator;  // read once: the locale is not looked up on every line
};
