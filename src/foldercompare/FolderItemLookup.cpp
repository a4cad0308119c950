#include "foldercompare/FolderItemLookup.h"

namespace corvatine {
namespace {

// The names of a path that lead somewhere.
std::vector<std::string_view> NamesOf(std::string_view path) {
    std::vector<std::string_view> names;
    for (size_t start = 0; start <= path.size();) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view name = path.substr(start, end - start);
        start = end + 1;
        if (!name.empty() && name != ".") names.push_back(name);
    }
    return names;
}

}  // namespace

std::vector<CFolderCompareItem*> FindItems(CFolderCompareItem& root, std::string_view path,
                                           CFolderCompareItem** reached) {
    const std::vector<std::string_view> names = NamesOf(path);
    CFolderCompareItem* item = &root;
    std::vector<CFolderCompareItem*> rows;
    for (size_t level = 0; level < names.size(); ++level) {
        if (reached != nullptr) *reached = item;
        const bool last = level + 1 == names.size();
        CFolderCompareItem* parent = item;
        item = nullptr;
        for (CFolderCompareItem& child : parent->Children()) {
            if (child.GetName() != names[level]) continue;
            if (item == nullptr) item = &child;
            if (last) rows.push_back(&child);
        }
        if (item == nullptr) return {};
    }
    if (names.empty()) rows.push_back(&root);
    return rows;
}

CFolderCompareItem* FindItem(CFolderCompareItem& root, std::string_view path, CFolderCompareItem** reached) {
    const std::vector<CFolderCompareItem*> rows = FindItems(root, path, reached);
    return rows.empty() ? nullptr : rows.front();
}

CFolderCompareItem* CItemFinder::Find(std::string_view path, CFolderCompareItem** reached) {
    CFolderCompareItem* item = &m_root;
    for (const std::string_view name : NamesOf(path)) {
        if (reached != nullptr) *reached = item;
        auto level = m_levels.find(item);
        if (level == m_levels.end()) {
            level = m_levels.emplace(item, std::unordered_map<std::string, CFolderCompareItem*>()).first;
            // The first row of a name stays: the folder of the name.
            for (CFolderCompareItem& child : item->Children()) level->second.emplace(child.GetName(), &child);
        }
        const auto found = level->second.find(std::string(name));
        if (found == level->second.end()) return nullptr;
        item = found->second;
    }
    return item;
}

}  // namespace corvatine
