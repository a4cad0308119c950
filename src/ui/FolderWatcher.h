// The watch on the folders a folder view compares.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "fileio/DocumentWatches.h"
#include "foldercompare/FolderCompareDoc.h"

namespace corvatine::ui {

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

}  // namespace corvatine::ui
