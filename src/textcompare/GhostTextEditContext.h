// The buffer of one side of a text comparison: an edit context whose rows
// are the side's real lines and placeholder rows ("ghost lines") that stand
// opposite lines the other side has and this one lacks.
#pragma once

#include <string>
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

// The rows an edit changed: from the first one it touched on, all but the
// last rowsAfter rows, which it left as they were (they may have moved).
struct EDITROWS {
    int firstRow = 0;
    int rowsAfter = 0;
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
    // A row position on the real text: a placeholder row stands at the start
    // of the real line after it, or at the end of the text after the last.
    CPoint RowToReal(CPoint row);
    // The row position of a real position.
    CPoint RealToRow(CPoint real) { return {real.x, RealLineToRow(real.y)}; }
    // Whether a real position lies in the text.
    bool IsRealPosition(CPoint real);

    // Editing of the real text, in real positions: the placeholder rows
    // between stay, but for those inside a deleted range. No undo record is
    // made (the comparison keeps the history). False when a position is not
    // in the text or the buffer is read-only. rows: what changed.
    bool InsertReal(CPoint at, const std::string& text, const std::vector<int>* pieces, CPoint& end,
                    EDITROWS& rows);
    bool DeleteReal(CPoint from, CPoint to, EDITROWS& rows);
    // Text put into a ghost row that a real line follows: the row becomes a
    // real line of its own, the text with the buffer style's ending. out:
    // the real position of the text and the end of the text with its
    // ending (what the real text gained), and the row position after the
    // text alone.
    bool FillGhostRow(int row, const std::string& text, CPoint& realStart, CPoint& realEnd, CPoint& textEnd,
                      EDITROWS& rows);
    // The text between two real positions with each line's own ending, and
    // its pieces (see DescribeRange).
    void DescribeReal(CPoint from, CPoint to, std::string& text, std::vector<int>& pieces);

    // The origins of real lines first..last read with loss (see OriginOf),
    // by their index from first.
    LINEORIGINS OriginsOf(int first, int last);
    // Gives real lines from first on the origins of a text put there; a line
    // whose characters are not those its origin was read as takes none.
    void RestoreOrigins(int first, const LINEORIGINS& origins);

    // Removes every ghost row (outside the undo history) and clears the
    // comparison marks 0x2000000, 0x4000000 and 0x8000000: only the real
    // text remains.
    void RemoveGhostLines();
    // Removes the ghost rows among rows first..end-1; how many went.
    int RemoveGhostRows(int first, int end);
    // Rebuilds the reality blocks from the ghost flags of the rows.
    void RebuildRealityBlocks();
    // Rows first..oldEnd-1 became first..newEnd-1 and the rows after them
    // moved along unchanged: the reality blocks follow with a look at the
    // changed rows only. The blocks must have been valid before the change.
    void UpdateRealityBlocks(int first, int oldEnd, int newEnd);

protected:
    void OnTextChanged() override {
        if (!m_keepBlocks) m_blocksValid = false;
    }

private:
    std::vector<RealityBlock> m_blocks;
    bool m_blocksValid = false;
    bool m_keepBlocks = false;  // an edit keeps the blocks itself
};

}  // namespace corvatine
