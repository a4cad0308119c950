// The three-way merge window: OURS | MERGED | THEIRS side by side (BASE on
// demand, beside the merged pane or in its place), rows aligned with
// placeholder rows, one scroll bar and a location map for all. The merged
// pane's chunks are replaced by the commands (take ours, theirs, both, base)
// or edited in place; everything it shows and does is asked of the merge
// document, which also decides what is saved and the exit status.
#pragma once

#include <QColor>
#include <QMainWindow>
#include <QMessageBox>
#include <QPixmap>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "launch/MergeCommandLine.h"
#include "textcompare/MergeDoc.h"
#include "ui/TextRowLayout.h"

class QGridLayout;
class QLabel;
class QPlainTextEdit;
class QScrollBar;

namespace corvatine::ui {

// The colours of a merge: each kind of chunk, placeholder rows and the frame
// of the current chunk; a light and a dark set.
struct MERGECOLORS {
    QColor ours;
    QColor theirs;
    QColor both;
    QColor conflict;
    QColor resolved;
    QColor ghost;
    QColor current;
    QColor text;
};
MERGECOLORS MergeColors(bool dark);

class CMergeWindow;

// One column of the merge: a side's lines or the merged text, row by row.
class CMergePane : public QWidget {
    Q_OBJECT

public:
    CMergePane(CMergeWindow& window, int column, QWidget* parent = nullptr);
    int Column() const { return m_column; }
    // Where rows are, for the window and for tests.
    int RowAt(int y) const;
    QRect RowRect(int row) const;
    int LineHeight() const { return m_style.lineHeight; }
    int VisibleRows() const;
    // The merge changed: every row is laid out again.
    void Invalidate();
    // The text a row shows; false for a placeholder row.
    bool RowText(int row, std::string& text) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    // Up, Down, Page Up, Page Down, Ctrl+Home and Ctrl+End scroll all panes.
    void keyPressEvent(QKeyEvent* event) override;

private:
    const CTextRowLayout& Layout(int row, const std::string& text) const;

    CMergeWindow& m_window;
    int m_column;
    int m_clickedRow = -1;  // the merged pane: where typing starts an edit
    // The merged lines of the last chunk drawn that are not a side's lines
    // as they stand (a conflict, a chunk taken or edited): made once, not
    // once a row.
    mutable int m_linesChunk = -1;
    mutable std::vector<MERGEDLINE> m_lines;
    ROWSTYLE m_style;
    int m_margin = 0;
    mutable std::unordered_map<int, std::unique_ptr<CTextRowLayout>> m_layouts;
};

// The whole merge in a narrow column: conflicts and changes as bands, the
// rows in view as a frame; a click scrolls there.
class CMergeMap : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidth = 18;
    explicit CMergeMap(CMergeWindow& window, QWidget* parent = nullptr);
    int RowAt(int y) const;
    int YOf(int row) const;
    void Invalidate() { m_bands = QPixmap(); }

signals:
    void rowClicked(int row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    CMergeWindow& m_window;
    QPixmap m_bands;
};

class CMergeWindow : public QMainWindow {
    Q_OBJECT

public:
    // How BASE is shown.
    enum BaseMode { BASE_HIDDEN = 0, BASE_BESIDE = 1, BASE_INSTEAD = 2 };

    explicit CMergeWindow(MERGECOMMAND command, QWidget* parent = nullptr);
    ~CMergeWindow() override;

    // Loads and merges the files; false with error naming the file.
    [[nodiscard]] bool Open(std::string& error);

    CMergeDoc& Doc() { return m_doc; }
    const CMergeDoc& Doc() const { return m_doc; }
    const MERGECOLORS& Colors() const { return m_colors; }
    // Where Save writes: --output, else OURS.
    std::string SavePath() const;

    // The exit status the window leaves with, as the headless merge's: 0 when
    // the merged file was saved with no conflict left, else 1 (nothing
    // saved, or saved with conflicts).
    int ExitStatus() const { return m_savedClean ? 0 : 1; }

    // Questions and messages go through here (tests answer them).
    using Asker =
        std::function<QMessageBox::StandardButton(const QString& text, QMessageBox::StandardButtons buttons)>;
    void SetAsker(Asker asker) { m_ask = std::move(asker); }

    // The commands, as the menus and keys run them.
    bool Save();
    void GoToChunk(int chunk);
    void NextConflict() { Step(true, true); }
    void PreviousConflict() { Step(false, true); }
    void NextChange() { Step(true, false); }
    void PreviousChange() { Step(false, false); }
    bool Take(int content);
    bool MarkResolved();
    bool Undo();
    bool Redo();
    // Opens the editor over the current chunk's merged lines, its caret at
    // the start of the chunk's line (merged lines from the chunk's first);
    // CommitEdit puts what it holds into the merge as one step.
    void EditChunk(int line = 0);
    bool CommitEdit();
    void CancelEdit();
    QPlainTextEdit* ChunkEditor() const { return m_editor; }
    void SetBaseMode(int mode);
    int BaseMode() const { return m_baseMode; }

    int CurrentChunk() const { return m_current; }
    void SetCurrentChunk(int chunk);
    int FirstRow() const { return m_firstRow; }
    void ScrollTo(int row);
    int VisibleRows() const;
    // The status bar's text: "Conflict 2 of 5, 3 unresolved" and the like.
    QString StatusText() const;
    CMergePane* Pane(int column) const { return m_panes[column]; }
    CMergeMap* Map() const { return m_map; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateActions();
    void Step(bool forward, bool conflictsOnly);
    // After a change of the merge: rows again, every pane, the commands.
    void Changed(int chunk);
    void UpdateScrollBar();
    void UpdateCommands();
    void UpdateTitle();
    bool MayClose();
    QMessageBox::StandardButton Ask(const QString& text, QMessageBox::StandardButtons buttons);
    QAction* AddAction(QMenu* menu, const QString& text, const char* name, const QString& keys,
                       const std::function<void()>& run);

    MERGECOMMAND m_command;
    CMergeDoc m_doc;
    MERGECOLORS m_colors;
    Asker m_ask;
    CMergePane* m_panes[4] = {nullptr, nullptr, nullptr, nullptr};  // by column: base, ours, theirs, merged
    QLabel* m_headers[4] = {nullptr, nullptr, nullptr, nullptr};
    QGridLayout* m_grid = nullptr;
    CMergeMap* m_map = nullptr;
    QScrollBar* m_scrollBar = nullptr;
    QLabel* m_status = nullptr;
    QPlainTextEdit* m_editor = nullptr;
    int m_editorChunk = -1;
    int m_current = -1;
    int m_firstRow = 0;
    int m_baseMode = BASE_HIDDEN;
    bool m_saved = false;       // saved at least once
    bool m_savedClean = false;  // the last save left no conflict
    std::unordered_map<std::string, QAction*> m_actions;

public:
    QAction* Action(const std::string& name) const {
        const auto found = m_actions.find(name);
        return found != m_actions.end() ? found->second : nullptr;
    }
};

// The window's program on a merge command line: runs the window (or with
// --auto, saves a clean merge at once) and returns the exit status.
int RunMergeWindow(const std::vector<std::string>& arguments);

}  // namespace corvatine::ui
