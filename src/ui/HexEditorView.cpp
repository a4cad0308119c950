#include "ui/HexEditorView.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>

#include <algorithm>

#include "binarycompare/HexEditOptions.h"
#include "binarycompare/HexSearch.h"
#include "launch/Components.h"
#include "platform/Path.h"
#include "ui/DialogMessages.h"
#include "ui/HexDialogs.h"
#include "ui/UiText.h"

namespace corvatine::ui {

CHexEditorView::CHexEditorView(const std::string& path, bool readOnly, platform::CMessages& messages,
                               bool fileWatch, QWidget* parent)
    : CDocumentView(parent),
      m_messages(messages),
      m_watches(fileWatch),
      m_buffer(messages),
      m_path(path),
      m_readOnly(readOnly) {
    m_buffer.SetSettings(AppComponents().Hex());
    m_opened = m_buffer.Open(path);
    if (m_opened && readOnly) m_buffer.SetReadOnly(true);
    m_pane = new CHexPane(m_buffer, nullptr, nullptr, this);
    m_pane->setObjectName(QStringLiteral("hexPane"));
    m_vertical = new QScrollBar(Qt::Vertical, this);
    m_horizontal = new QScrollBar(Qt::Horizontal, this);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_pane, 0, 0);
    layout->addWidget(m_vertical, 0, 1);
    layout->addWidget(m_horizontal, 1, 0);
    connect(m_vertical, &QScrollBar::valueChanged, this, [this](int value) { ScrollTo(value * m_rowScale); });
    connect(m_horizontal, &QScrollBar::valueChanged, this,
            [this](int value) { m_pane->SetFirstColumn(value); });
    connect(m_pane, &CHexPane::scrollRequested, this, [this](qint64 rows) { ScrollTo(m_firstRow + rows); });
    connect(m_pane, &CHexPane::horizontalScrollRequested, this,
            [this](int cells) { m_horizontal->setValue(m_horizontal->value() + cells); });
    connect(m_pane, &CHexPane::caretMoved, this, [this] {
        EnsureVisible(m_pane->Caret());
        emit stateChanged();
    });
    connect(m_pane, &CHexPane::contentChanged, this, [this] { UpdateScrollBars(); });
    connect(m_pane, &CHexPane::edited, this, [this] { emit stateChanged(); });
    connect(m_pane, &CHexPane::modeChanged, this, [this] { emit stateChanged(); });
    m_watches.onChanged = [this](const std::string& changed) { OnFileChanged(changed); };
    if (m_opened) m_watches.Watch(path);
    setFocusProxy(m_pane);
    UpdateScrollBars();
}

CHexEditorView::~CHexEditorView() {
    m_watches.UnwatchAll();
    delete m_pane;  // it shows the buffer: it goes before the buffer does
}

void CHexEditorView::resizeEvent(QResizeEvent* event) {
    CDocumentView::resizeEvent(event);
    UpdateScrollBars();
    ScrollTo(m_firstRow);
}

void CHexEditorView::UpdateScrollBars() {
    const int visible = m_pane->VisibleRows();
    const int64_t last = std::max<int64_t>(0, m_pane->RowCount() - visible);
    m_rowScale = 1 + last / 1000000000;
    {
        const QSignalBlocker block(m_vertical);
        m_vertical->setRange(0, static_cast<int>(last / m_rowScale));
        m_vertical->setPageStep(std::max<int>(1, static_cast<int>(visible / m_rowScale)));
        m_vertical->setValue(static_cast<int>(m_firstRow / m_rowScale));
    }
    m_horizontal->setRange(0, std::max(0, m_pane->TotalColumns() - m_pane->VisibleColumns()));
    m_horizontal->setPageStep(m_pane->VisibleColumns());
}

void CHexEditorView::ScrollTo(int64_t row) {
    const int64_t last = std::max<int64_t>(0, m_pane->RowCount() - m_pane->VisibleRows());
    m_firstRow = std::clamp<int64_t>(row, 0, last);
    m_pane->SetFirstRow(m_firstRow);
    const QSignalBlocker block(m_vertical);
    m_vertical->setValue(static_cast<int>(m_firstRow / m_rowScale));
}

void CHexEditorView::EnsureVisible(int64_t offset, int64_t end) {
    const int64_t perRow = m_pane->BytesPerRow();
    const int visible = m_pane->VisibleRows();
    const int64_t row = offset / perRow;
    const int64_t lastRow = std::max(row, (std::max(end, offset + 1) - 1) / perRow);
    if (row >= m_firstRow && lastRow < m_firstRow + visible) return;
    if (end < 0)
        ScrollTo(row < m_firstRow ? row : row - visible + 1);
    else
        ScrollTo(lastRow - row + 1 <= visible
                     ? row - std::min<int64_t>(3, (visible - (lastRow - row + 1)) / 2)
                     : row);
}

void CHexEditorView::ReadOptions() {
    m_pane->ApplyOptions();
    Refresh();
}

void CHexEditorView::Refresh() {
    m_pane->Refresh();
    UpdateScrollBars();
    ScrollTo(m_firstRow);
    emit stateChanged();
}

QString CHexEditorView::Title() const {
    return FromPath(platform::PathFileName(m_path)) +
           (m_buffer.IsModified() ? QStringLiteral(" *") : QString());
}

QString CHexEditorView::StatusText() const {
    const int64_t caret = m_pane->Caret();
    QString text = QStringLiteral("Offset: 0x%1 (%2)    Size: %L3")
                       .arg(QString::number(static_cast<qulonglong>(caret), 16).toUpper())
                       .arg(static_cast<qlonglong>(caret))
                       .arg(static_cast<qlonglong>(m_buffer.GetSize()));
    if (m_pane->HasSelection()) {
        const auto [from, to] = m_pane->Selection();
        text += QStringLiteral("    Selected: %L1").arg(static_cast<qlonglong>(to - from));
    }
    text += m_pane->InsertMode() ? QStringLiteral("    INS") : QStringLiteral("    OVR");
    if (m_buffer.IsReadOnly()) text += QStringLiteral("    Read only");
    return text;
}

bool CHexEditorView::IsEnabled(Command command) const {
    switch (command) {
        case Command::Save: return m_buffer.IsModified();
        case Command::SaveAs:
        case Command::Reload:
        case Command::SelectAll:
        case Command::GoToLine:
        case Command::Find:
        case Command::FindNext:
        case Command::FindPrevious: return true;
        case Command::Undo: return m_buffer.RecordCount() > 0;
        case Command::Redo: return m_buffer.CanRedo();
        case Command::Cut: return m_pane->HasSelection() && !m_buffer.IsReadOnly();
        case Command::Copy: return m_pane->HasSelection();
        case Command::Paste: return !m_buffer.IsReadOnly();
        default: return false;
    }
}

QString CHexEditorView::CommandText(Command command) const {
    return command == Command::GoToLine ? QStringLiteral("&Go To Address...") : QString();
}

void CHexEditorView::Execute(Command command) {
    switch (command) {
        case Command::Save: Save(false); break;
        case Command::SaveAs: Save(true); break;
        case Command::Reload:
            if (!m_buffer.IsModified() ||
                m_messages.AskYesNo(platform::ReplacePlaceholder("%s is changed, reload anyway?", "%s",
                                                                 m_path)) == platform::ANSWER_YES)
                Reload();
            break;
        case Command::Undo: {
            if (m_buffer.RecordCount() == 0) break;
            // The caret goes where the undone edit was.
            const int64_t position = m_buffer.Record(m_buffer.RecordCount() - 1).position;
            m_buffer.Undo(m_pane, m_buffer.RecordCount() - 1, 0);
            m_pane->SetCaret(position);
            Refresh();
            break;
        }
        case Command::Redo: {
            if (!m_buffer.CanRedo()) break;
            const int64_t position = m_buffer.NextRedo().position;
            m_buffer.Redo(m_pane);
            m_pane->SetCaret(position);
            Refresh();
            break;
        }
        case Command::Cut: m_pane->CutSelection(); break;
        case Command::Copy: m_pane->CopySelection(); break;
        case Command::Paste: m_pane->Paste(); break;
        case Command::SelectAll: m_pane->SelectAll(); break;
        case Command::GoToLine: GoTo(); break;
        case Command::Find: Find(true, true); break;
        case Command::FindNext: Find(false, true); break;
        case Command::FindPrevious: Find(false, false); break;
        default: break;
    }
    emit stateChanged();
}

bool CHexEditorView::Save(bool choosePath) {
    std::string path = m_path;
    if (choosePath) {
        const QString chosen =
            QFileDialog::getSaveFileName(this, QStringLiteral("Save As"), FromPath(m_path));
        if (chosen.isEmpty()) return false;
        path = ToPath(chosen);
    }
    m_watches.Suspend(m_path);
    const bool saved = m_buffer.Save(path);
    m_watches.Resume(m_path);
    if (saved && path != m_path) {
        // The buffer now holds the file saved.
        m_watches.Unwatch(m_path);
        m_path = path;
        m_watches.Watch(m_path);
    }
    Refresh();
    return saved;
}

void CHexEditorView::Reload() {
    m_watches.Suspend(m_path);
    const bool opened = m_buffer.Open(m_path);
    if (opened && m_readOnly) m_buffer.SetReadOnly(true);
    m_watches.Resume(m_path);
    Refresh();
}

void CHexEditorView::OnFileChanged(const std::string& path) {
    if (HexSearchRunning()) {
        QTimer::singleShot(200, this, [this, path] { OnFileChanged(path); });
        return;
    }
    if (m_buffer.IsModified() && m_messages.AskYesNo(platform::ReplacePlaceholder(
                                     "%s is changed, reload anyway?", "%s", path)) != platform::ANSWER_YES)
        return;
    Reload();
}

bool CHexEditorView::CanClose() {
    if (!m_buffer.IsModified()) return true;
    const int answer = AskSaveChanges(this, m_path);
    if (answer == QMessageBox::Cancel) return false;
    return answer == QMessageBox::No || Save(false);
}

void CHexEditorView::Find(bool ask, bool forward) {
    HEXFINDCHOICE& last = LastHexFind();
    if (ask || last.text.empty()) {
        HEXFINDCHOICE choice = last;
        if (!CHexFindDialog::Ask(this, choice)) return;
        last = choice;
        forward = choice.forward;
    }
    HEXSEARCH search;
    if (!ParseHexSearch(last.text, last.charset, search, m_messages)) return;
    const int64_t from = m_pane->HasSelection() ? m_pane->Selection().first : m_pane->Caret();
    const int64_t start = forward && m_pane->HasSelection() ? from + 1 : from;
    const int64_t found = SearchHexBuffer(m_buffer, search, start, forward, m_messages);
    if (found < 0) return;
    const int64_t length = static_cast<int64_t>(search.pattern.size());
    m_pane->SetTextColumn(search.text);
    m_pane->Select(found + length, found);
    EnsureVisible(found, found + length);
    m_pane->setFocus();
}

void CHexEditorView::GoTo() {
    const int64_t size = m_buffer.GetSize();
    int64_t address =
        CHexGoToDialog::Ask(this, size, m_pane->Caret(), AppComponents().Hex().showUppercase != 0);
    if (address < 0) return;
    if (address > size) {
        if (!ConfirmJumpToEnd(address, m_messages)) return;
        address = size;
    }
    m_pane->SetCaret(address);
    EnsureVisible(address, address + 1);
    m_pane->setFocus();
}

}  // namespace corvatine::ui
