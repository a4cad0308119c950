#include "textcompare/GhostTextEditContext.h"

#include <algorithm>

#include "fileio/TextFormat.h"

namespace corvatine {

namespace {

// Appends a block, joined to the last one when it goes on from it.
void AppendBlock(std::vector<RealityBlock>& blocks, RealityBlock block) {
    if (block.count <= 0) return;
    if (!blocks.empty()) {
        RealityBlock& last = blocks.back();
        if (last.row + last.count == block.row && last.realLine + last.count == block.realLine) {
            last.count += block.count;
            return;
        }
    }
    blocks.push_back(block);
}

}  // namespace

void CGhostTextEditContext::RebuildRealityBlocks() {
    m_blocks.clear();
    int real = 0;
    for (int row = 0; row < GetLineCount(); ++row) {
        if (GetLine(row).flags & LF_GHOST) continue;
        if (!m_blocks.empty() && m_blocks.back().row + m_blocks.back().count == row)
            ++m_blocks.back().count;
        else
            m_blocks.push_back({real, row, 1});
        ++real;
    }
    m_blocksValid = true;
}

void CGhostTextEditContext::UpdateRealityBlocks(int first, int oldEnd, int newEnd) {
    if (!m_blocksValid) {
        RebuildRealityBlocks();
        return;
    }
    const int realAtOldEnd = RowToRealLine(oldEnd);
    std::vector<RealityBlock> blocks;
    blocks.reserve(m_blocks.size() + 2);
    size_t k = 0;
    for (; k < m_blocks.size() && m_blocks[k].row < first; ++k) {
        RealityBlock block = m_blocks[k];
        block.count = std::min(block.count, first - block.row);
        AppendBlock(blocks, block);
    }
    int real = blocks.empty() ? 0 : blocks.back().realLine + blocks.back().count;
    for (int row = first; row < newEnd && row < GetLineCount(); ++row) {
        if (GetLine(row).flags & LF_GHOST) continue;
        AppendBlock(blocks, {real++, row, 1});
    }
    // The rows after the change moved by as many rows and real lines as it
    // added.
    const int rowShift = newEnd - oldEnd, realShift = real - realAtOldEnd;
    for (k = 0; k < m_blocks.size(); ++k) {
        const RealityBlock& block = m_blocks[k];
        if (block.row + block.count <= oldEnd) continue;
        const int start = std::max(block.row, oldEnd);
        AppendBlock(blocks, {block.realLine + (start - block.row) + realShift, start + rowShift,
                             block.row + block.count - start});
    }
    m_blocks = std::move(blocks);
}

const std::vector<RealityBlock>& CGhostTextEditContext::GetRealityBlocks() {
    if (!m_blocksValid) RebuildRealityBlocks();
    return m_blocks;
}

int CGhostTextEditContext::GetRealLineCount() {
    const auto& blocks = GetRealityBlocks();
    return blocks.empty() ? 0 : blocks.back().realLine + blocks.back().count;
}

int CGhostTextEditContext::RowToRealLine(int row) {
    const auto& blocks = GetRealityBlocks();
    // The last block that starts at or before the row.
    auto it = std::upper_bound(blocks.begin(), blocks.end(), row,
                               [](int r, const RealityBlock& b) { return r < b.row; });
    if (it == blocks.begin()) return 0;
    --it;
    if (row < it->row + it->count) return it->realLine + (row - it->row);
    return it->realLine + it->count;
}

int CGhostTextEditContext::RealLineToRow(int line) {
    const auto& blocks = GetRealityBlocks();
    auto it = std::upper_bound(blocks.begin(), blocks.end(), line,
                               [](int l, const RealityBlock& b) { return l < b.realLine; });
    if (it == blocks.begin()) return blocks.empty() ? GetLineCount() : blocks.front().row;
    --it;
    if (line < it->realLine + it->count) return it->row + (line - it->realLine);
    return std::next(it) == blocks.end() ? GetLineCount() : std::next(it)->row;
}

CPoint CGhostTextEditContext::RowToReal(CPoint row) {
    const int line = RowToRealLine(row.y);
    const int count = GetRealLineCount();
    if (line >= count) {
        // Past the last real line: its end.
        if (count == 0) return {0, 0};
        return {GetLine(RealLineToRow(count - 1)).Length(), count - 1};
    }
    if (IsGhostRow(row.y)) return {0, line};
    return {std::clamp(row.x, 0, GetLine(row.y).Length()), line};
}

bool CGhostTextEditContext::IsRealPosition(CPoint real) {
    if (real.y < 0 || real.y >= GetRealLineCount() || real.x < 0) return false;
    return real.x <= GetLine(RealLineToRow(real.y)).Length();
}

bool CGhostTextEditContext::InsertReal(CPoint at, const std::string& text, const std::vector<int>* pieces,
                                       CPoint& end, EDITROWS& rows) {
    if (IsReadOnly() || !IsRealPosition(at)) return false;
    const int row = RealLineToRow(at.y);
    rows.firstRow = row;
    rows.rowsAfter = GetLineCount() - 1 - row;
    int endRow = 0, endChar = 0;
    m_keepBlocks = true;
    const bool done = InternalInsertText(nullptr, row, at.x, text, endRow, endChar, pieces);
    m_keepBlocks = false;
    if (!done) return false;
    // Text ended with a line ending at the end of the text: the empty line
    // after it goes before the ghost rows that follow the last line.
    if (endChar == 0 && endRow < GetLineCount() && IsGhostRow(endRow)) InsertLine("", 0, endRow);
    UpdateRealityBlocks(row, row + 1, GetLineCount() - rows.rowsAfter);
    end = {endChar, RowToRealLine(endRow)};
    return true;
}

bool CGhostTextEditContext::DeleteReal(CPoint from, CPoint to, EDITROWS& rows) {
    if (IsReadOnly() || !IsRealPosition(from) || !IsRealPosition(to)) return false;
    if (to.y < from.y || (to.y == from.y && to.x < from.x)) return false;
    const int first = RealLineToRow(from.y), last = RealLineToRow(to.y);
    rows.firstRow = first;
    rows.rowsAfter = GetLineCount() - 1 - last;
    m_keepBlocks = true;
    const bool done = InternalDeleteText(nullptr, first, from.x, last, to.x);
    m_keepBlocks = false;
    if (!done) return false;
    UpdateRealityBlocks(first, last + 1, GetLineCount() - rows.rowsAfter);
    return true;
}

bool CGhostTextEditContext::FillGhostRow(int row, const std::string& text, CPoint& realStart, CPoint& realEnd,
                                         CPoint& textEnd, EDITROWS& rows) {
    if (IsReadOnly() || !IsGhostRow(row) || RowToRealLine(row) >= GetRealLineCount()) return false;
    rows.firstRow = row;
    rows.rowsAfter = GetLineCount() - 1 - row;
    CSyntaxTextLine& line = GetLine(row);
    line.flags &= ~(LF_GHOST | LF_COMPARISON);
    line.SetEnding(EndingForStyle(GetLineEndingStyle()));
    int endRow = 0, endChar = 0;
    m_keepBlocks = true;
    const bool done = InternalInsertText(nullptr, row, 0, text, endRow, endChar);
    m_keepBlocks = false;
    if (!done) {
        GetLine(row).SetEnding({});
        GetLine(row).flags |= LF_GHOST;
        return false;
    }
    UpdateRealityBlocks(row, row + 1, GetLineCount() - rows.rowsAfter);
    realStart = {0, RowToRealLine(row)};
    realEnd = {0, RowToRealLine(endRow) + 1};
    textEnd = {endChar, endRow};
    return true;
}

void CGhostTextEditContext::DescribeReal(CPoint from, CPoint to, std::string& text,
                                         std::vector<int>& pieces) {
    text.clear();
    pieces.clear();
    if (!IsRealPosition(from) || !IsRealPosition(to)) return;
    // Placeholder rows between hold no text and end no line: the text is
    // the real lines' alone.
    const int first = RealLineToRow(from.y), last = RealLineToRow(to.y);
    DescribeRange(first, from.x, last, to.x, text, pieces);
    if (!pieces.empty()) {
        std::vector<int> real;
        for (int row = first, k = 0; row <= last; ++row, ++k)
            if (!IsGhostRow(row)) real.push_back(pieces[static_cast<size_t>(k)]);
        pieces = std::move(real);
    }
}

LINEORIGINS CGhostTextEditContext::OriginsOf(int first, int last) {
    LINEORIGINS origins;
    for (int line = first; line <= last && line < GetRealLineCount(); ++line)
        if (std::unique_ptr<LINEORIGIN> origin = OriginOf(GetLine(RealLineToRow(line))))
            origins.emplace_back(line - first, std::move(origin));
    return origins;
}

void CGhostTextEditContext::RestoreOrigins(int first, const LINEORIGINS& origins) {
    for (const auto& [index, origin] : origins) {
        const int line = first + index;
        if (line < 0 || line >= GetRealLineCount()) continue;
        CSyntaxTextLine& target = GetLine(RealLineToRow(line));
        if (target.Characters() == origin->characters)
            target.SetOrigin(std::make_unique<LINEORIGIN>(*origin));
    }
}

void CGhostTextEditContext::RemoveGhostLines() {
    RemoveLinesWithFlags(LF_GHOST);
    if (GetLineCount() == 0) InsertLine("", 0);
    for (int row = 0; row < GetLineCount(); ++row) GetLine(row).flags &= ~LF_COMPARISON;
    // Every row is real now: one block.
    m_blocks.assign(1, RealityBlock{0, 0, GetLineCount()});
    m_blocksValid = true;
    NotifyViews(nullptr, nullptr, UPDATE_RESET, -1);
}

int CGhostTextEditContext::RemoveGhostRows(int first, int end) {
    int removed = 0;
    end = std::min(end, GetLineCount());
    for (int row = end - 1; row >= first;) {
        if (!IsGhostRow(row)) {
            --row;
            continue;
        }
        int run = row;
        while (run - 1 >= first && IsGhostRow(run - 1)) --run;
        RemoveLines(run, row - run + 1);
        removed += row - run + 1;
        row = run - 1;
    }
    return removed;
}

}  // namespace corvatine
