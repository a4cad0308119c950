// One pane of text: the rows of an edit context painted straight from the
// model (only the rows in view), a margin of line numbers, the caret and the
// selection, and editing by keyboard, mouse and clipboard. The view that owns
// the pane scrolls it and says how its rows are decorated.
//
// Each row is laid out once (CTextRowLayout, kept for the rows in view only)
// and everything reads that layout: the glyphs drawn, the in-line difference
// boxes, marks and selection, the caret, clicks, Up and Down, and how far the
// view scrolls sideways.
#pragma once

#include <QFont>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "editor/SyntaxEditContext.h"
#include "editor/SyntaxTextView.h"
#include "persist/ColorScheme.h"
#include "textcompare/TextCompareColors.h"
#include "ui/TextRowLayout.h"

namespace corvatine::ui {

// What a pane shows beside the text of its rows, given by its view. The
// colours themselves are the active scheme's (ActiveColors).
class CPaneDecorations {
public:
    virtual ~CPaneDecorations() = default;
    // The rows shown (a comparison hides the row after a final line ending).
    virtual int RowCount() const = 0;
    // The row's comparison colour (TCC_CHANGED ...); TCC_NONE for the text's own background.
    virtual int RowColor(int row) const {
        (void)row;
        return TCC_NONE;
    }
    // Placeholder rows, drawn shaded.
    virtual bool IsGhost(int row) const {
        (void)row;
        return false;
    }
    // The number in the margin, or -1 for none.
    virtual int LineNumber(int row) const = 0;
    // The largest number the margin shows, for its width.
    virtual int MaxLineNumber() const = 0;
    // Byte ranges [first, last] of in-line differences on the row, drawn in
    // the comparison colours TCC_DIFFERENCE and TCC_DIFFERENCE_TEXT.
    virtual std::vector<std::pair<int, int>> Highlights(int row) const {
        (void)row;
        return {};
    }
    // The text of the row in syntax colours.
    virtual bool SyntaxColours() const { return true; }
    // Some rows belong to blocks that moved: the margin makes room for links.
    virtual bool HasMoves() const { return false; }
    // The row begins a block that moved: its margin shows a link to the
    // block's counterpart.
    virtual bool MoveLink(int row) const {
        (void)row;
        return false;
    }
    // The first and last row of the current difference; -1 for none.
    virtual std::pair<int, int> CurrentRows() const { return {-1, -1}; }
    // The visual lines the row takes when rows wrap: its own, or as many as
    // the row beside it, so that rows stand level across panes.
    virtual int RowLines(int row, int ownLines) const {
        (void)row;
        return ownLines;
    }
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

    // Scrolling, set by the view: the first row shown and, when rows wrap,
    // the first of its visual lines shown; the sideways offset in pixels.
    void SetFirstRow(int row, int line = 0);
    int FirstRow() const { return m_firstRow; }
    int FirstLine() const { return m_firstLine; }
    void SetScrollX(int x);
    int ScrollX() const { return m_scrollX; }
    // Whole rows that fit from the first row shown, and from row down;
    // visual lines that fit.
    int VisibleRows() const;
    int RowsFittingFrom(int row) const;
    int VisibleLines() const;
    // Whether the row is shown whole.
    bool RowInView(int row) const;
    // The last first row the vertical scroll goes to.
    int LastFirstRow() const;
    // The width of the text area, and what the sideways scroll reaches: an
    // upper bound of the widest row (from the longest row's length, kept
    // across edits, and the rows laid out), the caret and the part shown
    // now. Cheap: no row is laid out, and the rows are read only for a new
    // text.
    int TextWidth() const;
    int ContentWidth() const;
    // A step of the sideways scroll: the advance of a space.
    int ScrollStep() const;
    // The first row and line, and the sideways offset, that show a position
    // (or a visual line of a row) with the least scrolling.
    std::pair<int, int> ScrollToShow(int row, int line) const;
    std::pair<int, int> ScrollToShow(CPoint position) const;
    int ScrollXToShow(CPoint position) const;

    // Word wrap and the white-space markers; ReadOptions takes both from the
    // editor's options.
    void SetWordWrap(bool on);
    bool WordWrap() const { return m_wordWrap; }
    void SetShowWhiteSpace(bool on);
    bool ShowWhiteSpace() const { return m_showWhiteSpace; }
    // A row's visual lines: of its own text, and as shown (level with the row
    // beside it). 1 without wrapping.
    int OwnLineCount(int row) const;
    int RowLineCount(int row) const;

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

    // Where rows and positions are, for the view and for tests: PointOf is
    // the middle of the visual line at the position's x.
    int RowAt(int y) const;
    QRect RowRect(int row) const;
    QPoint PointOf(CPoint position) const;
    CPoint PositionAt(QPoint point) const;
    int LineHeight() const { return m_lineHeight; }
    int MarginWidth() const;
    // The layout of a row, kept while the row is in view.
    const CTextRowLayout& RowLayout(int row) const;

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
    // The tint of the caret's line in the focused pane.
    QColor CurrentLineColor() const;

    // CSyntaxTextView
    void UpdateView(CSyntaxTextView* source, const CPositionAdjuster* adjuster, uint32_t hints,
                    int line) override;
    void OnSyntaxDefinitionChanged() override;

signals:
    void scrollRequested(int rows);
    void horizontalScrollRequested(int pixels);
    // ContentWidth grew past what it last said.
    void contentWidthChanged();
    void caretMoved();
    // The link of a moved block in the margin was clicked.
    void moveLinkClicked(int row);
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
    struct CACHEDROW {
        std::unique_ptr<CTextRowLayout> layout;
        bool coloured = false;
        int parseState = 0;   // the syntax state the row's colours start from
        uint64_t colors = 0;  // the revision of the colour scheme its colours are from
    };

    // The rows of the context shown.
    int Rows() const;
    // The top of a row's band of visual lines: exact for the rows from the
    // first shown to the bottom of the pane, one line a row elsewhere.
    int RowTop(int row) const;
    // The first visual line of the first row shown, within its band.
    int FirstLineShown() const;
    // The layouts follow the pane's width when rows wrap.
    void FollowWidth() const;
    // Drops the layouts an edit made stale, and keeps the widest row's length.
    void Invalidate(const CPositionAdjuster* adjuster, uint32_t hints, int line);
    void NoteLength(int row) const;
    int WidestLength() const;
    int Widest() const;
    // Keeps the layouts of the rows around those painted.
    void Prune(int lastRow) const;

    // What covers a run of a row's bytes, the later over the earlier.
    enum COVER { COVER_PLAIN, COVER_DIFFERENCE, COVER_MARK, COVER_SELECTION };
    struct ROWRUN {
        int from, to;
        COVER cover;
    };
    // A row as it is painted: where, its colours, and what covers its text.
    struct ROWPAINT {
        int row = 0, top = 0, band = 0;
        bool exists = false, ghost = false;
        QColor background;
        const CTextRowLayout* layout = nullptr;
        QPointF origin;  // the text's top left corner
        QRectF clip;     // the part in view, in the row's coordinates
        std::vector<ROWRUN> runs;
        COVER ending = COVER_PLAIN;
    };
    ROWPAINT PrepareRow(int row, int top, int lines, const QRect& area) const;
    static QColor CoverColor(const COLORSCHEME& colors, int cover);
    // A row's backgrounds (the margin, its colour, the current difference,
    // boxes, marks, the selection), then its text, markers and caret.
    void PaintBackground(QPainter& painter, const ROWPAINT& paint, const QRect& area);
    // The link of a moved block in the margin, and the room it takes.
    void PaintMoveLink(QPainter& painter, int top) const;
    int MoveLinkWidth() const;
    void PaintText(QPainter& painter, const ROWPAINT& paint, const QRect& area);
    void PaintWhiteSpace(QPainter& painter, int row, const CTextRowLayout& layout, QPointF origin,
                         const QRectF& clip, const QColor& textColor, const QColor& background);
    // The marked byte ranges [from, to) of a row; to past the text marks the ending.
    std::vector<std::pair<int, int>> RowMarks(int row, int length) const;
    QRect RowsRect(int first, int last) const;
    void MoveCaret(CPoint to, bool extend, bool keepX = false);
    CPoint Clamp(CPoint position) const;
    // A character to the left or right: a cluster of combining characters
    // with the arrows, one character when deleting.
    CPoint StepLeft(CPoint position, bool cluster) const;
    CPoint StepRight(CPoint position, bool cluster) const;
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
    int m_lineHeight = 16;
    qreal m_digitAdvance = 8;
    qreal m_spaceAdvance = 8;
    mutable ROWSTYLE m_style;
    bool m_wordWrap = false;
    bool m_showWhiteSpace = false;
    int m_firstRow = 0;
    int m_firstLine = 0;
    int m_scrollX = 0;
    mutable std::unordered_map<int, CACHEDROW> m_rows;
    mutable std::unique_ptr<CTextRowLayout> m_noRow;  // what a position past the rows stands on
    // The longest row in bytes, kept across edits; stale for a new text.
    mutable int m_widest = 0;
    mutable bool m_widestStale = true;
    mutable int m_toldWidth = 0;  // what ContentWidth said last
    CPoint m_caret;
    CPoint m_anchor;
    qreal m_desiredX = -1;      // the x Up and Down keep to
    CPoint m_typedEnd{-1, -1};  // where the last typing ended, and the undo position then
    int m_typedUndo = -1;
    bool m_caretOn = true;
    QTimer m_blink;
    std::vector<MARK> m_marks;
};

}  // namespace corvatine::ui
