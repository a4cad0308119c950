#include "foldercompare/FolderCompareReport.h"

#include <unistd.h>

#include <ctime>
#include <string_view>

#include "foldercompare/FolderCompareColors.h"
#include "platform/LocalTime.h"
#include "platform/Shell.h"
#include "textcompare/ReportFrame.h"
#include "textcompare/TextCompareColors.h"
#include "textcompare/TextCompareReport.h"

namespace corvatine {

namespace {

constexpr size_t kInitialPage = 256 * 1024;

// The style class of each colour index; index 0 and 5 have none.
const char* const kClasses[CFolderCompareColors::kCount] = {"",   "bu", "bs", "bd",  "td", "",
                                                            "tn", "bo", "bm", "tne", "bne"};

void AppendColumns(std::string& html, bool size, bool time, bool version) {
    struct COLUMN {
        int width;
        bool rightAligned;
    };
    std::vector<COLUMN> columns;
    if (size && time && version)
        columns = {{22, false}, {8, true}, {12, false}, {8, false}};
    else if (size && time)
        columns = {{22, false}, {8, true}, {20, false}};
    else if (time && version)
        columns = {{22, false}, {20, false}, {8, false}};
    else if (time)
        columns = {{30, false}, {20, false}};
    else if (size && version)
        columns = {{32, false}, {10, true}, {8, false}};
    else if (size)
        columns = {{40, false}, {10, true}};
    else if (version)
        columns = {{40, false}, {10, false}};
    else
        columns = {{50, false}};
    for (int side = 0; side < 2; ++side) {
        for (const COLUMN& c : columns) {
            html += "<col width=\"" + std::to_string(c.width) + "%\"";
            // The stray ";" after the style belongs to the page as it has always been written.
            html += c.rightAligned ? " style=\"text-align:right\";/>" : "/>";
        }
    }
}

void AppendCell(std::string& html, int colorIndex, std::string_view text) {
    html += "<td";
    if (colorIndex > 0 && colorIndex < CFolderCompareColors::kCount && kClasses[colorIndex][0] != '\0')
        html += std::string(" class=\"") + kClasses[colorIndex] + "\"";
    html += ">";
    html += CTextCompareReport::Escape(text);
    html += "</td>\r\n";
}

// "Identical" or "Different"; for roots that could not be read, which of
// them and why.
std::string ResultText(const FOLDERREPORTSOURCE& source) {
    if (source.rootStatus == STATUS_IDENTICAL) return "Identical";
    if (source.rootStatus != STATUS_ERROR || source.root == nullptr) return "Different";
    std::string text = "Could not be compared";
    const char* separator = ": ";
    for (const CFolderItem* entry : {source.root->left, source.root->right}) {
        if (entry == nullptr || entry->readError == 0) continue;
        text += separator + entry->GetFullPath() + " (" + ReadErrorText(entry->readError) + ")";
        separator = ", ";
    }
    return text;
}

void ListTree(CFolderCompareItem& item, int level, uint32_t word, int tolerance,
              std::vector<FOLDERREPORTROW>& rows) {
    for (CFolderCompareItem& child : item.Children()) {
        if (child.IsFilteredOut() || !IsClassShown(child, word, tolerance)) continue;
        rows.push_back({&child, level, true});
        ListTree(child, level + 1, word, tolerance, rows);
    }
}

}  // namespace

const FOLDERREPORTROWSET kFolderReportRowSets[10] = {
    {"all", 0x333},
    {"different and orphans", 0x332},
    {"identical", 0x1},
    {"all but orphans", 0x303},
    {"different but orphans", 0x302},
    {"orphans", 0x30},
    {"left-newer", 0x100},
    {"right-newer", 0x200},
    {"left-newer and left-only", 0x110},
    {"right-newer and right-only", 0x220},
};

CFolderCompareReport::~CFolderCompareReport() {
    if (!previewFile.empty()) ::unlink(previewFile.c_str());
}

std::vector<FOLDERREPORTROW> CFolderCompareReport::ListedRows(const FOLDERREPORTSOURCE& source) const {
    if (justVisibleItems) return source.visibleRows;
    std::vector<FOLDERREPORTROW> rows;
    if (source.root != nullptr) ListTree(*source.root, 0, rowFilter, source.tolerance, rows);
    return rows;
}

void CFolderCompareReport::Render(const FOLDERREPORTSOURCE& source, const FOLDERREPORTCOLORS& colors,
                                  std::string& html, platform::CProgressSink* progress, int64_t now) const {
    const std::string time = platform::FormatLocalTime(now, "%Y-%m-%d %H:%M:%S");
    const std::string kind = source.kind;
    html.reserve(html.size() + kInitialPage);

    const PAGECOLORS& page = colors.page;
    AppendReportHead(html, time, title.empty() ? source.title : title, page);
    struct STYLE {
        const char* name;
        int index;
        const char* property;
    };
    const STYLE styles[] = {{"td", 4, "color"},
                            {"bd", 3, "background-color"},
                            {"tn", 6, "color"},
                            {"bs", 2, "background-color"},
                            {"tne", 9, "color"},
                            {"bne", 10, "background-color"},
                            {"bu", 1, "background-color"},
                            {"bo", 7, "background-color"},
                            {"bm", 8, "background-color"}};
    for (const STYLE& style : styles) {
        html += std::string(".") + style.name + " { " + style.property + ":" + colors.table.Html(style.index);
        // A background class brings the text that stands on it.
        if (page.tintsCarryText && std::string_view(style.property) == "background-color")
            html += "; color:" + HtmlColor(colors.text[style.index]);
        html += "; }\r\n";
    }
    AppendReportBodyStart(html);
    AppendReportSummary(html,
                        {{kind + " Comparison:", source.title},
                         {"Left " + kind + ":", source.paths[0]},
                         {"Right " + kind + ":", source.paths[1]},
                         {"Result:", ResultText(source)},
                         {"Producted:", time}},
                        page);

    const std::vector<FOLDERREPORTROW> rows = ListedRows(source);
    if (rows.empty()) {
        html += "Empty";
    } else {
        AppendReportFrameStart(html, page, '\'');
        html += "<table width=100% bgcolor='" + page.background +
                "' cellpadding=2 cellspacing=0 border=0 style='table-layout: fixed;color:" + page.text +
                ";font-family: courier new, helvetica, sans-serif; font-size: 8pt'>\r\n";
        AppendColumns(html, includeSize != 0, includeTime != 0, includeVersion != 0);
        html += "<tr>\r\n";
        for (int side = 0; side < 2; ++side) {
            const std::string cell = "<td bgcolor=\"" + page.heading + "\"><b>";
            html += cell + "Name</b></td>\r\n";
            if (includeSize) html += cell + "Size</b></td>\r\n";
            if (includeTime) html += cell + "Modified</b></td>\r\n";
            if (includeVersion) html += cell + "Version</b></td>\r\n";
        }
        html += "</tr>\r\n";
        if (progress != nullptr) progress->Start(0, static_cast<int>(rows.size()) - 1, "Generating report");
        for (const FOLDERREPORTROW& row : rows) {
            html += "<tr>\r\n";
            for (int side = 0; side < 2; ++side) {
                CFolderItem* entry = row.item->Side(side);
                const int color = FolderRowColor(*row.item, side);
                std::string name, size, modified, version;
                if (entry != nullptr) {
                    name.assign(2 * static_cast<size_t>(row.level), ' ');
                    name += row.item->IsFolderPair() ? (row.expanded ? "- " : "+ ") : "  ";
                    name += entry->GetName();
                    // Why it could not be compared, beside the entry that could not be read.
                    if (row.item->status == STATUS_ERROR && entry->readError != 0)
                        name += " (" + ReadErrorText(entry->readError) + ")";
                    size = entry->GetSizeText();
                    modified = entry->GetLastWriteTimeText();
                    if (includeVersion && !entry->IsFolder()) {
                        entry->ReadVersion();
                        if (entry->HasFileVersion()) version = entry->GetVersionText();
                    }
                }
                AppendCell(html, color, name);
                if (includeSize) AppendCell(html, color, size);
                if (includeTime) AppendCell(html, color, modified);
                if (includeVersion) AppendCell(html, color, version);
            }
            html += "</tr>\r\n";
            if (progress != nullptr) progress->Step();
        }
        if (progress != nullptr) progress->Close();
        html += "</table>\r\n</td>\r\n</tr>\r\n</table>\r\n";
    }
    AppendReportEnd(html);
}

bool CFolderCompareReport::Generate(const FOLDERREPORTSOURCE& source, const FOLDERREPORTCOLORS& colors,
                                    const std::string& path, platform::CProgressSink* progress,
                                    std::string& error) const {
    std::string html;
    Render(source, colors, html, progress, static_cast<int64_t>(std::time(nullptr)));
    return WriteReportFile(path, html, error);
}

bool CFolderCompareReport::Copy(const FOLDERREPORTSOURCE& source, const FOLDERREPORTCOLORS& colors,
                                platform::CProgressSink* progress) const {
    std::string html;
    Render(source, colors, html, progress, static_cast<int64_t>(std::time(nullptr)));
    return platform::CopyTextToClipboard(html);
}

bool CFolderCompareReport::Preview(const FOLDERREPORTSOURCE& source, const FOLDERREPORTCOLORS& colors,
                                   platform::CProgressSink* progress, std::string& error) {
    std::string html;
    Render(source, colors, html, progress, static_cast<int64_t>(std::time(nullptr)));
    return PreviewReportFile(previewFile, html, error);
}

}  // namespace corvatine
