// XmlText: the numbers of settings and the text written to single-byte files.
#include "configdata/XmlText.h"

#include <gtest/gtest.h>

namespace {

TEST(XmlTextTest, NumbersConvertLikeTheCLibraryOn32Bits)
{
    const struct {
        const char* text;
        bool whole;
        DWORD value;
    } cases[] = {
        {"10", true, 10},         {"010", true, 10},          {"0x1a", true, 26},  {"-1", true, 0xFFFFFFFF},
        {" 12", true, 12},        {"12 ", false, 12},         {"", false, 0},      {"0x", false, 0},
        {"abc", false, 0},        {"99999999999", true, 0xFFFFFFFF}, {"0x1ffffffff", true, 0xFFFFFFFF},
        {"+7", true, 7},
    };
    for (const auto& c : cases) {
        DWORD dwValue = 1234;
        EXPECT_EQ(c.whole, XmlText::ConvertNumberText(c.text, dwValue)) << c.text;
        EXPECT_EQ(c.value, dwValue) << c.text;
    }
}

TEST(XmlTextTest, Latin1OutputKeepsEveryCharacter)
{
    // ASCII and Latin-1 letters as bytes; the euro sign, a C1 control and a
    // character outside the BMP as references; a stray byte as itself.
    EXPECT_EQ("a\xE4\xFF&#8364;&#133;&#128512;\xE9",
              XmlText::Utf8ToLatin1WithCharRefs("a\xC3\xA4\xC3\xBF\xE2\x82\xAC\xC2\x85\xF0\x9F\x98\x80\xE9"));
}

} // namespace
