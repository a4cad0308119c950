#include "textcompare/GhostTextEditContext.h"

#include <algorithm>

namespace corvatine {

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

void CGhostTextEditContext::RemoveGhostLines() {
    RemoveLinesWithFlags(LF_GHOST);
    if (GetLineCount() == 0) InsertLine("", 0);
    for (int row = 0; row < GetLineCount(); ++row)
        GetLine(row).flags &= ~(LF_CHANGED | LF_TRIVIAL | LF_ONE_SIDED);
    // Every row is real now: one block.
    m_blocks.assign(1, RealityBlock{0, 0, GetLineCount()});
    m_blocksValid = true;
    NotifyViews(nullptr, nullptr, UPDATE_RESET, -1);
}

std::vector<uint32_t> CGhostTextEditContext::CaptureLineFlags(int first, int last) const {
    std::vector<uint32_t> flags;
    for (int row = first; row <= last && row < GetLineCount(); ++row) flags.push_back(GetLine(row).flags);
    return flags;
}

bool CGhostTextEditContext::InsertTextAt(CSyntaxTextView* view, int line, int character,
                                         const std::string& text, int& endLine, int& endChar, int action,
                                         bool history) {
    const bool ghost = IsGhostRow(line);
    if (!CSyntaxEditContextEx::InsertTextAt(view, line, character, text, endLine, endChar, action, history))
        return false;
    if (ghost && !text.empty())
        for (int row = line; row <= endLine && row < GetLineCount(); ++row) GetLine(row).flags &= ~LF_GHOST;
    m_blocksValid = false;
    return true;
}

}  // namespace corvatine
