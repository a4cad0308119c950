#include "ui/FolderRowSearch.h"

#include <functional>

#include "ui/FolderCompareModel.h"
#include "ui/UiText.h"

namespace corvatine::ui {

std::vector<QModelIndex> RowsInOrder(const CFolderCompareModel& model) {
    std::vector<QModelIndex> rows;
    std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
        const int count = model.rowCount(parent);
        for (int row = 0; row < count; ++row) {
            const QModelIndex index = model.index(row, 0, parent);
            rows.push_back(index);
            if (model.hasChildren(index)) walk(index);
        }
    };
    walk(QModelIndex());
    return rows;
}

QModelIndex FindFolderRow(const CFolderCompareModel& model, const QString& text, const QModelIndex& from,
                          bool up) {
    if (text.isEmpty()) return QModelIndex();
    const std::vector<QModelIndex> rows = RowsInOrder(model);
    const int count = static_cast<int>(rows.size());
    if (count == 0) return QModelIndex();
    int start = up ? count : -1;
    const QModelIndex first = from.isValid() ? from.siblingAtColumn(0) : QModelIndex();
    for (int i = 0; i < count && first.isValid(); ++i)
        if (rows[static_cast<size_t>(i)] == first) start = i;
    for (int step = 1; step <= count; ++step) {
        const int at = ((up ? start - step : start + step) % count + count) % count;
        const CFolderCompareItem* item = model.Item(rows[static_cast<size_t>(at)]);
        if (item == nullptr) continue;
        for (int side = 0; side < 2; ++side) {
            const CFolderItem* entry = item->Side(side);
            if (entry != nullptr && FromPath(entry->GetName()).contains(text, Qt::CaseInsensitive))
                return rows[static_cast<size_t>(at)];
        }
    }
    return QModelIndex();
}

}  // namespace corvatine::ui
