#include "platform/IniFile.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

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
    EXPECT_EQ(plain.ReadString("Strings", "s0", ""), "'text'");
}

}  // namespace
