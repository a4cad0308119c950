// The view of the text editor: one pane over the document's buffer, with
// saving in the file's own or another encoding and line endings.
#pragma once

#include <QScrollBar>

#include <memory>

#include "editor/FindReplace.h"
#include "editor/TextEditDoc.h"
#include "fileio/DocumentWatches.h"
#include "fileio/EncodingDetect.h"
#include "ui/DocumentView.h"
#include "ui/FindReplaceDialog.h"
#include "ui/TextPane.h"

namespace corvatine::ui {

class CFileChangeGate;

class CEditDecorations : public CPaneDecorations {
public:
    explicit CEditDecorations(const CSyntaxEditContext& context) : m_context(context) {}
    int RowCount() const override { return m_context.GetLineCount(); }
    int LineNumber(int row) const override { return row + 1; }
    int MaxLineNumber() const override { return m_context.GetLineCount(); }

private:
    const CSyntaxEditContext& m_context;
};

class CTextEditView : public CDocumentView {
    Q_OBJECT

public:
    // Opens the file (without byte-order mark in codePage, or with CP_DETECT
    // in the encoding its bytes call for); Opened() tells whether it could be.
    CTextEditView(const std::string& path, bool readOnly, platform::CMessages& messages, bool fileWatch,
                  QWidget* parent = nullptr, int codePage = CP_DETECT);
    ~CTextEditView() override;
    bool Opened() const { return m_opened; }

    CTextEditDoc& Doc() { return m_doc; }
    CTextPane& Pane() { return *m_pane; }
    CFindReplace& Finder() { return *m_finder; }
    void EnsureVisible(int row);
    // Scrolls so that the row stands in the middle of the view.
    void Centre(int row);

    QString Title() const override;
    QString StatusText() const override;
    bool IsEnabled(Command command) const override;
    bool IsChecked(Command command) const override;
    void Execute(Command command) override;
    QString UndoText() const override;
    QString RedoText() const override;
    bool CanClose() override;
    void ReadOptions() override;

    void OnFileChanged(const std::string& path);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    FINDTARGET FindTarget();
    bool Save(bool choosePath);
    // The name the HTML export gives the page.
    std::string DocumentName() const;
    void Refresh();
    void UpdateScrollBars();
    void ScrollTo(int row, int line = 0);
    // Scrolls so that the caret shows.
    void EnsureCaretVisible();

    platform::CMessages& m_messages;
    CDocumentWatches m_watches;
    CFileChangeGate* m_changes = nullptr;
    CTextEditDoc m_doc;
    bool m_opened = false;
    std::unique_ptr<CEditDecorations> m_decorations;
    CTextPane* m_pane = nullptr;
    std::unique_ptr<CFindReplace> m_finder;
    QScrollBar* m_vertical = nullptr;
    QScrollBar* m_horizontal = nullptr;
};

}  // namespace corvatine::ui
