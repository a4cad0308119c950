#include "foldercompare/FolderCompareOptions.h"

#include <limits>

#include "editor/SyntaxEditor.h"
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

// A stored boolean is 0 or 1; anything else is out of range.
int ReadBool(const platform::CProfile& profile, const char* section, const char* entry, int defaultValue) {
    const int value = profile.GetInt(section, entry, defaultValue);
    return value == 0 || value == 1 ? value : defaultValue;
}

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

}  // namespace

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
    autoScanFolders = ReadBool(profile, kMethodsKey, "AutoScanFolders", defaults.autoScanFolders);
    ignoreFolderDifferences =
        ReadBool(profile, kMethodsKey, "IgnoreFolderDifferences", defaults.ignoreFolderDifferences);
    smallTimeToIgnore = profile.GetInt(kMethodsKey, "SmallTimeToIgnore", defaults.smallTimeToIgnore);
    if (smallTimeToIgnore < 0) smallTimeToIgnore = defaults.smallTimeToIgnore;
    LoadDefaultFilters(profile, filters);
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
}

void CFolderComparer::LoadFilterLists(const platform::CProfile& profile, int maxRecent) {
    presetFilters.Load(profile, GetSyntaxEditor().BuildFileFilter(false, kLanguagePresetTemplate));
    recentFilters.Create(profile, maxRecent);
}

void CFolderComparer::SaveFilterLists(platform::CProfile& profile) const {
    presetFilters.Save(profile);
    recentFilters.Save(profile);
}

FILECOMPAREOPTIONS CFolderComparer::MethodOptions() const {
    FILECOMPAREOPTIONS options;
    options.smallTimeToIgnore = smallTimeToIgnore < 0 ? 2 : smallTimeToIgnore;
    options.ignoreFolderDifferences = ignoreFolderDifferences != 0;
    options.textRules = GetTextComparer().rules;
    options.lineFilter = GetTextComparer().lineFilter;
    return options;
}

CFolderComparer& GetFolderComparer() {
    static CFolderComparer comparer;
    return comparer;
}

}  // namespace corvatine
