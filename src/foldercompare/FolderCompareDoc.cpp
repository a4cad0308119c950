#include "foldercompare/FolderCompareDoc.h"

#include "foldercompare/FolderCompareOptions.h"
#include "platform/Path.h"
#include "textcompare/TextCompareOptions.h"

namespace corvatine {

namespace {

void AddVisibleRows(const CFolderCompareDoc& doc, const CFolderCompareItem& item, int level,
                    std::vector<FOLDERREPORTROW>& rows) {
    for (CFolderCompareItem& child : item.Children()) {
        if (!doc.IsRowShown(child)) continue;
        const bool expanded = (child.flags & ITEM_CHILDREN_BUILT) != 0 && child.GetChildCount() > 0;
        rows.push_back({&child, level, expanded});
        if (expanded) AddVisibleRows(doc, child, level + 1, rows);
    }
}

}  // namespace

bool CFolderCompareDoc::Open(const CFolderCompareParams& request, platform::CProgressSink* progress) {
    m_request.CopyFrom(request);
    m_context.Clear();
    for (int side = 0; side < 2; ++side) m_context.paths[side] = request.sides[side].path;
    m_context.options = request.options;
    m_context.settings.methods = request.methods;
    m_context.settings.filters = request.filters;
    m_context.settings.methodOptions = m_settings.MethodOptions(m_textSettings);
    if (m_context.Build() != 0) return false;
    for (int side = 0; side < 2; ++side) m_settings.AddRecentFolder(side, request.sides[side].path);
    m_settings.AddRecentPair(request.sides[0].path, request.sides[1].path);
    return CompareAll(progress);
}

bool CFolderCompareDoc::CompareAll(platform::CProgressSink* progress) {
    const bool completed = m_context.CompareAll(progress);
    Rebuild();
    return completed;
}

void CFolderCompareDoc::CompareItem(CFolderCompareItem& item, bool refresh) {
    item.CompareItem(m_context.settings, refresh);
    if (&item == Root()) m_context.rootStatus = item.SidesAreSamePath() ? STATUS_SAME_PATH : item.status;
    Rebuild();
}

void CFolderCompareDoc::CompareSubtree(CFolderCompareItem& item, bool force, int depth,
                                       platform::CProgressSink* progress) {
    item.CompareSubtree(m_context.settings, force, depth, progress);
    if (Root() != nullptr)
        m_context.rootStatus = Root()->SidesAreSamePath() ? STATUS_SAME_PATH : Root()->status;
    Rebuild();
}

bool CFolderCompareDoc::PrepareAllLevels(platform::CProgressSink* progress) {
    const bool completed = m_context.PrepareAllLevels(progress);
    Rebuild();
    return completed;
}

void CFolderCompareDoc::CompleteAfterChanges(platform::CProgressSink* progress) {
    if (Root() != nullptr) {
        Root()->CompareChildren(m_context.settings, 2, false, progress);
        m_context.rootStatus = Root()->SidesAreSamePath() ? STATUS_SAME_PATH : Root()->status;
    }
    Rebuild();
}

bool CFolderCompareDoc::ChangeFolders(const std::string& left, const std::string& right,
                                      platform::CProgressSink* progress) {
    if (!platform::IsFolder(left) || !platform::IsFolder(right)) return false;
    if (platform::PathsEqual(left, m_request.sides[0].path) &&
        platform::PathsEqual(right, m_request.sides[1].path))
        return false;
    CFolderCompareParams request;
    request.CopyFrom(m_request);
    request.sides[0].path = left;
    request.sides[1].path = right;
    return Open(request, progress);
}

bool CFolderCompareDoc::UpOneLevel(platform::CProgressSink* progress) {
    return ChangeFolders(platform::PathParentFolder(m_request.sides[0].path),
                         platform::PathParentFolder(m_request.sides[1].path), progress);
}

bool CFolderCompareDoc::Reload(platform::CProgressSink* progress) {
    CFolderCompareParams request;
    request.CopyFrom(m_request);
    return Open(request, progress);
}

void CFolderCompareDoc::SetDisplayFilter(uint32_t word, bool asDefault) {
    m_displayFilter = word & DISPLAY_ALL;
    if (asDefault) m_settings.displayFilters = m_displayFilter;
    Rebuild();
}

void CFolderCompareDoc::ToggleDisplayClass(uint32_t bit) {
    SetDisplayFilter(m_displayFilter ^ (bit & DISPLAY_ALL));
}

void CFolderCompareDoc::Hide(const std::vector<CFolderCompareItem*>& items) {
    for (CFolderCompareItem* item : items) item->SetHidden(true);
    Rebuild();
}

void CFolderCompareDoc::Exclude(const std::vector<CFolderCompareItem*>& items) {
    for (CFolderCompareItem* item : items) item->MarkExcluded();
    if (Root() != nullptr && !Root()->SidesAreSamePath()) m_context.rootStatus = Root()->status;
    Rebuild();
}

void CFolderCompareDoc::ShowHidden() {
    if (Root() != nullptr) Root()->ShowHiddenChildren();
    Rebuild();
}

void CFolderCompareDoc::ToggleQuickMergeMode() {
    m_quickMergeMode = !m_quickMergeMode;
    m_settings.quickMergeMode = m_quickMergeMode ? 1 : 0;
}

bool CFolderCompareDoc::IsRowShown(const CFolderCompareItem& item) const {
    return corvatine::IsRowShown(item, m_displayFilter, m_showFiltered, Tolerance());
}

std::vector<FOLDERREPORTROW> CFolderCompareDoc::VisibleRows() const {
    std::vector<FOLDERREPORTROW> rows;
    if (Root() != nullptr) AddVisibleRows(*this, *Root(), 0, rows);
    return rows;
}

FOLDERREPORTSOURCE CFolderCompareDoc::ReportSource() {
    PrepareAllLevels();
    FOLDERREPORTSOURCE source;
    source.title = m_request.GetTitle();
    source.paths[0] = m_request.sides[0].path;
    source.paths[1] = m_request.sides[1].path;
    source.rootStatus = RootStatus();
    source.root = Root();
    source.visibleRows = VisibleRows();
    source.tolerance = Tolerance();
    return source;
}

CFolderCompareDocEx::CFolderCompareDocEx(CFolderComparer& settings, const CTextCompareOptions& textSettings)
    : CFolderCompareDoc(settings, textSettings) {
    m_displayFilter = settings.displayFilters & DISPLAY_ALL;
    m_showColumns = settings.showColumns;
    m_quickMergeMode = settings.quickMergeMode != 0;
}

}  // namespace corvatine
