// What a row of a folder comparison is, as the window, the report and the
// command line show it: one rule for its class, its colour and the counts.
#pragma once

#include <array>

#include "foldercompare/FolderCompareItem.h"

namespace corvatine {

enum class FolderRowClass : int {
    NotCompared,
    Identical,
    SamePath,
    Different,
    LeftOnly,
    RightOnly,
    LeftNewer,
    RightNewer,
    Error,
};
inline constexpr int kFolderRowClassCount = static_cast<int>(FolderRowClass::Error) + 1;

// The class of an item: could not be compared first, then one-sided, then
// its status (a time difference as the newer side, times within tolerance
// seconds equal).
FolderRowClass ClassOf(const CFolderCompareItem& item, int tolerance);
// Whether next and previous difference stop at a row of the class.
inline bool IsDifference(FolderRowClass rowClass) {
    return rowClass != FolderRowClass::Identical && rowClass != FolderRowClass::SamePath;
}
// The word scripts read: "identical", "left-newer", "error", ...; "unknown"
// for a row not compared.
const char* ClassWord(FolderRowClass rowClass);

// The colour index of one side's cell of a row, as the folder view and the
// report colour it:
// - a side that is missing (the other side's orphan): 10, the window colour;
// - an item that could not be compared, one-sided or not: 8;
// - the present side of an orphan: 7;
// - a different pair (status 4), and for a time difference the newer side
//   only: 3;
// - a pair not compared yet: 2;
// - an identical pair or one path on both sides: 1.
int FolderRowColor(const CFolderCompareItem& item, int side);

// The files below a folder by class, and the folders whose level is not
// read yet (counted once, not looked into); filtered-out items are not
// counted, folders are counted by what they hold.
struct FOLDERROWCOUNTS {
    std::array<int, kFolderRowClassCount> files{};
    int awaiting = 0;

    int operator[](FolderRowClass rowClass) const { return files[static_cast<size_t>(rowClass)]; }
};
FOLDERROWCOUNTS CountRows(const CFolderCompareItem& folder, int tolerance);

}  // namespace corvatine
