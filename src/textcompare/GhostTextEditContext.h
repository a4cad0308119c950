// The buffer of one side of a text comparison: an edit context whose rows
// are the side's real lines and placeholder rows ("ghost lines") that stand
// opposite lines the other side has and this one lacks.
#pragma once

#include <vector>

#include "editor/SyntaxEditContextEx.h"

namespace corvatine {

// A run of real lines: the first real line (counting real lines only), the
// row it stands in (counting all rows), and how many follow.
struct RealityBlock {
    int realLine;
    int row;
    int count;
};

class CGhostTextEditContext : public CSyntaxEditContextEx {
public:
    explicit CGhostTextEditContext(bool trackChanges = false) : CSyntaxEditContextEx(trackChanges) {}

    bool IsGhostRow(int row) const {
        return row >= 0 && row < GetLineCount() && (GetLine(row).flags & LF_GHOST);
    }
    int GetRealLineCount();
    const std::vector<RealityBlock>& GetRealityBlocks();

    // The real line a row shows; a ghost row maps to the real line that
    // follows it, and a row beyond the last block to the end of the text.
    int RowToRealLine(int row);
    // The row of a real line; the end of the text maps to the row count.
    int RealLineToRow(int line);

    // Removes every ghost row (outside the undo history) and clears the
    // comparison marks 0x2000000, 0x4000000 and 0x8000000: only the real
    // text remains.
    void RemoveGhostLines();
    // Rebuilds the reality blocks from the ghost flags of the rows.
    void RebuildRealityBlocks();

    // Text typed into a ghost row makes it a real line.
    bool InsertTextAt(CSyntaxTextView* view, int line, int character, const std::string& text, int& endLine,
                      int& endChar, int action, bool history = true) override;

protected:
    // Undo puts back the ghost marks of the rows an edit touched.
    std::vector<uint32_t> CaptureLineFlags(int first, int last) const override;
    void OnTextChanged() override { m_blocksValid = false; }

private:
    std::vector<RealityBlock> m_blocks;
    bool m_blocksValid = false;
};

}  // namespace corvatine
