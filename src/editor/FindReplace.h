// Find, replace and go to line over the lines of an edit context, as the text
// views offer them: literal or regular-expression searches, with or without
// case, whole words, forwards or backwards, with wrap-around, and
// expressions that match across line breaks.
#pragma once

#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "editor/RecentTexts.h"
#include "editor/RegularExpression.h"
#include "editor/SyntaxEditContext.h"

namespace corvatine {

// Search flags.
enum FindFlag : uint32_t {
    FIND_MATCH_CASE = 0x01,
    FIND_WHOLE_WORD = 0x02,
    FIND_REGEXP = 0x04,
    FIND_DIRECTION_UP = 0x10,
};

// The undo action of Replace and Replace All.
inline constexpr int kReplaceAction = 8;

// What the dialogs say when nothing is found (formats for the text searched).
inline constexpr const char* kFindNotFoundFormat = "Cannot find string\"%s\"";
inline constexpr const char* kReplaceNotFoundFormat = "Cannot find string \"%s\"";
std::string FormatNotFound(const char* format, const std::string& text);

// A compiled expression with the pattern it came from, so that the lines of
// one search compile it once.
struct COMPILEDSEARCH {
    std::string pattern;
    bool compiled = false;                           // pattern was compiled
    std::unique_ptr<CRegularExpression> expression;  // null when it is malformed
};

// FindInLine's answer when an expression took more steps than it may.
inline constexpr int kFindTooComplex = -2;

// The offset of the first match in text at or after start, or -1. Without
// FIND_REGEXP the pattern is found literally (the caller has upper-cased
// text and pattern when FIND_MATCH_CASE is off); with FIND_WHOLE_WORD an
// occurrence with a word character (CMultiByteCase::IsWordCharacter) right
// before or after it does not count. With FIND_REGEXP the pattern is
// compiled (again only when it is not the one compiled), a malformed one
// finds nothing, and the registers hold the match; only matches that start
// at lastStart at the latest count, and hitEnd (when given) tells whether
// more text could have changed the answer (see ExecuteExpression). length is
// the match's length. steps is the budget the executions share.
int FindInLine(std::string_view text, int start, std::string_view pattern, uint32_t flags, int& length,
               COMPILEDSEARCH& compiled, MATCHREGISTERS& registers, int64_t* steps = nullptr,
               int lastStart = INT_MAX, bool* hitEnd = nullptr);

// The number of line feeds ("\n") a pattern's escapes stand for: the lines
// joined to each searched line. An expression that repeats a line feed
// (CRegularExpression::RepeatsLineFeeds) is given more lines while a match
// may run on into them.
int CountLineFeedEscapes(std::string_view pattern);

// What is wrong with a malformed expression, for the user; empty when it
// compiles.
std::string ExpressionError(std::string_view pattern);

enum SearchStatus { SEARCH_FOUND, SEARCH_NOT_FOUND, SEARCH_TOO_COMPLEX };

// The last search, kept for repeating it and for replacing what it found.
struct LASTSEARCH {
    std::string text;
    uint32_t flags = 0;
    int matchLength = 0;  // line breaks inside the match count one character
    COMPILEDSEARCH compiled;
    MATCHREGISTERS registers;  // offsets into the text searched
    bool found = false;
    CPoint matchStart;
    CPoint matchEnd;
    std::string matchedText;  // lines joined by "\n"
};

// The search state of one view over an edit context.
class CFindReplace {
public:
    // The find history is shared by the views (the editor component's when
    // none is given); the replace history is the view's.
    explicit CFindReplace(CSyntaxEditContext& context, CRecentTexts* findHistory = nullptr);

    // Searches for text from start within the block [blockStart, blockEnd)
    // (positions as (character, line)); with wrap a search that reaches the
    // end of the block goes round once. The match start is put in position.
    // False when nothing is found or the expression was too complex to
    // search (GetStatus tells which).
    //
    // The searched text of a line is its characters, with as many following
    // lines joined by "\n" as the expression has "\n" escapes (and, for an
    // expression that repeats a line feed, as many more as a match starting
    // in the line runs into); the search starts at the start column, and
    // "^", "<" and whole words see the characters before it. Forwards, a
    // match at or after the block end does not count. Backwards, the last
    // match that lies before the start column is taken, then earlier lines
    // are searched whole.
    bool SearchText(const std::string& text, CPoint start, CPoint blockStart, CPoint blockEnd, uint32_t flags,
                    bool wrap, CPoint& position);
    SearchStatus GetStatus() const { return m_status; }
    const LASTSEARCH& GetLastSearch() const { return m_last; }

    // Replaces the last match, while the buffer still holds it there, with
    // the replacement (expanded for a regular expression): one undo group of
    // a deletion and an insertion, both kReplaceAction. end is where the
    // inserted text ends. False, with nothing changed, when there is no
    // match, the expansion fails or the buffer refuses the edit.
    bool Replace(CSyntaxTextView* view, const std::string& replacement, CPoint& end);

    // Replaces every match from the current one (the last match when it is
    // at current, else the first found from current) to the block end and,
    // with wrap, from the block start up to where it began; text it inserted
    // is never searched again. The matches are all found in the text as it
    // was (as sed and Perl replace), then replaced: those of one line that
    // lie within it together, as one undo group of a deletion and an
    // insertion, one that spans lines alone; so the time taken grows with
    // the length of a line, not with its length times its matches. blockEnd
    // moves with the replacements before it. Returns how many were made;
    // GetStatus says whether an expression was too complex, and a match
    // whose replacement failed (see Replace) is replaced with none after it
    // and stays the last search's match. Both texts go into their histories.
    int ReplaceAll(CSyntaxTextView* view, const std::string& text, const std::string& replacement,
                   uint32_t flags, CPoint current, CPoint blockStart, CPoint& blockEnd, bool wrap);

    // While set, the caller promises that the text does not change, and a
    // line searched again is not copied (nor upper-cased) again: searching a
    // line for all its matches then takes time in its length only.
    void SetTextUnchanging(bool unchanging) {
        m_unchanging = unchanging;
        m_joinedLine = -1;
        m_listedLine = -1;
    }

    CRecentTexts& FindHistory() { return *m_findHistory; }
    CRecentTexts& ReplaceHistory() { return m_replaceHistory; }

    // The end of the buffer: the block end of a whole-text search.
    static CPoint TextEnd(const CSyntaxEditContext& context);

private:
    // Searches one line (joined with extra lines) from column from; the
    // offset of the match in the joined text, -1 or kFindTooComplex. Without
    // steps the search has its own budget. With growing (an expression that
    // repeats a line feed) only matches that start in the line count, and
    // more lines are joined while one may run on into them.
    int SearchLine(int line, int from, const std::string& pattern, int extra, bool growing, int& length,
                   int64_t* steps);
    void JoinLines(int line, int extra);
    int JoinedLength(int line, int extra) const;
    // Whether the expression of the last search repeats a line feed.
    bool RepeatsLineFeeds(const std::string& pattern);
    // Lists the matches of a line from column at, as the backward search
    // finds them (each search one character after the last match's start),
    // unless listed already; false when the expression was too complex.
    bool ListLineMatches(int line, int at, const std::string& pattern, int extra, bool growing);
    CPoint PositionOf(int line, int offset) const;
    void Found(int line, int offset, int length);
    // Whether the last match is still where it was found, holding the text
    // it matched.
    bool LastMatchStillThere() const;
    // Moves next one character on, past an empty match (to the next line at
    // a line's end); false at the end of the text.
    bool StepPastEmptyMatch(CPoint& next) const;
    // Replace All's search for the match after next: wraps once to the block
    // start with wrap (when the run began after it, wrapped then set); false
    // when there is none, the expression was too complex, or the search came
    // round to where the run began (at origin).
    bool FindNextMatch(const std::string& text, CPoint next, CPoint blockStart, CPoint blockEnd,
                       uint32_t flags, bool wrap, CPoint origin, bool& wrapped);

    CSyntaxEditContext& m_context;
    CRecentTexts* m_findHistory;
    CRecentTexts m_replaceHistory;
    LASTSEARCH m_last;
    SearchStatus m_status = SEARCH_NOT_FOUND;
    std::string m_joined;  // the line last searched, joined with the lines after it
    std::string m_upper;   // the same upper-cased, for literal searches without case
    bool m_unchanging = false;
    int m_joinedLine = -1;  // while unchanging: the line m_joined holds, with m_joinedExtra lines
    int m_joinedExtra = 0;
    bool m_upperMade = false;
    // While unchanging: the matches (offset, length) of one line.
    std::vector<std::pair<int, int>> m_lineMatches;
    int m_listedLine = -1;
    int m_listedFrom = 0;
    std::string m_listedText;
    uint32_t m_listedFlags = 0;
};

// Go To Line: the range shown next to the line box, "(1 - count)", or with
// "&Relative" the lines before and after the current one,
// "(-before - after)".
std::string GoToLineRangeText(int lineCount, int currentLine, bool relative);
// The line (0-based) that a value in the box names, or -1 when it is out of
// the range shown.
int GoToLineTarget(int value, bool relative, int currentLine, int lineCount);

}  // namespace corvatine
