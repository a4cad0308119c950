// The Find and Replace dialogs of the text views, the repeated search of F3
// and Shift+F3, and the other commands that work on a pane's edit context:
// the syntax-coloured HTML export and the language menu.
#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>
#include <string>

#include "editor/FindReplace.h"

class QCheckBox;
class QComboBox;
class QMenu;
class QPushButton;
class QRadioButton;

namespace corvatine::ui {

class CTextPane;

// What a text view searches in: its pane (the focused one of a comparison)
// and the search state of that pane's context. replace is false where the
// pane's edits may not go straight to its context.
struct FINDTARGET {
    CTextPane* pane = nullptr;
    CFindReplace* finder = nullptr;
    bool replace = true;
};

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
bool ExportHtml(QWidget* parent, CTextPane& pane, const std::string& documentName);
// "Preview the html export": the page to the preview file, opened by the desktop.
bool PreviewHtml(QWidget* parent, CTextPane& pane, const std::string& documentName);
// Runs one export on a worker under the modal "Processing" dialog.
bool RunExport(QWidget* parent, CTextPane& pane, const std::string& documentName, const std::string* target,
               std::string& error);

// The language menu of a pane: the definitions, the context's one checked;
// choosing one colours the text with it. Items show "Extensions:" and their
// list as status tips.
void FillLanguageMenu(QMenu* menu, CTextPane* pane);

}  // namespace corvatine::ui
