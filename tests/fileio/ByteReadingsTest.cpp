#include "fileio/ByteReadings.h"

#include <gtest/gtest.h>

#include "fileio/CodePages.h"

namespace corvatine {
namespace {

TEST(ByteReadingsTest, OnlySingleByteCodePagesWithoutShiftsConvertBytewise) {
    EXPECT_TRUE(ConvertsBytewise(1252));
    EXPECT_TRUE(ConvertsBytewise(1251));
    EXPECT_FALSE(ConvertsBytewise(CP_UTF8));
    EXPECT_FALSE(ConvertsBytewise(932));    // double-byte
    EXPECT_FALSE(ConvertsBytewise(50220));  // shift states
    EXPECT_FALSE(ConvertsBytewise(51949));  // EUC-KR
    EXPECT_STRNE(CharsetName(1252), "");
    EXPECT_STREQ(CharsetName(-12345), "");
}

// Each byte of Windows-1252 read into UTF-8 and written back: letters are
// themselves, accented letters other bytes that come back exactly, line
// feeds are not plain text, and a byte the code page leaves undefined reads
// with loss.
TEST(ByteReadingsTest, EachByteReadsAndWritesBack) {
    CCharsetConverter read(CharsetName(1252), "UTF-8");
    CCharsetConverter write("UTF-8", CharsetName(1252));
    const ByteReadings readings = ReadEachByte(read, write);
    struct Case {
        unsigned char byte;
        std::string text;
        bool exact, plain, same;
    };
    const Case cases[] = {
        {'A', "A", true, true, true},
        {0xE9, "\xC3\xA9", true, true, false},
        {0x80, "\xE2\x82\xAC", true, true, false},
        {'\n', "\n", true, false, false},
        {'\r', "\r", true, false, false},
        {0x81, "", false, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(readings.text[c.byte], c.text) << int{c.byte};
        EXPECT_EQ(readings.exact[c.byte], c.exact) << int{c.byte};
        EXPECT_EQ(readings.plain[c.byte], c.plain) << int{c.byte};
        EXPECT_EQ(readings.same[c.byte], c.same) << int{c.byte};
    }
}

}  // namespace
}  // namespace corvatine
