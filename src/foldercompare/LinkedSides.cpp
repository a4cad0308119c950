#include "foldercompare/LinkedSides.h"

#include <climits>
#include <cstdlib>

#include "platform/AtomicFile.h"
#include "platform/FileOperations.h"
#include "platform/Path.h"

namespace corvatine {

std::vector<std::string> LinkTargetFolders(const std::string& leftRoot, const std::string& rightRoot) {
    std::vector<std::string> folders = {leftRoot, rightRoot};
    const char* dirDiff = std::getenv("GIT_DIFFTOOL_DIRDIFF");
    const char* workTree = std::getenv("GIT_WORK_TREE");
    if (dirDiff != nullptr && *dirDiff != '\0' && workTree != nullptr && workTree[0] == '/' &&
        platform::IsFolder(leftRoot) && platform::IsFolder(rightRoot))
        folders.emplace_back(workTree);
    return folders;
}

bool WritesOutsideThroughLinks(const std::string& path, const std::vector<std::string>& allowed) {
    std::string resolved;
    bool refused = false;
    if (!platform::ResolveLinks(path, resolved, refused)) return true;
    // The folder the file is finally written in, its own links followed.
    const std::string folder = platform::PathParentFolder(resolved);
    for (const std::string& root : allowed)
        if (!root.empty() && platform::FolderContains(root, folder)) return false;
    return true;
}

}  // namespace corvatine
