// The rows of a folder comparison for a tree view: one row per shown result
// item, the nine columns of each side around a status column, coloured by
// the folder comparison's colour table. Levels are read from the result tree
// only when the view asks for them, so a folder of 200,000 entries costs one
// pass over that folder and nothing below it.
#pragma once

#include <QAbstractItemModel>
#include <QIcon>

#include <string>
#include <unordered_map>
#include <vector>

#include "foldercompare/FolderCompareDoc.h"
#include "foldercompare/FolderRowClass.h"

namespace corvatine::ui {

// The status column's words and icons for the classes of rows.
QString ClassText(FolderRowClass rowClass);
// A small drawn icon per class.
QIcon ClassIcon(FolderRowClass rowClass);

// The columns of one side, in their order; the bit of each in "ShowColumns"
// is 1 << column.
enum FolderColumn : int {
    COLUMN_NAME,
    COLUMN_SIZE,
    COLUMN_TIME,
    COLUMN_EXTENSION,
    COLUMN_ATTRIBUTES,
    COLUMN_VERSION,
    COLUMN_CRC,
    COLUMN_TYPE,
    COLUMN_FOLDER,
    kSideColumnCount,
};

// The text of an entry's cell in a side column: only what is known, nothing
// is read from the file for it.
std::string SideText(CFolderItem& entry, int sideColumn);

class CFolderCompareModel : public QAbstractItemModel {
    Q_OBJECT

public:
    // The left side's columns, the status column, the right side's columns.
    static constexpr int kStatusColumn = kSideColumnCount;
    static constexpr int kColumnCount = 2 * kSideColumnCount + 1;
    enum Role : int {
        ClassRole = Qt::UserRole + 1,  // FolderRowClass as int
        ColorIndexRole,                // the colour table's index of a side's cell
    };

    explicit CFolderCompareModel(CFolderCompareDoc& doc, QObject* parent = nullptr);

    // -1 for the status column, else the side of a model column.
    static int SideOf(int column) { return column < kStatusColumn ? 0 : column > kStatusColumn ? 1 : -1; }
    // The side's column (FolderColumn) of a model column.
    static int SideColumn(int column) { return column < kStatusColumn ? column : column - kStatusColumn - 1; }
    static int ModelColumn(int side, int sideColumn) {
        return side == 0 ? sideColumn : kStatusColumn + 1 + sideColumn;
    }
    static QString ColumnTitle(int sideColumn);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Within each level folders stay first; the name column ascending is the
    // comparison's own order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The result tree changed as a whole: every level is read again.
    void Rebuild();
    // While another thread changes the result tree nothing of it is read:
    // the view must show no rows (emptied) or not paint (blocked); levels
    // already read answer from what they held.
    void SetEmptied(bool emptied);
    void SetBlocked(bool blocked) { m_blocked = blocked; }
    bool IsBlocked() const { return m_blocked || m_emptied; }

    CFolderCompareItem* Item(const QModelIndex& index) const;
    // The row of an item in its level (which is read when it was not), or
    // an invalid index when the item is not shown.
    QModelIndex IndexOf(const CFolderCompareItem* item, int column = 0) const;
    // The item at a '/'-separated path of names below the roots.
    QModelIndex IndexOfPath(const std::string& path) const;

private:
    struct PLACE {
        int row;
        CFolderCompareItem* parent;
    };
    CFolderCompareItem* Root() const { return m_doc.Root(); }
    CFolderCompareItem* ParentItem(const QModelIndex& index) const;
    // The shown children of an item, read on first use.
    const std::vector<CFolderCompareItem*>* Level(CFolderCompareItem* parent) const;
    void SortLevel(const CFolderCompareItem* parent, std::vector<CFolderCompareItem*>& rows) const;
    QVariant SideData(const CFolderCompareItem& item, int side, int sideColumn, int role) const;

    CFolderCompareDoc& m_doc;
    bool m_blocked = false;
    bool m_emptied = false;
    int m_sortColumn = 0;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    mutable std::unordered_map<const CFolderCompareItem*, std::vector<CFolderCompareItem*>> m_levels;
    mutable std::unordered_map<const CFolderCompareItem*, PLACE> m_places;
    QIcon m_fileIcon, m_folderIcon, m_linkIcon;
};

}  // namespace corvatine::ui
