// The Find and Replace dialogs of the text views, the repeated search of F3
// and Shift+F3, and the other commands that work on a pane's edit context:
// the syntax-coloured HTML export and the language menu.
#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "editor/FindReplace.h"

class QCheckBox;
class QComboBox;
class QMenu;
class QPushButton;
class QRadioButton;

namespace corvatine::ui {

class CTextPane;

// Replacing in a pane whose rows are not its document's lines (a side of a
// comparison): the replacement is made on the real text, between Begin and
// End, with positions changed from the pane's rows to the text's lines and
// back.
class CReplaceEditing {
public:
    virtual ~CReplaceEditing() = default;
    virtual CPoint ToText(CPoint row) = 0;  // while the rows are shown
    // The rows go, the text is edited, as one step of the history by name.
    virtual void Begin(const std::string& name) = 0;
    virtual void End() = 0;                 // the rows again, for the edited text
    virtual CPoint ToRow(CPoint text) = 0;  // after End
};

// What a text view searches in: its pane (the focused one of a comparison)
// and the search state of that pane's context. replace is false where the
// view offers no Replace. other is the second pane of a comparison, marked
// by "&Highlight All" as well; editing is how a comparison replaces.
struct FINDTARGET {
    CTextPane* pane = nullptr;
    CFindReplace* finder = nullptr;
    bool replace = true;
    CTextPane* other = nullptr;
    CReplaceEditing* editing = nullptr;
    // Scrolls the pane's view so that the row stands in its middle.
    std::function<void(int row)> centre;
};

// Every match of a forward search over the whole text, in order: [start,
// end) of each. An empty match moves the next search on by one character.
// status tells whether an expression was too complex to finish.
std::vector<std::pair<CPoint, CPoint>> FindAllMatches(CSyntaxEditContext& context, const std::string& text,
                                                      uint32_t flags, SearchStatus* status = nullptr);
// "&Highlight All": marks every match in the target's panes; the number of
// matches marked in all of them.
int HighlightAll(const FINDTARGET& target, const std::string& text, uint32_t flags);

// The dialog's first find text: the selection when it lies within one
// line, else the word at the caret.
std::string InitialFindText(const CTextPane& pane);

// Searches from the pane's selection (after it, or before it with
// FIND_DIRECTION_UP) within [blockStart, blockEnd), selects the match and
// shows it; tells the user when nothing is found (notFoundFormat) or the
// expression is too complex. True when found.
bool FindInPane(QWidget* parent, const FINDTARGET& target, const std::string& text, uint32_t flags, bool wrap,
                const char* notFoundFormat);

// Find Next and Find Previous: the last search again, forwards or backwards.
// Without a last search the Find dialog comes up.
void FindAgain(QWidget* parent, const FINDTARGET& target, bool up);

class CFindReplaceDialog : public QDialog {
    Q_OBJECT

public:
    // "Find" or, with replace, "Replace" over the target.
    CFindReplaceDialog(QWidget* parent, const FINDTARGET& target, bool replace);
    // Shows the dialog modally until it is closed.
    static void Run(QWidget* parent, const FINDTARGET& target, bool replace);

    uint32_t Flags() const;

private:
    void FindNext();
    void MarkAll();
    void ReplaceOne();
    void ReplaceAll();
    void UpdateButtons();
    void Remember();
    // The block searched: the selection when replacing in it, else the text.
    void Block(CPoint& start, CPoint& end) const;

    FINDTARGET m_target;
    bool m_replace;
    QComboBox* m_find;
    QComboBox* m_with = nullptr;
    QCheckBox* m_wholeWord;
    QCheckBox* m_matchCase;
    QCheckBox* m_regexp;
    QCheckBox* m_dontWrap = nullptr;
    QRadioButton* m_up = nullptr;
    QRadioButton* m_selection = nullptr;
    QPushButton* m_findNext;
    QPushButton* m_highlightAll = nullptr;
    QPushButton* m_replaceButton = nullptr;
    QPushButton* m_replaceAll = nullptr;
    CPoint m_selectionStart;  // the block when replacing in the selection
    CPoint m_selectionEnd;
};

// The export's file filter in Qt's words ("HTML Files (*.html);;All Files (*)").
QString QtFileFilter(const std::string& filter);

// "Convert the active document to a html file with syntax highlighting":
// asks for the target and writes the page under the "Processing" dialog.
// False when cancelled or failed (the failure is shown).
// The context is the document's text (a side of a comparison without its
// placeholder rows).
bool ExportHtml(QWidget* parent, CSyntaxEditContext& context, const std::string& documentName);
// "Preview the html export": the page to the preview file, opened by the desktop.
bool PreviewHtml(QWidget* parent, CSyntaxEditContext& context, const std::string& documentName);
// Runs one export on a worker under the modal "Processing" dialog.
bool RunExport(QWidget* parent, CSyntaxEditContext& context, const std::string& documentName,
               const std::string* target, std::string& error);

// The language menu of a pane: the definitions, the context's one checked;
// choosing one colours the text with it. Items show "Extensions:" and their
// list as status tips.
void FillLanguageMenu(QMenu* menu, CTextPane* pane);

}  // namespace corvatine::ui
