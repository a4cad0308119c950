#include "ui/FolderCompareView.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <ctime>
#include <mutex>

#include "editor/FindReplace.h"
#include "fileio/Archive.h"
#include "foldercompare/DifferenceNavigation.h"
#include "foldercompare/FileComparer.h"
#include "foldercompare/FolderCompareOptions.h"
#include "foldercompare/FolderItemLookup.h"
#include "foldercompare/LinkedSides.h"
#include "foldercompare/SyncWizard.h"
#include "platform/Path.h"
#include "ui/ActiveColors.h"
#include "ui/Dialogs.h"
#include "ui/FolderCompareModel.h"
#include "ui/FolderFilterDialog.h"
#include "ui/FolderOperationDialogs.h"
#include "ui/FolderReportDialog.h"
#include "ui/FolderViewExtras.h"
#include "ui/MainFrame.h"
#include "ui/UiText.h"

namespace corvatine::ui {

namespace {

// No column is sized narrower than this by hand or by fitting.
constexpr int kMinColumnWidth = 24;

int* WidthField(FOLDERCOLUMNWIDTHS& widths, int column) {
    int* const fields[kSideColumnCount] = {&widths.name,      &widths.size,       &widths.lmTime,
                                           &widths.extension, &widths.attributes, &widths.version,
                                           &widths.crc,       &widths.type,       &widths.folder};
    return fields[column];
}
const int* WidthField(const FOLDERCOLUMNWIDTHS& widths, int column) {
    return WidthField(const_cast<FOLDERCOLUMNWIDTHS&>(widths), column);
}

// The tree, telling how wide a column's shown rows are.
class CFolderTree : public QTreeView {
public:
    using QTreeView::QTreeView;
    int ContentWidth(int column) const { return sizeHintForColumn(column); }
};

SyncWizardHook g_syncWizard;

// Opening a comparison records its folders in the folder comparison
// component's recent lists, which are not made for two threads at once: the
// workers of several views open one at a time.
std::mutex g_opening;

// Draws the cells as the style does, and the grid lines when they are on.
class CFolderRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        if (GetFolderComparer().showGridLines == 0) return;
        painter->save();
        painter->setPen(option.palette.color(QPalette::Mid));
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->restore();
    }
};

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

// The path of the row an index stands for.
std::string PathOf(const CFolderCompareModel& model, const QModelIndex& index) {
    const CFolderCompareItem* item = model.Item(index);
    return item != nullptr ? item->RelativePath() : std::string();
}

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

// ---- Opening ----

CFolderCompareView* CFolderCompareView::Create(const CFolderCompareParams& request,
                                               platform::CMessages& messages, QWidget* parent) {
    for (const COMPARESIDE& side : request.sides)
        // An archive is read as a folder; one it cannot be read tells why when opened.
        if (platform::PathExists(side.path) && !platform::IsFolder(side.path) &&
            !CArchive::IsArchiveName(side.path)) {
            messages.Error("cannot compare '" + request.sides[0].path + "' and '" + request.sides[1].path +
                           "': not both are folders");
            return nullptr;
        }
    return new CFolderCompareView(request, messages, parent);
}

CFolderCompareView::CFolderCompareView(const CFolderCompareParams& request, platform::CMessages& messages,
                                       QWidget* parent)
    : CDocumentView(parent), m_messages(messages) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The compared folders, each above its side's columns.
    m_pathBar = new QWidget(this);
    for (int side = 0; side < 2; ++side) {
        m_paths[side] = new QLabel(m_pathBar);
        m_paths[side]->setObjectName(side == 0 ? QStringLiteral("leftRoot") : QStringLiteral("rightRoot"));
        m_paths[side]->setTextFormat(Qt::PlainText);
        m_paths[side]->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    m_pathBar->setFixedHeight(m_paths[0]->sizeHint().height() + 6);
    layout->addWidget(m_pathBar);
    m_panel = new CFolderProgressPanel(this);
    m_panel->hide();
    layout->addWidget(m_panel);

    m_tree = new CFolderTree(this);
    m_tree->setObjectName(QStringLiteral("folderTree"));
    m_model = new CFolderCompareModel(m_doc, this);
    m_tree->setModel(m_model);
    m_tree->setUniformRowHeights(true);
    m_tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tree->setAllColumnsShowFocus(true);
    m_tree->setExpandsOnDoubleClick(false);
    m_tree->setSortingEnabled(true);
    m_tree->sortByColumn(0, Qt::AscendingOrder);
    m_tree->setItemDelegate(new CFolderRowDelegate(m_tree));
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    m_tree->header()->setContextMenuPolicy(Qt::CustomContextMenu);
    m_tree->header()->setStretchLastSection(false);
    m_tree->header()->setSectionsMovable(false);
    // Another program changed the folders: said above the rows, with Refresh.
    m_changedBar = new QWidget(this);
    m_changedBar->setObjectName(QStringLiteral("folderChangedBar"));
    auto* changed = new QHBoxLayout(m_changedBar);
    changed->setContentsMargins(6, 2, 6, 2);
    changed->addWidget(
        new QLabel(QStringLiteral("Files in the compared folders were changed."), m_changedBar), 1);
    auto* refresh = new QPushButton(QStringLiteral("&Refresh"), m_changedBar);
    refresh->setObjectName(QStringLiteral("folderRefresh"));
    connect(refresh, &QPushButton::clicked, this, [this] { Execute(Command::Recompare); });
    changed->addWidget(refresh);
    m_changedBar->hide();
    layout->addWidget(m_changedBar);
    layout->addWidget(m_tree, 1);
    m_details = new CFolderDetailPane(this);
    layout->addWidget(m_details);
    setFocusProxy(m_tree);
    m_watcher = std::make_unique<CFolderWatcher>(GetFolderComparer().folderWatch != 0);
    m_watcher->onChanged = [this](const std::string&) {
        m_changedBar->show();
        m_statusText = QStringLiteral("Files in the compared folders were changed.");
        emit stateChanged();
    };

    m_tree->setColumnWidth(CFolderCompareModel::kStatusColumn, 26);
    m_tree->header()->setSectionResizeMode(CFolderCompareModel::kStatusColumn, QHeaderView::Fixed);
    m_tree->header()->setMinimumSectionSize(kMinColumnWidth / 2);
    m_tree->header()->setResizeContentsPrecision(200);  // the names' width from the first rows shown
    // The names take what the other columns leave; those are sized by hand.
    for (int side = 0; side < 2; ++side)
        m_tree->header()->setSectionResizeMode(CFolderCompareModel::ModelColumn(side, COLUMN_NAME),
                                               QHeaderView::Fixed);
    m_tree->viewport()->installEventFilter(this);
    m_columns = m_doc.ShownColumns();
    ApplyColumns();
    ApplyFont();
    PlacePaths();

    connect(m_tree->header(), &QHeaderView::sectionResized, this, &CFolderCompareView::PlacePaths);
    connect(m_tree->header(), &QHeaderView::geometriesChanged, this, &CFolderCompareView::PlacePaths);
    connect(m_tree->horizontalScrollBar(), &QScrollBar::valueChanged, this, &CFolderCompareView::PlacePaths);
    connect(m_tree, &QTreeView::activated, this, &CFolderCompareView::Activate);
    connect(m_tree, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        (void)index;
        if (!m_restoring && !IsBusy()) CompareOpenedLevels();
    });
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &CFolderCompareView::UpdateDetails);
    connect(m_tree->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        m_selectionKnown = false;
        if (!m_restoring) emit stateChanged();
    });
    connect(m_tree, &QWidget::customContextMenuRequested, this, &CFolderCompareView::ShowContextMenu);
    connect(m_tree->header(), &QWidget::customContextMenuRequested, this,
            &CFolderCompareView::ShowColumnMenu);
    // A column sized by hand is that column's width on both sides, and is
    // remembered; the names give or take the difference.
    connect(m_tree->header(), &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        const int column = CFolderCompareModel::SideColumn(section);
        if (m_fitting || CFolderCompareModel::SideOf(section) < 0 || column == COLUMN_NAME || size <= 0)
            return;
        CFolderComparer& folders = GetFolderComparer();
        for (FOLDERCOLUMNWIDTHS* widths : {&folders.widths1, &folders.widths2})
            *WidthField(*widths, column) = size;
        FitColumns();
    });
    // Opening folders changes the names' width: fitted once the opening is
    // done (Expand All opens thousands at once).
    m_fitLater = new QTimer(this);
    m_fitLater->setSingleShot(true);
    m_fitLater->setInterval(0);
    connect(m_fitLater, &QTimer::timeout, this, &CFolderCompareView::FitColumns);
    connect(m_tree, &QTreeView::expanded, m_fitLater, qOverload<>(&QTimer::start));
    connect(m_model, &QAbstractItemModel::modelReset, m_fitLater, qOverload<>(&QTimer::start));
    Open(request);
}

CFolderCompareView::~CFolderCompareView() {
    // The worker goes first: it works on the document; then the tree, which
    // asks the model, before the model.
    m_work.reset();
    delete m_dialog;
    // The rows' filter goes before the tree: its children are deleted after
    // the tree has stopped being one.
    m_tree->viewport()->removeEventFilter(this);
    delete m_tree;
    delete m_model;
}

void CFolderCompareView::Open(const CFolderCompareParams& request) {
    m_request.CopyFrom(request);
    for (int side = 0; side < 2; ++side) m_paths[side]->setText(FromPath(request.sides[side].path));
    auto copy = std::make_shared<CFolderCompareParams>();
    copy->CopyFrom(request);
    RunWork(
        {WorkLook::Panel, QString(), QStringLiteral("Comparing..."), true},
        [this, copy](CFolderWorkProgress& progress) {
            const std::lock_guard<std::mutex> lock(g_opening);
            return m_doc.Open(*copy, &progress);
        },
        [this, copy](bool completed, CFolderWorkProgress& progress) {
            if (completed || progress.IsCancelled()) return;
            const CFolderCompareContext& context = m_doc.Context();
            if (context.buildError != 0 && context.buildErrorSide >= 0)
                m_messages.Error("cannot read '" + copy->sides[context.buildErrorSide].path +
                                 "': " + ReadErrorText(context.buildError));
            else
                m_messages.Error("cannot compare '" + copy->sides[0].path + "' and '" + copy->sides[1].path +
                                 "': not both are folders");
        });
}

void CFolderCompareView::Rescan() {
    RunWork({WorkLook::Panel, QString(), QStringLiteral("Comparing..."), true},
            [this](CFolderWorkProgress& progress) {
                const std::lock_guard<std::mutex> lock(g_opening);
                return m_doc.Reload(&progress);
            },
            {});
}

std::vector<CFolderCompareItem*> CFolderCompareView::OpenedRowsNeedingLevel() const {
    std::vector<CFolderCompareItem*> items;
    if (m_model->IsBlocked()) return items;
    std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
        for (int row = 0; row < m_model->rowCount(parent); ++row) {
            const QModelIndex index = m_model->index(row, 0, parent);
            CFolderCompareItem* item = m_model->Item(index);
            if (!item->IsFolderPair()) break;  // folders come first
            if (!m_tree->isExpanded(index)) continue;
            if (item->AwaitsLevel())
                items.push_back(item);
            else
                walk(index);
        }
    };
    walk(QModelIndex());
    return items;
}

void CFolderCompareView::CompareOpenedLevels() {
    if (IsBusy()) return;
    const std::vector<CFolderCompareItem*> items = OpenedRowsNeedingLevel();
    if (items.empty()) return;
    RunWork(
        {WorkLook::Panel, QString(), QStringLiteral("Comparing..."), true},
        [this, items](CFolderWorkProgress& progress) {
            for (CFolderCompareItem* item : items) {
                if (progress.IsCancelled()) return false;
                m_doc.CompareSubtree(*item, false, 1, &progress);
            }
            return !progress.IsCancelled();
        },
        [this](bool completed, CFolderWorkProgress&) {
            if (completed) return;
            // Left undone: closed again, to be opened (and compared) anew.
            m_restoring = true;
            for (const CFolderCompareItem* item : OpenedRowsNeedingLevel())
                m_tree->collapse(m_model->IndexOf(item));
            m_restoring = false;
        });
}

// ---- Work on the worker ----

void CFolderCompareView::RunWork(const WORKDISPLAY& display, CFolderWork::Work work, Then then,
                                 std::function<void(CFolderWorkProgress&)> prepare) {
    if (IsBusy()) return;
    SaveState();
    // The view's own work changes the folders: not watched meanwhile.
    m_watcher->Stop();
    m_changedBar->hide();
    m_details->ShowItem(nullptr);
    const int generation = ++m_generation;
    m_then = std::move(then);
    m_work = std::make_unique<CFolderWork>(
        std::move(work),
        [this, generation] {
            QMetaObject::invokeMethod(
                this, [this, generation] { FinishWork(generation); }, Qt::QueuedConnection);
        },
        prepare);
    // Short work ends before anyone would notice the progress.
    if (m_patience > 0 && m_work->WaitFor(m_patience)) {
        FinishWork(generation);
        return;
    }
    EnterBusy(display);
}

void CFolderCompareView::EnterBusy(const WORKDISPLAY& display) {
    if (display.look == WorkLook::Dialog) {
        // The rows stay as they were painted, and nothing of the tree the
        // worker changes is read until it is done.
        m_model->SetBlocked(true);
        m_tree->setUpdatesEnabled(false);
        m_tree->setEnabled(false);
        QWidget* owner =
            QApplication::activeModalWidget() != nullptr ? QApplication::activeModalWidget() : this;
        m_dialog = new CFolderProgressDialog(owner, display.title, display.cancel);
        m_dialog->Panel().Attach(&m_work->Progress(), display.message, display.cancel);
        m_dialog->open();
    } else {
        m_model->SetEmptied(true);
        m_tree->setEnabled(false);
        m_panel->Attach(&m_work->Progress(), display.message, display.cancel);
        m_panel->show();
    }
    m_statusText = display.message;
    emit stateChanged();
}

void CFolderCompareView::FinishWork(int generation) {
    if (m_work == nullptr || generation != m_generation) return;
    m_work->Join();
    const std::unique_ptr<CFolderWork> work = std::move(m_work);
    const Then then = std::move(m_then);
    m_then = nullptr;
    if (m_dialog != nullptr) {
        m_dialog->Panel().Detach();
        m_dialog->hide();
        m_dialog->deleteLater();
        m_dialog = nullptr;
    }
    m_panel->Detach();
    m_panel->hide();
    const bool hadFocus = m_tree->hasFocus() || !m_tree->isEnabled();
    m_model->SetBlocked(false);
    m_model->SetEmptied(false);
    m_tree->setEnabled(true);
    m_tree->setUpdatesEnabled(true);

    CFolderCompareParams before;
    before.CopyFrom(m_request);
    m_request.CopyFrom(m_doc.Request());
    for (int side = 0; side < 2; ++side) m_paths[side]->setText(FromPath(m_request.sides[side].path));
    if (!m_request.Equals(before)) emit requestChanged(m_request);
    AfterTreeChange();
    m_watcher->WatchTree(m_doc);
    if (hadFocus && isVisible()) m_tree->setFocus();
    if (then) then(work->Completed(), work->Progress());
    if (work->Progress().IsCancelled() && !IsBusy())
        m_statusText = QStringLiteral("Cancelled. ") + m_statusText;
    emit stateChanged();
    emit workFinished();
}

// ---- Keeping the rows across changes ----

void CFolderCompareView::SaveState() {
    m_state = VIEWSTATE();
    if (m_model->IsBlocked()) return;
    // Folders come first in every level: the walk ends at the first file.
    std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
        const int rows = m_model->rowCount(parent);
        for (int row = 0; row < rows; ++row) {
            const QModelIndex index = m_model->index(row, 0, parent);
            const CFolderCompareItem* item = m_model->Item(index);
            if (!item->IsFolderPair()) break;
            if (!m_tree->isExpanded(index)) continue;
            m_state.expanded.push_back(item->RelativePath());
            walk(index);
        }
    };
    walk(QModelIndex());
    m_state.expanded.insert(m_state.expanded.end(), m_unresolved.begin(), m_unresolved.end());
    for (const QModelIndex& index : m_tree->selectionModel()->selectedRows(0))
        m_state.selected.push_back(PathOf(*m_model, index));
    m_state.current = PathOf(*m_model, m_tree->currentIndex());
    m_state.scroll = m_tree->verticalScrollBar()->value();
}

void CFolderCompareView::RestoreState() {
    if (m_model->IsBlocked() || m_doc.Root() == nullptr) return;
    m_restoring = true;
    CItemFinder finder(*m_doc.Root());
    // The row of a path; with reached, the deepest item found on the way.
    const auto find = [&](const std::string& path, CFolderCompareItem** reached = nullptr) -> QModelIndex {
        CFolderCompareItem* item = finder.Find(path, reached);
        return item != nullptr && item != m_doc.Root() ? m_model->IndexOf(item) : QModelIndex();
    };
    m_unresolved.clear();
    for (const std::string& path : m_state.expanded) {
        CFolderCompareItem* reached = nullptr;
        if (const QModelIndex index = find(path, &reached); index.isValid()) {
            m_tree->expand(index);
        } else if (reached != nullptr && reached->AwaitsLevel()) {
            // Below a folder not compared yet: opened once it is.
            m_unresolved.push_back(path);
        }
    }
    std::vector<QModelIndex> selected;
    for (const std::string& path : m_state.selected)
        if (const QModelIndex index = find(path); index.isValid()) selected.push_back(index);
    // Runs of rows of one level become one range each.
    std::sort(selected.begin(), selected.end(), [](const QModelIndex& a, const QModelIndex& b) {
        return a.internalPointer() != b.internalPointer() &&
               (a.parent() != b.parent() ? a.parent() < b.parent() : a.row() < b.row());
    });
    QItemSelection selection;
    const int last = CFolderCompareModel::kColumnCount - 1;
    for (size_t i = 0; i < selected.size();) {
        size_t j = i + 1;
        while (j < selected.size() && selected[j].parent() == selected[i].parent() &&
               selected[j].row() == selected[j - 1].row() + 1)
            ++j;
        selection.select(selected[i], selected[j - 1].siblingAtColumn(last));
        i = j;
    }
    m_tree->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (const QModelIndex current = find(m_state.current); current.isValid())
        m_tree->selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    const int scroll = m_state.scroll;
    QTimer::singleShot(0, this, [this, scroll] {
        if (!IsBusy()) m_tree->verticalScrollBar()->setValue(scroll);
    });
    m_selectionKnown = false;
    m_restoring = false;
    // Folders open in the view are compared, as when they were opened.
    QTimer::singleShot(0, this, &CFolderCompareView::CompareOpenedLevels);
}

void CFolderCompareView::ChangeRows(const std::function<void()>& change) {
    SaveState();
    change();
    AfterTreeChange();
}

void CFolderCompareView::AfterTreeChange() {
    UpdateRootStatus();
    m_model->Rebuild();
    RestoreState();
    UpdateSummary();
    m_selectionKnown = false;
    UpdateDetails();
    emit stateChanged();
}

bool CFolderCompareView::ChangedOnDisk() const { return !m_changedBar->isHidden(); }

void CFolderCompareView::UpdateDetails() {
    m_details->ShowItem(m_model->IsBlocked() ? nullptr : m_model->Item(m_tree->currentIndex()));
}

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

void CFolderCompareView::UpdateRootStatus() {
    CFolderCompareItem* root = m_doc.Root();
    if (root != nullptr && m_doc.Context().rootStatus != STATUS_SAME_PATH)
        m_doc.Context().rootStatus = root->status;
}

void CFolderCompareView::UpdateSummary() {
    CFolderCompareItem* root = m_doc.Root();
    if (root == nullptr) {
        m_statusText = QStringLiteral("Neither folder exists");
        return;
    }
    const FOLDERROWCOUNTS counts = CountRows(*root, m_doc.Tolerance());
    const uint32_t status = m_doc.RootStatus();
    QString text = status == STATUS_IDENTICAL   ? QStringLiteral("Identical")
                   : status == STATUS_SAME_PATH ? QStringLiteral("Same path")
                   : status == STATUS_ERROR     ? QStringLiteral("Could not be compared")
                   : status == STATUS_DIFFERENT ? QStringLiteral("Different")
                                                : QStringLiteral("Not compared");
    const FolderRowClass order[] = {FolderRowClass::Identical, FolderRowClass::Different,
                                    FolderRowClass::LeftNewer, FolderRowClass::RightNewer,
                                    FolderRowClass::LeftOnly,  FolderRowClass::RightOnly,
                                    FolderRowClass::Error,     FolderRowClass::NotCompared};
    QString separator = QStringLiteral(": ");
    for (const FolderRowClass rowClass : order) {
        const int n = counts[rowClass];
        if (n == 0) continue;
        text += separator + QStringLiteral("%1 %2").arg(n).arg(ClassText(rowClass).toLower());
        separator = QStringLiteral(", ");
    }
    // Folders are compared as they are opened: say how to compare the rest.
    if (counts.awaiting > 0)
        text +=
            (counts.awaiting == 1 ? QStringLiteral(". 1 folder not compared yet")
                                  : QStringLiteral(". %1 folders not compared yet").arg(counts.awaiting)) +
            QStringLiteral(": open one to compare it, or View > Expand All to compare everything");
    m_statusText = text;
}

// ---- Rows and selection ----

CFolderCompareItem* CFolderCompareView::CurrentItem() const { return m_model->Item(m_tree->currentIndex()); }

CFolderCompareItem* CFolderCompareView::CurrentFolder() const {
    CFolderCompareItem* item = CurrentItem();
    if (item == nullptr) return m_doc.Root();
    if (item->IsFolderPair()) return item;
    return item->parent != nullptr ? item->parent : m_doc.Root();
}

std::vector<CFolderCompareItem*> CFolderCompareView::SelectedItems() const {
    if (m_selectionKnown) return m_selection;
    m_selection.clear();
    if (m_model->IsBlocked()) return m_selection;
    // Top to bottom: by the rows of the levels from the top.
    std::vector<std::pair<std::vector<int>, CFolderCompareItem*>> rows;
    for (const QModelIndex& index : m_tree->selectionModel()->selectedRows(0)) {
        std::vector<int> key;
        for (QModelIndex at = index; at.isValid(); at = at.parent()) key.push_back(at.row());
        std::reverse(key.begin(), key.end());
        rows.emplace_back(std::move(key), m_model->Item(index));
    }
    std::sort(rows.begin(), rows.end());
    for (auto& row : rows) m_selection.push_back(row.second);
    m_selectionKnown = true;
    return m_selection;
}

void CFolderCompareView::SelectPaths(const std::vector<std::string>& paths) {
    m_state = VIEWSTATE();
    m_state.selected = paths;
    m_state.current = paths.empty() ? std::string() : paths.front();
    m_state.scroll = m_tree->verticalScrollBar()->value();
    // Every folder on the way is opened.
    for (const std::string& path : paths)
        for (size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1))
            m_state.expanded.push_back(path.substr(0, slash));
    RestoreState();
    if (const QModelIndex current = m_tree->currentIndex(); current.isValid()) m_tree->scrollTo(current);
}

std::vector<FOLDERREPORTROW> CFolderCompareView::ShownRows() const {
    std::vector<FOLDERREPORTROW> rows;
    std::function<void(const QModelIndex&, int)> walk = [&](const QModelIndex& parent, int level) {
        const int count = m_model->rowCount(parent);
        for (int row = 0; row < count; ++row) {
            const QModelIndex index = m_model->index(row, 0, parent);
            CFolderCompareItem* item = m_model->Item(index);
            const bool expanded = item->IsFolderPair() && m_tree->isExpanded(index);
            rows.push_back({item, level, expanded});
            if (expanded) walk(index, level + 1);
        }
    };
    if (!m_model->IsBlocked()) walk(QModelIndex(), 0);
    return rows;
}

// ---- Opening a row ----

void CFolderCompareView::Activate(const QModelIndex& index) {
    CFolderCompareItem* item = m_model->Item(index);
    if (item == nullptr || IsBusy()) return;
    if (item->IsFolderPair()) {
        const QModelIndex row = index.siblingAtColumn(0);
        m_tree->setExpanded(row, !m_tree->isExpanded(row));
        return;
    }
    int tool = -1;
    const CFileComparer& files = GetFileComparer();
    // A side whose link leads out of the compared folders opens read-only.
    const std::vector<std::string> writable =
        LinkTargetFolders(m_doc.Request().sides[0].path, m_doc.Request().sides[1].path);
    // Two archives (or an archive inside one) open as a folder comparison.
    if (item->left != nullptr && item->right != nullptr && CArchive::IsArchiveName(item->left->GetName()) &&
        CArchive::IsArchiveName(item->right->GetName()) && !item->left->IsLink() && !item->right->IsLink()) {
        CFolderCompareParams request;
        request.CopyFrom(m_doc.Request());
        request.sides[0].path = item->left->GetFullPath();
        request.sides[1].path = item->right->GetFullPath();
        emit openComparison(request);
        return;
    }
    const auto sideFlags = [&](const std::string& path) -> uint32_t {
        // An entry of an archive has no file to write back to.
        if (CArchive::IsInsideArchive(path)) {
            m_messages.Status("'" + path + "' lies inside an archive: it opens read-only");
            return SIDE_READ_ONLY;
        }
        if (!WritesOutsideThroughLinks(path, writable)) return 0;
        m_messages.Status("'" + path +
                          "' is a symbolic link out of the compared folders: it opens read-only");
        return SIDE_READ_ONLY;
    };
    switch (files.ChooseOpening(item->left, item->right, tool)) {
        case OPEN_EXTERNAL_TOOL: {
            std::string error;
            if (files.RunExternalTool(tool, item->left->GetFullPath(), item->right->GetFullPath(), error) !=
                0)
                m_messages.Error(error);
            return;
        }
        case OPEN_BINARY: {
            CBinaryCompareParams request;
            request.sides[0].path = item->left->GetFullPath();
            request.sides[1].path = item->right->GetFullPath();
            for (COMPARESIDE& side : request.sides) side.flags |= sideFlags(side.path);
            emit openComparison(request);
            return;
        }
        case OPEN_TEXT: {
            CTextCompareParams request;
            request.sides[0].path = item->left->GetFullPath();
            request.sides[1].path = item->right->GetFullPath();
            for (COMPARESIDE& side : request.sides) side.flags |= sideFlags(side.path);
            emit openComparison(request);
            return;
        }
        case OPEN_LEFT_ONLY:
        case OPEN_RIGHT_ONLY: {
            CFolderItem* entry = item->left != nullptr ? item->left : item->right;
            // The editor is the viewer of a text file; a binary one has none here.
            if (entry->GetContentType() == FILE_CONTENT_BINARY)
                m_messages.Status("'" + entry->GetFullPath() +
                                  "' is a binary file: there is no viewer for it");
            else
                emit openFile(FromPath(entry->GetFullPath()), sideFlags(entry->GetFullPath()) != 0);
            return;
        }
        default: return;
    }
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
            CFolderComparer& folders = GetFolderComparer();
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

// ---- Menus, columns, font ----

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

void CFolderCompareView::ShowColumnMenu(const QPoint& at) {
    QMenu menu(this);
    for (int column = COLUMN_SIZE; column < kSideColumnCount; ++column) {
        QAction* action = menu.addAction(CFolderCompareModel::ColumnTitle(column));
        action->setCheckable(true);
        action->setChecked((m_columns & (1u << column)) != 0);
        connect(action, &QAction::toggled, this, [this, column](bool shown) {
            m_columns = shown ? m_columns | (1u << column) : m_columns & ~(1u << column);
            GetFolderComparer().showColumns = m_columns;
            ApplyColumns();
        });
    }
    menu.exec(m_tree->header()->mapToGlobal(at));
}

void CFolderCompareView::PlacePaths() {
    QHeaderView* header = m_tree->header();
    const int offset = m_tree->frameWidth() + 4;
    const int left = std::max(0, header->sectionViewportPosition(0)) + offset;
    const int right = std::max(
        left, header->sectionViewportPosition(CFolderCompareModel::ModelColumn(1, COLUMN_NAME)) + offset);
    const int height = m_pathBar->height();
    m_paths[0]->setGeometry(left, 0, std::max(0, right - left - 4), height);
    m_paths[1]->setGeometry(right, 0, std::max(0, m_pathBar->width() - right), height);
}

void CFolderCompareView::resizeEvent(QResizeEvent* event) {
    CDocumentView::resizeEvent(event);
    PlacePaths();
}

bool CFolderCompareView::eventFilter(QObject* watched, QEvent* event) {
    // The rows' width changes with the window and with the vertical scroll bar.
    if (watched == m_tree->viewport() && event->type() == QEvent::Resize) FitColumns();
    return CDocumentView::eventFilter(watched, event);
}

void CFolderCompareView::FitColumns() {
    if (m_fitting) return;
    m_fitting = true;
    QHeaderView* header = m_tree->header();
    const int status = header->sectionSize(CFolderCompareModel::kStatusColumn);
    const int rows = std::max(0, m_tree->viewport()->width() - status);
    const int sides[2] = {rows / 2, rows - rows / 2};
    const FOLDERCOLUMNWIDTHS& widths = GetFolderComparer().widths1;
    // The names' width: what the rows shown need, and the title.
    int names = header->fontMetrics().horizontalAdvance(CFolderCompareModel::ColumnTitle(COLUMN_NAME)) + 24;
    if (!m_model->IsBlocked())
        for (int side = 0; side < 2; ++side)
            names = std::max(names, static_cast<const CFolderTree*>(m_tree)->ContentWidth(
                                        CFolderCompareModel::ModelColumn(side, COLUMN_NAME)));
    // The other columns at their remembered widths; those of short values
    // (sizes, times, attributes, versions, CRCs) never narrower than what
    // they show, so a time is not cut.
    int wanted[kSideColumnCount] = {};
    int others = 0;
    for (int column = COLUMN_SIZE; column < kSideColumnCount; ++column) {
        if ((m_columns & (1u << column)) == 0) continue;
        wanted[column] = std::max(*WidthField(widths, column), kMinColumnWidth);
        const bool shortValues = column == COLUMN_SIZE || column == COLUMN_TIME ||
                                 column == COLUMN_ATTRIBUTES || column == COLUMN_VERSION ||
                                 column == COLUMN_CRC;
        if (shortValues && !m_model->IsBlocked())
            for (int side = 0; side < 2; ++side) {
                const int model = CFolderCompareModel::ModelColumn(side, column);
                wanted[column] = std::max({wanted[column], header->sectionSizeHint(model),
                                           static_cast<const CFolderTree*>(m_tree)->ContentWidth(model)});
            }
        others += wanted[column];
    }
    for (int side = 0; side < 2; ++side) {
        // The names come first, up to two thirds of a narrow side; the other
        // columns shrink in proportion to make room for them.
        const int nameWanted = std::min(names, sides[side] * 2 / 3);
        const int name = std::max(sides[side] - others, nameWanted);
        const double scale = others > 0 && name > sides[side] - others
                                 ? static_cast<double>(std::max(0, sides[side] - name)) / others
                                 : 1.0;
        int used = name;
        for (int column = COLUMN_SIZE; column < kSideColumnCount; ++column) {
            if ((m_columns & (1u << column)) == 0) continue;
            const int width = std::max(kMinColumnWidth / 2, static_cast<int>(wanted[column] * scale));
            m_tree->setColumnWidth(CFolderCompareModel::ModelColumn(side, column), width);
            used += width;
        }
        // What rounding left over goes to the name, so both sides end where they should.
        m_tree->setColumnWidth(CFolderCompareModel::ModelColumn(side, COLUMN_NAME),
                               std::max(kMinColumnWidth, name + sides[side] - used));
    }
    m_fitting = false;
    PlacePaths();
}

void CFolderCompareView::ApplyColumns() {
    // The name is always there: it is where the tree opens and closes.
    m_fitting = true;
    for (int column = COLUMN_SIZE; column < kSideColumnCount; ++column)
        for (int side = 0; side < 2; ++side)
            m_tree->setColumnHidden(CFolderCompareModel::ModelColumn(side, column),
                                    (m_columns & (1u << column)) == 0);
    m_fitting = false;
    FitColumns();
}

void CFolderCompareView::ApplyFont() {
    // "face|height|weight|italic|charset"; the height in pixels, negative
    // for the character height.
    const QStringList parts = FromPath(GetFolderComparer().font).split(QLatin1Char('|'));
    if (parts.size() < 4 || parts[0].isEmpty()) return;
    QFont font(parts[0]);
    const int height = std::abs(parts[1].toInt());
    if (height > 0) font.setPixelSize(height);
    font.setBold(parts[2].toInt() >= 600);
    font.setItalic(parts[3].toInt() != 0);
    m_tree->setFont(font);
}

// The colours and grid lines are read as the rows are painted; the columns
// are each document's own.
void CFolderCompareView::ReadOptions() {
    if (GetFolderComparer().font.empty())
        m_tree->setFont(font());
    else
        ApplyFont();
    m_tree->viewport()->update();
}

// ---- Commands ----

QString CFolderCompareView::Title() const { return FromPath(m_request.GetTitle()); }

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
        case Command::ShowGridLines: return GetFolderComparer().showGridLines != 0;
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
            int& grid = GetFolderComparer().showGridLines;
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
            RunWork({WorkLook::Panel, QString(), QStringLiteral("Comparing..."), true},
                    [this](CFolderWorkProgress& progress) {
                        const std::lock_guard<std::mutex> lock(g_opening);
                        return m_doc.UpOneLevel(&progress);
                    },
                    {});
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
            RunWork({WorkLook::Panel, QString(), QStringLiteral("Comparing..."), true},
                    [this, left, right](CFolderWorkProgress& progress) {
                        const std::lock_guard<std::mutex> lock(g_opening);
                        return m_doc.ChangeFolders(left, right, &progress);
                    },
                    {});
            break;
        }
        default: break;
    }
    emit stateChanged();
}

bool CFolderCompareView::CanClose() {
    if (m_work != nullptr) {
        // The worker stops before its next item; nothing it did is lost.
        m_work->Progress().Cancel();
        m_work->Join();
    }
    return true;
}

}  // namespace corvatine::ui
