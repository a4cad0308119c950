// The file operations on result items: each changes the file system through
// the entries' operations, then brings the entries and the result tree up to
// date so that they agree with a fresh scan without one.
#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "foldercompare/ArchiveEntries.h"
#include "foldercompare/FolderCompareItem.h"
#include "platform/FileAttributes.h"
#include "request/CompareMethods.h"

namespace corvatine {

namespace {

const char* SideName(int side) { return side == 0 ? "left" : "right"; }

CFolder* AsFolder(CFolderItem* entry) {
    return entry != nullptr && entry->IsFolder() ? static_cast<CFolder*>(entry) : nullptr;
}

// Reads the entry's information again from the file system, keeping its
// children and its filter state: what a fresh scan would find there now.
void Reread(CFolderItem* entry) {
    if (entry == nullptr) return;
    platform::FINDDATA data;
    if (entry->IsDriveRoot()) return;
    if (platform::FindEntry(entry->GetFullPath(), data)) {
        entry->FillFromFindData(data);
        entry->state &= ~FILE_STATE_NOT_FOUND;
    } else {
        entry->state |= FILE_STATE_NOT_FOUND;
    }
}

void ClearSideBelow(CFolderCompareItem& item, int side) {
    item.SetSide(side, nullptr);
    for (CFolderCompareItem& child : item.Children()) ClearSideBelow(child, side);
}

// Deletes every descendant that has no side left.
void PruneEmpty(CFolderCompareItem& item) {
    if (!item.children) return;
    auto& list = *item.children;
    list.erase(std::remove_if(list.begin(), list.end(),
                              [](const std::unique_ptr<CFolderCompareItem>& child) {
                                  return child->left == nullptr && child->right == nullptr;
                              }),
               list.end());
    for (auto& child : list) PruneEmpty(*child);
}

// An item that lost a side: what it and everything below it are now, as a
// fresh comparison finds one-sided entries.
void RecomputeOneSided(CFolderCompareItem& item) {
    for (CFolderCompareItem& child : item.Children()) RecomputeOneSided(child);
    if (item.IsFilteredOut()) return;
    item.difference = 0;
    if (item.content != CONTENT_ERROR) item.content = CONTENT_NOT_COMPARED;
    if (item.GetChildCount() > 0)
        item.RollUpOne();
    else
        item.RecomputeStatus();
}

// Whether a side mask (1 left, 2 right) names the side.
bool InMask(uint32_t mask, int side) { return (mask & (side == 0 ? 1u : 2u)) != 0; }

int Fail(FILEOPCONTEXT& context, const std::string& error) {
    context.error = error;
    return -1;
}

// The row beside item whose target side holds an entry of item's name (of
// another kind, so paired apart); null when there is none.
const CFolderItem* OtherKindInTheWay(const CFolderCompareItem& item, int target) {
    if (item.Side(target) != nullptr || item.parent == nullptr || !item.parent->children) return nullptr;
    for (const auto& sibling : *item.parent->children) {
        const CFolderItem* entry = sibling->Side(target);
        if (sibling.get() != &item && entry != nullptr && entry->GetName() == item.GetName()) return entry;
    }
    return nullptr;
}

// The refusal of a copy or move onto an entry of another kind: only
// synchronisation replaces one, as one step with its checks.
int RefuseOtherKind(FILEOPCONTEXT& context, const CFolderItem& entry, int target) {
    const char* kind = entry.IsLink() ? "a link" : entry.IsFolder() ? "a folder" : "a file";
    return Fail(context, std::string(kind) + " of that name is on the " + SideName(target) +
                             " side; nothing was changed");
}

ENTRYOPEXTRAS Extras(const FILEOPCONTEXT& context) {
    ENTRYOPEXTRAS extras;
    extras.touched = context.touched;
    extras.cancel = context.cancel;
    return extras;
}

// What the scan saw inside an entry that is a real folder (not a link to one).
std::unique_ptr<platform::CScannedFolder> ScannedInside(const CFolderItem* entry) {
    if (entry == nullptr || !entry->IsFolder() || entry->IsLink()) return nullptr;
    return ScannedContents(*static_cast<const CFolder*>(entry));
}

// The parents of an item that changed: rolled up now, or at the end of the
// batch.
void RollUpAbove(CFolderCompareItem& item, FILEOPCONTEXT& context) {
    if (item.parent == nullptr) return;
    if (context.batch != nullptr)
        context.batch->insert(item.parent);
    else
        item.parent->RollUp();
}

}  // namespace

void FinishBatch(std::unordered_set<CFolderCompareItem*>& batch, std::vector<CFolderCompareItem*>* stale,
                 const FOLDERCOMPARESETTINGS* settings) {
    // A link copied over a side leads somewhere else now: what is below it
    // is paired again from the entries (the new one was read when it was made).
    if (stale != nullptr) {
        for (CFolderCompareItem* item : *stale) {
            item->children.reset();
            item->flags &= ~ITEM_CHILDREN_BUILT;
            if (settings != nullptr) item->CompareByMethods(*settings);
            batch.insert(item);
        }
        stale->clear();
    }
    // The folders that changed and every folder above them, the deepest first.
    std::unordered_set<CFolderCompareItem*> seen;
    std::vector<std::pair<int, CFolderCompareItem*>> folders;
    for (CFolderCompareItem* item : batch)
        for (CFolderCompareItem* up = item; up != nullptr && seen.insert(up).second; up = up->parent) {
            int depth = 0;
            for (const CFolderCompareItem* p = up->parent; p != nullptr; p = p->parent) ++depth;
            folders.emplace_back(depth, up);
        }
    std::sort(folders.begin(), folders.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    for (const auto& [depth, folder] : folders) {
        if (folder->children) {
            auto& list = *folder->children;
            list.erase(std::remove_if(list.begin(), list.end(),
                                      [](const std::unique_ptr<CFolderCompareItem>& child) {
                                          return child->left == nullptr && child->right == nullptr;
                                      }),
                       list.end());
        }
        folder->RollUpOne();
    }
    batch.clear();
}

std::string CFolderCompareItem::ArchiveRefusal(uint32_t mask) const {
    for (int side = 0; side < 2; ++side) {
        if (!(mask & (1u << side))) continue;
        for (const CFolderCompareItem* at = this; at != nullptr; at = at->parent) {
            const CFolderItem* entry = at->Side(side);
            if (entry == nullptr) continue;
            if (LiesInArchive(*entry)) return ArchiveReadOnlyMessage(entry->GetFullPath());
            break;
        }
    }
    return std::string();
}

namespace {

// True, with the message in context, when a side the operation would touch
// lies inside an archive: archives are read, never written.
bool RefusedInArchive(const CFolderCompareItem& item, uint32_t mask, FILEOPCONTEXT& context) {
    context.error = item.ArchiveRefusal(mask);
    return !context.error.empty();
}

}  // namespace

int CFolderCompareItem::CopySide(int side, bool emptyFolderOnly, FILEOPCONTEXT& context) {
    if (RefusedInArchive(*this, 3, context)) return -1;
    context.itemRemoved = false;
    const int target = 1 - side;
    CFolderItem* source = Side(side);
    if (source == nullptr || !source->Exists())
        return Fail(context, "'" + GetName() + "': nothing on the " + SideName(side) + " side to copy");
    if (parent == nullptr) return Fail(context, "the compared folders themselves are not copied");
    if (const CFolderItem* other = OtherKindInTheWay(*this, target))
        return RefuseOtherKind(context, *other, target);
    if (parent->Side(target) == nullptr && parent->CopySide(side, true, context) != 0) return -1;
    CFolder* folder = AsFolder(parent->Side(target));
    if (folder == nullptr)
        return Fail(context, "'" + parent->Side(target)->GetFullPath() + "' is not a folder");
    if (source->IsFolder() && emptyFolderOnly) {
        if (Side(target) != nullptr) return 0;
        if (folder->CreateSubfolder(source->GetName(), context.error) < 0) return -1;
    } else if (source->CopyToFolder(folder->GetTreePath(), context.shellFlags, false, Side(target),
                                    context.error, Extras(context)) != 0) {
        return -1;
    }
    UpdateAfterCopy(side, !(source->IsFolder() && emptyFolderOnly), context);
    return 0;
}

int CFolderCompareItem::ReplaceSide(int side, CFolderCompareItem& holder, FILEOPCONTEXT& context) {
    if (RefusedInArchive(*this, 3, context) || RefusedInArchive(holder, 3, context)) return -1;
    context.itemRemoved = false;
    const int target = 1 - side;
    CFolderItem* source = Side(side);
    CFolderItem* old = holder.Side(target);
    if (source == nullptr || !source->Exists())
        return Fail(context, "'" + GetName() + "': nothing on the " + SideName(side) + " side to copy");
    const bool folderOnly = source->IsFolder() && !source->IsLink();
    if (old == nullptr) return CopySide(side, folderOnly, context);  // nothing in the way any more
    if (parent == nullptr || holder.parent != parent || old->GetName() != source->GetName())
        return Fail(context, "'" + GetName() + "': what it would replace is not in its place");
    CFolder* folder = AsFolder(parent->Side(target));
    if (folder == nullptr) return Fail(context, "'" + GetName() + "': no folder on the " + SideName(target));
    const std::unique_ptr<platform::CScannedFolder> inside = ScannedInside(old);
    ENTRYOPEXTRAS extras = Extras(context);
    extras.replaceOtherKind = true;
    extras.replacedBelow = inside.get();
    if (source->CopyToFolder(folder->GetTreePath(), context.shellFlags, folderOnly, old, context.error,
                             extras) != 0)
        return -1;
    // The entry in the way is gone with what was below it; then the copy
    // takes its place in the tree as a copy into an empty place does.
    const std::string error = context.error;
    holder.UpdateAfterDelete(target == 0 ? 1u : 2u, context);
    context.itemRemoved = false;  // this item keeps its source side
    UpdateAfterCopy(side, !folderOnly, context);
    context.error = error;
    return 0;
}

int CFolderCompareItem::MoveSide(int side, FILEOPCONTEXT& context) {
    if (RefusedInArchive(*this, 3, context)) return -1;
    context.itemRemoved = false;
    const int target = 1 - side;
    CFolderItem* source = Side(side);
    if (source == nullptr || !source->Exists())
        return Fail(context, "'" + GetName() + "': nothing on the " + SideName(side) + " side to move");
    if (parent == nullptr) return Fail(context, "the compared folders themselves are not moved");
    if (const CFolderItem* other = OtherKindInTheWay(*this, target))
        return RefuseOtherKind(context, *other, target);
    if (parent->Side(target) == nullptr && parent->CopySide(side, true, context) != 0) return -1;
    CFolder* folder = AsFolder(parent->Side(target));
    if (folder == nullptr)
        return Fail(context, "'" + parent->Side(target)->GetFullPath() + "' is not a folder");
    if (source->MoveToFolder(folder->GetTreePath(), context.shellFlags, Side(target), context.error,
                             Extras(context)) != 0)
        return -1;
    UpdateAfterMove(side, context);
    return 0;
}

void CFolderCompareItem::UpdateAfterCopy(int side, bool withContents, FILEOPCONTEXT& context) {
    CFolder* folder = AsFolder(parent->Side(1 - side));
    // A link was copied as a link: what is below it on the other side is
    // whatever it leads to there, read when the children are paired anew.
    const bool linkedFolder = Side(side)->IsLink() && Side(side)->IsFolder();
    // Every entry of a folder whose items are built belongs to an item, so
    // an item without a side here has no entry for it yet.
    AttachCopy(side, withContents && !linkedFolder, *context.settings, Side(1 - side));
    if (linkedFolder) {
        if (context.stale != nullptr) {
            context.stale->push_back(this);
        } else {
            children.reset();
            flags &= ~ITEM_CHILDREN_BUILT;
            CompareByMethods(*context.settings);
        }
    }
    Reread(folder);  // its time changed with the new entry
    RollUpAbove(*this, context);
    if (context.listener != nullptr) {
        if (withContents && IsFolderPair())
            context.listener->SubtreeChanged(*this);
        else
            context.listener->ItemChanged(*this);
    }
}

void CFolderCompareItem::AttachCopy(int side, bool withContents, const FOLDERCOMPARESETTINGS& settings,
                                    CFolderItem* copy) {
    const int target = 1 - side;
    CFolderItem* source = Side(side);
    if (copy == nullptr) {
        copy = AsFolder(parent->Side(target))->AddChild(source->Clone());
        Reread(copy);
        // A new folder is read from its path: it holds what was copied.
        if (CFolder* created = AsFolder(copy)) created->Scan(false);
    } else {
        Reread(copy);
    }
    SetSide(target, copy);
    if (withContents && source->IsFolder()) {
        // The copy's entries by name, looked up once for all the children.
        std::unordered_map<std::string, CFolderItem*> entries;
        if (const CFolderItems* list = AsFolder(copy)->Children())
            for (int i = 0; i < list->GetCount(); ++i) entries.emplace((*list)[i]->path.str(), (*list)[i]);
        for (CFolderCompareItem& child : Children()) {
            const CFolderItem* from = child.Side(side);
            if (from == nullptr) continue;
            const auto found = entries.find(from->path.str());
            child.AttachCopy(side, true, settings, found != entries.end() ? found->second : nullptr);
        }
    }
    if (IsFilteredOut()) return;
    difference = 0;
    if (IsFolderPair()) {
        content = CONTENT_NOT_COMPARED;
        if (GetChildCount() > 0)
            RollUpOne();
        else
            CompareByMethods(settings);
    } else {
        content = CONTENT_EQUAL;
        RecomputeStatus();
    }
}

void CFolderCompareItem::UpdateAfterMove(int side, FILEOPCONTEXT& context) {
    UpdateAfterCopy(side, true, context);
    UpdateAfterDelete(side == 0 ? 1u : 2u, context);
}

int CFolderCompareItem::DeleteSides(uint32_t mask, FILEOPCONTEXT& context) {
    if (RefusedInArchive(*this, mask, context)) return -1;
    context.itemRemoved = false;
    if (parent == nullptr) return Fail(context, "the compared folders themselves are not deleted");
    uint32_t deleted = 0;
    bool failed = false;
    std::string error;
    for (int side = 0; side < 2; ++side) {
        if (!InMask(mask, side) || Side(side) == nullptr) continue;
        // What the scan saw inside a folder is all that may go.
        const std::unique_ptr<platform::CScannedFolder> inside = ScannedInside(Side(side));
        ENTRYOPEXTRAS extras = Extras(context);
        extras.below = inside.get();
        if (Side(side)->Delete(context.shellFlags, error, extras) == 0)
            deleted |= side == 0 ? 1u : 2u;
        else
            failed = true;
    }
    if (deleted == 0 && !failed) return Fail(context, "'" + GetName() + "': nothing on the side to delete");
    if (deleted != 0) UpdateAfterDelete(deleted, context);
    // One side deleted and the other not is no success.
    return failed ? Fail(context, error) : 0;
}

void CFolderCompareItem::UpdateAfterDelete(uint32_t mask, FILEOPCONTEXT& context) {
    // The views are told while the row still shows what it was.
    const bool goes = (left == nullptr || InMask(mask, 0)) && (right == nullptr || InMask(mask, 1));
    if (goes && context.listener != nullptr) context.listener->RowRemoved(*this);
    for (int side = 0; side < 2; ++side) {
        CFolderItem* entry = Side(side);
        if (!InMask(mask, side) || entry == nullptr) continue;
        CFolder* folder = entry->GetParentFolder();
        ClearSideBelow(*this, side);
        entry->Detach();  // the entry and its children go
        Reread(folder);
    }
    // In a batch the items without a side stay until it ends, so that no
    // item the batch holds goes before it.
    if (context.batch == nullptr) PruneEmpty(*this);
    CFolderCompareItem* up = parent;
    if (left != nullptr || right != nullptr) {
        RecomputeOneSided(*this);
        RollUpAbove(*this, context);
        if (context.listener != nullptr) context.listener->SubtreeChanged(*this);
        return;
    }
    context.itemRemoved = true;
    if (context.batch != nullptr) {
        context.batch->insert(up);
        return;
    }
    const int index = up->FindChild(this);
    up->children->erase(up->children->begin() + index);  // deletes this item
    up->RollUp();
}

int CFolderCompareItem::RenameSides(uint32_t mask, const std::string& newName, FILEOPCONTEXT& context) {
    if (RefusedInArchive(*this, mask, context)) return -1;
    context.itemRemoved = false;
    if (parent == nullptr) return Fail(context, "the compared folders themselves are not renamed");
    uint32_t renamed = 0;
    bool failed = false;
    std::string error;
    for (int side = 0; side < 2; ++side) {
        if (!InMask(mask, side) || Side(side) == nullptr) continue;
        if (Side(side)->Rename(newName, error) == 0) {
            renamed |= side == 0 ? 1u : 2u;
            Reread(Side(side)->GetParentFolder());
        } else {
            failed = true;
        }
    }
    if (renamed == 0 && !failed) return Fail(context, "'" + GetName() + "': nothing on the side to rename");
    if (renamed == 0) return Fail(context, error);
    CFolderCompareItem* up = parent;
    if (HasBothSides() && renamed == 3) {
        // Still one pair: it takes its new place among its siblings, and the
        // filters judge the new name.
        FilterChild(*this, context.settings->filters);
        if (!IsFilteredOut()) CompareByMethods(*context.settings);
        std::stable_sort(up->children->begin(), up->children->end(), [this](const auto& a, const auto& b) {
            const CFolderItem* x = a->left != nullptr ? a->left : a->right;
            const CFolderItem* y = b->left != nullptr ? b->left : b->right;
            return CompareEntries(*x, *y) < 0;
        });
        up->RollUp();
        if (context.listener != nullptr) context.listener->ItemChanged(*this);
    } else {
        // The renamed side may now pair with another entry: the folder's
        // children are paired anew from the entries (nothing is read again
        // but what was never read).
        context.itemRemoved = true;
        up->children.reset();
        up->flags &= ~ITEM_CHILDREN_BUILT;
        up->CompareChildren(*context.settings, 2, false, nullptr);
        if (context.listener != nullptr) context.listener->ChildrenRebuilt(*up);
    }
    return failed ? Fail(context, error) : 0;
}

int CFolderCompareItem::SetTime(int side, bool fromOtherSide, FILETIME time, FILEOPCONTEXT& context) {
    if (RefusedInArchive(*this, 1u << side, context)) return -1;
    context.itemRemoved = false;
    CFolderItem* entry = Side(side);
    if (entry == nullptr)
        return Fail(context, "'" + GetName() + "': nothing on the " + SideName(side) + " side");
    if (fromOtherSide) {
        const CFolderItem* other = Side(1 - side);
        if (other == nullptr)
            return Fail(context, "'" + GetName() + "': nothing on the " + SideName(1 - side) +
                                     " side to take the time from");
        time = other->lastWriteTime;
    }
    if (entry->SetLastWriteTime(time, context.error) != 0) return -1;
    Reread(entry);
    CompareAgain(context);
    return 0;
}

int CFolderCompareItem::SetAttributes(uint32_t mask, uint32_t clear, uint32_t set, FILEOPCONTEXT& context) {
    if (RefusedInArchive(*this, mask, context)) return -1;
    context.itemRemoved = false;
    bool changed = false;
    std::string error;
    for (int side = 0; side < 2; ++side) {
        CFolderItem* entry = Side(side);
        if (!InMask(mask, side) || entry == nullptr) continue;
        const uint32_t word = (entry->attributes & ~clear) | set;
        if (word == entry->attributes) {
            error = "'" + entry->GetFullPath() + "': the attributes are already so";
            continue;
        }
        if (entry->SetAttributes(word, error) == 0) {
            changed = true;
            Reread(entry);
        }
    }
    if (!changed) return Fail(context, error.empty() ? "'" + GetName() + "': nothing on the side" : error);
    CompareAgain(context);
    return 0;
}

void CFolderCompareItem::CompareAgain(FILEOPCONTEXT& context) {
    if (!IsFilteredOut()) {
        const bool built = (flags & ITEM_CHILDREN_BUILT) != 0;
        CompareByMethods(*context.settings);
        // A folder keeps the children it has: its status comes from them.
        if (IsFolderPair() && built && GetChildCount() > 0) {
            flags |= ITEM_CHILDREN_BUILT;
            RollUpOne();
        }
    }
    if (parent != nullptr) parent->RollUp();
    if (context.listener != nullptr) context.listener->ItemChanged(*this);
}

int CFolderCompareItem::CreateFolder(uint32_t mask, const std::string& name, FILEOPCONTEXT& context) {
    if (RefusedInArchive(*this, mask, context)) return -1;
    context.itemRemoved = false;
    if (!IsFolderPair()) return Fail(context, "'" + GetName() + "' is not a folder");
    CFolderItem* created[2] = {nullptr, nullptr};
    std::string error;
    for (int side = 0; side < 2; ++side) {
        CFolder* folder = AsFolder(Side(side));
        if (!InMask(mask, side) || folder == nullptr) continue;
        const int result = folder->CreateSubfolder(name, error);
        if (result == 1)
            error = "'" + platform::TREEPATH{folder->GetFullPath(), name}.FullPath() + "' exists";
        if (result != 0) continue;
        auto entry = std::make_unique<CFolder>();
        entry->path = name;
        entry->kind = 1;
        entry->attributes = FILE_ATTRIBUTE_DIRECTORY;
        CFolder* added = static_cast<CFolder*>(folder->AddChild(std::move(entry)));
        Reread(added);
        added->Scan(false);
        Reread(folder);
        created[side] = added;
    }
    if (created[0] == nullptr && created[1] == nullptr)
        return Fail(context, error.empty() ? "no folder to create '" + name + "' in" : error);
    // A folder of that name on the other side pairs with the new one.
    CFolderCompareItem* item = nullptr;
    for (CFolderCompareItem& child : Children()) {
        for (int side = 0; side < 2; ++side) {
            const CFolderItem* other = child.Side(1 - side);
            if (created[side] != nullptr && created[1 - side] == nullptr && child.Side(side) == nullptr &&
                other != nullptr && other->IsFolder() && other->path == name) {
                item = &child;
                item->SetSide(side, created[side]);
            }
        }
        if (item != nullptr) break;
    }
    if (item == nullptr) {
        auto child = std::make_unique<CFolderCompareItem>(created[0], created[1]);
        const CFolderItem* entry = created[0] != nullptr ? created[0] : created[1];
        if (!children) children = std::make_unique<CFolderCompareItemPtrArray>();
        auto at = std::find_if(children->begin(), children->end(), [&](const auto& sibling) {
            const CFolderItem* other = sibling->left != nullptr ? sibling->left : sibling->right;
            return CompareEntries(*entry, *other) < 0;
        });
        child->parent = this;
        item = children->insert(at, std::move(child))->get();
    }
    FilterChild(*item, context.settings->filters);
    if (!item->IsFilteredOut()) item->CompareByMethods(*context.settings);
    RollUp();
    if (context.listener != nullptr) context.listener->ChildAdded(*this, *item);
    return 0;
}

int CFolderCompareItem::RecompareContents(uint32_t method, FILEOPCONTEXT& context) {
    context.itemRemoved = false;
    if (method != METHOD_CRC && method != METHOD_BINARY && method != METHOD_TEXT)
        return Fail(context, "not a content method");
    if (IsFolderPair()) {
        for (CFolderCompareItem& child : Children()) {
            if (child.IsFilteredOut() || (!child.IsFolderPair() && !child.AreBothValid())) continue;
            child.RecompareContents(method, context);
        }
        if (GetChildCount() > 0) RollUpOne();
        if (parent != nullptr) parent->RollUp();
        if (context.listener != nullptr) context.listener->SubtreeChanged(*this);
        return 0;
    }
    if (!AreBothValid()) return Fail(context, "'" + GetName() + "' has no other side to compare with");
    if (CompareContent(*context.settings, method) < 0)
        return Fail(context, "'" + GetName() + "' was not compared");
    if (context.listener != nullptr) context.listener->ItemChanged(*this);
    return 0;
}

}  // namespace corvatine
