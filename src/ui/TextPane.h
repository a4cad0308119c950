// One pane of text: the rows of an edit context painted straight from the
// model (only the rows in view), a margin of line numbers, the caret and the
// selection, and editing by keyboard, mouse and clipboard. The view that owns
// the pane scrolls it and says how its rows are decorated.
#pragma once

#include <QFont>
#include <QTimer>
#include <QWidget>

#include <string>
#include <utility>
#include <vector>

#include "editor/SyntaxEditContext.h"
#include "editor/SyntaxTextView.h"

namespace corvatine::ui {

// What a pane shows beside the text of its rows, given by its view.
class CPaneDecorations {
public:
    virtual ~CPaneDecorations() = default;
    // The rows shown (a comparison hides the row after a final line ending).
    virtual int RowCount() const = 0;
    // The row's background; an invalid colour for the editor's own.
    virtual QColor RowBackground(int row) const = 0;
    // Placeholder rows, drawn shaded.
    virtual bool IsGhost(int row) const {
        (void)row;
        return false;
    }
    // The number in the margin, or -1 for none.
    virtual int LineNumber(int row) const = 0;
    // The largest number the margin shows, for its width.
    virtual int MaxLineNumber() const = 0;
    // Byte ranges [first, last] of in-line differences on the row.
    virtual std::vector<std::pair<int, int>> Highlights(int row) const {
        (void)row;
        return {};
    }
    // The colours of in-line differences.
    virtual QColor HighlightBackground() const { return QColor(); }
    virtual QColor HighlightText() const { return QColor(); }
    // The text of the row in syntax colours.
    virtual bool SyntaxColours() const { return true; }
    // The first and last row of the current difference; -1 for none.
    virtual std::pair<int, int> CurrentRows() const { return {-1, -1}; }
};

class CTextPane;

// Where a pane's edits go: straight to its context when not set, or through
// the document that owns the context (a side of a comparison edits its real
// text and keeps one history for both sides). The text between two
// positions (either may be equal) is replaced by text (which may be empty)
// as one step. Positions are the pane's (rows); out: where the caret goes.
class CPaneEditing {
public:
    virtual ~CPaneEditing() = default;
    virtual bool Replace(CTextPane& pane, CPoint from, CPoint to, const std::string& text, int action,
                         CPoint& caret) = 0;
};

class CTextPane : public QWidget, public CSyntaxTextView {
    Q_OBJECT

public:
    // The tab stops of a pane that has not read the editor's options.
    static constexpr int kTabSize = 4;
    // Typing, as the edit context's undo records name it.
    static constexpr int kActionTyping = 4;
    static constexpr int kActionCut = 3;
    static constexpr int kActionClear = 2;
    static constexpr int kActionPaste = 5;

    CTextPane(CSyntaxEditContext& context, const CPaneDecorations& decorations, QWidget* parent = nullptr);
    ~CTextPane() override;

    CSyntaxEditContext& Context() { return *m_context; }
    // Shows another context (the sides of a comparison were swapped).
    void SetContext(CSyntaxEditContext& context);
    // Edits go through editing from now on (not owned).
    void SetEditing(CPaneEditing* editing) { m_editing = editing; }

    // Scrolling, in rows and character cells; set by the view.
    void SetFirstRow(int row);
    int FirstRow() const { return m_firstRow; }
    void SetFirstColumn(int column);
    int FirstColumn() const { return m_firstColumn; }
    // Whole rows and cells that fit.
    int VisibleRows() const;
    int VisibleColumns() const;
    // The widest row in cells, for the horizontal scroll range.
    int WidestRow() const;

    // The caret: x is the byte in the row's text, y the row. The anchor is
    // the other end of the selection.
    CPoint Caret() const { return m_caret; }
    CPoint Anchor() const { return m_anchor; }
    void SetCaret(CPoint caret, bool extendSelection = false);
    void Select(CPoint anchor, CPoint caret);
    bool HasSelection() const { return !(m_anchor == m_caret); }
    std::string SelectedText() const;
    void SelectAll();

    // Clipboard and deletion; false when nothing could be done (a read-only
    // context, nothing selected).
    bool CopySelection();
    bool CutSelection();
    bool Paste();
    bool DeleteSelection(int action = kActionClear);
    // Types text at the caret as the keyboard does (the selection goes).
    bool TypeText(const std::string& text, int action = kActionTyping);

    // Where rows and positions are, for the view and for tests.
    int RowAt(int y) const;
    QRect RowRect(int row) const;
    QPoint PointOf(CPoint position) const;
    CPoint PositionAt(QPoint point) const;
    int LineHeight() const { return m_lineHeight; }
    int MarginWidth() const;

    // The model changed outside any notice (a recompare): every row again.
    void Refresh();
    // Takes the editor's font and tab size again (the options changed).
    void ReadOptions();
    int TabSize() const { return m_tabSize; }

    // The marks of "Highlight All": ranges [start, end) in the pane's
    // positions, in order and apart. An edit of the context, another context
    // and Escape clear them.
    using MARK = std::pair<CPoint, CPoint>;
    void SetMarks(std::vector<MARK> marks);
    void ClearMarks();
    const std::vector<MARK>& Marks() const { return m_marks; }
    // The colour marked text stands on.
    static QColor MarkBackground();

    // CSyntaxTextView
    void UpdateView(CSyntaxTextView* source, const CPositionAdjuster* adjuster, uint32_t hints,
                    int line) override;

signals:
    void scrollRequested(int rows);
    void horizontalScrollRequested(int cells);
    void caretMoved();
    void edited();
    void focused();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    // How a row's characters stand in cells.
    struct ROWCELLS {
        QString display;           // tabs as blanks, control characters as '?'
        std::vector<int> bytes;    // first byte of each character, and the end
        std::vector<int> cells;    // first cell of each character, and the end
        std::vector<int> indexes;  // first index in display of each character, and the end
        int CharacterAt(int byte) const;
        int CharacterAtCell(int cell) const;
    };
    ROWCELLS Layout(int row) const;
    int CellOf(int row, int byte) const;
    int ByteAtCell(int row, int cell) const;

    void PaintRow(QPainter& painter, int row, int y);
    // The marked byte ranges [from, to) of a row; to past the text marks the ending.
    std::vector<std::pair<int, int>> RowMarks(int row, int length) const;
    void MoveCaret(CPoint to, bool extend, bool keepColumn = false);
    CPoint Clamp(CPoint position) const;
    CPoint StepLeft(CPoint position) const;
    CPoint StepRight(CPoint position) const;
    CPoint WordLeft(CPoint position) const;
    CPoint WordRight(CPoint position) const;
    CPoint LineEnd(int row) const;
    CPoint BufferEnd() const;
    void RestartBlink();

    CSyntaxEditContext* m_context;
    const CPaneDecorations& m_decorations;
    CPaneEditing* m_editing = nullptr;
    QFont m_font;
    int m_tabSize = kTabSize;
    int m_charWidth = 8;
    int m_lineHeight = 16;
    int m_ascent = 12;
    int m_firstRow = 0;
    int m_firstColumn = 0;
    CPoint m_caret;
    CPoint m_anchor;
    int m_desiredCell = -1;     // the cell Up and Down keep to
    CPoint m_typedEnd{-1, -1};  // where the last typing ended, and the undo position then
    int m_typedUndo = -1;
    bool m_caretOn = true;
    QTimer m_blink;
    std::vector<MARK> m_marks;
};

}  // namespace corvatine::ui
