#include "ui/HexPane.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cstdio>

#include "binarycompare/HexEditOptions.h"
#include "launch/Components.h"
#include "ui/UiText.h"

namespace corvatine::ui {

namespace {

constexpr int kPadding = 4;
constexpr int kBlinkMilliseconds = 530;
constexpr int kAddressGap = 2;  // cells between the offsets and the bytes, and the bytes and the characters

// The hex editor's font; a face the system lacks gives way to its fixed-pitch font.
QFont HexEditorFont() {
    const HEXFONT& chosen = AppComponents().Hex().ansiFont;
    QFont font(FromPath(chosen.face));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    const int height = std::clamp(std::abs(chosen.height), 6, 96);
    font.setPixelSize(height);
    font.setWeight(chosen.weight >= 600 ? QFont::Bold : QFont::Normal);
    font.setItalic(chosen.italic != 0);
    if (!QFontInfo(font).fixedPitch()) {
        QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        fixed.setPixelSize(height);
        fixed.setWeight(font.weight());
        fixed.setItalic(font.italic());
        font = fixed;
    }
    // A positive height is the height of the character cell (a negative one
    // that of the characters alone): the em is scaled to make the cell so high.
    if (chosen.height > 0) {
        const int cell = QFontMetrics(font).height();
        if (cell > 0) font.setPixelSize(std::max(6, (height * height + cell / 2) / cell));
    }
    return font;
}

int HexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

QChar Printable(uint8_t byte) { return byte >= 0x20 && byte < 0x7F ? QChar(byte) : QChar('.'); }

}  // namespace

CHexPane::CHexPane(CHexEditContext& buffer, CHexEditView* editingView, const CHexPaneDecorations* decorations,
                   QWidget* parent)
    : QWidget(parent), m_buffer(&buffer), m_editingView(editingView), m_decorations(decorations) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::IBeamCursor);
    ApplyOptions();
    m_buffer->AddView(this);
    connect(&m_blink, &QTimer::timeout, this, [this] {
        m_caretOn = !m_caretOn;
        RepaintCaretRows(m_caret, m_caret);
    });
}

CHexPane::~CHexPane() { m_buffer->RemoveView(this); }

void CHexPane::SetBuffer(CHexEditContext& buffer, CHexEditView* editingView) {
    m_buffer->RemoveView(this);
    m_buffer = &buffer;
    m_editingView = editingView;
    m_buffer->AddView(this);
    Refresh();
}

void CHexPane::ApplyOptions() {
    const CHexEditor& options = AppComponents().Hex();
    m_rowSize = std::clamp(options.rowSize, 4, 1024);
    m_groupSize = std::max(2, options.groupSize);
    m_upperCase = options.showUppercase != 0;
    m_decimalAddresses = options.showDecimalAddresses != 0;
    m_characterColumn = options.showCharacterArea != 0;
    m_font = HexEditorFont();
    setFont(m_font);
    const QFontMetrics metrics(m_font);
    m_charWidth = std::max(1, metrics.horizontalAdvance(QLatin1Char('0')));
    m_lineHeight = std::max(1, metrics.lineSpacing());
    m_ascent = metrics.ascent();
    update();
}

// ---- Geometry ----

int64_t CHexPane::ContentSize() const {
    const int64_t own = m_buffer->GetSize();
    return m_decorations != nullptr ? std::max(own, m_decorations->ContentSize(own)) : own;
}

int64_t CHexPane::RowCount() const { return ContentSize() / m_rowSize + 1; }

int CHexPane::VisibleRows() const { return std::max(1, height() / m_lineHeight); }

int CHexPane::VisibleColumns() const { return std::max(1, (width() - kPadding) / m_charWidth); }

int CHexPane::HexColumn(int index) const {
    // The offsets take as many digits as the largest needs, eight (ten in
    // decimal) at least.
    int digits = 0;
    const int base = m_decimalAddresses ? 10 : 16;
    for (uint64_t value = static_cast<uint64_t>(ContentSize()); value != 0;
         value /= static_cast<unsigned>(base))
        ++digits;
    digits = std::max(digits, m_decimalAddresses ? 10 : 8);
    return digits + kAddressGap + index * 3 + index / m_groupSize;
}

int CHexPane::TextColumn(int index) const { return HexColumn(m_rowSize - 1) + 2 + kAddressGap + index; }

int CHexPane::TotalColumns() const {
    return (m_characterColumn ? TextColumn(m_rowSize) : HexColumn(m_rowSize - 1) + 2) + 1;
}

int CHexPane::XOf(int column) const { return kPadding + (column - m_firstColumn) * m_charWidth; }

int64_t CHexPane::RowAt(int y) const { return m_firstRow + (y < 0 ? -1 : y / m_lineHeight); }

QRect CHexPane::RowRect(int64_t row) const {
    return QRect(0, static_cast<int>((row - m_firstRow) * m_lineHeight), width(), m_lineHeight);
}

QRect CHexPane::HexCellRect(int64_t offset) const {
    const QRect row = RowRect(offset / m_rowSize);
    const int x = XOf(HexColumn(static_cast<int>(offset % m_rowSize)));
    return QRect(x, row.top(), 2 * m_charWidth, m_lineHeight);
}

QRect CHexPane::TextCellRect(int64_t offset) const {
    const QRect row = RowRect(offset / m_rowSize);
    return QRect(XOf(TextColumn(static_cast<int>(offset % m_rowSize))), row.top(), m_charWidth, m_lineHeight);
}

int64_t CHexPane::OffsetAt(QPoint point, bool& inText) const {
    const int64_t row = std::clamp<int64_t>(RowAt(point.y()), 0, RowCount() - 1);
    const int column = std::max(0, (point.x() - kPadding) / m_charWidth + m_firstColumn);
    int index = 0;
    inText = m_characterColumn && column >= TextColumn(0) - 1;
    if (inText) {
        index = std::clamp(column - TextColumn(0), 0, m_rowSize - 1);
    } else {
        while (index + 1 < m_rowSize && column >= HexColumn(index + 1)) ++index;
    }
    return std::min(row * m_rowSize + index, m_buffer->GetSize());
}

// ---- Scrolling ----

void CHexPane::SetFirstRow(int64_t row) {
    row = std::max<int64_t>(0, row);
    if (row == m_firstRow) return;
    const int64_t delta = m_firstRow - row;
    m_firstRow = row;
    // A move shorter than the pane shifts the pixels and repaints the strip.
    if (std::abs(delta) < VisibleRows())
        scroll(0, static_cast<int>(delta) * m_lineHeight);
    else
        update();
}

void CHexPane::SetFirstColumn(int column) {
    column = std::max(0, column);
    if (column == m_firstColumn) return;
    m_firstColumn = column;
    update();
}

// ---- Painting ----

void CHexPane::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setFont(m_font);
    const QRect area = event->rect();
    const int64_t rows = RowCount();
    const int64_t first = std::max<int64_t>(0, RowAt(area.top()));
    const int64_t last = std::min(RowAt(area.bottom()), rows - 1);
    // The colours of the scheme in force, for this paint.
    for (int i = 1; i <= CHexEditOptions::kColorCount; ++i) m_colors[i] = Color(i);
    painter.fillRect(area, m_colors[2]);
    if (first > last) return;

    // Only the bytes in view are read, through the buffer (unsaved edits
    // included), once for all rows.
    const int64_t from = first * m_rowSize;
    const int64_t cells = (last - first + 1) * m_rowSize;
    const int64_t own = std::clamp<int64_t>(m_buffer->GetSize() - from, 0, cells);
    std::vector<uint8_t> bytes(static_cast<size_t>(own));
    const int64_t read = own > 0 ? m_buffer->Read(bytes.data(), own, from) : 0;
    // Bytes that come from edits (memory pieces) show in the changed colour.
    std::vector<uint8_t> edited(static_cast<size_t>(read), 0);
    int64_t at = 0;
    for (const HEXPIECE& piece : m_buffer->Pieces()) {
        if (at >= from + read) break;
        const int64_t end = at + piece.length;
        if (piece.kind == 'm' && end > from) {
            for (int64_t o = std::max(at, from); o < std::min(end, from + read); ++o)
                edited[static_cast<size_t>(o - from)] = 1;
        }
        at = end;
    }
    const int64_t shown = std::clamp<int64_t>(ContentSize() - from, 0, cells);
    std::vector<QColor> backgrounds;
    if (m_decorations != nullptr) m_decorations->CellBackgrounds(from, shown, backgrounds);
    backgrounds.resize(static_cast<size_t>(shown));

    for (int64_t row = first; row <= last; ++row) {
        const int64_t base = (row - first) * m_rowSize;
        const int64_t count = std::clamp<int64_t>(read - base, 0, m_rowSize);
        PaintRow(painter, row, bytes.data() + std::min(base, read), count,
                 edited.data() + std::min(base, read), backgrounds.data() + std::min(base, shown));
    }
}

void CHexPane::PaintRow(QPainter& painter, int64_t row, const uint8_t* bytes, int64_t count,
                        const uint8_t* edited, const QColor* backgrounds) {
    const int y = static_cast<int>((row - m_firstRow) * m_lineHeight);
    const int64_t offset = row * m_rowSize;
    const int64_t shown = std::clamp<int64_t>(ContentSize() - offset, 0, m_rowSize);
    const auto [selFrom, selTo] = Selection();
    const auto selected = [&, selFrom = selFrom, selTo = selTo](int i) {
        return offset + i >= selFrom && offset + i < selTo;
    };

    // The offset of the row, dimmed.
    char address[32];
    if (m_decimalAddresses)
        std::snprintf(address, sizeof address, "%0*lld", HexColumn(0) - kAddressGap,
                      static_cast<long long>(offset));
    else
        std::snprintf(address, sizeof address, m_upperCase ? "%0*llX" : "%0*llx", HexColumn(0) - kAddressGap,
                      static_cast<unsigned long long>(offset));
    QColor dim = m_colors[1];
    dim.setAlpha(140);
    painter.setPen(dim);
    painter.drawText(XOf(0), y + m_ascent, QString::fromLatin1(address));

    // Backgrounds: the selection, else the view's colour of the cell. A cell
    // reaches to the next one when that has the same colour, so that runs
    // read as bands.
    const auto background = [&](int i) -> QColor {
        if (i < count && selected(i)) return m_colors[4];
        return i < shown ? backgrounds[i] : QColor();
    };
    for (int i = 0; i < shown; ++i) {
        const QColor color = background(i);
        if (!color.isValid()) continue;
        const bool joined = i + 1 < shown && background(i + 1) == color;
        const int x0 = XOf(HexColumn(i));
        const int x1 = joined ? XOf(HexColumn(i + 1)) : x0 + 2 * m_charWidth;
        painter.fillRect(QRect(x0, y, x1 - x0, m_lineHeight), color);
        if (m_characterColumn) painter.fillRect(TextCellRect(offset + i), color);
    }

    // The bytes in runs of one colour: selected, changed by an edit, or plain.
    const auto pen = [&](int i) {
        if (selected(i)) return m_colors[3];
        return edited[i] != 0 ? m_colors[5] : m_colors[1];
    };
    const char* digits = m_upperCase ? "0123456789ABCDEF" : "0123456789abcdef";
    for (int i = 0; i < count;) {
        const QColor color = pen(i);
        int j = i + 1;
        while (j < count && pen(j) == color) ++j;
        QString hex(HexColumn(j - 1) + 2 - HexColumn(i), QLatin1Char(' '));
        QString text;
        for (int k = i; k < j; ++k) {
            const int at = HexColumn(k) - HexColumn(i);
            hex[at] = QLatin1Char(digits[bytes[k] >> 4]);
            hex[at + 1] = QLatin1Char(digits[bytes[k] & 0x0F]);
            text += Printable(bytes[k]);
        }
        painter.setPen(color);
        painter.drawText(XOf(HexColumn(i)), y + m_ascent, hex);
        if (m_characterColumn) painter.drawText(XOf(TextColumn(i)), y + m_ascent, text);
        i = j;
    }

    // The caret: a bar (insert) or a box (overwrite) at the digit or
    // character that typing writes, and a dotted frame in the other column.
    if (m_caret / m_rowSize != row) return;
    const int64_t caretByte = m_caret;
    const QRect hexCell = HexCellRect(caretByte);
    const QRect textCell = TextCellRect(caretByte);
    const QRect active =
        m_inText ? textCell : QRect(hexCell.left() + m_nibble * m_charWidth, y, m_charWidth, m_lineHeight);
    const QRect other = m_inText ? hexCell : textCell;
    painter.setPen(QPen(m_colors[1], 1, Qt::DotLine));
    if (m_characterColumn || m_inText) painter.drawRect(other.adjusted(0, 0, -1, -1));
    if (hasFocus() && m_caretOn) {
        if (m_insert)
            painter.fillRect(QRect(active.left(), y, 2, m_lineHeight), m_colors[1]);
        else
            painter.fillRect(QRect(active.left(), y + m_lineHeight - 3, active.width(), 3), m_colors[1]);
    } else if (!hasFocus()) {
        painter.setPen(QPen(m_colors[1], 1, Qt::DotLine));
        painter.drawRect(active.adjusted(0, 0, -1, -1));
    }
}

void CHexPane::RepaintCaretRows(int64_t a, int64_t b) {
    const int64_t first = std::min(a, b) / m_rowSize;
    const int64_t last = std::max(a, b) / m_rowSize;
    if (last < m_firstRow || first > m_firstRow + VisibleRows()) return;
    const int64_t top = std::max(first, m_firstRow);
    const int64_t bottom = std::min(last, m_firstRow + VisibleRows());
    update(QRect(0, static_cast<int>((top - m_firstRow) * m_lineHeight), width(),
                 static_cast<int>(bottom - top + 1) * m_lineHeight));
}

// ---- Caret and selection ----

std::pair<int64_t, int64_t> CHexPane::Selection() const {
    return {std::min(m_anchor, m_caret), std::max(m_anchor, m_caret)};
}

void CHexPane::SetCaret(int64_t offset, bool extendSelection) { MoveCaret(offset, extendSelection); }

void CHexPane::Select(int64_t anchor, int64_t caret) {
    const int64_t old = m_anchor;
    m_anchor = std::clamp<int64_t>(anchor, 0, m_buffer->GetSize());
    RepaintCaretRows(old, m_anchor);
    MoveCaret(caret, true);
}

void CHexPane::SelectAll() { Select(0, m_buffer->GetSize()); }

void CHexPane::SetTextColumn(bool inText) {
    inText = inText && m_characterColumn;
    if (inText == m_inText) return;
    m_inText = inText;
    m_nibble = 0;
    update();
    emit caretMoved();
}

void CHexPane::MoveCaret(int64_t to, bool extend) {
    const int64_t old = m_caret, oldAnchor = m_anchor;
    m_caret = std::clamp<int64_t>(to, 0, m_buffer->GetSize());
    if (!extend) m_anchor = m_caret;
    m_nibble = 0;
    m_typing = 0;  // a moved caret starts a new edit record
    RestartBlink();
    RepaintCaretRows(std::min({old, oldAnchor, m_caret, m_anchor}),
                     std::max({old, oldAnchor, m_caret, m_anchor}));
    emit caretMoved();
}

std::vector<uint8_t> CHexPane::SelectedBytes() const {
    const auto [from, to] = Selection();
    std::vector<uint8_t> bytes(static_cast<size_t>(to - from));
    const int64_t read = m_buffer->Read(bytes.data(), to - from, from);
    bytes.resize(static_cast<size_t>(std::max<int64_t>(read, 0)));
    return bytes;
}

void CHexPane::SetInsertMode(bool insert) {
    if (insert == m_insert) return;
    m_insert = insert;
    m_typing = 0;
    RepaintCaretRows(m_caret, m_caret);
    emit modeChanged();
}

void CHexPane::RestartBlink() {
    m_caretOn = true;
    if (hasFocus()) m_blink.start(kBlinkMilliseconds);
}

// ---- Editing ----

bool CHexPane::Writable() {
    if (!m_buffer->IsReadOnly()) return true;
    QApplication::beep();
    return false;
}

bool CHexPane::Edit(char operation, int64_t position, int64_t length, const uint8_t* bytes, int typing) {
    CHexEditView* view = m_editingView != nullptr ? m_editingView : this;
    if (!m_buffer->Edit(operation, position, length, bytes, typing, view)) {
        QApplication::beep();
        return false;
    }
    return true;
}

bool CHexPane::DeleteSelection() {
    if (!HasSelection() || !Writable()) return false;
    const auto [from, to] = Selection();
    if (!Edit(HEX_DELETE, from, to - from, nullptr, 0)) return false;
    MoveCaret(from, false);
    emit edited();
    return true;
}

bool CHexPane::TypeHexDigit(int value) {
    if (!Writable()) return false;
    if (HasSelection()) {
        // Typing replaces the selection: gone in insert mode, written over from its start otherwise.
        const int64_t start = Selection().first;
        if (m_insert && !DeleteSelection()) return false;
        MoveCaret(start, false);
    }
    const int64_t position = m_caret;
    uint8_t old = 0;
    if (position < m_buffer->GetSize()) m_buffer->Read(&old, 1, position);
    const char operation = m_insert ? HEX_INSERT : HEX_REPLACE;
    uint8_t byte;
    if (m_nibble == 0)
        byte = static_cast<uint8_t>(value << 4 | (m_insert ? 0 : old & 0x0F));
    else
        byte = static_cast<uint8_t>((old & 0xF0) | value);
    // The second digit of a byte has an odd count: it rewrites the byte the
    // first one made.
    if (!Edit(operation, position, 1, &byte, m_typing)) return false;
    ++m_typing;
    if (m_nibble == 0) {
        m_nibble = 1;
        m_anchor = m_caret;
    } else {
        m_nibble = 0;
        m_caret = m_anchor = position + 1;
    }
    RestartBlink();
    RepaintCaretRows(position, m_caret);
    emit caretMoved();
    emit edited();
    return true;
}

bool CHexPane::TypeCharacter(uint8_t character) {
    if (!Writable()) return false;
    if (HasSelection()) {
        const int64_t start = Selection().first;
        if (m_insert && !DeleteSelection()) return false;
        MoveCaret(start, false);
    }
    const int64_t position = m_caret;
    if (!Edit(m_insert ? HEX_INSERT : HEX_REPLACE, position, 1, &character, m_typing)) return false;
    m_typing += 2;
    m_nibble = 0;
    m_caret = m_anchor = position + 1;
    RestartBlink();
    RepaintCaretRows(position, m_caret);
    emit caretMoved();
    emit edited();
    return true;
}

bool CHexPane::DeleteForward() {
    if (HasSelection()) return DeleteSelection();
    if (!Writable() || m_caret >= m_buffer->GetSize()) return false;
    if (!Edit(HEX_DELETE, m_caret, 1, nullptr, m_typing)) return false;
    m_typing += 2;
    m_nibble = 0;
    update();
    emit edited();
    return true;
}

bool CHexPane::Backspace() {
    if (HasSelection()) return DeleteSelection();
    if (!Writable() || m_caret == 0) return false;
    const int64_t position = m_caret - 1;
    // In overwrite mode the byte before the caret becomes a blank.
    const uint8_t blank = m_inText ? ' ' : 0;
    if (!Edit(m_insert ? HEX_BACKSPACE : HEX_REPLACE_BACK, position, 1, &blank, m_typing)) return false;
    m_typing += 2;
    m_nibble = 0;
    m_caret = m_anchor = position;
    RestartBlink();
    RepaintCaretRows(position, position + 1);
    emit caretMoved();
    emit edited();
    return true;
}

QString CHexPane::SelectionText() const {
    const std::vector<uint8_t> bytes = SelectedBytes();
    if (m_inText) {
        QString text;
        for (const uint8_t byte : bytes) text += Printable(byte);
        return text;
    }
    const char* digits = m_upperCase ? "0123456789ABCDEF" : "0123456789abcdef";
    QString text;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) text += QLatin1Char(' ');
        text += QLatin1Char(digits[bytes[i] >> 4]);
        text += QLatin1Char(digits[bytes[i] & 0x0F]);
    }
    return text;
}

bool CHexPane::CopySelection() {
    if (!HasSelection()) return false;
    QApplication::clipboard()->setText(SelectionText());
    return true;
}

bool CHexPane::CutSelection() {
    if (!HasSelection() || !Writable()) return false;
    CopySelection();
    return DeleteSelection();
}

bool CHexPane::Paste() {
    if (!Writable()) return false;
    const QString text = QApplication::clipboard()->text();
    std::vector<uint8_t> bytes;
    if (m_inText) {
        const std::string working = ToWorking(text);
        bytes.assign(working.begin(), working.end());
    } else {
        // Hex digits paired from the left; anything else separates nothing.
        int pending = -1;
        for (const QChar c : text) {
            const int value = HexValue(c);
            if (value < 0) continue;
            if (pending < 0) {
                pending = value;
            } else {
                bytes.push_back(static_cast<uint8_t>(pending << 4 | value));
                pending = -1;
            }
        }
        if (pending >= 0) bytes.push_back(static_cast<uint8_t>(pending));
    }
    if (bytes.empty()) {
        QApplication::beep();
        return false;
    }
    if (HasSelection()) {
        const int64_t start = Selection().first;
        if (m_insert && !DeleteSelection()) return false;
        MoveCaret(start, false);
    }
    const int64_t position = m_caret;
    const int64_t length = static_cast<int64_t>(bytes.size());
    if (!Edit(m_insert ? HEX_INSERT : HEX_REPLACE, position, length, bytes.data(), 0)) return false;
    MoveCaret(position + length, false);
    emit edited();
    return true;
}

// ---- Input ----

void CHexPane::keyPressEvent(QKeyEvent* event) {
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool control = event->modifiers() & Qt::ControlModifier;
    if (event->modifiers() & Qt::AltModifier) {
        event->ignore();  // the view's commands
        return;
    }
    const int64_t size = m_buffer->GetSize();
    const int64_t column = m_caret % m_rowSize;
    switch (event->key()) {
        case Qt::Key_Left: MoveCaret(m_caret - 1, shift); return;
        case Qt::Key_Right: MoveCaret(m_caret + 1, shift); return;
        case Qt::Key_Up:
            if (m_caret >= m_rowSize) MoveCaret(m_caret - m_rowSize, shift);
            return;
        case Qt::Key_Down: MoveCaret(std::min(m_caret + m_rowSize, size), shift); return;
        case Qt::Key_PageUp: {
            const int64_t rows = std::min<int64_t>(VisibleRows() - 1, m_caret / m_rowSize);
            emit scrollRequested(-std::max<int64_t>(rows, 1));
            MoveCaret(m_caret - std::max<int64_t>(rows, 0) * m_rowSize, shift);
            return;
        }
        case Qt::Key_PageDown: {
            const int64_t rows = std::max(1, VisibleRows() - 1);
            emit scrollRequested(rows);
            MoveCaret(std::min(m_caret + rows * m_rowSize, size), shift);
            return;
        }
        case Qt::Key_Home: MoveCaret(control ? 0 : m_caret - column, shift); return;
        case Qt::Key_End:
            MoveCaret(control ? size : std::min(m_caret - column + m_rowSize - 1, size), shift);
            return;
        case Qt::Key_Tab:
        case Qt::Key_Backtab: SetTextColumn(!m_inText); return;
        case Qt::Key_Insert:
            if (!control && !shift) SetInsertMode(!m_insert);
            return;
        case Qt::Key_Escape: emit escapePressed(); return;
        default: break;
    }
    if (event->matches(QKeySequence::SelectAll)) return SelectAll();
    if (event->matches(QKeySequence::Copy)) {
        CopySelection();
        return;
    }
    if (event->matches(QKeySequence::Cut)) {
        CutSelection();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        Paste();
        return;
    }
    if (control) {
        event->ignore();
        return;
    }
    switch (event->key()) {
        case Qt::Key_Backspace: Backspace(); return;
        case Qt::Key_Delete: DeleteForward(); return;
        default: break;
    }
    const QString text = event->text();
    if (text.size() == 1 && text.at(0).isPrint()) {
        if (m_inText) {
            const std::string bytes = ToWorking(text);
            // A character of several bytes is typed byte by byte.
            for (const char byte : bytes)
                if (!TypeCharacter(static_cast<uint8_t>(byte))) break;
            return;
        }
        const int value = HexValue(text.at(0));
        if (value >= 0)
            TypeHexDigit(value);
        else
            QApplication::beep();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool CHexPane::focusNextPrevChild(bool) { return false; }  // Tab changes the column

void CHexPane::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton) return;
    bool inText = false;
    const int64_t offset = OffsetAt(event->position().toPoint(), inText);
    if (inText != m_inText) {
        m_inText = inText;
        update();
    }
    MoveCaret(offset, event->modifiers() & Qt::ShiftModifier);
}

void CHexPane::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return;
    const QPoint point = event->position().toPoint();
    if (point.y() < 0) emit scrollRequested(-1);
    if (point.y() > height()) emit scrollRequested(1);
    bool inText = false;
    int64_t offset = OffsetAt(point, inText);
    // Dragging selects whole bytes: the byte under the pointer is in.
    if (offset >= m_anchor) offset = std::min(offset + 1, m_buffer->GetSize());
    MoveCaret(offset, true);
}

void CHexPane::wheelEvent(QWheelEvent* event) {
    const QPoint steps = event->angleDelta() / 120;
    if (steps.y() != 0) emit scrollRequested(-steps.y() * 3);
    if (steps.x() != 0) emit horizontalScrollRequested(-steps.x() * 3);
    event->accept();
}

void CHexPane::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    RestartBlink();
    RepaintCaretRows(m_caret, m_caret);
    emit focused();
}

void CHexPane::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    m_blink.stop();
    RepaintCaretRows(m_caret, m_caret);
}

// ---- The model ----

void CHexPane::OnUpdate(CHexEditView*, int, const CHexEditHint* hint) {
    // Told inside the edit: only the caret is kept within the content and
    // the pane marked for painting.
    const int64_t size = m_buffer->GetSize();
    m_caret = std::min(m_caret, size);
    m_anchor = std::min(m_anchor, size);
    if (const auto* change = dynamic_cast<const CHexHint*>(hint)) emit contentChanged(change->position);
    update();
}

void CHexPane::Refresh() {
    const int64_t size = m_buffer->GetSize();
    m_caret = std::min(m_caret, size);
    m_anchor = std::min(m_anchor, size);
    update();
}

}  // namespace corvatine::ui
