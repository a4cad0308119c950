#include "foldercompare/FilterPresets.h"

#include <algorithm>
#include <limits>
#include <set>
#include <utility>

#include "platform/Collate.h"
#include "platform/FileFind.h"
#include "platform/Path.h"

namespace corvatine {

namespace {

std::string Numbered(const char* name, size_t n) { return name + std::to_string(n); }

void CollectPatterns(const std::string& folder, bool folders, bool recursive,
                     std::set<std::pair<uint64_t, uint64_t>>& visited, std::vector<std::string>& out) {
    platform::CFileFindEx find;
    if (!find.FindFile(folder, "*.*")) return;
    std::vector<std::string> subfolders;
    while (find.FindNextFile()) {
        if (find.IsDots()) continue;
        const platform::FINDDATA& data = find.Data();
        if (find.IsDirectory()) {
            if (folders) out.push_back(data.name);
            // A folder seen before is a link back into the tree.
            if (recursive && visited.insert({data.device, data.inode}).second)
                subfolders.push_back(find.GetFilePath());
        } else if (!folders) {
            const std::string extension = platform::PathExtension(data.name);
            if (!extension.empty()) out.push_back("*" + extension);
        }
    }
    find.Close();
    for (const std::string& sub : subfolders) CollectPatterns(sub, folders, recursive, visited, out);
}

}  // namespace

void CPresetFilterList::Load(const platform::CProfile& profile) {
    items.clear();
    for (size_t n = 1;; ++n) {
        std::string filter = profile.GetString(m_key, Numbered("Filter", n), "");
        if (filter.empty()) break;
        items.push_back({profile.GetString(m_key, Numbered("Name", n), ""), std::move(filter)});
    }
}

void CPresetFilterList::Save(platform::CProfile& profile) const {
    // Saved at every exit, and nearly always unchanged: the section is
    // replaced only when it does not hold the list already.
    std::vector<std::pair<std::string, std::string>> values;
    size_t n = 0;
    for (const PRESET_FILE_FILTER& preset : items) {
        if (preset.filter.empty()) continue;
        ++n;
        values.emplace_back(Numbered("Filter", n), preset.filter);
        values.emplace_back(Numbered("Name", n), preset.name);
    }
    profile.ReplaceSection(m_key, values);
}

std::string CPresetFilterList::MenuText(const PRESET_FILE_FILTER& preset) {
    return preset.name + " (" + preset.filter + ")";
}

std::vector<PRESET_FILE_FILTER> ParseLanguagePresets(const std::string& languagePatterns) {
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start < languagePatterns.size()) {
        const size_t end = std::min(languagePatterns.find('|', start), languagePatterns.size());
        pieces.push_back(languagePatterns.substr(start, end - start));
        start = end + 1;
    }
    std::vector<PRESET_FILE_FILTER> presets;
    for (size_t i = 0; i + 1 < pieces.size(); i += 2)
        if (!pieces[i + 1].empty()) presets.push_back({pieces[i], pieces[i + 1]});
    return presets;
}

void CPresetFilters::Load(const platform::CProfile& profile,
                          const std::function<std::string()>& languagePatterns) {
    filesInclude.Load(profile);
    filesExclude.Load(profile);
    foldersInclude.Load(profile);
    foldersExclude.Load(profile);
    if (filesInclude.items.empty()) filesInclude.items = ParseLanguagePresets(languagePatterns());
    if (foldersExclude.items.empty())
        foldersExclude.items = {{"SVN control folders", ".svn"}, {"CVS control folders", ".CVS"}};
}

void CPresetFilters::Save(platform::CProfile& profile) const {
    for (const CPresetFilterList* list : {&filesInclude, &filesExclude, &foldersInclude, &foldersExclude})
        list->Save(profile);
}

void CRecentFilters::Create(const platform::CProfile& profile, int size) {
    static const char* const kKeys[LIST_COUNT] = {kRecentFilesIncludeKey, kRecentFilesExcludeKey,
                                                  kRecentFoldersIncludeKey, kRecentFoldersExcludeKey};
    for (int i = 0; i < LIST_COUNT; ++i) {
        m_lists[i].reset();
        if (size <= 0) continue;
        m_lists[i] = std::make_unique<platform::CRecentFileList>(kKeys[i], "Filter%d", size,
                                                                 platform::CRecentFileList::Match::Text);
        m_lists[i]->Load(profile);
    }
}

void CRecentFilters::Save(platform::CProfile& profile) const {
    for (const auto& list : m_lists)
        if (list) list->Save(profile);
}

void CRecentFilters::Add(List list, const std::string& patterns) {
    if (m_lists[list] && !patterns.empty()) m_lists[list]->Add(patterns);
}

uint64_t SizeBoundToKilobytes(uint64_t bytes) { return bytes / 1024; }

uint64_t KilobytesToSizeBound(uint64_t kilobytes, bool checked) {
    if (!checked) return 0;
    constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max() / 1024;
    return std::min(kilobytes, kMax) * 1024;
}

std::vector<std::string> PatternsInUse(const std::string& folder, bool folders, bool recursive) {
    std::vector<std::string> found;
    std::set<std::pair<uint64_t, uint64_t>> visited;
    platform::FINDDATA root;
    if (platform::FindEntry(folder, root)) visited.insert({root.device, root.inode});
    CollectPatterns(folder, folders, recursive, visited, found);
    std::sort(found.begin(), found.end(), [](const std::string& a, const std::string& b) {
        const int order = platform::CompareNoCaseCollate(a, b);
        return order != 0 ? order < 0 : a < b;
    });
    found.erase(std::unique(found.begin(), found.end(),
                            [](const std::string& a, const std::string& b) {
                                return platform::EqualNoCaseCollate(a, b);
                            }),
                found.end());
    return found;
}

std::string JoinPatterns(const std::vector<std::string>& picked) {
    std::string list;
    for (const std::string& pattern : picked) {
        if (pattern.empty()) continue;
        if (!list.empty()) list += ';';
        list += pattern;
    }
    return list;
}

}  // namespace corvatine
