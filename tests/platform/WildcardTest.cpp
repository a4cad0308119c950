#include "platform/Wildcard.h"

#include <gtest/gtest.h>

#include <string>

namespace corvatine::platform {
namespace {

TEST(WildcardTest, TheLanguage) {
    struct Case {
        const char* pattern;
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        {"*", "Makefile", true},
        {"*.*", "Makefile", false},  // the dot is an ordinary character
        {"*.*", "a.b", true},
        {"*.cpp", "A.CPP", true},  // case is ignored
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"a?c",
         "a\xC3\xA9"
         "c",
         true},  // ? is one character, not one byte
        {"[a-c]*", "Banana", true},
        {"[!a-c]*", "banana", false},
        {"[!a-c]*", "Delta", true},
        {"[`]x]", "]", true},
        {"[`]x]", "x", true},
        {"[a`-c]", "-", true},
        {"[a`-c]", "b", false},
        {"`*", "*", true},
        {"`*", "a", false},
        {"!*.txt", "notes.txt", false},
        {"!*.txt", "notes.doc", true},
        {"a!b*", "ax", true},
        {"a!b*", "abc", false},
        {"*_old.*", "a_old.cpp", true},
        {"*_old.*", "a.cpp", false},
        {"with space*", "with spaces.txt", true},
        {"", "", true},
        {"", "x", false},
        {"**a", "bba", true},
        {"\xC3\x84*", "\xC3\xA4rger", true},  // non-ASCII letters fold too
    };
    for (const Case& c : cases)
        EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.matches) << c.pattern << " / " << c.name;
}

TEST(WildcardTest, MalformedPatternsMatchNothing) {
    for (const char* pattern : {"abc!", "abc`", "[abc", "*[!a"}) {
        EXPECT_FALSE(IsWellFormedPattern(pattern)) << pattern;
        EXPECT_FALSE(WildcardMatch(pattern, "abc")) << pattern;
    }
    EXPECT_TRUE(IsWellFormedPattern("[`]]"));
    EXPECT_TRUE(IsWellFormedPattern("``"));
    EXPECT_TRUE(IsWellFormedPattern("c"));
}

TEST(WildcardTest, ManyStarsStayFast) {
    const std::string name(200, 'a');
    EXPECT_FALSE(WildcardMatch("*a*a*a*a*a*a*a*a*a*a*a*a*b", name));
    EXPECT_TRUE(WildcardMatch("*a*a*a*a*a*a*a*a*a*a*a*a*", name));
}

TEST(WildcardTest, DoubleByteCharactersAreOneCharacter) {
    EXPECT_TRUE(WildcardMatch("a?c",
                              "a\x82\xA0"
                              "c",
                              CharacterSet::DoubleByte));
    EXPECT_FALSE(WildcardMatch("a?c",
                               "a\x82\xA0"
                               "c",
                               CharacterSet::SingleByte));
}

// A trail byte may have the value of "[", "]", "`" or "!": it is part of its
// character and opens, closes or escapes nothing ("ー" is 81 5B in Shift-JIS).
TEST(WildcardTest, TrailBytesAreNoPatternCharacters) {
    const std::string longVowel = "\x81\x5B", escapedBracket = "\x83\x60", bang = "\x81\x21";
    EXPECT_TRUE(WildcardMatch("*" + longVowel + "*", "x" + longVowel + "y", CharacterSet::DoubleByte));
    EXPECT_TRUE(WildcardMatch(escapedBracket + "?", escapedBracket + "z", CharacterSet::DoubleByte));
    EXPECT_TRUE(WildcardMatch("a" + bang, "a" + bang, CharacterSet::DoubleByte));
    EXPECT_FALSE(WildcardMatch("a" + bang, "ab", CharacterSet::DoubleByte));
    EXPECT_TRUE(IsWellFormedPattern("*" + longVowel, CharacterSet::DoubleByte));
    EXPECT_FALSE(IsWellFormedPattern("*" + longVowel, CharacterSet::SingleByte));
    // In a set, a trail byte "]" does not close it.
    EXPECT_TRUE(WildcardMatch("[\x81\x5D]", "\x81\x5D", CharacterSet::DoubleByte));
    EXPECT_FALSE(IsWellFormedPattern("[\x81]", CharacterSet::DoubleByte));
}

// Only UTF-8 in its shortest form is a character: an overlong form, a
// surrogate or a value beyond U+10FFFF is bytes that stand for themselves.
TEST(WildcardTest, InvalidSequencesAreNoCharacters) {
    EXPECT_FALSE(WildcardMatch("\xE0\x80\x80", std::string(1, '\0')));  // an overlong NUL
    EXPECT_FALSE(WildcardMatch("?", "\xE0\x80\x80"));                   // three bytes, not one character
    EXPECT_TRUE(WildcardMatch("???", "\xE0\x80\x80"));
    EXPECT_FALSE(WildcardMatch("?", "\xED\xA0\x80"));  // a surrogate
    // Beyond U+10FFFF: not the same as the byte 0x80 on its own.
    EXPECT_FALSE(WildcardMatch("\x80", "\xF4\x90\x82\x80"));
    EXPECT_FALSE(WildcardMatch("?", "\xF4\x90\x80\x80"));
    EXPECT_TRUE(WildcardMatch("?", "\xF4\x8F\xBF\xBF"));  // U+10FFFF is one
    EXPECT_TRUE(WildcardMatch("?", "\xE2\x82\xAC"));
}

}  // namespace
}  // namespace corvatine::platform
