// Next and previous difference over a folder comparison's rows as a view
// shows them: each level's shown rows in the view's order, the rows of open
// folders below their folder.
#pragma once

#include "foldercompare/FolderCompareItem.h"

namespace corvatine {

// The rows a view shows below the root: which children a level shows and in
// what order (its filters and sorting), and which folders are open.
class CShownRows {
public:
    virtual ~CShownRows() = default;
    virtual int RowCount(const CFolderCompareItem& parent) const = 0;
    virtual CFolderCompareItem* RowAt(const CFolderCompareItem& parent, int row) const = 0;
    // The row of a shown item among its parent's rows.
    virtual int RowOf(const CFolderCompareItem& item) const = 0;
    virtual bool IsOpen(const CFolderCompareItem& folder) const = 0;
};

enum class DifferenceStep { First, Previous, Next, Last };

// The row a step lands on: First and Last search from the top and the
// bottom, each row included; Next and Previous from the row after or before
// current, or from the top row itself when there is no current row. A row
// stops the search when its class is a difference; null when none does.
CFolderCompareItem* StepToDifference(const CShownRows& rows, const CFolderCompareItem& root,
                                     const CFolderCompareItem* current, DifferenceStep step, int tolerance);

// The shown row after and before item in display order, as a tree view
// moves down and up; null past either end.
CFolderCompareItem* RowBelow(const CShownRows& rows, const CFolderCompareItem& root,
                             const CFolderCompareItem& item);
CFolderCompareItem* RowAbove(const CShownRows& rows, const CFolderCompareItem& root,
                             const CFolderCompareItem& item);

}  // namespace corvatine
