// Named pattern lists the user picks filters from, the lists of recently
// typed patterns, and the helpers of the filter dialogs.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Profile.h"
#include "platform/RecentFileList.h"

namespace corvatine {

struct PRESET_FILE_FILTER {
    std::string name;
    std::string filter;  // ";"-separated patterns
};

inline constexpr const char* kPresetFilesIncludeKey =
    "Comparisons\\FolderComparison\\Settings\\Filters\\Preset\\Files\\Include";
inline constexpr const char* kPresetFilesExcludeKey =
    "Comparisons\\FolderComparison\\Settings\\Filters\\Preset\\Files\\Exclude";
inline constexpr const char* kPresetFoldersIncludeKey =
    "Comparisons\\FolderComparison\\Settings\\Filters\\Preset\\Folders\\Include";
inline constexpr const char* kPresetFoldersExcludeKey =
    "Comparisons\\FolderComparison\\Settings\\Filters\\Preset\\Folders\\Exclude";

inline constexpr const char* kRecentFilesIncludeKey =
    "Comparisons\\FolderComparison\\Recent\\Filters\\Files\\Include";
inline constexpr const char* kRecentFilesExcludeKey =
    "Comparisons\\FolderComparison\\Recent\\Filters\\Files\\Exclude";
inline constexpr const char* kRecentFoldersIncludeKey =
    "Comparisons\\FolderComparison\\Recent\\Filters\\Folders\\Include";
inline constexpr const char* kRecentFoldersExcludeKey =
    "Comparisons\\FolderComparison\\Recent\\Filters\\Folders\\Exclude";

// The template the syntax definitions' patterns are listed with for the
// language presets: name and pattern items separated by "|".
inline constexpr const char* kLanguagePresetTemplate = "%Name Files|%Exts";

class CPresetFilterList {
public:
    explicit CPresetFilterList(std::string key) : m_key(std::move(key)) {}

    std::vector<PRESET_FILE_FILTER> items;

    // Entries "Filter%d" and "Name%d" from 1, up to the first empty filter.
    void Load(const platform::CProfile& profile);
    // Replaces the stored list with the entries whose filter is not empty,
    // numbered from 1.
    void Save(platform::CProfile& profile) const;

    // "%s (%s)" of name and filter.
    static std::string MenuText(const PRESET_FILE_FILTER& preset);
    static constexpr const char* kEmptyMenuText = "No Preset Filters";

    const std::string& Key() const { return m_key; }

private:
    std::string m_key;
};

// The four preset lists with their defaults: an empty files-include list
// receives one preset per language (from the text of the syntax definitions'
// patterns formatted with kLanguagePresetTemplate, which Load asks for only
// then); an empty folders-exclude list the Subversion and CVS control folders.
class CPresetFilters {
public:
    CPresetFilterList filesInclude{kPresetFilesIncludeKey};
    CPresetFilterList filesExclude{kPresetFilesExcludeKey};
    CPresetFilterList foldersInclude{kPresetFoldersIncludeKey};
    CPresetFilterList foldersExclude{kPresetFoldersExcludeKey};

    void Load(const platform::CProfile& profile, const std::function<std::string()>& languagePatterns);
    void Save(platform::CProfile& profile) const;
};

// "C/C++ Files|*.c;*.h|Java Files|*.java|" as name and filter pairs.
std::vector<PRESET_FILE_FILTER> ParseLanguagePresets(const std::string& languagePatterns);

// The four lists of recently typed pattern lists ("Filter%d").
class CRecentFilters {
public:
    enum List { FILES_INCLUDE, FILES_EXCLUDE, FOLDERS_INCLUDE, FOLDERS_EXCLUDE, LIST_COUNT };

    // Makes the lists with the general recent-list size and reads them; a
    // size of 0 makes none.
    void Create(const platform::CProfile& profile, int size);
    void Save(platform::CProfile& profile) const;
    // Remembers a pattern list that is not empty.
    void Add(List list, const std::string& patterns);
    const platform::CRecentFileList* Get(List list) const { return m_lists[list].get(); }

private:
    std::unique_ptr<platform::CRecentFileList> m_lists[LIST_COUNT];
};

// The size fields of the filter dialog show kilobytes: a stored bound shows
// as its bytes divided by 1024 (rounded down), an entered number is stored as
// that many times 1024 bytes, and a cleared check box stores no bound (0).
uint64_t SizeBoundToKilobytes(uint64_t bytes);
uint64_t KilobytesToSizeBound(uint64_t kilobytes, bool checked = true);

// What occurs in a folder, for picking patterns: with folders false the
// distinct extensions of its files as patterns ("*.cpp"), else the distinct
// folder names; subfolders too when recursive (a link back into the tree is
// not followed). Sorted, each listed once without regard to case.
std::vector<std::string> PatternsInUse(const std::string& folder, bool folders, bool recursive);
// The picked patterns joined with ";" into a pattern list.
std::string JoinPatterns(const std::vector<std::string>& picked);

}  // namespace corvatine
