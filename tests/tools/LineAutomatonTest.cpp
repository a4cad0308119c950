// The automaton that matches find in files' expressions, against the C
// library's POSIX matcher (regexec with REG_NEWLINE in the "C" locale) on
// random expressions and lines, and on lines where backtracking takes time
// that grows as a power of their length.
#include "tools/LineAutomaton.h"

#include <gtest/gtest.h>
#include <locale.h>
#include <regex.h>

#include <random>
#include <string>

#include "tools/FindRegExp.h"

namespace corvatine {
namespace {

// regexec as the oracle, on the same translation, byte by byte.
class CPosixOracle {
public:
    CPosixOracle(const std::string& expression, bool foldCase) {
        m_locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
        m_previous = uselocale(m_locale);
        m_compiled = regcomp(&m_regex, expression.c_str(),
                             REG_EXTENDED | REG_NEWLINE | (foldCase ? REG_ICASE : 0)) == 0;
    }
    ~CPosixOracle() {
        if (m_compiled) regfree(&m_regex);
        uselocale(m_previous);
        freelocale(m_locale);
    }
    CPosixOracle(const CPosixOracle&) = delete;
    CPosixOracle& operator=(const CPosixOracle&) = delete;

    bool Compiled() const { return m_compiled; }
    bool Matches(const std::string& line) const {
        regmatch_t match[1];
        match[0].rm_so = 0;
        match[0].rm_eo = static_cast<regoff_t>(line.size());
        return regexec(&m_regex, line.data(), 1, match, REG_STARTEND) == 0;
    }

private:
    regex_t m_regex{};
    bool m_compiled = false;
    locale_t m_locale;
    locale_t m_previous;
};

TEST(LineAutomatonTest, MatchesAsThePosixMatcherOnRandomExpressions) {
    static const char* const kPieces[] = {"a",    "b",     "A",    "x",     ".",     "^",    "$", "[ab]",
                                          "[^a]", "[a-c]", "[]a]", "\\.",   "-",     "(",    ")", "|",
                                          "*",    "+",     "?",    "(a|b)", "(ab)+", "[A-Z]"};
    static const char kLineBytes[] = {'a', 'b', 'A', 'B', 'x', '.', '-', ']', 'c', ' '};
    std::mt19937 random(36);
    int compared = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string classic;
        for (int n = 1 + static_cast<int>(random() % 6); n > 0; --n) classic += kPieces[random() % 22];
        const bool matchCase = random() % 2 == 0;
        CFindRegExp expression;
        if (!expression.Compile(classic, matchCase)) continue;
        const CPosixOracle oracle(expression.Translation(), !matchCase);
        ASSERT_TRUE(oracle.Compiled()) << expression.Translation();
        for (int k = 0; k < 20; ++k) {
            std::string line;
            for (int n = static_cast<int>(random() % 9); n > 0; --n) line += kLineBytes[random() % 10];
            EXPECT_EQ(expression.Matches(line), oracle.Matches(line))
                << classic << " as " << expression.Translation() << " on '" << line << "'"
                << (matchCase ? "" : " without case");
            ++compared;
        }
        // Lines at once: the first that matches.
        std::string block;
        size_t first = std::string::npos;
        for (int k = 0; k < 6; ++k) {
            std::string line;
            for (int n = static_cast<int>(random() % 6); n > 0; --n) line += kLineBytes[random() % 10];
            if (first == std::string::npos && oracle.Matches(line)) first = block.size();
            block += line + "\n";
        }
        EXPECT_EQ(expression.FindInLines(block), first) << classic << " in '" << block << "'";
    }
    EXPECT_GT(compared, 20000);
}

// Expressions that make a backtracking matcher take time that grows as a
// power of the line's length are answered in one pass, with few states.
TEST(LineAutomatonTest, NestedRepetitionsOnLongLinesTakeOnePass) {
    const std::string line(65535, 'a');
    for (const char* classic : {"(a+)+b", "(a|aa)+b", "a+a+a+a+b", "(.*a)+b"}) {
        CFindRegExp expression;
        ASSERT_TRUE(expression.Compile(classic, true)) << classic << ": " << expression.Error();
        EXPECT_FALSE(expression.Matches(line)) << classic;
        EXPECT_TRUE(expression.Matches(line + "b")) << classic;
    }
}

// An expression whose automaton has more states than are kept starts its
// table again and still answers rightly.
TEST(LineAutomatonTest, ManyStatesAreMadeAgainWhenTheTableIsFull) {
    // "a" followed by ten bytes, the last of them "b" (2^10 states and more).
    CLineAutomaton automaton;
    ASSERT_TRUE(automaton.Compile("a.........b", false));
    std::mt19937 random(7);
    std::string line;
    for (int i = 0; i < 200000; ++i) line += random() % 2 ? 'a' : 'c';
    EXPECT_FALSE(automaton.Matches(line));
    EXPECT_LE(automaton.StateCount(), CLineAutomaton::kMaxStates);
    line[150000] = 'a';
    line[150010] = 'b';
    EXPECT_TRUE(automaton.Matches(line));
    EXPECT_EQ(automaton.FindInLines("cc\n" + line + "\n"), 3u);
    EXPECT_LE(automaton.StateCount(), CLineAutomaton::kMaxStates);
}

TEST(LineAutomatonTest, RefusesWhatTheTranslationNeverWrites) {
    CLineAutomaton automaton;
    for (const char* bad : {"(", ")", "a)", "[", "[b-a]", "*", "a|*", "\\"})
        EXPECT_FALSE(automaton.Compile(bad, false)) << bad;
    EXPECT_FALSE(automaton.Matches("a"));
    ASSERT_TRUE(automaton.Compile("", false));
    EXPECT_TRUE(automaton.Matches(""));
}

}  // namespace
}  // namespace corvatine
