#include "ui/HexCompareView.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <tuple>

#include "binarycompare/HexEditOptions.h"
#include "binarycompare/HexSearch.h"
#include "launch/Components.h"
#include "platform/AtomicFile.h"
#include "platform/Path.h"
#include "textcompare/TextCompareColors.h"
#include "textcompare/TextCompareOptions.h"
#include "ui/BinaryLocationMap.h"
#include "ui/BinaryPropertiesDialog.h"
#include "ui/DialogMessages.h"
#include "ui/Dialogs.h"
#include "ui/HexDialogs.h"
#include "ui/MainFrame.h"
#include "ui/UiText.h"

namespace corvatine::ui {

namespace {

constexpr int kPollMilliseconds = 100;
constexpr auto kListBudget = std::chrono::milliseconds(15);
constexpr qint64 kMapRefreshMilliseconds = 150;

QString OffsetText(int64_t offset) {
    return QStringLiteral("0x%1 (%2)")
        .arg(QString::number(static_cast<qulonglong>(offset), 16).toUpper())
        .arg(static_cast<qlonglong>(offset));
}

int Percent(int64_t part, int64_t whole) {
    return whole <= 0 ? 100 : static_cast<int>(std::clamp<int64_t>(part * 100 / whole, 0, 100));
}

}  // namespace

// ---- CHexSideDecorations ----

int64_t CHexSideDecorations::ContentSize(int64_t) const {
    CBinaryCompareDoc& doc = m_view.m_doc;
    return std::max(doc.Side(0).GetSize(), doc.Side(1).GetSize());
}

void CHexSideDecorations::CellBackgrounds(int64_t offset, int64_t count, std::vector<QColor>& colors) const {
    std::vector<int> statuses;
    m_view.ByteStatuses(offset, count, statuses);
    const COLORSCHEME& scheme = ActiveColors();
    int64_t currentStart = -1, currentEnd = -1;
    const std::vector<BINARYDIFFERENCE>& ranges = m_view.m_differences.Ranges();
    if (m_view.m_current >= 0 && m_view.m_current < static_cast<int>(ranges.size())) {
        currentStart = ranges[static_cast<size_t>(m_view.m_current)].start;
        currentEnd = ranges[static_cast<size_t>(m_view.m_current)].end;
    }
    colors.assign(static_cast<size_t>(count), QColor());
    for (int64_t i = 0; i < count; ++i) {
        int color = TCC_NONE;
        switch (statuses[static_cast<size_t>(i)]) {
            case BYTE_DIFFERENT: color = TCC_CHANGED; break;
            // The side that has the bytes shows them one-sided; the other
            // shows where they would be.
            case BYTE_LEFT_ONLY: color = m_side == 0 ? TCC_ONE_SIDED : TCC_GHOST; break;
            case BYTE_RIGHT_ONLY: color = m_side == 1 ? TCC_ONE_SIDED : TCC_GHOST; break;
            default: continue;
        }
        const bool current = offset + i >= currentStart && offset + i < currentEnd;
        colors[static_cast<size_t>(i)] =
            SchemeColor(current ? scheme.CurrentBackground(color) : scheme.RowBackground(color));
    }
}

// ---- CHexCompareView ----

CHexCompareView::CHexCompareView(const CBinaryCompareParams& request, platform::CMessages& messages,
                                 bool fileWatch, QWidget* parent, WorkerPriority priority)
    : CDocumentView(parent),
      m_messages(messages),
      m_doc(messages, AppComponents().Binary(), fileWatch, priority),
      m_differences(m_doc.Context()) {
    m_doc.SetHexSettings(AppComponents().Hex());
    m_doc.onPassFinished = [this] { OnPassFinished(); };
    m_doc.onFileChanged = [this](const std::string& path) { OnFileChanged(path); };
    m_doc.askSaveAsName = [this](int, const std::string& proposed) {
        return ToPath(QFileDialog::getSaveFileName(this, QStringLiteral("Save As"), FromPath(proposed)));
    };
    m_doc.askSaveChanges = [this](bool leftModified, bool rightModified, bool& saveLeft, bool& saveRight) {
        const std::string paths[2] = {m_doc.Params().sides[0].path, m_doc.Params().sides[1].path};
        const bool modified[2] = {leftModified, rightModified};
        return CSaveSidesDialog::Ask(this, m_doc.Params().GetTitle(), paths, modified, saveLeft, saveRight);
    };
    m_opened = m_doc.LoadSides(request);

    for (int side = 0; side < 2; ++side) CreateSide(side);
    m_map = new CBinaryLocationMap(this);
    m_map->setObjectName(QStringLiteral("locationMap"));
    connect(m_map, &CBinaryLocationMap::offsetClicked, this, [this](qint64 offset) {
        ScrollTo(offset / m_pane[0]->BytesPerRow() - m_pane[0]->VisibleRows() / 2);
    });
    m_vertical = new QScrollBar(Qt::Vertical, this);
    m_horizontal = new QScrollBar(Qt::Horizontal, this);
    connect(m_vertical, &QScrollBar::valueChanged, this, [this](int value) { ScrollTo(value * m_rowScale); });
    connect(m_horizontal, &QScrollBar::valueChanged, this, [this](int value) {
        for (CHexPane* pane : m_pane) pane->SetFirstColumn(value);
    });

    CreateProgressBar();
    LayOut();

    m_listing.setSingleShot(true);
    connect(&m_listing, &QTimer::timeout, this, [this] { ListStep(); });
    connect(&m_poll, &QTimer::timeout, this, [this] { Poll(); });
    m_poll.start(kPollMilliseconds);
    m_mapAge.start();
    setFocusProxy(m_pane[0]);
    setAcceptDrops(true);
    RefreshLabels();
    UpdateScrollBars();
    UpdateMap();
    Poll();
}

// One side's pane and header, and what the view does on the pane's signals.
void CHexCompareView::CreateSide(int side) {
    m_decorations[side] = std::make_unique<CHexSideDecorations>(*this, side);
    m_pane[side] = new CHexPane(m_doc.Side(side), &m_doc.View(side), m_decorations[side].get(), this);
    m_pane[side]->setObjectName(side == 0 ? QStringLiteral("leftPane") : QStringLiteral("rightPane"));
    m_pane[side]->setContextMenuPolicy(Qt::CustomContextMenu);
    m_header[side] = new QLabel(this);
    m_header[side]->setObjectName(side == 0 ? QStringLiteral("leftHeader") : QStringLiteral("rightHeader"));
    m_header[side]->setTextInteractionFlags(Qt::TextSelectableByMouse);
    CHexPane* pane = m_pane[side];
    connect(pane, &CHexPane::scrollRequested, this, [this](qint64 rows) { ScrollTo(m_firstRow + rows); });
    connect(pane, &CHexPane::horizontalScrollRequested, this,
            [this](int cells) { m_horizontal->setValue(m_horizontal->value() + cells); });
    connect(pane, &CHexPane::focused, this, [this, side] {
        m_activeSide = side;
        emit stateChanged();
    });
    connect(pane, &CHexPane::caretMoved, this, [this, side] {
        m_activeSide = side;
        EnsureVisible(m_pane[side]->Caret());
        // The difference the caret stands in is the current one.
        const int current = m_differences.RangeAt(m_pane[side]->Caret());
        if (current != m_current) {
            m_current = current;
            for (CHexPane* p : m_pane) p->update();
            UpdateMap();
        }
        emit stateChanged();
    });
    connect(pane, &CHexPane::contentChanged, this, [this](qint64 from) { OnContentChanged(from); });
    connect(pane, &CHexPane::edited, this, [this] { emit stateChanged(); });
    connect(pane, &CHexPane::modeChanged, this, [this] { emit stateChanged(); });
    connect(pane, &CHexPane::escapePressed, this, [this] {
        if (IsBusy()) CancelComparison();
    });
    connect(pane, &QWidget::customContextMenuRequested, this,
            [this, side](const QPoint& at) { ShowPaneMenu(side, at); });
}

// A pane's context menu: copy to the other side, copy and paste.
void CHexCompareView::ShowPaneMenu(int side, const QPoint& at) {
    QMenu menu(this);
    // The command that copies to the other side names that side.
    QAction* other =
        menu.addAction(side == 0 ? QStringLiteral("Copy to &Right") : QStringLiteral("Copy to &Left"));
    other->setStatusTip(QStringLiteral("Copy the selection to other side"));
    other->setEnabled(m_pane[side]->HasSelection() && !m_doc.Side(1 - side).IsReadOnly());
    connect(other, &QAction::triggered, this, [this, side] {
        m_activeSide = side;
        Copy(side == 0, false);
    });
    menu.addSeparator();
    menu.addAction(QStringLiteral("&Copy"), this, [this, side] { m_pane[side]->CopySelection(); })
        ->setEnabled(m_pane[side]->HasSelection());
    menu.addAction(QStringLiteral("&Paste"), this, [this, side] { m_pane[side]->Paste(); })
        ->setEnabled(!m_doc.Side(side).IsReadOnly());
    menu.exec(m_pane[side]->mapToGlobal(at));
}

// The worker's progress, with Cancel.
void CHexCompareView::CreateProgressBar() {
    m_busy = new QWidget(this);
    m_busy->setObjectName(QStringLiteral("progressBar"));
    auto* busy = new QHBoxLayout(m_busy);
    busy->setContentsMargins(4, 2, 4, 2);
    m_busyText = new QLabel(m_busy);
    m_progress = new QProgressBar(m_busy);
    m_progress->setRange(0, 100);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), m_busy);
    m_cancel->setObjectName(QStringLiteral("cancelComparison"));
    m_cancel->setToolTip(QStringLiteral("Stop comparing; Recompare (F5) starts again"));
    connect(m_cancel, &QPushButton::clicked, this, [this] { CancelComparison(); });
    busy->addWidget(m_busyText);
    busy->addWidget(m_progress, 1);
    busy->addWidget(m_cancel);
}

// The headers over the panes, the scroll bars, the map and the progress bar.
void CHexCompareView::LayOut() {
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_header[0], 0, 0);
    layout->addWidget(m_header[1], 0, 1);
    layout->addWidget(m_pane[0], 1, 0);
    layout->addWidget(m_pane[1], 1, 1);
    layout->addWidget(m_vertical, 1, 2);
    layout->addWidget(m_map, 1, 3);
    layout->addWidget(m_horizontal, 2, 0, 1, 2);
    layout->addWidget(m_busy, 3, 0, 1, 4);
    layout->setRowStretch(1, 1);
}

CHexCompareView::~CHexCompareView() {
    m_poll.stop();
    m_listing.stop();
    m_doc.onPassFinished = nullptr;
    m_doc.onFileChanged = nullptr;
    // The panes and the map show the document: they go before it does.
    delete m_map;
    for (CHexPane* pane : m_pane) delete pane;
}

void CHexCompareView::resizeEvent(QResizeEvent* event) {
    CDocumentView::resizeEvent(event);
    UpdateScrollBars();
    ScrollTo(m_firstRow);
}

// ---- Bytes and their status ----

void CHexCompareView::ByteStatuses(int64_t offset, int64_t count, std::vector<int>& statuses) const {
    CBinaryCompareDoc& doc = const_cast<CBinaryCompareDoc&>(m_doc);
    const int64_t sizes[2] = {doc.Side(0).GetSize(), doc.Side(1).GetSize()};
    std::vector<uint8_t> bytes[2];
    for (int side = 0; side < 2; ++side) {
        const int64_t available = std::clamp<int64_t>(sizes[side] - offset, 0, count);
        bytes[side].assign(static_cast<size_t>(count), 0);
        if (available > 0) doc.Side(side).Read(bytes[side].data(), available, offset);
    }
    statuses.resize(static_cast<size_t>(count));
    for (int64_t i = 0; i < count; ++i) {
        const int64_t at = offset + i;
        const size_t k = static_cast<size_t>(i);
        statuses[k] = at >= sizes[0]               ? BYTE_RIGHT_ONLY
                      : at >= sizes[1]             ? BYTE_LEFT_ONLY
                      : bytes[0][k] == bytes[1][k] ? BYTE_EQUAL
                                                   : BYTE_DIFFERENT;
    }
}

bool CHexCompareView::IsBusy() const {
    const int state = m_doc.State();
    if (state == BINARY_COMPARING) return true;
    return !m_cancelled && !m_listFailed && state != BINARY_ERROR && !m_differences.Complete() &&
           !m_differences.Failed();
}

void CHexCompareView::CancelComparison() {
    if (!IsBusy()) return;
    if (m_doc.State() == BINARY_COMPARING) m_doc.StopCompare();
    m_listing.stop();
    m_pending = NAV_NONE;
    m_cancelled = true;
    UpdateMap();
    Poll();
}

// ---- The worker and the listing ----

void CHexCompareView::Poll() {
    const bool busy = IsBusy();
    m_busy->setVisible(busy);
    if (busy) {
        const int64_t total = m_differences.Limit();
        if (m_doc.State() == BINARY_COMPARING) {
            m_busyText->setText(QStringLiteral("Comparing..."));
            m_progress->setValue(Percent(m_doc.Context().Progress(), m_doc.Side(0).GetSize()));
        } else {
            m_busyText->setText(QStringLiteral("Listing differences..."));
            m_progress->setValue(Percent(m_differences.ListedTo(), total));
            if (m_mapAge.elapsed() >= kMapRefreshMilliseconds) UpdateMap();
        }
    }
    const QString status = StatusText();
    if (status != m_lastStatus) {
        m_lastStatus = status;
        emit stateChanged();
    }
}

void CHexCompareView::OnPassFinished() {
    // The colours do not wait for the list: they are the bytes' own.
    for (CHexPane* pane : m_pane) pane->update();
    if (!m_cancelled) ScheduleListing();
    Poll();
}

void CHexCompareView::ScheduleListing() {
    const int state = m_doc.State();
    if (m_cancelled || m_differences.Complete() || m_differences.Failed() || state == BINARY_COMPARING ||
        state == BINARY_ERROR)
        return;
    if (!m_listing.isActive()) m_listing.start(0);
}

void CHexCompareView::ListStep() {
    const int state = m_doc.State();
    // While the worker runs the files are its own; the listing goes on after its pass.
    if (m_cancelled || state == BINARY_COMPARING || state == BINARY_ERROR) return;
    const CBinaryDifferences::StepResult result = m_differences.Step(kListBudget);
    if (result == CBinaryDifferences::STEP_ERROR) m_listFailed = true;
    if (result == CBinaryDifferences::STEP_MORE) m_listing.start(0);
    if (m_pending != NAV_NONE) {
        const Navigation pending = m_pending;
        m_pending = NAV_NONE;
        Navigate(pending, result == CBinaryDifferences::STEP_MORE);
    }
    if (result != CBinaryDifferences::STEP_MORE || m_mapAge.elapsed() >= kMapRefreshMilliseconds) UpdateMap();
    if (result != CBinaryDifferences::STEP_MORE) Poll();
}

void CHexCompareView::OnContentChanged(int64_t from) {
    // Told inside the edit: the list is cut back and goes on later; both
    // panes show the new statuses.
    m_differences.Invalidate(from);
    if (m_current >= static_cast<int>(m_differences.Ranges().size())) m_current = -1;
    RefreshLabels();  // the size, and the mark of unsaved bytes
    m_cancelled = false;
    m_listFailed = false;
    for (CHexPane* pane : m_pane) pane->update();
    UpdateScrollBars();
    ScheduleListing();
    UpdateMap();
}

void CHexCompareView::UpdateMap() {
    const int64_t total = m_differences.Limit();
    m_map->SetRanges(
        &m_differences.Ranges(),
        m_differences.Complete() && !m_differences.Truncated() ? total : m_differences.ListedTo(), total,
        m_current);
    m_mapAge.restart();
}

// ---- Scrolling ----

void CHexCompareView::UpdateScrollBars() {
    const int64_t rows = m_pane[0]->RowCount();
    const int visible = m_pane[0]->VisibleRows();
    const int64_t last = std::max<int64_t>(0, rows - visible);
    // The scroll bar counts in ints: a very long file moves several rows a step.
    m_rowScale = 1 + last / 1000000000;
    {
        const QSignalBlocker block(m_vertical);
        m_vertical->setRange(0, static_cast<int>(last / m_rowScale));
        m_vertical->setPageStep(std::max<int>(1, static_cast<int>(visible / m_rowScale)));
        m_vertical->setValue(static_cast<int>(m_firstRow / m_rowScale));
    }
    const int columns = m_pane[0]->TotalColumns();
    m_horizontal->setRange(0, std::max(0, columns - m_pane[0]->VisibleColumns()));
    m_horizontal->setPageStep(m_pane[0]->VisibleColumns());
    m_map->SetView(m_firstRow * m_pane[0]->BytesPerRow(),
                   static_cast<int64_t>(visible) * m_pane[0]->BytesPerRow());
}

void CHexCompareView::ScrollTo(int64_t row) {
    const int64_t last = std::max<int64_t>(0, m_pane[0]->RowCount() - m_pane[0]->VisibleRows());
    row = std::clamp<int64_t>(row, 0, last);
    m_firstRow = row;
    for (CHexPane* pane : m_pane) pane->SetFirstRow(row);
    const QSignalBlocker block(m_vertical);
    m_vertical->setValue(static_cast<int>(row / m_rowScale));
    m_map->SetView(row * m_pane[0]->BytesPerRow(),
                   static_cast<int64_t>(m_pane[0]->VisibleRows()) * m_pane[0]->BytesPerRow());
}

void CHexCompareView::EnsureVisible(int64_t offset, int64_t end) {
    const int64_t perRow = m_pane[0]->BytesPerRow();
    const int visible = m_pane[0]->VisibleRows();
    const int64_t row = offset / perRow;
    const int64_t lastRow = std::max(row, (std::max(end, offset + 1) - 1) / perRow);
    if (row >= m_firstRow && lastRow < m_firstRow + visible) return;
    if (end < 0) {
        // Following the caret: as little as will do.
        ScrollTo(row < m_firstRow ? row : row - visible + 1);
        return;
    }
    // A difference is shown whole when it fits, with a little context above.
    const int64_t context = std::min<int64_t>(3, std::max<int64_t>(0, (visible - (lastRow - row + 1)) / 2));
    ScrollTo(lastRow - row + 1 <= visible ? row - context : row);
}

void CHexCompareView::ReadOptions() {
    for (CHexPane* pane : m_pane) pane->ApplyOptions();
    Refresh();
}

void CHexCompareView::Refresh() {
    for (CHexPane* pane : m_pane) pane->Refresh();
    RefreshLabels();
    UpdateScrollBars();
    ScrollTo(m_firstRow);
    UpdateMap();
    emit stateChanged();
}

void CHexCompareView::RefreshLabels() {
    for (int side = 0; side < 2; ++side) {
        const std::string& path = m_doc.Params().sides[side].path;
        CBinaryCompareObjectEx& buffer = m_doc.Side(side);
        QString text = path.empty() ? QStringLiteral("(no file)") : FromPath(path);
        text += QStringLiteral("   %L1 bytes").arg(static_cast<qlonglong>(buffer.GetSize()));
        if (buffer.IsReadOnly()) text += QStringLiteral("   [read-only]");
        if (buffer.IsModified()) text += QStringLiteral("   *");
        m_header[side]->setText(text);
    }
}

// ---- Differences ----

bool CHexCompareView::Navigate(Navigation where, bool remember) {
    const std::vector<BINARYDIFFERENCE>& ranges = m_differences.Ranges();
    const bool complete = m_differences.Complete();
    const int64_t caret = CaretOffset();
    int index = -1;
    bool wait = false;  // the listing may yet find it
    switch (where) {
        case NAV_FIRST:
            if (!ranges.empty())
                index = 0;
            else
                wait = !complete;
            break;
        case NAV_PREVIOUS:
            // Every range before the caret is known once the list reaches it.
            if (!complete && m_differences.ListedTo() < caret)
                wait = true;
            else
                index = m_differences.PreviousBefore(caret);
            break;
        case NAV_NEXT:
            index = m_differences.NextAfter(caret);
            wait = index < 0 && !complete;
            break;
        case NAV_LAST:
            if (complete)
                index = static_cast<int>(ranges.size()) - 1;
            else
                wait = true;
            break;
        case NAV_NONE: break;
    }
    if (index >= 0) {
        ShowDifference(index);
        return true;
    }
    if (wait && remember && !m_cancelled && m_doc.State() != BINARY_ERROR) {
        m_pending = where;
        ScheduleListing();
        emit stateChanged();
        return false;
    }
    QApplication::beep();
    return false;
}

void CHexCompareView::ShowDifference(int index) {
    const BINARYDIFFERENCE range = m_differences.Ranges()[static_cast<size_t>(index)];
    m_current = index;
    // Both panes select the range (as far as each has its bytes), the
    // caret at its start.
    for (CHexPane* pane : m_pane) {
        const QSignalBlocker block(pane);
        pane->Select(range.end, range.start);
    }
    EnsureVisible(range.start, range.end);
    for (CHexPane* pane : m_pane) pane->update();
    UpdateMap();
    emit stateChanged();
}

bool CHexCompareView::CopyRange(int from, int64_t& start, int64_t& end) const {
    start = end = 0;
    bool found = false;
    for (const CHexPane* pane : {m_pane[from], m_pane[1 - from]}) {
        if (pane->HasSelection()) {
            std::tie(start, end) = pane->Selection();
            found = true;
            break;
        }
    }
    if (!found) {
        int index = m_current >= 0 ? m_current : m_differences.RangeAt(CaretOffset());
        if (index < 0 || index >= static_cast<int>(m_differences.Ranges().size())) return false;
        start = m_differences.Ranges()[static_cast<size_t>(index)].start;
        end = m_differences.Ranges()[static_cast<size_t>(index)].end;
    }
    // Only the bytes the source side has can be copied.
    end = std::min(end, const_cast<CBinaryCompareDoc&>(m_doc).Side(from).GetSize());
    return start < end;
}

void CHexCompareView::Copy(bool toRight, bool advance) {
    const int from = toRight ? 0 : 1, to = 1 - from;
    int64_t start = 0, end = 0;
    if (m_doc.Side(to).IsReadOnly() || !CopyRange(from, start, end)) {
        QApplication::beep();
        return;
    }
    const int64_t targetSize = m_doc.Side(to).GetSize();
    if (!m_doc.CopySelection(from, start, end)) {
        QApplication::beep();
        return;
    }
    // The copied bytes are selected on the other side, which becomes active.
    const int64_t at = start < targetSize ? start : targetSize;
    m_activeSide = to;
    m_pane[to]->Select(at + (end - start), at);
    m_pane[to]->setFocus();
    if (advance) Navigate(NAV_NEXT, true);
    RefreshLabels();
    emit stateChanged();
}

// ---- Files ----

template <typename Command>
void CHexCompareView::KeepingPass(Command command) {
    const bool running = m_doc.State() == BINARY_COMPARING;
    command();
    if (running && m_doc.State() != BINARY_COMPARING) m_doc.StartCompare();
}

bool CHexCompareView::SaveSide(int side, bool choosePath) {
    bool saved = false;
    KeepingPass(
        [&] { saved = choosePath ? m_doc.SaveSideAs(side, std::string(), true) : m_doc.SaveSide(side); });
    RefreshLabels();
    emit stateChanged();
    return saved;
}

bool CHexCompareView::ReloadAsked() {
    for (int side = 0; side < 2; ++side) {
        if (!m_doc.Side(side).IsModified()) continue;
        const std::string question = platform::ReplacePlaceholder("%s is changed, reload anyway?", "%s",
                                                                  m_doc.Params().sides[side].path);
        return m_messages.AskYesNo(question) == platform::ANSWER_YES;
    }
    return true;
}

void CHexCompareView::Reload() {
    m_listing.stop();
    m_pending = NAV_NONE;
    m_doc.Reload();
    AfterLoad();
}

void CHexCompareView::AfterLoad() {
    m_listing.stop();
    m_pending = NAV_NONE;
    m_differences.Reset();
    m_current = -1;
    m_cancelled = m_listFailed = false;
    Refresh();
    Poll();
}

void CHexCompareView::OnFileChanged(const std::string& path) {
    // A search reads the buffers: the reload waits for its end.
    if (HexSearchRunning()) {
        QTimer::singleShot(200, this, [this, path] { OnFileChanged(path); });
        return;
    }
    if (ReloadAsked()) Reload();
}

bool CHexCompareView::CanClose() {
    if (!m_doc.IsModified()) return true;
    return m_doc.SaveModified();
}

// ---- Find and Go To ----

void CHexCompareView::Find(bool ask, bool forward) {
    HEXFINDCHOICE& last = LastHexFind();
    if (ask || last.text.empty()) {
        HEXFINDCHOICE choice = last;
        if (!CHexFindDialog::Ask(this, choice)) return;
        last = choice;
        forward = choice.forward;
    }
    HEXSEARCH search;
    if (!ParseHexSearch(last.text, last.charset, search, m_messages)) return;
    CHexPane& pane = *m_pane[m_activeSide];
    const int64_t from = pane.HasSelection() ? pane.Selection().first : pane.Caret();
    const int64_t start = forward && pane.HasSelection() ? from + 1 : from;
    const int64_t found = SearchHexBuffer(pane.Buffer(), search, start, forward, m_messages);
    if (found < 0) return;
    const int64_t length = static_cast<int64_t>(search.pattern.size());
    // A text found puts the caret into the characters, bytes into the hex digits.
    pane.SetTextColumn(search.text);
    pane.Select(found + length, found);
    EnsureVisible(found, found + length);
    pane.setFocus();
}

void CHexCompareView::GoTo() {
    CHexPane& pane = *m_pane[m_activeSide];
    const int64_t size = pane.Buffer().GetSize();
    int64_t address = CHexGoToDialog::Ask(this, size, pane.Caret(), AppComponents().Hex().showUppercase != 0);
    if (address < 0) return;
    if (address > size) {
        if (!ConfirmJumpToEnd(address, m_messages)) return;
        address = size;
    }
    pane.SetCaret(address);
    EnsureVisible(address, address + 1);
    pane.setFocus();
}

// ---- What the frame asks ----

QString CHexCompareView::Title() const {
    return FromPath(m_doc.Params().GetTitle()) + (m_doc.IsModified() ? QStringLiteral(" *") : QString());
}

QString CHexCompareView::StatusText() const {
    CBinaryCompareDoc& doc = const_cast<CBinaryCompareDoc&>(m_doc);
    const int state = doc.State();
    const std::vector<BINARYDIFFERENCE>& ranges = m_differences.Ranges();
    const bool listed = m_differences.Complete() && !m_differences.Truncated();
    QString text;
    if (state == BINARY_COMPARING) {
        text =
            QStringLiteral("Comparing... %1%").arg(Percent(doc.Context().Progress(), doc.Side(0).GetSize()));
    } else if (m_cancelled) {
        text = QStringLiteral("Comparison cancelled");
    } else if (state == BINARY_ERROR || m_differences.Failed()) {
        const int changed = doc.Context().ChangedSide();
        text = changed >= 0 ? QStringLiteral("'%1' changed while being compared")
                                  .arg(FromPath(doc.Params().sides[changed].path))
                            : QStringLiteral("A file could not be read again");
    } else if (listed) {
        // The list holds the current contents, also after edits not compared again.
        text = ranges.empty() ? QStringLiteral("Identical") : QStringLiteral("Different");
    } else {
        text = state == BINARY_IDENTICAL   ? QStringLiteral("Identical")
               : state == BINARY_DIFFERENT ? QStringLiteral("Different")
                                           : QStringLiteral("Not compared");
    }
    if (!ranges.empty() || listed) {
        text += QStringLiteral("    Diff: %L1").arg(static_cast<qlonglong>(ranges.size()));
        if (m_differences.Truncated())
            text += QStringLiteral(" (no more are listed)");
        else if (!m_differences.Complete())
            text += QLatin1Char('+');
    }
    if (state != BINARY_COMPARING && IsBusy())
        text += QStringLiteral("    Listing differences... %1%")
                    .arg(Percent(m_differences.ListedTo(), m_differences.Limit()));
    if (m_pending != NAV_NONE) text += QStringLiteral("    Looking for the difference...");
    const CHexPane& pane = *m_pane[m_activeSide];
    text += QStringLiteral("    %1: %2")
                .arg(m_activeSide == 0 ? QStringLiteral("Left") : QStringLiteral("Right"))
                .arg(OffsetText(pane.Caret()));
    text += pane.InsertMode() ? QStringLiteral("    INS") : QStringLiteral("    OVR");
    if (doc.Side(m_activeSide).IsReadOnly()) text += QStringLiteral("    Read only");
    return text;
}

bool CHexCompareView::IsEnabled(Command command) const {
    CBinaryCompareDoc& doc = const_cast<CBinaryCompareDoc&>(m_doc);
    const int side = m_activeSide;
    const bool mayList = !m_differences.Ranges().empty() || IsBusy();
    int64_t start = 0, end = 0;
    switch (command) {
        case Command::Save: return doc.Side(side).IsModified();
        case Command::SaveLeft: return doc.Side(0).IsModified();
        case Command::SaveRight: return doc.Side(1).IsModified();
        case Command::SaveAs:
        case Command::SaveLeftAs:
        case Command::SaveRightAs:
        case Command::Reload:
        case Command::SelectAll:
        case Command::GoToLine:
        case Command::Recompare:
        case Command::SwapSides:
        case Command::GenerateCommandLine:
        case Command::Find:
        case Command::FindNext:
        case Command::FindPrevious:
        case Command::GoToTextComparison:
        case Command::GoToContainingFolder:
        case Command::AutoRecompare:
        case Command::ComparisonProperties: return true;
        case Command::Undo: return doc.MostRecentView() != nullptr || doc.Side(side).RecordCount() > 0;
        case Command::Redo: return doc.CanRedo();
        case Command::Cut: return m_pane[side]->HasSelection() && !doc.Side(side).IsReadOnly();
        case Command::Copy: return m_pane[side]->HasSelection();
        case Command::Paste: return !doc.Side(side).IsReadOnly();
        case Command::CopyToLeft:
        case Command::CopyToLeftAndAdvance: return !doc.Side(0).IsReadOnly() && CopyRange(1, start, end);
        case Command::CopyToRight:
        case Command::CopyToRightAndAdvance: return !doc.Side(1).IsReadOnly() && CopyRange(0, start, end);
        case Command::FirstDifference:
        case Command::PreviousDifference:
        case Command::NextDifference:
        case Command::LastDifference: return mayList;
        // The report lists every range: once they all are.
        case Command::Report:
            return !IsBusy() && m_differences.Complete() && !m_differences.Truncated() &&
                   !m_differences.Failed() && doc.State() != BINARY_ERROR;
        default: return false;
    }
}

bool CHexCompareView::IsChecked(Command command) const {
    return command == Command::AutoRecompare && m_doc.AutoRecompare();
}

QString CHexCompareView::CommandText(Command command) const {
    return command == Command::GoToLine ? QStringLiteral("&Go To Address...") : QString();
}

void CHexCompareView::Execute(Command command) {
    CHexPane& pane = *m_pane[m_activeSide];
    switch (command) {
        case Command::Save: SaveSide(m_activeSide, false); break;
        case Command::SaveAs: SaveSide(m_activeSide, true); break;
        case Command::SaveLeft: SaveSide(0, false); break;
        case Command::SaveRight: SaveSide(1, false); break;
        case Command::SaveLeftAs: SaveSide(0, true); break;
        case Command::SaveRightAs: SaveSide(1, true); break;
        case Command::Reload:
            if (ReloadAsked()) Reload();
            break;
        case Command::Undo: {
            // The most recent edit of the comparison, on whichever side it was.
            const CHexEditView* recent = m_doc.MostRecentView();
            const int side = recent == &m_doc.View(0) ? 0 : recent == &m_doc.View(1) ? 1 : m_activeSide;
            bool done = false;
            KeepingPass([&] { done = m_doc.Undo(m_activeSide); });
            if (!done) {
                QApplication::beep();
                break;
            }
            m_activeSide = side;
            m_pane[side]->SetCaret(m_doc.View(side).cursor);
            m_pane[side]->setFocus();
            RefreshLabels();
            break;
        }
        case Command::Redo: {
            const int side = m_doc.RedoSide();
            bool done = false;
            KeepingPass([&] { done = m_doc.Redo(); });
            if (!done || side < 0) {
                QApplication::beep();
                break;
            }
            m_activeSide = side;
            m_pane[side]->SetCaret(m_doc.View(side).cursor);
            m_pane[side]->setFocus();
            RefreshLabels();
            break;
        }
        case Command::Cut: pane.CutSelection(); break;
        case Command::Copy: pane.CopySelection(); break;
        case Command::Paste: pane.Paste(); break;
        case Command::SelectAll: pane.SelectAll(); break;
        case Command::GoToLine: GoTo(); break;
        case Command::CopyToLeft: Copy(false, false); break;
        case Command::CopyToRight: Copy(true, false); break;
        case Command::CopyToLeftAndAdvance: Copy(false, true); break;
        case Command::CopyToRightAndAdvance: Copy(true, true); break;
        case Command::FirstDifference: Navigate(NAV_FIRST, true); break;
        case Command::PreviousDifference: Navigate(NAV_PREVIOUS, true); break;
        case Command::NextDifference: Navigate(NAV_NEXT, true); break;
        case Command::LastDifference: Navigate(NAV_LAST, true); break;
        case Command::Recompare:
            m_listing.stop();
            m_cancelled = m_listFailed = false;
            m_differences.Reset();
            m_current = -1;
            m_doc.StartCompare();
            UpdateMap();
            for (CHexPane* p : m_pane) p->update();
            break;
        case Command::AutoRecompare: m_doc.ToggleAutoRecompare(); break;
        case Command::SwapSides:
            KeepingPass([this] { m_doc.SwapSides(); });
            for (int side = 0; side < 2; ++side) m_pane[side]->SetBuffer(m_doc.Side(side), &m_doc.View(side));
            m_differences.SwapSides();
            Refresh();
            break;
        case Command::GenerateCommandLine: CCommandLineDialog::Run(this, m_doc.Params()); break;
        case Command::Find: Find(true, true); break;
        case Command::FindNext: Find(false, true); break;
        case Command::FindPrevious: Find(false, false); break;
        case Command::GoToTextComparison:
            if (const auto request = m_doc.GoToTextComparison(AppComponents().Text().rules))
                if (auto* frame = qobject_cast<CMainFrame*>(window())) frame->OpenRequest(*request);
            break;
        case Command::GoToContainingFolder:
            if (auto* frame = qobject_cast<CMainFrame*>(window()))
                frame->OpenRequest(*m_doc.GoToContainingFolderComparison(AppComponents().Folders().methods));
            break;
        case Command::ComparisonProperties: ShowProperties(); break;
        case Command::Report: WriteReport(); break;
        default: break;
    }
    Poll();
    emit stateChanged();
}

// ---- Properties and dropped files ----

void CHexCompareView::ShowProperties() {
    BINARYSUMMARY summary;
    const std::vector<BINARYDIFFERENCE>& ranges = m_differences.Ranges();
    summary.complete = m_differences.Complete() && !m_differences.Truncated();
    summary.result = StatusText().section(QStringLiteral("    "), 0, 0);
    summary.ranges = static_cast<int64_t>(ranges.size());
    for (const BINARYDIFFERENCE& range : ranges) summary.bytes += range.end - range.start;
    for (int side = 0; side < 2; ++side) summary.sizes[side] = m_doc.Side(side).GetSize();
    CBinaryPropertiesDialog dialog(this, m_doc.Params(), summary);
    if (dialog.exec() != QDialog::Accepted) return;
    const CBinaryCompareParams params = dialog.Params();
    bool pathsChanged = false;
    for (int side = 0; side < 2; ++side)
        pathsChanged =
            pathsChanged || !platform::PathsEqual(params.sides[side].path, m_doc.Params().sides[side].path);
    // A new path loads both sides again: unsaved edits are asked for first.
    if (pathsChanged && !ReloadAsked()) return;
    m_doc.ApplyProperties(params);
    if (pathsChanged)
        AfterLoad();
    else
        Refresh();
}

void CHexCompareView::WriteReport() {
    QFileDialog files(this, QStringLiteral("Report"));
    files.setObjectName(QStringLiteral("binaryReportDialog"));
    files.setAcceptMode(QFileDialog::AcceptSave);
    files.setNameFilters({QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*)")});
    files.setDefaultSuffix(QStringLiteral("txt"));
    if (files.exec() != QDialog::Accepted || files.selectedFiles().isEmpty()) return;
    const std::string path = ToPath(files.selectedFiles().first());
    const int64_t sizes[2] = {m_doc.Side(0).GetSize(), m_doc.Side(1).GetSize()};
    std::string error;
    if (!platform::WriteFileAtomically(path, BinaryReportText(m_doc.Params(), m_differences.Ranges(), sizes),
                                       0644, error))
        m_messages.Error(error);  // it names the file
}

void CHexCompareView::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.first().isLocalFile() &&
        !platform::IsFolder(ToPath(urls.first().toLocalFile())))
        event->acceptProposedAction();
}

void CHexCompareView::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile()) return;
    const std::string path = ToPath(urls.first().toLocalFile());
    // A folder is not a side; left unaccepted it goes on to the window.
    if (platform::IsFolder(path)) return;
    const QPoint at = event->position().toPoint();
    // The side under the drop; the map and the scroll bar count as the right.
    const int side = m_pane[0]->geometry().contains(at) || at.x() < m_pane[1]->geometry().left() ? 0 : 1;
    if (m_doc.Side(side).IsModified()) {
        const std::string question = platform::ReplacePlaceholder("%s is changed, reload anyway?", "%s",
                                                                  m_doc.Params().sides[side].path);
        if (m_messages.AskYesNo(question) != platform::ANSWER_YES) return;
    }
    m_listing.stop();
    if (!m_doc.ReplaceSide(side, path)) {
        m_messages.Error("cannot open '" + path + "'");
        AfterLoad();
        return;
    }
    event->acceptProposedAction();
    AfterLoad();
    emit stateChanged();
}

}  // namespace corvatine::ui
