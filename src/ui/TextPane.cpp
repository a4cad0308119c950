#include "ui/TextPane.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>

#include "editor/EditorOptions.h"
#include "editor/SyntaxEditor.h"
#include "fileio/CodePages.h"
#include "fileio/Conversion.h"
#include "fileio/TextFormat.h"
#include "ui/OptionFonts.h"
#include "ui/UiText.h"

namespace corvatine::ui {

namespace {

constexpr int kMarginPadding = 6;
constexpr int kTextPadding = 4;
constexpr int kBlinkMilliseconds = 530;

bool IsWordByte(unsigned char c) { return c >= 0x80 || std::isalnum(c) || c == '_'; }

// Characters that take two cells of a fixed-pitch font: the wide East Asian
// ranges and the emoji.
bool IsWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1FAFF) ||
           (c >= 0x20000 && c <= 0x3FFFD);
}

QColor EditorColor(int index) { return ToQColor(GetSyntaxEditor().colors[index].color); }

}  // namespace

int CTextPane::ROWCELLS::CharacterAt(int byte) const {
    // The character that holds the byte: the last one starting at or before
    // it; the end of the row is the entry after the last character.
    if (byte >= bytes.back()) return static_cast<int>(bytes.size()) - 1;
    const auto it = std::upper_bound(bytes.begin(), bytes.end() - 1, byte);
    return static_cast<int>(it - bytes.begin()) - 1;
}

CTextPane::CTextPane(CSyntaxEditContext& context, const CPaneDecorations& decorations, QWidget* parent)
    : QWidget(parent), m_context(&context), m_decorations(decorations) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::IBeamCursor);
    ReadOptions();
    m_context->AddView(this);
    connect(&m_blink, &QTimer::timeout, this, [this] {
        m_caretOn = !m_caretOn;
        update(RowRect(m_caret.y));
    });
}

CTextPane::~CTextPane() { m_context->RemoveView(this); }

void CTextPane::SetContext(CSyntaxEditContext& context) {
    m_context->RemoveView(this);
    m_context = &context;
    m_context->AddView(this);
    m_marks.clear();
    Refresh();
}

// ---- Geometry ----

int CTextPane::MarginWidth() const {
    const int digits = static_cast<int>(std::to_string(std::max(1, m_decorations.MaxLineNumber())).size());
    return std::max(digits, 3) * m_charWidth + 2 * kMarginPadding;
}

int CTextPane::VisibleRows() const { return std::max(1, height() / m_lineHeight); }

int CTextPane::VisibleColumns() const {
    return std::max(1, (width() - MarginWidth() - kTextPadding) / m_charWidth);
}

int CTextPane::WidestRow() const {
    // Bytes stand for cells here: exact for the usual text, and the scroll
    // range only needs to reach the end of the widest row.
    int widest = 0;
    for (int row = 0; row < m_decorations.RowCount() && row < m_context->GetLineCount(); ++row)
        widest = std::max(widest, m_context->GetLine(row).Length());
    return widest + 1;
}

int CTextPane::RowAt(int y) const { return m_firstRow + y / m_lineHeight; }

QRect CTextPane::RowRect(int row) const {
    return QRect(0, (row - m_firstRow) * m_lineHeight, width(), m_lineHeight);
}

QPoint CTextPane::PointOf(CPoint position) const {
    const int x =
        MarginWidth() + kTextPadding + (CellOf(position.y, position.x) - m_firstColumn) * m_charWidth;
    return QPoint(x, (position.y - m_firstRow) * m_lineHeight + m_lineHeight / 2);
}

CPoint CTextPane::PositionAt(QPoint point) const {
    const int rows = std::min(m_decorations.RowCount(), m_context->GetLineCount());
    const int row = std::clamp(RowAt(point.y()), 0, std::max(0, rows - 1));
    // The nearer side of the character under the point.
    const double cell =
        m_firstColumn + static_cast<double>(point.x() - MarginWidth() - kTextPadding) / m_charWidth;
    const ROWCELLS layout = Layout(row);
    int character = layout.CharacterAtCell(std::max(0, static_cast<int>(cell)));
    const size_t c = static_cast<size_t>(character);
    if (c + 1 < layout.cells.size() && cell >= (layout.cells[c] + layout.cells[c + 1]) / 2.0) ++character;
    return {layout.bytes[static_cast<size_t>(character)], row};
}

CTextPane::ROWCELLS CTextPane::Layout(int row) const {
    ROWCELLS layout;
    if (row < 0 || row >= m_context->GetLineCount()) {
        layout.bytes = {0};
        layout.cells = {0};
        layout.indexes = {0};
        return layout;
    }
    const std::string_view text = m_context->GetLine(row).Characters();
    const int length = static_cast<int>(text.size());
    const int codePage = WorkingCodePage();
    const bool utf8 = codePage == CP_UTF8;
    layout.bytes.reserve(static_cast<size_t>(length) + 1);
    layout.cells.reserve(static_cast<size_t>(length) + 1);
    layout.indexes.reserve(static_cast<size_t>(length) + 1);
    int cell = 0;
    for (int at = 0; at < length;) {
        const int size = CharacterLength(text.data(), length, at, codePage);
        layout.bytes.push_back(at);
        layout.cells.push_back(cell);
        layout.indexes.push_back(static_cast<int>(layout.display.size()));
        const unsigned char c = static_cast<unsigned char>(text[static_cast<size_t>(at)]);
        char32_t code = c;
        if (utf8 && c >= 0x80 &&
            DecodeUtf8(reinterpret_cast<const unsigned char*>(text.data()) + at,
                       static_cast<size_t>(length - at), code) != size)
            code = 0xFFFD;  // no valid sequence
        if (c == '\t') {
            const int next = (cell / m_tabSize + 1) * m_tabSize;
            layout.display += QString(next - cell, QLatin1Char(' '));
            cell = next;
        } else if (c < 0x20 || c == 0x7F) {
            layout.display += QLatin1Char('?');
            ++cell;
        } else if (utf8) {
            const char32_t units[] = {code};
            layout.display += QString::fromUcs4(units, 1);
            cell += IsWide(code) ? 2 : 1;
        } else {
            const QString character =
                FromWorking(text.substr(static_cast<size_t>(at), static_cast<size_t>(size)));
            layout.display += character.isEmpty() ? QString(QLatin1Char('?')) : character;
            cell += !character.isEmpty() && IsWide(character.toUcs4().value(0)) ? 2 : 1;
        }
        at += size;
    }
    layout.bytes.push_back(length);
    layout.cells.push_back(cell);
    layout.indexes.push_back(static_cast<int>(layout.display.size()));
    return layout;
}

int CTextPane::CellOf(int row, int byte) const {
    const ROWCELLS layout = Layout(row);
    const int character = layout.CharacterAt(std::clamp(byte, 0, layout.bytes.back()));
    return layout.cells[static_cast<size_t>(character)];
}

int CTextPane::ROWCELLS::CharacterAtCell(int cell) const {
    // The character whose cells hold the cell; the end after the last one.
    const auto it = std::upper_bound(cells.begin(), cells.end(), cell);
    return std::clamp(static_cast<int>(it - cells.begin()) - 1, 0, static_cast<int>(cells.size()) - 1);
}

int CTextPane::ByteAtCell(int row, int cell) const {
    const ROWCELLS layout = Layout(row);
    return layout.bytes[static_cast<size_t>(layout.CharacterAtCell(cell))];
}

// ---- Scrolling ----

void CTextPane::SetFirstRow(int row) {
    row = std::max(0, row);
    if (row == m_firstRow) return;
    const int delta = m_firstRow - row;
    m_firstRow = row;
    // A move shorter than the pane shifts the pixels and repaints the strip.
    if (std::abs(delta) < VisibleRows())
        scroll(0, delta * m_lineHeight);
    else
        update();
}

void CTextPane::SetFirstColumn(int column) {
    column = std::max(0, column);
    if (column == m_firstColumn) return;
    m_firstColumn = column;
    update();
}

// ---- Painting ----

void CTextPane::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setFont(m_font);
    const QRect area = event->rect();
    const int first = RowAt(area.top());
    const int last = RowAt(area.bottom());
    for (int row = first; row <= last; ++row) PaintRow(painter, row, (row - m_firstRow) * m_lineHeight);
}

void CTextPane::PaintRow(QPainter& painter, int row, int y) {
    const int margin = MarginWidth();
    const int textLeft = margin + kTextPadding;
    const bool exists = row >= 0 && row < m_decorations.RowCount() && row < m_context->GetLineCount();
    const QColor editorBackground = EditorColor(COLORINDEX_BKGND);

    // The margin with the line number.
    painter.fillRect(QRect(0, y, margin, m_lineHeight), palette().color(QPalette::Window));
    if (exists) {
        const int number = m_decorations.LineNumber(row);
        if (number >= 0) {
            painter.setPen(palette().color(QPalette::PlaceholderText));
            painter.drawText(QRect(0, y, margin - kMarginPadding, m_lineHeight),
                             Qt::AlignRight | Qt::AlignVCenter, QString::number(number));
        }
    }

    // The row's background: its comparison colour, a ghost row shaded.
    const QRect rowArea(margin, y, width() - margin, m_lineHeight);
    QColor background = exists ? m_decorations.RowBackground(row) : QColor();
    if (!background.isValid()) background = editorBackground;
    painter.fillRect(rowArea, background);
    if (!exists) return;
    if (m_decorations.IsGhost(row)) {
        painter.fillRect(rowArea, QBrush(background.darker(115), Qt::BDiagPattern));
        // Typing here makes the row a line: the caret shows where it starts.
        if (row == m_caret.y && hasFocus() && m_caretOn)
            painter.fillRect(QRect(textLeft - m_firstColumn * m_charWidth, y, 2, m_lineHeight),
                             EditorColor(COLORINDEX_NORMALTEXT));
        return;
    }

    const ROWCELLS layout = Layout(row);
    const std::string_view text = m_context->GetLine(row).Characters();
    const int length = static_cast<int>(text.size());
    const auto xOf = [&](int character) {
        return textLeft + (layout.cells[static_cast<size_t>(character)] - m_firstColumn) * m_charWidth;
    };

    // Cuts at colour blocks, in-line differences and the selection.
    std::vector<COLORBLOCK> blocks;
    if (m_decorations.SyntaxColours() && m_context->GetSyntaxDefinition() != nullptr)
        m_context->ParseLine(m_context->GetParseState(row - 1), row, &blocks);
    const std::vector<std::pair<int, int>> highlights = m_decorations.Highlights(row);
    const std::vector<std::pair<int, int>> marks = RowMarks(row, length);
    CPoint selStart = m_anchor, selEnd = m_caret;
    if (selEnd.y < selStart.y || (selEnd.y == selStart.y && selEnd.x < selStart.x))
        std::swap(selStart, selEnd);
    int selFrom = -1, selTo = -1;
    if (HasSelection() && row >= selStart.y && row <= selEnd.y) {
        selFrom = row == selStart.y ? selStart.x : 0;
        selTo = row == selEnd.y ? selEnd.x : length + 1;  // the ending is selected too
    }
    std::vector<int> cuts = {0, length};
    for (const COLORBLOCK& block : blocks) cuts.push_back(std::clamp(block.position, 0, length));
    for (const auto& [from, to] : highlights) {
        cuts.push_back(std::clamp(from, 0, length));
        cuts.push_back(std::clamp(to + 1, 0, length));
    }
    if (selFrom >= 0) {
        cuts.push_back(std::clamp(selFrom, 0, length));
        cuts.push_back(std::clamp(selTo, 0, length));
    }
    for (const auto& [from, to] : marks) {
        cuts.push_back(std::clamp(from, 0, length));
        cuts.push_back(std::clamp(to, 0, length));
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());

    const QColor normal = EditorColor(COLORINDEX_NORMALTEXT);
    // Only the characters in view are drawn: a long line costs no more.
    const int firstVisible = layout.CharacterAtCell(m_firstColumn);
    const int lastVisible = layout.CharacterAtCell(m_firstColumn + VisibleColumns() + 2);
    size_t block = 0;
    int color = COLORINDEX_NORMALTEXT;
    for (size_t k = 0; k + 1 < cuts.size(); ++k) {
        const int from = cuts[k], to = cuts[k + 1];
        while (block < blocks.size() && blocks[block].position <= from) color = blocks[block++].color;
        const int firstChar = layout.CharacterAt(from), lastChar = layout.CharacterAt(to);
        if (firstChar >= lastChar && to < length) continue;
        const int x0 = xOf(firstChar), x1 = xOf(lastChar);
        bool highlighted = false;
        for (const auto& [hFrom, hTo] : highlights)
            highlighted = highlighted || (from >= hFrom && from <= hTo);
        const bool selected = selFrom >= 0 && from >= selFrom && from < selTo;
        bool marked = false;
        for (const auto& [mFrom, mTo] : marks) marked = marked || (from >= mFrom && from < mTo);
        QColor pen = color > 0 && color < COLORINDEX_COUNT ? EditorColor(color) : normal;
        if (selected) {
            painter.fillRect(QRect(x0, y, x1 - x0, m_lineHeight), palette().color(QPalette::Highlight));
            pen = palette().color(QPalette::HighlightedText);
        } else if (marked) {
            painter.fillRect(QRect(x0, y, x1 - x0, m_lineHeight), MarkBackground());
        } else if (highlighted) {
            painter.fillRect(QRect(x0, y, x1 - x0, m_lineHeight), m_decorations.HighlightBackground());
            pen = m_decorations.HighlightText();
        }
        if (x1 < textLeft || x0 > width()) continue;
        const int drawFirst = std::max(firstChar, firstVisible);
        const int drawLast = std::min(lastChar, lastVisible + 1);
        if (drawFirst >= drawLast) continue;
        QFont runFont = m_font;
        runFont.setBold(color > 0 && color < COLORINDEX_COUNT && GetSyntaxEditor().colors[color].bold != 0);
        painter.setFont(runFont);
        painter.setPen(pen);
        const QString piece = layout.display.mid(
            layout.indexes[static_cast<size_t>(drawFirst)],
            layout.indexes[static_cast<size_t>(drawLast)] - layout.indexes[static_cast<size_t>(drawFirst)]);
        painter.drawText(xOf(drawFirst), y + m_ascent, piece);
    }
    painter.setFont(m_font);
    // A marked line ending (a match across lines) shows as one marked cell,
    // a selected one as one selected cell.
    if (!marks.empty() && marks.back().second > length && !(selFrom >= 0 && selTo > length)) {
        const int x = xOf(static_cast<int>(layout.bytes.size()) - 1);
        painter.fillRect(QRect(x, y, m_charWidth, m_lineHeight), MarkBackground());
    }
    if (selFrom >= 0 && selTo > length) {
        const int x = xOf(static_cast<int>(layout.bytes.size()) - 1);
        painter.fillRect(QRect(x, y, m_charWidth, m_lineHeight), palette().color(QPalette::Highlight));
    }

    // The current difference: a bar beside the text and lines above and below.
    const auto [currentFirst, currentLast] = m_decorations.CurrentRows();
    if (currentFirst >= 0 && row >= currentFirst && row <= currentLast) {
        const QColor mark = palette().color(QPalette::Highlight);
        painter.fillRect(QRect(margin, y, 3, m_lineHeight), mark);
        if (row == currentFirst) painter.fillRect(QRect(margin, y, width() - margin, 1), mark);
        if (row == currentLast)
            painter.fillRect(QRect(margin, y + m_lineHeight - 1, width() - margin, 1), mark);
    }

    // The caret.
    if (row == m_caret.y && hasFocus() && m_caretOn) {
        const int cell = layout.cells[static_cast<size_t>(layout.CharacterAt(m_caret.x))];
        const int x = textLeft + (cell - m_firstColumn) * m_charWidth;
        painter.fillRect(QRect(x, y, 2, m_lineHeight), normal);
    }
}

// ---- Caret and selection ----

CPoint CTextPane::Clamp(CPoint position) const {
    const int rows = std::max(1, std::min(m_decorations.RowCount(), m_context->GetLineCount()));
    position.y = std::clamp(position.y, 0, rows - 1);
    const int length = position.y < m_context->GetLineCount() ? m_context->GetLine(position.y).Length() : 0;
    position.x = std::clamp(position.x, 0, length);
    return position;
}

CPoint CTextPane::LineEnd(int row) const { return Clamp({1 << 30, row}); }

CPoint CTextPane::BufferEnd() const { return Clamp({1 << 30, 1 << 30}); }

CPoint CTextPane::StepLeft(CPoint position) const {
    if (position.x == 0) return position.y == 0 ? position : LineEnd(position.y - 1);
    const ROWCELLS layout = Layout(position.y);
    const int character = layout.CharacterAt(position.x);
    const int start = layout.bytes[static_cast<size_t>(character)];
    return {start < position.x ? start : layout.bytes[static_cast<size_t>(std::max(0, character - 1))],
            position.y};
}

CPoint CTextPane::StepRight(CPoint position) const {
    if (position.x >= LineEnd(position.y).x)
        return position == BufferEnd() ? position : CPoint{0, position.y + 1};
    const ROWCELLS layout = Layout(position.y);
    return {layout.bytes[static_cast<size_t>(layout.CharacterAt(position.x) + 1)], position.y};
}

CPoint CTextPane::WordLeft(CPoint position) const {
    if (position.x == 0) return StepLeft(position);
    const std::string_view text = m_context->GetLine(position.y).Characters();
    int x = position.x;
    while (x > 0 && !IsWordByte(static_cast<unsigned char>(text[static_cast<size_t>(x - 1)]))) --x;
    while (x > 0 && IsWordByte(static_cast<unsigned char>(text[static_cast<size_t>(x - 1)]))) --x;
    return {x, position.y};
}

CPoint CTextPane::WordRight(CPoint position) const {
    const std::string_view text = m_context->GetLine(position.y).Characters();
    const int length = static_cast<int>(text.size());
    if (position.x >= length) return StepRight(position);
    int x = position.x;
    while (x < length && IsWordByte(static_cast<unsigned char>(text[static_cast<size_t>(x)]))) ++x;
    while (x < length && !IsWordByte(static_cast<unsigned char>(text[static_cast<size_t>(x)]))) ++x;
    return {x, position.y};
}

void CTextPane::SetCaret(CPoint caret, bool extendSelection) { MoveCaret(caret, extendSelection); }

void CTextPane::Select(CPoint anchor, CPoint caret) {
    m_anchor = Clamp(anchor);
    MoveCaret(caret, true);
}

void CTextPane::MoveCaret(CPoint to, bool extend, bool keepColumn) {
    const CPoint old = m_caret, oldAnchor = m_anchor;
    m_caret = Clamp(to);
    if (!extend) m_anchor = m_caret;
    if (!keepColumn) m_desiredCell = -1;
    RestartBlink();
    // Repaint what the selection covered before and covers now.
    const int first = std::min({old.y, oldAnchor.y, m_caret.y, m_anchor.y});
    const int last = std::max({old.y, oldAnchor.y, m_caret.y, m_anchor.y});
    update(QRect(0, (first - m_firstRow) * m_lineHeight, width(), (last - first + 1) * m_lineHeight));
    emit caretMoved();
}

void CTextPane::SelectAll() { Select({0, 0}, BufferEnd()); }

std::string CTextPane::SelectedText() const {
    if (!HasSelection()) return std::string();
    CPoint start = m_anchor, end = m_caret;
    if (end.y < start.y || (end.y == start.y && end.x < start.x)) std::swap(start, end);
    std::string text;
    m_context->ExtractText(start.y, start.x, end.y, end.x, text, CSyntaxEditContext::kOwnEndings);
    return text;
}

void CTextPane::RestartBlink() {
    m_caretOn = true;
    if (hasFocus()) m_blink.start(kBlinkMilliseconds);
}

// ---- Editing ----

bool CTextPane::DeleteSelection(int action) {
    if (!HasSelection() || m_context->IsReadOnly()) return false;
    CPoint start = m_anchor, end = m_caret;
    if (end.y < start.y || (end.y == start.y && end.x < start.x)) std::swap(start, end);
    CPoint caret = start;
    const bool deleted = m_editing != nullptr
                             ? m_editing->Replace(*this, start, end, std::string(), action, caret)
                             : m_context->DeleteRange(this, start.y, start.x, end.y, end.x, action);
    if (!deleted) return false;
    MoveCaret(caret, false);
    emit edited();
    return true;
}

bool CTextPane::TypeText(const std::string& text, int action) {
    if (m_context->IsReadOnly()) return false;
    if (m_editing != nullptr) {
        CPoint start = m_anchor, end = m_caret;
        if (end.y < start.y || (end.y == start.y && end.x < start.x)) std::swap(start, end);
        CPoint caret;
        if (!m_editing->Replace(*this, start, end, text, action, caret)) return false;
        MoveCaret(caret, false);
        emit edited();
        return true;
    }
    // Characters typed one after another are one step for undo; a line
    // break ends the step.
    const bool merge = action == kActionTyping && !HasSelection() && m_caret == m_typedEnd &&
                       m_context->GetUndoPosition() == m_typedUndo &&
                       text.find_first_of("\r\n") == std::string::npos;
    m_context->OpenUndoGroup(merge);
    if (HasSelection()) DeleteSelection(action);
    CPoint caret;
    const bool typed = m_context->InsertTextAt(this, m_caret.y, m_caret.x, text, caret.y, caret.x, action);
    m_context->CloseUndoGroup(this);
    if (!typed) return false;
    MoveCaret(caret, false);
    m_typedEnd = m_caret;
    m_typedUndo = m_context->GetUndoPosition();
    emit edited();
    return true;
}

bool CTextPane::CopySelection() {
    if (!HasSelection()) return false;
    QApplication::clipboard()->setText(FromWorking(SelectedText()));
    return true;
}

bool CTextPane::CutSelection() {
    if (!HasSelection() || m_context->IsReadOnly()) return false;
    CopySelection();
    return DeleteSelection(kActionCut);
}

bool CTextPane::Paste() {
    const QString text = QApplication::clipboard()->text();
    if (text.isEmpty()) return false;
    // The buffer's own line ending for every line break of the clipboard.
    QString normal = text;
    normal.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const std::string ending(EndingForStyle(m_context->GetLineEndingStyle()));
    std::string converted;
    const QStringList pieces = normal.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (i > 0) converted += ending;
        converted += ToWorking(pieces[i]);
    }
    return TypeText(converted, kActionPaste);
}

// ---- Input ----

void CTextPane::keyPressEvent(QKeyEvent* event) {
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool control = event->modifiers() & Qt::ControlModifier;
    const bool alt = event->modifiers() & Qt::AltModifier;
    const auto keepCell = [this] {
        if (m_desiredCell < 0) m_desiredCell = CellOf(m_caret.y, m_caret.x);
        return m_desiredCell;
    };
    const auto vertical = [&](int rows) {
        const int cell = keepCell();
        const int row = std::clamp(m_caret.y + rows, 0, std::max(0, m_decorations.RowCount() - 1));
        MoveCaret({ByteAtCell(row, cell), row}, shift, true);
    };
    if (alt) {
        event->ignore();  // the view's commands
        return;
    }
    switch (event->key()) {
        case Qt::Key_Left: MoveCaret(control ? WordLeft(m_caret) : StepLeft(m_caret), shift); return;
        case Qt::Key_Right: MoveCaret(control ? WordRight(m_caret) : StepRight(m_caret), shift); return;
        case Qt::Key_Up: vertical(-1); return;
        case Qt::Key_Down: vertical(1); return;
        case Qt::Key_PageUp: vertical(-VisibleRows()); return;
        case Qt::Key_PageDown: vertical(VisibleRows()); return;
        case Qt::Key_Home: MoveCaret(control ? CPoint{0, 0} : CPoint{0, m_caret.y}, shift); return;
        case Qt::Key_End: MoveCaret(control ? BufferEnd() : LineEnd(m_caret.y), shift); return;
        default: break;
    }
    if (event->matches(QKeySequence::SelectAll)) return SelectAll();
    if (event->matches(QKeySequence::Copy)) {
        CopySelection();
        return;
    }
    if (event->matches(QKeySequence::Cut)) {
        if (!CutSelection()) QApplication::beep();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        if (!Paste()) QApplication::beep();
        return;
    }
    if (control) {
        event->ignore();
        return;
    }
    if (event->key() == Qt::Key_Escape && !m_marks.empty()) {
        ClearMarks();
        return;
    }
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!TypeText(std::string(EndingForStyle(m_context->GetLineEndingStyle())))) QApplication::beep();
            return;
        case Qt::Key_Backspace:
        case Qt::Key_Delete: {
            if (m_context->IsReadOnly()) {
                QApplication::beep();
                return;
            }
            if (!HasSelection()) {
                const CPoint other =
                    event->key() == Qt::Key_Backspace ? StepLeft(m_caret) : StepRight(m_caret);
                if (other == m_caret) return;
                m_anchor = other;
            }
            DeleteSelection(kActionTyping);
            return;
        }
        case Qt::Key_Tab:
            if (!TypeText("\t")) QApplication::beep();
            return;
        default: break;
    }
    const QString text = event->text();
    if (!text.isEmpty() && text.at(0).isPrint()) {
        if (!TypeText(ToWorking(text))) QApplication::beep();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool CTextPane::focusNextPrevChild(bool) { return false; }  // Tab is a character here

void CTextPane::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton) return;
    MoveCaret(PositionAt(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
}

void CTextPane::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return;
    const QPoint point = event->position().toPoint();
    // Dragging past an edge scrolls.
    if (point.y() < 0) emit scrollRequested(-1);
    if (point.y() > height()) emit scrollRequested(1);
    MoveCaret(PositionAt(point), true);
}

void CTextPane::mouseDoubleClickEvent(QMouseEvent* event) {
    const CPoint at = PositionAt(event->position().toPoint());
    const std::string_view text = m_context->GetLine(at.y).Characters();
    int from = at.x, to = at.x;
    while (from > 0 && IsWordByte(static_cast<unsigned char>(text[static_cast<size_t>(from - 1)]))) --from;
    while (to < static_cast<int>(text.size()) &&
           IsWordByte(static_cast<unsigned char>(text[static_cast<size_t>(to)])))
        ++to;
    Select({from, at.y}, {to, at.y});
}

void CTextPane::wheelEvent(QWheelEvent* event) {
    const QPoint steps = event->angleDelta() / 120;
    if (steps.y() != 0) emit scrollRequested(-steps.y() * 3);
    if (steps.x() != 0) emit horizontalScrollRequested(-steps.x() * 3);
    event->accept();
}

void CTextPane::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    RestartBlink();
    update(RowRect(m_caret.y));
    emit focused();
}

void CTextPane::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    m_blink.stop();
    update(RowRect(m_caret.y));
}

// ---- The model ----

void CTextPane::UpdateView(CSyntaxTextView* source, const CPositionAdjuster* adjuster, uint32_t, int line) {
    (void)source;
    (void)line;
    m_marks.clear();
    if (adjuster != nullptr) {
        adjuster->Adjust(m_caret);
        adjuster->Adjust(m_anchor);
    }
    m_caret = Clamp(m_caret);
    m_anchor = Clamp(m_anchor);
    update();
}

void CTextPane::Refresh() {
    m_caret = Clamp(m_caret);
    m_anchor = Clamp(m_anchor);
    update();
}

void CTextPane::ReadOptions() {
    const CSyntaxEditor& editor = GetSyntaxEditor();
    m_font = FontFromText(editor.font, QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setFont(m_font);
    const QFontMetrics metrics(m_font);
    m_charWidth = std::max(1, metrics.horizontalAdvance(QLatin1Char('M')));
    m_lineHeight = std::max(1, metrics.lineSpacing());
    m_ascent = metrics.ascent();
    m_tabSize = std::clamp(editor.tabSize, 1, CSyntaxEditorOptions::kMaxTabSize);
    update();
}

// ---- Marks ----

QColor CTextPane::MarkBackground() { return QColor(255, 176, 64); }

void CTextPane::SetMarks(std::vector<MARK> marks) {
    m_marks = std::move(marks);
    update();
}

void CTextPane::ClearMarks() {
    if (m_marks.empty()) return;
    m_marks.clear();
    update();
}

std::vector<std::pair<int, int>> CTextPane::RowMarks(int row, int length) const {
    std::vector<std::pair<int, int>> ranges;
    // The marks are in order and apart: their ends are in order too.
    auto it = std::lower_bound(m_marks.begin(), m_marks.end(), row,
                               [](const MARK& mark, int y) { return mark.second.y < y; });
    for (; it != m_marks.end() && it->first.y <= row; ++it) {
        const int from = it->first.y == row ? it->first.x : 0;
        const int to = it->second.y == row ? it->second.x : length + 1;
        if (to > from) ranges.emplace_back(from, to);
    }
    return ranges;
}

}  // namespace corvatine::ui
