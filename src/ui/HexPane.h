// One pane of bytes: the rows of a hex buffer painted straight from the model
// (only the rows in view, read through the buffer), with their offsets, the
// bytes in hex groups and as characters, the caret and the selection in
// either column, and editing by keyboard, mouse and clipboard in overwrite or
// insert mode. The view that owns the pane scrolls it and says how its bytes
// are decorated.
#pragma once

#include <QColor>
#include <QFont>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "binarycompare/HexEditContext.h"
#include "ui/ActiveColors.h"

namespace corvatine::ui {

// What a pane shows beside its own bytes, given by its view.
class CHexPaneDecorations {
public:
    virtual ~CHexPaneDecorations() = default;
    // The bytes the rows cover: a comparison shows the longer side's rows in
    // both panes.
    virtual int64_t ContentSize(int64_t ownSize) const { return ownSize; }
    // The background of count cells from the offset (cells may lie beyond
    // the pane's own bytes); an invalid colour for the pane's own.
    virtual void CellBackgrounds(int64_t offset, int64_t count, std::vector<QColor>& colors) const {
        (void)offset;
        colors.assign(static_cast<size_t>(count), QColor());
    }
};

class CHexPane : public QWidget, public CHexEditView {
    Q_OBJECT

public:
    // The pane edits the buffer in the name of editingView (the document's
    // view of the side); null edits in its own name. Decorations may be null.
    CHexPane(CHexEditContext& buffer, CHexEditView* editingView, const CHexPaneDecorations* decorations,
             QWidget* parent = nullptr);
    ~CHexPane() override;

    CHexEditContext& Buffer() { return *m_buffer; }
    // Shows another buffer (the sides of a comparison were swapped).
    void SetBuffer(CHexEditContext& buffer, CHexEditView* editingView);
    // Takes the hex editor's options again (row and group size, case,
    // addresses, character column, font and colours).
    void ApplyOptions();

    // Scrolling, in rows and character cells; set by the view.
    void SetFirstRow(int64_t row);
    int64_t FirstRow() const { return m_firstRow; }
    void SetFirstColumn(int column);
    int FirstColumn() const { return m_firstColumn; }
    int VisibleRows() const;
    int VisibleColumns() const;
    // The rows of the content, with one for the end position after a full row.
    int64_t RowCount() const;
    int TotalColumns() const;
    int BytesPerRow() const { return m_rowSize; }

    // The caret is a byte offset (the content's size at its end), in the
    // hex or the character column; the anchor is the other end of the
    // selection, which covers [min, max) of the two.
    int64_t Caret() const { return m_caret; }
    int64_t Anchor() const { return m_anchor; }
    bool InTextColumn() const { return m_inText; }
    void SetTextColumn(bool inText);
    void SetCaret(int64_t offset, bool extendSelection = false);
    void Select(int64_t anchor, int64_t caret);
    bool HasSelection() const { return m_anchor != m_caret; }
    std::pair<int64_t, int64_t> Selection() const;
    std::vector<uint8_t> SelectedBytes() const;
    void SelectAll();

    // Insert mode inserts typed bytes; overwrite mode (the default) replaces.
    bool InsertMode() const { return m_insert; }
    void SetInsertMode(bool insert);

    // Editing as the keyboard does; false (with a beep) when nothing could
    // be done: a read-only buffer, nothing to delete.
    bool TypeHexDigit(int value);
    bool TypeCharacter(uint8_t character);
    bool DeleteForward();
    bool Backspace();
    bool DeleteSelection();
    // The clipboard: hex digits in the hex column, characters in the other.
    bool CopySelection();
    bool CutSelection();
    bool Paste();
    // The selection as the clipboard gets it from the caret's column.
    QString SelectionText() const;

    // Where rows and bytes are, for the view and for tests.
    int64_t RowAt(int y) const;
    QRect RowRect(int64_t row) const;
    QRect HexCellRect(int64_t offset) const;
    QRect TextCellRect(int64_t offset) const;
    // The offset under a point and the column it lies in.
    int64_t OffsetAt(QPoint point, bool& inText) const;
    int LineHeight() const { return m_lineHeight; }
    const QFont& HexFont() const { return m_font; }
    // The hex views' colours of the scheme in force by index 1 to 5: text,
    // background, selected text, selection, changed bytes.
    static QColor Color(int index) { return SchemeColor(ActiveColors().hex[index]); }

    // The model changed outside any notice: every row again.
    void Refresh();

    // CHexEditView
    void OnUpdate(CHexEditView* sender, int code, const CHexEditHint* hint) override;

signals:
    void scrollRequested(qint64 rows);
    void horizontalScrollRequested(int cells);
    void caretMoved();
    void edited();
    void focused();
    void escapePressed();
    void modeChanged();
    // The buffer's bytes changed from the offset on.
    void contentChanged(qint64 from);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    int HexColumn(int index) const;  // the cell of a byte's first digit
    int TextColumn(int index) const;
    int XOf(int column) const;
    int64_t ContentSize() const;
    void PaintRow(QPainter& painter, int64_t row, const uint8_t* bytes, int64_t count, const uint8_t* edited,
                  const QColor* backgrounds);
    void MoveCaret(int64_t to, bool extend);
    void RepaintCaretRows(int64_t a, int64_t b);
    bool Edit(char operation, int64_t position, int64_t length, const uint8_t* bytes, int typing);
    bool Writable();
    void RestartBlink();

    CHexEditContext* m_buffer;
    CHexEditView* m_editingView;
    const CHexPaneDecorations* m_decorations;
    QFont m_font;
    int m_charWidth = 8;
    int m_lineHeight = 16;
    int m_ascent = 12;
    int m_rowSize = 16;
    int m_groupSize = 4;
    bool m_upperCase = true;
    bool m_decimalAddresses = false;
    bool m_characterColumn = true;
    QColor m_colors[6];  // Color(1..5) during a paint
    int64_t m_firstRow = 0;
    int m_firstColumn = 0;
    int64_t m_caret = 0;
    int64_t m_anchor = 0;
    bool m_inText = false;
    int m_nibble = 0;  // the digit of the caret's byte that typing writes next
    bool m_insert = false;
    int m_typing = 0;  // the typing count of the edits since the caret last moved
    bool m_caretOn = true;
    QTimer m_blink;
};

}  // namespace corvatine::ui
