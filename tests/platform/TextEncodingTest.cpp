#include "platform/TextEncoding.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TextEncodingTest, EachEncodingHasItsMarkAndItsBytes)
{
    struct TCase {
        TTextEncoding encoding;
        std::string preamble;
        std::string encodedAe;  // "ä€" in the encoding
    };
    const TCase cases[] = {
        {TTextEncoding::UTF8(), "\xEF\xBB\xBF", "\xC3\xA4\xE2\x82\xAC"},
        {TTextEncoding::Unicode(), "\xFF\xFE", std::string("\xE4\x00\xAC\x20", 4)},
        {TTextEncoding::ANSI(), "", "\xE4\x80"},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(c.encoding.Preamble(), c.preamble);
        EXPECT_EQ(c.encoding.Encode("\xC3\xA4\xE2\x82\xAC"), c.encodedAe);
    }
}

TEST(TextEncodingTest, IllFormedUtf8IsReplacedInsteadOfCopied)
{
    EXPECT_EQ(TTextEncoding::UTF8().Encode("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
}

}  // namespace
