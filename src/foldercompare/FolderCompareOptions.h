// The folder comparison settings, and the process-wide folder comparison
// component that holds them for the whole run.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "foldercompare/FileCompare.h"
#include "foldercompare/FilterPresets.h"
#include "foldercompare/FolderCompareColors.h"
#include "foldercompare/FolderCompareReport.h"
#include "platform/Profile.h"
#include "platform/RecentFileList.h"
#include "request/CompareMethods.h"
#include "request/FilterRecords.h"

namespace corvatine {

class CSyntaxParserFactory;
class CTextCompareOptions;

// Column widths of one pane, in pixels.
struct FOLDERCOLUMNWIDTHS {
    int name;
    int size;
    int lmTime;
    int extension;
    int attributes;
    int version;
    int crc;
    int type;
    int folder;
};

// Bits of the display filter word: which classes of rows are shown.
enum DisplayFilter : uint32_t {
    DISPLAY_IDENTICAL = 0x1,
    DISPLAY_DIFFERENT = 0x2,
    DISPLAY_LEFT_ONLY = 0x10,
    DISPLAY_RIGHT_ONLY = 0x20,
    DISPLAY_LEFT_NEWER = 0x100,
    DISPLAY_RIGHT_NEWER = 0x200,
    DISPLAY_ALL = 0x333,
};

// A preset view: the whole display filter word at once.
struct DISPLAYFILTERPRESET {
    const char* name;  // as the command line names it
    uint32_t word;
};
extern const DISPLAYFILTERPRESET kDisplayFilterPresets[12];
// The word of a preset by its name; false for an unknown name.
bool FindDisplayFilterPreset(const std::string& name, uint32_t& word);

// The command texts of the six classes, by bit.
const char* DisplayClassCommandText(uint32_t bit);

class CFolderCompareOptions {
public:
    int quickMergeMode = 0;
    uint32_t methods = kDefaultCompareMethods;
    int autoScanFolders = 0;
    int ignoreFolderDifferences = 1;
    int smallTimeToIgnore = 2;  // seconds
    std::string font;           // "face|height|weight|italic|charset"; empty is the default font
    int showGridLines = 0;
    int showShellCommands = 1;
    int folderWatch = 0;
    uint32_t showColumns = 0x7;  // name, size and modified; the rest from the header's menu
    uint32_t displayFilters = DISPLAY_ALL;
    FOLDERCOLUMNWIDTHS widths1 = {128, 60, 120, 40, 40, 60, 72, 60, 192};
    FOLDERCOLUMNWIDTHS widths2 = {128, 60, 120, 40, 40, 60, 72, 60, 192};
    FOLDERCOLUMNWIDTHS widthsDV = {128, 60, 128, 40, 40, 60, 72, 60, 188};
    CComboFilters filters;  // the default file and folder filters

    void ResetToDefaults() { *this = CFolderCompareOptions(); }

    // Reads the default methods, the method options, the default filters,
    // the view settings and the column widths from the settings; missing or
    // out-of-range values take their defaults.
    void Load(const platform::CProfile& profile);
    void Save(platform::CProfile& profile) const;
};

inline constexpr const char* kFolderSettingsKey = "Comparisons\\FolderComparison\\Settings";
inline constexpr const char* kFolderColumnsKey = "Comparisons\\FolderComparison\\Settings\\Columns";
inline constexpr const char* kMethodsKey = "Comparisons\\FolderComparison\\Settings\\Methods";
inline constexpr const char* kDefaultMethodsKey = "Comparisons\\FolderComparison\\Settings\\Methods\\Default";
inline constexpr const char* kDefaultFileFiltersKey =
    "Comparisons\\FolderComparison\\Settings\\Filters\\Default\\Files";
inline constexpr const char* kDefaultFolderFiltersKey =
    "Comparisons\\FolderComparison\\Settings\\Filters\\Default\\Folders";

// The default file and folder filters in their settings keys. Empty strings
// leave a field at its default.
void LoadDefaultFilters(const platform::CProfile& profile, CComboFilters& filters);
void SaveDefaultFilters(platform::CProfile& profile, const CComboFilters& filters);

// The folder comparison component: the options, the colours, the report
// and its choices, the preset filters and the recent lists.
class CFolderComparer : public CFolderCompareOptions {
public:
    CFolderCompareColors colors;
    CFolderCompareReport report;
    CPresetFilters presetFilters;
    CRecentFilters recentFilters;

    // The options and the colours.
    void Load(const platform::CProfile& profile);
    void Save(platform::CProfile& profile) const;

    // Displayed entries of the recent folder lists are cut to this length.
    static constexpr int kRecentFolderDisplayLength = 30;

    // Makes and reads the recent lists (a list of size 0 is not made): the
    // find strings, each side's folders and the filters hold maxRecent
    // entries, the folder pairs maxPairs.
    void CreateRecentLists(const platform::CProfile& profile, int maxRecent, int maxPairs);
    void SaveRecentLists(platform::CProfile& profile) const;
    // Remembers a folder of a side (0 left, 1 right) when it exists.
    void AddRecentFolder(int side, const std::string& path);
    void AddRecentPair(const std::string& left, const std::string& right);
    void AddRecentFind(const std::string& text);
    // The folders that items were copied to, the latest first.
    void AddRecentCopyTarget(const std::string& path);
    const platform::CRecentFileList* RecentCopyTargets() const { return m_recentCopyTo.get(); }
    const platform::CRecentFileList* RecentFolders(int side) const { return m_recentFolders[side].get(); }
    const platform::CRecentFileList* RecentFinds() const { return m_recentFinds.get(); }
    const platform::CRecentFilePairList* RecentPairs() const { return m_recentPairs.get(); }

    // The preset filter lists (the language presets come from the syntax
    // definitions).
    void LoadFilterLists(const platform::CProfile& profile, const CSyntaxParserFactory& languages);
    void SaveFilterLists(platform::CProfile& profile) const;

    // The method options with the rules and line filter of the text
    // comparison settings.
    FILECOMPAREOPTIONS MethodOptions(const CTextCompareOptions& textSettings) const;

private:
    std::unique_ptr<platform::CRecentFileList> m_recentFolders[2];
    std::unique_ptr<platform::CRecentFileList> m_recentFinds;
    std::unique_ptr<platform::CRecentFileList> m_recentCopyTo;
    std::unique_ptr<platform::CRecentFilePairList> m_recentPairs;
};

}  // namespace corvatine
