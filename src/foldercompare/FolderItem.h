// The entries of a scanned folder tree: files (CFolderItem) and folders
// (CFolder) that own their children.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "foldercompare/FileInfo.h"
#include "foldercompare/SlabPool.h"

namespace corvatine {

class CFolder;
class CComboFilters;
class CArchive;

// Where an entry lies inside an archive: the archive and the node of its tree.
struct ARCHIVEPLACE {
    std::shared_ptr<CArchive> archive;
    int node = 0;
};

class CFolderItem : public CFileObject {
public:
    // 1 for entries made by scanning or copying, 0 for the roots. Declared
    // before the parent: it fits in the room the base classes leave.
    int8_t kind = 0;

protected:
    // A folder's: whether it was read since it was made or cleared (see
    // CFolder::IsScanned). Here it fills the room before the parent.
    bool m_scanned = false;

public:
    CFolder* parent = nullptr;  // not owned; null for a root

    CFolderItem() = default;
    CFolderItem(const CFolderItem&) = delete;
    CFolderItem& operator=(const CFolderItem&) = delete;

    // A comparison holds an entry for every file on each side: they come
    // from slabs, without a heap block each.
    static void* operator new(size_t size) { return PoolAllocate(size); }
    static void operator delete(void* block, size_t size) noexcept { PoolFree(block, size); }

    // The parent's full path, a separator unless it ends in one, the name.
    std::string GetFullPath() const override;
    // The root is the topmost folder of the entry's tree.
    platform::TREEPATH GetTreePath() const override;
    // An entry in a folder stores its name as its path.
    std::string GetName() const override { return parent != nullptr ? path.str() : CFileObject::GetName(); }

    // A new entry of the same class with this one's information (without
    // children and parent), for the twin that a copy creates on the other side.
    virtual std::unique_ptr<CFolderItem> Clone() const;
    // Takes the entry out of its parent's list without deleting it; the
    // caller owns what is returned (null when it had no parent).
    virtual std::unique_ptr<CFolderItem> Detach();
    virtual bool IsFolder() const { return false; }
    // Null for an entry of the file system; for one inside an archive, where.
    virtual const ARCHIVEPLACE* ArchivePlace() const { return nullptr; }
    virtual CFolder* GetParentFolder() const { return parent; }
    virtual bool IsExcluded() const { return StateTest(FILE_STATE_EXCLUDED); }
    // Clears the excluded state, asks the filter and sets the state when the
    // filter excludes the entry. Returns the excluded bit.
    virtual uint32_t ApplyFilter(const CComboFilters& filter);
    void CopyFrom(const CFileInfo& other) override;
};

// The owning list of a folder's children.
class CFolderItems {
public:
    static void* operator new(size_t size) { return PoolAllocate(size); }
    static void operator delete(void* block, size_t size) noexcept { PoolFree(block, size); }

    int GetCount() const { return static_cast<int>(m_items.size()); }
    CFolderItem* operator[](int index) const { return m_items[static_cast<size_t>(index)].get(); }
    void Add(std::unique_ptr<CFolderItem> item) { m_items.push_back(std::move(item)); }
    int Find(const CFolderItem* item) const;
    std::unique_ptr<CFolderItem> Remove(int index);
    void Clear() { m_items.clear(); }
    // Gives back what the list reserved beyond its entries.
    void ShrinkToFit() { m_items.shrink_to_fit(); }
    // Folders first, then names in the locale's collation without regard to
    // case, ties by byte order.
    void Sort();

private:
    std::vector<std::unique_ptr<CFolderItem>> m_items;
};

// The order of two entries in a folder (and of pairing): negative, zero or
// positive.
int CompareFolderItems(const CFolderItem& a, const CFolderItem& b);

class CFolder : public CFolderItem {
public:
    bool IsFolder() const override { return true; }
    std::string GetSizeText() const override { return std::string(); }
    std::unique_ptr<CFolderItem> Clone() const override;

    // 2 when a child is not excluded, else 0; without a children list 1 when
    // the folder is known to have children (FILE_STATE_HAS_CHILDREN), else 0.
    virtual int HasVisibleChildren() const;
    virtual int GetChildCount(bool visibleOnly = false) const;
    // Looks at the file system: true when some entry of the folder is not
    // excluded by the filter; false for an empty, unreadable or missing one.
    // With error, the errno value of a failure to read the folder is stored
    // there (0 when the answer is known).
    virtual bool HasVisibleContent(const CComboFilters& filter, int* error = nullptr) const;
    // Reads one level: the children become the folder's entries (files only
    // with filesOnly). A folder that a symbolic link leads back into from
    // inside itself scans as empty. False, changing nothing, when this entry
    // is no folder (a root "/" always is); false too when the folder cannot
    // be read (listed, or an entry looked at): it then has no children and
    // readError says why.
    virtual bool Scan(bool filesOnly = false);
    virtual void SortChildren();
    virtual void ClearChildren() {
        m_children.reset();
        m_scanned = false;
    }
    virtual CFolderItem* AddChild(std::unique_ptr<CFolderItem> child);
    virtual int FindChild(const CFolderItem* child) const;
    virtual std::unique_ptr<CFolderItem> RemoveChild(int index);
    virtual void DeleteChild(int index);
    virtual CFolderItem* CreateFileChild(const FINDDATA& data);
    virtual CFolderItem* CreateFolderChild(const FINDDATA& data);

    // Whether the folder was read since it was made or cleared.
    bool IsScanned() const { return m_scanned; }
    // The children list; null before the first insertion.
    const CFolderItems* Children() const { return m_children.get(); }
    CFolderItem* Child(int index) const { return (*m_children)[index]; }

    // True when a folder above this one is the same folder (device and
    // inode): reached through a symbolic link, it would never end.
    bool IsLinkLoop() const;

    // Device and inode of the folder (of a link's target), for telling a
    // link that leads back into the tree; 0 while not read. Files do not
    // keep theirs: their folder's tells the same where it matters (see
    // CFolderCompareItem::SidesAreSamePath).
    uint64_t device = 0;
    uint64_t inode = 0;
    // Files with archive names found by the scan are archives, read as
    // folders (passed on to the subfolders the scan makes).
    bool openArchives = false;

    void Reset() override;
    void FillFromFindData(const FINDDATA& data) override;
    void CopyFrom(const CFileInfo& other) override;

private:
    CFolderItem* AddScanned(std::unique_ptr<CFolderItem> child, const FINDDATA& data);

    std::unique_ptr<CFolderItems> m_children;
};

class CComboFilters;

// What the scan saw inside a folder entry (its children, and theirs), for a
// delete that must take nothing else: see platform::CScannedFolder. Null
// when the folder was not read.
std::unique_ptr<platform::CScannedFolder> ScannedContents(const CFolder& folder);

// Applies the combined filter to each present side of a pair (the content
// type is determined first when a type is excluded). True when the pair is
// filtered out: every present side is excluded.
bool ApplyFilterToPair(CFolderItem* left, CFolderItem* right, const CComboFilters& filters);

}  // namespace corvatine
