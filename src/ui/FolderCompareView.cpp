#include "ui/FolderCompareView.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <mutex>

#include "fileio/Archive.h"
#include "foldercompare/FileComparer.h"
#include "foldercompare/FolderCompareOptions.h"
#include "foldercompare/LinkedSides.h"
#include "foldercompare/SyncWizard.h"
#include "launch/Components.h"
#include "platform/Path.h"
#include "ui/ActiveColors.h"
#include "ui/Dialogs.h"
#include "ui/FolderCompareModel.h"
#include "ui/FolderDetailPane.h"
#include "ui/FolderFilterDialog.h"
#include "ui/FolderOperationDialogs.h"
#include "ui/FolderReportDialog.h"
#include "ui/FolderWatcher.h"
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
        if (AppComponents().Folders().showGridLines == 0) return;
        painter->save();
        painter->setPen(option.palette.color(QPalette::Mid));
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->restore();
    }
};

}  // namespace

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
    : CDocumentView(parent), m_messages(messages), m_doc(AppComponents().Folders(), AppComponents().Text()) {
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
    m_watcher = std::make_unique<CFolderWatcher>(AppComponents().Folders().folderWatch != 0);
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
        CFolderComparer& folders = AppComponents().Folders();
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
    Reopen([this](CFolderWorkProgress& progress) { return m_doc.Reload(&progress); });
}

void CFolderCompareView::Reopen(CFolderWork::Work open) {
    RunWork({WorkLook::Panel, QString(), QStringLiteral("Comparing..."), true},
            [open = std::move(open)](CFolderWorkProgress& progress) {
                const std::lock_guard<std::mutex> lock(g_opening);
                return open(progress);
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

bool CFolderCompareView::ChangedOnDisk() const { return !m_changedBar->isHidden(); }

void CFolderCompareView::UpdateDetails() {
    m_details->ShowItem(m_model->IsBlocked() ? nullptr : m_model->Item(m_tree->currentIndex()));
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
    const CFileComparer& files = AppComponents().Files();
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
            CTextCompareParams request(AppComponents().Text().rules);
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

// ---- Columns, font ----

void CFolderCompareView::ShowColumnMenu(const QPoint& at) {
    QMenu menu(this);
    for (int column = COLUMN_SIZE; column < kSideColumnCount; ++column) {
        QAction* action = menu.addAction(CFolderCompareModel::ColumnTitle(column));
        action->setCheckable(true);
        action->setChecked((m_columns & (1u << column)) != 0);
        connect(action, &QAction::toggled, this, [this, column](bool shown) {
            m_columns = shown ? m_columns | (1u << column) : m_columns & ~(1u << column);
            AppComponents().Folders().showColumns = m_columns;
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
    const FOLDERCOLUMNWIDTHS& widths = AppComponents().Folders().widths1;
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
    const QStringList parts = FromPath(AppComponents().Folders().font).split(QLatin1Char('|'));
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
    if (AppComponents().Folders().font.empty())
        m_tree->setFont(font());
    else
        ApplyFont();
    m_tree->viewport()->update();
}

// ---- Title and closing ----

QString CFolderCompareView::Title() const { return FromPath(m_request.GetTitle()); }

bool CFolderCompareView::CanClose() {
    if (m_work != nullptr) {
        // The worker stops before its next item; nothing it did is lost.
        m_work->Progress().Cancel();
        m_work->Join();
    }
    return true;
}

}  // namespace corvatine::ui
