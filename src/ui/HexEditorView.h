// The view of the hex editor: one binary file in a hex pane, edited in
// overwrite or insert mode with undo and redo, searched, and saved in place
// or under another name.
#pragma once

#include <QScrollBar>

#include <string>

#include "binarycompare/HexEditContext.h"
#include "fileio/DocumentWatches.h"
#include "ui/DocumentView.h"
#include "ui/HexPane.h"

namespace corvatine::ui {

class CHexEditorView : public CDocumentView {
    Q_OBJECT

public:
    // Opens the file; Opened() tells whether it could be. A file that can
    // only be read, or readOnly, takes no edits.
    CHexEditorView(const std::string& path, bool readOnly, platform::CMessages& messages, bool fileWatch,
                   QWidget* parent = nullptr);
    ~CHexEditorView() override;
    bool Opened() const { return m_opened; }

    CBinaryEditContext& Buffer() { return m_buffer; }
    const std::string& Path() const { return m_path; }
    CHexPane& Pane() { return *m_pane; }
    void EnsureVisible(int64_t offset, int64_t end = -1);

    QString Title() const override;
    QString StatusText() const override;
    bool IsEnabled(Command command) const override;
    QString CommandText(Command command) const override;
    void Execute(Command command) override;
    bool CanClose() override;
    void ReadOptions() override;

    void OnFileChanged(const std::string& path);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    bool Save(bool choosePath);
    void Reload();
    void Refresh();
    void UpdateScrollBars();
    void ScrollTo(int64_t row);
    void Find(bool ask, bool forward);
    void GoTo();

    platform::CMessages& m_messages;
    CDocumentWatches m_watches;
    CBinaryEditContext m_buffer;
    std::string m_path;
    bool m_readOnly = false;
    bool m_opened = false;
    CHexPane* m_pane = nullptr;
    QScrollBar* m_vertical = nullptr;
    QScrollBar* m_horizontal = nullptr;
    int64_t m_firstRow = 0;
    int64_t m_rowScale = 1;
};

}  // namespace corvatine::ui
