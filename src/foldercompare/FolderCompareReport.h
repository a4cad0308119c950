// The HTML report of a folder comparison: a summary block, then one row per
// listed item with both sides' names, sizes, times and versions, coloured
// like the folder view.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "editor/PageColors.h"
#include "foldercompare/FolderCompareColors.h"
#include "foldercompare/FolderCompareItem.h"
#include "foldercompare/FolderRowClass.h"
#include "platform/Progress.h"

namespace corvatine {

// One row as the folder view shows it.
struct FOLDERREPORTROW {
    CFolderCompareItem* item;
    int level;      // ancestors below the root
    bool expanded;  // for a folder row
};

// What the report shows of a comparison.
struct FOLDERREPORTSOURCE {
    const char* kind = "Folder";  // "Project" for project comparisons
    std::string title;            // the comparison's title
    std::string paths[2];
    uint32_t rootStatus = STATUS_NOT_COMPARED;
    CFolderCompareItem* root = nullptr;
    std::vector<FOLDERREPORTROW> visibleRows;  // the rows of the view, top to bottom
    int tolerance = 2;                         // of the time order, for the row filter
};

// The row sets of the report dialog, in its order.
struct FOLDERREPORTROWSET {
    const char* name;
    uint32_t word;
};
extern const FOLDERREPORTROWSET kFolderReportRowSets[10];

// What the page is coloured with: the folder colour table, the text that
// stands on each of its backgrounds (written when the page's colours say
// so) and the page's own colours. Made from a table alone, the page is
// coloured as it has always been.
struct FOLDERREPORTCOLORS {
    CFolderCompareColors table;
    uint32_t text[CFolderCompareColors::kCount] = {};
    PAGECOLORS page;
    FOLDERREPORTCOLORS() = default;
    FOLDERREPORTCOLORS(const CFolderCompareColors& colors) : table(colors) {}  // NOLINT: implicit
};

class CFolderCompareReport {
public:
    CFolderCompareReport() = default;
    ~CFolderCompareReport();  // removes the preview file
    CFolderCompareReport(const CFolderCompareReport&) = delete;
    CFolderCompareReport& operator=(const CFolderCompareReport&) = delete;

    std::string title;           // empty: the comparison's title
    int justVisibleItems = 1;    // the view's rows instead of the whole tree
    uint32_t rowFilter = 0x333;  // display filter bits of the listed items
    int includeTime = 1;
    int includeSize = 1;
    int includeVersion = 0;
    std::string previewFile;

    // The rows listed: the view's rows, or the whole tree depth first
    // without filtered-out items and those the row filter hides (with their
    // descendants; folder rows pass).
    std::vector<FOLDERREPORTROW> ListedRows(const FOLDERREPORTSOURCE& source) const;

    // The page, its time stamps from the given time (seconds since 1970).
    void Render(const FOLDERREPORTSOURCE& source, const FOLDERREPORTCOLORS& colors, std::string& html,
                platform::CProgressSink* progress, int64_t now) const;
    // Writes the page to a file, replacing it only once completely written.
    bool Generate(const FOLDERREPORTSOURCE& source, const FOLDERREPORTCOLORS& colors, const std::string& path,
                  platform::CProgressSink* progress, std::string& error) const;
    bool Copy(const FOLDERREPORTSOURCE& source, const FOLDERREPORTCOLORS& colors,
              platform::CProgressSink* progress) const;
    bool Preview(const FOLDERREPORTSOURCE& source, const FOLDERREPORTCOLORS& colors,
                 platform::CProgressSink* progress, std::string& error);
};

}  // namespace corvatine
