#include "ui/FindResultsPane.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/File.h"
#include "platform/MessageQueue.h"
#include "ui/TextEditView.h"
#include "ui/UiText.h"

namespace corvatine::ui {

namespace {

// Nodes the worker may hand over before it waits for the tree to take them.
constexpr size_t kMaxPending = 4096;

QString DisplayText(const std::string& text) {
    QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    while (shown.endsWith(QLatin1Char('\n')) || shown.endsWith(QLatin1Char('\r'))) shown.chop(1);
    return shown;
}

}  // namespace

CFindResultsPane::CFindResultsPane(QWidget* parent, size_t readBlockSize)
    : QTreeWidget(parent), m_thread(platform::UserInterfaceQueue(), readBlockSize) {
    setObjectName(QStringLiteral("findResults"));
    setHeaderHidden(true);
    setColumnCount(1);
    setUniformRowHeights(true);
    // The line numbers of the hits stand in a column.
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setExpandsOnDoubleClick(false);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) { OpenNode(item); });
}

CFindResultsPane::~CFindResultsPane() {
    // The worker reports to this pane: it ends before the pane goes.
    if (m_thread.IsRunning()) {
        m_stopping = true;
        m_thread.Stop();
    }
    platform::UserInterfaceQueue().Discard(this);
}

void CFindResultsPane::NewFind() {
    if (m_thread.IsRunning()) return;
    FINDINFILESCHOICE choice = m_lastChoice;
    if (CFindInFilesDlg::Ask(this, choice)) StartFind(choice);
}

bool CFindResultsPane::StartFind(const FINDINFILESCHOICE& choice) {
    if (m_thread.IsRunning()) return false;
    m_lastChoice = choice;
    FINDINFILESREQUEST request;
    request.flags = choice.flags;
    request.findWhat = choice.findWhat;
    request.fileTypes = choice.fileTypes;
    request.lookIn = choice.lookIn;
    request.window = this;
    m_stopping = false;
    if (!m_thread.Start(std::move(request))) return false;
    emit runningChanged(true);
    return true;
}

void CFindResultsPane::StopFind() {
    if (!m_thread.IsRunning()) return;
    m_stopping = true;
    m_thread.Stop();
    // The end message is queued by now: delivered here, it cannot be taken
    // for the end of a later search.
    platform::UserInterfaceQueue().Pump();
    Ended();
}

void CFindResultsPane::ClearResults() {
    clear();
    m_root = nullptr;
    m_file = nullptr;
    m_last = nullptr;
}

void CFindResultsPane::OnFindResult(int level, const std::string& text) {
    std::unique_lock lock(m_mutex);
    // A tree far behind holds the worker back, as a sent message would;
    // a stop lets it go on to its end at once.
    while (m_pending.size() >= kMaxPending && !m_stopping) {
        lock.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        lock.lock();
    }
    m_pending.emplace_back(level, text);
    if (m_takeScheduled) return;
    m_takeScheduled = true;
    lock.unlock();
    QMetaObject::invokeMethod(
        this, [this] { TakeNodes(); }, Qt::QueuedConnection);
}

void CFindResultsPane::OnFindEnded() {
    m_thread.OnEnd();
    Ended();
}

void CFindResultsPane::Ended() {
    TakeNodes();
    emit runningChanged(false);
}

void CFindResultsPane::TakeNodes() {
    std::vector<std::pair<int, std::string>> nodes;
    {
        std::lock_guard lock(m_mutex);
        nodes.swap(m_pending);
        m_takeScheduled = false;
    }
    if (nodes.empty()) return;
    setUpdatesEnabled(false);
    for (const auto& [level, text] : nodes) AddNode(level, text);
    setUpdatesEnabled(true);
    if (m_last != nullptr) scrollToItem(m_last);
}

void CFindResultsPane::AddNode(int level, const std::string& text) {
    QTreeWidgetItem* parent = nullptr;
    switch (level) {
        case FIND_LEVEL_ROOT: break;
        case FIND_LEVEL_FILE:
        case FIND_LEVEL_SUMMARY: parent = m_root; break;
        case FIND_LEVEL_LINE: parent = m_file; break;
        default: return;
    }
    if (level != FIND_LEVEL_ROOT && parent == nullptr) return;  // the tree was cleared meanwhile
    auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    item->setText(0, DisplayText(text));
    item->setData(0, kLevelRole, level);
    item->setData(0, kTextRole, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
    if (parent != nullptr) parent->setExpanded(true);
    m_last = item;
    if (level == FIND_LEVEL_ROOT) {
        m_root = item;
        m_file = nullptr;
    } else if (level == FIND_LEVEL_FILE) {
        m_file = item;
    } else if (level == FIND_LEVEL_SUMMARY) {
        m_file = nullptr;
    }
}

CDocumentView* CFindResultsPane::OpenNode(QTreeWidgetItem* item) {
    if (item == nullptr || !onOpen) return nullptr;
    const int level = item->data(0, kLevelRole).toInt();
    std::string path;
    int line = 0;
    if (level == FIND_LEVEL_LINE && item->parent() != nullptr) {
        path = item->parent()->data(0, kTextRole).toByteArray().toStdString();
        line = LineNodeNumber(item->data(0, kTextRole).toByteArray().toStdString());
    } else if (level == FIND_LEVEL_FILE) {
        path = item->data(0, kTextRole).toByteArray().toStdString();
    }
    if (path.empty() || platform::GetFileType(path) == platform::FileType::Missing) return nullptr;
    CDocumentView* view = onOpen(path);
    if (view != nullptr && line > 0) ShowEditorLine(view, line);
    return view;
}

void CFindResultsPane::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* newFind = menu.addAction(QStringLiteral("New Find..."));
    newFind->setEnabled(!m_thread.IsRunning());
    connect(newFind, &QAction::triggered, this, [this] { NewFind(); });
    QAction* clearAll = menu.addAction(QStringLiteral("Clear"));
    connect(clearAll, &QAction::triggered, this, [this] { ClearResults(); });
    menu.exec(event->globalPos());
}

void ShowEditorLine(CDocumentView* view, int line) {
    auto* editor = qobject_cast<CTextEditView*>(view);
    if (editor == nullptr || line <= 0) return;
    // A view just opened gets its size from the pending layouts.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    CTextPane& pane = editor->Pane();
    const int row = std::min(line, pane.Context().GetLineCount()) - 1;
    pane.SetCaret({0, row});
    // The line in the middle of the view, the top line not above the first.
    const int top = std::max(0, row - pane.VisibleRows() / 2);
    for (QScrollBar* bar : editor->findChildren<QScrollBar*>())
        if (bar->orientation() == Qt::Vertical && bar->parentWidget() == editor) bar->setValue(top);
    pane.setFocus();
}

}  // namespace corvatine::ui
