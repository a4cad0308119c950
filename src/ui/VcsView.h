// The changes of a version-control working copy in the window: every changed
// entry with its status, as a tree of folders or a flat list, filtered by
// status. Opening one compares the committed version (read-only, fetched into
// a private folder) with the working file; a conflicted one opens the
// three-way merge of its base, ours and theirs into the working file.
#pragma once

#include <QAction>
#include <QPointer>

#include <memory>
#include <string>
#include <vector>

#include "platform/Messages.h"
#include "request/CompareParams.h"
#include "ui/DocumentView.h"
#include "vcs/WorkingCopy.h"

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace corvatine::ui {

class CMergeWindow;

class CVcsView : public CDocumentView {
    Q_OBJECT

public:
    // Lists the working copy's changes at once (an error is told through
    // messages and leaves the list empty).
    CVcsView(vcs::WORKINGCOPY copy, platform::CMessages& messages, QWidget* parent = nullptr);
    ~CVcsView() override;

    QString Title() const override;
    QString StatusText() const override;
    bool IsEnabled(Command command) const override;
    void Execute(Command command) override;
    bool CanClose() override { return true; }

    const vcs::CWorkingCopy& WorkingCopy() const { return m_copy; }
    const std::vector<vcs::VCSCHANGE>& Changes() const { return m_changes; }
    QTreeWidget* List() const { return m_list; }
    // The view's commands by name: vcsRefresh, vcsCompare, vcsCompareIndex,
    // vcsEdit, vcsRevert, vcsTree, and vcsShow followed by a status letter
    // ('?' as "Untracked").
    QAction* Action(const QString& name) const;

    // Reads the changes again, keeping the selected path; false when the
    // client failed (told).
    bool Refresh();
    void SetTreeMode(bool tree);
    bool TreeMode() const { return m_tree; }
    // The statuses shown, as vcs::StatusBit bits.
    void SetStatusFilter(uint32_t mask);
    uint32_t StatusFilter() const { return m_filter; }
    // The paths of the entries shown, in the order listed.
    std::vector<std::string> ShownPaths() const;
    bool SelectPath(const std::string& path);
    // The selected change; null when none (or a folder of the tree) is.
    const vcs::VCSCHANGE* SelectedChange() const;

    // The commands on the selected change.
    void CompareSelected();
    void CompareSelectedWithIndex();
    void EditSelected();
    void RevertSelected();

    // The merge window a conflicted file opened last (tests look at it).
    CMergeWindow* LastMergeWindow() const;

signals:
    // A comparison of a version with the working file. keep holds the
    // fetched versions for as long as the comparison needs them.
    void openComparison(const CCompareParams& request, std::shared_ptr<void> keep);
    void openFile(const QString& path, bool readOnly);

private:
    void CreateActions();
    void Fill();
    void UpdateActions();
    // Compares the version with the working file (or an empty stand-in).
    void Compare(const vcs::VCSCHANGE& change, vcs::Version version);
    bool OpenMerge(const vcs::VCSCHANGE& change);

    vcs::CWorkingCopy m_copy;
    platform::CMessages& m_messages;
    std::shared_ptr<vcs::CVersionFiles> m_versions;
    std::vector<vcs::VCSCHANGE> m_changes;
    bool m_tree = true;
    uint32_t m_filter = vcs::kAllStatuses;
    QTreeWidget* m_list = nullptr;
    QLabel* m_summary = nullptr;
    std::vector<QAction*> m_filterActions;
    QPointer<QWidget> m_lastMerge;
};

}  // namespace corvatine::ui
