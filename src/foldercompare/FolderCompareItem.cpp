#include "foldercompare/FolderCompareItem.h"

#include <algorithm>
#include <atomic>
#include <functional>

#include "foldercompare/Filters.h"
#include "foldercompare/TreeWorkers.h"
#include "platform/Path.h"

namespace corvatine {

namespace {

CFolder* AsFolder(CFolderItem* entry) {
    return entry != nullptr && entry->IsFolder() ? static_cast<CFolder*>(entry) : nullptr;
}

}  // namespace

bool CFolderCompareItem::IsFolderPair() const {
    if (left == nullptr && right == nullptr) return false;
    return (left == nullptr || left->IsFolder()) && (right == nullptr || right->IsFolder());
}

int CFolderCompareItem::GetKind() const {
    if (GetChildCount() > 0) return 2;
    return (flags & ITEM_VISIBLE_CONTENT) ? 1 : 0;
}

bool CFolderCompareItem::IsSideValid(int side) const {
    const CFolderItem* entry = Side(side);
    return entry != nullptr && entry->Exists();
}

int CFolderCompareItem::GetTimeOrder(int tolerance) const {
    if (!HasBothSides()) return 0;
    return CompareLastWriteTimes(*left, *right, tolerance);
}

int CFolderCompareItem::GetContentType() {
    if (IsFolderPair()) return 4;
    if (left == nullptr) return right->GetContentType();
    const int type = left->GetContentType();
    if (type != FILE_CONTENT_TEXT || right == nullptr) return type;
    return right->GetContentType();
}

std::string CFolderCompareItem::GetName() const {
    if (left != nullptr) return left->GetName();
    return right != nullptr ? right->GetName() : std::string();
}

void CFolderCompareItem::RecomputeStatus() {
    if (HasBothSides()) {
        if (status == STATUS_SAME_PATH) return;
        if (rollUp == 0)
            status = STATUS_NOT_COMPARED;
        else if (content != CONTENT_NOT_COMPARED)
            status = static_cast<uint32_t>(content);
        else if (rollUp == 1)
            status = difference == 0 || IsFolderPair() ? STATUS_IDENTICAL : STATUS_DIFFERENT;
        else
            status = rollUp;
        return;
    }
    // A one-sided entry that could not be read is told as such, not as
    // one-sided content.
    if (content == CONTENT_ERROR) {
        status = STATUS_ERROR;
        return;
    }
    content = CONTENT_NOT_COMPARED;
    status = rollUp != 0 ? STATUS_DIFFERENT : STATUS_NOT_COMPARED;
}

void CFolderCompareItem::MarkExcluded() {
    flags |= ITEM_FILTERED;
    for (CFolderItem* entry : {left, right})
        if (entry != nullptr) entry->state |= FILE_STATE_EXCLUDED;
    if (parent != nullptr) parent->RollUp();
}

void CFolderCompareItem::SetHidden(bool hidden) {
    if (hidden)
        flags |= ITEM_HIDDEN;
    else
        flags &= ~ITEM_HIDDEN;
}

void CFolderCompareItem::ShowHiddenChildren() {
    for (CFolderCompareItem& child : Children()) {
        child.SetHidden(false);
        child.ShowHiddenChildren();
    }
}

CFolderCompareItem* CFolderCompareItem::AddChild(std::unique_ptr<CFolderCompareItem> child) {
    if (!children) children = std::make_unique<CFolderCompareItemPtrArray>();
    child->parent = this;
    children->push_back(std::move(child));
    return children->back().get();
}

CFolderCompareItem* CFolderCompareItem::CreateChild(CFolderItem* leftEntry, CFolderItem* rightEntry) {
    return AddChild(std::make_unique<CFolderCompareItem>(leftEntry, rightEntry));
}

int CFolderCompareItem::FindChild(const CFolderCompareItem* child) const {
    for (int i = 0; i < GetChildCount(); ++i)
        if (Child(i) == child) return i;
    return -1;
}

void CFolderCompareItem::CompareSubtree(const FOLDERCOMPARESETTINGS& settings, bool force, int depth,
                                        platform::CProgressSink* progress) {
    if (force) flags &= ~ITEM_COMPARED;
    for (CFolderItem* entry : {left, right})
        if (entry != nullptr) entry->Refresh();
    CompareByMethods(settings);
    if (IsFolderPair()) {
        flags &= ~ITEM_CHILDREN_BUILT;
        CompareChildren(settings, depth, true, progress);
    }
    if (parent != nullptr) parent->RollUp();
}

void CFolderCompareItem::CompareItem(const FOLDERCOMPARESETTINGS& settings, bool refresh) {
    if (refresh) {
        for (CFolderItem* entry : {left, right})
            if (entry != nullptr) entry->Refresh();
        // Even a folder without children: what it holds now is built anew.
        if (IsFolderPair()) {
            children.reset();
            flags &= ~ITEM_CHILDREN_BUILT;
        }
    }
    CompareByMethods(settings);
    if (parent != nullptr) parent->RollUp();
}

// What one comparison of a tree shares between the threads that compare its
// subtrees: the caller's progress, which only the caller's thread reports
// to, and whether it was cancelled, which every thread tests.
struct CFolderCompareItem::COMPARERUN {
    // Forwards to the caller's progress and remembers a cancel for the others.
    class COwnerSink : public platform::CProgressSink {
    public:
        COwnerSink(platform::CProgressSink& inner, std::atomic<bool>& cancelled)
            : m_inner(inner), m_cancelled(cancelled) {}
        void Start(int first, int last, const std::string& text) override {
            m_inner.Start(first, last, text);
        }
        void Step() override { m_inner.Step(); }
        void SetPosition(int position) override { m_inner.SetPosition(position); }
        void Close() override { m_inner.Close(); }
        bool IsCancelled() const override {
            if (m_inner.IsCancelled()) m_cancelled = true;
            return m_cancelled;
        }

    private:
        platform::CProgressSink& m_inner;
        std::atomic<bool>& m_cancelled;
    };
    // What a helper thread reports to: nothing, but it stops on a cancel.
    class CHelperSink : public platform::CProgressSink {
    public:
        explicit CHelperSink(const std::atomic<bool>& cancelled) : m_cancelled(cancelled) {}
        void Start(int, int, const std::string&) override {}
        void Step() override {}
        void SetPosition(int) override {}
        void Close() override {}
        bool IsCancelled() const override { return m_cancelled; }

    private:
        const std::atomic<bool>& m_cancelled;
    };

    explicit COMPARERUN(platform::CProgressSink* progress)
        : hasProgress(progress != nullptr),
          ownerSink(progress != nullptr ? *progress : helperSink, cancelled) {}
    platform::CProgressSink* Sink(bool onOwner) {
        if (!hasProgress) return nullptr;
        return onOwner ? static_cast<platform::CProgressSink*>(&ownerSink) : &helperSink;
    }

    std::atomic<bool> cancelled{false};
    bool hasProgress;
    CHelperSink helperSink{cancelled};
    COwnerSink ownerSink;
    // Started when a level first has two subtrees to compare; until then the
    // caller's thread is the only one.
    std::unique_ptr<CTreeWorkers> workers;
};

bool CFolderCompareItem::CompareChildren(const FOLDERCOMPARESETTINGS& settings, int depth, bool rescan,
                                         platform::CProgressSink* progress) {
    COMPARERUN run(progress);
    return CompareLevel(settings, depth, rescan, false, true, run.Sink(true), run);
}

bool CFolderCompareItem::CompareLevel(const FOLDERCOMPARESETTINGS& settings, int depth, bool rescan,
                                      bool sidesRead, bool rollUpParents, platform::CProgressSink* progress,
                                      COMPARERUN& run) {
    // Folders read here for the level below are not read again there.
    bool readAhead = false;
    if (!(flags & ITEM_CHILDREN_BUILT)) {
        if (!IsFolderPair() || GetKind() == 0) return true;
        if (rescan && !sidesRead) RescanChildren();
        PairChildren();
        if (UnreadableSide() != nullptr) {
            content = CONTENT_ERROR;
            flags |= ITEM_CHILDREN_BUILT;  // nothing is known below it
            RollUpFrom(rollUpParents);
            return true;
        }
        ApplyFiltersToChildren(settings.filters);
        readAhead = rescan && depth >= 2;
        const bool completed = CompareEachChildReading(settings, progress, readAhead);
        if (!completed) {
            RollUpFrom(rollUpParents);
            return false;
        }
        flags |= ITEM_CHILDREN_BUILT;
    }
    if (depth >= 2) {
        std::vector<CFolderCompareItem*> subtrees;
        for (CFolderCompareItem& child : Children())
            if (!child.IsFilteredOut() && child.GetKind() != 0) subtrees.push_back(&child);
        if (!run.workers && subtrees.size() >= 2)
            run.workers = std::make_unique<CTreeWorkers>(CTreeWorkers::DefaultHelpers());
        std::atomic<bool> completed{true};
        const std::function<void(int, bool)> task = [&](int index, bool onOwner) {
            if (!completed || run.cancelled) {
                completed = false;
                return;
            }
            if (!subtrees[static_cast<size_t>(index)]->CompareLevel(settings, depth, rescan, readAhead, false,
                                                                    run.Sink(onOwner), run))
                completed = false;
        };
        if (run.workers)
            run.workers->Run(static_cast<int>(subtrees.size()), task);
        else
            for (size_t i = 0; i < subtrees.size(); ++i) task(static_cast<int>(i), true);
        if (!completed) {
            RollUpFrom(rollUpParents);
            return false;
        }
    }
    RollUpFrom(rollUpParents);
    return true;
}

void CFolderCompareItem::RollUp() {
    RollUpOne();
    if (parent != nullptr) parent->RollUp();
}

void CFolderCompareItem::RollUpOne() {
    uint32_t value = 0;
    bool undecided = false;
    for (const CFolderCompareItem& child : Children()) {
        if (child.IsFilteredOut()) continue;
        if (child.status == STATUS_NOT_COMPARED) {
            undecided = true;
            value = 0;
            break;
        }
        // A child that could not be compared keeps its folder from passing
        // as identical: it counts as a difference.
        if (child.status == STATUS_DIFFERENT || child.status == STATUS_ERROR) value = 4;
    }
    if (!undecided && value == 0) value = 1;
    rollUp = value;
    RecomputeStatus();
}

uint32_t CFolderCompareItem::CompareByMethods(const FOLDERCOMPARESETTINGS& settings) {
    return CompareByMethodsReading(settings, false);
}

uint32_t CFolderCompareItem::CompareByMethodsReading(const FOLDERCOMPARESETTINGS& settings, bool readSides) {
    if (IsFilteredOut()) return 0;
    if (IsFolderPair()) {
        const bool visible =
            readSides ? ReadSidesForVisibleContent(settings.filters) : HasVisibleContent(settings.filters);
        if (visible)
            flags |= ITEM_VISIBLE_CONTENT;
        else
            flags &= ~ITEM_VISIBLE_CONTENT;
        rollUp = (GetChildCount() > 0 || visible) && UnreadableSide() == nullptr ? 0 : 1;
    }
    if (HasBothSides() && SidesAreSamePath()) {
        status = STATUS_SAME_PATH;
        flags |= ITEM_COMPARED;
        return 0;
    }
    if (status == STATUS_SAME_PATH) status = STATUS_NOT_COMPARED;
    difference = 0;
    content = CONTENT_NOT_COMPARED;
    if (AreBothValid()) {
        PAIROUTCOME outcome;
        ComparePair(*left, *right, settings.methods, settings.methodOptions, outcome);
        difference = outcome.difference;
        content = outcome.content;
    }
    // A folder that cannot be listed, or a file that the type filter could
    // not read, leaves the item not compared, one-sided or not; nothing
    // below such a folder is known.
    if (UnreadableSide() != nullptr) {
        content = CONTENT_ERROR;
        if (IsFolderPair()) {
            children.reset();
            flags |= ITEM_CHILDREN_BUILT;
        }
    } else if (IsFolderPair() && GetChildCount() == 0 && rollUp == 0) {
        flags &= ~ITEM_CHILDREN_BUILT;  // content and no children: they are still to be built
    }
    flags |= ITEM_COMPARED;
    RecomputeStatus();
    return difference;
}

int CFolderCompareItem::CompareContent(const FOLDERCOMPARESETTINGS& settings, uint32_t method) {
    if (!AreBothValid() || IsFolderPair()) return -1;
    PAIROUTCOME outcome{difference, content};
    const int result = CompareContents(*left, *right, method, settings.methodOptions, outcome);
    if (result < 0) return -1;
    difference = outcome.difference;
    content = outcome.content;
    RecomputeStatus();
    if (parent != nullptr) parent->RollUp();
    return result;
}

void CFolderCompareItem::RescanChildren() {
    for (CFolderItem* entry : {left, right})
        if (CFolder* folder = AsFolder(entry)) folder->Scan(false);
}

void CFolderCompareItem::PairChildren() {
    children.reset();
    CFolderItem* none = nullptr;
    const CFolderItems* lists[2] = {nullptr, nullptr};
    for (int side = 0; side < 2; ++side) {
        CFolder* folder = AsFolder(Side(side));
        if (folder == nullptr) continue;
        if (!folder->IsScanned() && folder->Exists()) folder->Scan(false);  // never read yet
        folder->SortChildren();
        lists[side] = folder->Children();
    }
    // The entries of a folder that could not be read are not known, so no
    // entry of the other side is one-sided: nothing is paired.
    if (UnreadableSide() != nullptr) return;
    const int counts[2] = {lists[0] ? lists[0]->GetCount() : 0, lists[1] ? lists[1]->GetCount() : 0};
    // Mostly every entry has its twin: the longer list is the count of
    // items, and the list is trimmed when orphans made it grow.
    if (counts[0] > 0 || counts[1] > 0) {
        children = std::make_unique<CFolderCompareItemPtrArray>();
        children->reserve(static_cast<size_t>(std::max(counts[0], counts[1])));
    }
    int i = 0, j = 0;
    while (i < counts[0] || j < counts[1]) {
        CFolderItem* a = i < counts[0] ? (*lists[0])[i] : none;
        CFolderItem* b = j < counts[1] ? (*lists[1])[j] : none;
        const int order = a == nullptr ? 1 : b == nullptr ? -1 : CompareEntries(*a, *b);
        CFolderCompareItem* child;
        if (order == 0) {
            child = CreateChild(a, b);
            ++i;
            ++j;
        } else if (order < 0) {
            child = CreateChild(a, nullptr);
            ++i;
        } else {
            child = CreateChild(nullptr, b);
            ++j;
        }
        if (child->IsFolderPair()) rollUp = 0;
    }
    if (children && children->capacity() > children->size()) children->shrink_to_fit();
}

int CFolderCompareItem::CompareEntries(const CFolderItem& a, const CFolderItem& b) const {
    return CompareFolderItems(a, b);
}

void CFolderCompareItem::ApplyFiltersToChildren(const CComboFilters& filters) {
    for (CFolderCompareItem& child : Children()) FilterChild(child, filters);
}

void CFolderCompareItem::FilterChild(CFolderCompareItem& child, const CComboFilters& filters) {
    child.flags &= ~ITEM_FILTERED;
    if (child.GetChildCount() > 0 || (child.flags & ITEM_VISIBLE_CONTENT)) return;
    if (ApplyFilterToPair(child.left, child.right, filters)) child.flags |= ITEM_FILTERED;
}

bool CFolderCompareItem::CompareEachChild(const FOLDERCOMPARESETTINGS& settings,
                                          platform::CProgressSink* progress) {
    return CompareEachChildReading(settings, progress, false);
}

bool CFolderCompareItem::CompareEachChildReading(const FOLDERCOMPARESETTINGS& settings,
                                                 platform::CProgressSink* progress, bool readFolders) {
    const int count = GetChildCount();
    if (progress != nullptr) progress->Start(0, count - 1, "Comparing folders: " + GetName());
    bool completed = true;
    for (int i = 0; i < count; ++i) {
        if (progress != nullptr && progress->IsCancelled()) {
            completed = false;
            break;
        }
        CFolderCompareItem* child = Child(i);
        if (!child->IsFilteredOut()) child->CompareByMethodsReading(settings, readFolders);
        if (progress != nullptr) progress->SetPosition(i);
    }
    if (progress != nullptr) progress->Close();
    return completed;
}

bool CFolderCompareItem::ReadSidesForVisibleContent(const CComboFilters& filters) {
    bool visible = false;
    CFolder* folders[2] = {AsFolder(left), AsFolder(right)};
    for (CFolder* folder : folders) {
        if (folder == nullptr) continue;
        const bool read = folder->Scan(false);
        // The entries answer as the listing would, unless the filter needs
        // their content (the listing's test does not read it), the folder
        // was not listed (a link back into the tree), or the listing failed
        // part way: then the listing itself answers, and the reason the
        // folder could not be read stays.
        bool sideVisible = false;
        if (read && !folder->StateTest(FILE_STATE_LINK_LOOP) && filters.fileFilters.typeExclude == 0) {
            if (const CFolderItems* entries = folder->Children())
                for (int i = 0; i < entries->GetCount() && !sideVisible; ++i)
                    sideVisible = !IsExcluded(filters, *(*entries)[i]);
        } else {
            sideVisible = folder->HasVisibleContent(filters);
        }
        visible = visible || sideVisible;
    }
    // A pair without visible content is not descended into: its folders stay
    // unread, as they were before.
    if (!visible)
        for (CFolder* folder : folders)
            if (folder != nullptr && folder->readError == 0) folder->ClearChildren();
    return visible;
}

bool CFolderCompareItem::HasVisibleContent(const CComboFilters& filters) const {
    for (CFolderItem* entry : {left, right}) {
        CFolder* folder = AsFolder(entry);
        if (folder == nullptr) continue;
        int error = 0;
        const bool visible = folder->HasVisibleContent(filters, &error);
        folder->readError = error;
        if (visible) return true;
    }
    return false;
}

CFolderItem* CFolderCompareItem::UnreadableSide() const {
    for (CFolderItem* entry : {left, right})
        if (entry != nullptr && entry->readError != 0) return entry;
    return nullptr;
}

std::string CFolderCompareItem::RelativePath() const {
    // Joined once from the top: a tree may be hundreds of levels deep.
    std::vector<const CFolderCompareItem*> chain;
    for (const CFolderCompareItem* item = this; item->parent != nullptr; item = item->parent)
        chain.push_back(item);
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!path.empty()) path += '/';
        path += (*it)->GetName();
    }
    return path;
}

namespace {

// The folder whose identity stands for the entry's: a folder's own, a file's
// folder's (a file keeps none). Null when there is none.
const CFolder* IdentityFolder(const CFolderItem* entry) {
    return entry->IsFolder() ? static_cast<const CFolder*>(entry) : entry->parent;
}

}  // namespace

bool CFolderCompareItem::SidesAreSamePath() const {
    if (left == nullptr || right == nullptr) return false;
    // Entries that were read are one entry only with one identity; that
    // check is cheap and settles almost every pair. Two files whose folders
    // are two folders cannot have one path either.
    const CFolder* a = IdentityFolder(left);
    const CFolder* b = IdentityFolder(right);
    const bool known = a != nullptr && b != nullptr && a->inode != 0 && b->inode != 0;
    const bool sameIdentity = known && a->inode == b->inode && a->device == b->device;
    if (known && !sameIdentity) return false;
    // A folder reached by two paths (a link) is the same folder; files are
    // the same only by their path (hard links are two names).
    if (known && IsFolderPair()) return true;
    return platform::PathsEqual(left->GetFullPath(), right->GetFullPath());
}

bool IsRowShown(const CFolderCompareItem& item, uint32_t displayFilter, bool showFiltered, int tolerance) {
    if (showFiltered) return true;
    if (item.IsHidden() || item.IsFilteredOut()) return false;
    return IsClassShown(item, displayFilter, tolerance);
}

namespace {

// The class of a file, or of a folder that holds nothing.
bool IsOwnClassShown(const CFolderCompareItem& item, uint32_t displayFilter, int tolerance) {
    if (item.status == STATUS_IDENTICAL && (displayFilter & 0x1)) return true;
    // What could not be compared is shown with the different items, whatever
    // else it is (one-sided, or of other times).
    if (item.status == STATUS_ERROR && (displayFilter & 0x2)) return true;
    if (item.HasBothSides()) {
        if (item.difference & DIFFERENCE_TIME) {
            if (displayFilter & 0x300) {
                const int order = item.GetTimeOrder(tolerance);
                if ((order == 1 && (displayFilter & 0x100)) || (order == -1 && (displayFilter & 0x200)))
                    return true;
            }
        } else if ((displayFilter & 0x2) && item.status == STATUS_DIFFERENT) {
            return true;
        }
        return false;
    }
    return (item.IsLeftOnly() && (displayFilter & 0x10)) || (item.IsRightOnly() && (displayFilter & 0x20));
}

}  // namespace

bool IsClassShown(const CFolderCompareItem& item, uint32_t displayFilter, int tolerance) {
    if (displayFilter == 0x333) return true;
    if (!item.IsFolderPair()) return IsOwnClassShown(item, displayFilter, tolerance);
    // A folder not compared yet may hold anything; an empty one is shown by
    // its own class; else it is shown when something in it is, so that
    // hiding identical items leaves no empty folders behind.
    if (item.AwaitsLevel()) return true;
    if (item.GetChildCount() == 0) return IsOwnClassShown(item, displayFilter, tolerance);
    for (const CFolderCompareItem& child : item.Children())
        if (!child.IsHidden() && !child.IsFilteredOut() && IsClassShown(child, displayFilter, tolerance))
            return true;
    return false;
}

}  // namespace corvatine
