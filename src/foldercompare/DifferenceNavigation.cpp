#include "foldercompare/DifferenceNavigation.h"

#include "foldercompare/FolderRowClass.h"

namespace corvatine {
namespace {

const CFolderCompareItem& ParentOf(const CFolderCompareItem& item, const CFolderCompareItem& root) {
    return item.parent != nullptr ? *item.parent : root;
}

// The last row shown inside item: the last row of its last open level.
CFolderCompareItem* LastInside(const CShownRows& rows, CFolderCompareItem& item) {
    CFolderCompareItem* at = &item;
    for (int count = rows.RowCount(*at); rows.IsOpen(*at) && count > 0; count = rows.RowCount(*at))
        at = rows.RowAt(*at, count - 1);
    return at;
}

}  // namespace

CFolderCompareItem* RowBelow(const CShownRows& rows, const CFolderCompareItem& root,
                             const CFolderCompareItem& item) {
    if (rows.IsOpen(item) && rows.RowCount(item) > 0) return rows.RowAt(item, 0);
    for (const CFolderCompareItem* at = &item; at != &root && at != nullptr; at = at->parent) {
        const CFolderCompareItem& parent = ParentOf(*at, root);
        const int next = rows.RowOf(*at) + 1;
        if (next < rows.RowCount(parent)) return rows.RowAt(parent, next);
    }
    return nullptr;
}

CFolderCompareItem* RowAbove(const CShownRows& rows, const CFolderCompareItem& root,
                             const CFolderCompareItem& item) {
    if (&item == &root) return nullptr;
    const CFolderCompareItem& parent = ParentOf(item, root);
    const int row = rows.RowOf(item);
    if (row > 0) return LastInside(rows, *rows.RowAt(parent, row - 1));
    return &parent != &root ? const_cast<CFolderCompareItem*>(&parent) : nullptr;
}

CFolderCompareItem* StepToDifference(const CShownRows& rows, const CFolderCompareItem& root,
                                     const CFolderCompareItem* current, DifferenceStep step, int tolerance) {
    const bool down = step == DifferenceStep::First || step == DifferenceStep::Next;
    CFolderCompareItem* top = rows.RowCount(root) > 0 ? rows.RowAt(root, 0) : nullptr;
    CFolderCompareItem* at = nullptr;
    if (step == DifferenceStep::Last) {
        const int count = rows.RowCount(root);
        at = count > 0 ? LastInside(rows, *rows.RowAt(root, count - 1)) : nullptr;
    } else if (step == DifferenceStep::First || current == nullptr) {
        at = top;
    } else {
        at = down ? RowBelow(rows, root, *current) : RowAbove(rows, root, *current);
    }
    while (at != nullptr && !IsDifference(ClassOf(*at, tolerance)))
        at = down ? RowBelow(rows, root, *at) : RowAbove(rows, root, *at);
    return at;
}

}  // namespace corvatine
