// The editor's regular expressions: syntax, registers, greedy and lazy
// repetition, case switching, word anchors, malformed patterns, the step
// budget and replacement texts.
#include "editor/RegularExpression.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "fileio/CodePages.h"

namespace corvatine {
namespace {

constexpr int kNoMatch = -1;
constexpr int kMalformed = -2;

struct MATCHRESULT {
    int start;
    int length;
};

// Where the pattern first matches the text (from start), or kNoMatch, or
// kMalformed when it does not compile.
MATCHRESULT Match(const std::string& pattern, const std::string& text, bool matchCase = true, int start = 0,
                  MATCHREGISTERS* out = nullptr) {
    const std::unique_ptr<CRegularExpression> expression = CompileExpression(pattern, CP_UTF8);
    if (!expression) return {kMalformed, 0};
    MATCHREGISTERS registers;
    const ExecuteResult result = ExecuteExpression(*expression, text.data(), static_cast<int>(text.size()),
                                                   start, registers, matchCase);
    EXPECT_NE(result, EXECUTE_TOO_COMPLEX) << pattern;
    if (out != nullptr) *out = registers;
    if (result != EXECUTE_MATCHED) return {kNoMatch, 0};
    return {registers.start[0], registers.end[0] - registers.start[0]};
}

struct MATCHCASE {
    const char* pattern;
    const char* text;
    int start;  // kNoMatch when it must not match
    int length;
    bool matchCase = true;
};

void CheckTable(const std::vector<MATCHCASE>& table) {
    for (const MATCHCASE& c : table) {
        const MATCHRESULT result = Match(c.pattern, c.text, c.matchCase);
        EXPECT_EQ(result.start, c.start) << "pattern '" << c.pattern << "' in '" << c.text << "'";
        if (c.start >= 0) {
            EXPECT_EQ(result.length, c.length) << "pattern '" << c.pattern << "' in '" << c.text << "'";
        }
    }
}

TEST(RegularExpressionTest, LiteralsAnyCharacterAndAnchors) {
    CheckTable({
        {"abc", "xxabcxx", 2, 3},
        {"abc", "ab", kNoMatch, 0},
        {"a.c", "abc", 0, 3},
        {"a.c",
         "a\xC3\xA9"
         "c",
         0, 4},  // a two-byte character is one
        {".", "\n", 0, 1},
        {"^ab", "ab", 0, 2},
        {"^ab", "cab", kNoMatch, 0},
        {"ab$", "abab", 2, 2},
        {"ab$", "abx", kNoMatch, 0},
        {"x^", "x", kNoMatch, 0},
        {"^$", "", 0, 0},
        {"\\.", "a.b", 1, 1},
        {"\\*\\+\\@\\#\\?\\|", "*+@#?|", 0, 6},
        {"\\(\\)\\{\\}\\[\\]", "(){}[]", 0, 6},
        {"\\\\", "a\\b", 1, 1},
        {"\\<b", "a<b", 1, 2},
        {"]", "a]", 1, 1},
        {"caf\xC3\xA9", "un caf\xC3\xA9", 3, 5},
    });
}

TEST(RegularExpressionTest, WordAnchors) {
    CheckTable({
        {"<foo", "afoo foo", 5, 3},
        {"foo>", "foox foo", 5, 3},
        {"<foo>", "foo", 0, 3},
        {"<b", "_b", kNoMatch, 0},   // "_" is a word character: no word starts after it
        {"a>", "a_", kNoMatch, 0},   // nor ends before it
        {"<", " x", 1, 0},           // a word starts where a word character follows none
        {"<", "", kNoMatch, 0},      // so not in an empty text
        {"<", " -- ", kNoMatch, 0},  // nor among blanks and punctuation
        {">", "  ", kNoMatch, 0},
        {">", "ab ", 2, 0},
        {"x>", "x", 0, 1},  // the end of the text ends a word
        {"<\\s", "a b", kNoMatch, 0},
        // Letters of any script are word characters; punctuation beyond ASCII is not.
        {"<the", "LaTeX\xE2\x80\x94the", 8, 3},
        {"word>", "word\xC2\xA0next", 0, 4},
        {"<\xC3\xA9t", "x \xC3\xA9t\xC3\xA9", 2, 3},
        {"<t", "\xC3\xA9t", kNoMatch, 0},
    });
}

TEST(RegularExpressionTest, SetsAndClasses) {
    CheckTable({
        {"[abc]+", "xxbcay", 2, 3},
        {"[^abc]", "abcd", 3, 1},
        {"[a-c]+", "zzabcd", 2, 3},
        {"[]a]+", "x]a]", 1, 3},
        {"[^]a]", "]ab", 2, 1},
        {"[\\]]", "a]", 1, 1},
        {"[a\\-z]+", "b-az", 1, 3},
        {"[a-]+", "b-a", 1, 2},
        {"[\\d_]+", "ab1_2c", 2, 3},
        {"[\\n\\t]", "a\tb", 1, 1},
        {"[\\x41-\\x43]+", "xABCD", 1, 3},
        {"[\xC3\xA9-\xC3\xAA]", "a\xC3\xAA", 1, 2},
        {"[^a]", "a\xC3\xA9", 1, 2},
        {"\\d+", "ab123c", 2, 3},
        {"\\D+", "12ab3", 2, 2},
        {"\\s+", "a \t\r\nb", 1, 4},
        {"\\S+", "  ab ", 2, 2},
        {"\\w+", "ab_1", 0, 2},  // letters and digits, not "_"
        {"\\W", "ab_1", 2, 1},
        {"\\w+", "caf\xC3\xA9!", 0, 5},
        {"\\U+", "abCDe", 2, 2},
        {"\\L+", "ABcdE", 2, 2},
        {"\\U", "\xC3\xA9\xC3\x89", 2, 2},
    });
}

TEST(RegularExpressionTest, NumericAndControlEscapes) {
    CheckTable({
        {"\\t", "a\tb", 1, 1},
        {"\\n", "a\nb", 1, 1},
        {"\\r", "a\rb", 1, 1},
        {"\\a\\b\\e\\f\\v", "x\a\b\x1b\f\v", 1, 5},
        {"\\N065", "zA", 1, 1},
        {"\\o101", "zA", 1, 1},
        {"\\x41", "zA", 1, 1},
        {"\\x7a", "Az", 1, 1},
        {"\\xE9", "caf\xC3\xA9", 3, 2},  // in UTF-8 the code is the code point
        {"\\N233", "caf\xC3\xA9", 3, 2},
        {"\\q", "q", 0, 1},
    });
}

TEST(RegularExpressionTest, GroupsAlternativesAndRepetition) {
    CheckTable({
        {"{ab}+", "xababy", 1, 4}, {"(a|b)c", "bc", 0, 2},     {"ab|cd", "xcd", 1, 2},
        {"a|ab", "ab", 0, 1},  // the first alternative that matches
        {"ab|a", "ab", 0, 2},      {"colou?r", "color", 0, 5}, {"colou?r", "colour", 0, 6},
        {"a*", "aaa", 0, 3},       {"a*", "baa", 0, 0},        {"a+", "baa", 1, 2},
        {"a+", "aaa", 0, 3},       {"a#", "aaa", 0, 1},  // as few as possible
        {"a@", "aaa", 0, 0},       {"a@b", "aab", 0, 3},       {"x.+y", "xaaybby", 0, 7},
        {"x.#y", "xaaybby", 0, 4}, {"x.@y", "xy", 0, 2},       {"()", "a", 0, 0},
        {"a|", "b", 0, 0},         {"a??", "a", 0, 1},         {"(ab)+c", "abababc", 0, 7},
    });
}

TEST(RegularExpressionTest, CaseModes) {
    CheckTable({
        {"ABC", "xabc", 1, 3, false},
        {"ABC", "xabc", kNoMatch, 0, true},
        {"\\CAbc", "abc ABC Abc", 8, 3, false},  // case-sensitive from \C on
        {"a\\Cb", "AB Ab", 3, 2, false},
        {"\\cabc", "ABC", 0, 3, true},
        {"a\\cb\\Cc", "aBc abC", 0, 3, true},
        {"\xC3\xA9", "\xC3\x89", 0, 2, false},
        {"[a-c]+", "xABCy", 1, 3, false},
        {"[^a]", "Ab", 1, 1, false},
        {"[^a]", "Ab", 0, 1, true},
        {"\\x41", "a", 0, 1, false},
    });
}

TEST(RegularExpressionTest, MalformedPatternsFindNothing) {
    const char* const kMalformedPatterns[] = {
        "*a",   "+a",    "@a",    "#a",      "?a",      "a**",    "(a*)*b", "{a?}+", "^*",     "<+",
        "()*",  "a|*b",  "\\C*",  "(",       ")",       "(a",     "a)",     "{a",    "a}",     "{a)",
        "[abc", "[",     "[z-a]", "[\\d-z]", "[a-\\d]", "\\",     "a\\",    "\\N12", "\\N12x", "\\N1",
        "\\o8", "\\o19", "\\x4",  "\\xG1",   "\\x",     "[\\x4]", "(a)\\o", "\\N",   "a@@",    "{}+",
    };
    for (const char* pattern : kMalformedPatterns)
        EXPECT_EQ(CompileExpression(pattern, CP_UTF8), nullptr) << pattern;

    // The operand of "?" may be empty, and "+" may follow a repetition that
    // always consumes a character.
    for (const char* pattern : {"a?", "^?a", "(a*)?", "a+?", "a+*", "(a+)+", "[*]", "\\N999"})
        EXPECT_NE(CompileExpression(pattern, CP_UTF8), nullptr) << pattern;
}

TEST(RegularExpressionTest, RegistersFollowTheGroups) {
    MATCHREGISTERS r;
    ASSERT_EQ(Match("(a)(b)?(c)", "xac", true, 0, &r).start, 1);
    EXPECT_EQ(r.start[1], 1);
    EXPECT_EQ(r.end[1], 2);
    EXPECT_EQ(r.start[2], -1);
    EXPECT_EQ(r.end[2], -1);
    EXPECT_EQ(r.start[3], 2);
    EXPECT_EQ(r.end[3], 3);
    EXPECT_EQ(r.start[4], -1);

    ASSERT_EQ(Match("((a)b)", "ab", true, 0, &r).start, 0);
    EXPECT_EQ(r.start[1], 0);
    EXPECT_EQ(r.end[1], 2);
    EXPECT_EQ(r.start[2], 0);
    EXPECT_EQ(r.end[2], 1);

    // Braces do not capture.
    ASSERT_EQ(Match("{a}(b)", "ab", true, 0, &r).start, 0);
    EXPECT_EQ(r.start[1], 1);
    EXPECT_EQ(r.start[2], -1);

    // A repeated group holds its last round.
    ASSERT_EQ(Match("(a|b)*c", "abac", true, 0, &r).start, 0);
    EXPECT_EQ(r.start[1], 2);
    EXPECT_EQ(r.end[1], 3);

    // Greedy takes first, lazy leaves.
    ASSERT_EQ(Match("(a+)(a*)", "aaa", true, 0, &r).start, 0);
    EXPECT_EQ(r.end[1], 3);
    EXPECT_EQ(r.start[2], 3);
    EXPECT_EQ(r.end[2], 3);
    ASSERT_EQ(Match("(a#)(a*)", "aaa", true, 0, &r).start, 0);
    EXPECT_EQ(r.end[1], 1);
    EXPECT_EQ(r.start[2], 1);
    EXPECT_EQ(r.end[2], 3);

    // A group of a failed path is put back to -1.
    ASSERT_EQ(Match("(a)x|ab", "ab", true, 0, &r).start, 0);
    EXPECT_EQ(r.start[1], -1);
    EXPECT_EQ(r.end[1], -1);

    // No match leaves every register unset.
    EXPECT_EQ(Match("(a)z", "ab", true, 0, &r).start, kNoMatch);
    for (int i = 0; i < kMatchRegisters; ++i) EXPECT_EQ(r.start[i], -1) << i;
}

TEST(RegularExpressionTest, SixtyThreeGroupsAndNoMore) {
    std::string pattern, text;
    for (int i = 0; i < 63; ++i) {
        pattern += "(.)";
        text += static_cast<char>('0' + i % 10);
    }
    MATCHREGISTERS r;
    ASSERT_EQ(Match(pattern, text, true, 0, &r).length, 63);
    EXPECT_EQ(r.start[63], 62);
    EXPECT_EQ(r.end[63], 63);
    EXPECT_EQ(CompileExpression(pattern, CP_UTF8)->GetGroupCount(), 63);
    EXPECT_EQ(CompileExpression(pattern + "(.)", CP_UTF8), nullptr);
    EXPECT_NE(CompileExpression(pattern + "{.}", CP_UTF8), nullptr);
}

TEST(RegularExpressionTest, DeepAndWidePatterns) {
    const auto nested = [](int depth) {
        return std::string(static_cast<size_t>(depth), '{') + "a" +
               std::string(static_cast<size_t>(depth), '}');
    };
    EXPECT_EQ(Match(nested(500), "xa").start, 1);
    EXPECT_EQ(CompileExpression(nested(100000), CP_UTF8), nullptr);
    std::string alternatives;
    for (int i = 0; i < 20000; ++i) alternatives += "w" + std::to_string(i) + "|";
    alternatives += "last";
    EXPECT_EQ(Match(alternatives, "the last").start, 4);
    EXPECT_EQ(Match(alternatives, "w19999").length, 2);  // "w1" is tried first
}

TEST(RegularExpressionTest, StartSeesTheCharactersBeforeIt) {
    EXPECT_EQ(Match("^a", "aa", true, 1).start, kNoMatch);
    EXPECT_EQ(Match("<a", "aa a", true, 1).start, 3);
    EXPECT_EQ(Match("a", "aa", true, 1).start, 1);
    EXPECT_EQ(Match("$", "ab", true, 1).start, 2);
    EXPECT_EQ(Match("x*", "ab", true, 2).start, 2);
    EXPECT_EQ(Match("a", "ab", true, 3).start, kNoMatch);
}

TEST(RegularExpressionTest, StrategiesFollowTheFirstItem) {
    const struct {
        const char* pattern;
        CRegularExpression::Strategy strategy;
    } kCases[] = {
        {"^abc", CRegularExpression::ANCHORED},       {"(^a)|^b", CRegularExpression::ANCHORED},
        {"abc", CRegularExpression::FIRST_LITERAL},   {"(abc)", CRegularExpression::FIRST_LITERAL},
        {"<abc", CRegularExpression::FIRST_LITERAL},  {"a+b", CRegularExpression::FIRST_LITERAL},
        {"\\cab", CRegularExpression::FIRST_LITERAL}, {"[a]bc", CRegularExpression::EVERY_POSITION},
        {"a|b", CRegularExpression::EVERY_POSITION},  {"a*b", CRegularExpression::EVERY_POSITION},
        {"^a|b", CRegularExpression::EVERY_POSITION}, {".", CRegularExpression::EVERY_POSITION},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(CompileExpression(c.pattern, CP_UTF8)->GetStrategy(), c.strategy) << c.pattern;

    // The strategies find the same matches: a literal first character against
    // the same character as a set, with and without case.
    const std::string text =
        "xNeedle needle NEEDLE ne\xC3\xA9"
        "dle n needlE";
    for (const bool matchCase : {true, false}) {
        for (int start = 0; start <= static_cast<int>(text.size()); ++start) {
            const MATCHRESULT literal = Match("needle", text, matchCase, start);
            const MATCHRESULT set = Match("[n]eedle", text, matchCase, start);
            EXPECT_EQ(literal.start, set.start) << start << " " << matchCase;
            EXPECT_EQ(literal.length, set.length) << start << " " << matchCase;
        }
    }
}

TEST(RegularExpressionTest, ExponentialPatternsStopAtTheStepBudget) {
    const std::string as(30, 'a');
    const auto begin = std::chrono::steady_clock::now();
    for (const char* pattern : {"(a+)+b", "{a|a}*b", "{a|a}+b", "(a|aa)+(a|aa)+b"}) {
        const std::unique_ptr<CRegularExpression> expression = CompileExpression(pattern, CP_UTF8);
        ASSERT_NE(expression, nullptr) << pattern;
        MATCHREGISTERS registers;
        registers.start[0] = 5;
        EXPECT_EQ(ExecuteExpression(*expression, as.data(), static_cast<int>(as.size()), 0, registers, true),
                  EXECUTE_TOO_COMPLEX)
            << pattern;
        EXPECT_EQ(registers.start[0], -1);
    }
    // The budget is a few million steps: far below a second.
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(5));

    // A budget shared by several executions runs out for all of them.
    const std::unique_ptr<CRegularExpression> simple = CompileExpression("[b]", CP_UTF8);
    MATCHREGISTERS registers;
    int64_t steps = 3;
    EXPECT_EQ(ExecuteExpression(*simple, "aab", 3, 0, registers, true, &steps), EXECUTE_TOO_COMPLEX);
    steps = 100;
    EXPECT_EQ(ExecuteExpression(*simple, "aab", 3, 0, registers, true, &steps), EXECUTE_MATCHED);
    EXPECT_LT(steps, 100);
}

TEST(RegularExpressionTest, OrdinaryPatternsStayWithinTheBudget) {
    // Linear work over a long text, and quadratic work over a moderate one.
    std::string text(200000, 'a');
    text += 'b';
    MATCHREGISTERS registers;
    const auto run = [&](const char* pattern, const std::string& subject) {
        return ExecuteExpression(*CompileExpression(pattern, CP_UTF8), subject.data(),
                                 static_cast<int>(subject.size()), 0, registers, true);
    };
    EXPECT_EQ(run("a*b", text), EXECUTE_MATCHED);
    EXPECT_EQ(registers.end[0], 200001);
    EXPECT_EQ(run("(a|b)+$", text), EXECUTE_MATCHED);
    EXPECT_EQ(run(".*x", std::string(3000, 'a')), EXECUTE_NO_MATCH);
}

TEST(RegularExpressionTest, ExpandReplacement) {
    MATCHREGISTERS r;
    const std::string text = "say Hello World!";
    ASSERT_EQ(Match("(\\w+) (\\w+)(x)?", text, true, 0, &r).start, 0);
    const std::string matched = text.substr(0, static_cast<size_t>(r.end[0]));  // "say Hello"
    const struct {
        const char* replacement;
        const char* expected;  // nullptr: the expansion fails
    } kCases[] = {
        {"\\0", "say Hello"},
        {"[\\2, \\1]", "[Hello, say]"},
        {"\\U\\2\\E-\\2", "HELLO-Hello"},
        {"\\Uab\\ecd", "ABcd"},
        {"\\L\\2 X", "hello x"},
        {"\\u\\1", "Say"},
        {"\\l\\2", "hello"},
        {"\\uabc", "Abc"},
        {"\\lABC", "aBC"},
        {"\\U\\la\\1", "aSAY"},
        {"a\\nb\\tc\\rd", "a\nb\tc\rd"},
        {"\\a\\b", "\a\b"},
        {"\\d065\\o102\\x43", "ABC"},
        {"\\xE9", "\xC3\xA9"},
        {"\\U\xC3\xA9", "\xC3\x89"},
        {"\\\\", "\\"},
        {"\\q\\.", "q."},
        {"", ""},
        {"\\3", nullptr},  // group 3 did not match
        {"\\9", nullptr},
        {"abc\\", nullptr},
        {"\\d06", nullptr},
        {"\\d0x5", nullptr},
        {"\\o9", nullptr},
        {"\\x4", nullptr},
        {"\\xZZ", nullptr},
    };
    for (const auto& c : kCases) {
        std::string out;
        const bool ok = ExpandReplacement(c.replacement, r, matched, out, CP_UTF8);
        if (c.expected == nullptr) {
            EXPECT_FALSE(ok) << c.replacement;
        } else {
            EXPECT_TRUE(ok) << c.replacement;
            EXPECT_EQ(out, c.expected) << c.replacement;
        }
    }
    // The registers count from the start of the searched text, not the match.
    ASSERT_EQ(Match("o (W)", text, true, 0, &r).start, 8);
    std::string out;
    ASSERT_TRUE(ExpandReplacement("<\\1>", r, text.substr(8, 3), out, CP_UTF8));
    EXPECT_EQ(out, "<W>");
}

TEST(RegularExpressionTest, EightBitCodePages) {
    // In code page 1252 the character codes are the bytes, and its letters
    // beyond ASCII have capitals.
    if (!IsCodePageSupported(1252)) GTEST_SKIP() << "no code page 1252 here";
    const std::unique_ptr<CRegularExpression> e = CompileExpression("\\xE9+", 1252);
    ASSERT_NE(e, nullptr);
    MATCHREGISTERS r;
    const std::string text = "caf\xE9\xC9!";
    EXPECT_EQ(ExecuteExpression(*e, text.data(), static_cast<int>(text.size()), 0, r, false),
              EXECUTE_MATCHED);
    EXPECT_EQ(r.start[0], 3);
    EXPECT_EQ(r.end[0], 5);
    EXPECT_EQ(CompileExpression("\\N256", 1252), nullptr);
    std::string out;
    ASSERT_TRUE(ExpandReplacement("\\U\\0", r, "\xE9\xC9", out, 1252));
    EXPECT_EQ(out, "\xC9\xC9");
}

}  // namespace
}  // namespace corvatine
