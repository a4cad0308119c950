// The view of a binary comparison: both files side by side in two hex panes
// that scroll together, every byte coloured by its status, the location map
// of the difference ranges beside them, the worker's progress with Cancel,
// and every command of the comparison on the document.
#pragma once

#include <QElapsedTimer>
#include <QScrollBar>
#include <QTimer>

#include <memory>

#include "binarycompare/BinaryCompareDoc.h"
#include "ui/BinaryDifferences.h"
#include "ui/DocumentView.h"
#include "ui/HexPane.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace corvatine::ui {

class CBinaryLocationMap;
class CHexCompareView;

// How the bytes of one side are coloured: by their status against the
// other side, the current difference darker.
class CHexSideDecorations : public CHexPaneDecorations {
public:
    CHexSideDecorations(CHexCompareView& view, int side) : m_view(view), m_side(side) {}
    int64_t ContentSize(int64_t ownSize) const override;
    void CellBackgrounds(int64_t offset, int64_t count, std::vector<QColor>& colors) const override;

private:
    CHexCompareView& m_view;
    int m_side;
};

class CHexCompareView : public CDocumentView {
    Q_OBJECT

public:
    // Opens the comparison and starts the worker; Opened() tells whether the
    // files could be opened.
    CHexCompareView(const CBinaryCompareParams& request, platform::CMessages& messages, bool fileWatch,
                    QWidget* parent = nullptr, WorkerPriority priority = WorkerPriority::LOWEST);
    ~CHexCompareView() override;
    bool Opened() const { return m_opened; }

    CBinaryCompareDoc& Doc() { return m_doc; }
    CHexPane& Pane(int side) { return *m_pane[side]; }
    // The side whose pane had the focus last.
    int ActiveSide() const { return m_activeSide; }
    CBinaryLocationMap& Map() { return *m_map; }
    const CBinaryDifferences& Differences() const { return m_differences; }
    int CurrentDifference() const { return m_current; }
    // The status (1, 2, 4 or 8) of count bytes from the offset, read as the
    // context reads them for one byte.
    void ByteStatuses(int64_t offset, int64_t count, std::vector<int>& statuses) const;
    // The worker compares, or the ranges are being listed.
    bool IsBusy() const;
    bool IsCancelled() const { return m_cancelled; }
    // Stops the worker's pass and the listing; Recompare starts again.
    void CancelComparison();
    // Scrolls so that the bytes are in view (a difference as much of it as fits).
    void EnsureVisible(int64_t offset, int64_t end = -1);
    int64_t FirstRow() const { return m_firstRow; }

    QString Title() const override;
    QString StatusText() const override;
    bool IsEnabled(Command command) const override;
    bool IsChecked(Command command) const override;
    QString CommandText(Command command) const override;
    void Execute(Command command) override;
    bool CanClose() override;
    void ReadOptions() override;

    // A watched file changed: reloaded when no side has unsaved edits, else
    // only when the user agrees.
    void OnFileChanged(const std::string& path);

protected:
    void resizeEvent(QResizeEvent* event) override;
    // A file dropped on a side replaces that side.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    friend class CHexSideDecorations;
    enum Navigation { NAV_NONE, NAV_FIRST, NAV_PREVIOUS, NAV_NEXT, NAV_LAST };

    void Refresh();
    void CreateSide(int side);
    void ShowPaneMenu(int side, const QPoint& at);
    void CreateProgressBar();
    void LayOut();
    void RefreshLabels();
    void UpdateScrollBars();
    void ScrollTo(int64_t row);
    void Poll();
    void ScheduleListing();
    void ListStep();
    void OnPassFinished();
    void OnContentChanged(int64_t from);
    void UpdateMap();
    // Moves to a difference; false when there is none yet (a later listing
    // may find one: the move is then remembered).
    bool Navigate(Navigation where, bool remember);
    void ShowDifference(int index);
    // What a copy takes from the source side: the selection of a pane, else
    // the current difference, else the difference at the caret.
    bool CopyRange(int from, int64_t& start, int64_t& end) const;
    void Copy(bool toRight, bool advance);
    bool SaveSide(int side, bool choosePath);
    bool ReloadAsked();
    void Reload();
    void Find(bool ask, bool forward);
    void GoTo();
    // "Comparison Properties": the parameters changed as the dialog leaves them.
    void ShowProperties();
    // The plain report of the listed ranges, to a file the user names.
    void WriteReport();
    // After the document loaded a side or both anew.
    void AfterLoad();
    // Runs a document command that stops the worker, and starts the pass
    // again when one was running (the document leaves it stopped).
    template <typename Command>
    void KeepingPass(Command command);
    int64_t CaretOffset() const { return m_pane[m_activeSide]->Caret(); }

    platform::CMessages& m_messages;
    CBinaryCompareDoc m_doc;
    bool m_opened = false;
    CBinaryDifferences m_differences;
    std::unique_ptr<CHexSideDecorations> m_decorations[2];
    CHexPane* m_pane[2] = {nullptr, nullptr};
    QLabel* m_header[2] = {nullptr, nullptr};
    CBinaryLocationMap* m_map = nullptr;
    QScrollBar* m_vertical = nullptr;
    QScrollBar* m_horizontal = nullptr;
    QWidget* m_busy = nullptr;
    QLabel* m_busyText = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_cancel = nullptr;
    QTimer m_poll;
    QTimer m_listing;
    QElapsedTimer m_mapAge;
    QString m_lastStatus;
    int64_t m_firstRow = 0;
    int64_t m_rowScale = 1;  // rows per step of the scroll bar, for very long files
    int m_activeSide = 0;
    int m_current = -1;
    Navigation m_pending = NAV_NONE;
    bool m_cancelled = false;
    bool m_listFailed = false;
};

}  // namespace corvatine::ui
