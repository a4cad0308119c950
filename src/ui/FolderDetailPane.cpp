#include "ui/FolderDetailPane.h"

#include <QApplication>
#include <QHeaderView>
#include <QMetaObject>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QThreadPool>

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

}  // namespace corvatine::ui
