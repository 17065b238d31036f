#include "platform/TextCodec.h"

#include <gtest/gtest.h>

namespace {

TEST(TextCodecTest, Utf8AndUtf16ConvertBothWays)
{
    struct Case {
        std::string utf8;
        std::u16string utf16;
    };
    const Case cases[] = {
        {"", u""},
        {"DTMF 0-9*#", u"DTMF 0-9*#"},
        {"\xC3\xA9t\xC3\xA9", u"\u00E9t\u00E9"},                 // two-byte forms
        {"\xE2\x82\xAC", u"\u20AC"},                               // three-byte form
        {"\xF0\x9F\x8E\xB5", u"\U0001F3B5"},                       // surrogate pair
        {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},      // embedded zero kept
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16) << c.utf8;
        EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8) << c.utf8;
        EXPECT_TRUE(IsValidUtf8(c.utf8)) << c.utf8;
    }
}

TEST(TextCodecTest, IllFormedInputBecomesReplacementCharacters)
{
    struct Case {
        std::string utf8;
        std::u16string utf16;
    };
    const Case cases[] = {
        {"a\xFF" "b", u"a\uFFFDb"},              // byte that never starts a sequence
        {"\xC0\xAF", u"\uFFFD\uFFFD"},           // overlong form
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"}, // encoded surrogate
        {"\xE2\x82", u"\uFFFD"},                 // truncated at the end
        {"\xE2\x82" "A", u"\uFFFDA"},            // truncated before ASCII
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16);
        EXPECT_FALSE(IsValidUtf8(c.utf8));
    }
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

TEST(TextCodecTest, Windows1252ConvertsBothWaysAndUnmappableBecomesQuestionMark)
{
    struct Case {
        std::string ansi;
        std::string utf8;
    };
    const Case cases[] = {
        {"plain", "plain"},
        {"\x80", "\xE2\x82\xAC"},          // euro sign
        {"\x9F", "\xC5\xB8"},              // Y with diaeresis
        {"\xE9", "\xC3\xA9"},              // Latin-1 range
        {"\xFF", "\xC3\xBF"},
        {"\x81", "\xC2\x81"},              // undefined byte kept as its C1 control
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Windows1252ToUtf8(c.ansi), c.utf8);
        EXPECT_EQ(Utf8ToWindows1252(c.utf8), c.ansi);
    }
    EXPECT_EQ(Utf8ToWindows1252("\xE4\xB8\xAD x \xF0\x9F\x8E\xB5"), "? x ?");  // CJK, emoji
    EXPECT_EQ(Utf8ToWindows1252("a\xFF" "b"), "a?b");
}

}  // namespace
