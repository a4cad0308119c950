#include "foldercompare/FolderCompareOptions.h"

#include <limits>

#include "editor/SyntaxParserFactory.h"
#include "platform/Path.h"
#include "request/CompareParams.h"
#include "textcompare/TextCompareOptions.h"

namespace corvatine {

namespace {

struct METHODVALUE {
    uint32_t bit;
    const char* name;
    int defaultValue;
};

// The content-type method has no default setting.
constexpr METHODVALUE kMethodValues[] = {
    {METHOD_TIME, "CompareLMTime", 1},
    {METHOD_SIZE, "CompareSize", 1},
    {METHOD_ATTRIBUTES, "CompareAttributes", 0},
    {METHOD_VERSION, "CompareVersion", 0},
    {METHOD_CRC, "CompareCRC", 0},
    {METHOD_BINARY, "CompareAsBinary", 0},
    {METHOD_TEXT, "CompareAsText", 0},
};

int Bool(int value, int defaultValue) { return value == 0 || value == 1 ? value : defaultValue; }

std::string ReadNonEmpty(const platform::CProfile& profile, const char* section, const char* entry,
                         const std::string& defaultValue) {
    std::string text;
    return profile.ReadString(section, entry, text) && !text.empty() ? text : defaultValue;
}

// Size bounds are 32-bit numbers; a bound beyond 4 GiB is kept as a decimal
// string instead of being cut short.
uint64_t ReadSize(const platform::CProfile& profile, const char* section, const char* entry) {
    int number = 0;
    if (profile.ReadInt(section, entry, number)) return static_cast<uint32_t>(number);
    std::string text;
    if (profile.ReadString(section, entry, text)) return FilterSizeFromText(text);
    return 0;
}

void WriteSize(platform::CProfile& profile, const char* section, const char* entry, uint64_t size) {
    if (size <= std::numeric_limits<uint32_t>::max())
        profile.WriteInt(section, entry, static_cast<int>(static_cast<uint32_t>(size)));
    else
        profile.WriteString(section, entry, FilterSizeToText(size));
}

struct WIDTHVALUE {
    const char* name;
    int FOLDERCOLUMNWIDTHS::*field;
};

constexpr WIDTHVALUE kWidthValues[] = {
    {"WidthName", &FOLDERCOLUMNWIDTHS::name},
    {"WidthSize", &FOLDERCOLUMNWIDTHS::size},
    {"WidthLMTime", &FOLDERCOLUMNWIDTHS::lmTime},
    {"WidthExtension", &FOLDERCOLUMNWIDTHS::extension},
    {"WidthAttributes", &FOLDERCOLUMNWIDTHS::attributes},
    {"WidthVersion", &FOLDERCOLUMNWIDTHS::version},
    {"WidthCRC", &FOLDERCOLUMNWIDTHS::crc},
    {"WidthType", &FOLDERCOLUMNWIDTHS::type},
    {"WidthFolder", &FOLDERCOLUMNWIDTHS::folder},
};

// A column is at least 0 and at most the assumed screen width wide.
constexpr int kMaxColumnWidth = 1920;

void LoadWidths(const platform::CProfile& profile, const char* suffix, FOLDERCOLUMNWIDTHS& widths) {
    for (const WIDTHVALUE& v : kWidthValues) {
        const int value = profile.GetInt(kFolderColumnsKey, std::string(v.name) + suffix, widths.*v.field);
        if (value >= 0 && value <= kMaxColumnWidth) widths.*v.field = value;
    }
}

void SaveWidths(platform::CProfile& profile, const char* suffix, const FOLDERCOLUMNWIDTHS& widths) {
    for (const WIDTHVALUE& v : kWidthValues)
        profile.WriteInt(kFolderColumnsKey, std::string(v.name) + suffix, widths.*v.field);
}

}  // namespace

const DISPLAYFILTERPRESET kDisplayFilterPresets[12] = {
    {"all", 0x333},
    {"different-and-orphans", 0x332},
    {"different", 0x302},
    {"all-but-orphans", 0x303},
    {"orphans", 0x30},
    {"left-only", 0x10},
    {"right-only", 0x20},
    {"left-newer", 0x100},
    {"right-newer", 0x200},
    {"left-newer-and-left-only", 0x110},
    {"right-newer-and-right-only", 0x220},
    {"identical", 0x1},
};

bool FindDisplayFilterPreset(const std::string& name, uint32_t& word) {
    for (const DISPLAYFILTERPRESET& preset : kDisplayFilterPresets) {
        if (name == preset.name) {
            word = preset.word;
            return true;
        }
    }
    return false;
}

const char* DisplayClassCommandText(uint32_t bit) {
    switch (bit) {
        case DISPLAY_IDENTICAL: return "Show identical items";
        case DISPLAY_DIFFERENT: return "Show different items";
        case DISPLAY_LEFT_ONLY: return "Show left-only items";
        case DISPLAY_RIGHT_ONLY: return "Show right-only items";
        case DISPLAY_LEFT_NEWER: return "Show left-newer items";
        case DISPLAY_RIGHT_NEWER: return "Show right-newer items";
        default: return "";
    }
}

void LoadDefaultFilters(const platform::CProfile& profile, CComboFilters& filters) {
    filters.Reset();
    CFileFilters& file = filters.fileFilters;
    const char* f = kDefaultFileFiltersKey;
    file.nameInclude = ReadNonEmpty(profile, f, "NameInclude", file.nameInclude);
    file.nameExclude = ReadNonEmpty(profile, f, "NameExclude", file.nameExclude);
    file.timeFrom = FilterTimeFromText(profile.GetString(f, "TimeFrom", ""));
    file.timeTo = FilterTimeFromText(profile.GetString(f, "TimeTo", ""));
    file.sizeMin = ReadSize(profile, f, "SizeMin");
    file.sizeMax = ReadSize(profile, f, "SizeMax");
    file.attributesExclude = FilterAttributesFromText(profile.GetString(f, "AttributesExclude", ""));
    file.typeExclude = FilterTypesFromText(profile.GetString(f, "TypeExclude", ""));

    CFolderFilters& folder = filters.folderFilters;
    const char* d = kDefaultFolderFiltersKey;
    folder.nameInclude = ReadNonEmpty(profile, d, "NameInclude", folder.nameInclude);
    folder.nameExclude = ReadNonEmpty(profile, d, "NameExclude", folder.nameExclude);
    folder.attributesExclude = FilterAttributesFromText(profile.GetString(d, "AttributesExclude", ""));
}

void SaveDefaultFilters(platform::CProfile& profile, const CComboFilters& filters) {
    const CFileFilters& file = filters.fileFilters;
    const char* f = kDefaultFileFiltersKey;
    profile.WriteString(f, "NameInclude", file.nameInclude);
    profile.WriteString(f, "NameExclude", file.nameExclude);
    profile.WriteString(f, "TimeFrom", FilterTimeToText(file.timeFrom));
    profile.WriteString(f, "TimeTo", FilterTimeToText(file.timeTo));
    WriteSize(profile, f, "SizeMin", file.sizeMin);
    WriteSize(profile, f, "SizeMax", file.sizeMax);
    profile.WriteString(f, "AttributesExclude", FilterAttributesToText(file.attributesExclude));
    profile.WriteString(f, "TypeExclude", FilterTypesToText(file.typeExclude));

    const CFolderFilters& folder = filters.folderFilters;
    const char* d = kDefaultFolderFiltersKey;
    profile.WriteString(d, "NameInclude", folder.nameInclude);
    profile.WriteString(d, "NameExclude", folder.nameExclude);
    profile.WriteString(d, "AttributesExclude", FilterAttributesToText(folder.attributesExclude));
}

void CFolderCompareOptions::Load(const platform::CProfile& profile) {
    const CFolderCompareOptions defaults;
    methods = 0;
    for (const METHODVALUE& method : kMethodValues)
        if (profile.GetInt(kDefaultMethodsKey, method.name, method.defaultValue) != 0) methods |= method.bit;
    autoScanFolders = profile.GetBool(kMethodsKey, "AutoScanFolders", defaults.autoScanFolders);
    ignoreFolderDifferences =
        profile.GetBool(kMethodsKey, "IgnoreFolderDifferences", defaults.ignoreFolderDifferences);
    smallTimeToIgnore = profile.GetInt(kMethodsKey, "SmallTimeToIgnore", defaults.smallTimeToIgnore);
    if (smallTimeToIgnore < 0) smallTimeToIgnore = defaults.smallTimeToIgnore;
    LoadDefaultFilters(profile, filters);

    const char* k = kFolderSettingsKey;
    quickMergeMode = profile.GetBool(k, "QuickMergeMode", defaults.quickMergeMode);
    font = profile.GetString(k, "Font", defaults.font);
    showGridLines = profile.GetBool(k, "ShowGridLines", defaults.showGridLines);
    showShellCommands = profile.GetBool(k, "ShowShellCommands", defaults.showShellCommands);
    folderWatch = profile.GetBool(k, "FolderWatch", defaults.folderWatch);
    showColumns =
        static_cast<uint32_t>(profile.GetInt(k, "ShowColumns", static_cast<int>(defaults.showColumns)));
    displayFilters =
        static_cast<uint32_t>(profile.GetInt(k, "DisplayFilters", static_cast<int>(defaults.displayFilters)));
    if ((displayFilters & ~static_cast<uint32_t>(DISPLAY_ALL)) != 0) displayFilters = defaults.displayFilters;
    widths1 = defaults.widths1;
    widths2 = defaults.widths2;
    widthsDV = defaults.widthsDV;
    LoadWidths(profile, "1", widths1);
    LoadWidths(profile, "2", widths2);
    LoadWidths(profile, "DV", widthsDV);
}

void CFolderCompareOptions::Save(platform::CProfile& profile) const {
    const CFolderCompareOptions defaults;
    for (const METHODVALUE& method : kMethodValues)
        profile.WriteInt(kDefaultMethodsKey, method.name, (methods & method.bit) ? 1 : 0);
    profile.WriteInt(kMethodsKey, "AutoScanFolders", Bool(autoScanFolders, defaults.autoScanFolders));
    profile.WriteInt(kMethodsKey, "IgnoreFolderDifferences",
                     Bool(ignoreFolderDifferences, defaults.ignoreFolderDifferences));
    profile.WriteInt(kMethodsKey, "SmallTimeToIgnore",
                     smallTimeToIgnore < 0 ? defaults.smallTimeToIgnore : smallTimeToIgnore);
    SaveDefaultFilters(profile, filters);

    const char* k = kFolderSettingsKey;
    profile.WriteInt(k, "QuickMergeMode", Bool(quickMergeMode, defaults.quickMergeMode));
    profile.WriteString(k, "Font", font);
    profile.WriteInt(k, "ShowGridLines", Bool(showGridLines, defaults.showGridLines));
    profile.WriteInt(k, "ShowShellCommands", Bool(showShellCommands, defaults.showShellCommands));
    profile.WriteInt(k, "FolderWatch", Bool(folderWatch, defaults.folderWatch));
    profile.WriteInt(k, "ShowColumns", static_cast<int>(showColumns));
    profile.WriteInt(k, "DisplayFilters", static_cast<int>(displayFilters & DISPLAY_ALL));
    SaveWidths(profile, "1", widths1);
    SaveWidths(profile, "2", widths2);
    SaveWidths(profile, "DV", widthsDV);
}

void CFolderComparer::Load(const platform::CProfile& profile) {
    CFolderCompareOptions::Load(profile);
    colors.Load(profile);
}

void CFolderComparer::Save(platform::CProfile& profile) const {
    CFolderCompareOptions::Save(profile);
    colors.Save(profile);
}

void CFolderComparer::LoadFilterLists(const platform::CProfile& profile,
                                      const CSyntaxParserFactory& languages) {
    presetFilters.Load(profile,
                       [&languages] { return languages.BuildFileFilter(false, kLanguagePresetTemplate); });
}

void CFolderComparer::SaveFilterLists(platform::CProfile& profile) const { presetFilters.Save(profile); }

void CFolderComparer::CreateRecentLists(const platform::CProfile& profile, int maxRecent, int maxPairs) {
    using platform::CRecentFileList;
    for (int side = 0; side < 2; ++side) {
        m_recentFolders[side].reset();
        if (maxRecent <= 0) continue;
        m_recentFolders[side] = std::make_unique<CRecentFileList>(
            "Comparisons\\FolderComparison\\Recent\\Folders\\" + std::to_string(side + 1), "Folder%d",
            maxRecent, CRecentFileList::Match::Path, kRecentFolderDisplayLength);
        m_recentFolders[side]->Load(profile);
    }
    m_recentFinds.reset();
    if (maxRecent > 0) {
        m_recentFinds =
            std::make_unique<CRecentFileList>("Comparisons\\FolderComparison\\Recent\\Find", "String%d",
                                              maxRecent, CRecentFileList::Match::Text);
        m_recentFinds->Load(profile);
    }
    m_recentCopyTo.reset();
    if (maxRecent > 0) {
        m_recentCopyTo = std::make_unique<CRecentFileList>(
            "Comparisons\\FolderComparison\\Recent\\CopyTo", "Folder%d", maxRecent,
            CRecentFileList::Match::Path, kRecentFolderDisplayLength);
        m_recentCopyTo->Load(profile);
    }
    recentFilters.Create(profile, maxRecent);
    m_recentPairs.reset();
    if (maxPairs > 0) {
        m_recentPairs = std::make_unique<platform::CRecentFilePairList>(
            "Comparisons\\FolderComparison\\Recent\\Pairs", "Pair%d.%d", maxPairs);
        m_recentPairs->Load(profile);
    }
}

void CFolderComparer::SaveRecentLists(platform::CProfile& profile) const {
    for (const auto& list : m_recentFolders)
        if (list) list->Save(profile);
    if (m_recentFinds) m_recentFinds->Save(profile);
    if (m_recentCopyTo) m_recentCopyTo->Save(profile);
    recentFilters.Save(profile);
    if (m_recentPairs) m_recentPairs->Save(profile);
}

void CFolderComparer::AddRecentFolder(int side, const std::string& path) {
    if (side >= 0 && side < 2 && m_recentFolders[side] && !path.empty() && platform::IsFolder(path))
        m_recentFolders[side]->Add(path);
}

void CFolderComparer::AddRecentPair(const std::string& left, const std::string& right) {
    if (m_recentPairs) m_recentPairs->Add(left, right);
}

void CFolderComparer::AddRecentCopyTarget(const std::string& path) {
    if (m_recentCopyTo && !path.empty()) m_recentCopyTo->Add(path);
}

void CFolderComparer::AddRecentFind(const std::string& text) {
    if (m_recentFinds && !text.empty()) m_recentFinds->Add(text);
}

FILECOMPAREOPTIONS CFolderComparer::MethodOptions(const CTextCompareOptions& textSettings) const {
    FILECOMPAREOPTIONS options;
    options.smallTimeToIgnore = smallTimeToIgnore < 0 ? 2 : smallTimeToIgnore;
    options.ignoreFolderDifferences = ignoreFolderDifferences != 0;
    options.textRules = textSettings.rules;
    options.lineFilter = textSettings.lineFilter;
    return options;
}

}  // namespace corvatine
