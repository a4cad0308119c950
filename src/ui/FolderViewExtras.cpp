#include "ui/FolderViewExtras.h"

#include <QApplication>
#include <QHeaderView>
#include <QMetaObject>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QThreadPool>

#include <deque>

#include "foldercompare/FolderCompareOptions.h"
#include "launch/Components.h"
#include "ui/FolderCompareModel.h"
#include "ui/UiText.h"

namespace corvatine::ui {

namespace {

// The details a scan does not read, read now on a copy of the entry.
std::vector<std::string> ReadDetails(CFileInfoEx info) {
    std::vector<std::string> texts(kSideColumnCount);
    info.ReadVersion();
    if (info.HasFileVersion()) texts[COLUMN_VERSION] = info.GetVersionText();
    info.ComputeCRC();
    texts[COLUMN_CRC] = info.GetCRCText();
    const int type = info.DetermineContentType();
    texts[COLUMN_TYPE] = type == FILE_CONTENT_TEXT ? "Text" : type == FILE_CONTENT_BINARY ? "Binary" : "";
    return texts;
}

// The one worker that reads details for the panes. A pane that goes does
// not wait for a long read (a large file's CRC) to end: what the read finds
// is dropped then. The application waits for it when it ends.
QThreadPool& DetailReader() {
    static QThreadPool* pool = [] {
        auto* reader = new QThreadPool(qApp);
        reader->setMaxThreadCount(1);
        return reader;
    }();
    return *pool;
}

// The width a header section needs to show its title whole.
int TitleWidth(const QHeaderView& header, const QString& title) {
    QStyleOptionHeader option;
    option.initFrom(&header);
    option.text = title;
    return header.style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), &header).width();
}

}  // namespace

// ---- CFolderDetailPane ----

CFolderDetailPane::CFolderDetailPane(QWidget* parent) : QTableWidget(2, kSideColumnCount, parent) {
    setObjectName(QStringLiteral("folderDetails"));
    QStringList titles;
    for (int column = 0; column < kSideColumnCount; ++column)
        titles << CFolderCompareModel::ColumnTitle(column);
    setHorizontalHeaderLabels(titles);
    setVerticalHeaderLabels({QStringLiteral("Left"), QStringLiteral("Right")});
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setWordWrap(false);
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    const FOLDERCOLUMNWIDTHS& widths = AppComponents().Folders().widthsDV;
    const int values[kSideColumnCount] = {widths.name,      widths.size,       widths.lmTime,
                                          widths.extension, widths.attributes, widths.version,
                                          widths.crc,       widths.type,       widths.folder};
    // A kept width never cuts the column's title.
    for (int column = 0; column < kSideColumnCount; ++column)
        setColumnWidth(column, std::max(values[column], TitleWidth(*horizontalHeader(), titles[column])));
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [](int section, int, int size) {
        FOLDERCOLUMNWIDTHS& kept = AppComponents().Folders().widthsDV;
        int* const fields[kSideColumnCount] = {&kept.name,      &kept.size,       &kept.lmTime,
                                               &kept.extension, &kept.attributes, &kept.version,
                                               &kept.crc,       &kept.type,       &kept.folder};
        if (size > 0 && section >= 0 && section < kSideColumnCount) *fields[section] = size;
    });
    // Two rows and the header, and the scroll bar while the columns are
    // wider than the pane: no more room than that, and no row cut.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const auto fit = [this] {
        const QScrollBar* bar = horizontalScrollBar();
        setFixedHeight(horizontalHeader()->sizeHint().height() + 2 * verticalHeader()->defaultSectionSize() +
                       2 * frameWidth() + 2 + (bar->maximum() > 0 ? bar->sizeHint().height() : 0));
    };
    fit();
    connect(horizontalScrollBar(), &QScrollBar::rangeChanged, this, fit);
    ShowItem(nullptr);
}

CFolderDetailPane::~CFolderDetailPane() {
    *m_shown = -1;  // reads still queued are not made
}

QString CFolderDetailPane::Text(int side, int column) const {
    const QTableWidgetItem* cell = item(side, column);
    return cell != nullptr ? cell->text() : QString();
}

void CFolderDetailPane::Fill(int side, const std::vector<std::string>& texts) {
    for (int column = 0; column < kSideColumnCount; ++column) {
        if (texts[static_cast<size_t>(column)].empty() && item(side, column) != nullptr &&
            !item(side, column)->text().isEmpty())
            continue;  // what the scan knew stays
        auto* cell = new QTableWidgetItem(FromPath(texts[static_cast<size_t>(column)]));
        if (column == COLUMN_SIZE) cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        setItem(side, column, cell);
    }
}

void CFolderDetailPane::ShowItem(CFolderCompareItem* shown) {
    // Reads for an item no longer shown end at once when their turn comes.
    const int ticket = ++*m_shown;
    clearContents();
    m_reading = false;
    m_pending = 0;
    if (shown == nullptr) return;
    for (int side = 0; side < 2; ++side) {
        CFolderItem* entry = shown->Side(side);
        if (entry == nullptr) continue;
        std::vector<std::string> texts(kSideColumnCount);
        for (int column = 0; column < kSideColumnCount; ++column)
            texts[static_cast<size_t>(column)] = SideText(*entry, column);
        Fill(side, texts);
        if (entry->IsFolder()) continue;
        CFileInfoEx copy;
        copy.CopyFrom(*entry);
        copy.path = entry->GetFullPath();
        m_reading = true;
        ++m_pending;
        const std::shared_ptr<std::atomic<int>> current = m_shown;
        const QPointer<CFolderDetailPane> self(this);
        DetailReader().start([self, copy, side, ticket, current] {
            if (current->load() != ticket) return;
            const std::vector<std::string> details = ReadDetails(copy);
            // Back on the window's thread, where the pane may be gone.
            QMetaObject::invokeMethod(
                qApp,
                [self, details, side, ticket, current] {
                    if (self.isNull() || current->load() != ticket) return;
                    self->Fill(side, details);
                    if (--self->m_pending == 0) {
                        self->m_reading = false;
                        emit self->detailsRead();
                    }
                },
                Qt::QueuedConnection);
        });
    }
}

// ---- CFolderWatcher ----

void CFolderWatcher::WatchTree(CFolderCompareDoc& doc) {
    Stop();
    m_told = false;
    CFolderCompareItem* root = doc.Root();
    if (root == nullptr) return;
    // Breadth first: the roots and the folders near them before deep ones.
    std::deque<const CFolderCompareItem*> queue{root};
    while (!queue.empty() && m_folders.size() < kMaxFolders) {
        const CFolderCompareItem* item = queue.front();
        queue.pop_front();
        for (int side = 0; side < 2; ++side) {
            const CFolderItem* entry = item->Side(side);
            if (entry == nullptr || !entry->IsFolder() || m_folders.size() >= kMaxFolders) continue;
            // The watch looks at the folder a path is in: "F/." stands in F,
            // so every change inside F is told.
            const std::string folder = entry->GetFullPath();
            const std::string inside = folder + (folder.empty() || folder.back() != '/' ? "/." : ".");
            m_watches.Watch(inside);
            if (m_watches.IsWatched(inside)) m_folders.push_back(folder);
        }
        for (int i = 0; i < item->GetChildCount(); ++i)
            if (item->Child(i)->IsFolderPair()) queue.push_back(item->Child(i));
    }
}

void CFolderWatcher::Stop() {
    m_watches.UnwatchAll();
    m_folders.clear();
}

// ---- Finding a row ----

std::vector<QModelIndex> RowsInOrder(const CFolderCompareModel& model) {
    std::vector<QModelIndex> rows;
    std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
        const int count = model.rowCount(parent);
        for (int row = 0; row < count; ++row) {
            const QModelIndex index = model.index(row, 0, parent);
            rows.push_back(index);
            if (model.hasChildren(index)) walk(index);
        }
    };
    walk(QModelIndex());
    return rows;
}

QModelIndex FindFolderRow(const CFolderCompareModel& model, const QString& text, const QModelIndex& from,
                          bool up) {
    if (text.isEmpty()) return QModelIndex();
    const std::vector<QModelIndex> rows = RowsInOrder(model);
    const int count = static_cast<int>(rows.size());
    if (count == 0) return QModelIndex();
    int start = up ? count : -1;
    const QModelIndex first = from.isValid() ? from.siblingAtColumn(0) : QModelIndex();
    for (int i = 0; i < count && first.isValid(); ++i)
        if (rows[static_cast<size_t>(i)] == first) start = i;
    for (int step = 1; step <= count; ++step) {
        const int at = ((up ? start - step : start + step) % count + count) % count;
        const CFolderCompareItem* item = model.Item(rows[static_cast<size_t>(at)]);
        if (item == nullptr) continue;
        for (int side = 0; side < 2; ++side) {
            const CFolderItem* entry = item->Side(side);
            if (entry != nullptr && FromPath(entry->GetName()).contains(text, Qt::CaseInsensitive))
                return rows[static_cast<size_t>(at)];
        }
    }
    return QModelIndex();
}

}  // namespace corvatine::ui
