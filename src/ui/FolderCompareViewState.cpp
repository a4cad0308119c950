// The folder view's rows kept across changes of the tree: the open folders,
// the selection, the current row and the scroll position, by path.
#include "ui/FolderCompareView.h"

#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <functional>

#include "foldercompare/FolderItemLookup.h"
#include "ui/FolderCompareModel.h"

namespace corvatine::ui {

namespace {

// The path of the row an index stands for.
std::string PathOf(const CFolderCompareModel& model, const QModelIndex& index) {
    const CFolderCompareItem* item = model.Item(index);
    return item != nullptr ? item->RelativePath() : std::string();
}

}  // namespace

// ---- Keeping the rows across changes ----

void CFolderCompareView::SaveState() {
    m_state = VIEWSTATE();
    if (m_model->IsBlocked()) return;
    // Folders come first in every level: the walk ends at the first file.
    std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
        const int rows = m_model->rowCount(parent);
        for (int row = 0; row < rows; ++row) {
            const QModelIndex index = m_model->index(row, 0, parent);
            const CFolderCompareItem* item = m_model->Item(index);
            if (!item->IsFolderPair()) break;
            if (!m_tree->isExpanded(index)) continue;
            m_state.expanded.push_back(item->RelativePath());
            walk(index);
        }
    };
    walk(QModelIndex());
    m_state.expanded.insert(m_state.expanded.end(), m_unresolved.begin(), m_unresolved.end());
    for (const QModelIndex& index : m_tree->selectionModel()->selectedRows(0))
        m_state.selected.push_back(PathOf(*m_model, index));
    m_state.current = PathOf(*m_model, m_tree->currentIndex());
    m_state.scroll = m_tree->verticalScrollBar()->value();
}

void CFolderCompareView::RestoreState() {
    if (m_model->IsBlocked() || m_doc.Root() == nullptr) return;
    m_restoring = true;
    CItemFinder finder(*m_doc.Root());
    // The row of a path; with reached, the deepest item found on the way.
    const auto find = [&](const std::string& path, CFolderCompareItem** reached = nullptr) -> QModelIndex {
        CFolderCompareItem* item = finder.Find(path, reached);
        return item != nullptr && item != m_doc.Root() ? m_model->IndexOf(item) : QModelIndex();
    };
    m_unresolved.clear();
    for (const std::string& path : m_state.expanded) {
        CFolderCompareItem* reached = nullptr;
        if (const QModelIndex index = find(path, &reached); index.isValid()) {
            m_tree->expand(index);
        } else if (reached != nullptr && reached->AwaitsLevel()) {
            // Below a folder not compared yet: opened once it is.
            m_unresolved.push_back(path);
        }
    }
    std::vector<QModelIndex> selected;
    for (const std::string& path : m_state.selected)
        if (const QModelIndex index = find(path); index.isValid()) selected.push_back(index);
    // Runs of rows of one level become one range each.
    std::sort(selected.begin(), selected.end(), [](const QModelIndex& a, const QModelIndex& b) {
        return a.internalPointer() != b.internalPointer() &&
               (a.parent() != b.parent() ? a.parent() < b.parent() : a.row() < b.row());
    });
    QItemSelection selection;
    const int last = CFolderCompareModel::kColumnCount - 1;
    for (size_t i = 0; i < selected.size();) {
        size_t j = i + 1;
        while (j < selected.size() && selected[j].parent() == selected[i].parent() &&
               selected[j].row() == selected[j - 1].row() + 1)
            ++j;
        selection.select(selected[i], selected[j - 1].siblingAtColumn(last));
        i = j;
    }
    m_tree->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (const QModelIndex current = find(m_state.current); current.isValid())
        m_tree->selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    const int scroll = m_state.scroll;
    QTimer::singleShot(0, this, [this, scroll] {
        if (!IsBusy()) m_tree->verticalScrollBar()->setValue(scroll);
    });
    m_selectionKnown = false;
    m_restoring = false;
    // Folders open in the view are compared, as when they were opened.
    QTimer::singleShot(0, this, &CFolderCompareView::CompareOpenedLevels);
}

void CFolderCompareView::ChangeRows(const std::function<void()>& change) {
    SaveState();
    change();
    AfterTreeChange();
}

void CFolderCompareView::AfterTreeChange() {
    UpdateRootStatus();
    m_model->Rebuild();
    RestoreState();
    UpdateSummary();
    m_selectionKnown = false;
    UpdateDetails();
    emit stateChanged();
}

// ---- Selecting rows by path ----

void CFolderCompareView::SelectPaths(const std::vector<std::string>& paths) {
    m_state = VIEWSTATE();
    m_state.selected = paths;
    m_state.current = paths.empty() ? std::string() : paths.front();
    m_state.scroll = m_tree->verticalScrollBar()->value();
    // Every folder on the way is opened.
    for (const std::string& path : paths)
        for (size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1))
            m_state.expanded.push_back(path.substr(0, slash));
    RestoreState();
    if (const QModelIndex current = m_tree->currentIndex(); current.isValid()) m_tree->scrollTo(current);
}

}  // namespace corvatine::ui
