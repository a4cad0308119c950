#include "textcompare/TextCompareContext.h"

#include <algorithm>
#include <cassert>

#include "fileio/TextFormat.h"
#include "textcompare/TextCompareOptions.h"
#include "textcompare/TextRules.h"

namespace corvatine {

namespace {

constexpr int kDefaultTabSize = 4;

bool HasLineBreak(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

}  // namespace

// ---- CTextCompareObject ----

int CTextCompareObject::WriteComparisonText(std::string* out, uint32_t rules) {
    return corvatine::WriteComparisonText(*this, rules, out);
}

bool CTextCompareObject::InsertTextAt(CSyntaxTextView* view, int line, int character, const std::string& text,
                                      int& endLine, int& endChar, int action, bool history) {
    (void)view;
    if (text.empty() || IsReadOnly() || line < 0 || line >= GetLineCount()) return false;
    TEXTEDIT edit;
    edit.insertion = true;
    EDITROWS rows;
    CPoint end;
    const bool endsLine = text.back() == '\n' || text.back() == '\r';
    if (IsGhostRow(line) && RowToRealLine(line) < GetRealLineCount() && endsLine) {
        // Whole lines: they go before the real line that follows as they are.
        edit.start = {0, RowToRealLine(line)};
        edit.text = text;
        if (!InsertReal(edit.start, edit.text, nullptr, edit.end, rows)) return false;
        end = edit.end;
    } else if (IsGhostRow(line) && RowToRealLine(line) < GetRealLineCount()) {
        // A line of its own before the real line that follows the placeholder.
        edit.text = text + std::string(EndingForStyle(GetLineEndingStyle()));
        CPoint textEnd;
        if (!FillGhostRow(line, text, edit.start, edit.end, textEnd, rows)) return false;
        end = RowToReal(textEnd);
    } else if (IsGhostRow(line)) {
        // Below the last line, which ends before the text begins.
        edit.start = RowToReal({0, line});
        edit.text = std::string(EndingForStyle(GetLineEndingStyle())) + text;
        if (!InsertReal(edit.start, edit.text, nullptr, edit.end, rows)) return false;
        end = edit.end;
    } else {
        edit.start = RowToReal({character, line});
        edit.text = text;
        if (!InsertReal(edit.start, edit.text, nullptr, edit.end, rows)) return false;
        end = edit.end;
    }
    edit.caret = end;
    const CPoint row = RealToRow(end);
    endLine = row.y;
    endChar = row.x;
    if (m_sink != nullptr)
        m_sink->SideEdited(*this, std::move(edit), rows, history, action,
                           action == kTypingAction && !HasLineBreak(text));
    return true;
}

bool CTextCompareObject::DeleteRange(CSyntaxTextView* view, int startLine, int startChar, int endLine,
                                     int endChar, int action, bool history) {
    (void)view;
    if (IsReadOnly() || startLine < 0 || endLine >= GetLineCount()) return false;
    TEXTEDIT edit;
    edit.start = RowToReal({startChar, startLine});
    edit.end = RowToReal({endChar, endLine});
    if (edit.end.y < edit.start.y || (edit.end.y == edit.start.y && edit.end.x <= edit.start.x)) return false;
    DescribeReal(edit.start, edit.end, edit.text, edit.pieces);
    edit.origins = OriginsOf(edit.start.y, edit.end.y);
    edit.caret = edit.start;
    EDITROWS rows;
    if (!DeleteReal(edit.start, edit.end, rows)) return false;
    if (m_sink != nullptr) m_sink->SideEdited(*this, std::move(edit), rows, history, action, false);
    return true;
}

void CTextCompareObject::OpenUndoGroup(bool merge) {
    if (m_sink != nullptr)
        m_sink->OpenStep(*this);
    else
        CGhostTextEditContext::OpenUndoGroup(merge);
}

void CTextCompareObject::CloseUndoGroup(CSyntaxTextView* view) {
    if (m_sink != nullptr)
        m_sink->CloseStep(*this);
    else
        CGhostTextEditContext::CloseUndoGroup(view);
}

// ---- CTextCompareContext ----

void CTextCompareContext::ClearComparison() {
    m_side[0]->RemoveGhostLines();
    m_side[1]->RemoveGhostLines();
    m_sections.RemoveAll();
    m_moves.clear();
    m_foundMoves = false;
    Aligned();
}

void CTextCompareContext::Aligned() {
    ++m_generation;
    m_rows = m_side[0]->GetLineCount();
    for (int f = 0; f < 2; ++f) m_realLines[f] = m_side[f]->GetRealLineCount();
}

bool CTextCompareContext::Compare(uint32_t rules, const std::string& lineFilter) {
    ClearComparison();
    const std::unique_ptr<CLineFilter> filter = LineFilterFromRules(rules, lineFilter);
    CTextCompare engine;
    ApplyRulesToEngine(engine, rules, filter.get(), kDefaultTabSize);
    TEXTLINECLASSES classes;
    if (m_movedLines > 0) engine.lineClasses = &classes;
    {
        // The engine reads the lines where they lie; only lines the rules
        // change, or without a line feed, are copied. They go before the
        // rows are aligned.
        TEXTLINES lines[2];
        CLineStore store;
        for (int f = 0; f < 2; ++f) GatherComparisonLines(*m_side[f], rules, lines[f], store);
        engine.Run(lines[0], lines[1], m_sections);
    }
    AlignSections(rules, engine.lineClasses);
    return true;
}

void CTextCompareContext::ApplySections(const std::vector<TEXTSECTION>& sections, uint32_t rules,
                                        const TEXTLINECLASSES* classes) {
    ClearComparison();
    std::string error;
    for (const TEXTSECTION& section : sections) (void)m_sections.AddSection(section, error);
    AlignSections(rules, m_movedLines > 0 ? classes : nullptr);
}

int CTextCompareContext::FindMove(int side, int row) const {
    for (size_t k = 0; k < m_moves.size(); ++k) {
        const TEXTMOVE& move = m_moves[k];
        const int first = side == 0 ? move.leftFirstRow : move.rightFirstRow;
        const int last = side == 0 ? move.leftLastRow : move.rightLastRow;
        if (row >= first && row <= last) return static_cast<int>(k);
    }
    return -1;
}

void CTextCompareContext::MovesAfterRegion(int firstRow, int oldEnd, int newEnd) {
    // A move either of whose blocks the region touched is no longer known
    // to be one: it goes, its other block too.
    std::vector<TEXTMOVE> kept;
    for (TEXTMOVE move : m_moves) {
        const bool touched = (move.leftLastRow >= firstRow && move.leftFirstRow < oldEnd) ||
                             (move.rightLastRow >= firstRow && move.rightFirstRow < oldEnd);
        if (touched) {
            for (int f = 0; f < 2; ++f) {
                int first = f == 0 ? move.leftFirstRow : move.rightFirstRow;
                int last = f == 0 ? move.leftLastRow : move.rightLastRow;
                // Rows of the block outside the region are where they were, or moved along.
                for (int row = first; row <= last; ++row) {
                    const int now = row < firstRow ? row : row >= oldEnd ? row + newEnd - oldEnd : -1;
                    if (now >= 0 && now < m_side[f]->GetLineCount())
                        m_side[f]->GetLine(now).flags &= ~LF_MOVED;
                }
            }
            continue;
        }
        const int shift = newEnd - oldEnd;
        const int realShift[2] = {m_side[0]->GetRealLineCount() - m_realLines[0],
                                  m_side[1]->GetRealLineCount() - m_realLines[1]};
        if (move.leftFirstRow >= oldEnd) {
            move.leftFirstRow += shift;
            move.leftLastRow += shift;
            move.leftFirst += realShift[0];
            move.leftLast += realShift[0];
        }
        if (move.rightFirstRow >= oldEnd) {
            move.rightFirstRow += shift;
            move.rightLastRow += shift;
            move.rightFirst += realShift[1];
            move.rightLast += realShift[1];
        }
        kept.push_back(move);
    }
    m_moves = std::move(kept);
}

void CTextCompareContext::AlignSections(uint32_t rules, const TEXTLINECLASSES* classes) {
    Align();
    m_sections.RemoveIgnorable();
    if (m_sections.GetCount() > 0) {
        CTextSection first, last;
        m_sections.GetSection(0, first);
        m_sections.GetSection(m_sections.GetCount() - 1, last);
        m_sections.firstChangeRow = first.leftFirstRow;
        m_sections.lastChangeRow = last.leftLastRow;
    }
    if (!(rules & RULE_IGNORE_LINE_ENDINGS)) MarkLineEndings(rules);
    for (CTextCompareObject* side : m_side) side->RebuildRealityBlocks();
    if (classes != nullptr) {
        // Blank as ignore-blank-lines sees a line where white space is ignored.
        const auto blank = [this](int side, int line) {
            return IsBlankUnderRules(m_side[side]->GetLine(m_side[side]->RealLineToRow(line)).Characters(),
                                     RULE_IGNORE_ALL_SPACE);
        };
        m_moves = FindMoves(m_sections.Sections(), *classes, m_movedLines, blank);
        m_foundMoves = !m_moves.empty();
        for (TEXTMOVE& move : m_moves) {
            move.leftFirstRow = m_side[0]->RealLineToRow(move.leftFirst);
            move.leftLastRow = m_side[0]->RealLineToRow(move.leftLast);
            move.rightFirstRow = m_side[1]->RealLineToRow(move.rightFirst);
            move.rightLastRow = m_side[1]->RealLineToRow(move.rightLast);
            for (int row = move.leftFirstRow; row <= move.leftLastRow; ++row)
                m_side[0]->GetLine(row).flags |= LF_MOVED;
            for (int row = move.rightFirstRow; row <= move.rightLastRow; ++row)
                m_side[1]->GetLine(row).flags |= LF_MOVED;
        }
    }
    for (CTextCompareObject* side : m_side) side->NotifyViews(nullptr, nullptr, UPDATE_RESET, -1);
    Aligned();
}

void CTextCompareContext::Align() {
    const int count = m_sections.GetCount();
    // Each side's ghost rows go after its lines of each section where it has
    // fewer lines than the other: placed in one pass, each line moved once.
    // An empty last line (after a final line ending) is no line to the
    // engine: it stays below every aligned row.
    std::vector<std::pair<int, int>> places[2];
    for (int k = 0; k < count; ++k) {
        CTextSection s;
        m_sections.GetSection(k, s);
        const int l = s.leftLast - s.leftFirst + 1, r = s.rightLast - s.rightFirst + 1;
        if (l < r)
            places[0].emplace_back(s.leftLast + 1, r - l);
        else if (r < l)
            places[1].emplace_back(s.rightLast + 1, l - r);
    }
    for (int f = 0; f < 2; ++f) m_side[f]->InsertEmptyLines(places[f], LF_GHOST);

    // The rows of the sections, and the ghost rows before each.
    int shift[2] = {0, 0};
    for (int k = 0; k < count; ++k) {
        CTextSection s;
        m_sections.GetSection(k, s);
        const int lines[2] = {s.leftLast - s.leftFirst + 1, s.rightLast - s.rightFirst + 1};
        const int rows = std::max(lines[0], lines[1]);
        const int firstRow[2] = {s.leftFirst + shift[0], s.rightFirst + shift[1]};
        assert(firstRow[0] == firstRow[1]);
        for (int f = 0; f < 2; ++f) shift[f] += rows - lines[f];

        s.leftFirstRow = s.rightFirstRow = firstRow[0];
        s.leftLastRow = s.rightLastRow = firstRow[0] + rows - 1;
        s.leftGhostRow = lines[0] < rows ? firstRow[0] + lines[0] : -1;
        s.rightGhostRow = lines[1] < rows ? firstRow[1] + lines[1] : -1;
        // A compared section keeps the engine's kind (2, or 0 when ignorable);
        // kinds 1 and 3 come only from lines added by an edit.
        const bool ignorable = s.kind == SECTION_IGNORABLE;
        s.kind = ignorable ? TEXTSECTION_IGNORABLE : TEXTSECTION_BOTH;
        // Lines of an ignorable section differ only in a way the rules call
        // trivial; the others are changed, or one-sided opposite a ghost row.
        for (int r = 0; r < rows; ++r) {
            const int row = firstRow[0] + r;
            for (int f = 0; f < 2; ++f) {
                CSyntaxTextLine& line = m_side[f]->GetLine(row);
                const bool ghost = (line.flags & LF_GHOST) != 0;
                const bool oppositeGhost = r >= lines[1 - f];
                if (ignorable)
                    line.flags |= LF_TRIVIAL;
                else if (!ghost)
                    line.flags |= oppositeGhost ? LF_ONE_SIDED : LF_CHANGED;
            }
        }
        m_sections.SetSection(k, s);
    }
    // Only one side has the empty last line: a ghost row stands opposite it.
    for (int f = 0; f < 2; ++f) {
        CTextCompareObject& side = *m_side[f];
        while (side.GetLineCount() < m_side[1 - f]->GetLineCount()) {
            side.InsertLine("", 0);
            side.GetLine(side.GetLineCount() - 1).flags = LF_GHOST;
        }
    }
}

void CTextCompareContext::MarkLineEndings(uint32_t rules) {
    m_sections.trivialCount =
        MarkLineEndings(0, std::min(m_side[0]->GetLineCount(), m_side[1]->GetLineCount()), rules);
}

int CTextCompareContext::MarkLineEndings(int first, int end, uint32_t rules) {
    int count = 0;
    for (int row = first; row < end; ++row) {
        CSyntaxTextLine& left = m_side[0]->GetLine(row);
        CSyntaxTextLine& right = m_side[1]->GetLine(row);
        if ((left.flags | right.flags) & (LF_DIFFERENCE | LF_STALE)) continue;
        // Blank lines are blank whatever their ending, where they are ignored.
        if ((rules & RULE_IGNORE_BLANK_LINES) && IsBlankUnderRules(left.Characters(), rules) &&
            IsBlankUnderRules(right.Characters(), rules))
            continue;
        if (left.Ending() != right.Ending()) {
            left.flags |= LF_TRIVIAL | LF_ENDING;
            right.flags |= LF_TRIVIAL | LF_ENDING;
            ++count;
        }
    }
    return count;
}

void CTextCompareContext::CountTrivial(uint32_t rules) {
    // Only rows whose endings differ count, and they are found only where
    // endings are not ignored; with none before, none can have come.
    if ((rules & RULE_IGNORE_LINE_ENDINGS) || m_sections.trivialCount == 0) return;
    int count = 0;
    const CTextCompareObject& left = *m_side[0];
    for (int row = 0; row < left.GetLineCount(); ++row)
        if (left.GetLine(row).flags & LF_ENDING) ++count;
    m_sections.trivialCount = count;
}

int CTextCompareContext::VisibleRowCount() const {
    const CTextCompareObject& left = *m_side[0];
    const CTextCompareObject& right = *m_side[1];
    int rows = left.GetLineCount();
    if (rows > 0 && right.GetLineCount() == rows && left.GetLine(rows - 1).FullLength() == 0 &&
        right.GetLine(rows - 1).FullLength() == 0)
        --rows;
    return rows;
}

bool CTextCompareContext::HasStaleRows() const {
    if (m_staleGeneration == m_generation) return m_stale;
    m_stale = false;
    for (const CTextSection& section : m_sections.Sections())
        if (section.leftFirstRow < m_side[0]->GetLineCount() &&
            (m_side[0]->GetLine(section.leftFirstRow).flags & LF_STALE)) {
            m_stale = true;
            break;
        }
    m_staleGeneration = m_generation;
    return m_stale;
}

int CTextCompareContext::RegionRows(int side, int firstRow, int tailRows) const {
    return std::max(0, m_side[side]->GetLineCount() - tailRows - firstRow);
}

void CTextCompareContext::WidenToAnchors(int& firstRow, int& tailRows) {
    // An anchor is a row that is real on both sides and no part of a
    // difference on either: rows before the region and after it stand where
    // the last alignment put them, so an anchor there is one of both sides.
    const auto anchor = [this](int left, int right) {
        const uint32_t marks = LF_GHOST | LF_CHANGED | LF_ONE_SIDED | LF_STALE;
        return left >= 0 && right >= 0 && left < m_side[0]->GetLineCount() &&
               right < m_side[1]->GetLineCount() &&
               !((m_side[0]->GetLine(left).flags | m_side[1]->GetLine(right).flags) & marks);
    };
    firstRow = std::clamp(firstRow, 0, m_rows);
    while (firstRow > 0 && !anchor(firstRow - 1, firstRow - 1)) --firstRow;
    tailRows = std::clamp(tailRows, 0, m_rows - firstRow);
    const int rows[2] = {m_side[0]->GetLineCount(), m_side[1]->GetLineCount()};
    while (tailRows > 0 && !anchor(rows[0] - tailRows, rows[1] - tailRows)) --tailRows;
    // Whatever is left of a section cut by the region goes into it.
    for (const CTextSection& s : m_sections.Sections()) {
        const int oldEnd = m_rows - tailRows;
        if (s.leftLastRow >= firstRow && s.leftFirstRow < firstRow) firstRow = s.leftFirstRow;
        if (s.leftFirstRow < oldEnd && s.leftLastRow >= oldEnd) tailRows = m_rows - s.leftLastRow - 1;
    }
    tailRows = std::max(0, tailRows);
}

void CTextCompareContext::ReplaceSections(int firstRow, int oldEnd, int newEnd,
                                          std::vector<CTextSection> sections) {
    const int rowShift = newEnd - oldEnd;
    const int realShift[2] = {m_side[0]->GetRealLineCount() - m_realLines[0],
                              m_side[1]->GetRealLineCount() - m_realLines[1]};
    CTextSectionList list;
    for (const CTextSection& s : m_sections.Sections())
        if (s.leftLastRow < firstRow) list.Append(s);
    for (const CTextSection& s : sections) list.Append(s);
    for (CTextSection s : m_sections.Sections()) {
        if (s.leftFirstRow < oldEnd) continue;
        s.leftFirstRow += rowShift;
        s.rightFirstRow += rowShift;
        s.leftLastRow += rowShift;
        s.rightLastRow += rowShift;
        if (s.leftGhostRow >= 0) s.leftGhostRow += rowShift;
        if (s.rightGhostRow >= 0) s.rightGhostRow += rowShift;
        s.leftFirst += realShift[0];
        s.leftLast += realShift[0];
        s.rightFirst += realShift[1];
        s.rightLast += realShift[1];
        list.Append(s);
    }
    list.trivialCount = m_sections.trivialCount;
    list.binary = m_sections.binary;
    if (list.GetCount() > 0) {
        list.firstChangeRow = list.Sections().front().leftFirstRow;
        list.lastChangeRow = list.Sections().back().leftLastRow;
    }
    m_sections = std::move(list);
}

bool CTextCompareContext::CompareRegion(uint32_t rules, const std::string& lineFilter, int firstRow,
                                        int tailRows) {
    const int oldEnd = m_rows - tailRows;
    const bool atEnd = tailRows == 0;
    int end[2], realStart[2];
    for (int f = 0; f < 2; ++f) {
        end[f] = m_side[f]->GetLineCount() - tailRows;
        realStart[f] = m_side[f]->RowToRealLine(firstRow);
    }

    // The region's lines through the engine.
    const std::unique_ptr<CLineFilter> filter = LineFilterFromRules(rules, lineFilter);
    CTextCompare engine;
    ApplyRulesToEngine(engine, rules, filter.get(), kDefaultTabSize);
    CTextSectionCollector found;
    {
        TEXTLINES lines[2];
        CLineStore store;
        for (int f = 0; f < 2; ++f)
            GatherRegionLines(*m_side[f], rules, firstRow, end[f], atEnd, lines[f], store);
        engine.Run(lines[0], lines[1], found);
    }

    // The region's rows anew: its real lines, with the ghost rows the
    // sections need after the shorter side's lines of each.
    for (int f = 0; f < 2; ++f) {
        CTextCompareObject& side = *m_side[f];
        const int removed = side.RemoveGhostRows(firstRow, end[f]);
        const int realEnd = end[f] - removed;
        for (int row = firstRow; row < realEnd; ++row) side.GetLine(row).flags &= ~LF_COMPARISON;
        for (auto s = found.sections.rbegin(); s != found.sections.rend(); ++s) {
            const int lines[2] = {s->leftLast - s->leftFirst + 1, s->rightLast - s->rightFirst + 1};
            const int ghosts = lines[1 - f] - lines[f];
            if (ghosts <= 0) continue;
            const int at = firstRow + (f == 0 ? s->leftLast : s->rightLast) + 1;
            side.InsertLine("", 0, at, ghosts);
            for (int k = 0; k < ghosts; ++k) side.GetLine(at + k).flags = LF_GHOST;
        }
    }
    std::vector<CTextSection> sections;
    int shift[2] = {0, 0};
    for (const TEXTSECTION& t : found.sections) {
        const int lines[2] = {t.leftLast - t.leftFirst + 1, t.rightLast - t.rightFirst + 1};
        const int rows = std::max(lines[0], lines[1]);
        CTextSection s;
        s.leftFirst = realStart[0] + t.leftFirst;
        s.leftLast = realStart[0] + t.leftLast;
        s.rightFirst = realStart[1] + t.rightFirst;
        s.rightLast = realStart[1] + t.rightLast;
        const int row = firstRow + t.leftFirst + shift[0];
        assert(row == firstRow + t.rightFirst + shift[1]);
        for (int f = 0; f < 2; ++f) shift[f] += rows - lines[f];
        s.leftFirstRow = s.rightFirstRow = row;
        s.leftLastRow = s.rightLastRow = row + rows - 1;
        s.leftGhostRow = lines[0] < rows ? row + lines[0] : -1;
        s.rightGhostRow = lines[1] < rows ? row + lines[1] : -1;
        const bool ignorable = t.kind == SECTION_IGNORABLE;
        s.kind = ignorable ? TEXTSECTION_IGNORABLE : TEXTSECTION_BOTH;
        for (int r = 0; r < rows; ++r)
            for (int f = 0; f < 2; ++f) {
                CSyntaxTextLine& line = m_side[f]->GetLine(row + r);
                if (ignorable)
                    line.flags |= LF_TRIVIAL;
                else if (!(line.flags & LF_GHOST))
                    line.flags |= r >= lines[1 - f] ? LF_ONE_SIDED : LF_CHANGED;
            }
        if (!ignorable) sections.push_back(s);
    }
    // At the end, only one side may have the empty last line.
    if (atEnd)
        for (int f = 0; f < 2; ++f)
            while (m_side[f]->GetLineCount() < m_side[1 - f]->GetLineCount()) {
                m_side[f]->InsertLine("", 0);
                m_side[f]->GetLine(m_side[f]->GetLineCount() - 1).flags = LF_GHOST;
            }
    const int newEnd = m_side[0]->GetLineCount() - tailRows;
    assert(newEnd == m_side[1]->GetLineCount() - tailRows);
    for (int f = 0; f < 2; ++f) m_side[f]->UpdateRealityBlocks(firstRow, end[f], newEnd);
    if (!(rules & RULE_IGNORE_LINE_ENDINGS))
        m_sections.trivialCount += MarkLineEndings(firstRow, newEnd, rules);
    MovesAfterRegion(firstRow, oldEnd, newEnd);
    ReplaceSections(firstRow, oldEnd, newEnd, std::move(sections));
    CountTrivial(rules);
    Aligned();
    for (CTextCompareObject* side : m_side)
        side->NotifyViews(nullptr, nullptr, UPDATE_CHARACTERS | UPDATE_LINES, firstRow);
    return true;
}

void CTextCompareContext::MarkStale(int firstRow, int tailRows) {
    const int oldEnd = m_rows - tailRows;
    int end[2];
    for (int f = 0; f < 2; ++f) end[f] = m_side[f]->GetLineCount() - tailRows;
    const int rows = std::max(end[0], end[1]) - firstRow;
    for (int f = 0; f < 2; ++f) {
        CTextCompareObject& side = *m_side[f];
        const int pad = firstRow + rows - end[f];
        if (pad > 0) {
            side.InsertLine("", 0, end[f], pad);
            for (int k = 0; k < pad; ++k) side.GetLine(end[f] + k).flags = LF_GHOST;
        }
        for (int row = firstRow; row < firstRow + rows; ++row) {
            CSyntaxTextLine& line = side.GetLine(row);
            line.flags = (line.flags & ~LF_COMPARISON) | LF_STALE;
        }
    }
    const int newEnd = firstRow + rows;
    std::vector<CTextSection> sections;
    if (rows > 0) {
        CTextSection s;
        s.leftFirstRow = s.rightFirstRow = firstRow;
        s.leftLastRow = s.rightLastRow = newEnd - 1;
        s.kind = TEXTSECTION_BOTH;
        for (int f = 0; f < 2; ++f) {
            m_side[f]->UpdateRealityBlocks(firstRow, end[f], newEnd);
            const int realFirst = m_side[f]->RowToRealLine(firstRow);
            const int realEnd = m_side[f]->RowToRealLine(newEnd);
            (f == 0 ? s.leftFirst : s.rightFirst) = realFirst;
            (f == 0 ? s.leftLast : s.rightLast) = realEnd - 1;
        }
        sections.push_back(s);
    }
    MovesAfterRegion(firstRow, oldEnd, newEnd);
    ReplaceSections(firstRow, oldEnd, newEnd, std::move(sections));
    Aligned();
    for (CTextCompareObject* side : m_side)
        side->NotifyViews(nullptr, nullptr, UPDATE_CHARACTERS | UPDATE_LINES, firstRow);
}

void CTextCompareContext::AddSectionFromEdit(int leftRow, int rightRow, int side) {
    const int kind = side == 0 ? TEXTSECTION_LEFT_ONLY : TEXTSECTION_RIGHT_ONLY;
    const int row = side == 0 ? leftRow : rightRow;
    CTextSection last;
    const int count = m_sections.GetCount();
    if (count > 0 && m_sections.GetSection(count - 1, last) && row >= last.leftFirstRow &&
        row <= last.leftLastRow + 1) {
        last.leftLastRow = last.rightLastRow = std::max(last.leftLastRow, row);
        if (last.kind != kind && (last.kind == TEXTSECTION_LEFT_ONLY || last.kind == TEXTSECTION_RIGHT_ONLY))
            last.kind = TEXTSECTION_BOTH;
        m_sections.SetSection(count - 1, last);
        return;
    }
    CTextSection s;
    s.leftFirstRow = s.rightFirstRow = s.leftLastRow = s.rightLastRow = row;
    s.leftFirst = s.leftLast = leftRow;
    s.rightFirst = s.rightLast = rightRow;
    s.kind = kind;
    m_sections.Append(s);
}

}  // namespace corvatine
