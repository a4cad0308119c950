// One folder comparison: the two entry trees, the result tree built from
// them, and what it was built from.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "foldercompare/FolderCompareItem.h"
#include "request/CompareMethods.h"

namespace corvatine {

class CFolderCompareContext {
public:
    std::string paths[2];
    uint32_t options = 0;  // FOLDER_OPTION_AUTO_SCAN
    FOLDERCOMPARESETTINGS settings;
    std::unique_ptr<CFolder> roots[2];  // null for a side whose path does not exist
    std::unique_ptr<CFolderCompareItem> root;
    uint32_t rootStatus = STATUS_NOT_COMPARED;
    // Why the last build failed with -2: the errno value of looking at the
    // path of side buildErrorSide.
    int buildError = 0;
    int buildErrorSide = -1;

    CFolderCompareContext() = default;
    CFolderCompareContext(const CFolderCompareContext&) = delete;
    CFolderCompareContext& operator=(const CFolderCompareContext&) = delete;

    // Makes the root entries of the sides whose paths exist and the root
    // item. 0 on success (no root when neither side exists), -1 when a path
    // exists but is no folder, -2 when a path cannot be looked at (a folder
    // on the way may not be searched, ...): buildError says why.
    int Build();
    // Compares the root's children with a rescan, to depth 2 when the
    // scan-all-subfolders option is set, else 1; then the root status.
    // False when cancelled.
    bool CompareAll(platform::CProgressSink* progress);
    // Brings the whole tree up to date: depth 2 with a rescan.
    bool PrepareAllLevels(platform::CProgressSink* progress);
    // Discards the result and both entry trees.
    void Clear();

    int Depth() const { return (options & FOLDER_OPTION_AUTO_SCAN) ? 2 : 1; }

private:
    void SetRootStatus();
};

}  // namespace corvatine
