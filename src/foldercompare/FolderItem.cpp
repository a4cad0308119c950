#include "foldercompare/FolderItem.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "foldercompare/ArchiveEntries.h"
#include "foldercompare/Filters.h"
#include "platform/Collate.h"
#include "platform/FileAttributes.h"

namespace corvatine {

std::string CFolderItem::GetFullPath() const {
    if (parent == nullptr) return path.str();
    // Built once from the top, not joined level by level: a tree may be
    // hundreds of levels deep.
    std::vector<const CFolderItem*> chain;
    size_t length = 0;
    for (const CFolderItem* entry = this; entry != nullptr; entry = entry->parent) {
        chain.push_back(entry);
        length += entry->path.size() + 1;
    }
    std::string full;
    full.reserve(length);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const CFolderItem* entry = *it;
        if (entry->parent != nullptr && !full.empty() && full.back() != '/' && full.back() != '\\')
            full += entry->separator;
        full += entry->path;
    }
    return full;
}

platform::TREEPATH CFolderItem::GetTreePath() const {
    if (parent == nullptr) return {path.str(), std::string()};
    std::vector<const CFolderItem*> chain;
    const CFolderItem* top = this;
    for (; top->parent != nullptr; top = top->parent) chain.push_back(top);
    platform::TREEPATH where{top->path.str(), std::string()};
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!where.relative.empty()) where.relative += '/';
        where.relative += (*it)->path;
    }
    return where;
}

std::unique_ptr<CFolderItem> CFolderItem::Clone() const {
    auto copy = std::make_unique<CFolderItem>();
    copy->CopyFrom(*this);
    return copy;
}

std::unique_ptr<CFolderItem> CFolderItem::Detach() {
    if (parent == nullptr) return nullptr;
    CFolder* folder = parent;
    const int index = folder->FindChild(this);
    return index < 0 ? nullptr : folder->RemoveChild(index);
}

uint32_t CFolderItem::ApplyFilter(const CComboFilters& filter) {
    state &= ~FILE_STATE_EXCLUDED;
    if (corvatine::IsExcluded(filter, *this)) state |= FILE_STATE_EXCLUDED;
    return state & FILE_STATE_EXCLUDED;
}

void CFolderItem::CopyFrom(const CFileInfo& other) {
    CFileObject::CopyFrom(other);
    if (const auto* item = dynamic_cast<const CFolderItem*>(&other)) kind = item->kind;
}

int CFolderItems::Find(const CFolderItem* item) const {
    for (size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i].get() == item) return static_cast<int>(i);
    return -1;
}

std::unique_ptr<CFolderItem> CFolderItems::Remove(int index) {
    if (index < 0 || index >= GetCount()) return nullptr;
    std::unique_ptr<CFolderItem> item = std::move(m_items[static_cast<size_t>(index)]);
    m_items.erase(m_items.begin() + index);
    return item;
}

int CompareFolderItems(const CFolderItem& a, const CFolderItem& b) {
    if (a.IsFolder() != b.IsFolder()) return a.IsFolder() ? -1 : 1;
    const std::string nameA = a.GetName();
    const std::string nameB = b.GetName();
    if (const int order = platform::CompareNoCaseCollate(nameA, nameB); order != 0) return order;
    return nameA.compare(nameB);
}

void CFolderItems::Sort() {
    // The order of CompareFolderItems, with each name converted once rather
    // than at every comparison.
    struct KEYED {
        bool isFolder;
        std::wstring key;
        std::unique_ptr<CFolderItem> item;
    };
    std::vector<KEYED> keyed;
    keyed.reserve(m_items.size());
    for (auto& item : m_items) {
        const bool isFolder = item->IsFolder();
        std::wstring key = platform::CollationKeyNoCase(item->GetName());
        keyed.push_back({isFolder, std::move(key), std::move(item)});
    }
    std::sort(keyed.begin(), keyed.end(), [](const KEYED& a, const KEYED& b) {
        if (a.isFolder != b.isFolder) return a.isFolder;
        if (const int order = a.key.compare(b.key); order != 0) return order < 0;
        return a.item->GetName() < b.item->GetName();
    });
    for (size_t i = 0; i < keyed.size(); ++i) m_items[i] = std::move(keyed[i].item);
}

void CFolder::Reset() {
    CFolderItem::Reset();
    device = inode = 0;
}

void CFolder::FillFromFindData(const FINDDATA& data) {
    CFolderItem::FillFromFindData(data);
    device = data.device;
    inode = data.inode;
}

void CFolder::CopyFrom(const CFileInfo& other) {
    CFolderItem::CopyFrom(other);
    if (const auto* folder = dynamic_cast<const CFolder*>(&other)) {
        device = folder->device;
        inode = folder->inode;
    }
}

std::unique_ptr<CFolderItem> CFolder::Clone() const {
    auto copy = std::make_unique<CFolder>();
    copy->CopyFrom(*this);
    return copy;
}

int CFolder::HasVisibleChildren() const {
    if (!m_children) return StateTest(FILE_STATE_HAS_CHILDREN) ? 1 : 0;
    for (int i = 0; i < m_children->GetCount(); ++i)
        if (!(*m_children)[i]->IsExcluded()) return 2;
    return 0;
}

int CFolder::GetChildCount(bool visibleOnly) const {
    if (!m_children) return 0;
    if (!visibleOnly) return m_children->GetCount();
    int count = 0;
    for (int i = 0; i < m_children->GetCount(); ++i)
        if (!(*m_children)[i]->IsExcluded()) ++count;
    return count;
}

bool CFolder::HasVisibleContent(const CComboFilters& filter, int* error) const {
    if (error != nullptr) *error = 0;
    if (!Exists()) return false;
    platform::CFileFindEx find;
    if (find.FindFile(GetFullPath())) {
        while (find.FindNextFile())
            if (!find.IsDots() && !corvatine::IsExcluded(filter, find.Data())) return true;
    }
    if (error != nullptr) *error = find.Error();
    return false;
}

bool CFolder::IsLinkLoop() const {
    if (inode == 0 && device == 0) return false;
    for (const CFolder* above = parent; above != nullptr; above = above->parent)
        if (above->inode == inode && above->device == device) return true;
    return false;
}

bool CFolder::Scan(bool filesOnly) {
    // A root named "." or ".." is the user's folder, not a dots entry.
    if (!IsDriveRoot() && (!AttributeTest(FILE_ATTRIBUTE_DIRECTORY) || (parent != nullptr && IsDots())))
        return false;
    ClearChildren();
    m_scanned = true;
    readError = 0;
    state &= ~FILE_STATE_LINK_LOOP;
    if (IsLinkLoop()) {
        state |= FILE_STATE_LINK_LOOP;
        return true;
    }
    platform::CFileFindEx find;
    if (find.FindFile(GetFullPath())) {
        while (find.FindNextFile()) {
            if (find.IsDots()) continue;
            if (find.IsDirectory()) {
                if (!filesOnly) CreateFolderChild(find.Data());
            } else {
                CreateFileChild(find.Data());
            }
        }
    }
    if (find.Error() == 0) {
        if (m_children) m_children->ShrinkToFit();
        return true;
    }
    // What was read of an unreadable folder is not its content: nothing of
    // it may pass for one-sided.
    ClearChildren();
    m_scanned = true;
    readError = find.Error();
    return false;
}

void CFolder::SortChildren() {
    if (m_children) m_children->Sort();
}

CFolderItem* CFolder::AddChild(std::unique_ptr<CFolderItem> child) {
    if (!m_children) m_children = std::make_unique<CFolderItems>();
    child->parent = this;
    CFolderItem* added = child.get();
    m_children->Add(std::move(child));
    return added;
}

int CFolder::FindChild(const CFolderItem* child) const { return m_children ? m_children->Find(child) : -1; }

std::unique_ptr<CFolderItem> CFolder::RemoveChild(int index) {
    if (!m_children) return nullptr;
    std::unique_ptr<CFolderItem> child = m_children->Remove(index);
    if (child) child->parent = nullptr;
    return child;
}

void CFolder::DeleteChild(int index) { RemoveChild(index); }

CFolderItem* CFolder::AddScanned(std::unique_ptr<CFolderItem> child, const FINDDATA& data) {
    child->path = data.name;
    child->kind = 1;
    child->separator = '/';
    child->FillFromFindData(data);
    if (child->IsFolder()) static_cast<CFolder&>(*child).openArchives = openArchives;
    return AddChild(std::move(child));
}

namespace {

class CScannedEntries final : public platform::CScannedFolder {
public:
    explicit CScannedEntries(const CFolder& folder) : m_folder(folder) {}

    bool Find(const std::string& name, platform::EXPECTEDENTRY& entry,
              std::unique_ptr<platform::CScannedFolder>& below) const override {
        // Looked up by name once for the whole folder: a delete asks for every entry.
        if (!m_indexed) {
            if (const CFolderItems* list = m_folder.Children())
                for (int i = 0; i < list->GetCount(); ++i)
                    m_byName.emplace((*list)[i]->path.str(), (*list)[i]);
            m_indexed = true;
        }
        const auto found = m_byName.find(name);
        if (found == m_byName.end()) return false;
        const CFolderItem& item = *found->second;
        entry = ExpectedEntry(item);
        below.reset();
        if (item.IsFolder() && entry.kind == platform::EntryKind::Folder)
            below = ScannedContents(static_cast<const CFolder&>(item));
        return true;
    }

private:
    const CFolder& m_folder;
    mutable bool m_indexed = false;
    mutable std::unordered_map<std::string, const CFolderItem*> m_byName;
};

}  // namespace

std::unique_ptr<platform::CScannedFolder> ScannedContents(const CFolder& folder) {
    if (!folder.IsScanned()) return nullptr;
    return std::make_unique<CScannedEntries>(folder);
}

bool ApplyFilterToPair(CFolderItem* left, CFolderItem* right, const CComboFilters& filters) {
    bool anyPresent = false, allExcluded = true;
    for (CFolderItem* side : {left, right}) {
        if (side == nullptr) continue;
        anyPresent = true;
        if (filters.fileFilters.typeExclude != 0 && !side->IsFolder()) side->DetermineContentType();
        if (side->ApplyFilter(filters) == 0) allExcluded = false;
    }
    return anyPresent && allExcluded;
}

CFolderItem* CFolder::CreateFileChild(const FINDDATA& data) {
    // An archive to be read as a folder: listed only when it is scanned.
    if (openArchives && CArchive::IsArchiveName(data.name) &&
        !(data.attributes & (FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY))) {
        CFolderItem* archive = AddScanned(std::make_unique<CArchiveFolder>(nullptr, -1, false), data);
        static_cast<CArchiveFolder*>(archive)->FillFromEntry(nullptr);
        return archive;
    }
    return AddScanned(std::make_unique<CFolderItem>(), data);
}

CFolderItem* CFolder::CreateFolderChild(const FINDDATA& data) {
    return AddScanned(std::make_unique<CFolder>(), data);
}

}  // namespace corvatine
