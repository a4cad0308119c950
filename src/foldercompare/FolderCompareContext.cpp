#include "foldercompare/FolderCompareContext.h"

#include <cerrno>

#include "foldercompare/ArchiveEntries.h"
#include "platform/File.h"
#include "platform/FileAttributes.h"
#include "platform/Path.h"
#include "request/CompareMethods.h"

namespace corvatine {

int CFolderCompareContext::Build() {
    Clear();
    for (int side = 0; side < 2; ++side) {
        int error = 0;
        // An archive, or a folder inside one, is read as a folder.
        if (std::unique_ptr<CFolder> archive = OpenArchiveRoot(paths[side], error)) {
            archive->openArchives = (options & FOLDER_OPTION_OPEN_ARCHIVES) != 0;
            roots[side] = std::move(archive);
            continue;
        }
        if (error != 0) {
            Clear();
            buildError = error;
            buildErrorSide = side;
            return -2;
        }
        const platform::FileType type = platform::GetFileType(paths[side], &error);
        // A path that cannot be looked at is not a missing side: that would
        // make every entry of the other side one-sided.
        if (type == platform::FileType::Missing && error != ENOENT && error != ENOTDIR) {
            Clear();
            buildError = error;
            buildErrorSide = side;
            return -2;
        }
        if (type == platform::FileType::Missing) continue;
        if (type != platform::FileType::Folder) {
            Clear();
            return -1;
        }
        roots[side] = std::make_unique<CFolder>();
        roots[side]->Refresh(paths[side]);
        roots[side]->openArchives = (options & FOLDER_OPTION_OPEN_ARCHIVES) != 0;
    }
    if (!roots[0] && !roots[1]) return 0;
    root = std::make_unique<CFolderCompareItem>(roots[0].get(), roots[1].get());
    root->flags |= ITEM_VISIBLE_CONTENT;
    return 0;
}

bool CFolderCompareContext::CompareAll(platform::CProgressSink* progress) {
    if (!root) return true;
    root->flags &= ~ITEM_CHILDREN_BUILT;
    const bool completed = root->CompareChildren(settings, Depth(), true, progress);
    SetRootStatus();
    return completed;
}

bool CFolderCompareContext::PrepareAllLevels(platform::CProgressSink* progress) {
    if (!root) return true;
    const bool completed = root->CompareChildren(settings, 2, true, progress);
    SetRootStatus();
    return completed;
}

void CFolderCompareContext::SetRootStatus() {
    rootStatus = root->SidesAreSamePath() ? STATUS_SAME_PATH : root->status;
}

void CFolderCompareContext::Clear() {
    buildError = 0;
    buildErrorSide = -1;
    root.reset();
    roots[0].reset();
    roots[1].reset();
    rootStatus = STATUS_NOT_COMPARED;
}

}  // namespace corvatine
