#include "foldercompare/SyncWizard.h"

#include <cstdio>
#include <functional>
#include <unordered_map>
#include <unordered_set>

#include "foldercompare/ArchiveEntries.h"
#include "platform/FileAttributes.h"
#include "platform/FileOperations.h"
#include "platform/Output.h"

namespace corvatine {

const SYNCTYPETEXT kSyncTypes[kSyncTypeCount] = {
    {"&Update Target on Right",
     "Copy newer and orphan files/folders from left to right.\nOrphans on right will not be deleted. Newer "
     "files on right will not be replaced.",
     "update-right"},
    {"U&pdate Target on Left",
     "Copy newer and orphan files/folders from right to left.\nOrphans on left will not be deleted. Newer "
     "files "
     "on left will not be replaced.",
     "update-left"},
    {"&Bidirectional Update", "Replace older files with newer ones and copy orphan files/folders both ways.",
     "bidirectional"},
    {"&Mirror Left to Right",
     "Replace all different files on right, delete any orphans on right, copy any orphans on left.",
     "mirror-right"},
    {"M&irror Right to Left",
     "Replace all different files on left, delete any orphans on left, copy any orphans on right.",
     "mirror-left"},
};

int FindSyncType(const std::string& word) {
    for (int type = 0; type < kSyncTypeCount; ++type)
        if (word == kSyncTypes[type].word || word == std::to_string(type)) return type;
    return -1;
}

const char* SyncActionText(int action) {
    switch (action) {
        case SYNC_COPY_LEFT_TO_RIGHT: return "Copying from left to right";
        case SYNC_COPY_RIGHT_TO_LEFT: return "Copying from right to left";
        case SYNC_DELETE_LEFT: return "Deleting left";
        case SYNC_DELETE_RIGHT: return "Deleting right";
        case SYNC_DELETE_BOTH: return "Deleting both left and right";
        case SYNC_MOVE_LEFT_TO_RIGHT: return "Moving from left to right";
        case SYNC_MOVE_RIGHT_TO_LEFT: return "Moving from right to left";
        case SYNC_REMOVE_LEFTOVER_LEFT: return "Removing a leftover temporary copy on the left";
        case SYNC_REMOVE_LEFTOVER_RIGHT: return "Removing a leftover temporary copy on the right";
        default: return "";
    }
}

namespace {

bool IsCopy(int action) { return action == SYNC_COPY_LEFT_TO_RIGHT || action == SYNC_COPY_RIGHT_TO_LEFT; }
bool IsDelete(int action) { return action == SYNC_DELETE_LEFT || action == SYNC_DELETE_RIGHT; }

// Whether the folder at path holds anything but folders, as it is now; one
// that cannot be read is taken to.
bool FolderOnDiskHoldsFiles(const std::string& path) {
    platform::CFileFindEx find;
    if (!find.FindFile(path)) return true;
    while (find.FindNextFile()) {
        if (find.IsDots()) continue;
        if (!find.IsDirectory() || (find.Data().attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
            FolderOnDiskHoldsFiles(find.GetFilePath()))
            return true;
    }
    return find.Error() != 0;
}

// Whether the tree below a folder entry holds anything but folders (a link
// counts as a file); a folder the comparison did not read is looked at.
bool HoldsFiles(const CFolder& folder) {
    if (!folder.IsScanned()) return FolderOnDiskHoldsFiles(folder.GetFullPath());
    const CFolderItems* children = folder.Children();
    for (int i = 0; children != nullptr && i < children->GetCount(); ++i) {
        const CFolderItem* child = (*children)[i];
        if (!child->IsFolder() || child->IsLink() || HoldsFiles(*static_cast<const CFolder*>(child)))
            return true;
    }
    return false;
}

}  // namespace

std::string NestedRootsRefusal(const CFolderCompareContext& context, const std::string& what) {
    if (!context.roots[0] || !context.roots[1]) return {};
    const std::string& left = context.paths[0];
    const std::string& right = context.paths[1];
    const bool leftHolds = platform::FolderContains(left, right);
    const bool rightHolds = platform::FolderContains(right, left);
    if (leftHolds && rightHolds) return what + ": '" + left + "' and '" + right + "' are the same folder";
    if (leftHolds) return what + ": '" + right + "' lies inside '" + left + "'; nothing was changed";
    if (rightHolds) return what + ": '" + left + "' lies inside '" + right + "'; nothing was changed";
    return {};
}

std::string ArchiveSyncRefusal(const CFolderCompareContext& context) {
    // Archives are read, never written, and never extracted.
    for (int side = 0; side < 2; ++side) {
        if (!context.roots[side]) continue;
        if (LiesInArchive(*context.roots[side]))
            return "cannot synchronize: '" + context.paths[side] +
                   "' is an archive, which is read-only here; nothing was changed";
        if (context.roots[side]->openArchives)
            return "cannot synchronize while archives are read as folders (--archives=open); nothing was "
                   "changed";
    }
    return std::string();
}

std::string SyncRefusal(const CFolderCompareContext& context, uint32_t rootStatus, int type) {
    const bool sources[2] = {type != SYNC_UPDATE_LEFT && type != SYNC_MIRROR_LEFT,
                             type != SYNC_UPDATE_RIGHT && type != SYNC_MIRROR_RIGHT};
    for (int side = 0; side < 2; ++side) {
        const std::string& path = context.paths[side];
        if (!context.roots[side])
            return "cannot synchronize: '" + path + "' does not exist" +
                   (sources[side] ? "" : " (create the folder first)") + "; nothing was changed";
        if (context.roots[side]->readError != 0)
            return "cannot synchronize: cannot read '" + path +
                   "': " + ReadErrorText(context.roots[side]->readError) + "; nothing was changed";
    }
    if (std::string archive = ArchiveSyncRefusal(context); !archive.empty()) return archive;
    if (rootStatus == STATUS_SAME_PATH)
        return "cannot synchronize: '" + context.paths[0] + "' and '" + context.paths[1] +
               "' are the same folder";
    if (std::string nested = NestedRootsRefusal(context, "cannot synchronize"); !nested.empty())
        return nested;
    if (type == SYNC_MIRROR_RIGHT || type == SYNC_MIRROR_LEFT) {
        // A source that holds no files (at most empty folders) is empty.
        const int source = type == SYNC_MIRROR_RIGHT ? 0 : 1;
        if (!HoldsFiles(*context.roots[source]) && context.roots[1 - source]->GetChildCount() > 0)
            return "cannot mirror: '" + context.paths[source] + "' is empty and '" +
                   context.paths[1 - source] + "' is not; nothing was changed";
    }
    return {};
}

std::string SYNCCOUNT::Text() const {
    std::string text = std::to_string(files) + " file(s)";
    if (folders > 0) text += " and " + std::to_string(folders) + " folder(s)";
    return text;
}

namespace {

int CountRows(const CFolderCompareItem& item) {
    int count = 0;
    for (const CFolderCompareItem& child : item.Children()) count += 1 + CountRows(child);
    return count;
}

// The reason a row could not be compared, for the log.
std::string SkipReason(const CFolderCompareItem& item) {
    std::string reason;
    for (int side = 0; side < 2; ++side) {
        const CFolderItem* entry = item.Side(side);
        if (entry == nullptr || entry->readError == 0) continue;
        if (!reason.empty()) reason += "; ";
        reason += std::string(side == 0 ? "left side: " : "right side: ") + ReadErrorText(entry->readError);
    }
    return reason.empty() ? std::string("could not be compared") : reason;
}

const char* SideName(int side) { return side == 0 ? "left" : "right"; }

// A side's entry as synchronisation tells entries apart.
enum class SyncKind { None, File, Folder, Link };

SyncKind KindOf(const CFolderItem* entry) {
    if (entry == nullptr) return SyncKind::None;
    if (entry->IsLink()) return SyncKind::Link;
    return entry->IsFolder() ? SyncKind::Folder : SyncKind::File;
}

bool HasLink(const CFolderCompareItem& item) {
    return KindOf(item.left) == SyncKind::Link || KindOf(item.right) == SyncKind::Link;
}

// A real folder on the side (not a link to one).
bool IsRealFolder(const CFolderItem* entry) { return KindOf(entry) == SyncKind::Folder; }

const char* KindName(const CFolderItem* entry) {
    switch (KindOf(entry)) {
        case SyncKind::Folder: return "folder";
        case SyncKind::Link: return "symbolic link";
        default: return "file";
    }
}

// The order of two modification times within the tolerance (seconds):
// 1 the first is newer, -1 the second, 0 equal.
int OwnTimeOrder(FILETIME a, FILETIME b, int tolerance) {
    if (tolerance > 0) {
        const int64_t x = platform::FileTimeToUnixSeconds(a), y = platform::FileTimeToUnixSeconds(b);
        const int64_t distance = x > y ? x - y : y - x;
        if (distance <= tolerance) return 0;
        return x > y ? 1 : -1;
    }
    return a == b ? 0 : a > b ? 1 : -1;
}

// What a side holds for the comparison of links: a link's text and its own
// time; a file's time. False when a link cannot be read.
struct LEAFSIDE {
    bool link = false;
    std::string text;
    FILETIME time = 0;
};

bool ReadLeaf(const CFolderItem& entry, LEAFSIDE& leaf) {
    leaf.link = entry.IsLink();
    if (!leaf.link) {
        leaf.time = entry.GetLastWriteFileTime();
        return true;
    }
    return platform::ReadLinkBelow(entry.GetTreePath(), leaf.text, leaf.time);
}

// Whether a one-sided or paired folder's entry on the side holds nothing but
// entries of the item's children: every entry of it is in the comparison.
bool HoldsOnlyItems(const CFolderCompareItem& item, int side) {
    const CFolderItem* entry = item.Side(side);
    if (!IsRealFolder(entry)) return false;
    const auto* folder = static_cast<const CFolder*>(entry);
    int items = 0;
    for (const CFolderCompareItem& child : item.Children()) items += child.Side(side) != nullptr ? 1 : 0;
    if (folder->IsScanned()) return folder->GetChildCount() == items;
    // Never read: it is empty only when it holds nothing now.
    platform::CFileFindEx find;
    if (!find.FindFile(folder->GetFullPath())) return false;
    while (find.FindNextFile())
        if (!find.IsDots()) return false;
    return find.Error() == 0 && items == 0;
}

}  // namespace

bool CSyncPreparePage::Prepare(CFolderCompareItem& root, int type, int tolerance,
                               platform::CProgressSink* progress) {
    m_type = type;
    m_tolerance = tolerance;
    lists[0].clear();
    lists[1].clear();
    skipped.clear();
    leftovers.clear();
    if (progress != nullptr) progress->Start(0, CountRows(root), kHeading);
    int position = 0;
    bool stopped = false;
    Collect(root, progress, position, stopped);
    if (progress != nullptr) progress->Close();
    return !stopped;
}

SYNCENTRY& CSyncPreparePage::Add(int list, CFolderCompareItem& item, int action) {
    SYNCENTRY entry;
    entry.item = &item;
    entry.action = action;
    entry.path = item.RelativePath();
    const CFolderItem* side = item.Side(IsCopy(action) ? (action == SYNC_COPY_LEFT_TO_RIGHT ? 0 : 1)
                                                       : (action == SYNC_DELETE_LEFT ? 0 : 1));
    entry.isFolder = side != nullptr ? IsRealFolder(side) : item.IsFolderPair();
    lists[list].push_back(std::move(entry));
    return lists[list].back();
}

void CSyncPreparePage::Skip(const CFolderCompareItem& item, const std::string& reason) {
    skipped.push_back({item.RelativePath(), reason});
}

int CSyncPreparePage::SourceSide() const {
    switch (m_type) {
        case SYNC_UPDATE_RIGHT:
        case SYNC_MIRROR_RIGHT: return 0;
        case SYNC_UPDATE_LEFT:
        case SYNC_MIRROR_LEFT: return 1;
        default: return -1;  // both
    }
}

namespace {

int CopyAction(int source) { return source == 0 ? SYNC_COPY_LEFT_TO_RIGHT : SYNC_COPY_RIGHT_TO_LEFT; }
int DeleteAction(int target) { return target == 0 ? SYNC_DELETE_LEFT : SYNC_DELETE_RIGHT; }

}  // namespace

// A one-sided entry of our temporary name is never synchronised: an
// abandoned one on a side the type writes to is removed, any other left
// alone (a run may still be writing it).
bool CSyncPreparePage::Leftover(CFolderCompareItem& child) {
    if (!child.IsOrphan()) return false;
    const int side = child.left != nullptr ? 0 : 1;
    const CFolderItem* entry = child.Side(side);
    if (!platform::IsTemporaryCopyName(entry->GetName())) return false;
    const int source = SourceSide();
    if (side != source && platform::IsLeftoverCopy(entry->GetTreePath())) {
        SYNCENTRY leftover;
        leftover.item = &child;
        leftover.action = side == 0 ? SYNC_REMOVE_LEFTOVER_LEFT : SYNC_REMOVE_LEFTOVER_RIGHT;
        leftover.path = child.RelativePath();
        leftover.isFolder = IsRealFolder(entry);
        leftovers.push_back(std::move(leftover));
    }
    return true;
}

// Adds a copy of every file and link below item on the source side (real
// folders walked, links not followed), whatever the other side has there:
// that side is being replaced. The number of entries added.
int CSyncPreparePage::CollectSourceBelow(CFolderCompareItem& item, int source) {
    int added = 0;
    for (CFolderCompareItem& child : item.Children()) {
        if (child.IsFilteredOut() || child.IsHidden() || child.Side(source) == nullptr) continue;
        if (IsRealFolder(child.Side(source))) {
            added += CollectSourceBelow(child, source);
        } else if (!platform::IsTemporaryCopyName(child.Side(source)->GetName())) {
            Add(source, child, CopyAction(source));
            ++added;
        }
    }
    return added;
}

// Adds the deletes of the target side of item and of everything below it
// there, the deepest first, each done by the copy of replacedBy. False,
// adding nothing, when something there is not in the comparison (filtered
// out, hidden, not read) and could not be deleted with it.
bool CSyncPreparePage::AddTargetSubtree(CFolderCompareItem& item, int target,
                                        const CFolderCompareItem* replacedBy) {
    std::vector<SYNCENTRY> deletes;
    const std::function<bool(CFolderCompareItem&)> walk = [&](CFolderCompareItem& at) {
        const CFolderItem* entry = at.Side(target);
        if (IsRealFolder(entry)) {
            if (!HoldsOnlyItems(at, target)) return false;
            for (CFolderCompareItem& child : at.Children()) {
                if (child.Side(target) == nullptr) continue;
                if (child.IsFilteredOut() || child.IsHidden() ||
                    (child.status == STATUS_ERROR && !HasLink(child)) || !walk(child))
                    return false;
            }
        }
        SYNCENTRY remove;
        remove.item = &at;
        remove.action = DeleteAction(target);
        remove.path = at.RelativePath();
        remove.isFolder = IsRealFolder(entry);
        remove.replacedBy = replacedBy;
        deletes.push_back(std::move(remove));
        return true;
    };
    if (!walk(item)) return false;
    for (SYNCENTRY& entry : deletes) lists[target].push_back(std::move(entry));
    return true;
}

// An item with a symbolic link on a side: an entry of its own, never walked
// into. Links pair when their texts are equal.
void CSyncPreparePage::CollectLink(CFolderCompareItem& child) {
    const bool mirror = m_type == SYNC_MIRROR_RIGHT || m_type == SYNC_MIRROR_LEFT;
    LEAFSIDE sides[2];
    for (int side = 0; side < 2; ++side) {
        const CFolderItem* entry = child.Side(side);
        if (entry != nullptr && !IsRealFolder(entry) && !ReadLeaf(*entry, sides[side])) {
            Skip(child, std::string(side == 0 ? "left side: " : "right side: ") + "the link cannot be read");
            return;
        }
    }
    if (mirror) {
        const int source = SourceSide(), target = 1 - source;
        const CFolderItem* from = child.Side(source);
        const CFolderItem* to = child.Side(target);
        if (from == nullptr) {
            Add(target, child, DeleteAction(target));
            return;
        }
        if (to != nullptr && sides[source].link && sides[target].link &&
            sides[source].text == sides[target].text)
            return;  // the same link
        if (IsRealFolder(from)) {
            // A real folder where a link is: the folder goes in first, then
            // all that is below it.
            SYNCENTRY& copy = Add(source, child, CopyAction(source));
            copy.replaces = &child;
            SYNCENTRY& remove = Add(target, child, DeleteAction(target));
            remove.isFolder = false;
            remove.replacedBy = &child;
            CollectSourceBelow(child, source);
            return;
        }
        if (IsRealFolder(to)) {
            // A link (or file) where a real folder is: the folder goes with it.
            if (!AddTargetSubtree(child, target, &child)) {
                Skip(child, std::string("the folder on the ") + SideName(target) +
                                " holds entries this comparison does not cover; it is not replaced by a " +
                                KindName(from));
                return;
            }
            Add(source, child, CopyAction(source)).replaces = &child;
            return;
        }
        Add(source, child, CopyAction(source));  // new, or put over a file or another link
        return;
    }
    // Updates: the newer side, by the links' own times.
    const int source = SourceSide();
    if (child.IsOrphan()) {
        const int present = child.left != nullptr ? 0 : 1;
        if (source < 0 || present == source) Add(present, child, CopyAction(present));
        return;
    }
    if (IsRealFolder(child.left) || IsRealFolder(child.right)) {
        Skip(child, std::string("a ") + KindName(child.left) + " on the left and a " + KindName(child.right) +
                        " on the right: an update replaces nothing of another kind");
        return;
    }
    if (sides[0].link && sides[1].link && sides[0].text == sides[1].text) return;
    const int order = OwnTimeOrder(sides[0].time, sides[1].time, m_tolerance);
    if (order > 0 && source != 1) Add(0, child, SYNC_COPY_LEFT_TO_RIGHT);
    if (order < 0 && source != 0) Add(1, child, SYNC_COPY_RIGHT_TO_LEFT);
}

// A folder on one side and a file (or link) of the same name on the other:
// never paired, but one name. A mirror replaces the target's entry by the
// source's in one step; an update skips the name.
bool CSyncPreparePage::CollectTwins(CFolderCompareItem& folder, CFolderCompareItem& child,
                                    CFolderCompareItem& twin, platform::CProgressSink* progress,
                                    int& position, bool& stopped, int& rows) {
    CFolderCompareItem& folderItem = child.IsFolderPair() ? child : twin;
    CFolderCompareItem& fileItem = child.IsFolderPair() ? twin : child;
    const int folderSide = folderItem.left != nullptr ? 0 : 1;
    const bool mirror = m_type == SYNC_MIRROR_RIGHT || m_type == SYNC_MIRROR_LEFT;
    (void)folder;
    CFolderCompareItem* items[2] = {folderSide == 0 ? &folderItem : &fileItem,
                                    folderSide == 0 ? &fileItem : &folderItem};
    if (folderItem.Side(folderSide)->IsLink()) {
        // A link to a folder and a file or another link: two entries that are
        // not folders, the one put over the other as a copy replaces a file.
        LEAFSIDE sides[2];
        for (int side = 0; side < 2; ++side)
            if (!ReadLeaf(*items[side]->Side(side), sides[side])) {
                Skip(child,
                     std::string(side == 0 ? "left side: " : "right side: ") + "the link cannot be read");
                return true;
            }
        const int source = SourceSide();
        if (mirror) {
            Add(source, *items[source], CopyAction(source)).replaces = items[1 - source];
            return true;
        }
        if (sides[0].link && sides[1].link && sides[0].text == sides[1].text) return true;
        const int order = OwnTimeOrder(sides[0].time, sides[1].time, m_tolerance);
        if (order > 0 && source != 1) Add(0, *items[0], SYNC_COPY_LEFT_TO_RIGHT).replaces = items[1];
        if (order < 0 && source != 0) Add(1, *items[1], SYNC_COPY_RIGHT_TO_LEFT).replaces = items[0];
        return true;
    }
    if (!mirror) {
        const CFolderItem* left = folderSide == 0 ? folderItem.left : fileItem.left;
        const CFolderItem* right = folderSide == 0 ? fileItem.right : folderItem.right;
        Skip(child, std::string("a ") + KindName(left) + " on the left and a " + KindName(right) +
                        " on the right: an update replaces nothing of another kind");
        return true;
    }
    const int source = SourceSide(), target = 1 - source;
    if (folderSide == source) {
        // The source's folder goes in where the file was, before what is below it.
        const size_t before = lists[source].size();
        rows += Collect(folderItem, progress, position, stopped);
        if (stopped) return false;
        if (lists[source].size() == before) {
            Add(target, fileItem, DeleteAction(target));  // an empty folder is not copied
            return true;
        }
        SYNCENTRY copy;
        copy.item = &folderItem;
        copy.action = CopyAction(source);
        copy.path = folderItem.RelativePath();
        copy.isFolder = true;
        copy.replaces = &fileItem;
        lists[source].insert(lists[source].begin() + static_cast<std::ptrdiff_t>(before), std::move(copy));
        Add(target, fileItem, DeleteAction(target)).replacedBy = &folderItem;
        return true;
    }
    // The source's file or link where the target has a folder.
    if (!AddTargetSubtree(folderItem, target, &fileItem)) {
        rows += Collect(folderItem, progress, position, stopped);
        Skip(fileItem, std::string("the folder on the ") + SideName(target) +
                           " holds entries this comparison does not cover; it is not replaced by a " +
                           KindName(fileItem.Side(source)));
        return !stopped;
    }
    Add(source, fileItem, CopyAction(source)).replaces = &folderItem;
    return true;
}

// Collects below item and returns the rows it walked there; whether every
// row below a one-sided folder went into the list to be deleted decides if
// the folder may be deleted whole.
int CSyncPreparePage::Collect(CFolderCompareItem& item, platform::CProgressSink* progress, int& position,
                              bool& stopped) {
    int rows = 0;
    const bool mirror = m_type == SYNC_MIRROR_RIGHT || m_type == SYNC_MIRROR_LEFT;
    const int deleteSide = m_type == SYNC_MIRROR_RIGHT ? 1 : 0;
    // One-sided children by name, to find a folder and a file of one name.
    std::unordered_map<std::string, CFolderCompareItem*> oneSided[2];  // [is folder]
    for (CFolderCompareItem& child : item.Children())
        if (child.IsOrphan() && !child.IsFilteredOut() && !child.IsHidden())
            oneSided[child.IsFolderPair() ? 1 : 0].emplace(child.GetName(), &child);
    std::unordered_set<const CFolderCompareItem*> done;
    for (int i = 0; i < item.GetChildCount() && !stopped; ++i) {
        CFolderCompareItem& child = *item.Child(i);
        if (progress != nullptr) {
            if (progress->IsCancelled()) {
                stopped = true;
                return rows;
            }
            progress->SetPosition(++position);
        }
        ++rows;
        if (child.IsFilteredOut() || child.IsHidden() || done.count(&child) != 0) continue;
        if (Leftover(child)) continue;
        if (child.IsOrphan()) {
            const auto& others = oneSided[child.IsFolderPair() ? 0 : 1];
            const auto twin = others.find(child.GetName());
            if (twin != others.end() && twin->second->IsOrphan() &&
                (twin->second->left == nullptr) != (child.left == nullptr)) {
                done.insert(twin->second);
                if (!CollectTwins(item, child, *twin->second, progress, position, stopped, rows)) return rows;
                continue;
            }
        }
        if (HasLink(child)) {
            CollectLink(child);
            continue;
        }
        if (child.status == STATUS_ERROR) {
            skipped.push_back({child.RelativePath(), SkipReason(child)});
            continue;
        }
        if (child.IsFolderPair()) {
            const size_t before = lists[deleteSide].size();
            const int below = Collect(child, progress, position, stopped);
            rows += below;
            if (!mirror || stopped || child.Side(deleteSide) == nullptr ||
                child.Side(1 - deleteSide) != nullptr)
                continue;
            // Every row below went into the delete list, and the folder holds
            // nothing the comparison does not show (what a filter excludes):
            // the folder goes too.
            const size_t added = lists[deleteSide].size() - before;
            if (added == static_cast<size_t>(below) && HoldsOnlyItems(child, deleteSide))
                Add(deleteSide, child, DeleteAction(deleteSide));
            continue;
        }
        if (child.status != STATUS_DIFFERENT) continue;
        const int order = child.HasBothSides() ? child.GetTimeOrder(m_tolerance) : 0;
        const bool pair = child.HasBothSides();
        switch (m_type) {
            case SYNC_UPDATE_RIGHT:
                if ((pair && order > 0) || child.IsLeftOnly()) Add(0, child, SYNC_COPY_LEFT_TO_RIGHT);
                break;
            case SYNC_UPDATE_LEFT:
                if ((pair && order < 0) || child.IsRightOnly()) Add(1, child, SYNC_COPY_RIGHT_TO_LEFT);
                break;
            case SYNC_BIDIRECTIONAL:
                if ((pair && order > 0) || child.IsLeftOnly())
                    Add(0, child, SYNC_COPY_LEFT_TO_RIGHT);
                else if ((pair && order < 0) || child.IsRightOnly())
                    Add(1, child, SYNC_COPY_RIGHT_TO_LEFT);
                break;
            case SYNC_MIRROR_RIGHT:
                if (child.IsRightOnly())
                    Add(1, child, SYNC_DELETE_RIGHT);
                else
                    Add(0, child, SYNC_COPY_LEFT_TO_RIGHT);
                break;
            case SYNC_MIRROR_LEFT:
                if (child.IsLeftOnly())
                    Add(0, child, SYNC_DELETE_LEFT);
                else
                    Add(1, child, SYNC_COPY_RIGHT_TO_LEFT);
                break;
            default: break;
        }
    }
    return rows;
}

std::string CSyncPreparePage::ListLabel(int list) const {
    switch (m_type) {
        case SYNC_UPDATE_RIGHT: return list == 0 ? "Copy to Right" : "";
        case SYNC_UPDATE_LEFT: return list == 1 ? "Copy to Left" : "";
        case SYNC_BIDIRECTIONAL: return list == 0 ? "Copy to Right" : "Copy to Left";
        case SYNC_MIRROR_RIGHT: return list == 0 ? "Copy to Right" : "Delete on Right";
        case SYNC_MIRROR_LEFT: return list == 0 ? "Delete on Left" : "Copy to Left";
        default: return "";
    }
}

std::vector<std::string> CSyncPreparePage::SummaryLines() const {
    std::vector<std::string> lines;
    for (int list = 0; list < 2; ++list) {
        const std::string label = ListLabel(list);
        if (label.empty()) continue;
        SYNCCOUNT count;
        for (const SYNCENTRY& entry : lists[list]) ++(entry.isFolder ? count.folders : count.files);
        std::string line = label + ": " + std::to_string(count.files) + " Files";
        if (count.folders > 0) line += ", " + std::to_string(count.folders) + " Folders";
        lines.push_back(std::move(line));
    }
    return lines;
}

SYNCCOUNT CSyncPreparePage::DeleteCount() const {
    SYNCCOUNT count;
    for (const auto& list : lists)
        for (const SYNCENTRY& entry : list)
            if (entry.checked && IsDelete(entry.action)) ++(entry.isFolder ? count.folders : count.files);
    return count;
}

std::string CSyncPreparePage::ConfirmationText() const {
    std::string question = "Synchronize the folders as listed?";
    if (const SYNCCOUNT deletes = DeleteCount(); deletes.Entries() > 0)
        question = deletes.Text() +
                   (useRecycleBin ? " will be moved to the Trash.\n" : " will be deleted.\n") + question;
    return question;
}

int CSyncPreparePage::CheckedCount() const {
    int count = 0;
    for (const auto& list : lists)
        for (const SYNCENTRY& entry : list) count += entry.checked ? 1 : 0;
    return count;
}

uint32_t CSyncProcessPage::ShellFlags(const CSyncPreparePage& prepare) {
    uint32_t flags = platform::FOF_SILENT;
    if (prepare.useRecycleBin) flags |= platform::FOF_ALLOWUNDO;
    if (prepare.noConfirmation) flags |= platform::FOF_NOCONFIRMATION;
    return flags;
}

// What the run has learnt so far that later entries depend on.
struct CSyncProcessPage::RUNSTATE {
    // Copies that failed, and every folder above one: nothing at, above or
    // below such a path is deleted.
    std::unordered_set<std::string> failedCopies;
    std::unordered_map<std::string, std::string> aboveFailedCopies;  // a folder, and a failed copy below it
    // The copies that replace an entry in the way: their result (0, -1).
    std::unordered_map<const CFolderCompareItem*, int> replacements;
    // Whether every delete of what such a copy replaces is checked.
    std::unordered_map<const CFolderCompareItem*, bool> replaceable;

    void CopyFailed(const std::string& path) {
        failedCopies.insert(path);
        for (size_t slash = path.rfind('/'); slash != std::string::npos && slash > 0;
             slash = path.rfind('/', slash - 1))
            aboveFailedCopies.emplace(path.substr(0, slash), path);
    }
    // The failed copy that keeps path, or empty.
    std::string KeptBy(const std::string& path) const {
        if (failedCopies.empty()) return {};
        if (failedCopies.count(path) != 0) return path;
        for (size_t slash = path.rfind('/'); slash != std::string::npos && slash > 0;
             slash = path.rfind('/', slash - 1))
            if (failedCopies.count(path.substr(0, slash)) != 0) return path.substr(0, slash);
        const auto below = aboveFailedCopies.find(path);
        return below != aboveFailedCopies.end() ? below->second : std::string();
    }
};

int CSyncProcessPage::Run(CSyncPreparePage& prepare, const FOLDERCOMPARESETTINGS& settings,
                          const std::atomic<bool>& cancel, CSyncLog& log) {
    m_aborted = false;
    log.Started(prepare.CheckedCount() + static_cast<int>(prepare.leftovers.size()));
    int failures = 0;
    int position = 0;
    // The folders are rolled up once at the end, not after every entry, and
    // synced to disk once each.
    std::unordered_set<CFolderCompareItem*> batch;
    std::vector<CFolderCompareItem*> stale;
    platform::CTouchedFolders touched;
    RUNSTATE state;
    for (const auto& list : prepare.lists)
        for (const SYNCENTRY& entry : list)
            if (entry.replacedBy != nullptr) {
                auto [at, added] = state.replaceable.emplace(entry.replacedBy, true);
                at->second = at->second && entry.checked;
            }
    const auto run = [&](SYNCENTRY& entry) {
        if (cancel) {
            m_aborted = true;
            return false;
        }
        log.SetStatus(SyncActionText(entry.action));
        log.AddLine(platform::EscapeControls(entry.path) + " - " + SyncActionText(entry.action));
        FILEOPCONTEXT context;
        context.settings = &settings;
        context.shellFlags = ShellFlags(prepare);
        context.batch = &batch;
        context.stale = &stale;
        context.touched = &touched;
        context.cancel = &cancel;
        const int result = DoEntry(entry, context, state);
        log.AddLine(result == 0 ? "OK" : "ERROR!");
        if (result != 0) {
            ++failures;
            log.Failed(entry, context.error);
        }
        log.SetPosition(++position);
        return true;
    };
    bool going = true;
    for (SYNCENTRY& entry : prepare.leftovers)
        if (going) going = run(entry);
    // Every copy before any delete: a delete waits for the copies it depends on.
    for (const bool copies : {true, false})
        for (auto& list : prepare.lists)
            for (SYNCENTRY& entry : list)
                if (going && entry.checked && IsCopy(entry.action) == copies) going = run(entry);
    FinishBatch(batch, &stale, &settings);
    if (std::string error; !touched.Sync(error)) {
        ++failures;
        log.RunFailed(error);
    }
    m_status = m_aborted ? kAborted : kFinished;
    return failures;
}

int CSyncProcessPage::DoEntry(SYNCENTRY& entry, FILEOPCONTEXT& context, RUNSTATE& state) {
    CFolderCompareItem& item = *entry.item;
    switch (entry.action) {
        case SYNC_COPY_LEFT_TO_RIGHT:
        case SYNC_COPY_RIGHT_TO_LEFT: {
            const int side = entry.action == SYNC_COPY_LEFT_TO_RIGHT ? 0 : 1;
            int result;
            if (entry.replaces != nullptr) {
                const auto ready = state.replaceable.find(&item);
                if (ready != state.replaceable.end() && !ready->second) {
                    context.error = "the " + std::string(KindName(entry.replaces->Side(1 - side))) +
                                    " on the " + SideName(1 - side) +
                                    " is in the way, and its deletion is not checked";
                    result = -1;
                } else {
                    result = item.ReplaceSide(side, *entry.replaces, context);
                }
                state.replacements[&item] = result;
            } else {
                result = item.CopySide(side, false, context);
            }
            if (result != 0) state.CopyFailed(entry.path);
            return result;
        }
        case SYNC_MOVE_LEFT_TO_RIGHT: return item.MoveSide(0, context);
        case SYNC_MOVE_RIGHT_TO_LEFT: return item.MoveSide(1, context);
        case SYNC_DELETE_BOTH: return item.DeleteSides(3u, context);
        case SYNC_REMOVE_LEFTOVER_LEFT:
        case SYNC_REMOVE_LEFTOVER_RIGHT:
            // Our own partial copy: deleted, never kept in the Trash.
            context.shellFlags &= ~platform::FOF_ALLOWUNDO;
            return item.DeleteSides(entry.action == SYNC_REMOVE_LEFTOVER_LEFT ? 1u : 2u, context);
        default: break;
    }
    const int side = entry.action == SYNC_DELETE_LEFT ? 0 : 1;
    if (entry.replacedBy != nullptr) {
        const auto done = state.replacements.find(entry.replacedBy);
        if (done != state.replacements.end()) {
            if (done->second == 0) return 0;  // gone with the copy that took its place
            context.error = "kept: it is in the way of the copy of '" +
                            platform::EscapeControls(entry.replacedBy->RelativePath()) + "', which failed";
            return -1;
        }
        // That copy was not checked: a delete as any other.
    }
    if (const std::string copy = state.KeptBy(entry.path); !copy.empty()) {
        context.error = "kept: the copy of '" + platform::EscapeControls(copy) + "' failed";
        return -1;
    }
    if (item.Side(side) == nullptr) {
        context.error = "'" + platform::EscapeControls(entry.path) + "' is gone";
        return -1;
    }
    if (entry.isFolder) {
        // A one-sided folder goes only when what was in it is gone: whatever
        // failed to go keeps it, and whatever came since the scan (the
        // delete checks that against what the scan saw).
        for (const CFolderCompareItem& child : item.Children())
            if (child.Side(side) != nullptr) {
                context.error = "'" + platform::EscapeControls(item.Side(side)->GetFullPath()) +
                                "' is not empty: it holds entries that were not deleted";
                return -1;
            }
    }
    return item.DeleteSides(side == 0 ? 1u : 2u, context);
}

}  // namespace corvatine
