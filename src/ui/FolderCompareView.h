// The view of a folder comparison: the result tree as a tree-list with both
// sides' columns and each row's status, its display filters and sorting, the
// file operations on the selected rows, the filters, and the report. Scans
// and operations run on a worker; the window goes on meanwhile.
#pragma once

#include <QTreeView>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foldercompare/FolderCompareDoc.h"
#include "platform/Messages.h"
#include "ui/DocumentView.h"
#include "ui/FolderWork.h"

class QLabel;
class QTimer;

namespace corvatine::ui {

class CFolderCompareModel;
class CFolderDetailPane;
class CFolderProgressDialog;
class CFolderWatcher;

// The synchronisation wizard, once the window has one: shown over the view
// with the type chosen beforehand, on a document whose levels are all
// prepared. It may change the result tree; the view shows it anew after.
using SyncWizardHook = std::function<void(QWidget* parent, CFolderCompareDoc& doc, int type)>;
void SetSyncWizardHook(SyncWizardHook hook);
bool HasSyncWizard();

class CFolderCompareView : public CDocumentView {
    Q_OBJECT

public:
    // Opens the comparison and starts its scan. Null, after saying why, when
    // a path exists but is no folder.
    static CFolderCompareView* Create(const CFolderCompareParams& request, platform::CMessages& messages,
                                      QWidget* parent = nullptr);
    ~CFolderCompareView() override;

    CFolderCompareDoc& Doc() { return m_doc; }
    CFolderCompareModel& Model() { return *m_model; }
    QTreeView& Tree() { return *m_tree; }
    // A worker is at work on the document.
    bool IsBusy() const { return m_work != nullptr; }
    // How long the window waits for a worker before it shows its progress
    // (in milliseconds): short work then leaves no trace. 0 shows it always.
    void SetPatience(int milliseconds) { m_patience = milliseconds; }
    // The selected items, top to bottom.
    std::vector<CFolderCompareItem*> SelectedItems() const;
    // Selects the rows of the paths ('/'-separated names below the roots);
    // the first becomes the current row.
    void SelectPaths(const std::vector<std::string>& paths);
    // The rows the view shows now, top to bottom, as the report lists them.
    std::vector<FOLDERREPORTROW> ShownRows() const;
    // The detail pane of the current pair, and the watch on the folders.
    CFolderDetailPane& Details() { return *m_details; }
    CFolderWatcher& Watcher() { return *m_watcher; }
    // The watch saw another program change the folders since the last scan.
    bool ChangedOnDisk() const;
    // Writes, copies or previews the report (the progress dialog meanwhile).
    enum class ReportAction { Save, Copy, Preview };
    void RunReport(ReportAction action, const std::string& path);

    QString Title() const override;
    QString StatusText() const override { return m_statusText; }
    bool IsEnabled(Command command) const override;
    bool IsChecked(Command command) const override;
    void Execute(Command command) override;
    bool CanClose() override;
    void ReadOptions() override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // A file pair to open in its comparison.
    void openComparison(const CCompareParams& request);
    // A one-sided file to open in the editor.
    void openFile(const QString& path, bool readOnly);
    // The comparison now compares other folders, or by other filters.
    void requestChanged(const CCompareParams& request);
    // Work of the worker ended and the rows show its result.
    void workFinished();

private:
    CFolderCompareView(const CFolderCompareParams& request, platform::CMessages& messages, QWidget* parent);

    // What the window shows of the work while it runs: a panel above the
    // rows (scans, which leave the window free), or the modal progress
    // dialog (operations, which keep the rows as they were).
    enum class WorkLook { Panel, Dialog };
    struct WORKDISPLAY {
        WorkLook look = WorkLook::Panel;
        QString title;
        QString message;
        bool cancel = true;
    };
    using Then = std::function<void(bool completed, CFolderWorkProgress& progress)>;
    void RunWork(const WORKDISPLAY& display, CFolderWork::Work work, Then then,
                 std::function<void(CFolderWorkProgress&)> prepare = {});
    void EnterBusy(const WORKDISPLAY& display);
    void FinishWork(int generation);

    // The rows kept across a change of the tree: expanded folders, the
    // selection, the current row and the scroll position, by path.
    void SaveState();
    void RestoreState();
    // A change on this thread that changes which rows there are.
    void ChangeRows(const std::function<void()>& change);
    void AfterTreeChange();
    void UpdateSummary();
    void UpdateRootStatus();

    void Open(const CFolderCompareParams& request);
    void Rescan();
    // Opens the comparison anew on the worker (the same folders again, or
    // others): one view opens at a time.
    void Reopen(CFolderWork::Work open);
    // A folder pair whose children are still to be compared (one level).
    std::vector<CFolderCompareItem*> OpenedRowsNeedingLevel() const;
    // Compares the folders that are open in the view and not compared yet.
    void CompareOpenedLevels();
    void Activate(const QModelIndex& index);
    void RunOperation(std::shared_ptr<CFileOperation> command, std::vector<CFolderCompareItem*> items,
                      bool withDialog = true);
    bool ConfirmReplacing(const CFileOperation& command, const std::vector<CFolderCompareItem*>& items);
    void EditFilters();
    void PrepareAllLevels(std::function<void()> then);
    void ShowReportDialog();
    void Synchronize();
    void GoToDifference(Command command);
    void ShowContextMenu(const QPoint& at);
    void ShowColumnMenu(const QPoint& at);
    // Each folder's path above its side's columns.
    void PlacePaths();
    void ApplyColumns();
    // The two sides share the rows' width equally: each side's shown columns
    // at their remembered widths, its name taking what is left, and its names
    // first when the side is narrow.
    void FitColumns();
    void ApplyFont();
    // The folder item that a new folder goes into: the current folder row,
    // the current file's folder, or the roots.
    CFolderCompareItem* CurrentFolder() const;
    CFolderCompareItem* CurrentItem() const;
    // The detail pane follows the current row.
    void UpdateDetails();
    // Finds the next (or previous) row by name; with ask, the text first.
    void FindRow(bool up, bool ask);

    platform::CMessages& m_messages;
    CFolderCompareDocEx m_doc;
    // The request as the window knows it: the document's own copy is written
    // by the worker that opens it.
    CFolderCompareParams m_request;
    CFolderCompareModel* m_model = nullptr;
    QTreeView* m_tree = nullptr;
    CFolderProgressPanel* m_panel = nullptr;
    QWidget* m_pathBar = nullptr;
    QLabel* m_paths[2] = {nullptr, nullptr};
    std::unique_ptr<CFolderWork> m_work;
    Then m_then;
    int m_generation = 0;
    CFolderProgressDialog* m_dialog = nullptr;
    int m_patience = 150;
    QString m_statusText;
    mutable std::vector<CFolderCompareItem*> m_selection;
    mutable bool m_selectionKnown = false;

    struct VIEWSTATE {
        std::vector<std::string> expanded;
        std::vector<std::string> selected;
        std::string current;
        int scroll = 0;
    };
    VIEWSTATE m_state;
    // Open folders below folders not compared yet, kept until they can be.
    std::vector<std::string> m_unresolved;
    bool m_restoring = false;
    bool m_fitting = false;
    QTimer* m_fitLater = nullptr;
    uint32_t m_columns = 0x7;  // "ShowColumns" of this view
    CFolderDetailPane* m_details = nullptr;
    std::unique_ptr<CFolderWatcher> m_watcher;
    QWidget* m_changedBar = nullptr;  // offers Refresh after the watch saw a change
    QString m_findText;
};

}  // namespace corvatine::ui
