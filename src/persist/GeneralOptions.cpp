#include "persist/GeneralOptions.h"

#include <climits>

#include "platform/Path.h"

namespace corvatine {

namespace {

constexpr const char* kSettings = "Settings";
constexpr const char* kFileComparisonSettings = "Comparisons\\FileComparison\\Settings";
constexpr const char* kShellIntegration = "Integration\\Shell";

struct INTOPTION {
    int CGeneralOptions::*field;
    const char* section;
    const char* name;
    int minimum;  // inclusive range; a boolean is 0..1
    int maximum;
};

constexpr int kAny = INT_MIN;
constexpr int kAnyMax = INT_MAX;

constexpr INTOPTION kIntOptions[] = {
    {&CGeneralOptions::showStartPage, kSettings, "ShowStartPage", 0, 1},
    {&CGeneralOptions::showLeftPane, kSettings, "ShowLeftPane", 0, 1},
    {&CGeneralOptions::leftPaneSize, kSettings, "LeftPaneSize", 60, kAssumedScreenWidth / 2},
    {&CGeneralOptions::showLongTitle, kSettings, "ShowLongTitle", 0, 1},
    {&CGeneralOptions::tabbedDocuments, kSettings, "TabbedDocuments", 0, 1},
    {&CGeneralOptions::synchronizeScrolling, kSettings, "SynchronizeScrolling", 0, 1},
    {&CGeneralOptions::panesOrientation, kSettings, "PanesOrientation", kAny, kAnyMax},
    {&CGeneralOptions::fileWatch, kFileComparisonSettings, "FileWatch", 0, 1},
    {&CGeneralOptions::cascaded, kShellIntegration, "Cascaded", 0, 1},
    {&CGeneralOptions::background, kShellIntegration, "Background", 0, 1},
    {&CGeneralOptions::showStandardBar, kSettings, "ShowStandardBar", 0, 1},
    {&CGeneralOptions::showAdvancedBar, kSettings, "ShowAdvancedBar", 0, 1},
    {&CGeneralOptions::showMapBar, kSettings, "ShowMapBar", 0, 1},
    {&CGeneralOptions::showMergeBar, kSettings, "ShowMergeBar", 0, 1},
    {&CGeneralOptions::showPathBar, kSettings, "ShowPathBar", 0, 1},
    {&CGeneralOptions::showStatusBar, kSettings, "ShowStatusBar", 0, 1},
    {&CGeneralOptions::showOutputBar, kSettings, "ShowOutputBar", 0, 1},
    {&CGeneralOptions::showHorzMiniBar, kSettings, "ShowHorzMiniBar", 0, 1},
    {&CGeneralOptions::showVertMiniBar, kSettings, "ShowVertMiniBar", 0, 1},
    {&CGeneralOptions::autoPick, kSettings, "AutoPick", 0, 1},
    {&CGeneralOptions::maxMRU, kSettings, "MaxMRU", 0, 1000},
    {&CGeneralOptions::maxFiles, kSettings, "MaxFiles", 0, 15},
    {&CGeneralOptions::maxComparisons, kSettings, "MaxComparisons", 0, 1000},
    {&CGeneralOptions::maxPairs, kSettings, "MaxPairs", 0, 1000},
    {&CGeneralOptions::loadLastFolderComparison, kSettings, "LoadLastFolderComparison", 0, 1},
    {&CGeneralOptions::loadLastFileComparison, kSettings, "LoadLastFileComparison", kAny, kAnyMax},
    {&CGeneralOptions::saveFolderComparisons, kSettings, "SaveFolderComparisons", 0, 1},
    {&CGeneralOptions::saveProjectComparisons, kSettings, "SaveProjectComparisons", 0, 1},
    {&CGeneralOptions::saveTextComparisons, kSettings, "SaveTextComparisons", 0, 1},
    {&CGeneralOptions::saveBinaryComparisons, kSettings, "SaveBinaryComparisons", 0, 1},
    {&CGeneralOptions::noDuplicatePairs, kSettings, "NoDuplicatePairs", 0, 1},
    {&CGeneralOptions::windowPosX, kSettings, "WindowPosX", kAny, kAnyMax},
    {&CGeneralOptions::windowPosY, kSettings, "WindowPosY", kAny, kAnyMax},
    {&CGeneralOptions::windowSizeCX, kSettings, "WindowSizeCX", kAny, kAnyMax},
    {&CGeneralOptions::windowSizeCY, kSettings, "WindowSizeCY", kAny, kAnyMax},
    {&CGeneralOptions::windowMaximized, kSettings, "WindowMaximized", 0, 1},
    {&CGeneralOptions::windowFullScreen, kSettings, "WindowFullScreen", 0, 1},
    {&CGeneralOptions::mapBarSize, kSettings, "MapBarSize", 1, kAssumedScreenWidth / 2},
    {&CGeneralOptions::outputBarSize, kSettings, "OutputBarSize", 1, kAssumedScreenHeight / 2},
    {&CGeneralOptions::escToClose, kSettings, "EscToClose", 0, 1},
    {&CGeneralOptions::previewPages, kSettings, "PreviewPages", kAny, kAnyMax},
};

struct STRINGOPTION {
    std::string CGeneralOptions::*field;
    const char* section;
    const char* name;
};

constexpr STRINGOPTION kStringOptions[] = {
    {&CGeneralOptions::externalTextEditor, kSettings, "ExternalTextEditor"},
    {&CGeneralOptions::externalBinaryEditor, kSettings, "ExternalBinaryEditor"},
};

int InRange(const INTOPTION& option, int value, int defaultValue) {
    return value >= option.minimum && value <= option.maximum ? value : defaultValue;
}

}  // namespace

int CGeneralOptions::Load(const platform::CProfile& profile) {
    const CGeneralOptions defaults;
    for (const INTOPTION& option : kIntOptions) {
        const int defaultValue = defaults.*option.field;
        this->*option.field =
            InRange(option, profile.GetInt(option.section, option.name, defaultValue), defaultValue);
    }
    for (const STRINGOPTION& option : kStringOptions)
        this->*option.field = profile.GetString(option.section, option.name, defaults.*option.field);
    return 1;
}

void CGeneralOptions::Save(platform::CProfile& profile) const {
    const CGeneralOptions defaults;
    for (const INTOPTION& option : kIntOptions)
        profile.WriteInt(option.section, option.name,
                         InRange(option, this->*option.field, defaults.*option.field));
    for (const STRINGOPTION& option : kStringOptions)
        profile.WriteString(option.section, option.name, this->*option.field);
}

std::string ResolveInstallDir(platform::CProfile& profile) {
    std::string folder = profile.GetString("", "InstallDir", "");
    if (folder.empty()) {
        folder = platform::ProgramFolder();
        if (!folder.empty()) profile.WriteString("", "InstallDir", folder);
    }
    return folder;
}

}  // namespace corvatine
