#include "editor/FindReplace.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "editor/MultiByteCase.h"
#include "editor/SyntaxEditor.h"
#include "fileio/CodePages.h"
#include "fileio/TextFormat.h"

namespace corvatine {

namespace {

bool Before(CPoint a, CPoint b) { return a.y < b.y || (a.y == b.y && a.x < b.x); }

// The first occurrence of pattern in text at or after start that begins a
// character, or npos.
size_t FindCharacters(std::string_view text, size_t start, std::string_view pattern,
                      const CMultiByteCase& chars) {
    if (!chars.IsDoubleByte()) return text.find(pattern, start);
    // A trail byte may equal a pattern's first byte: walk the characters.
    const int length = static_cast<int>(text.size());
    for (int i = static_cast<int>(start); i + static_cast<int>(pattern.size()) <= length;) {
        if (text.compare(static_cast<size_t>(i), pattern.size(), pattern) == 0) return static_cast<size_t>(i);
        char32_t code = 0;
        i += chars.Decode(text.data(), length, i, code);
    }
    return std::string_view::npos;
}

int CharacterLengthAt(std::string_view text, int position) {
    if (position >= static_cast<int>(text.size())) return 1;
    char32_t code = 0;
    return CMultiByteCase::For(WorkingCodePage())
        .Decode(text.data(), static_cast<int>(text.size()), position, code);
}

}  // namespace

std::string FormatNotFound(const char* format, const std::string& text) {
    std::string out(format);
    const size_t at = out.find("%s");
    if (at != std::string::npos) out.replace(at, 2, text);
    return out;
}

int CountLineFeedEscapes(std::string_view pattern) {
    int count = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '\\') continue;
        if (i + 1 < pattern.size() && pattern[i + 1] == 'n') ++count;
        ++i;  // the escaped character is not a backslash of its own
    }
    return count;
}

std::string ExpressionError(std::string_view pattern) {
    std::string error;
    return CompileExpression(pattern, 0, &error) ? std::string() : error;
}

int FindInLine(std::string_view text, int start, std::string_view pattern, uint32_t flags, int& length,
               COMPILEDSEARCH& compiled, MATCHREGISTERS& registers, int64_t* steps, int lastStart,
               bool* hitEnd) {
    length = 0;
    if (hitEnd != nullptr) *hitEnd = false;
    if (start < 0 || start > static_cast<int>(text.size())) return -1;
    if (flags & FIND_REGEXP) {
        if (!compiled.compiled || compiled.pattern != pattern) {
            compiled.expression.reset();
            compiled.expression = CompileExpression(pattern);
            compiled.pattern = std::string(pattern);
            compiled.compiled = true;
        }
        if (!compiled.expression) return -1;
        const ExecuteResult result =
            ExecuteExpression(*compiled.expression, text.data(), static_cast<int>(text.size()), start,
                              registers, (flags & FIND_MATCH_CASE) != 0, steps, lastStart, hitEnd);
        if (result == EXECUTE_TOO_COMPLEX) return kFindTooComplex;
        if (result != EXECUTE_MATCHED) return -1;
        length = registers.end[0] - registers.start[0];
        return registers.start[0];
    }
    registers.Clear();
    if (pattern.empty()) return -1;
    const CMultiByteCase& chars = CMultiByteCase::For(WorkingCodePage());
    for (size_t at = static_cast<size_t>(start);;) {
        const size_t found = FindCharacters(text, at, pattern, chars);
        if (found == std::string_view::npos) return -1;
        const size_t after = found + pattern.size();
        const int size = static_cast<int>(text.size());
        if ((flags & FIND_WHOLE_WORD) &&
            (chars.WordCharacterBefore(text.data(), size, static_cast<int>(found)) ||
             chars.WordCharacterAt(text.data(), size, static_cast<int>(after)))) {
            at = found + static_cast<size_t>(CharacterLengthAt(text, static_cast<int>(found)));
            continue;
        }
        length = static_cast<int>(pattern.size());
        registers.start[0] = static_cast<int>(found);
        registers.end[0] = static_cast<int>(after);
        return static_cast<int>(found);
    }
}

CFindReplace::CFindReplace(CSyntaxEditContext& context, CRecentTexts* findHistory)
    : m_context(context),
      m_findHistory(findHistory != nullptr ? findHistory : &GetSyntaxEditor().findHistory) {}

CPoint CFindReplace::TextEnd(const CSyntaxEditContext& context) {
    const int last = context.GetLineCount() - 1;
    return last < 0 ? CPoint{0, 0} : CPoint{context.GetLine(last).Length(), last};
}

CPoint CFindReplace::PositionOf(int line, int offset) const {
    const int count = m_context.GetLineCount();
    while (line + 1 < count && offset > m_context.GetLine(line).Length()) {
        offset -= m_context.GetLine(line).Length() + 1;
        ++line;
    }
    return {offset, line};
}

int CFindReplace::JoinedLength(int line, int extra) const {
    int length = m_context.GetLine(line).Length();
    for (int k = 1; k <= extra && line + k < m_context.GetLineCount(); ++k)
        length += 1 + m_context.GetLine(line + k).Length();
    return length;
}

void CFindReplace::JoinLines(int line, int extra) {
    if (m_unchanging && m_joinedLine == line && m_joinedExtra == extra) return;
    const int count = m_context.GetLineCount();
    m_joined.assign(m_context.GetLine(line).Characters());
    for (int k = 1; k <= extra && line + k < count; ++k) {
        m_joined += '\n';
        m_joined.append(m_context.GetLine(line + k).Characters());
    }
    m_joinedLine = line;
    m_joinedExtra = extra;
    m_upperMade = false;
}

bool CFindReplace::ListLineMatches(int line, int at, const std::string& pattern, int extra, bool growing) {
    if (m_listedLine == line && m_listedFrom == at && m_listedText == m_last.text &&
        m_listedFlags == m_last.flags)
        return true;
    m_listedLine = -1;
    m_lineMatches.clear();
    const int from = at;
    int64_t steps = StepBudget(JoinedLength(line, extra));
    for (int length = 0;;) {
        const int offset = SearchLine(line, at, pattern, extra, growing, length, &steps);
        if (offset == kFindTooComplex) return false;
        if (offset < 0) break;
        m_lineMatches.emplace_back(offset, length);
        if (offset >= static_cast<int>(m_joined.size())) break;
        at = offset + CharacterLengthAt(m_joined, offset);
    }
    m_listedLine = line;
    m_listedFrom = from;
    m_listedText = m_last.text;
    m_listedFlags = m_last.flags;
    return true;
}

bool CFindReplace::RepeatsLineFeeds(const std::string& pattern) {
    COMPILEDSEARCH& compiled = m_last.compiled;
    if (!compiled.compiled || compiled.pattern != pattern) {
        compiled.expression = CompileExpression(pattern);
        compiled.pattern = pattern;
        compiled.compiled = true;
    }
    return compiled.expression && compiled.expression->RepeatsLineFeeds();
}

int CFindReplace::SearchLine(int line, int from, const std::string& pattern, int extra, bool growing,
                             int& length, int64_t* steps) {
    const int count = m_context.GetLineCount();
    const bool literalWithoutCase = !(m_last.flags & (FIND_REGEXP | FIND_MATCH_CASE));
    const int lineLength = m_context.GetLine(line).Length();
    for (;;) {
        JoinLines(line, extra);
        const int start = std::min(from, static_cast<int>(m_joined.size()));
        if (literalWithoutCase && !m_upperMade) {
            m_upper = CMultiByteCase::For(WorkingCodePage()).UpperSameLength(m_joined);
            m_upperMade = true;
        }
        bool hitEnd = false;
        const int offset = FindInLine(literalWithoutCase ? m_upper : m_joined, start, pattern, m_last.flags,
                                      length, m_last.compiled, m_last.registers, steps,
                                      growing ? lineLength : INT_MAX, growing ? &hitEnd : nullptr);
        // A match may run on over lines not joined yet: twice as many.
        if (!growing || !hitEnd || line + extra >= count - 1 || offset == kFindTooComplex) return offset;
        extra = std::min(count - 1 - line, std::max(1, extra * 2));
    }
}

void CFindReplace::Found(int line, int offset, int length) {
    m_last.found = true;
    m_last.matchLength = length;
    m_last.matchStart = PositionOf(line, offset);
    m_last.matchEnd = PositionOf(line, offset + length);
    m_last.matchedText = m_joined.substr(static_cast<size_t>(offset), static_cast<size_t>(length));
    m_status = SEARCH_FOUND;
}

bool CFindReplace::SearchText(const std::string& text, CPoint start, CPoint blockStart, CPoint blockEnd,
                              uint32_t flags, bool wrap, CPoint& position) {
    m_status = SEARCH_NOT_FOUND;
    m_last.found = false;
    m_last.text = text;
    m_last.flags = flags;
    m_last.matchLength = 0;
    const int count = m_context.GetLineCount();
    if (count == 0) return false;
    const bool regexp = (flags & FIND_REGEXP) != 0;
    const int extra = regexp ? CountLineFeedEscapes(text) : 0;
    const bool growing = extra > 0 && RepeatsLineFeeds(text);
    const std::string pattern = regexp || (flags & FIND_MATCH_CASE)
                                    ? text
                                    : CMultiByteCase::For(WorkingCodePage()).UpperSameLength(text);
    blockEnd.y = std::min(blockEnd.y, count - 1);
    int length = 0;

    if (!(flags & FIND_DIRECTION_UP)) {
        if (start == blockEnd) return false;
        CPoint from = Before(start, blockStart) ? blockStart : start;
        for (int pass = 0; pass < 2; ++pass) {
            for (int line = from.y; line <= blockEnd.y; ++line) {
                const int column = line == from.y ? from.x : 0;
                const int offset = SearchLine(line, column, pattern, extra, growing, length, nullptr);
                if (offset == kFindTooComplex) {
                    m_status = SEARCH_TOO_COMPLEX;
                    return false;
                }
                if (offset < 0) continue;
                if (!Before(PositionOf(line, offset), blockEnd)) break;
                Found(line, offset, length);
                position = m_last.matchStart;
                return true;
            }
            if (!wrap || pass == 1) break;
            from = blockStart;
        }
        return false;
    }

    CPoint from = Before(blockEnd, start) ? blockEnd : start;
    for (int pass = 0; pass < 2; ++pass) {
        for (int line = from.y; line >= blockStart.y && line >= 0; --line) {
            const int limit = line == from.y ? from.x : INT_MAX;
            int at = line == blockStart.y ? blockStart.x : 0;
            int best = -1, bestLength = 0;
            MATCHREGISTERS bestRegisters;
            if (m_unchanging) {
                // The line's matches are listed once; each search upwards
                // takes the last one before its limit from the list.
                if (!ListLineMatches(line, at, pattern, extra, growing)) {
                    m_status = SEARCH_TOO_COMPLEX;
                    return false;
                }
                auto it = std::lower_bound(m_lineMatches.begin(), m_lineMatches.end(), limit,
                                           [](const std::pair<int, int>& m, int l) { return m.first < l; });
                while (it != m_lineMatches.begin()) {
                    --it;
                    if (limit == INT_MAX || it->first + it->second <= limit) {
                        best = it->first;
                        break;
                    }
                }
                if (best < 0) continue;
                // Found again, for its registers and joined text.
                best = SearchLine(line, best, pattern, extra, growing, bestLength, nullptr);
                Found(line, best, bestLength);
                position = m_last.matchStart;
                return true;
            }
            // Forward searches, each one character after the last match's
            // start, until a match starts at the limit or later; together
            // they have the budget of one search of the line.
            int64_t steps = StepBudget(JoinedLength(line, extra));
            for (;;) {
                const int offset = SearchLine(line, at, pattern, extra, growing, length, &steps);
                if (offset == kFindTooComplex) {
                    m_status = SEARCH_TOO_COMPLEX;
                    return false;
                }
                if (offset < 0 || offset >= limit) break;
                if (limit == INT_MAX || offset + length <= limit) {
                    best = offset;
                    bestLength = length;
                    bestRegisters = m_last.registers;
                }
                if (offset >= static_cast<int>(m_joined.size())) break;
                at = offset + CharacterLengthAt(m_joined, offset);
            }
            if (best < 0) continue;
            // The joined text is that of the last search of this line.
            m_last.registers = bestRegisters;
            Found(line, best, bestLength);
            position = m_last.matchStart;
            return true;
        }
        if (!wrap || pass == 1) break;
        from = blockEnd;
    }
    return false;
}

bool CFindReplace::LastMatchStillThere() const {
    const CPoint start = m_last.matchStart, end = m_last.matchEnd;
    const int count = m_context.GetLineCount();
    if (start.y < 0 || end.y >= count || Before(end, start) ||
        start.x > m_context.GetLine(start.y).Length() || end.x > m_context.GetLine(end.y).Length())
        return false;
    std::string there;
    m_context.ExtractText(start.y, start.x, end.y, end.x, there, EOL_LF);
    return there == m_last.matchedText;
}

bool CFindReplace::Replace(CSyntaxTextView* view, const std::string& replacement, CPoint& end) {
    if (!m_last.found || !LastMatchStillThere()) return false;
    const CPoint start = m_last.matchStart, matchEnd = m_last.matchEnd;
    std::string text = replacement;
    if ((m_last.flags & FIND_REGEXP) &&
        !ExpandReplacement(replacement, m_last.registers, m_last.matchedText, text))
        return false;
    if (m_context.IsReadOnly()) return false;
    end = start;
    if (start == matchEnd && text.empty()) return true;
    m_context.OpenUndoGroup(false);
    bool ok = start == matchEnd ||
              m_context.DeleteRange(view, start.y, start.x, matchEnd.y, matchEnd.x, kReplaceAction);
    if (ok && !text.empty())
        ok = m_context.InsertTextAt(view, start.y, start.x, text, end.y, end.x, kReplaceAction);
    m_context.CloseUndoGroup(view);
    m_last.found = false;
    return ok;
}

namespace {

// A match found by Replace All, and the index of its expansion of the
// replacement (an expression's; a literal search's matches all take the
// replacement itself, which is not copied for each).
struct PENDINGREPLACEMENT {
    CPoint start;
    CPoint end;
    size_t expansion;
};

// Replaced text: where it stood, and where the text that replaced it ends.
struct REPLACEDSPAN {
    CPoint start;
    CPoint end;
    CPoint newEnd;
};

// Where a point of the text before the replacements, at or after the end of
// the last span replaced, lies now (each span's new end holds the shifts of
// those before it).
CPoint PointAfter(CPoint point, const REPLACEDSPAN* last) {
    if (last == nullptr) return point;
    return {point.y == last->end.y ? point.x - last->end.x + last->newEnd.x : point.x,
            point.y + last->newEnd.y - last->end.y};
}

// The same for any point: one inside a replaced span goes to the end of its
// new text.
CPoint MapPoint(CPoint point, const std::vector<REPLACEDSPAN>& spans) {
    // The last span that starts before the point.
    const auto after = std::partition_point(
        spans.begin(), spans.end(), [&](const REPLACEDSPAN& span) { return Before(span.start, point); });
    if (after == spans.begin()) return point;
    const REPLACEDSPAN& last = *(after - 1);
    return Before(point, last.end) ? last.newEnd : PointAfter(point, &last);
}

// The text that replaces a match: its own expansion, or with no expansions
// (a literal search) the replacement itself.
const std::string& ReplacementOf(const PENDINGREPLACEMENT& match, const std::string& replacement,
                                 const std::vector<std::string>* expansions) {
    return expansions != nullptr ? (*expansions)[match.expansion] : replacement;
}

// The last of the matches from first on that lie within the line of the
// first, or first itself when it spans lines.
size_t LastWithinLine(const std::vector<PENDINGREPLACEMENT>& pending, size_t first) {
    size_t last = first;
    if (pending[first].start.y == pending[first].end.y)
        while (last + 1 < pending.size() && pending[last + 1].start.y == pending[first].start.y &&
               pending[last + 1].end.y == pending[first].start.y)
            ++last;
    return last;
}

// What replaces the matches first to last of one line at once: their
// replacements with the text between them, taken from the line as it is
// now, where the first match starts at at.
std::string LineReplacement(const CSyntaxEditContext& context, const std::vector<PENDINGREPLACEMENT>& pending,
                            size_t first, size_t last, CPoint at, const std::string& replacement,
                            const std::vector<std::string>* expansions) {
    std::string replaced = ReplacementOf(pending[first], replacement, expansions);
    if (last == first) return replaced;
    const CPoint start = pending[first].start;
    const std::string_view line = context.GetLine(at.y).Characters();
    for (size_t k = first + 1; k <= last; ++k) {
        const int gap = pending[k - 1].end.x - start.x;
        replaced.append(line.substr(static_cast<size_t>(at.x + gap),
                                    static_cast<size_t>(pending[k].start.x - pending[k - 1].end.x)));
        replaced += ReplacementOf(pending[k], replacement, expansions);
    }
    return replaced;
}

// Replaces the pending matches, sorted, in order, those within one line
// together: one deletion and one insertion a line, so that a line is moved
// once, not once a match. Every replacement is one step for undo. spans gets
// what was replaced; answers how many matches were, stopping at an edit the
// buffer refuses.
int ReplaceInOrder(CSyntaxEditContext& context, CSyntaxTextView* view,
                   const std::vector<PENDINGREPLACEMENT>& pending, const std::string& replacement,
                   const std::vector<std::string>* expansions, std::vector<REPLACEDSPAN>& spans) {
    int replacedCount = 0;
    for (size_t first = 0; first < pending.size();) {
        const size_t last = LastWithinLine(pending, first);
        const CPoint start = pending[first].start, end = pending[last].end;
        const REPLACEDSPAN* before = spans.empty() ? nullptr : &spans.back();
        const CPoint from = PointAfter(start, before), to = PointAfter(end, before);
        const std::string replaced =
            LineReplacement(context, pending, first, last, from, replacement, expansions);
        CPoint newEnd = from;
        if (!(from == to) || !replaced.empty()) {
            context.OpenUndoGroup(false);
            bool ok = from == to || context.DeleteRange(view, from.y, from.x, to.y, to.x, kReplaceAction);
            if (ok && !replaced.empty())
                ok = context.InsertTextAt(view, from.y, from.x, replaced, newEnd.y, newEnd.x, kReplaceAction);
            context.CloseUndoGroup(view);
            if (!ok) break;
        }
        spans.push_back({start, end, newEnd});
        replacedCount += static_cast<int>(last - first + 1);
        first = last + 1;
    }
    return replacedCount;
}

}  // namespace

bool CFindReplace::StepPastEmptyMatch(CPoint& next) const {
    const CSyntaxTextLine& line = m_context.GetLine(next.y);
    if (next.x < line.Length()) {
        next.x += CharacterLengthAt(line.Characters(), next.x);
    } else if (next.y + 1 < m_context.GetLineCount()) {
        next = {0, next.y + 1};
    } else {
        return false;
    }
    return true;
}

bool CFindReplace::FindNextMatch(const std::string& text, CPoint next, CPoint blockStart, CPoint blockEnd,
                                 uint32_t flags, bool wrap, CPoint origin, bool& wrapped) {
    CPoint position;
    bool found = SearchText(text, next, blockStart, blockEnd, flags, false, position);
    if (!found && m_status == SEARCH_TOO_COMPLEX) return false;
    if (!found && !wrapped && wrap && Before(blockStart, origin)) {
        wrapped = true;
        found = SearchText(text, blockStart, blockStart, blockEnd, flags, false, position);
    }
    if (!found) return false;
    // Come round to where it began: what follows was replaced already.
    if (wrapped && (!Before(m_last.matchStart, origin) || Before(origin, m_last.matchEnd))) {
        m_last.found = false;
        return false;
    }
    return true;
}

int CFindReplace::ReplaceAll(CSyntaxTextView* view, const std::string& text, const std::string& replacement,
                             uint32_t flags, CPoint current, CPoint blockStart, CPoint& blockEnd, bool wrap) {
    flags &= ~static_cast<uint32_t>(FIND_DIRECTION_UP);
    m_findHistory->Add(text);
    m_replaceHistory.Add(replacement);
    CPoint position;
    const bool atCurrent =
        m_last.found && m_last.matchStart == current && m_last.text == text && m_last.flags == flags;
    if (!atCurrent && !SearchText(text, current, blockStart, blockEnd, flags, wrap, position)) return 0;
    // The current match must still be where it was found.
    if (!LastMatchStillThere() || m_context.IsReadOnly()) return 0;

    // Every match in the text as it is, each search going on after the last
    // match (one character further after an empty one).
    std::vector<PENDINGREPLACEMENT> pending;
    const CPoint origin = m_last.matchStart;
    const CPoint originalBlockEnd = blockEnd;
    bool wrapped = false, failed = false;
    SetTextUnchanging(true);
    const bool expand = (flags & FIND_REGEXP) != 0;
    std::vector<std::string> expansions;
    for (;;) {
        if (expand) {
            std::string replaced;
            if (!ExpandReplacement(replacement, m_last.registers, m_last.matchedText, replaced)) {
                failed = true;
                break;
            }
            expansions.push_back(std::move(replaced));
        }
        pending.push_back({m_last.matchStart, m_last.matchEnd, expand ? expansions.size() - 1 : 0});
        CPoint next = m_last.matchEnd;
        if (m_last.matchStart == m_last.matchEnd && !StepPastEmptyMatch(next)) break;
        if (!FindNextMatch(text, next, blockStart, blockEnd, flags, wrap, origin, wrapped)) break;
    }
    SetTextUnchanging(false);
    std::stable_sort(
        pending.begin(), pending.end(),
        [](const PENDINGREPLACEMENT& a, const PENDINGREPLACEMENT& b) { return Before(a.start, b.start); });

    // All the replacements are one undo group.
    m_context.OpenUndoGroup(false);
    struct CloseGroup {
        CSyntaxEditContext& context;
        CSyntaxTextView* view;
        ~CloseGroup() { context.CloseUndoGroup(view); }
    } closeGroup{m_context, view};
    std::vector<REPLACEDSPAN> spans;
    const int replacedCount =
        ReplaceInOrder(m_context, view, pending, replacement, expand ? &expansions : nullptr, spans);
    blockEnd = MapPoint(originalBlockEnd, spans);
    if (failed) {
        // The match whose replacement failed stays the last match, where it
        // now lies.
        m_last.matchStart = MapPoint(m_last.matchStart, spans);
        m_last.matchEnd = MapPoint(m_last.matchEnd, spans);
    } else {
        m_last.found = false;
    }
    return replacedCount;
}

std::string GoToLineRangeText(int lineCount, int currentLine, bool relative) {
    char text[64];
    if (relative)
        std::snprintf(text, sizeof text, "(%d - %d)", -currentLine, lineCount - 1 - currentLine);
    else
        std::snprintf(text, sizeof text, "(%d - %d)", 1, lineCount);
    return text;
}

int GoToLineTarget(int value, bool relative, int currentLine, int lineCount) {
    const long line = relative ? static_cast<long>(currentLine) + value : static_cast<long>(value) - 1;
    return line >= 0 && line < lineCount ? static_cast<int>(line) : -1;
}

}  // namespace corvatine
