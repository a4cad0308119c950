// A folder comparison document without a window: two folder trees paired,
// compared, narrowed and re-compared, with the rows a folder view would show.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foldercompare/FolderCompareContext.h"
#include "foldercompare/FolderCompareReport.h"
#include "request/CompareParams.h"

namespace corvatine {

class CFolderComparer;
class CTextCompareOptions;

class CFolderCompareDoc {
public:
    // The document compares under, remembers its folders in, and its
    // commands change, the run's folder comparison settings; the text
    // content method takes the rules and line filter of the text settings.
    CFolderCompareDoc(CFolderComparer& settings, const CTextCompareOptions& textSettings)
        : m_settings(settings), m_textSettings(textSettings) {}
    virtual ~CFolderCompareDoc() = default;
    CFolderCompareDoc(const CFolderCompareDoc&) = delete;
    CFolderCompareDoc& operator=(const CFolderCompareDoc&) = delete;

    // Builds the comparison of the request and compares it all. False, with
    // nothing opened, when a path exists but is no folder, or cannot be
    // looked at (Context().buildError says why); true without a root when
    // neither path exists. False too when cancelled.
    bool Open(const CFolderCompareParams& request, platform::CProgressSink* progress = nullptr);
    bool CompareAll(platform::CProgressSink* progress = nullptr);
    void CompareItem(CFolderCompareItem& item, bool refresh);
    void CompareSubtree(CFolderCompareItem& item, bool force, int depth,
                        platform::CProgressSink* progress = nullptr);
    // Brings the whole tree up to date ("Preparing..., Please wait"); the
    // views are told to rebuild when it ends.
    bool PrepareAllLevels(platform::CProgressSink* progress = nullptr);
    // After file operations changed the tree: builds the levels that are not
    // built yet from the entries held (reading only folders never read) and
    // takes the root's new status; the views are told to rebuild.
    void CompleteAfterChanges(platform::CProgressSink* progress = nullptr);
    // A new comparison of other folders in this document. Nothing happens
    // (false) when a path is no existing folder, or both are the current ones.
    bool ChangeFolders(const std::string& left, const std::string& right,
                       platform::CProgressSink* progress = nullptr);
    // "Up One Level": both sides' containing folders.
    bool UpOneLevel(platform::CProgressSink* progress = nullptr);
    // Rebuilds the comparison from a copy of the current request.
    bool Reload(platform::CProgressSink* progress = nullptr);

    // A preset view (the whole word), or one class toggled; either becomes
    // the default of new documents unless asDefault is false.
    void SetDisplayFilter(uint32_t word, bool asDefault = true);
    void ToggleDisplayClass(uint32_t bit);
    uint32_t DisplayFilter() const { return m_displayFilter; }
    void Hide(const std::vector<CFolderCompareItem*>& items);
    void Exclude(const std::vector<CFolderCompareItem*>& items);
    void ShowHidden();
    void ToggleShowFiltered() { m_showFiltered = !m_showFiltered; }
    bool ShowFiltered() const { return m_showFiltered; }
    void ToggleQuickMergeMode();
    bool QuickMergeMode() const { return m_quickMergeMode; }
    uint32_t ShownColumns() const { return m_showColumns; }

    bool IsRowShown(const CFolderCompareItem& item) const;
    // The rows a view shows, top to bottom: every shown row, under each
    // shown folder row whose children are built (expanded) its shown rows.
    std::vector<FOLDERREPORTROW> VisibleRows() const;

    // What the report needs; the whole tree is prepared first.
    FOLDERREPORTSOURCE ReportSource();

    const CFolderCompareParams& Request() const { return m_request; }
    // The folder comparison settings the document works under.
    CFolderComparer& Settings() const { return m_settings; }
    CFolderCompareContext& Context() { return m_context; }
    const CFolderCompareContext& Context() const { return m_context; }
    CFolderCompareItem* Root() const { return m_context.root.get(); }
    uint32_t RootStatus() const { return m_context.rootStatus; }
    int Tolerance() const { return m_context.settings.methodOptions.smallTimeToIgnore; }

    // Called when the views must rebuild from the result tree.
    std::function<void()> onRebuild;

protected:
    CFolderComparer& m_settings;
    const CTextCompareOptions& m_textSettings;
    uint32_t m_displayFilter = 0x333;
    uint32_t m_showColumns = 0x7;
    bool m_showFiltered = false;
    bool m_quickMergeMode = false;

private:
    void Rebuild() {
        if (onRebuild) onRebuild();
    }

    CFolderCompareParams m_request;
    CFolderCompareContext m_context;
};

// A new document takes its display filter word, shown columns and quick
// merge mode from the folder comparison settings.
class CFolderCompareDocEx : public CFolderCompareDoc {
public:
    CFolderCompareDocEx(CFolderComparer& settings, const CTextCompareOptions& textSettings);
};

}  // namespace corvatine
