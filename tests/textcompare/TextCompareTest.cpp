#include "textcompare/TextCompare.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace corvatine {
namespace {

using Sections = std::vector<TEXTSECTION>;

Sections Compare(const std::string& left, const std::string& right,
                 const CTextCompare& settings = CTextCompare()) {
    CTextCompare engine = settings;
    CTextSectionCollector sink;
    engine.Run(left.data(), left.size(), right.data(), right.size(), sink);
    return sink.sections;
}

// "left first-last right first-last kind" of every section.
std::string Dump(const Sections& sections) {
    std::string text;
    for (const TEXTSECTION& s : sections)
        text += std::to_string(s.leftFirst) + "-" + std::to_string(s.leftLast) + " " +
                std::to_string(s.rightFirst) + "-" + std::to_string(s.rightLast) + " k" +
                std::to_string(s.kind) + ";";
    return text;
}

CTextCompare Mode(int mode) {
    CTextCompare engine;
    engine.whiteSpaceMode = mode;
    return engine;
}

TEST(TextCompareTest, EmptyTexts) {
    EXPECT_EQ(Dump(Compare("", "")), "");
    EXPECT_EQ(Dump(Compare("", "a\nb\nc")), "0--1 0-2 k2;");
    EXPECT_EQ(Dump(Compare("a\nb\n", "")), "0-1 0--1 k2;");
    EXPECT_EQ(Dump(Compare("same\ntext", "same\ntext")), "");
}

TEST(TextCompareTest, ChangesInsertionsDeletions) {
    EXPECT_EQ(Dump(Compare("a\nb\nc\n", "a\nx\nc\n")), "1-1 1-1 k2;");
    EXPECT_EQ(Dump(Compare("a\nc\n", "a\nb\nc\n")), "1-0 1-1 k2;");
    EXPECT_EQ(Dump(Compare("a\nb\nc\n", "a\nc\n")), "1-1 1-0 k2;");
    EXPECT_EQ(Dump(Compare("1\n2\n3\n4\n5\n", "0\n1\n2\n4\n5\n6\n")), "0--1 0-0 k2;2-2 3-2 k2;5-4 5-5 k2;");
}

TEST(TextCompareTest, IncompleteLastLines) {
    // The same text with and without a final line ending differs...
    EXPECT_EQ(Dump(Compare("a\nb", "a\nb\n")), "1-1 1-1 k2;");
    // ...but both incomplete compare equal, and only the changed line shows.
    EXPECT_EQ(Dump(Compare("a\nb\nc", "a\nx\nc")), "1-1 1-1 k2;");
    EXPECT_EQ(Dump(Compare("a", "a\n")), "0-0 0-0 k2;");
    // Amount of white space: the missing terminator is no difference.
    EXPECT_EQ(Dump(Compare("a\nb", "a\nb\n", Mode(WHITESPACE_AMOUNT))), "");
}

TEST(TextCompareTest, WhiteSpaceModes) {
    EXPECT_EQ(Dump(Compare("a  b\n", "a b\n", Mode(WHITESPACE_AMOUNT))), "");
    EXPECT_EQ(Dump(Compare("a b \n", "a b\n", Mode(WHITESPACE_AMOUNT))), "");
    EXPECT_EQ(Dump(Compare("ab\n", "a b\n", Mode(WHITESPACE_AMOUNT))), "0-0 0-0 k2;");
    EXPECT_EQ(Dump(Compare("ab\n", "a b\n", Mode(WHITESPACE_ALL))), "");
    EXPECT_EQ(Dump(Compare(" a\tb  \n", "ab\n", Mode(WHITESPACE_ALL))), "");
    EXPECT_EQ(Dump(Compare("\tx\n", "    x\n", Mode(WHITESPACE_TAB_EXPANSION))), "");
    EXPECT_EQ(Dump(Compare("\tx\n", "  x\n", Mode(WHITESPACE_TAB_EXPANSION))), "0-0 0-0 k2;");
    EXPECT_EQ(Dump(Compare("ab\tx\n", "ab  x\n", Mode(WHITESPACE_TAB_EXPANSION))), "");
    EXPECT_EQ(Dump(Compare("a  b\n", "a b\n")), "0-0 0-0 k2;");
    CTextCompare tab8 = Mode(WHITESPACE_TAB_EXPANSION);
    tab8.tabSize = 8;
    EXPECT_EQ(Dump(Compare("\tx\n", "    x\n", tab8)), "0-0 0-0 k2;");
}

TEST(TextCompareTest, IgnoreCase) {
    CTextCompare engine;
    engine.ignoreCase = true;
    EXPECT_EQ(Dump(Compare("Value\nX\n", "VALUE\nx\n", engine)), "");
    EXPECT_EQ(Dump(Compare("Value\n", "VALUE\n")), "0-0 0-0 k2;");
}

TEST(TextCompareTest, IgnorableBlocks) {
    CTextCompare engine;
    engine.ignoreBlankLines = true;
    EXPECT_EQ(Dump(Compare("a\nb\n", "a\n\n\nb\n", engine)), "1-0 1-2 k0;");
    EXPECT_EQ(Dump(Compare("a\nb\n", "a\n\nx\nb\n", engine)), "1-0 1-2 k2;");
    // White space only is not blank.
    EXPECT_EQ(Dump(Compare("a\nb\n", "a\n  \nb\n", engine)), "1-0 1-1 k2;");

    CLineFilter filter("^#");
    CTextCompare filtered;
    filtered.lineFilter = &filter;
    EXPECT_EQ(Dump(Compare("a\n#x\nb\n", "a\n#y\nb\n", filtered)), "1-1 1-1 k0;");
    EXPECT_EQ(Dump(Compare("a\n#x\nb\n", "a\ny\nb\n", filtered)), "1-1 1-1 k2;");
    CLineFilter broken("\\(");
    EXPECT_FALSE(broken.IsValid());
    filtered.lineFilter = &broken;
    EXPECT_EQ(Dump(Compare("a\n#x\n", "a\n#y\n", filtered)), "1-1 1-1 k2;");
}

TEST(TextCompareTest, TheLineFilterDialect) {
    CLineFilter alternatives("^foo\\|bar$");
    EXPECT_TRUE(alternatives.Matches("foo x"));
    EXPECT_TRUE(alternatives.Matches("x bar"));
    EXPECT_FALSE(alternatives.Matches("x foo"));
    CLineFilter group("\\(ab\\)+c");
    EXPECT_TRUE(group.Matches("xababc"));
    CLineFilter literal("a{2}");  // no intervals: the braces are literal
    EXPECT_TRUE(literal.Matches("a{2}"));
    EXPECT_FALSE(literal.Matches("aa"));
    CLineFilter caseful("abc");
    EXPECT_FALSE(caseful.Matches("ABC"));
}

// "+" repeats what it follows by copying it once; nested, the copies double
// at each level. A filter that would grow beyond a bound is refused the way
// an expression too big for the functions is, before the compile takes the
// memory.
TEST(TextCompareTest, LineFiltersThatWouldGrowExponentiallyAreRefused) {
    std::string nested = "a", wide = std::string(300, 'w');
    for (int depth = 0; depth < 17; ++depth) nested = "\\(" + nested + "+\\)";
    for (int depth = 0; depth < 8; ++depth) wide = "\\(" + wide + "\\)+";
    for (const std::string& expression : {nested, wide, "x\\|" + nested + "y"}) {
        CLineFilter filter(expression);
        EXPECT_FALSE(filter.IsValid()) << expression;
        EXPECT_EQ(filter.Error(), "Regular expression too big") << expression;
        EXPECT_FALSE(filter.Matches("aaaa")) << expression;
    }
    // As many repetitions side by side stay small, and so do "+" in brackets.
    std::string sideBySide;
    for (int i = 0; i < 40; ++i) sideBySide += "a+";
    for (const std::string& expression : {sideBySide, "[" + std::string(30, '+') + "]"}) {
        CLineFilter filter(expression);
        EXPECT_TRUE(filter.IsValid()) << expression << ": " << filter.Error();
    }
}

// Repetitions in a row nest in the functions, which then take minutes to
// compile a short expression; they are one repetition: "++" is "+", "??"
// is "?", any mix is "*". Where a repetition is an ordinary character it
// stays one.
TEST(TextCompareTest, RepetitionsInARowAreOne) {
    CLineFilter slow("a\xFF\xFF+\xFF/\xE0++++++++?\x1F?????????????????+++++++\x02\xFF");
    ASSERT_TRUE(slow.IsValid()) << slow.Error();
    EXPECT_TRUE(slow.Matches("a\xFF\xFF\xFF\xFF/\xE0\xE0\x02\xFF"));
    EXPECT_TRUE(slow.Matches("a\xFF\xFF\xFF/\x02\xFF"));
    EXPECT_FALSE(slow.Matches("a\xFF\xFF/\x02\xFF"));

    CLineFilter pluses("x" + std::string(30, '+') + "y");
    EXPECT_TRUE(pluses.Matches("axxxy"));
    EXPECT_FALSE(pluses.Matches("ay"));
    CLineFilter questions("^x" + std::string(30, '?') + "y$");
    EXPECT_TRUE(questions.Matches("xy"));
    EXPECT_TRUE(questions.Matches("y"));
    EXPECT_FALSE(questions.Matches("xxy"));
    CLineFilter mixed("^x+?+y$");
    EXPECT_TRUE(mixed.Matches("y"));
    EXPECT_TRUE(mixed.Matches("xxy"));
    // After an anchor, at the start, after "\(" or "\|", and escaped, a
    // repetition character is itself.
    CLineFilter afterAnchor("^*+");
    EXPECT_TRUE(afterAnchor.Matches("**a"));
    EXPECT_FALSE(afterAnchor.Matches("a*"));
    CLineFilter atStart("+?b");
    EXPECT_TRUE(atStart.Matches("b"));
    CLineFilter inGroup("\\(*+\\)\\|\\(?+\\)");
    EXPECT_TRUE(inGroup.Matches("x?y"));
    EXPECT_FALSE(inGroup.Matches("xy"));
    CLineFilter escaped("a\\++");
    EXPECT_TRUE(escaped.Matches("a++"));
    EXPECT_FALSE(escaped.Matches("a"));
    CLineFilter bracket("[*+]+!");
    EXPECT_TRUE(bracket.Matches("+*!"));
    // Without classes in this syntax, "[:" is no class: the set ends at the
    // first "]" and the repetitions after it are repetitions.
    CLineFilter notAClass("[][:a:]b" + std::string(40, '+') + "?c");
    ASSERT_TRUE(notAClass.IsValid()) << notAClass.Error();
    EXPECT_TRUE(notAClass.Matches(":c"));
    EXPECT_TRUE(notAClass.Matches("]bbc"));
    EXPECT_FALSE(notAClass.Matches("c"));
}

TEST(TextCompareTest, BoundaryShifting) {
    // An inserted copy of a repeated line goes to its last possible place.
    EXPECT_EQ(Dump(Compare("a\na\na\nb\n", "a\na\na\na\nb\n")), "3-2 3-3 k2;");
    EXPECT_EQ(Dump(Compare("x\ny\nx\ny\nz\n", "x\ny\nx\ny\nx\ny\nz\n")), "4-3 4-5 k2;");
    EXPECT_EQ(Dump(Compare("a\nb\nc\n", "a\nb\nc\na\nb\nc\n")), "3-2 3-5 k2;");
    // As git places it, the last run goes on down into the lines both texts
    // end with (a three-way merge's conflicts depend on where); diff leaves
    // it where the search found it.
    CTextCompare git;
    git.slideIntoSuffix = true;
    EXPECT_EQ(Dump(Compare("X\nq\n}\n\nS\n", "q\n}\n\nE\n}\n\nS\n", git)), "0-0 0--1 k2;4-3 3-5 k2;");
    EXPECT_EQ(Dump(Compare("X\nq\n}\n\nE\n}\n\nS\n", "q\n}\n\nS\n", git)), "0-0 0--1 k2;4-6 3-2 k2;");
    EXPECT_EQ(Dump(Compare("X\nc\nb\nb\nb\nz\n", "c\nb\nb\nz\n", git)), "0-0 0--1 k2;4-4 3-2 k2;");
    EXPECT_EQ(Dump(Compare("X\nc\nb\nb\nb\nz\n", "c\nb\nb\nz\n")), "0-0 0--1 k2;2-2 1-0 k2;");
}

TEST(TextCompareTest, SinkFailuresAreCollected) {
    class Refusing : public CTextSectionSink {
    public:
        bool AddSection(const TEXTSECTION& section, std::string& error) override {
            if (section.leftFirst == 0) {
                error = "out of memory";
                return false;
            }
            taken.push_back(section);
            return true;
        }
        Sections taken;
    } sink;
    CTextCompare engine;
    const std::string a = "1\n2\n3\n", b = "x\n2\ny\n";
    engine.Run(a.data(), a.size(), b.data(), b.size(), sink);
    EXPECT_EQ(Dump(sink.taken), "2-2 2-2 k2;");
    ASSERT_EQ(engine.SinkErrors().size(), 1u);
    EXPECT_EQ(engine.SinkErrors()[0], "out of memory");
}

TEST(TextCompareTest, AnyBytesAreOrdinaryInput) {
    EXPECT_EQ(Dump(Compare(std::string("a\0b\nc\n", 6), std::string("a\0c\nc\n", 6))), "0-0 0-0 k2;");
    EXPECT_EQ(Dump(Compare(std::string(1000, '\n'), std::string(999, '\n'))), "999-999 999-998 k2;");
    EXPECT_EQ(Dump(Compare("a\rb\rc", "a\rb\rd")), "0-0 0-0 k2;");  // CR is no line ending here
    EXPECT_EQ(Dump(Compare("caf\xC3\xA9\n\xFF\xFE\n", "caf\xC3\xA9\n\xFF\xFF\n")), "1-1 1-1 k2;");

    const std::string huge(1 << 20, 'x');
    EXPECT_EQ(Dump(Compare("a\n" + huge + "\nb\n", "a\n" + huge + "y\nb\n")), "1-1 1-1 k2;");
    CTextCompare all = Mode(WHITESPACE_ALL);
    all.ignoreCase = true;
    EXPECT_EQ(Dump(Compare(huge + " \n", huge + "\n", all)), "");
}

TEST(TextCompareTest, LargeDissimilarInputsStayBounded) {
    // 20,000 lines against 20,000 other lines: the heuristics cut the
    // search short; every line is in a change and the result is ordered.
    std::string a, b;
    for (int i = 0; i < 20000; ++i) {
        a += "left " + std::to_string(i * 7 % 1000) + "\n";
        b += "right " + std::to_string(i * 11 % 1000) + "\n";
    }
    const Sections sections = Compare(a, b);
    ASSERT_FALSE(sections.empty());
    int left = 0, right = 0;
    for (const TEXTSECTION& s : sections) {
        EXPECT_EQ(s.leftFirst, left);
        EXPECT_EQ(s.rightFirst, right);
        left = s.leftLast + 1;
        right = s.rightLast + 1;
    }
    EXPECT_EQ(left, 20000);
    EXPECT_EQ(right, 20000);
}

}  // namespace
}  // namespace corvatine
