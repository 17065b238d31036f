#include "runtime/px_logger.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <thread>

#include "platform/Exception.h"
#include "platform/Locale.h"

namespace {

constexpr auto writerPacing = std::chrono::milliseconds(100);
constexpr int32_t destroyWaitMs = 10000;
constexpr int64_t bytesPerMiB = 1048576;

std::string TwoDigits(int value)
{
    return {static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10)};
}

// "yyyy-mm-dd hh:nn:ss" of the local time now, with timeSeparator in place of ':'.
std::string LocalTimeStamp(const std::string& timeSeparator)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char date[16] = {};
    std::strftime(date, sizeof date, "%Y-%m-%d ", &local);
    return date + TwoDigits(local.tm_hour) + timeSeparator + TwoDigits(local.tm_min) + timeSeparator +
           TwoDigits(local.tm_sec);
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

// The file's size in bytes; 0 when it cannot be read.
int64_t FileSize(const std::string& fileName)
{
    struct stat status {};
    return ::stat(fileName.c_str(), &status) == 0 ? static_cast<int64_t>(status.st_size) : 0;
}

}  // namespace

std::string LogPreviousGenerationPath(const std::string& fileName)
{
    const std::filesystem::path path(fileName);
    std::filesystem::path previous = path.parent_path();
    previous /= path.stem().string() + "_prv" + path.extension().string();
    return previous.string();
}

TLogWriter::TLogWriter(std::string fileName, int32_t maxSizeMiB, const TTextEncoding& encoding)
    : TPxThread(true), FFN(std::move(fileName)), FMaxSize(maxSizeMiB), FEncoding(encoding)
{
}

TLogWriter::~TLogWriter()
{
    StopAndWait();
}

void TLogWriter::Add(std::string line)
{
    {
        std::lock_guard lock(L);
        Q.push_back(std::move(line));
    }
    E.SetEvent();
}

void TLogWriter::Execute()
{
    NameThreadForDebugging("LogWriter");
    for (;;) {
        if (!Terminated())
            E.WaitFor(INFINITE);
        const std::string text = TakeQueuedText();
        if (!text.empty() && !AppendToFile(text))
            ++FDroppedBatches;
        if (FMaxSize > 0)
            ApplySizeLimit();
        std::this_thread::sleep_for(writerPacing);
        if (Terminated() && QueuedCount() == 0)
            return;
    }
}

std::string TLogWriter::TakeQueuedText()
{
    std::deque<std::string> lines;
    {
        std::lock_guard lock(L);
        lines.swap(Q);
    }
    size_t length = 0;
    for (const std::string& line : lines)
        length += line.size() + 2;
    std::string text;
    text.reserve(length);
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

size_t TLogWriter::QueuedCount()
{
    std::lock_guard lock(L);
    return Q.size();
}

// False when the batch could not be written (it is dropped; the writer goes on with the next).
bool TLogWriter::AppendToFile(const std::string& text)
{
    std::error_code ignored;
    const std::filesystem::path folder = std::filesystem::path(FFN).parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder, ignored);
    // Non-blocking so that a FIFO put in the log's place cannot stall the writer; only a regular
    // file is written.
    const int fd = ::open(FFN.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    struct stat status {};
    bool written = false;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
        const bool startsFile = status.st_size == 0;
        written = (!startsFile || WriteAll(fd, FEncoding.Preamble())) && WriteAll(fd, FEncoding.Encode(text));
    }
    return ::close(fd) == 0 && written;
}

void TLogWriter::ApplySizeLimit()
{
    // In 64 bits, so every positive limit means what it says.
    if (FileSize(FFN) <= static_cast<int64_t>(FMaxSize) * bytesPerMiB)
        return;
    const std::string previous = LogPreviousGenerationPath(FFN);
    // Failures are ignored: the file then grows until a later pass succeeds.
    ::unlink(previous.c_str());
    ::rename(FFN.c_str(), previous.c_str());
}

TLog::TLog(std::string fileName, int32_t maxSizeMiB, const TTextEncoding& encoding)
    : LW(std::make_unique<TLogWriter>(fileName, maxSizeMiB, encoding)),
      FFN(std::move(fileName)),
      FTimeSeparator(LocaleTimeSeparator())
{
    LW->Start();
}

TLog::~TLog()
{
    if (!LW)
        return;
    LW->Terminate();  // also wakes it
    FreeThreadInBackground(std::move(LW), destroyWaitMs);
}

void TLog::Log(std::string S, bool appendDateTime)
{
    if (!LW)
        throw Exception("Log writer not initialized.");
    if (appendDateTime)
        LW->Add("[" + LocalTimeStamp(FTimeSeparator) + "] " + S);
    else
        LW->Add(std::move(S));
}
