// The view of a text comparison: both sides side by side in two editable
// panes that scroll together, the location map beside them, and every
// command of the comparison on the document.
#pragma once

#include <QScrollBar>

#include <memory>

#include "fileio/DocumentWatches.h"
#include "textcompare/TextCompareDoc.h"
#include "ui/DocumentView.h"
#include "ui/FindReplaceDialog.h"
#include "ui/PaneHeader.h"
#include "ui/TextPane.h"

namespace corvatine::ui {

class CFileChangeGate;

class CLocationMap;
class CTextCompareView;

// How the rows of one side are decorated: the comparison's colours and
// line numbers.
class CSideDecorations : public CPaneDecorations {
public:
    CSideDecorations(CTextCompareView& view, int side) : m_view(view), m_side(side) {}
    int RowCount() const override;
    int RowColor(int row) const override;
    bool IsGhost(int row) const override;
    int LineNumber(int row) const override;
    int MaxLineNumber() const override;
    std::vector<std::pair<int, int>> Highlights(int row) const override;
    bool SyntaxColours() const override;
    std::pair<int, int> CurrentRows() const override;
    // As tall as the taller side of the row.
    int RowLines(int row, int ownLines) const override;
    bool HasMoves() const override;
    bool MoveLink(int row) const override;

private:
    CTextCompareView& m_view;
    int m_side;
};

class CTextCompareView : public CDocumentView, private CPaneEditing, private CReplaceEditing {
    Q_OBJECT

public:
    // Opens the comparison; Opened() tells whether it could be.
    // texts: for each side, a text to show in place of its file (two, or null).
    CTextCompareView(const CTextCompareParams& request, platform::CMessages& messages, bool fileWatch,
                     QWidget* parent = nullptr, const SIDETEXT* texts = nullptr);
    ~CTextCompareView() override;
    bool Opened() const { return m_opened; }

    CTextCompareDoc& Doc() { return m_doc; }
    CTextPane& Pane(int side) { return *m_pane[side]; }
    // The side whose pane had the focus last.
    int ActiveSide() const { return m_activeSide; }
    CLocationMap& Map() { return *m_map; }
    int FirstRow() const { return m_firstRow; }
    // Scrolls so that the row is in view (a difference as much of it as fits).
    void EnsureVisible(int row, int lastRow = -1);
    // Scrolls so that the row stands in the middle of the view.
    void Centre(int row);
    CPaneHeader& Header(int side) { return *m_header[side]; }

    QString Title() const override;
    QString StatusText() const override;
    bool IsEnabled(Command command) const override;
    bool IsChecked(Command command) const override;
    void Execute(Command command) override;
    QString UndoText() const override;
    QString RedoText() const override;
    bool CanClose() override;
    void ReadOptions() override;

    // A watched file changed: reloaded when no side has unsaved edits, else
    // only when the user agrees.
    void OnFileChanged(const std::string& path);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class CSideDecorations;

    void Refresh();
    void UpdateHeaders();
    void ShowContextMenu(int side, const QPoint& at);
    // Asks for an encoding and reads the side again in it.
    void ReopenWithEncoding(int side);
    // The caret goes to the other block of the move the row of a side is
    // part of; false when the row moved nowhere.
    bool FollowMove(int side, int row);
    void UpdateScrollBars();
    // Both panes to the row and its visual line (-1: the line shown now
    // when the row stays, else its first).
    void ScrollTo(int row, int line = -1);
    // Both panes scroll so that the side's caret shows.
    void EnsureCaretVisible(int side);
    void AfterNavigation(bool found);
    void GoToLine();
    bool ExecuteMerge(Command command, CTextPane& pane);
    void ExecuteDisplay(Command command);
    void Merge(bool toRight, bool advance);
    bool SaveSide(int side, bool choosePath);
    FINDTARGET FindTarget();
    bool ReloadAsked();
    void ShowLineDifference();
    // Edits of a pane go to the document, which keeps one history for both
    // sides and compares the edited rows again.
    bool Replace(CTextPane& pane, CPoint from, CPoint to, const std::string& text, int action,
                 CPoint& caret) override;
    // After Undo and Redo: the caret where the step's text is.
    void ShowEditCaret();
    // The side's real lines, without the placeholder rows, in a context of
    // their own in the side's colours: what its export shows.
    std::unique_ptr<CSyntaxEditContext> RealText(int side);
    // Replace and Replace All of the dialog work on the searched side's real
    // text with the comparison cleared around them, as the panes' edits do.
    CPoint ToText(CPoint row) override;
    void Begin(const std::string& name) override;
    void End() override;
    CPoint ToRow(CPoint text) override;

    platform::CMessages& m_messages;
    CDocumentWatches m_watches;
    CFileChangeGate* m_changes = nullptr;
    // Asking the document (its sections, its sides) is no change to the view.
    mutable CTextCompareDoc m_doc;
    bool m_opened = false;
    std::unique_ptr<CSideDecorations> m_decorations[2];
    CTextPane* m_pane[2] = {nullptr, nullptr};
    CPaneHeader* m_header[2] = {nullptr, nullptr};
    CLocationMap* m_map = nullptr;
    QScrollBar* m_vertical = nullptr;
    QScrollBar* m_horizontal = nullptr;
    int m_firstRow = 0;
    int m_activeSide = 0;
    // The search state of each side and the text it searches.
    std::unique_ptr<CFindReplace> m_finder[2];
    const CSyntaxEditContext* m_findContext[2] = {nullptr, nullptr};
    int m_findSide = 0;  // the side the search and its replacements work on
};

}  // namespace corvatine::ui
