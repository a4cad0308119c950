// The byte-wise search, line feed count and carriage return removal of find
// in files, against plain loops over random bytes.
#include "tools/LiteralFinder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace corvatine {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

size_t NaiveFind(const std::string& text, const std::string& needle, bool matchCase, size_t from) {
    for (size_t at = from; at + needle.size() <= text.size(); ++at) {
        bool equal = true;
        for (size_t i = 0; i < needle.size() && equal; ++i)
            equal = matchCase ? text[at + i] == needle[i] : Lower(text[at + i]) == Lower(needle[i]);
        if (equal) return at;
    }
    return std::string::npos;
}

std::string RandomText(std::mt19937& random, size_t size, const std::string& alphabet) {
    std::string text(size, ' ');
    for (char& c : text) c = alphabet[random() % alphabet.size()];
    return text;
}

TEST(LiteralFinderTest, FindsWhatAPlainLoopFinds) {
    std::mt19937 random(3);
    // Few letters in both cases make many candidates; 0x80 and up and NUL
    // are bytes like any other.
    const std::string alphabet = std::string("abAB\n\r\x80\xC3", 8) + '\0';
    for (int round = 0; round < 4000; ++round) {
        const std::string text = RandomText(random, random() % 70, alphabet);
        std::string needle = RandomText(random, 1 + random() % 5, alphabet);
        if (round % 3 == 0 && text.size() > 8)
            needle = text.substr(random() % (text.size() - 4), 1 + random() % 4);
        const bool matchCase = round % 2 == 0;
        const size_t from = text.empty() ? 0 : random() % (text.size() + 1);
        const CLiteralFinder finder(needle, matchCase);
        ASSERT_EQ(finder.Find(text, from), NaiveFind(text, needle, matchCase, from))
            << "round " << round << " needle size " << needle.size() << " case " << matchCase;
    }
}

TEST(LiteralFinderTest, LettersMatchEitherCaseOnlyWithoutMatchCase) {
    const CLiteralFinder sensitive("MaxLine", true), insensitive("MaxLine", false);
    EXPECT_EQ(sensitive.Find("a maxline and MaxLine"), 14u);
    EXPECT_EQ(insensitive.Find("a maxline and MaxLine"), 2u);
    EXPECT_EQ(insensitive.Find("MAXLINE"), 0u);
    // Only ASCII letters fold: "@" is not "`", and bytes above 0x7F match
    // themselves only.
    EXPECT_EQ(CLiteralFinder("@x", false).Find("`x @X"), 3u);
    EXPECT_EQ(CLiteralFinder("\xC3\xA9", false).Find("\xC3\x89 \xC3\xA9"), 3u);
    EXPECT_EQ(CLiteralFinder("\xC3\xA9", false).Find("\xC3\x89"), std::string::npos);
}

TEST(LiteralFinderTest, EdgesOfTheText) {
    const CLiteralFinder finder("needle", true);
    std::string text(100, 'x');
    text.replace(94, 6, "needle");  // the last possible place, past every full group of 16
    EXPECT_EQ(finder.Find(text), 94u);
    EXPECT_EQ(finder.Find(text, 95), std::string::npos);
    EXPECT_EQ(finder.Find("needl"), std::string::npos);
    EXPECT_EQ(finder.Find("needle", 7), std::string::npos);  // from past the end
    EXPECT_EQ(CLiteralFinder("", true).Find("abc", 2), 2u);  // the empty string is everywhere
    EXPECT_EQ(CLiteralFinder("z", false).Find(std::string(40, 'x') + "Z"), 40u);
}

TEST(LiteralFinderTest, CountsLineFeeds) {
    std::mt19937 random(5);
    for (int round = 0; round < 500; ++round) {
        const std::string text = RandomText(random, random() % 300, "a\n\n\r");
        const size_t from = text.empty() ? 0 : random() % text.size();
        ASSERT_EQ(CountLineFeeds(text.data() + from, text.size() - from),
                  static_cast<size_t>(std::count(text.begin() + static_cast<long>(from), text.end(), '\n')));
    }
}

TEST(LiteralFinderTest, DropsCarriageReturns) {
    std::mt19937 random(7);
    for (int round = 0; round < 500; ++round) {
        std::string text = RandomText(random, random() % 100, "ab\r\r\n");
        std::string expected = text;
        expected.erase(std::remove(expected.begin(), expected.end(), '\r'), expected.end());
        text.resize(DropCarriageReturns(text.data(), text.size()));
        ASSERT_EQ(text, expected);
    }
    std::string returns = "\r\r\r";
    EXPECT_EQ(DropCarriageReturns(returns.data(), returns.size()), 0u);
}

}  // namespace
}  // namespace corvatine
