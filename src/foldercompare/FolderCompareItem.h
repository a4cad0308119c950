// The result tree of a folder comparison: one item per pair of entries found
// by name on the two sides, its status, and how a folder's status follows
// from its children.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "foldercompare/FileCompare.h"
#include "foldercompare/FolderItem.h"
#include "foldercompare/SlabPool.h"
#include "platform/Progress.h"
#include "request/FilterRecords.h"

namespace corvatine {

enum FolderCompareStatus : uint32_t {
    STATUS_NOT_COMPARED = 0,  // not compared, or undecided
    STATUS_IDENTICAL = 1,
    STATUS_SAME_PATH = 2,  // both sides are the same path
    STATUS_DIFFERENT = 4,
    STATUS_ERROR = 6,  // could not be compared
};

enum FolderCompareItemFlag : uint32_t {
    ITEM_VISIBLE_CONTENT = 0x1,  // the folder pair has visible content (also set on the root)
    ITEM_HIDDEN = 0x10,          // hidden by the user
    ITEM_FILTERED = 0x20,        // filtered out
    ITEM_COMPARED = 0x100,
    ITEM_CHILDREN_BUILT = 0x200,
};

// What the items compare by: the request's methods and filters and the
// method options in force.
struct FOLDERCOMPARESETTINGS {
    uint32_t methods = 0;
    CComboFilters filters;
    FILECOMPAREOPTIONS methodOptions;
};

class CFolderCompareItem;

// What the views are told when a file operation changed the result tree.
// Called on the thread that runs the operation.
class CFolderCompareListener {
public:
    virtual ~CFolderCompareListener() = default;
    virtual void ItemChanged(CFolderCompareItem& /*item*/) {}
    // The item and everything below it changed.
    virtual void SubtreeChanged(CFolderCompareItem& /*item*/) {}
    virtual void ChildAdded(CFolderCompareItem& /*parent*/, CFolderCompareItem& /*child*/) {}
    // The item's row goes; it is deleted right after.
    virtual void RowRemoved(CFolderCompareItem& /*item*/) {}
    // The item's children were paired anew (after a rename).
    virtual void ChildrenRebuilt(CFolderCompareItem& /*item*/) {}
};

// What a file operation on an item needs beside its own arguments, and what
// it leaves behind.
struct FILEOPCONTEXT {
    const FOLDERCOMPARESETTINGS* settings = nullptr;
    uint32_t shellFlags = 0;  // FOF_ALLOWUNDO sends deleted entries to the Trash
    CFolderCompareListener* listener = nullptr;
    std::string error;         // why the last operation failed
    bool itemRemoved = false;  // the item the operation ran on was deleted from the tree
    // When set, the operations leave the folders above the items they change
    // (and the items left without a side) to FinishBatch: many operations on
    // one folder then cost one roll-up, not one each.
    std::unordered_set<CFolderCompareItem*>* batch = nullptr;
    // In a batch: the items whose children are to be paired anew at its end
    // (a link to a folder was copied over one side).
    std::vector<CFolderCompareItem*>* stale = nullptr;
    // The run syncs the folders it changed once at its end; null: each
    // operation syncs its own.
    platform::CTouchedFolders* touched = nullptr;
    const std::atomic<bool>* cancel = nullptr;  // stops a long copy
};

// Ends a batch of operations: drops the items left without a side, rolls up
// every folder that changed and those above it, the deepest first, and lets
// the stale items build their children again when the tree is completed
// (CFolderCompareDoc::CompleteAfterChanges).
void FinishBatch(std::unordered_set<CFolderCompareItem*>& batch,
                 std::vector<CFolderCompareItem*>* stale = nullptr,
                 const FOLDERCOMPARESETTINGS* settings = nullptr);

using CFolderCompareItemPtrArray = std::vector<std::unique_ptr<CFolderCompareItem>>;

// The children of an item in their order, for range-for:
// for (CFolderCompareItem& child : item.Children()).
class CFolderCompareChildren {
public:
    class iterator {
    public:
        explicit iterator(CFolderCompareItemPtrArray::const_iterator at) : m_at(at) {}
        CFolderCompareItem& operator*() const { return **m_at; }
        iterator& operator++() {
            ++m_at;
            return *this;
        }
        bool operator==(const iterator& other) const = default;

    private:
        CFolderCompareItemPtrArray::const_iterator m_at;
    };
    explicit CFolderCompareChildren(const CFolderCompareItemPtrArray* items) : m_items(items) {}
    iterator begin() const { return iterator(m_items != nullptr ? m_items->begin() : Empty().begin()); }
    iterator end() const { return iterator(m_items != nullptr ? m_items->end() : Empty().end()); }

private:
    static const CFolderCompareItemPtrArray& Empty() {
        static const CFolderCompareItemPtrArray none;
        return none;
    }
    const CFolderCompareItemPtrArray* m_items;
};

class CFolderCompareItem {
public:
    // A comparison holds one item per pair: the small fields are narrow and
    // the flags come before the pointers, where they fill the padding.
    uint32_t status = STATUS_NOT_COMPARED;
    uint32_t difference = 0;
    uint8_t rollUp = 1;  // 0, 1 or 4
    int8_t content = CONTENT_NOT_COMPARED;
    uint32_t flags = 0;
    CFolderItem* left = nullptr;  // not owned: the entry trees own them
    CFolderItem* right = nullptr;
    CFolderCompareItem* parent = nullptr;
    std::unique_ptr<CFolderCompareItemPtrArray> children;  // created on first insertion

    CFolderCompareItem(CFolderItem* leftEntry, CFolderItem* rightEntry)
        : left(leftEntry), right(rightEntry) {}
    virtual ~CFolderCompareItem() = default;
    CFolderCompareItem(const CFolderCompareItem&) = delete;
    CFolderCompareItem& operator=(const CFolderCompareItem&) = delete;

    // One item per pair: they come from slabs, without a heap block each.
    static void* operator new(size_t size) { return PoolAllocate(size); }
    static void operator delete(void* block, size_t size) noexcept { PoolFree(block, size); }

    virtual bool IsNotCompared() const { return status == STATUS_NOT_COMPARED; }
    virtual bool IsSamePath() const { return status == STATUS_SAME_PATH; }
    virtual bool IsIdentical() const { return status == STATUS_IDENTICAL; }
    virtual bool IsDifferent() const { return status == STATUS_DIFFERENT; }
    virtual bool IsError() const { return status == STATUS_ERROR; }
    // Every present side is a folder.
    virtual bool IsFolderPair() const;
    virtual bool IsFolder() const { return IsFolderPair(); }
    virtual bool IsFile() const { return !IsFolderPair(); }
    // 2 with children, else the visible-content flag.
    virtual int GetKind() const;
    virtual int GetChildCount() const { return children ? static_cast<int>(children->size()) : 0; }
    virtual bool HasSide(int side) const { return Side(side) != nullptr; }
    virtual bool HasBothSides() const { return left != nullptr && right != nullptr; }
    // Present and not marked not found.
    virtual bool IsSideValid(int side) const;
    virtual bool AreBothValid() const { return IsSideValid(0) && IsSideValid(1); }
    // 1 left newer, -1 right newer, 0 equal within the tolerance (or an orphan).
    virtual int GetTimeOrder(int tolerance) const;
    // For a pair that differs by its times rather than its contents, the
    // newer side as GetTimeOrder gives it; 0 for any other item.
    int NewerSide(int tolerance) const {
        return (difference & DIFFERENCE_TIME) && content != CONTENT_DIFFERENT ? GetTimeOrder(tolerance) : 0;
    }
    // 4 for a folder pair; else the left's content type unless it is text,
    // then the right's; an orphan's one side.
    virtual int GetContentType();
    virtual std::string GetName() const;
    virtual bool IsFilteredOut() const { return (flags & ITEM_FILTERED) != 0; }
    virtual bool IsHidden() const { return (flags & ITEM_HIDDEN) != 0; }
    virtual void RecomputeStatus();
    // Filters the item out and marks both entries excluded: it leaves the roll-up.
    virtual void MarkExcluded();
    virtual void SetHidden(bool hidden);
    // Clears the hidden flag of every descendant.
    virtual void ShowHiddenChildren();
    virtual CFolderCompareItem* AddChild(std::unique_ptr<CFolderCompareItem> child);
    virtual CFolderCompareItem* CreateChild(CFolderItem* leftEntry, CFolderItem* rightEntry);
    virtual int FindChild(const CFolderCompareItem* child) const;
    // Reload: refresh both entries from their paths, compare the item and,
    // for a folder, its children to the depth; then roll up the parents.
    virtual void CompareSubtree(const FOLDERCOMPARESETTINGS& settings, bool force, int depth,
                                platform::CProgressSink* progress);
    // Reload without depth: a folder whose children were built loses them
    // when refresh is asked, to be built again.
    virtual void CompareItem(const FOLDERCOMPARESETTINGS& settings, bool refresh);
    // One step of the recursion: build, filter and compare the children
    // (depth 1), and theirs (depth 2); then roll up this folder. False when
    // cancelled.
    virtual bool CompareChildren(const FOLDERCOMPARESETTINGS& settings, int depth, bool rescan,
                                 platform::CProgressSink* progress);
    // Recomputes this folder's roll-up value and status from its children,
    // then its parents' up to the root.
    virtual void RollUp();
    // The methods of the word on this item (skipped when filtered out: 0).
    virtual uint32_t CompareByMethods(const FOLDERCOMPARESETTINGS& settings);
    // One content method on request (CRC, binary or text); -1 for another.
    virtual int CompareContent(const FOLDERCOMPARESETTINGS& settings, uint32_t method);
    // Rescans both sides one level (rereading the file system).
    virtual void RescanChildren();
    // Deletes the children and pairs the two sides' sorted entries.
    virtual void PairChildren();
    // The order of two entries: folders first, then names.
    virtual int CompareEntries(const CFolderItem& a, const CFolderItem& b) const;
    virtual void ApplyFiltersToChildren(const CComboFilters& filters);
    virtual void FilterChild(CFolderCompareItem& child, const CComboFilters& filters);
    // Compares every child that is not filtered out; false when cancelled.
    virtual bool CompareEachChild(const FOLDERCOMPARESETTINGS& settings, platform::CProgressSink* progress);
    // True when a present side has an entry at the next level that the
    // filter does not exclude. A side's folder that is read records in its
    // readError whether it could be read.
    virtual bool HasVisibleContent(const CComboFilters& filters) const;

    // File operations (0 on success, else -1 with context.error). Copy and
    // move take the source side (0 left, 1 right); the others a mask of
    // sides (1 left, 2 right). Delete, move and rename may delete this item:
    // context.itemRemoved then tells, and the item must not be used again.
    virtual int CopySide(int side, bool emptyFolderOnly, FILEOPCONTEXT& context);
    // Copies side over the entry of another kind that holder has on the other
    // side under this item's name (holder is this item or its twin of the
    // other kind): the copy is made, the entry in the way deleted (to the
    // Trash with FOF_ALLOWUNDO) as the scan saw it, then the copy put in its
    // place. A folder is copied as the folder only. Nothing changes when the
    // copy or the delete fails.
    virtual int ReplaceSide(int side, CFolderCompareItem& holder, FILEOPCONTEXT& context);
    virtual int MoveSide(int side, FILEOPCONTEXT& context);
    virtual int DeleteSides(uint32_t mask, FILEOPCONTEXT& context);
    virtual int RenameSides(uint32_t mask, const std::string& newName, FILEOPCONTEXT& context);
    // The time of the other side with fromOtherSide, else time (UTC).
    virtual int SetTime(int side, bool fromOtherSide, FILETIME time, FILEOPCONTEXT& context);
    // Each side's new word is (old AND NOT clear) OR set.
    virtual int SetAttributes(uint32_t mask, uint32_t clear, uint32_t set, FILEOPCONTEXT& context);
    // Creates the folder name in this folder's sides.
    virtual int CreateFolder(uint32_t mask, const std::string& name, FILEOPCONTEXT& context);
    // One content method (METHOD_CRC, METHOD_BINARY or METHOD_TEXT) on a file
    // pair, or on every pair below a folder.
    virtual int RecompareContents(uint32_t method, FILEOPCONTEXT& context);
    // The tree after side was copied to the other side (with the folder's
    // contents unless emptyFolderOnly).
    virtual void UpdateAfterCopy(int side, bool withContents, FILEOPCONTEXT& context);
    virtual void UpdateAfterMove(int side, FILEOPCONTEXT& context);
    // The copy of side becomes the other side of this item and, with the
    // contents, of every item below; copy is the entry already there (null:
    // a new one is made). The parents are left as they are.
    void AttachCopy(int side, bool withContents, const FOLDERCOMPARESETTINGS& settings, CFolderItem* copy);
    // The tree after the sides of the mask were deleted; may delete this item.
    virtual void UpdateAfterDelete(uint32_t mask, FILEOPCONTEXT& context);

    // Recomputes this folder's roll-up value and status from its children,
    // leaving the parents as they are.
    void RollUpOne();
    // After a side's time or attributes changed: the item compared again by
    // the methods (a folder keeps its children), the parents rolled up.
    void CompareAgain(FILEOPCONTEXT& context);

    CFolderItem* Side(int side) const { return side == 0 ? left : right; }
    void SetSide(int side, CFolderItem* entry) { (side == 0 ? left : right) = entry; }
    CFolderCompareItem* Child(int index) const { return (*children)[static_cast<size_t>(index)].get(); }
    CFolderCompareChildren Children() const { return CFolderCompareChildren(children.get()); }
    // A folder pair whose level is not read yet: it may hold anything.
    bool AwaitsLevel() const {
        return IsFolderPair() && (flags & ITEM_CHILDREN_BUILT) == 0 && GetChildCount() == 0 && GetKind() != 0;
    }
    bool IsOrphan() const { return (left == nullptr) != (right == nullptr); }
    bool IsLeftOnly() const { return left != nullptr && right == nullptr; }
    bool IsRightOnly() const { return left == nullptr && right != nullptr; }
    // The path below the root: the names of the item and its ancestors but the root.
    std::string RelativePath() const;
    // The first present side that could not be read (a folder's listing, a
    // file's content; its readError tells why), or null.
    CFolderItem* UnreadableSide() const;
    // Why an operation on the sides of mask (1 left, 2 right) is refused: a
    // side (or, for a side without an entry, the folder that would hold it)
    // lies inside an archive. Empty when none does.
    std::string ArchiveRefusal(uint32_t mask) const;
    // Whether both sides name one file-system entry: equal paths, or the
    // same device and inode.
    bool SidesAreSamePath() const;

private:
    struct COMPARERUN;
    // CompareChildren within one run: sidesRead when this pair's folders were
    // just read by its parent's step; the parents are rolled up only with
    // rollUpParents (a subtree compared beside its siblings leaves that to
    // the parent).
    bool CompareLevel(const FOLDERCOMPARESETTINGS& settings, int depth, bool rescan, bool sidesRead,
                      bool rollUpParents, platform::CProgressSink* progress, COMPARERUN& run);
    // CompareByMethods; with readSides a folder pair's folders are read here
    // for the level below, and that one listing also tells its visible
    // content.
    uint32_t CompareByMethodsReading(const FOLDERCOMPARESETTINGS& settings, bool readSides);
    bool ReadSidesForVisibleContent(const CComboFilters& filters);
    bool CompareEachChildReading(const FOLDERCOMPARESETTINGS& settings, platform::CProgressSink* progress,
                                 bool readFolders);
    // Ends the roll-up at this item, or goes on to the parents.
    void RollUpFrom(bool parents) {
        if (parents)
            RollUp();
        else
            RollUpOne();
    }
};

// Whether the display classification shows an item under the display filter
// word: identical, different (and, one-sided or not, could not be compared),
// left-newer, right-newer, left-only and right-only by their bits; a folder
// when something in it is shown, or it was not compared yet, or (empty) by
// its own class.
bool IsClassShown(const CFolderCompareItem& item, uint32_t displayFilter, int tolerance);
// Whether a row is shown: with the show-filtered switch every row; else not
// when hidden or filtered out, and otherwise by its class.
bool IsRowShown(const CFolderCompareItem& item, uint32_t displayFilter, bool showFiltered, int tolerance);

}  // namespace corvatine
