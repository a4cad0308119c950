// Regular expressions of find in files: the classic syntax with its checks
// and messages, matched byte by byte.
#include "tools/FindRegExp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corvatine {
namespace {

struct BADEXPRESSION {
    std::string expression;
    std::string error;
};

TEST(FindRegExpTest, RefusesWhatTheClassicLibraryRefuses) {
    const BADEXPRESSION cases[] = {
        {"a(b", "unmatched ()"},
        {"a)b", "unmatched ()"},
        {"(a|b))", "unmatched ()"},
        {"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)", "too many ()"},
        {"((((((((((a))))))))))", "too many ()"},
        {"a**", "nested *?+"},
        {"a+?", "nested *?+"},
        {"(ab)?*", "nested *?+"},
        {"(a*)*", "*+ operand could be empty"},
        {"(a|)+", "*+ operand could be empty"},
        {"()*", "*+ operand could be empty"},
        {"^*", "*+ operand could be empty"},
        {"x$+", "*+ operand could be empty"},
        {"*a", "?+* follows nothing"},
        {"a|?b", "?+* follows nothing"},
        {"(+)", "?+* follows nothing"},
        {"[abc", "unmatched []"},
        {"[]", "unmatched []"},
        {"[^]", "unmatched []"},
        {"[z-a]", "invalid [] range"},
        {"abc\\", "trailing \\"},
        {std::string(32756, 'a'), "regexp too big"},
        {"(" + std::string(32747, 'a') + ")", "regexp too big"},
    };
    for (const BADEXPRESSION& c : cases) {
        CFindRegExp expression;
        EXPECT_FALSE(expression.Compile(c.expression, true)) << c.expression;
        EXPECT_EQ(expression.Error(), c.error) << c.expression.substr(0, 40);
        EXPECT_FALSE(expression.IsCompiled());
        EXPECT_FALSE(expression.Matches("a"));
    }
}

TEST(FindRegExpTest, AcceptsWhatTheClassicLibraryAccepts) {
    for (const std::string& text :
         std::vector<std::string>{"(a)(b)(c)(d)(e)(f)(g)(h)(i)", "(a*)?", "(|a)", "a|", "()", "a{2}", "[]a]",
                                  "[^]a]", "[a-]", "[-a]", "[b-b]", "x\\*", std::string(32755, 'a'),
                                  "(" + std::string(32746, 'a') + ")", "a^b", "$x", "$?", "^?a", "a$?"}) {
        CFindRegExp expression;
        EXPECT_TRUE(expression.Compile(text, true)) << text.substr(0, 40) << ": " << expression.Error();
        EXPECT_EQ(expression.Error(), "");
    }
}

struct MATCH {
    const char* expression;
    const char* line;
    bool matchCase;
    bool matches;
};

TEST(FindRegExpTest, MatchesLinesInTheClassicSyntax) {
    const MATCH cases[] = {
        {".", "", true, false},
        {".", "x", true, true},
        {"^ab", "xab", true, false},
        {"^ab", "abx", true, true},
        {"ab$", "xab", true, true},
        {"ab$", "abx", true, false},
        {"^$", "", true, true},
        {"a^b", "a^b", true, false},  // "^" is an anchor wherever it stands
        {"a\\^b", "a^b", true, true},
        {"^?b", "ab", true, true},    // an optional anchor matches anywhere
        {"[M-z]", "_", false, true},  // a range from capitals to small letters without case
        {"[M-z]", "5", false, false},
        {"x[M-Z]", "Xq", false, true},
        {"a$?b", "ab", true, true},
        {"a.c", "xabcx", true, true},
        {"[a-c]x", "bx", true, true},
        {"[^a-c]x", "bx", true, false},
        {"[^a-c]x", "dx", true, true},
        {"[]]", "]", true, true},
        {"[]a]", "a", true, true},
        {"[^]a]", "]", true, false},
        {"[a-]", "-", true, true},
        {"[a-c-e]", "e", true, true},  // the second range starts after the first's end
        {"[a-c-e]", "d", true, true},
        {"[\\]", "\\", true, true},  // no escapes in a set
        {"[a\\]]", "a]", true, true},
        {"[[:alpha:]]", "a]", true, true},  // a set of "[:alph", then "]"
        {"[[:alpha:]]", "x", true, false},
        {"[.]", ".", true, true},
        {"[.]", "a", true, false},
        {"[^-]", "-", true, false},
        {"[-^]", "^", true, true},
        {"[\x80-\xff]", "\xC3\xA9", true, true},
        {"a|b", "b", true, true},
        {"(ab)+c", "ababc", true, true},
        {"(ab)+c", "ac", true, false},
        {"colou?r", "color", true, true},
        {"colou?r", "colouur", true, false},
        {"x*", "", true, true},
        {"\\.", "a", true, false},
        {"\\.", ".", true, true},
        {"\\w", "w", true, true},  // a quoted letter is the letter
        {"\\w", "x", true, false},
        {"a{2}", "aa", true, false},  // braces are plain characters
        {"a{2}", "a{2}", true, true},
        {"x\\(", "x(", true, true},
        {"ABC", "abc", true, false},
        {"ABC", "abc", false, true},
        {"[A-C]x", "bX", false, true},
        {"[^a]", "A", false, false},
        {"\xC3\xA9", "\xC3\x89", false, false},  // only ASCII letters fold
    };
    for (const MATCH& c : cases) {
        CFindRegExp expression;
        ASSERT_TRUE(expression.Compile(c.expression, c.matchCase))
            << c.expression << ": " << expression.Error();
        EXPECT_EQ(expression.Matches(c.line), c.matches)
            << c.expression << " on \"" << c.line << "\" as " << expression.Translation();
    }
}

TEST(FindRegExpTest, TriesEveryLineOfABlockAtOnce) {
    CFindRegExp endOfLine;
    ASSERT_TRUE(endOfLine.Compile("b$", true));
    EXPECT_TRUE(endOfLine.LinesAtOnce());
    EXPECT_EQ(endOfLine.FindInLines("ab\ncd\n"), 0u);  // where the line starts
    EXPECT_EQ(endOfLine.FindInLines("ba\ncb\n"), 3u);
    EXPECT_EQ(endOfLine.FindInLines("ba\nbc\n"), std::string::npos);

    CFindRegExp start;
    ASSERT_TRUE(start.Compile("^c", true));
    EXPECT_EQ(start.FindInLines("ac\ncd\n"), 3u);

    // The end of the block is no line of its own.
    CFindRegExp empty;
    ASSERT_TRUE(empty.Compile("^$", true));
    EXPECT_EQ(empty.FindInLines("a\n\nb\n"), 2u);
    EXPECT_EQ(empty.FindInLines("a\nb\n"), std::string::npos);

    // A set never takes the line feed between two lines.
    CFindRegExp range;
    ASSERT_TRUE(range.Compile("a[\x01-z]b", true));
    EXPECT_EQ(range.FindInLines("xa\nbx\n"), std::string::npos);
    EXPECT_EQ(range.FindInLines("xa\nb\nxa-b\n"), 5u);
    CFindRegExp negated;
    ASSERT_TRUE(negated.Compile("a[^x]b", true));
    EXPECT_EQ(negated.FindInLines("xa\nbx\n"), std::string::npos);

    // A line feed typed into the expression can match no line.
    CFindRegExp lineFeed;
    ASSERT_TRUE(lineFeed.Compile("a\nb|c", true));
    EXPECT_FALSE(lineFeed.LinesAtOnce());
    EXPECT_FALSE(lineFeed.Matches("a"));
    EXPECT_TRUE(lineFeed.Matches("c"));
}

TEST(FindRegExpTest, TranslatesToPosixExtendedExpressions) {
    const std::pair<const char*, const char*> cases[] = {
        {"a{b}", "a\\{b\\}"}, {"[a-z]", "[a-z]"}, {"[ab]", "[ab]"}, {"[abc]", "[a-c]"},
        {"[]a-]", "[]a-]"},   {"[-^]", "[-^]"},   {"[^^]", "[^^]"}, {"[x]", "x"},
        {"[.]", "\\."},       {"\\+", "\\+"},     {"\\n", "n"},     {"(a|b)*c?", "(a|b)*c?"},
    };
    for (const auto& [classic, posix] : cases) {
        CFindRegExp expression;
        ASSERT_TRUE(expression.Compile(classic, true)) << classic;
        EXPECT_EQ(expression.Translation(), posix) << classic;
    }
}

}  // namespace
}  // namespace corvatine
