// The folder view's commands: their state, the context menu, the file
// operations, filters, report and synchronisation, finding and moving
// between rows.
#include "ui/FolderCompareView.h"

#include <QApplication>
#include <QClipboard>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>

#include <algorithm>
#include <ctime>
#include <mutex>

#include "editor/FindReplace.h"
#include "fileio/Archive.h"
#include "foldercompare/DifferenceNavigation.h"
#include "foldercompare/FileComparer.h"
#include "foldercompare/FolderCompareOptions.h"
#include "foldercompare/LinkedSides.h"
#include "foldercompare/SyncWizard.h"
#include "launch/Components.h"
#include "platform/Path.h"
#include "ui/ActiveColors.h"
#include "ui/Dialogs.h"
#include "ui/FolderCompareModel.h"
#include "ui/FolderFilterDialog.h"
#include "ui/FolderOperationDialogs.h"
#include "ui/FolderReportDialog.h"
#include "ui/FolderRowSearch.h"
#include "ui/MainFrame.h"
#include "ui/UiText.h"

namespace corvatine::ui {

namespace {

SyncWizardHook g_syncWizard;

// What the file operations changed, for selecting it afterwards: the paths
// of the rows changed and added, taken on the worker's thread while the
// items are there.
class CChangeRecorder : public CFolderCompareListener {
public:
    void ItemChanged(CFolderCompareItem& item) override { Add(item); }
    void SubtreeChanged(CFolderCompareItem& item) override { Add(item); }
    void ChildAdded(CFolderCompareItem& /*parent*/, CFolderCompareItem& child) override { Add(child); }
    void ChildrenRebuilt(CFolderCompareItem& /*item*/) override {}
    std::vector<std::string> Paths() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_paths;
    }

private:
    void Add(const CFolderCompareItem& item) {
        if (item.parent == nullptr) return;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_paths.push_back(item.RelativePath());
    }
    mutable std::mutex m_mutex;
    std::vector<std::string> m_paths;
};

uint32_t SidesPresent(const std::vector<CFolderCompareItem*>& items) {
    uint32_t mask = 0;
    for (const CFolderCompareItem* item : items) {
        if (item->HasSide(0)) mask |= SIDE_LEFT;
        if (item->HasSide(1)) mask |= SIDE_RIGHT;
    }
    return mask;
}

uint32_t DisplayBit(Command command) {
    switch (command) {
        case Command::ShowIdenticalItems: return DISPLAY_IDENTICAL;
        case Command::ShowDifferentItems: return DISPLAY_DIFFERENT;
        case Command::ShowLeftOnlyItems: return DISPLAY_LEFT_ONLY;
        case Command::ShowRightOnlyItems: return DISPLAY_RIGHT_ONLY;
        case Command::ShowLeftNewerItems: return DISPLAY_LEFT_NEWER;
        case Command::ShowRightNewerItems: return DISPLAY_RIGHT_NEWER;
        default: return 0;
    }
}

}  // namespace

void SetSyncWizardHook(SyncWizardHook hook) { g_syncWizard = std::move(hook); }

bool HasSyncWizard() { return static_cast<bool>(g_syncWizard); }

// ---- Finding a row by name ----

void CFolderCompareView::FindRow(bool up, bool ask) {
    if (ask || m_findText.isEmpty()) {
        QInputDialog dialog(this);
        dialog.setObjectName(QStringLiteral("folderFindDialog"));
        dialog.setWindowTitle(QStringLiteral("Find"));
        dialog.setLabelText(QStringLiteral("&Find What:"));
        dialog.setTextValue(m_findText);
        if (dialog.exec() != QDialog::Accepted || dialog.textValue().isEmpty()) return;
        m_findText = dialog.textValue();
    }
    const QModelIndex found = FindFolderRow(*m_model, m_findText, m_tree->currentIndex(), up);
    if (!found.isValid()) {
        QMessageBox::information(this, QStringLiteral("Find"),
                                 FromPath(FormatNotFound(kFindNotFoundFormat, ToPath(m_findText))));
        return;
    }
    for (QModelIndex parent = found.parent(); parent.isValid(); parent = parent.parent())
        m_tree->expand(parent);
    m_tree->setCurrentIndex(found);
    m_tree->scrollTo(found);
}

// ---- File operations ----

bool CFolderCompareView::ConfirmReplacing(const CFileOperation& command,
                                          const std::vector<CFolderCompareItem*>& items) {
    if ((command.kind != FILEOP_COPY && command.kind != FILEOP_MOVE) ||
        (command.shellFlags & platform::FOF_NOCONFIRMATION))
        return true;
    const int target = 1 - static_cast<int>(command.sides);
    int replaced = 0;
    for (const CFolderCompareItem* item : items)
        if (item->HasSide(1 - target) && item->HasSide(target) && !item->IsFolderPair()) ++replaced;
    if (replaced == 0) return true;
    const std::string text = std::to_string(replaced) + " file(s) on the " +
                             (target == 0 ? "left" : "right") + " side will be replaced.\nReplace them?";
    return m_messages.AskYesNo(text) == platform::ANSWER_YES;
}

void CFolderCompareView::RunOperation(std::shared_ptr<CFileOperation> command,
                                      std::vector<CFolderCompareItem*> items, bool withDialog) {
    if (items.empty() || IsBusy()) return;
    // Archives are read, never changed: refused before any dialog asks.
    if (dynamic_cast<const CCompareContents*>(command.get()) == nullptr)
        for (const CFolderCompareItem* item : items)
            if (const std::string refusal = item->ArchiveRefusal(3); !refusal.empty()) {
                m_messages.Error(refusal);
                return;
            }
    if (withDialog) {
        CFolderOperationDialogs dialogs(this);
        if (!command->RunDialog(dialogs, items)) return;
    }
    // What is done on one side of nested folders also changes the other.
    if (dynamic_cast<const CCompareContents*>(command.get()) == nullptr) {
        std::string verb = command->GetVerb();
        std::transform(verb.begin(), verb.end(), verb.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; });
        if (const std::string refusal = NestedRootsRefusal(m_doc.Context(), "Cannot " + verb);
            !refusal.empty()) {
            m_messages.Error(refusal);
            return;
        }
    }
    if (!ConfirmReplacing(*command, items)) return;
    // A renamed item's folder is paired anew: the row is found by its name.
    std::string renamed;
    if (const auto* rename = dynamic_cast<const CRename*>(command.get())) {
        const CFolderCompareItem* up = items.front()->parent;
        const std::string folder = up != nullptr ? up->RelativePath() : std::string();
        renamed = folder.empty() ? rename->newName : folder + "/" + rename->newName;
    }
    auto changes = std::make_shared<CChangeRecorder>();
    command->window = changes.get();
    auto runner = std::make_shared<std::unique_ptr<CFileProcessDlg>>();
    const FOLDERCOMPARESETTINGS* settings = &m_doc.Context().settings;
    const QString title = FromPath(command->GetTitle());
    RunWork(
        {WorkLook::Dialog, QString::fromLatin1(kProcessingTitle), title, true},
        [runner, command](CFolderWorkProgress&) { return (*runner)->Run() == 0; },
        [this, command, changes, title, renamed](bool, CFolderWorkProgress& progress) {
            const std::vector<CFolderWorkProgress::FAILURE> failures = progress.Failures();
            if (!failures.empty()) {
                std::string text = ToPath(title) + ": " + std::to_string(failures.size()) +
                                   (failures.size() == 1 ? " item failed." : " items failed.");
                size_t shown = 0;
                for (const CFolderWorkProgress::FAILURE& failure : failures) {
                    if (++shown > 20) {
                        text += "\n...";
                        break;
                    }
                    text += "\n" + (failure.name.empty() ? std::string(".") : failure.name) + ": " +
                            failure.error;
                }
                m_messages.Error(text);
            }
            const std::vector<std::string> changed =
                renamed.empty() ? changes->Paths() : std::vector{renamed};
            if (!changed.empty() && failures.empty()) SelectPaths(changed);
        },
        [runner, command, items, settings](CFolderWorkProgress& progress) {
            *runner = std::make_unique<CFileProcessDlg>(*command, items, *settings, &progress);
            progress.onCancel = [runner] { (*runner)->Cancel(); };
        });
}

// ---- Filters, report, synchronisation ----

void CFolderCompareView::EditFilters() {
    CFolderFilterDialog dialog(this, m_request);
    if (dialog.exec() != QDialog::Accepted) return;
    CFolderCompareParams request;
    request.CopyFrom(m_request);
    dialog.Apply(request);
    if (request.Equals(m_request)) return;
    Open(request);
}

void CFolderCompareView::PrepareAllLevels(std::function<void()> then) {
    RunWork(
        {WorkLook::Dialog, QStringLiteral("Preparing"), QStringLiteral("Preparing..., Please wait"), false},
        [this](CFolderWorkProgress& progress) { return m_doc.PrepareAllLevels(&progress); },
        [then = std::move(then)](bool, CFolderWorkProgress&) {
            if (then) then();
        });
}

void CFolderCompareView::ShowReportDialog() {
    PrepareAllLevels([this] {
        CFolderReportDialog dialog(this, *this);
        dialog.exec();
    });
}

void CFolderCompareView::RunReport(ReportAction action, const std::string& path) {
    if (IsBusy()) return;
    FOLDERREPORTSOURCE source;
    source.title = m_request.GetTitle();
    source.paths[0] = m_request.sides[0].path;
    source.paths[1] = m_request.sides[1].path;
    source.rootStatus = m_doc.RootStatus();
    source.root = m_doc.Root();
    source.visibleRows = ShownRows();
    source.tolerance = m_doc.Tolerance();
    // The page for the clipboard, or why it could not be written.
    auto result = std::make_shared<std::string>();
    // The colours are taken here: the worker does not ask the toolkit.
    const FOLDERREPORTCOLORS colors = ActiveColors().FolderReport();
    RunWork(
        {WorkLook::Dialog, QStringLiteral("Processing"), QStringLiteral("Processing..., Please wait"), false},
        [source, colors, action, path, result](CFolderWorkProgress& progress) {
            CFolderComparer& folders = AppComponents().Folders();
            switch (action) {
                case ReportAction::Save:
                    return folders.report.Generate(source, colors, path, &progress, *result);
                case ReportAction::Copy:
                    folders.report.Render(source, colors, *result, &progress,
                                          static_cast<int64_t>(std::time(nullptr)));
                    return true;
                case ReportAction::Preview: return folders.report.Preview(source, colors, &progress, *result);
            }
            return false;
        },
        [this, action, result](bool completed, CFolderWorkProgress&) {
            if (action == ReportAction::Copy)
                QApplication::clipboard()->setText(
                    QString::fromUtf8(result->data(), static_cast<qsizetype>(result->size())));
            else if (!completed)
                m_messages.Error(*result);
        });
}

void CFolderCompareView::Synchronize() {
    if (!HasSyncWizard()) return;
    // Refused before the wizard opens: archives are never synchronised.
    if (std::string refusal = ArchiveSyncRefusal(m_doc.Context()); !refusal.empty()) {
        refusal[0] = static_cast<char>(refusal[0] - 'a' + 'A');
        m_messages.Error(refusal);
        return;
    }
    PrepareAllLevels([this] {
        // The wizard changes the tree on its own worker: nothing of it is
        // read here until it is done.
        SaveState();
        m_tree->setUpdatesEnabled(false);
        m_tree->setEnabled(false);
        m_model->SetBlocked(true);
        g_syncWizard(this, m_doc, SYNC_UPDATE_RIGHT);
        m_model->SetBlocked(false);
        m_tree->setEnabled(true);
        m_tree->setUpdatesEnabled(true);
        AfterTreeChange();
    });
}

// ---- Moving between rows ----

namespace {

// The rows as the tree shows them: the model's levels and the tree's open folders.
class CTreeRows : public CShownRows {
public:
    CTreeRows(const CFolderCompareModel& model, const QTreeView& tree) : m_model(model), m_tree(tree) {}
    int RowCount(const CFolderCompareItem& parent) const override {
        return m_model.rowCount(m_model.IndexOf(&parent));
    }
    CFolderCompareItem* RowAt(const CFolderCompareItem& parent, int row) const override {
        return m_model.Item(m_model.index(row, 0, m_model.IndexOf(&parent)));
    }
    int RowOf(const CFolderCompareItem& item) const override { return m_model.IndexOf(&item).row(); }
    bool IsOpen(const CFolderCompareItem& folder) const override {
        const QModelIndex index = m_model.IndexOf(&folder);
        return index.isValid() && m_tree.isExpanded(index);
    }

private:
    const CFolderCompareModel& m_model;
    const QTreeView& m_tree;
};

}  // namespace

void CFolderCompareView::GoToDifference(Command command) {
    const DifferenceStep step = command == Command::FirstDifference  ? DifferenceStep::First
                                : command == Command::NextDifference ? DifferenceStep::Next
                                : command == Command::LastDifference ? DifferenceStep::Last
                                                                     : DifferenceStep::Previous;
    const CTreeRows rows(*m_model, *m_tree);
    CFolderCompareItem* root = m_doc.Root();
    CFolderCompareItem* found =
        root != nullptr
            ? StepToDifference(rows, *root, m_model->Item(m_tree->currentIndex()), step, m_doc.Tolerance())
            : nullptr;
    if (found == nullptr) {
        const bool down = step == DifferenceStep::First || step == DifferenceStep::Next;
        m_messages.Status(down ? "No next difference" : "No previous difference");
        return;
    }
    const QModelIndex at = m_model->IndexOf(found);
    m_tree->selectionModel()->setCurrentIndex(
        at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_tree->scrollTo(at);
}

// ---- Context menu ----

void CFolderCompareView::ShowContextMenu(const QPoint& at) {
    auto* frame = qobject_cast<CMainFrame*>(window());
    if (frame == nullptr || IsBusy()) return;
    QMenu menu(this);
    const Command groups[][6] = {
        {Command::CopyToRight, Command::CopyToLeft, Command::MoveItems, Command::DeleteItems,
         Command::CopyToFolder, Command::Count},
        {Command::NewFolder, Command::RenameItem, Command::SetDateTime, Command::SetAttributes,
         Command::CompareContents, Command::Count},
        {Command::HideItems, Command::ExcludeItems, Command::SetBaseFolder, Command::UpOneLevel,
         Command::Count, Command::Count},
    };
    for (const auto& group : groups) {
        if (!menu.isEmpty()) menu.addSeparator();
        for (const Command command : group)
            if (command != Command::Count) menu.addAction(frame->Action(command));
    }
    // The preset views set the whole display filter word.
    menu.addSeparator();
    QMenu* views = menu.addMenu(QStringLiteral("&Views"));
    for (const DISPLAYFILTERPRESET& preset : kDisplayFilterPresets) {
        QString name = QString::fromLatin1(preset.name).replace(QLatin1Char('-'), QLatin1Char(' '));
        name[0] = name[0].toUpper();
        QAction* action = views->addAction(name);
        action->setCheckable(true);
        action->setChecked(m_doc.DisplayFilter() == preset.word);
        const uint32_t word = preset.word;
        connect(action, &QAction::triggered, this,
                [this, word] { ChangeRows([this, word] { m_doc.SetDisplayFilter(word); }); });
    }
    menu.exec(m_tree->viewport()->mapToGlobal(at));
}

// ---- Commands ----

bool CFolderCompareView::IsEnabled(Command command) const {
    if (IsBusy()) return false;
    CFolderCompareItem* root = m_doc.Root();
    const auto selected = [this] { return !SelectedItems().empty(); };
    const auto selectedSide = [this](int side) {
        for (const CFolderCompareItem* item : SelectedItems())
            if (item->HasSide(side)) return true;
        return false;
    };
    switch (command) {
        case Command::Reload:
        case Command::Recompare:
        case Command::GenerateCommandLine:
        case Command::SwapSides:
        case Command::QuickMergeMode:
        case Command::FolderFilters:
        case Command::ShowGridLines:
        case Command::ShowIdenticalItems:
        case Command::ShowDifferentItems:
        case Command::ShowLeftOnlyItems:
        case Command::ShowRightOnlyItems:
        case Command::ShowLeftNewerItems:
        case Command::ShowRightNewerItems:
        case Command::ShowAllItems:
        case Command::ShowFilteredItems: return true;
        case Command::Copy: return selected();
        case Command::SelectAll:
        case Command::FirstDifference:
        case Command::PreviousDifference:
        case Command::NextDifference:
        case Command::LastDifference:
        case Command::ExpandAll:
        case Command::CollapseAll: return m_model->rowCount() > 0;
        case Command::Report:
        case Command::ShowHiddenItems:
        case Command::NewFolder: return root != nullptr;
        case Command::Synchronize: return root != nullptr && HasSyncWizard();
        case Command::CopyToRight: return selectedSide(0);
        case Command::CopyToLeft: return selectedSide(1);
        case Command::MoveItems:
        case Command::DeleteItems:
        case Command::CopyToFolder:
        case Command::SetDateTime:
        case Command::SetAttributes:
        case Command::CompareContents:
        case Command::HideItems:
        case Command::ExcludeItems: return selected();
        case Command::RenameItem: return SelectedItems().size() == 1;
        case Command::UpOneLevel:
            return platform::PathParentFolder(m_request.sides[0].path) != m_request.sides[0].path &&
                   platform::PathParentFolder(m_request.sides[1].path) != m_request.sides[1].path;
        case Command::SetBaseFolder: {
            const CFolderCompareItem* item = CurrentItem();
            return item != nullptr && item->IsFolderPair() && item->HasBothSides();
        }
        case Command::Find:
        case Command::FindNext:
        case Command::FindPrevious: return m_model->rowCount() > 0;
        default: return false;
    }
}

bool CFolderCompareView::IsChecked(Command command) const {
    if (const uint32_t bit = DisplayBit(command)) return (m_doc.DisplayFilter() & bit) != 0;
    switch (command) {
        case Command::ShowFilteredItems: return m_doc.ShowFiltered();
        case Command::ShowGridLines: return AppComponents().Folders().showGridLines != 0;
        case Command::QuickMergeMode: return m_doc.QuickMergeMode();
        default: return false;
    }
}

void CFolderCompareView::Execute(Command command) {
    if (IsBusy()) return;
    if (const uint32_t bit = DisplayBit(command)) {
        ChangeRows([this, bit] { m_doc.ToggleDisplayClass(bit); });
        return;
    }
    const std::vector<CFolderCompareItem*> items = SelectedItems();
    switch (command) {
        case Command::ShowAllItems: ChangeRows([this] { m_doc.SetDisplayFilter(DISPLAY_ALL); }); break;
        case Command::ShowHiddenItems: ChangeRows([this] { m_doc.ShowHidden(); }); break;
        case Command::ShowFilteredItems: ChangeRows([this] { m_doc.ToggleShowFiltered(); }); break;
        case Command::HideItems: ChangeRows([this, &items] { m_doc.Hide(items); }); break;
        case Command::ExcludeItems: ChangeRows([this, &items] { m_doc.Exclude(items); }); break;
        case Command::ShowGridLines: {
            int& grid = AppComponents().Folders().showGridLines;
            grid = grid != 0 ? 0 : 1;
            m_tree->viewport()->update();
            break;
        }
        case Command::QuickMergeMode: m_doc.ToggleQuickMergeMode(); break;
        case Command::Reload:
        case Command::Recompare: Rescan(); break;
        case Command::GenerateCommandLine: CCommandLineDialog::Run(this, m_request); break;
        case Command::Report: ShowReportDialog(); break;
        case Command::Copy: {
            QString text;
            for (const CFolderCompareItem* item : items)
                text += FromPath(item->RelativePath()) + QLatin1Char('\n');
            QApplication::clipboard()->setText(text);
            break;
        }
        case Command::SelectAll: m_tree->selectAll(); break;
        case Command::FirstDifference:
        case Command::PreviousDifference:
        case Command::NextDifference:
        case Command::LastDifference: GoToDifference(command); break;
        case Command::ExpandAll:
            PrepareAllLevels([this] {
                m_restoring = true;
                m_tree->expandAll();
                m_restoring = false;
            });
            break;
        case Command::CollapseAll: m_tree->collapseAll(); break;
        case Command::CopyToRight:
        case Command::CopyToLeft:
            RunOperation(
                std::make_shared<CFileOperation>(FILEOP_COPY, command == Command::CopyToRight ? 0u : 1u),
                items, !m_doc.QuickMergeMode());
            break;
        case Command::MoveItems:
            RunOperation(
                std::make_shared<CFileOperation>(FILEOP_MOVE, (SidesPresent(items) & SIDE_LEFT) ? 0u : 1u),
                items);
            break;
        case Command::DeleteItems:
            RunOperation(std::make_shared<CFileOperation>(FILEOP_DELETE, SidesPresent(items)), items);
            break;
        case Command::CopyToFolder:
            RunOperation(
                std::make_shared<CCopyToFolder>((SidesPresent(items) & SIDE_LEFT) ? 0u : 1u, std::string()),
                items);
            break;
        case Command::NewFolder: {
            CFolderCompareItem* folder = CurrentFolder();
            if (folder != nullptr)
                RunOperation(std::make_shared<CNewFolder>(SidesPresent({folder}), std::string()), {folder});
            break;
        }
        case Command::RenameItem:
            if (!items.empty())
                RunOperation(std::make_shared<CRename>(SidesPresent({items.front()}), std::string()),
                             {items.front()});
            break;
        case Command::SetDateTime: RunOperation(std::make_shared<CSetTime>(SIDE_RIGHT), items); break;
        case Command::SetAttributes:
            RunOperation(std::make_shared<CSetAttributes>(SidesPresent(items)), items);
            break;
        case Command::CompareContents:
            RunOperation(std::make_shared<CCompareContents>(METHOD_CRC), items);
            break;
        case Command::FolderFilters: EditFilters(); break;
        case Command::Synchronize: Synchronize(); break;
        case Command::Find: FindRow(false, true); break;
        case Command::FindNext:
        case Command::FindPrevious: FindRow(command == Command::FindPrevious, false); break;
        case Command::UpOneLevel:
            Reopen([this](CFolderWorkProgress& progress) { return m_doc.UpOneLevel(&progress); });
            break;
        case Command::SetBaseFolder:
        case Command::SwapSides: {
            std::string left = m_request.sides[1].path, right = m_request.sides[0].path;
            if (command == Command::SetBaseFolder) {
                const CFolderCompareItem* item = CurrentItem();
                if (item == nullptr || !item->HasBothSides()) break;
                left = item->left->GetFullPath();
                right = item->right->GetFullPath();
            }
            Reopen([this, left, right](CFolderWorkProgress& progress) {
                return m_doc.ChangeFolders(left, right, &progress);
            });
            break;
        }
        default: break;
    }
    emit stateChanged();
}

}  // namespace corvatine::ui
