// Finding a row of a folder comparison by its path below the roots, the way
// the command line names rows and the window keeps them across changes.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "foldercompare/FolderCompareItem.h"

namespace corvatine {

// The rows at a '/'-separated path of names below root: empty names and "."
// are skipped, so "" and "." are root itself. On the way down each name
// takes its first row, which is the folder of the name (folders come first
// in a level); the last name gives every row of that name in the level (a
// file and a folder of one name are two rows). Empty when a name is missing;
// then reached, when given, is the deepest item found on the way.
std::vector<CFolderCompareItem*> FindItems(CFolderCompareItem& root, std::string_view path,
                                           CFolderCompareItem** reached = nullptr);
// The first of FindItems, or null.
CFolderCompareItem* FindItem(CFolderCompareItem& root, std::string_view path,
                             CFolderCompareItem** reached = nullptr);

// FindItem for many paths in one unchanged tree: each level's names are
// looked up once, however many paths pass there.
class CItemFinder {
public:
    explicit CItemFinder(CFolderCompareItem& root) : m_root(root) {}
    CFolderCompareItem* Find(std::string_view path, CFolderCompareItem** reached = nullptr);

private:
    CFolderCompareItem& m_root;
    std::unordered_map<const CFolderCompareItem*, std::unordered_map<std::string, CFolderCompareItem*>>
        m_levels;
};

}  // namespace corvatine
