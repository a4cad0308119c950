// The output bar of find in files: the results tree the worker fills, node
// by node, while the window goes on; a double-click opens a hit in the
// editor at its line.
#pragma once

#include <QTreeWidget>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "tools/FindInFiles.h"
#include "ui/FindInFilesDialog.h"

namespace corvatine::ui {

class CDocumentView;

class CFindResultsPane : public QTreeWidget, public CFindInFilesWindow {
    Q_OBJECT

public:
    // The node's level and its text as the worker reported it.
    static constexpr int kLevelRole = Qt::UserRole;
    static constexpr int kTextRole = Qt::UserRole + 1;

    explicit CFindResultsPane(QWidget* parent = nullptr, size_t readBlockSize = CFindInFiles::kReadBlockSize);
    ~CFindResultsPane() override;

    // "New Find...": asks for a search with the dialog and starts it.
    void NewFind();
    // Starts a search without asking; false when one runs already.
    bool StartFind(const FINDINFILESCHOICE& choice);
    // "Stop Find in Files": cancels the running search, which ends with "Canceled".
    void StopFind();
    bool IsRunning() const { return m_thread.IsRunning(); }
    // "Clear": every node goes.
    void ClearResults();

    // Opens a file in the editor (the window's open-document path).
    std::function<CDocumentView*(const std::string& path)> onOpen;
    // Opens the file of a node, at the line of a line node.
    CDocumentView* OpenNode(QTreeWidgetItem* item);

    // CFindInFilesWindow: nodes come on the worker's thread, the end through the queue.
    void OnFindResult(int level, const std::string& text) override;
    void OnFindEnded() override;

signals:
    // A search started or ended.
    void runningChanged(bool running);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Puts the nodes handed over so far into the tree.
    void TakeNodes();
    void AddNode(int level, const std::string& text);
    void Ended();

    CFindInFilesThread m_thread;
    FINDINFILESCHOICE m_lastChoice;  // the fields of the next dialog
    std::atomic<bool> m_stopping{false};
    std::mutex m_mutex;
    std::vector<std::pair<int, std::string>> m_pending;  // guarded by m_mutex
    bool m_takeScheduled = false;                        // guarded by m_mutex
    QTreeWidgetItem* m_root = nullptr;
    QTreeWidgetItem* m_file = nullptr;
    QTreeWidgetItem* m_last = nullptr;  // the node added last
};

// Puts the caret of a text editor at the start of a line (from 1) and
// scrolls it to show the line in the middle.
void ShowEditorLine(CDocumentView* view, int line);

}  // namespace corvatine::ui
