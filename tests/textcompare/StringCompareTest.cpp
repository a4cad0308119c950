#include "textcompare/StringCompare.h"

#include <gtest/gtest.h>

namespace corvatine {
namespace {

std::string Dump(const std::vector<STRINGDIFFERENCE>& differences) {
    std::string text;
    for (const STRINGDIFFERENCE& d : differences)
        text += "[" + std::to_string(d.leftStart) + "," + std::to_string(d.leftEnd) + "|" +
                std::to_string(d.rightStart) + "," + std::to_string(d.rightEnd) + "]";
    return text;
}

std::string Compare(const std::string& left, const std::string& right, int wordBreak = WORDBREAK_PUNCTUATION,
                    bool character = false, bool caseSensitive = true, uint32_t whiteSpace = 0) {
    CStringCompare compare;
    std::vector<STRINGDIFFERENCE> result;
    compare.CompareLines(left, right, caseSensitive, whiteSpace, wordBreak, character, result);
    return Dump(result);
}

TEST(StringCompareTest, EqualAndEmptyLines) {
    EXPECT_EQ(Compare("same words here", "same words here"), "");
    EXPECT_EQ(Compare("", ""), "");
    EXPECT_EQ(Compare("", "a b"), "[0,-1|0,2]");
    EXPECT_EQ(Compare("a b", ""), "[0,2|0,-1]");
}

TEST(StringCompareTest, WordsAndBreakCharacters) {
    CStringCompare compare;
    std::vector<STRINGDIFFERENCE> result;
    compare.CompareLines("foo(bar)", "foo(baz)", true, 0, WORDBREAK_PUNCTUATION, false, result);
    ASSERT_EQ(compare.LeftWords().size(), 4u);  // foo ( bar )
    EXPECT_EQ(compare.LeftWords()[2].start, 4);
    EXPECT_EQ(compare.LeftWords()[2].end, 6);
    EXPECT_EQ(Dump(result), "[4,6|4,6]");
    EXPECT_EQ(Compare("foo(bar)", "foo(baz)", WORDBREAK_PUNCTUATION, true), "[6,6|6,6]");
    // Without break characters the whole word differs; at character detail
    // the last-but-one character remains.
    EXPECT_EQ(Compare("foo(bar)", "foo(baz)", WORDBREAK_NONE), "[0,7|0,7]");
    EXPECT_EQ(Compare("foo(bar)", "foo(baz)", WORDBREAK_NONE, true), "[6,6|6,6]");
    EXPECT_EQ(CStringCompare::kPunctuation.size(), 32u);

    CStringCompare custom;
    result.clear();
    custom.CompareLines("a;b:c", "a;b:d", true, 0, WORDBREAK_CUSTOM, false, result, ";");
    EXPECT_EQ(custom.LeftWords().size(), 3u);  // a ; b:c
    EXPECT_EQ(Dump(result), "[2,4|2,4]");
}

TEST(StringCompareTest, CaseAndWhiteSpaceRules) {
    EXPECT_EQ(Compare("Value = 1", "VALUE = 1", WORDBREAK_PUNCTUATION, false, false), "");
    EXPECT_EQ(Compare("Value = 1", "VALUE = 1"), "[0,4|0,4]");
    // The gap between words counts without white-space rules.
    EXPECT_EQ(Compare("a  b", "a b"), "[2,2|2,1]");
    EXPECT_EQ(Compare("a  b", "a b", WORDBREAK_PUNCTUATION, false, true, 0x2), "");
    EXPECT_EQ(Compare("a\tb", "a b", WORDBREAK_PUNCTUATION, false, true, 0x1), "");
}

TEST(StringCompareTest, ResynchronisationAndTails) {
    // An inserted word.
    EXPECT_EQ(Compare("one two three", "one 2 two three"), "[4,3|4,5]");
    // A replaced word in the middle.
    EXPECT_EQ(Compare("int x = 1;", "int y = 1;"), "[4,4|4,4]");
    // Words added at the end.
    EXPECT_EQ(Compare("call(a)", "call(a) + more"), "[7,6|7,13]");
    // Nothing matches again.
    EXPECT_EQ(Compare("alpha beta", "gamma delta"), "[0,9|0,10]");
    // Trailing white space is a difference in the tail.
    EXPECT_EQ(Compare("x y ", "x y"), "[3,3|3,2]");
    // Adjacent differences merge into one.
    EXPECT_EQ(Compare("a b", "a  c"), "[2,2|2,3]");
}

TEST(StringCompareTest, CharacterDetailNarrows) {
    EXPECT_EQ(Compare("identifier1", "identifier2", WORDBREAK_PUNCTUATION, true), "[10,10|10,10]");
    EXPECT_EQ(Compare("prefix_mid_suffix", "prefix_MID_suffix", WORDBREAK_NONE, true), "[7,9|7,9]");
    EXPECT_EQ(Compare("abc", "abXc", WORDBREAK_NONE, true), "[2,1|2,2]");  // an empty left range
    // Case rules hold while narrowing.
    EXPECT_EQ(Compare("Abcd", "aBce", WORDBREAK_NONE, true, false), "[3,3|3,3]");
    // UTF-8 characters are not split.
    EXPECT_EQ(Compare("caf\xC3\xA9", "caf\xC3\xA8", WORDBREAK_NONE, true), "[3,4|3,4]");
}

TEST(StringCompareTest, LongLinesStayFast) {
    std::string a, b;
    for (int i = 0; i < 50000; ++i) {
        a += "w" + std::to_string(i) + " ";
        b += "w" + std::to_string(i % 7 == 0 ? -i : i) + " ";
    }
    CStringCompare compare;
    std::vector<STRINGDIFFERENCE> result;
    compare.CompareLines(a, b, true, 0, WORDBREAK_PUNCTUATION, true, result);
    ASSERT_FALSE(result.empty());
    for (size_t i = 1; i < result.size(); ++i) EXPECT_GT(result[i].leftStart, result[i - 1].leftEnd);
}

}  // namespace
}  // namespace corvatine
