// Find, replace and go to line over an edit context.
#include "editor/FindReplace.h"

#include <gtest/gtest.h>

#include <random>

#include "editor/SyntaxEditor.h"
#include "fileio/TextFormat.h"

namespace corvatine {
namespace {

class FindReplaceTest : public ::testing::Test {
protected:
    void Load(const std::string& text, int style = EOL_LF) {
        context.ResetToNew(style);
        int endLine = 0, endChar = 0;
        ASSERT_TRUE(context.InsertTextAt(nullptr, 0, 0, text, endLine, endChar, 0, false));
        context.SetModified(false);
    }
    // The buffer with each line's own ending.
    std::string Text() const {
        std::string text;
        const CPoint end = CFindReplace::TextEnd(context);
        context.ExtractText(0, 0, end.y, end.x, text, CSyntaxEditContext::kOwnEndings);
        return text;
    }
    CPoint End() const { return CFindReplace::TextEnd(context); }
    // The match start of a search over the whole text, or (-1, -1).
    CPoint Find(const std::string& text, CPoint start, uint32_t flags, bool wrap = false) {
        CPoint position{-1, -1};
        if (!finder.SearchText(text, start, {0, 0}, End(), flags, wrap, position)) return {-1, -1};
        return position;
    }
    int ReplaceAll(const std::string& text, const std::string& replacement, uint32_t flags,
                   CPoint current = {0, 0}, bool wrap = false) {
        CPoint blockEnd = End();
        return finder.ReplaceAll(nullptr, text, replacement, flags, current, {0, 0}, blockEnd, wrap);
    }

    CSyntaxEditContext context;
    CRecentTexts findHistory;
    CFindReplace finder{context, &findHistory};
};

constexpr CPoint kNone{-1, -1};

TEST_F(FindReplaceTest, UpwardsTheLaterOfTwoOccurrencesBeforeTheCaretComesFirst) {
    Load("foo bar foo baz foo");
    EXPECT_EQ(Find("foo", {15, 0}, FIND_DIRECTION_UP), (CPoint{8, 0}));
    EXPECT_EQ(Find("foo", {8, 0}, FIND_DIRECTION_UP), (CPoint{0, 0}));
    EXPECT_EQ(Find("foo", {0, 0}, FIND_DIRECTION_UP), kNone);
    // Round from the top to the last match of the text.
    EXPECT_EQ(Find("foo", {0, 0}, FIND_DIRECTION_UP, true), (CPoint{16, 0}));
    // A match that reaches past the caret does not lie before it.
    EXPECT_EQ(Find("foo", {10, 0}, FIND_DIRECTION_UP), (CPoint{0, 0}));
    // Upwards starts at the end of the text too.
    EXPECT_EQ(Find("foo", End(), FIND_DIRECTION_UP), (CPoint{16, 0}));
}

TEST_F(FindReplaceTest, UpwardsSearchesEarlierLinesWhole) {
    Load("ab\ncd\nab\ncd\n");
    EXPECT_EQ(Find("b\\nc", End(), FIND_DIRECTION_UP | FIND_REGEXP), (CPoint{1, 2}));
    EXPECT_EQ(Find("b\\nc", {1, 2}, FIND_DIRECTION_UP | FIND_REGEXP), (CPoint{1, 0}));
    EXPECT_EQ(Find("b\\nc", {1, 0}, FIND_DIRECTION_UP | FIND_REGEXP), kNone);
    // "$" is the end of the line, not the caret.
    Load("foo bar foo");
    EXPECT_EQ(Find("foo$", {4, 0}, FIND_DIRECTION_UP | FIND_REGEXP), kNone);
    EXPECT_EQ(Find("foo$", End(), FIND_DIRECTION_UP | FIND_REGEXP), (CPoint{8, 0}));
}

TEST_F(FindReplaceTest, WholeWordsSkipLongerWords) {
    Load("this island is\nthisis is\nisx is y");
    EXPECT_EQ(Find("is", {0, 0}, FIND_WHOLE_WORD | FIND_MATCH_CASE), (CPoint{12, 0}));
    EXPECT_EQ(Find("is", {13, 0}, FIND_WHOLE_WORD | FIND_MATCH_CASE),
              (CPoint{7, 1}));                                                         // at the end of a line
    EXPECT_EQ(Find("is", {8, 1}, FIND_WHOLE_WORD | FIND_MATCH_CASE), (CPoint{4, 2}));  // before a blank
    EXPECT_EQ(Find("IS", {0, 0}, FIND_WHOLE_WORD), (CPoint{12, 0}));
    EXPECT_EQ(Find("is", {0, 0}, FIND_MATCH_CASE), (CPoint{2, 0}));
    // An "_" or a character beyond ASCII is part of a word; the characters
    // before the start column count.
    Load("_is \xC3\xA9is is");
    EXPECT_EQ(Find("is", {0, 0}, FIND_WHOLE_WORD), (CPoint{9, 0}));
    Load("this is");
    EXPECT_EQ(Find("is", {2, 0}, FIND_WHOLE_WORD), (CPoint{5, 0}));
}

TEST_F(FindReplaceTest, LiteralsWithoutCaseCompareCapitals) {
    Load(
        "L'\xC3\x89"
        "COLE et l'\xC3\xA9"
        "cole");
    EXPECT_EQ(Find("\xC3\xA9"
                   "cole",
                   {0, 0}, 0),
              (CPoint{2, 0}));
    EXPECT_EQ(Find("\xC3\xA9"
                   "cole",
                   {0, 0}, FIND_MATCH_CASE),
              (CPoint{14, 0}));
    EXPECT_EQ(finder.GetLastSearch().matchedText,
              "\xC3\xA9"
              "cole");
    EXPECT_EQ(Find("\xC3\x89"
                   "COLE",
                   {4, 0}, 0),
              (CPoint{14, 0}));
    EXPECT_EQ(finder.GetLastSearch().matchedText,
              "\xC3\xA9"
              "cole");  // the text as it is
}

TEST_F(FindReplaceTest, BackslashNJoinsFollowingLines) {
    Load("abc\ndef\r\nghi");
    EXPECT_EQ(Find("c\\nd", {0, 0}, FIND_REGEXP), (CPoint{2, 0}));
    const LASTSEARCH& last = finder.GetLastSearch();
    EXPECT_EQ(last.matchLength, 3);
    EXPECT_EQ(last.matchEnd, (CPoint{1, 1}));
    EXPECT_EQ(last.matchedText, "c\nd");
    EXPECT_EQ(Find("c\\n.*\\nG", {0, 0}, FIND_REGEXP), (CPoint{2, 0}));
    EXPECT_EQ(finder.GetLastSearch().matchEnd, (CPoint{1, 2}));
    EXPECT_EQ(Find("c\\n.*\\nG", {0, 0}, FIND_REGEXP | FIND_MATCH_CASE), kNone);
    // Without "\n" a line is searched alone: "$" ends it.
    EXPECT_EQ(Find("c$", {0, 0}, FIND_REGEXP), (CPoint{2, 0}));
    // A match in a joined line is reported on its own line.
    EXPECT_EQ(Find("d\\n?", {0, 0}, FIND_REGEXP), (CPoint{0, 1}));
    // An escaped backslash before "n" joins nothing.
    EXPECT_EQ(CountLineFeedEscapes("a\\\\nb\\n[\\n]"), 2);
}

TEST_F(FindReplaceTest, LazyAndGreedyRepetitionInALine) {
    COMPILEDSEARCH compiled;
    MATCHREGISTERS registers;
    int length = 0;
    EXPECT_EQ(FindInLine("aaa", 0, "a#", FIND_REGEXP, length, compiled, registers), 0);
    EXPECT_EQ(length, 1);
    EXPECT_EQ(FindInLine("aaa", 0, "a+", FIND_REGEXP, length, compiled, registers), 0);
    EXPECT_EQ(length, 3);
    EXPECT_EQ(compiled.pattern, "a+");
    EXPECT_EQ(FindInLine("baaa", 0, "a(", FIND_REGEXP, length, compiled, registers), -1);
    EXPECT_EQ(compiled.expression, nullptr);
    EXPECT_EQ(FindInLine("abcabc", 1, "abc", 0, length, compiled, registers), 3);
    EXPECT_EQ(FindInLine("abcabc", 4, "abc", 0, length, compiled, registers), -1);
    EXPECT_EQ(FindInLine("abc", 0, "", 0, length, compiled, registers), -1);
}

TEST_F(FindReplaceTest, CaseSwitchMakesTheRestCaseSensitive) {
    Load("abc ABC Abc");
    EXPECT_EQ(Find("abc", {1, 0}, FIND_REGEXP), (CPoint{4, 0}));
    EXPECT_EQ(Find("\\CAbc", {0, 0}, FIND_REGEXP), (CPoint{8, 0}));
    EXPECT_EQ(Find("a\\Cbc", {1, 0}, FIND_REGEXP), (CPoint{8, 0}));
    EXPECT_EQ(Find("\\cABC", {0, 0}, FIND_REGEXP | FIND_MATCH_CASE), (CPoint{0, 0}));
}

TEST_F(FindReplaceTest, BlocksAndWrap) {
    Load("foo foo foo\nfoo");
    CPoint position;
    // A match at the block end does not count; round to the block start.
    ASSERT_FALSE(finder.SearchText("foo", {1, 0}, {0, 0}, {4, 0}, 0, false, position));
    ASSERT_TRUE(finder.SearchText("foo", {1, 0}, {0, 0}, {4, 0}, 0, true, position));
    EXPECT_EQ(position, (CPoint{0, 0}));
    // A start before the block moves to it.
    ASSERT_TRUE(finder.SearchText("foo", {0, 0}, {2, 0}, {0, 1}, 0, false, position));
    EXPECT_EQ(position, (CPoint{4, 0}));
    // Nothing is found from the block end, not even round.
    EXPECT_FALSE(finder.SearchText("foo", {0, 1}, {2, 0}, {0, 1}, 0, true, position));
    EXPECT_EQ(finder.GetStatus(), SEARCH_NOT_FOUND);
    // Wrap goes round once.
    EXPECT_EQ(Find("foo", {1, 1}, 0), kNone);
    EXPECT_EQ(Find("foo", {1, 1}, 0, true), (CPoint{0, 0}));
    EXPECT_EQ(Find("bar", {1, 1}, 0, true), kNone);
    // Upwards within a block.
    ASSERT_TRUE(finder.SearchText("foo", {3, 1}, {2, 0}, {3, 1}, FIND_DIRECTION_UP, false, position));
    EXPECT_EQ(position, (CPoint{0, 1}));
    ASSERT_TRUE(finder.SearchText("foo", {0, 1}, {2, 0}, {3, 1}, FIND_DIRECTION_UP, false, position));
    EXPECT_EQ(position, (CPoint{8, 0}));
    ASSERT_FALSE(finder.SearchText("foo", {4, 0}, {2, 0}, {3, 1}, FIND_DIRECTION_UP, false, position));
    ASSERT_TRUE(finder.SearchText("foo", {4, 0}, {2, 0}, {3, 1}, FIND_DIRECTION_UP, true, position));
    EXPECT_EQ(position, (CPoint{0, 1}));
}

TEST_F(FindReplaceTest, MalformedAndTooComplexExpressions) {
    Load(std::string(30, 'a') + "\nab");
    EXPECT_EQ(Find("(a", {0, 0}, FIND_REGEXP), kNone);
    EXPECT_EQ(finder.GetStatus(), SEARCH_NOT_FOUND);
    EXPECT_EQ(Find("(a+)+b", {0, 0}, FIND_REGEXP), kNone);
    EXPECT_EQ(finder.GetStatus(), SEARCH_TOO_COMPLEX);
    EXPECT_EQ(Find("(a+)+b", {0, 1}, FIND_REGEXP), (CPoint{0, 1}));
    EXPECT_EQ(finder.GetStatus(), SEARCH_FOUND);
    EXPECT_EQ(Find("(a+)+b", End(), FIND_REGEXP | FIND_DIRECTION_UP), (CPoint{0, 1}));
    EXPECT_EQ(Find("(a+)+b", {0, 1}, FIND_REGEXP | FIND_DIRECTION_UP), kNone);
    EXPECT_EQ(finder.GetStatus(), SEARCH_TOO_COMPLEX);
    EXPECT_EQ(ReplaceAll("(a+)+b", "x", FIND_REGEXP), 0);
    EXPECT_EQ(finder.GetStatus(), SEARCH_TOO_COMPLEX);
    EXPECT_EQ(Text(), std::string(30, 'a') + "\nab");
}

TEST_F(FindReplaceTest, ReplaceIsOneUndoGroupOfTwoRecords) {
    Load("one two three");
    CPoint end;
    EXPECT_FALSE(finder.Replace(nullptr, "2", end));  // nothing found yet
    ASSERT_EQ(Find("TWO", {0, 0}, 0), (CPoint{4, 0}));
    ASSERT_TRUE(finder.Replace(nullptr, "2!", end));
    EXPECT_EQ(end, (CPoint{6, 0}));
    EXPECT_EQ(Text(), "one 2! three");
    const std::vector<SUndoRecord>& records = context.GetUndoRecords();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].flags, static_cast<uint32_t>(SUndoRecord::UNDO_BEGINGROUP));
    EXPECT_EQ(records[0].action, kReplaceAction);
    EXPECT_EQ(records[0].text, "two");
    EXPECT_EQ(records[1].flags, static_cast<uint32_t>(SUndoRecord::UNDO_INSERT));
    EXPECT_EQ(records[1].action, kReplaceAction);
    EXPECT_EQ(context.GetUndoAction(), kReplaceAction);
    EXPECT_FALSE(finder.Replace(nullptr, "2", end));  // the match is gone
    CPoint position;
    ASSERT_TRUE(context.Undo(nullptr, position));
    EXPECT_EQ(Text(), "one two three");
    EXPECT_FALSE(context.CanUndo());
    EXPECT_FALSE(context.IsModified());

    // A match that changed since it was found is not replaced.
    ASSERT_EQ(Find("two", {0, 0}, 0), (CPoint{4, 0}));
    int endLine = 0, endChar = 0;
    ASSERT_TRUE(context.InsertTextAt(nullptr, 0, 5, "X", endLine, endChar, 4));
    EXPECT_FALSE(finder.Replace(nullptr, "2", end));
    EXPECT_EQ(Text(), "one tXwo three");

    // Nor in a read-only buffer.
    ASSERT_EQ(Find("one", {0, 0}, 0), (CPoint{0, 0}));
    context.SetReadOnly(true);
    EXPECT_FALSE(finder.Replace(nullptr, "1", end));
    EXPECT_EQ(Text(), "one tXwo three");
}

TEST_F(FindReplaceTest, ReplaceAllIsOneUndoGroup) {
    Load("one two one\ntwo one\r\n");
    EXPECT_EQ(ReplaceAll("one", "1", FIND_MATCH_CASE), 3);
    EXPECT_EQ(Text(), "1 two 1\ntwo 1\r\n");
    // A deletion and an insertion a line: the line is moved once, not once a
    // match; and the whole replacement one undo step.
    EXPECT_EQ(context.GetUndoRecords().size(), 4u);
    EXPECT_TRUE(context.IsModified());
    CPoint position;
    ASSERT_TRUE(context.Undo(nullptr, position));
    EXPECT_EQ(Text(), "one two one\ntwo one\r\n");
    EXPECT_FALSE(context.CanUndo());
    EXPECT_FALSE(context.IsModified());
    ASSERT_TRUE(context.Redo(nullptr, position));
    EXPECT_EQ(Text(), "1 two 1\ntwo 1\r\n");
    // The next edit is a group of its own.
    int endLine = 0, endChar = 0;
    ASSERT_TRUE(context.InsertTextAt(nullptr, 0, 0, ">", endLine, endChar, 4));
    ASSERT_TRUE(context.Undo(nullptr, position));
    EXPECT_EQ(Text(), "1 two 1\ntwo 1\r\n");
}

// Many lines with matches: each line's replacements land where they should,
// and the end of a selection moves with those on its last line.
TEST_F(FindReplaceTest, ReplaceAllOverManyLines) {
    std::string text, expected;
    for (int i = 0; i < 20000; ++i) {
        text += "x foo y foo\n";
        expected += i < 19999 ? "x bar-bar y bar-bar\n" : "x bar-bar y foo\n";
    }
    Load(text);
    CPoint blockEnd{8, 19999};  // inside the last line's second "foo"
    EXPECT_EQ(finder.ReplaceAll(nullptr, "foo", "bar-bar", FIND_MATCH_CASE, {0, 0}, {0, 0}, blockEnd, false),
              39999);
    EXPECT_EQ(Text(), expected);
    EXPECT_EQ(blockEnd, (CPoint{12, 19999}));
}

// Searching upwards through a text that does not change lists each line's
// matches once: every search finds what a search of the changing text
// finds, overlapping matches and expressions included.
TEST_F(FindReplaceTest, SearchingUpwardsThroughUnchangingTextFindsTheSame) {
    std::mt19937 random(1236);
    size_t total = 0;
    static const char* const kPatterns[] = {"aa", "a", "ab", "a+", "a#b?", "(a)\\1?", "b|aa", "a\\nb"};
    for (int round = 0; round < 200; ++round) {
        std::string text;
        for (int i = static_cast<int>(random() % 40); i > 0; --i) text += "ab \n"[random() % 4];
        Load(text);
        const std::string pattern = kPatterns[random() % 8];
        const uint32_t flags = FIND_DIRECTION_UP | FIND_MATCH_CASE | (random() % 2 ? FIND_REGEXP : 0u);
        std::vector<CPoint> changing, unchanging;
        for (const bool fixed : {false, true}) {
            CFindReplace search(context, &findHistory);
            search.SetTextUnchanging(fixed);
            std::vector<CPoint>& found = fixed ? unchanging : changing;
            CPoint at = End(), position;
            while (found.size() < 100 &&
                   search.SearchText(pattern, at, {0, 0}, End(), flags, false, position)) {
                found.push_back(position);
                at = position;
            }
        }
        EXPECT_EQ(unchanging, changing) << pattern << " in '" << text << "'";
        total += changing.size();
    }
    EXPECT_GT(total, 300u);
}

// The matches are found in the text as it was, whatever replaced the ones
// before; on a long line every option set takes time in the line's length
// (the benchmark measures it), and gives what sed gives.
TEST_F(FindReplaceTest, ReplaceAllOnALongLineOfMatches) {
    std::string line;
    for (int i = 0; i < 20000; ++i) line += i % 3 == 0 ? "Foo " : "foo ";
    const struct {
        const char* text;
        const char* replacement;
        uint32_t flags;
    } kCases[] = {
        {"foo", "bar", 0},
        {"foo", "bar", FIND_MATCH_CASE},
        {"foo", "bar", FIND_WHOLE_WORD},
        {"fo+", "bar", FIND_REGEXP},
        {"(f)oo", "\\1x", FIND_REGEXP | FIND_MATCH_CASE},
        {"o", "", 0},
    };
    for (const auto& c : kCases) {
        Load(line + "\nfoo\n");
        const int replaced = ReplaceAll(c.text, c.replacement, c.flags);
        std::string expected;
        int count = 0;
        for (int i = 0; i < 20000; ++i) {
            const bool capital = i % 3 == 0;
            const bool hit = !(c.flags & FIND_MATCH_CASE) || !capital;
            std::string word = capital ? "Foo" : "foo";
            if (std::string(c.text) == "o") {
                word = word.substr(0, 1);
                count += 2;
            } else if (hit) {
                word = std::string(c.replacement) == "\\1x" ? "fx" : "bar";
                ++count;
            }
            expected += word + " ";
        }
        const std::string last = std::string(c.text) == "o"             ? "f"
                                 : std::string(c.replacement) == "\\1x" ? "fx"
                                                                        : "bar";
        count += std::string(c.text) == "o" ? 2 : 1;
        EXPECT_EQ(Text(), expected + "\n" + last + "\n") << c.text;
        EXPECT_EQ(replaced, count) << c.text;
        // A deletion and an insertion a line; "oo" of the last line goes with a deletion alone.
        EXPECT_EQ(context.GetUndoRecords().size(), std::string(c.text) == "o" ? 3u : 4u) << c.text;
    }
}

TEST_F(FindReplaceTest, ReplaceAllAcrossLinesAndUndo) {
    Load("abc\r\ndef\r\nabc\r\ndef");
    EXPECT_EQ(ReplaceAll("c\\nd", "-", FIND_REGEXP), 2);
    EXPECT_EQ(Text(), "ab-ef\r\nab-ef");
    CPoint position;
    ASSERT_TRUE(context.Undo(nullptr, position));
    EXPECT_EQ(Text(), "abc\r\ndef\r\nabc\r\ndef");
    // A replacement that breaks lines.
    EXPECT_EQ(ReplaceAll("b", "\\n", FIND_REGEXP), 2);
    EXPECT_EQ(Text(), "a\nc\r\ndef\r\na\nc\r\ndef");
}

TEST_F(FindReplaceTest, ReplaceAllExpandsRegisters) {
    Load("joe@example and ann@host");
    // "@" repeats lazily: the at sign itself is escaped.
    EXPECT_EQ(ReplaceAll("(\\w+)\\@(\\w+)", "\\2 at \\u\\1", FIND_REGEXP), 2);
    EXPECT_EQ(Text(), "example at Joe and host at Ann");
    // Literal searches insert the replacement as it is.
    EXPECT_EQ(ReplaceAll("at", "\\1", 0), 2);
    EXPECT_EQ(Text(), "example \\1 Joe and host \\1 Ann");
}

TEST_F(FindReplaceTest, ReplaceAllWithTheSearchedTextInTheReplacementEnds) {
    Load("a a a");
    EXPECT_EQ(ReplaceAll("a", "aa", 0), 3);
    EXPECT_EQ(Text(), "aa aa aa");
    // From the middle, round the end, and not into what it produced.
    Load("a a a");
    EXPECT_EQ(ReplaceAll("a", "aa", 0, {2, 0}, true), 3);
    EXPECT_EQ(Text(), "aa aa aa");
    Load("a a");
    EXPECT_EQ(ReplaceAll("a", "ba", 0, {2, 0}, true), 2);
    EXPECT_EQ(Text(), "ba ba");
    Load("xa\na");
    EXPECT_EQ(ReplaceAll("a", "a\na", 0, {0, 1}, true), 2);
    EXPECT_EQ(Text(), "xa\na\na\na");
}

TEST_F(FindReplaceTest, ReplaceAllFromTheMiddleWithAndWithoutWrap) {
    Load("a b a b a");
    EXPECT_EQ(ReplaceAll("a", "x", 0, {4, 0}, false), 2);
    EXPECT_EQ(Text(), "a b x b x");
    Load("a b a b a");
    EXPECT_EQ(ReplaceAll("a", "x", 0, {3, 0}, true), 3);
    EXPECT_EQ(Text(), "x b x b x");
    // The current match is replaced first.
    Load("a b a b a");
    ASSERT_EQ(Find("a", {1, 0}, 0), (CPoint{4, 0}));
    CPoint blockEnd = End();
    EXPECT_EQ(finder.ReplaceAll(nullptr, "a", "x", 0, {4, 0}, {0, 0}, blockEnd, false), 2);
    EXPECT_EQ(Text(), "a b x b x");
}

TEST_F(FindReplaceTest, ReplaceAllInASelectionMovesItsEnd) {
    Load("aa aa\naa aa\n");
    CPoint blockEnd{2, 1};
    EXPECT_EQ(finder.ReplaceAll(nullptr, "a", "bbb", 0, {0, 0}, {0, 0}, blockEnd, false), 6);
    EXPECT_EQ(blockEnd, (CPoint{6, 1}));
    EXPECT_EQ(Text(), "bbbbbb bbbbbb\nbbbbbb aa\n");
    // Shorter replacements pull it back; the selection may start mid-line.
    Load("xaa aa\naa aa\n");
    blockEnd = {5, 1};
    EXPECT_EQ(finder.ReplaceAll(nullptr, "aa", "", 0, {2, 0}, {2, 0}, blockEnd, false), 3);
    EXPECT_EQ(blockEnd, (CPoint{1, 1}));
    EXPECT_EQ(Text(), "xaa \n \n");
}

TEST_F(FindReplaceTest, ReplaceAllPassesEmptyMatches) {
    Load("ab\ncd");
    // Each place once; the end of the text is the block end, where no match counts.
    EXPECT_EQ(ReplaceAll("x*", "-", FIND_REGEXP), 5);
    EXPECT_EQ(Text(), "-a-b-\n-c-d");
}

TEST_F(FindReplaceTest, AFailingExpansionLeavesTheTextAlone) {
    Load("b a");
    EXPECT_EQ(ReplaceAll("(a)|b", "<\\1>", FIND_REGEXP), 0);
    EXPECT_EQ(Text(), "b a");
    EXPECT_TRUE(finder.GetLastSearch().found);
    EXPECT_EQ(finder.GetLastSearch().matchStart, (CPoint{0, 0}));
    EXPECT_FALSE(context.CanUndo());
    EXPECT_EQ(ReplaceAll("a", "x\\", FIND_REGEXP), 0);
    EXPECT_EQ(Text(), "b a");
}

TEST_F(FindReplaceTest, Histories) {
    CRecentTexts history(3);
    for (const char* text : {"one", "two", "", "one", "three", "four"}) history.Add(text);
    EXPECT_EQ(history.Items(), (std::vector<std::string>{"four", "three", "one"}));

    Load("a b");
    ReplaceAll("a", "x", 0);
    ReplaceAll("b", "y", 0);
    EXPECT_EQ(findHistory.Items(), (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(finder.ReplaceHistory().Items(), (std::vector<std::string>{"y", "x"}));

    // Views without a history of their own share the editor's find history.
    GetSyntaxEditor().findHistory.Clear();
    CFindReplace first(context), second(context);
    CPoint blockEnd = End();
    first.ReplaceAll(nullptr, "x", "z", 0, {0, 0}, {0, 0}, blockEnd, false);
    EXPECT_EQ(second.FindHistory().Items(), (std::vector<std::string>{"x"}));
    EXPECT_TRUE(second.ReplaceHistory().Items().empty());
    GetSyntaxEditor().findHistory.Clear();
}

TEST_F(FindReplaceTest, NotFoundMessagesAndGoToLine) {
    EXPECT_EQ(FormatNotFound(kFindNotFoundFormat, "abc"), "Cannot find string\"abc\"");
    EXPECT_EQ(FormatNotFound(kReplaceNotFoundFormat, "abc"), "Cannot find string \"abc\"");

    EXPECT_EQ(GoToLineRangeText(10, 4, false), "(1 - 10)");
    EXPECT_EQ(GoToLineRangeText(10, 4, true), "(-4 - 5)");
    EXPECT_EQ(GoToLineRangeText(1, 0, true), "(0 - 0)");
    const struct {
        int value;
        bool relative;
        int expected;
    } kCases[] = {{1, false, 0}, {10, false, 9}, {0, false, -1}, {11, false, -1}, {0, true, 4},
                  {-4, true, 0}, {5, true, 9},   {-5, true, -1}, {6, true, -1}};
    for (const auto& c : kCases) EXPECT_EQ(GoToLineTarget(c.value, c.relative, 4, 10), c.expected) << c.value;
}

}  // namespace
}  // namespace corvatine
