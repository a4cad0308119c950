// Searching a hex buffer: the search syntax, the three character sets,
// windows and their boundaries in both directions, aborting, and go-to.
#include "binarycompare/HexSearch.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace corvatine {
namespace {

class HexSearchTest : public ::testing::Test {
protected:
    void Load(const std::string& bytes) { ASSERT_TRUE(buffer.Open(dir.WriteFile("f.bin", bytes))); }
    int64_t Find(const std::string& text, int64_t start, bool forward = true, int charset = SEARCH_CODEPAGE) {
        HEXSEARCH search;
        if (!ParseHexSearch(text, charset, search, messages)) return -2;
        return FindInBuffer(buffer, search, start, forward, messages);
    }

    test::TempDir dir;
    platform::CSilentMessages messages;
    CHexEditContext buffer{messages};
};

TEST_F(HexSearchTest, TextWithAndWithoutCaseAndHexDigits) {
    Load("xxABCxxabc");
    EXPECT_EQ(Find("=abc", 0), 7);
    EXPECT_EQ(Find("=abc", 8), -1);
    EXPECT_EQ(messages.information.back(), "Search text not found (forward search)");
    Load("xxABCxx");
    EXPECT_EQ(Find("=abc", 0), -1);
    EXPECT_EQ(Find("~abc", 0), 2);
    EXPECT_EQ(Find("41 42 43", 0), 2);
    EXPECT_EQ(Find("0x41,0x42", 0), -1);  // the 0 of "0x" is a digit too: 04 10 42
    EXPECT_EQ(Find("4142", 0), 2);
    EXPECT_EQ(Find("xyz", 0), -2);
    EXPECT_EQ(messages.information.back(), "There is no search text");
    EXPECT_EQ(Find("=", 0), -2);  // one character is no text: hexadecimal without digits
    EXPECT_EQ(Find("~ABCXXXXX", 0), -1);
    EXPECT_EQ(messages.information.back(), "Search byte sequence is longer than the file");
    EXPECT_EQ(Find("~zz", 0), -1);
    EXPECT_EQ(messages.information.back(), "Search text not found (case insensitive search)");
    EXPECT_EQ(Find("=B", 5, false), 3);
    EXPECT_EQ(Find("=x", 2, false), 1);  // a match beginning before the start
    EXPECT_EQ(Find("=q", 7, false), -1);
    EXPECT_EQ(messages.information.back(), "Search text not found (backward search)");
}

TEST_F(HexSearchTest, UnicodeAndEbcdicText) {
    // "Hi" in UTF-16 little-endian, and "HELLO" in EBCDIC (code page 37).
    Load(std::string("..H\0i\0..\xC8\xC5\xD3\xD3\xD6", 13));
    EXPECT_EQ(Find("=Hi", 0, true, SEARCH_UNICODE), 2);
    EXPECT_EQ(Find("~hI", 0, true, SEARCH_UNICODE), 2);
    EXPECT_EQ(Find("=Ho", 0, true, SEARCH_UNICODE), -1);
    EXPECT_EQ(messages.information.back(), "Search text not found (forward Unicode search)");
    EXPECT_EQ(Find("=HELLO", 0, true, SEARCH_EBCDIC), 8);
    EXPECT_EQ(Find("~hello", 0, true, SEARCH_EBCDIC), 8);
    EXPECT_EQ(Find("=hello", 0, true, SEARCH_EBCDIC), -1);
    EXPECT_EQ(messages.information.back(), "Search text not found (forward EBCDIC search)");
    EXPECT_EQ(Find("~hello", 13, false, SEARCH_EBCDIC), 8);
    EXPECT_EQ(Find("~yy", 13, false, SEARCH_EBCDIC), -1);
    EXPECT_EQ(messages.information.back(), "Search text not found (insensitive backward EBCDIC search)");

    // Characters the set cannot hold are dropped, with a message.
    HEXSEARCH search;
    ASSERT_TRUE(
        ParseHexSearch("=H\xE2\x82\xAC"
                       "L",
                       SEARCH_EBCDIC, search, messages));
    EXPECT_EQ(search.pattern, (std::vector<uint8_t>{0xC8, 0xD3}));
    EXPECT_EQ(messages.information.back(),
              "Invalid EBCDIC search characters ignored\rsearching for \"H\xE2\x82\xAC"
              "L\"");
    ASSERT_TRUE(ParseHexSearch("=a\xFF", SEARCH_UNICODE, search, messages));
    EXPECT_EQ(search.pattern, (std::vector<uint8_t>{'a', 0}));
    EXPECT_EQ(messages.information.back(),
              "Invalid Unicode search characters ignored\rsearching for \"a\xFF\"");
    EXPECT_FALSE(ParseHexSearch("=\xFF", SEARCH_UNICODE, search, messages));
    EXPECT_EQ(messages.information.back(), "Empty search sequence");
}

// Matches placed across the boundaries of the windows are found in both
// directions.
TEST_F(HexSearchTest, MatchesAcrossWindowBoundaries) {
    const std::string pattern = "NEEDLE";
    const int64_t window = static_cast<int64_t>(pattern.size()) + 32767;
    for (const int64_t at :
         {window - 6, window - 3, window - 1, 2 * window - 12, 2 * window - 7, int64_t{0}}) {
        std::string bytes(static_cast<size_t>(3 * window), '.');
        bytes.replace(static_cast<size_t>(at), pattern.size(), pattern);
        Load(bytes);
        EXPECT_EQ(Find("=NEEDLE", 0), at) << at;
        EXPECT_EQ(Find("=NEEDLE", static_cast<int64_t>(bytes.size()), false), at) << at;
        EXPECT_EQ(Find("~needle", at + 1), -1) << at;
        EXPECT_EQ(Find("~needle", at, false), -1) << at;
    }
}

TEST_F(HexSearchTest, EscapeAbortsALongSearch) {
    Load(std::string(600000, '.'));
    HEXSEARCH search;
    ASSERT_TRUE(ParseHexSearch("=x", SEARCH_CODEPAGE, search, messages));
    int asked = 0;
    messages.answer = platform::ANSWER_NO;
    EXPECT_EQ(FindInBuffer(buffer, search, 0, true, messages, [&] { return ++asked > 0; }), -1);
    EXPECT_EQ(asked, 4);  // the check points at 128, 256, 384 and 512 KiB
    EXPECT_EQ(messages.questions.back(), "Abort search?");
    messages.answer = platform::ANSWER_YES;
    EXPECT_EQ(FindInBuffer(buffer, search, 0, true, messages, [] { return true; }), -1);
    EXPECT_EQ(messages.status.back(), "Search aborted");
}

TEST(GoToTest, TextsAndTheQuestion) {
    EXPECT_EQ(GoToRangeText(0x1F, true), "(0 - 0X1F)");
    EXPECT_EQ(GoToRangeText(0x1F, false), "(0 - 0x1f)");
    EXPECT_EQ(GoToRangeText(0, true), "(0 - 0)");
    EXPECT_EQ(GoToHexText(255, true), "FF");
    EXPECT_EQ(GoToHexText(255, false), "ff");
    EXPECT_EQ(GoToDecimalText(255), "255");
    platform::CSilentMessages messages;
    messages.answer = platform::ANSWER_YES;
    EXPECT_TRUE(ConfirmJumpToEnd(500, messages));
    EXPECT_EQ(messages.questions.back(),
              "Attempt to jump to invalid address 500\rJump to EOF instead and continue?");
}

}  // namespace
}  // namespace corvatine
