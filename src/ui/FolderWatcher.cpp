#include "ui/FolderWatcher.h"

#include <deque>

namespace corvatine::ui {

void CFolderWatcher::WatchTree(CFolderCompareDoc& doc) {
    Stop();
    m_told = false;
    CFolderCompareItem* root = doc.Root();
    if (root == nullptr) return;
    // Breadth first: the roots and the folders near them before deep ones.
    std::deque<const CFolderCompareItem*> queue{root};
    while (!queue.empty() && m_folders.size() < kMaxFolders) {
        const CFolderCompareItem* item = queue.front();
        queue.pop_front();
        for (int side = 0; side < 2; ++side) {
            const CFolderItem* entry = item->Side(side);
            if (entry == nullptr || !entry->IsFolder() || m_folders.size() >= kMaxFolders) continue;
            // The watch looks at the folder a path is in: "F/." stands in F,
            // so every change inside F is told.
            const std::string folder = entry->GetFullPath();
            const std::string inside = folder + (folder.empty() || folder.back() != '/' ? "/." : ".");
            m_watches.Watch(inside);
            if (m_watches.IsWatched(inside)) m_folders.push_back(folder);
        }
        for (const CFolderCompareItem& child : item->Children())
            if (child.IsFolderPair()) queue.push_back(&child);
    }
}

void CFolderWatcher::Stop() {
    m_watches.UnwatchAll();
    m_folders.clear();
}

}  // namespace corvatine::ui
