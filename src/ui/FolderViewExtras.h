// What the folder view shows and does beside its rows: the detail pane of
// the current pair, the watch on the compared folders, and finding a row by
// its name.
#pragma once

#include <QModelIndex>
#include <QString>
#include <QTableWidget>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fileio/DocumentWatches.h"
#include "foldercompare/FolderCompareDoc.h"

namespace corvatine::ui {

class CFolderCompareModel;

// The detail pane: one row per side of the current pair in the view's nine
// columns. What the scan knows is shown at once; the version, the CRC-32
// and the content type are read from the files on a worker and filled in
// when known, so a large file never holds the window, nor its closing.
class CFolderDetailPane : public QTableWidget {
    Q_OBJECT

public:
    explicit CFolderDetailPane(QWidget* parent = nullptr);
    ~CFolderDetailPane() override;

    // Shows the item's sides (copied: the item may go with the next scan);
    // null empties the pane.
    void ShowItem(CFolderCompareItem* item);
    // A cell's text (side 0 left, 1 right; column as FolderColumn).
    QString Text(int side, int column) const;
    // The details of the item shown are still being read.
    bool IsReading() const { return m_reading; }

signals:
    // The details read from the files are shown.
    void detailsRead();

private:
    void Fill(int side, const std::vector<std::string>& texts);

    // The item whose details a worker may still show; a newer one wins.
    std::shared_ptr<std::atomic<int>> m_shown = std::make_shared<std::atomic<int>>(0);
    bool m_reading = false;
    int m_pending = 0;  // sides whose details are still to come
};

// The watch on the compared folders (the "FolderWatch" option): the two
// roots and the folders of the result tree, each one folder deep, at most
// kMaxFolders of them, roots first. A change in any of them is told once
// through onChanged until the folders are watched anew.
class CFolderWatcher {
public:
    static constexpr size_t kMaxFolders = 512;

    explicit CFolderWatcher(bool enabled) : m_watches(enabled) {
        m_watches.onChanged = [this](const std::string& path) {
            if (m_told || !onChanged) return;
            m_told = true;
            onChanged(path);
        };
    }
    // Watches the folders of the document's result tree (after a scan).
    void WatchTree(CFolderCompareDoc& doc);
    // Watches nothing (while the view's own work changes the folders).
    void Stop();
    // The folders watched.
    const std::vector<std::string>& Folders() const { return m_folders; }

    std::function<void(const std::string& path)> onChanged;

private:
    CDocumentWatches m_watches;
    std::vector<std::string> m_folders;
    bool m_told = false;
};

// The rows of the model in the order the tree shows them when every folder
// is open: each folder pair followed by its rows.
std::vector<QModelIndex> RowsInOrder(const CFolderCompareModel& model);
// The row after (or, with up, before) from whose name on either side holds
// text, case ignored, going round the ends; an invalid index when none does.
QModelIndex FindFolderRow(const CFolderCompareModel& model, const QString& text, const QModelIndex& from,
                          bool up);

}  // namespace corvatine::ui
