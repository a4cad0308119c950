#include "ui/FolderCompareModel.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>

#include <algorithm>
#include <map>

#include "foldercompare/FolderCompareOptions.h"
#include "foldercompare/FolderItemLookup.h"
#include "platform/FileAttributes.h"
#include "ui/ActiveColors.h"
#include "ui/UiText.h"

namespace corvatine::ui {

namespace {

// The colour index of the folder colour table that the view gives a meaning
// of its own beside those the rows share with the report.
constexpr int kStatusColumnColor = 0;  // the status column's background

QPixmap DrawClassIcon(FolderRowClass rowClass) {
    constexpr int kSize = 16;
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(1.5, 1.5, kSize - 3, kSize - 3);
    const QColor green(0x2e, 0x9e, 0x44), red(0xd0, 0x20, 0x20), blue(0x30, 0x60, 0xc0),
        amber(0xe0, 0xa0, 0x00), sky(0x70, 0xa0, 0xd8);
    QPen white(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    const auto disc = [&](const QColor& color) {
        p.setPen(color.darker(130));
        p.setBrush(color);
        p.drawEllipse(box);
        p.setPen(white);
        p.setBrush(Qt::NoBrush);
    };
    // A triangle pointing left (-1) or right (1), centred.
    const auto arrow = [&](int direction, const QColor& color, double inset) {
        QPainterPath path;
        const double left = inset, right = kSize - inset, top = inset, bottom = kSize - inset;
        if (direction < 0) {
            path.moveTo(left, kSize / 2.0);
            path.lineTo(right, top);
            path.lineTo(right, bottom);
        } else {
            path.moveTo(right, kSize / 2.0);
            path.lineTo(left, top);
            path.lineTo(left, bottom);
        }
        path.closeSubpath();
        p.setPen(color.darker(130));
        p.setBrush(color);
        p.drawPath(path);
    };
    switch (rowClass) {
        case FolderRowClass::Identical:
        case FolderRowClass::SamePath:
            disc(green);
            p.drawLine(QPointF(4.5, 6.5), QPointF(11.5, 6.5));
            p.drawLine(QPointF(4.5, 9.5), QPointF(11.5, 9.5));
            break;
        case FolderRowClass::Different:
            disc(red);
            p.drawLine(QPointF(4.5, 6.5), QPointF(11.5, 6.5));
            p.drawLine(QPointF(4.5, 9.5), QPointF(11.5, 9.5));
            p.drawLine(QPointF(10, 3.5), QPointF(6, 12.5));
            break;
        case FolderRowClass::LeftOnly: arrow(-1, blue, 2.5); break;
        case FolderRowClass::RightOnly: arrow(1, blue, 2.5); break;
        case FolderRowClass::LeftNewer:
        case FolderRowClass::RightNewer: {
            disc(red);
            const double tip = rowClass == FolderRowClass::LeftNewer ? 4 : 12;
            const double tail = rowClass == FolderRowClass::LeftNewer ? 12 : 4;
            p.drawLine(QPointF(tail, 8), QPointF(tip, 8));
            p.drawLine(QPointF(tip, 8), QPointF((tip + tail) / 2, 4.5));
            p.drawLine(QPointF(tip, 8), QPointF((tip + tail) / 2, 11.5));
            break;
        }
        case FolderRowClass::Error: {
            QPainterPath path;
            path.moveTo(kSize / 2.0, 1.5);
            path.lineTo(kSize - 1.5, kSize - 2.0);
            path.lineTo(1.5, kSize - 2.0);
            path.closeSubpath();
            p.setPen(amber.darker(140));
            p.setBrush(amber);
            p.drawPath(path);
            p.setPen(QPen(Qt::black, 1.6, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(8, 5.5), QPointF(8, 9.5));
            p.drawPoint(QPointF(8, 12));
            break;
        }
        case FolderRowClass::NotCompared:
            disc(sky);
            p.drawArc(QRectF(5, 3.5, 6, 5), 0, 180 * 16);
            p.drawLine(QPointF(11, 6), QPointF(8, 9));
            p.drawPoint(QPointF(8, 12));
            break;
    }
    return pixmap;
}

}  // namespace

std::string SideText(CFolderItem& entry, int sideColumn) {
    switch (sideColumn) {
        case COLUMN_NAME: return entry.GetName();
        case COLUMN_SIZE: return entry.GetSizeText();
        case COLUMN_TIME: return entry.GetLastWriteTimeText();
        case COLUMN_EXTENSION: return entry.IsFolder() ? std::string() : entry.GetExtension();
        case COLUMN_ATTRIBUTES: return entry.GetAttributeText();
        case COLUMN_VERSION:
            // Only what is known: reading versions for every row shown would
            // read every file.
            if ((entry.valid & FILE_VALID_VERSION) && entry.HasFileVersion()) return entry.GetVersionText();
            return std::string();
        case COLUMN_CRC: return entry.IsFolder() ? std::string() : entry.GetCRCText();
        case COLUMN_TYPE:
            if (entry.IsFolder()) return "Folder";
            if (!(entry.valid & FILE_VALID_CONTENT_TYPE)) return std::string();
            return entry.contentType == FILE_CONTENT_TEXT     ? "Text"
                   : entry.contentType == FILE_CONTENT_BINARY ? "Binary"
                                                              : std::string();
        case COLUMN_FOLDER: return entry.GetContainingFolder();
        default: return std::string();
    }
}

namespace {

// Orders two present entries by one side column; 0 when equal.
int CompareEntries(CFolderItem& a, CFolderItem& b, int sideColumn) {
    const auto three = [](auto x, auto y) { return x < y ? -1 : y < x ? 1 : 0; };
    switch (sideColumn) {
        case COLUMN_SIZE: return three(a.GetSize(), b.GetSize());
        case COLUMN_TIME: return three(a.lastWriteTime, b.lastWriteTime);
        case COLUMN_ATTRIBUTES: return three(a.attributes, b.attributes);
        case COLUMN_VERSION: return three(a.GetFileVersionValue(), b.GetFileVersionValue());
        case COLUMN_CRC:
            return three(a.valid & FILE_VALID_CRC ? a.GetCRCValue() : 0u,
                         b.valid & FILE_VALID_CRC ? b.GetCRCValue() : 0u);
        case COLUMN_TYPE: return three(a.IsFolder() ? 4 : a.contentType, b.IsFolder() ? 4 : b.contentType);
        default:
            return QString::localeAwareCompare(FromPath(SideText(a, sideColumn)).toLower(),
                                               FromPath(SideText(b, sideColumn)).toLower());
    }
}

}  // namespace

QString ClassText(FolderRowClass rowClass) {
    switch (rowClass) {
        case FolderRowClass::NotCompared: return QStringLiteral("Not compared");
        case FolderRowClass::Identical: return QStringLiteral("Identical");
        case FolderRowClass::SamePath: return QStringLiteral("Same path");
        case FolderRowClass::Different: return QStringLiteral("Different");
        case FolderRowClass::LeftOnly: return QStringLiteral("Left-only");
        case FolderRowClass::RightOnly: return QStringLiteral("Right-only");
        case FolderRowClass::LeftNewer: return QStringLiteral("Left newer");
        case FolderRowClass::RightNewer: return QStringLiteral("Right newer");
        case FolderRowClass::Error: return QStringLiteral("Could not be compared");
    }
    return QString();
}

QIcon ClassIcon(FolderRowClass rowClass) {
    static std::map<FolderRowClass, QIcon> icons;
    auto found = icons.find(rowClass);
    if (found == icons.end()) found = icons.emplace(rowClass, QIcon(DrawClassIcon(rowClass))).first;
    return found->second;
}

CFolderCompareModel::CFolderCompareModel(CFolderCompareDoc& doc, QObject* parent)
    : QAbstractItemModel(parent), m_doc(doc) {
    QStyle* style = QApplication::style();
    m_fileIcon = style->standardIcon(QStyle::SP_FileIcon);
    m_folderIcon = style->standardIcon(QStyle::SP_DirIcon);
    m_linkIcon = style->standardIcon(QStyle::SP_FileLinkIcon);
}

QString CFolderCompareModel::ColumnTitle(int sideColumn) {
    static const char* const kTitles[kSideColumnCount] = {
        "Name", "Size", "Modified", "Extension", "Attributes", "Version", "CRC", "Type", "Folder"};
    return sideColumn >= 0 && sideColumn < kSideColumnCount ? QString::fromLatin1(kTitles[sideColumn])
                                                            : QString();
}

void CFolderCompareModel::Rebuild() {
    beginResetModel();
    m_levels.clear();
    m_places.clear();
    endResetModel();
}

void CFolderCompareModel::SetEmptied(bool emptied) {
    if (emptied == m_emptied) return;
    beginResetModel();
    m_emptied = emptied;
    m_levels.clear();
    m_places.clear();
    endResetModel();
}

CFolderCompareItem* CFolderCompareModel::Item(const QModelIndex& index) const {
    return index.isValid() ? static_cast<CFolderCompareItem*>(index.internalPointer()) : nullptr;
}

CFolderCompareItem* CFolderCompareModel::ParentItem(const QModelIndex& index) const {
    return index.isValid() ? Item(index) : Root();
}

const std::vector<CFolderCompareItem*>* CFolderCompareModel::Level(CFolderCompareItem* parent) const {
    if (parent == nullptr || m_emptied) return nullptr;
    if (const auto found = m_levels.find(parent); found != m_levels.end()) return &found->second;
    if (m_blocked) return nullptr;
    std::vector<CFolderCompareItem*> rows;
    rows.reserve(static_cast<size_t>(parent->GetChildCount()));
    for (CFolderCompareItem& child : parent->Children())
        if (m_doc.IsRowShown(child)) rows.push_back(&child);
    SortLevel(parent, rows);
    for (size_t i = 0; i < rows.size(); ++i) m_places[rows[i]] = {static_cast<int>(i), parent};
    return &m_levels.emplace(parent, std::move(rows)).first->second;
}

void CFolderCompareModel::SortLevel(const CFolderCompareItem* parent,
                                    std::vector<CFolderCompareItem*>& rows) const {
    (void)parent;
    const bool descending = m_sortOrder == Qt::DescendingOrder;
    if (m_sortColumn == COLUMN_NAME || m_sortColumn == ModelColumn(1, COLUMN_NAME)) {
        // The comparison's own order is by name: folders first, then names.
        if (descending) {
            const auto folders =
                std::stable_partition(rows.begin(), rows.end(),
                                      [](const CFolderCompareItem* item) { return item->IsFolderPair(); });
            std::reverse(rows.begin(), folders);
            std::reverse(folders, rows.end());
        }
        return;
    }
    const int side = SideOf(m_sortColumn);
    const int sideColumn = SideColumn(m_sortColumn);
    const int tolerance = m_doc.Tolerance();
    std::stable_sort(rows.begin(), rows.end(), [&](CFolderCompareItem* a, CFolderCompareItem* b) {
        if (a->IsFolderPair() != b->IsFolderPair()) return a->IsFolderPair();
        int order = 0;
        if (side < 0) {
            order = static_cast<int>(ClassOf(*a, tolerance)) - static_cast<int>(ClassOf(*b, tolerance));
        } else {
            CFolderItem* x = a->Side(side);
            CFolderItem* y = b->Side(side);
            // A missing side sorts before any entry.
            order = x == nullptr || y == nullptr ? (x != nullptr) - (y != nullptr)
                                                 : CompareEntries(*x, *y, sideColumn);
        }
        return descending ? order > 0 : order < 0;
    });
}

void CFolderCompareModel::sort(int column, Qt::SortOrder order) {
    if (column == m_sortColumn && order == m_sortOrder) return;
    m_sortColumn = column;
    m_sortOrder = order;
    if (IsBlocked()) return;  // the levels are read again when the tree is back
    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    // Each level anew from the tree, in the new order.
    std::vector<CFolderCompareItem*> parents;
    for (const auto& [parent, rows] : m_levels) parents.push_back(const_cast<CFolderCompareItem*>(parent));
    m_levels.clear();
    m_places.clear();
    for (CFolderCompareItem* parent : parents) Level(parent);
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before) {
        const auto place = m_places.find(Item(index));
        after.push_back(place == m_places.end()
                            ? QModelIndex()
                            : createIndex(place->second.row, index.column(), Item(index)));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

int CFolderCompareModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() && parent.column() != 0) return 0;
    const std::vector<CFolderCompareItem*>* rows = Level(ParentItem(parent));
    return rows != nullptr ? static_cast<int>(rows->size()) : 0;
}

int CFolderCompareModel::columnCount(const QModelIndex& parent) const {
    (void)parent;
    return kColumnCount;
}

QModelIndex CFolderCompareModel::index(int row, int column, const QModelIndex& parent) const {
    if (column < 0 || column >= kColumnCount || (parent.isValid() && parent.column() != 0))
        return QModelIndex();
    const std::vector<CFolderCompareItem*>* rows = Level(ParentItem(parent));
    if (rows == nullptr || row < 0 || row >= static_cast<int>(rows->size())) return QModelIndex();
    return createIndex(row, column, (*rows)[static_cast<size_t>(row)]);
}

QModelIndex CFolderCompareModel::parent(const QModelIndex& child) const {
    const CFolderCompareItem* item = Item(child);
    if (item == nullptr) return QModelIndex();
    const auto place = m_places.find(item);
    CFolderCompareItem* up = place != m_places.end() ? place->second.parent : nullptr;
    if (up == nullptr || up == Root()) return QModelIndex();
    return IndexOf(up);
}

QModelIndex CFolderCompareModel::IndexOf(const CFolderCompareItem* item, int column) const {
    if (item == nullptr || item == Root()) return QModelIndex();
    auto place = m_places.find(item);
    if (place == m_places.end() && !IsBlocked() && item->parent != nullptr) {
        Level(item->parent);
        place = m_places.find(item);
    }
    if (place == m_places.end()) return QModelIndex();
    return createIndex(place->second.row, column, const_cast<CFolderCompareItem*>(item));
}

QModelIndex CFolderCompareModel::IndexOfPath(const std::string& path) const {
    CFolderCompareItem* root = Root();
    if (root == nullptr || IsBlocked()) return QModelIndex();
    CFolderCompareItem* item = FindItem(*root, path);
    return item != nullptr ? IndexOf(item) : QModelIndex();
}

bool CFolderCompareModel::hasChildren(const QModelIndex& parent) const {
    if (!parent.isValid()) return rowCount(parent) > 0;
    if (parent.column() != 0 || IsBlocked()) return rowCount(parent) > 0;
    CFolderCompareItem* item = Item(parent);
    if (!item->IsFolderPair()) return false;
    // A folder not compared yet shows that it can be opened when it has
    // something to show.
    if (!(item->flags & ITEM_CHILDREN_BUILT) && item->GetChildCount() == 0) return item->GetKind() != 0;
    return rowCount(parent) > 0;
}

Qt::ItemFlags CFolderCompareModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

QVariant CFolderCompareModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return QVariant();
    if (role == Qt::DisplayRole)
        return section == kStatusColumn ? QString() : ColumnTitle(SideColumn(section));
    // A column sorts ascending first, whatever the last one did.
    if (role == Qt::InitialSortOrderRole) return static_cast<int>(Qt::AscendingOrder);
    if (role == Qt::ToolTipRole) {
        if (section == kStatusColumn) return QStringLiteral("Status");
        return (SideOf(section) == 0 ? QStringLiteral("Left ") : QStringLiteral("Right ")) +
               ColumnTitle(SideColumn(section));
    }
    return QVariant();
}

QVariant CFolderCompareModel::data(const QModelIndex& index, int role) const {
    CFolderCompareItem* item = Item(index);
    if (item == nullptr || IsBlocked()) return QVariant();
    const int tolerance = m_doc.Tolerance();
    if (role == ClassRole) return static_cast<int>(ClassOf(*item, tolerance));
    const int side = SideOf(index.column());
    if (side < 0) {
        switch (role) {
            case Qt::DecorationRole: return ClassIcon(ClassOf(*item, tolerance));
            case Qt::ToolTipRole: {
                QString text = ClassText(ClassOf(*item, tolerance));
                for (int s = 0; s < 2; ++s)
                    if (const CFolderItem* entry = item->Side(s); entry != nullptr && entry->readError != 0)
                        text += (s == 0 ? QStringLiteral("\nLeft: ") : QStringLiteral("\nRight: ")) +
                                FromPath(ReadErrorText(entry->readError));
                return text;
            }
            case Qt::BackgroundRole: return SchemeColor(ActiveColors().folders.Get(kStatusColumnColor));
            case Qt::ForegroundRole: return SchemeColor(ActiveColors().FolderText(kStatusColumnColor));
            default: return QVariant();
        }
    }
    return SideData(*item, side, SideColumn(index.column()), role);
}

QVariant CFolderCompareModel::SideData(const CFolderCompareItem& item, int side, int sideColumn,
                                       int role) const {
    const int color = FolderRowColor(item, side);
    switch (role) {
        case ColorIndexRole: return color;
        // Each background has its text: a different side's text in colour 4,
        // one that could not be compared in colour 9 ...
        case Qt::BackgroundRole: return SchemeColor(ActiveColors().folders.Get(color));
        case Qt::ForegroundRole: return SchemeColor(ActiveColors().FolderText(color));
        case Qt::TextAlignmentRole:
            return sideColumn == COLUMN_SIZE ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
        default: break;
    }
    CFolderItem* entry = item.Side(side);
    if (entry == nullptr) return QVariant();
    switch (role) {
        case Qt::DisplayRole: return FromPath(SideText(*entry, sideColumn));
        case Qt::DecorationRole:
            if (sideColumn != COLUMN_NAME) return QVariant();
            if (entry->IsFolder()) return m_folderIcon;
            return entry->AttributeTest(FILE_ATTRIBUTE_REPARSE_POINT) ? m_linkIcon : m_fileIcon;
        case Qt::ToolTipRole:
            if (sideColumn != COLUMN_NAME) return QVariant();
            if (entry->readError != 0)
                return FromPath(entry->GetFullPath() + "\n" + ReadErrorText(entry->readError));
            return FromPath(entry->GetFullPath());
        default: return QVariant();
    }
}

}  // namespace corvatine::ui
