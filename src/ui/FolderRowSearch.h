// Finding a row of a folder view by its name.
#pragma once

#include <QModelIndex>
#include <QString>

#include <vector>

namespace corvatine::ui {

class CFolderCompareModel;

// The rows of the model in the order the tree shows them when every folder
// is open: each folder pair followed by its rows.
std::vector<QModelIndex> RowsInOrder(const CFolderCompareModel& model);
// The row after (or, with up, before) from whose name on either side holds
// text, case ignored, going round the ends; an invalid index when none does.
QModelIndex FindFolderRow(const CFolderCompareModel& model, const QString& text, const QModelIndex& from,
                          bool up);

}  // namespace corvatine::ui
