#include "foldercompare/FolderRowClass.h"

namespace corvatine {

FolderRowClass ClassOf(const CFolderCompareItem& item, int tolerance) {
    if (item.status == STATUS_ERROR) return FolderRowClass::Error;
    if (item.IsLeftOnly()) return FolderRowClass::LeftOnly;
    if (item.IsRightOnly()) return FolderRowClass::RightOnly;
    switch (item.status) {
        case STATUS_IDENTICAL: return FolderRowClass::Identical;
        case STATUS_SAME_PATH: return FolderRowClass::SamePath;
        case STATUS_DIFFERENT: {
            const int newer = item.NewerSide(tolerance);
            return newer > 0   ? FolderRowClass::LeftNewer
                   : newer < 0 ? FolderRowClass::RightNewer
                               : FolderRowClass::Different;
        }
        default: return FolderRowClass::NotCompared;
    }
}

const char* ClassWord(FolderRowClass rowClass) {
    switch (rowClass) {
        case FolderRowClass::NotCompared: return "unknown";
        case FolderRowClass::Identical: return "identical";
        case FolderRowClass::SamePath: return "same-path";
        case FolderRowClass::Different: return "different";
        case FolderRowClass::LeftOnly: return "left-only";
        case FolderRowClass::RightOnly: return "right-only";
        case FolderRowClass::LeftNewer: return "left-newer";
        case FolderRowClass::RightNewer: return "right-newer";
        case FolderRowClass::Error: return "error";
    }
    return "unknown";
}

int FolderRowColor(const CFolderCompareItem& item, int side) {
    if (!item.HasSide(side)) return 10;
    // The cells colour a time difference by the exact times, whatever the
    // tolerance the classes use.
    switch (ClassOf(item, 0)) {
        case FolderRowClass::Error: return 8;
        case FolderRowClass::LeftOnly:
        case FolderRowClass::RightOnly: return 7;
        case FolderRowClass::Different: return 3;
        case FolderRowClass::LeftNewer: return side == 0 ? 3 : 1;
        case FolderRowClass::RightNewer: return side == 1 ? 3 : 1;
        case FolderRowClass::NotCompared: return 2;
        case FolderRowClass::Identical:
        case FolderRowClass::SamePath: return 1;
    }
    return 1;
}

namespace {

void Count(const CFolderCompareItem& folder, int tolerance, FOLDERROWCOUNTS& counts) {
    for (const CFolderCompareItem& child : folder.Children()) {
        if (child.IsFilteredOut()) continue;
        if (child.AwaitsLevel())
            ++counts.awaiting;
        else if (child.IsFolderPair())
            Count(child, tolerance, counts);
        else
            ++counts.files[static_cast<size_t>(ClassOf(child, tolerance))];
    }
}

}  // namespace

FOLDERROWCOUNTS CountRows(const CFolderCompareItem& folder, int tolerance) {
    FOLDERROWCOUNTS counts;
    Count(folder, tolerance, counts);
    return counts;
}

}  // namespace corvatine
