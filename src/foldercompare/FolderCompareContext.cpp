#include "foldercompare/FolderCompareContext.h"

#include "platform/FileAttributes.h"
#include "platform/Path.h"
#include "request/CompareMethods.h"

namespace corvatine {

int CFolderCompareContext::Build() {
    Clear();
    for (int side = 0; side < 2; ++side) {
        if (!platform::PathExists(paths[side])) continue;
        if (!platform::IsFolder(paths[side])) {
            Clear();
            return -1;
        }
        roots[side] = std::make_unique<CFolder>();
        roots[side]->Refresh(paths[side]);
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
    root.reset();
    roots[0].reset();
    roots[1].reset();
    rootStatus = STATUS_NOT_COMPARED;
}

}  // namespace corvatine
