// The folder comparison settings, and the process-wide folder comparison
// component that holds them for the whole run.
#pragma once

#include <cstdint>
#include <string>

#include "foldercompare/CompareMethods.h"
#include "foldercompare/FileCompare.h"
#include "foldercompare/FilterPresets.h"
#include "foldercompare/FilterRecords.h"
#include "platform/Profile.h"

namespace corvatine {

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

class CFolderCompareOptions {
public:
    int quickMergeMode = 0;
    uint32_t methods = METHOD_TIME | METHOD_SIZE;
    int autoScanFolders = 0;
    int ignoreFolderDifferences = 1;
    int smallTimeToIgnore = 2;  // seconds
    std::string font;           // "face|height|weight|italic|charset"; empty is the default font
    int showGridLines = 0;
    int showShellCommands = 1;
    int folderWatch = 0;
    uint32_t showColumns = 0xffff;
    uint32_t displayFilters = DISPLAY_ALL;
    FOLDERCOLUMNWIDTHS widths1 = {128, 60, 120, 40, 40, 60, 72, 60, 192};
    FOLDERCOLUMNWIDTHS widths2 = {128, 60, 120, 40, 40, 60, 72, 60, 192};
    FOLDERCOLUMNWIDTHS widthsDV = {128, 60, 128, 40, 40, 60, 72, 60, 188};
    CComboFilters filters;  // the default file and folder filters

    void ResetToDefaults() { *this = CFolderCompareOptions(); }

    // Reads the default methods, the method options and the default filters
    // from the settings; missing or out-of-range values take their defaults.
    void Load(const platform::CProfile& profile);
    void Save(platform::CProfile& profile) const;
};

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

// The folder comparison component. It will also own the colours, the recent
// folder lists and the report settings.
class CFolderComparer : public CFolderCompareOptions {
public:
    CPresetFilters presetFilters;
    CRecentFilters recentFilters;

    // The preset filter lists (the language presets come from the syntax
    // definitions) and the recent filter lists of the given size.
    void LoadFilterLists(const platform::CProfile& profile, int maxRecent);
    void SaveFilterLists(platform::CProfile& profile) const;

    // The method options with the text comparison rules now in force.
    FILECOMPAREOPTIONS MethodOptions() const;
};

// The one folder comparison component of the process.
CFolderComparer& GetFolderComparer();

}  // namespace corvatine
