#include "runtime/px_logger.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "platform/MainThreadFixture.h"
#include "settings/TempFolder.h"

namespace {

const std::string utf8Mark = "\xEF\xBB\xBF";

class LoggerTest : public MainThreadFixture {
protected:
    TempFolder folder;

    // Logs the lines and destroys the log, which writes everything queued before it returns.
    static void LogAndClose(const std::string& fileName, const std::vector<std::string>& lines,
                            const TTextEncoding& encoding = TTextEncoding::UTF8(), bool appendDateTime = false)
    {
        TLog log(fileName, 0, encoding);
        for (const std::string& line : lines)
            log.Log(line, appendDateTime);
    }
};

TEST_F(LoggerTest, ANewFileStartsWithTheEncodingsMarkAndAnExistingOneGetsNoSecond)
{
    struct TCase {
        TTextEncoding encoding;
        std::string expected;
    };
    const TCase cases[] = {
        {TTextEncoding::UTF8(), utf8Mark + "abc\r\nd\xC3\xA9\r\n"},
        {TTextEncoding::Unicode(), std::string("\xFF\xFE" "a\0b\0c\0\r\0\n\0d\0\xE9\0\r\0\n\0", 20)},
        {TTextEncoding::ANSI(), "abc\r\nd\xE9\r\n"},
    };
    int index = 0;
    for (const TCase& c : cases) {
        const std::string fileName = folder / ("new/folders/" + std::to_string(index++) + ".txt");
        LogAndClose(fileName, {"abc"}, c.encoding);
        LogAndClose(fileName, {"d\xC3\xA9"}, c.encoding);
        EXPECT_EQ(ReadTextFile(fileName), c.expected) << fileName;
    }
}

TEST_F(LoggerTest, AnEmptyExistingFileGetsTheMark)
{
    const std::string fileName = folder / "empty.txt";
    WriteTextFile(fileName, "");
    LogAndClose(fileName, {"abc"});
    EXPECT_EQ(ReadTextFile(fileName), utf8Mark + "abc\r\n");
}

TEST_F(LoggerTest, ATimeStampUsesTheUsersTimeSeparator)
{
    const char* savedLcAll = std::getenv("LC_ALL");
    const std::string saved = savedLcAll ? savedLcAll : "";
    struct TCase {
        const char* locale;
        const char* pattern;
    };
    const TCase cases[] = {
        {"C", R"(\[\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\] Hour marker update\r\n)"},
        {"fi_FI.UTF-8", R"(\[\d{4}-\d{2}-\d{2} \d{2}\.\d{2}\.\d{2}\] Hour marker update\r\n)"},
    };
    int index = 0;
    for (const TCase& c : cases) {
        setenv("LC_ALL", c.locale, 1);
        const std::string fileName = folder / (std::to_string(index++) + ".txt");
        LogAndClose(fileName, {"Hour marker update"}, TTextEncoding::UTF8(), true);
        const std::string text = ReadTextFile(fileName);
        ASSERT_EQ(text.rfind(utf8Mark, 0), 0u);
        EXPECT_TRUE(std::regex_match(text.substr(utf8Mark.size()), std::regex(c.pattern))) << c.locale << ": " << text;
    }
    if (savedLcAll)
        setenv("LC_ALL", saved.c_str(), 1);
    else
        unsetenv("LC_ALL");
}

TEST_F(LoggerTest, EveryLineLoggedRightBeforeDestroyIsWrittenInOrder)
{
    const std::string fileName = folder / "many.txt";
    std::vector<std::string> lines;
    std::string expected = utf8Mark;
    for (int i = 0; i < 1000; ++i) {
        lines.push_back("line " + std::to_string(i));
        expected += lines.back() + "\r\n";
    }
    LogAndClose(fileName, lines);
    EXPECT_EQ(ReadTextFile(fileName), expected);
}

TEST_F(LoggerTest, LinesFromSeveralThreadsAreAllWrittenWhole)
{
    const std::string fileName = folder / "threads.txt";
    constexpr int threadCount = 4;
    constexpr int linesPerThread = 500;
    {
        TLog log(fileName, 0, TTextEncoding::UTF8());
        std::vector<std::thread> loggers;
        for (int t = 0; t < threadCount; ++t)
            loggers.emplace_back([&log, t] {
                for (int i = 0; i < linesPerThread; ++i)
                    log.Log("thread " + std::to_string(t) + " line " + std::to_string(i));
            });
        for (std::thread& logger : loggers)
            logger.join();
    }
    std::string text = ReadTextFile(fileName).substr(utf8Mark.size());
    std::vector<int> nextLine(threadCount, 0);
    const std::regex linePattern(R"(thread (\d) line (\d+))");
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        std::smatch match;
        const std::string line = text.substr(start, end - start);
        ASSERT_TRUE(std::regex_match(line, match, linePattern)) << line;
        const int thread = std::stoi(match[1]);
        EXPECT_EQ(std::stoi(match[2]), nextLine[thread]++) << "each thread's lines stay in its order";
    }
    EXPECT_EQ(start, text.size());
    for (int count : nextLine)
        EXPECT_EQ(count, linesPerThread);
}

TEST_F(LoggerTest, AFileAboveTheLimitBecomesThePreviousGenerationAndTheNextLineStartsAFreshFile)
{
    const std::string fileName = folder / "playbackdebuglog.txt";
    const std::string previous = folder / "playbackdebuglog_prv.txt";
    WriteTextFile(previous, "an older generation");
    WriteTextFile(fileName, utf8Mark + std::string(1048576 - utf8Mark.size(), 'x'));  // exactly 1 MiB
    {
        TLog log(fileName, 1, TTextEncoding::UTF8());
        log.Log("over the limit");
    }
    ASSERT_FALSE(std::filesystem::exists(fileName));
    const std::string moved = ReadTextFile(previous);
    EXPECT_EQ(moved.size(), 1048576u + 16u);
    EXPECT_EQ(moved.substr(moved.size() - 16), "over the limit\r\n");

    {
        TLog log(fileName, 1, TTextEncoding::UTF8());
        log.Log("next");
    }
    EXPECT_EQ(ReadTextFile(fileName), utf8Mark + "next\r\n");
    EXPECT_EQ(ReadTextFile(previous).size(), 1048576u + 16u);
}

TEST_F(LoggerTest, AFileAtTheLimitStaysAndNoLimitMeansNone)
{
    for (int maxSizeMiB : {1, 0, -1}) {
        const std::string fileName = folder / ("limit" + std::to_string(maxSizeMiB) + ".txt");
        WriteTextFile(fileName, std::string(1048576 - 5, 'x'));
        LogAndClose(fileName, {"abc"});  // 5 bytes: exactly 1 MiB, not above it
        {
            TLog log(fileName, maxSizeMiB, TTextEncoding::UTF8());
            if (maxSizeMiB != 1)
                log.Log("more");
        }
        EXPECT_TRUE(std::filesystem::exists(fileName)) << maxSizeMiB;
        EXPECT_FALSE(std::filesystem::exists(LogPreviousGenerationPath(fileName))) << maxSizeMiB;
    }
}

TEST_F(LoggerTest, AFileThatCannotBeWrittenLosesThatBatchAndTheWriterGoesOn)
{
    // A folder in the file's place fails for every user, root included (unlike a read-only mode).
    const std::string fileName = folder / "blocked.txt";
    std::filesystem::create_directory(fileName);
    TLog log(fileName, 1, TTextEncoding::UTF8());
    log.Log("lost");
    ASSERT_TRUE(ServeUntil([&] { return log.DroppedBatches() == 1; }));
    std::filesystem::remove(fileName);
    log.Log("kept");
    ASSERT_TRUE(ServeUntil([&] { return std::filesystem::exists(fileName) &&
                                        ReadTextFile(fileName) == utf8Mark + "kept\r\n"; }));
    EXPECT_EQ(log.DroppedBatches(), 1u);
}

TEST_F(LoggerTest, AFifoInTheFilesPlaceIsNotWaitedFor)
{
    const std::string fileName = folder / "fifo.txt";
    ASSERT_EQ(mkfifo(fileName.c_str(), 0644), 0);
    TLog log(fileName, 0, TTextEncoding::UTF8());
    log.Log("nobody reads this");
    EXPECT_TRUE(ServeUntil([&] { return log.DroppedBatches() == 1; }));
}

TEST(LogPreviousGenerationPathTest, InsertsPrvBeforeTheExtension)
{
    struct TCase {
        const char* fileName;
        const char* previous;
    };
    const TCase cases[] = {
        {"/data/playbackdebuglog.txt", "/data/playbackdebuglog_prv.txt"},
        {"/data/Log/taglog.txt", "/data/Log/taglog_prv.txt"},
        {"/data/log", "/data/log_prv"},
        {"/data.d/log", "/data.d/log_prv"},
        {"/data/archive.tar.gz", "/data/archive.tar_prv.gz"},
        {"/data/.log", "/data/.log_prv"},
        {"log.txt", "log_prv.txt"},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(LogPreviousGenerationPath(c.fileName), c.previous) << c.fileName;
}

}  // namespace
