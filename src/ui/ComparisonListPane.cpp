#include "ui/ComparisonListPane.h"

#include <QDateTime>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

#include "persist/RecentComparisonList.h"
#include "ui/UiText.h"

namespace corvatine::ui {

QIcon ComparisonKindIcon(const QWidget& widget, int kind) {
    switch (kind) {
        case COMPARE_FOLDER: return widget.style()->standardIcon(QStyle::SP_DirIcon);
        case COMPARE_BINARY: return widget.style()->standardIcon(QStyle::SP_DriveHDIcon);
        default: return widget.style()->standardIcon(QStyle::SP_FileIcon);
    }
}

QString ComparisonPaths(const CCompareParams& request) {
    return FromPath(request.sides[0].path) + QStringLiteral(" : ") + FromPath(request.sides[1].path);
}

QString ComparisonToolTip(const CCompareParams& request) {
    QString tip = FromPath(request.sides[0].path) + QLatin1Char('\n') + FromPath(request.sides[1].path);
    if (request.lastComparedTime != 0)
        tip += QStringLiteral("\nCompared ") + QDateTime::fromSecsSinceEpoch(request.lastComparedTime)
                                                   .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    return tip;
}

bool ComparisonMatches(const CCompareParams& request, const QString& text) {
    const QString needle = text.trimmed();
    if (needle.isEmpty()) return true;
    return FromPath(request.GetTitle()).contains(needle, Qt::CaseInsensitive) ||
           ComparisonPaths(request).contains(needle, Qt::CaseInsensitive);
}

CComparisonListPane::CComparisonListPane(CRecentComparisonList* list, QWidget* parent)
    : QWidget(parent), m_list(list) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("comparisonFilter"));
    m_filter->setPlaceholderText(QStringLiteral("Filter"));
    m_filter->setClearButtonEnabled(true);
    layout->addWidget(m_filter);
    m_rows = new QListWidget(this);
    m_rows->setObjectName(QStringLiteral("comparisonRows"));
    m_rows->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_rows->setContextMenuPolicy(Qt::CustomContextMenu);
    m_rows->installEventFilter(this);
    layout->addWidget(m_rows);
    connect(m_filter, &QLineEdit::textChanged, this, &CComparisonListPane::SetFilter);
    // Enter in the filter box opens the first entry shown.
    connect(m_filter, &QLineEdit::returnPressed, this, [this] {
        if (m_rows->count() > 0) emit openEntry(EntryOf(m_rows->item(0)));
    });
    connect(m_rows, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { emit openEntry(EntryOf(item)); });
    connect(m_rows, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { emit openEntry(EntryOf(item)); });
    connect(m_rows, &QWidget::customContextMenuRequested, this, &CComparisonListPane::ShowMenu);
    Reload();
}

void CComparisonListPane::Reload() {
    struct ROW {
        int entry;
        QString title;
        QString tip;
    };
    std::vector<ROW> shown;
    const int count = m_list != nullptr ? m_list->Count() : 0;
    for (int i = 0; i < count; ++i) {
        const CCompareParams& request = (*m_list)[i];
        if (ComparisonMatches(request, m_filter->text()))
            shown.push_back({i, FromPath(request.GetTitle()), ComparisonToolTip(request)});
    }
    // Rows that stay as they are keep their selection and current row.
    bool same = static_cast<int>(shown.size()) == m_rows->count();
    for (int row = 0; same && row < m_rows->count(); ++row) {
        const QListWidgetItem* item = m_rows->item(row);
        const ROW& now = shown[static_cast<size_t>(row)];
        same = EntryOf(item) == now.entry && item->text() == now.title && item->toolTip() == now.tip;
    }
    if (same) return;
    m_rows->clear();
    for (const ROW& row : shown) {
        auto* item = new QListWidgetItem(ComparisonKindIcon(*this, (*m_list)[row.entry].kind), row.title);
        item->setToolTip(row.tip);
        item->setData(Qt::UserRole, row.entry);
        m_rows->addItem(item);
    }
    if (m_rows->count() > 0) m_rows->setCurrentRow(0, QItemSelectionModel::NoUpdate);
}

void CComparisonListPane::SetFilter(const QString& text) {
    if (m_filter->text() != text)
        m_filter->setText(text);  // comes back here through textChanged
    else
        Reload();
}

std::vector<int> CComparisonListPane::ShownEntries() const {
    std::vector<int> entries;
    for (int row = 0; row < m_rows->count(); ++row) entries.push_back(EntryOf(m_rows->item(row)));
    return entries;
}

int CComparisonListPane::EntryOf(const QListWidgetItem* item) const {
    return item != nullptr ? item->data(Qt::UserRole).toInt() : -1;
}

void CComparisonListPane::RemoveSelected() {
    if (m_list == nullptr) return;
    std::vector<int> entries;
    for (const QListWidgetItem* item : m_rows->selectedItems()) entries.push_back(EntryOf(item));
    if (entries.empty()) return;
    // From the back, so that the indexes still to remove stay valid.
    std::sort(entries.rbegin(), entries.rend());
    for (int entry : entries)
        if (entry >= 0 && entry < m_list->Count()) m_list->Remove(entry);
    const int row = m_rows->currentRow();
    Reload();
    if (m_rows->count() > 0) m_rows->setCurrentRow(std::min(row, m_rows->count() - 1));
    emit entriesRemoved();
}

bool CComparisonListPane::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_rows ||
        (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) ||
        static_cast<QKeyEvent*>(event)->key() != Qt::Key_Delete)
        return QWidget::eventFilter(watched, event);
    // Delete is the list's own here, not the window's Delete command.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    RemoveSelected();
    return true;
}

void CComparisonListPane::ShowMenu(const QPoint& at) {
    QListWidgetItem* item = m_rows->itemAt(at);
    if (item == nullptr) return;
    // The menu is about the row clicked, and the others selected with it.
    if (!item->isSelected()) {
        m_rows->clearSelection();
        item->setSelected(true);
    }
    QMenu menu(this);
    const int entry = EntryOf(item);
    connect(menu.addAction(QStringLiteral("&Open")), &QAction::triggered, this,
            [this, entry] { emit openEntry(entry); });
    connect(menu.addAction(QStringLiteral("&Remove")), &QAction::triggered, this,
            &CComparisonListPane::RemoveSelected);
    menu.exec(m_rows->viewport()->mapToGlobal(at));
}

}  // namespace corvatine::ui
