// The folder view's detail pane: both sides of the current pair, with what
// the scan did not read filled in from the files on a worker.
#pragma once

#include <QString>
#include <QTableWidget>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "foldercompare/FolderCompareItem.h"

namespace corvatine::ui {

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

}  // namespace corvatine::ui
