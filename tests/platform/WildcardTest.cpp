#include "platform/Wildcard.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace corvatine::platform
