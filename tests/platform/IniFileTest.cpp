#include "platform/IniFile.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        FPath = std::filesystem::temp_directory_path() /
                (std::string("tonesentry_ini_") + info->name() + "_" + std::to_string(getpid()) + ".ini");
    }
    void TearDown() override { std::filesystem::remove(FPath); }

    std::string Write(const std::string& text)
    {
        std::ofstream(FPath, std::ios::binary) << text;
        return FPath.string();
    }

    std::filesystem::path FPath;
};

TEST_F(IniFileTest, SectionsAndKeysMatchWhateverTheirCase)
{
    TIniFile ini(Write("[Settings]\nUID = 7 \nAllusers=A\n[strings]\ns0=hello\n"));
    EXPECT_EQ(ini.ReadString("settings", "uid", ""), "7");
    EXPECT_EQ(ini.ReadString("SETTINGS", "ALLUSERS", ""), "A");  // the value keeps its case
    EXPECT_EQ(ini.ReadString("Strings", "S0", ""), "hello");
    EXPECT_TRUE(ini.SectionExists("STRINGS"));
    EXPECT_TRUE(ini.ValueExists("Settings", "Uid"));
    EXPECT_FALSE(ini.ValueExists("Settings", "Other"));
}

TEST_F(IniFileTest, MissingFileReadsAsEmpty)
{
    TIniFile ini("/nonexistent/folder/uid.ini");
    EXPECT_EQ(ini.ReadString("Settings", "UID", "default"), "default");
    EXPECT_EQ(ini.ReadInteger("Settings", "W", 42), 42);
    EXPECT_FALSE(ini.SectionExists("Settings"));
    EXPECT_TRUE(ini.ReadSections().empty());
}

TEST_F(IniFileTest, LinesAreReadAsWindowsReadsThem)
{
    const std::string longValue(1000, 'x');
    TIniFile ini(Write("; comment\n[A]\nlong=" + longValue + "\nsemi=a ;b\n  indented=yes\n"
                       "first=1\nFIRST=2\nbroken line\nempty=\n[a]\nmerged=1\n"));
    EXPECT_EQ(ini.ReadString("A", "long", ""), longValue);
    EXPECT_EQ(ini.ReadString("A", "semi", ""), "a ;b");
    EXPECT_EQ(ini.ReadString("A", "indented", ""), "yes");
    EXPECT_EQ(ini.ReadString("A", "first", ""), "1");
    EXPECT_EQ(ini.ReadString("A", "empty", "default"), "");
    EXPECT_EQ(ini.ReadString("A", "merged", ""), "1");
    EXPECT_EQ(ini.ReadSection("a"),
              (std::vector<std::string>{"long", "semi", "indented", "first", "empty", "merged"}));
    EXPECT_EQ(ini.ReadSectionValues("A")[1], "semi=a ;b");
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"A"}));
}

TEST_F(IniFileTest, NumbersAndBooleansFallBackToTheDefaultWhenNotNumbers)
{
    TIniFile ini(Write("[Pos]\nW=640\nH=-12\nHex=$1F\nHex2=0x10\nAll=$FFFFFFFF\nBad=12px\n"
                       "Big=99999999999\nOn=1\nOff=0\nWord=true\n"));
    struct Case {
        const char* key;
        int expected;
    };
    for (const Case& c : {Case{"W", 640}, Case{"H", -12}, Case{"Hex", 31}, Case{"Hex2", 16},
                          Case{"All", -1}, Case{"Bad", -5}, Case{"Big", -5}, Case{"Missing", -5}}) {
        EXPECT_EQ(ini.ReadInteger("Pos", c.key, -5), c.expected) << c.key;
    }
    EXPECT_TRUE(ini.ReadBool("Pos", "On", false));
    EXPECT_FALSE(ini.ReadBool("Pos", "Off", true));
    EXPECT_TRUE(ini.ReadBool("Pos", "Word", true));
    EXPECT_FALSE(ini.ReadBool("Pos", "Word", false));
}

TEST_F(IniFileTest, MemIniFileDropsOneLeadingAndOneMatchingTrailingApostrophe)
{
    TMemIniFile ini(Write("[Strings]\ns0='text'\ns1='open\ns2=close'\ns3=''twice''\ns4='\n"
                          "s5=it's\n"));
    struct Case {
        const char* key;
        const char* expected;
    };
    for (const Case& c : {Case{"s0", "text"}, Case{"s1", "open"}, Case{"s2", "close'"},
                          Case{"s3", "'twice'"}, Case{"s4", ""}, Case{"s5", "it's"}}) {
        EXPECT_EQ(ini.ReadString("strings", c.key, "?"), c.expected) << c.key;
    }
    TIniFile plain(FPath.string());
    EXPECT_EQ(plain.ReadString("Strings", "s1", ""), "'open");
}

TEST_F(IniFileTest, OnePairOfMatchingQuotesAroundAValueIsDropped)
{
    TIniFile ini(Write("[Settings]\nUID=\"7\"\nsingle='7'\nspaced = \"a b\" \nmixed=\"7'\nlone=\"\n"
                       "empty=\"\"\ninner=\"a\"b\"\ndouble=\"\"x\"\"\nmiddle=a\"b\"\n"));
    struct Case {
        const char* key;
        const char* expected;
    };
    for (const Case& c : {Case{"UID", "7"}, Case{"single", "7"}, Case{"spaced", "a b"},
                          Case{"mixed", "\"7'"}, Case{"lone", "\""}, Case{"empty", ""},
                          Case{"inner", "a\"b"}, Case{"double", "\"x\""},
                          Case{"middle", "a\"b\""}}) {
        EXPECT_EQ(ini.ReadString("Settings", c.key, "?"), c.expected) << c.key;
    }
    EXPECT_EQ(ini.ReadInteger("Settings", "UID", -1), 7);
    EXPECT_EQ(ini.ReadString("Settings", "missing", "\"default\""), "\"default\"");
    EXPECT_EQ(ini.ReadSectionValues("Settings")[0], "UID=\"7\"");  // the section as written

    // The in-memory variant keeps its own rule: apostrophes only.
    TMemIniFile mem(FPath.string());
    EXPECT_EQ(mem.ReadString("Settings", "UID", ""), "\"7\"");
    EXPECT_EQ(mem.ReadString("Settings", "single", ""), "7");
    EXPECT_EQ(mem.ReadString("Settings", "mixed", ""), "\"7'");
}

TEST_F(IniFileTest, AFifoADeviceOrAHugeFileReadsAsEmptyAtOnceAndSaysWhy)
{
    const std::string dir = FPath.string() + ".d";
    std::filesystem::create_directories(dir);
    const std::string fifo = dir + "/fifo.ini";
    const std::string zero = dir + "/zero.ini";
    const std::string huge = dir + "/huge.ini";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", zero);
    std::ofstream(huge) << "[Settings]\nUID=7\n";
    std::filesystem::resize_file(huge, 16 * 1024 * 1024 + 1);
    // Should a reader wait on the FIFO for a writer, play that writer after a while, so that the
    // test fails instead of hanging.
    std::atomic<bool> done{false};
    std::thread guard([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (std::chrono::steady_clock::now() < deadline)
                continue;
            const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                close(fd);
        }
    });
    struct Case {
        std::string path;
        const char* reason;
    };
    for (const Case& c : {Case{fifo, "Not a regular file (a FIFO)"}, Case{zero, "Not a regular file (a device)"},
                          Case{huge, "Larger than 16 MB"}, Case{dir, "Is a folder"}}) {
        TMemIniFile ini(c.path);
        EXPECT_TRUE(ini.ReadSections().empty()) << c.path;
        EXPECT_EQ(ini.ReadErrorText(), "Cannot open file \"" + c.path + "\". " + c.reason);
    }
    done = true;
    guard.join();
    EXPECT_EQ(TIniFile(dir + "/missing.ini").ReadErrorText(), "");
    EXPECT_EQ(TIniFile(Write("[A]\nb=c\n")).ReadErrorText(), "");
    std::filesystem::remove_all(dir);
}

}  // namespace
