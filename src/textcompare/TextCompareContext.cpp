#include "textcompare/TextCompareContext.h"

#include <algorithm>
#include <cassert>

#include "textcompare/TextCompareOptions.h"
#include "textcompare/TextRules.h"

namespace corvatine {

namespace {

constexpr int kDefaultTabSize = 4;

}  // namespace

int CTextCompareObject::WriteComparisonText(std::string* out, uint32_t rules) {
    return corvatine::WriteComparisonText(*this, rules, out);
}

void CTextCompareContext::ClearComparison() {
    m_side[0]->RemoveGhostLines();
    m_side[1]->RemoveGhostLines();
    m_sections.RemoveAll();
}

bool CTextCompareContext::Compare(uint32_t rules, const std::string& lineFilter) {
    ClearComparison();
    const std::unique_ptr<CLineFilter> filter = LineFilterFromRules(rules, lineFilter);
    CTextCompare engine;
    ApplyRulesToEngine(engine, rules, filter.get(), kDefaultTabSize);
    {
        // The engine reads the lines where they lie; only lines the rules
        // change, or without a line feed, are copied.
        TEXTLINES lines[2];
        CLineStore store;
        for (int f = 0; f < 2; ++f) GatherComparisonLines(*m_side[f], rules, lines[f], store);
        engine.Run(lines[0], lines[1], m_sections);
    }
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
    for (CTextCompareObject* side : m_side) {
        side->RebuildRealityBlocks();
        side->NotifyViews(nullptr, nullptr, UPDATE_RESET, -1);
    }
    return true;
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
    const int rows = std::min(m_side[0]->GetLineCount(), m_side[1]->GetLineCount());
    for (int row = 0; row < rows; ++row) {
        CSyntaxTextLine& left = m_side[0]->GetLine(row);
        CSyntaxTextLine& right = m_side[1]->GetLine(row);
        if ((left.flags | right.flags) & LF_DIFFERENCE) continue;
        // Blank lines are blank whatever their ending, where they are ignored.
        if ((rules & RULE_IGNORE_BLANK_LINES) && IsBlankUnderRules(left.Characters(), rules) &&
            IsBlankUnderRules(right.Characters(), rules))
            continue;
        if (left.Ending() != right.Ending()) {
            left.flags |= LF_TRIVIAL;
            right.flags |= LF_TRIVIAL;
            ++m_sections.trivialCount;
        }
    }
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
