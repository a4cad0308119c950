#include "ui/MergeView.h"
#include "ui/WindowPlacement.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QWheelEvent>

#include <algorithm>
#include <cstdio>

#include "fileio/CodePages.h"

namespace corvatine::ui {

namespace {

constexpr int kColumnMerged = CMergeDoc::MERGE_COLUMN_MERGED;

// Ctrl+Return puts the editor's text into the merge; Escape drops it.
class CEditorKeys : public QObject {
public:
    CEditorKeys(CMergeWindow& window, QObject* parent) : QObject(parent), m_window(window) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
                (key->modifiers() & Qt::ControlModifier)) {
                m_window.CommitEdit();
                return true;
            }
            if (key->key() == Qt::Key_Escape) {
                m_window.CancelEdit();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    CMergeWindow& m_window;
};

std::vector<std::string> SplitEditorText(const QString& text) {
    std::vector<std::string> lines;
    const std::string bytes = text.toStdString();
    size_t start = 0;
    while (start <= bytes.size()) {
        const size_t end = bytes.find('\n', start);
        if (end == std::string::npos) {
            // A text that ends in a line break has no further line.
            if (start < bytes.size()) lines.push_back(bytes.substr(start));
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

}  // namespace

MERGECOLORS MergeColors(bool dark) {
    if (dark)
        return {QColor(0x1F, 0x3A, 0x5C), QColor(0x1F, 0x4A, 0x2A), QColor(0x4A, 0x40, 0x20),
                QColor(0x66, 0x1F, 0x1F), QColor(0x3D, 0x2F, 0x55), QColor(0x2A, 0x2A, 0x2A),
                QColor(0xE0, 0xE0, 0xE0), QColor(0xE8, 0xE8, 0xE8)};
    return {QColor(0xCF, 0xE3, 0xFF), QColor(0xD2, 0xF0, 0xD2), QColor(0xFF, 0xF0, 0xB3),
            QColor(0xFF, 0xB8, 0xB8), QColor(0xE4, 0xD8, 0xF5), QColor(0xEC, 0xEC, 0xEC),
            QColor(0x20, 0x20, 0x20), QColor(0x00, 0x00, 0x00)};
}

// ---- CMergePane -------------------------------------------------------------

CMergePane::CMergePane(CMergeWindow& window, int column, QWidget* parent)
    : QWidget(parent), m_window(window), m_column(column) {
    setObjectName(QStringLiteral("mergePane%1").arg(column));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    m_style.font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QFontMetrics metrics(m_style.font);
    m_style.lineHeight = metrics.height();
    m_style.ascent = metrics.ascent();
    m_style.tabDistance = 4 * metrics.horizontalAdvance(QLatin1Char(' '));
    m_style.fixedAdvance = CTextRowLayout::FixedAdvance(m_style.font, m_style.tabDistance);
    m_style.estimateAdvance = metrics.averageCharWidth();
    m_style.advances = std::make_shared<CCharacterAdvances>(m_style.font);
    m_style.codePage = WorkingCodePage();
    m_margin = metrics.horizontalAdvance(QStringLiteral("00000000")) + 6;
    setMinimumWidth(120);
}

int CMergePane::VisibleRows() const { return std::max(1, height() / m_style.lineHeight); }

int CMergePane::RowAt(int y) const { return m_window.FirstRow() + y / m_style.lineHeight; }

QRect CMergePane::RowRect(int row) const {
    return QRect(0, (row - m_window.FirstRow()) * m_style.lineHeight, width(), m_style.lineHeight);
}

void CMergePane::Invalidate() {
    m_layouts.clear();
    m_linesChunk = -1;
    m_lines.clear();
    update();
}

bool CMergePane::RowText(int row, std::string& text) const {
    const CMergeDoc& doc = m_window.Doc();
    if (m_column == kColumnMerged) {
        const int offset = doc.LineAtRow(kColumnMerged, row);
        if (offset < 0) return false;
        const int chunk = doc.ChunkAtRow(row);
        const MERGECHUNK& c = doc.Chunks()[static_cast<size_t>(chunk)];
        if (doc.State(chunk).content == CONTENT_AUTO && c.kind != MERGE_CONFLICT) {
            MERGEDLINE line;
            if (!doc.MergedLineAtRow(row, line)) return false;
            text = std::string(doc.LineCharacters(line));
            return true;
        }
        if (chunk != m_linesChunk) {
            m_lines.clear();
            doc.ChunkLines(chunk, m_lines);
            m_linesChunk = chunk;
        }
        text = std::string(doc.LineCharacters(m_lines[static_cast<size_t>(offset)]));
        return true;
    }
    const int line = doc.LineAtRow(m_column, row);
    if (line < 0) return false;
    text = std::string(doc.Side(m_column).GetLine(line).Characters());
    return true;
}

const CTextRowLayout& CMergePane::Layout(int row, const std::string& text) const {
    auto& layout = m_layouts[row];
    if (layout == nullptr || layout->Source() != text)
        layout = std::make_unique<CTextRowLayout>(text, std::vector<ROWCOLOR>{}, m_style);
    return *layout;
}

void CMergePane::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const CMergeDoc& doc = m_window.Doc();
    const MERGECOLORS& colors = m_window.Colors();
    const QColor base = palette().color(QPalette::Base);
    painter.fillRect(event->rect(), base);
    // Layouts of rows no longer in view go.
    const int first = m_window.FirstRow(), last = first + VisibleRows() + 1;
    for (auto it = m_layouts.begin(); it != m_layouts.end();)
        it = it->first < first || it->first > last ? m_layouts.erase(it) : std::next(it);
    const int current = m_window.CurrentChunk();
    int currentTop = -1, currentBottom = -1;
    std::string text;
    for (int row = first; row <= last && row < doc.RowCount(); ++row) {
        const QRect rect = RowRect(row);
        const int chunk = doc.ChunkAtRow(row);
        const MERGECHUNK& c = doc.Chunks()[static_cast<size_t>(chunk)];
        QColor background;
        switch (c.kind) {
            case MERGE_OURS: background = colors.ours; break;
            case MERGE_THEIRS: background = colors.theirs; break;
            case MERGE_BOTH: background = colors.both; break;
            case MERGE_CONFLICT:
                background = doc.IsUnresolved(chunk) ? colors.conflict : colors.resolved;
                break;
            default: break;
        }
        const bool real = RowText(row, text);
        if (!real)
            painter.fillRect(rect, colors.ghost);
        else if (background.isValid())
            painter.fillRect(rect, background);
        if (chunk == current) {
            if (currentTop < 0) currentTop = rect.top();
            currentBottom = rect.bottom();
        }
        if (!real) continue;
        // The line number in the margin: the side's, or the merged text's own.
        const int number = m_column == kColumnMerged
                               ? doc.ChunkMergedLine(chunk) + doc.LineAtRow(m_column, row) + 1
                               : doc.LineAtRow(m_column, row) + 1;
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.setFont(m_style.font);
        if (number > 0)
            painter.drawText(QRect(0, rect.top(), m_margin - 6, rect.height()),
                             Qt::AlignRight | Qt::AlignVCenter, QString::number(number));
        painter.setPen(colors.text);
        const CTextRowLayout& layout = Layout(row, text);
        const QRectF clip(0, 0, width() - m_margin, m_style.lineHeight);
        layout.Draw(painter, QPointF(m_margin, rect.top()), clip, {});
    }
    if (currentTop >= 0) {
        painter.setPen(QPen(colors.current, 2));
        painter.drawLine(0, currentTop + 1, width(), currentTop + 1);
        painter.drawLine(0, currentBottom, width(), currentBottom);
    }
}

void CMergePane::mousePressEvent(QMouseEvent* event) {
    m_clickedRow = RowAt(static_cast<int>(event->position().y()));
    const int chunk = m_window.Doc().ChunkAtRow(m_clickedRow);
    if (chunk >= 0) m_window.SetCurrentChunk(chunk);
    setFocus();
}

void CMergePane::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
    const int chunk = m_window.CurrentChunk();
    if (m_column == kColumnMerged && chunk >= 0)
        m_window.EditChunk(m_clickedRow - m_window.Doc().ChunkFirstRow(chunk));
}

void CMergePane::wheelEvent(QWheelEvent* event) {
    const int steps = -event->angleDelta().y() / 40;
    m_window.ScrollTo(m_window.FirstRow() + steps);
}

void CMergePane::keyPressEvent(QKeyEvent* event) {
    // Text typed into the merged pane edits the current chunk there: the
    // editor opens on the line last clicked, and the text goes in.
    const QString typed = event->text();
    const int chunk = m_window.CurrentChunk();
    if (m_column == kColumnMerged && chunk >= 0 && !typed.isEmpty() && typed.at(0).isPrint() &&
        (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) == 0) {
        const int first = m_window.Doc().ChunkFirstRow(chunk);
        const bool inChunk =
            m_clickedRow >= first && m_clickedRow < first + m_window.Doc().ChunkRowCount(chunk);
        m_window.EditChunk(inChunk ? m_clickedRow - first : 0);
        if (QPlainTextEdit* editor = m_window.ChunkEditor(); editor->isVisible())
            editor->insertPlainText(typed);
        return;
    }
    const int first = m_window.FirstRow(), page = std::max(1, VisibleRows() - 1);
    const bool control = (event->modifiers() & Qt::ControlModifier) != 0;
    switch (event->key()) {
        case Qt::Key_Up: m_window.ScrollTo(first - 1); break;
        case Qt::Key_Down: m_window.ScrollTo(first + 1); break;
        case Qt::Key_PageUp: m_window.ScrollTo(first - page); break;
        case Qt::Key_PageDown: m_window.ScrollTo(first + page); break;
        case Qt::Key_Home:
            if (!control) return QWidget::keyPressEvent(event);
            m_window.ScrollTo(0);
            break;
        case Qt::Key_End:
            if (!control) return QWidget::keyPressEvent(event);
            m_window.ScrollTo(m_window.Doc().RowCount());
            break;
        default: QWidget::keyPressEvent(event); return;
    }
}

// ---- CMergeMap --------------------------------------------------------------

CMergeMap::CMergeMap(CMergeWindow& window, QWidget* parent) : QWidget(parent), m_window(window) {
    setObjectName(QStringLiteral("mergeMap"));
    setFixedWidth(kWidth);
}

int CMergeMap::RowAt(int y) const {
    const int rows = std::max(1, m_window.Doc().RowCount());
    return static_cast<int>(static_cast<int64_t>(y) * rows / std::max(1, height()));
}

int CMergeMap::YOf(int row) const {
    const int rows = std::max(1, m_window.Doc().RowCount());
    return static_cast<int>(static_cast<int64_t>(row) * height() / rows);
}

void CMergeMap::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_bands.size() != size()) {
        // Drawn again only when the merge or the size changed.
        m_bands = QPixmap(size());
        m_bands.fill(palette().color(QPalette::Base));
        QPainter bands(&m_bands);
        const CMergeDoc& doc = m_window.Doc();
        const MERGECOLORS& colors = m_window.Colors();
        for (int c = 0; c < doc.ChunkCount(); ++c) {
            const int kind = doc.Chunks()[static_cast<size_t>(c)].kind;
            if (kind == MERGE_UNCHANGED) continue;
            const QColor color = kind == MERGE_CONFLICT
                                     ? (doc.IsUnresolved(c) ? QColor(0xE0, 0x30, 0x30) : colors.resolved)
                                 : kind == MERGE_OURS   ? colors.ours.darker(130)
                                 : kind == MERGE_THEIRS ? colors.theirs.darker(130)
                                                        : colors.both.darker(130);
            const int top = YOf(doc.ChunkFirstRow(c));
            const int bottom = std::max(top + (kind == MERGE_CONFLICT ? 3 : 2),
                                        YOf(doc.ChunkFirstRow(c) + doc.ChunkRowCount(c)));
            // Conflicts take the whole width, other changes the middle.
            const int x = kind == MERGE_CONFLICT ? 1 : 5;
            bands.fillRect(QRect(x, top, width() - 2 * x, bottom - top), color);
        }
    }
    painter.drawPixmap(0, 0, m_bands);
    painter.setPen(palette().color(QPalette::WindowText));
    const int top = YOf(m_window.FirstRow());
    const int bottom = std::max(top + 2, YOf(m_window.FirstRow() + m_window.VisibleRows()));
    painter.drawRect(0, top, width() - 1, bottom - top);
}

void CMergeMap::mousePressEvent(QMouseEvent* event) {
    emit rowClicked(RowAt(static_cast<int>(event->position().y())));
}

// ---- CMergeWindow -----------------------------------------------------------

CMergeWindow::CMergeWindow(MERGECOMMAND command, QWidget* parent)
    : QMainWindow(parent), m_command(std::move(command)) {
    setObjectName(QStringLiteral("mergeWindow"));
    const bool dark = palette().color(QPalette::Window).lightness() < 128;
    m_colors = MergeColors(dark);
    auto* central = new QWidget(this);
    auto* grid = m_grid = new QGridLayout(central);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(2);
    // Columns in the window's order: OURS, BASE (beside), MERGED, THEIRS.
    const int order[4] = {MERGE_SIDE_OURS, MERGE_SIDE_BASE, kColumnMerged, MERGE_SIDE_THEIRS};
    for (int i = 0; i < 4; ++i) {
        const int column = order[i];
        m_headers[column] = new QLabel(central);
        m_headers[column]->setObjectName(QStringLiteral("mergeHeader%1").arg(column));
        // A long path does not widen its column: the panes share the width.
        m_headers[column]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        m_panes[column] = new CMergePane(*this, column, central);
        grid->addWidget(m_headers[column], 0, i);
        grid->addWidget(m_panes[column], 1, i);
        grid->setColumnStretch(i, 1);
    }
    m_map = new CMergeMap(*this, central);
    grid->addWidget(m_map, 1, 4);
    m_scrollBar = new QScrollBar(Qt::Vertical, central);
    m_scrollBar->setObjectName(QStringLiteral("mergeScrollBar"));
    grid->addWidget(m_scrollBar, 1, 5);
    grid->setRowStretch(1, 1);
    setCentralWidget(central);
    connect(m_scrollBar, &QScrollBar::valueChanged, this, [this](int value) { ScrollTo(value); });
    connect(m_map, &CMergeMap::rowClicked, this, [this](int row) { ScrollTo(row - VisibleRows() / 2); });
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("mergeStatus"));
    statusBar()->addPermanentWidget(m_status);
    m_editor = new QPlainTextEdit(m_panes[kColumnMerged]);
    m_editor->setObjectName(QStringLiteral("chunkEditor"));
    m_editor->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_editor->installEventFilter(new CEditorKeys(*this, m_editor));
    m_editor->hide();
    CreateActions();
    SetBaseMode(BASE_HIDDEN);
    PlaceFirstWindow(*this, QSize(1400, 800));
}

CMergeWindow::~CMergeWindow() = default;

std::string CMergeWindow::SavePath() const {
    return m_command.output.empty() ? m_command.request.paths[MERGE_SIDE_OURS] : m_command.output;
}

bool CMergeWindow::Open(std::string& error) {
    if (!m_doc.Open(m_command.request, error)) return false;
    m_doc.AlignRows(m_baseMode == BASE_BESIDE);
    for (int side = 0; side < 3; ++side)
        m_headers[side]->setText(QString::fromStdString((side == MERGE_SIDE_BASE   ? "Base: "
                                                         : side == MERGE_SIDE_OURS ? "Ours: "
                                                                                   : "Theirs: ") +
                                                        m_doc.Path(side)));
    m_headers[kColumnMerged]->setText(QString::fromStdString("Merged: " + SavePath()));
    m_current = -1;
    const int first = m_doc.FindChunk(-1, true, true);
    Changed(-1);
    if (first >= 0)
        GoToChunk(first);
    else
        GoToChunk(m_doc.FindChunk(-1, true, false));
    return true;
}

QAction* CMergeWindow::AddAction(QMenu* menu, const QString& text, const char* name, const QString& keys,
                                 const std::function<void()>& run) {
    auto* action = new QAction(text, this);
    action->setObjectName(QString::fromLatin1(name));
    if (!keys.isEmpty()) action->setShortcut(QKeySequence(keys));
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, run);
    menu->addAction(action);
    addAction(action);
    m_actions[name] = action;
    return action;
}

void CMergeWindow::CreateActions() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    AddAction(file, QStringLiteral("&Save"), "save", QStringLiteral("Ctrl+S"), [this] { Save(); });
    AddAction(file, QStringLiteral("&Close"), "close", QStringLiteral("Ctrl+W"), [this] { close(); });
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    AddAction(edit, QStringLiteral("&Undo"), "undo", QStringLiteral("Ctrl+Z"), [this] { Undo(); });
    AddAction(edit, QStringLiteral("&Redo"), "redo", QStringLiteral("Ctrl+Y"), [this] { Redo(); });
    edit->addSeparator();
    AddAction(edit, QStringLiteral("&Edit Merged Lines"), "editChunk", QStringLiteral("F2"),
              [this] { EditChunk(); });
    QMenu* merge = menuBar()->addMenu(QStringLiteral("&Merge"));
    AddAction(merge, QStringLiteral("&Next Conflict"), "nextConflict", QStringLiteral("F8"),
              [this] { NextConflict(); });
    AddAction(merge, QStringLiteral("&Previous Conflict"), "previousConflict", QStringLiteral("Shift+F8"),
              [this] { PreviousConflict(); });
    AddAction(merge, QStringLiteral("Next &Change"), "nextChange", QStringLiteral("Alt+Down"),
              [this] { NextChange(); });
    AddAction(merge, QStringLiteral("Previous C&hange"), "previousChange", QStringLiteral("Alt+Up"),
              [this] { PreviousChange(); });
    merge->addSeparator();
    AddAction(merge, QStringLiteral("Take &Ours"), "takeOurs", QStringLiteral("Alt+Left"),
              [this] { Take(CONTENT_OURS); });
    AddAction(merge, QStringLiteral("Take &Theirs"), "takeTheirs", QStringLiteral("Alt+Right"),
              [this] { Take(CONTENT_THEIRS); });
    AddAction(merge, QStringLiteral("Take Ours, then Theirs"), "takeOursThenTheirs",
              QStringLiteral("Ctrl+Alt+Left"), [this] { Take(CONTENT_OURS_THEIRS); });
    AddAction(merge, QStringLiteral("Take Theirs, then Ours"), "takeTheirsThenOurs",
              QStringLiteral("Ctrl+Alt+Right"), [this] { Take(CONTENT_THEIRS_OURS); });
    AddAction(merge, QStringLiteral("Take &Base"), "takeBase", QStringLiteral("Ctrl+Alt+B"),
              [this] { Take(CONTENT_BASE); });
    merge->addSeparator();
    AddAction(merge, QStringLiteral("&Mark Resolved"), "markResolved", QStringLiteral("Ctrl+M"),
              [this] { MarkResolved(); });
    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    QAction* beside =
        AddAction(view, QStringLiteral("Base &Beside Merged"), "showBaseBeside", QStringLiteral("F9"),
                  [this] { SetBaseMode(m_baseMode == BASE_BESIDE ? BASE_HIDDEN : BASE_BESIDE); });
    QAction* instead = AddAction(
        view, QStringLiteral("Base &Instead of Merged"), "showBaseInstead", QStringLiteral("Shift+F9"),
        [this] { SetBaseMode(m_baseMode == BASE_INSTEAD ? BASE_HIDDEN : BASE_INSTEAD); });
    beside->setCheckable(true);
    instead->setCheckable(true);
}

QMessageBox::StandardButton CMergeWindow::Ask(const QString& text, QMessageBox::StandardButtons buttons) {
    if (m_ask) return m_ask(text, buttons);
    QMessageBox box(QMessageBox::Question, QStringLiteral("Corvatine"), text, buttons, this);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void CMergeWindow::SetBaseMode(int mode) {
    m_baseMode = mode;
    for (const int column : {static_cast<int>(MERGE_SIDE_BASE), kColumnMerged}) {
        const bool shown = column == MERGE_SIDE_BASE ? mode != BASE_HIDDEN : mode != BASE_INSTEAD;
        m_panes[column]->setVisible(shown);
        m_headers[column]->setVisible(shown);
    }
    // Columns 1 and 2 of the grid hold BASE and the merged pane.
    m_grid->setColumnStretch(1, mode != BASE_HIDDEN ? 1 : 0);
    m_grid->setColumnStretch(2, mode != BASE_INSTEAD ? 1 : 0);
    if (QAction* a = Action("showBaseBeside")) a->setChecked(mode == BASE_BESIDE);
    if (QAction* a = Action("showBaseInstead")) a->setChecked(mode == BASE_INSTEAD);
    if (m_doc.ChunkCount() > 0) Changed(m_current);
}

void CMergeWindow::Changed(int chunk) {
    (void)chunk;
    m_doc.AlignRows(m_baseMode != BASE_HIDDEN);
    for (CMergePane* pane : m_panes) pane->Invalidate();
    m_map->Invalidate();
    m_map->update();
    UpdateScrollBar();
    UpdateCommands();
    UpdateTitle();
}

int CMergeWindow::VisibleRows() const { return m_panes[MERGE_SIDE_OURS]->VisibleRows(); }

void CMergeWindow::UpdateScrollBar() {
    const QSignalBlocker block(m_scrollBar);
    m_scrollBar->setRange(0, std::max(0, m_doc.RowCount() - VisibleRows()));
    m_scrollBar->setPageStep(VisibleRows());
    m_scrollBar->setValue(m_firstRow);
}

void CMergeWindow::ScrollTo(int row) {
    row = std::clamp(row, 0, std::max(0, m_doc.RowCount() - VisibleRows()));
    if (row == m_firstRow) return;
    if (m_editor->isVisible()) CommitEdit();
    m_firstRow = row;
    UpdateScrollBar();
    for (CMergePane* pane : m_panes) pane->update();
    m_map->update();
}

void CMergeWindow::SetCurrentChunk(int chunk) {
    if (chunk == m_current) return;
    if (m_editor->isVisible()) CommitEdit();
    m_current = chunk;
    for (CMergePane* pane : m_panes) pane->update();
    UpdateCommands();
}

void CMergeWindow::GoToChunk(int chunk) {
    if (chunk < 0 || chunk >= m_doc.ChunkCount()) return;
    SetCurrentChunk(chunk);
    const int first = m_doc.ChunkFirstRow(chunk), rows = m_doc.ChunkRowCount(chunk);
    // A chunk out of view comes to a third of the way down.
    if (first < m_firstRow || first + rows > m_firstRow + VisibleRows()) ScrollTo(first - VisibleRows() / 3);
}

void CMergeWindow::Step(bool forward, bool conflictsOnly) {
    int from = m_current;
    if (from < 0) from = forward ? -1 : m_doc.ChunkCount();
    GoToChunk(m_doc.FindChunk(from, forward, conflictsOnly));
}

bool CMergeWindow::Take(int content) {
    if (m_current < 0 || m_doc.Chunks()[static_cast<size_t>(m_current)].kind == MERGE_UNCHANGED) return false;
    if (m_editor->isVisible()) CancelEdit();
    if (!m_doc.Take(m_current, content)) return false;
    Changed(m_current);
    return true;
}

bool CMergeWindow::MarkResolved() {
    if (!m_doc.MarkResolved(m_current, m_doc.IsUnresolved(m_current))) return false;
    Changed(m_current);
    return true;
}

bool CMergeWindow::Undo() {
    int chunk = -1;
    if (!m_doc.Undo(chunk)) return false;
    Changed(chunk);
    GoToChunk(chunk);
    return true;
}

bool CMergeWindow::Redo() {
    int chunk = -1;
    if (!m_doc.Redo(chunk)) return false;
    Changed(chunk);
    GoToChunk(chunk);
    return true;
}

void CMergeWindow::EditChunk(int line) {
    if (m_current < 0 || m_baseMode == BASE_INSTEAD) return;
    std::vector<MERGEDLINE> lines;
    m_doc.ChunkLines(m_current, lines);
    QString text;
    for (const MERGEDLINE& merged : lines)
        text += QString::fromStdString(std::string(m_doc.LineCharacters(merged))) + '\n';
    m_editorChunk = m_current;
    m_editor->setPlainText(text);
    CMergePane* pane = m_panes[kColumnMerged];
    const QRect first = pane->RowRect(m_doc.ChunkFirstRow(m_current));
    const int rows = std::max(3, m_doc.ChunkRowCount(m_current) + 1);
    m_editor->setGeometry(0, std::max(0, first.top()), pane->width(),
                          std::min(pane->height(), rows * pane->LineHeight() + 8));
    QTextCursor caret(m_editor->document()->findBlockByNumber(
        std::clamp(line, 0, std::max(0, static_cast<int>(lines.size()) - 1))));
    m_editor->setTextCursor(caret);
    m_editor->show();
    m_editor->setFocus();
    statusBar()->showMessage(QStringLiteral("Ctrl+Return puts the lines into the merge, Escape drops them"));
}

bool CMergeWindow::CommitEdit() {
    if (!m_editor->isVisible() || m_editorChunk < 0) return false;
    const int chunk = m_editorChunk;
    m_editorChunk = -1;
    m_editor->hide();
    std::vector<std::string> lines = SplitEditorText(m_editor->toPlainText());
    if (!m_doc.Edit(chunk, std::move(lines))) return false;
    Changed(chunk);
    return true;
}

void CMergeWindow::CancelEdit() {
    m_editorChunk = -1;
    m_editor->hide();
    m_panes[kColumnMerged]->setFocus();
}

bool CMergeWindow::Save() {
    if (m_editor->isVisible()) CommitEdit();
    const int unresolved = m_doc.UnresolvedCount();
    if (unresolved > 0 &&
        Ask(QStringLiteral("%1 conflict%2 not resolved. Save the merged file with conflict markers?")
                .arg(unresolved)
                .arg(unresolved == 1 ? QStringLiteral(" is") : QStringLiteral("s are")),
            QMessageBox::Save | QMessageBox::Cancel) != QMessageBox::Save)
        return false;
    std::string error;
    if (!m_doc.Save(SavePath(), error)) {
        Ask(QString::fromStdString("Cannot save the merge: " + error), QMessageBox::Ok);
        return false;
    }
    m_saved = true;
    m_savedClean = unresolved == 0;
    statusBar()->showMessage(QString::fromStdString("Saved " + SavePath()), 5000);
    UpdateTitle();
    UpdateCommands();
    return true;
}

bool CMergeWindow::MayClose() {
    if (m_editor->isVisible()) CommitEdit();
    const int unresolved = m_doc.UnresolvedCount();
    const QString left = unresolved == 0
                             ? QString()
                             : QStringLiteral(" %1 conflict%2 not resolved.")
                                   .arg(unresolved)
                                   .arg(unresolved == 1 ? QStringLiteral(" is") : QStringLiteral("s are"));
    if (!m_saved || m_doc.IsModified()) {
        const auto answer =
            Ask(QStringLiteral("The merged file was not saved.%1 Save it before closing?").arg(left),
                QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
        if (answer == QMessageBox::Cancel) return false;
        if (answer == QMessageBox::Save) return Save();
        return true;
    }
    if (unresolved > 0)
        return Ask(QStringLiteral("%1 The file stays in conflict. Close anyway?").arg(left.trimmed()),
                   QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    return true;
}

void CMergeWindow::closeEvent(QCloseEvent* event) {
    if (MayClose())
        event->accept();
    else
        event->ignore();
}

void CMergeWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    UpdateScrollBar();
}

QString CMergeWindow::StatusText() const {
    const int conflicts = m_doc.ConflictCount(), unresolved = m_doc.UnresolvedCount();
    QString text;
    if (const int number = m_doc.ConflictNumber(m_current); number > 0)
        text = QStringLiteral("Conflict %1 of %2").arg(number).arg(conflicts);
    else if (conflicts == 0)
        text = QStringLiteral("No conflicts");
    else
        text = QStringLiteral("%1 conflict%2").arg(conflicts).arg(conflicts == 1 ? "" : "s");
    return text + QStringLiteral(", %1 unresolved").arg(unresolved);
}

void CMergeWindow::UpdateCommands() {
    const bool changed = m_current >= 0 && m_current < m_doc.ChunkCount() &&
                         m_doc.Chunks()[static_cast<size_t>(m_current)].kind != MERGE_UNCHANGED;
    for (const char* name :
         {"takeOurs", "takeTheirs", "takeOursThenTheirs", "takeTheirsThenOurs", "takeBase"})
        Action(name)->setEnabled(changed);
    Action("markResolved")->setEnabled(m_doc.ConflictNumber(m_current) > 0);
    Action("undo")->setEnabled(m_doc.CanUndo());
    Action("redo")->setEnabled(m_doc.CanRedo());
    Action("nextConflict")->setEnabled(m_doc.FindChunk(m_current, true, true) >= 0);
    Action("previousConflict")->setEnabled(m_current >= 0 && m_doc.FindChunk(m_current, false, true) >= 0);
    Action("nextChange")->setEnabled(m_doc.FindChunk(m_current, true, false) >= 0);
    Action("previousChange")->setEnabled(m_current >= 0 && m_doc.FindChunk(m_current, false, false) >= 0);
    m_status->setText(StatusText());
}

void CMergeWindow::UpdateTitle() {
    const bool unsaved = !m_saved || m_doc.IsModified();
    setWindowTitle(QString::fromStdString(SavePath()) + (unsaved ? QStringLiteral(" *") : QString()) +
                   QStringLiteral(" - Merge - Corvatine"));
}

int RunMergeWindow(const std::vector<std::string>& arguments) {
    MERGECOMMAND command;
    std::string error;
    if (!ParseMergeCommand(arguments, command, error)) {
        std::fprintf(stderr, "corvatine: %s\nTry 'corvatine --help' for more information.\n", error.c_str());
        return 2;
    }
    const bool autoSave = command.autoSave;
    CMergeWindow window(std::move(command));
    if (!window.Open(error)) {
        std::fprintf(stderr, "corvatine: %s\n", error.c_str());
        return 2;
    }
    // --auto: a clean merge is saved at once and the window never shows.
    if (autoSave && window.Doc().UnresolvedCount() == 0) {
        if (!window.Doc().Save(window.SavePath(), error)) {
            std::fprintf(stderr, "corvatine: %s\n", error.c_str());
            return 2;
        }
        return 0;
    }
    window.show();
    QApplication::exec();
    return window.ExitStatus();
}

}  // namespace corvatine::ui
