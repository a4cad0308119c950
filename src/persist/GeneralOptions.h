// The general options of the program, and its installation folder setting.
#pragma once

#include <string>

#include "platform/Profile.h"

namespace corvatine {

// The screen the pane sizes are limited by, until a desktop interface can
// tell the real one.
inline constexpr int kAssumedScreenWidth = 1920;
inline constexpr int kAssumedScreenHeight = 1080;

class CGeneralOptions {
public:
    int showStartPage = 1;
    int showLeftPane = 1;
    int leftPaneSize = 190;  // the comparison list's width in pixels
    int showLongTitle = 0;
    int tabbedDocuments = 1;
    int synchronizeScrolling = 1;
    int panesOrientation = 1;
    int fileWatch = 1;   // key Comparisons\FileComparison\Settings
    int cascaded = 1;    // key Integration\Shell
    int background = 0;  // key Integration\Shell
    int showStandardBar = 1;
    int showAdvancedBar = 1;
    int showMapBar = 1;
    int showMergeBar = 1;
    int showPathBar = 1;
    int showStatusBar = 1;
    int showOutputBar = 1;
    int showHorzMiniBar = 0;
    int showVertMiniBar = 1;
    int autoPick = 1;
    int maxMRU = 20;           // 0..1000
    int maxFiles = 10;         // 0..15
    int maxComparisons = 100;  // 0..1000
    int maxPairs = 100;        // 0..1000
    std::string externalTextEditor;
    std::string externalBinaryEditor;
    int loadLastFolderComparison = 0;
    int loadLastFileComparison = 0;
    int saveFolderComparisons = 1;
    int saveProjectComparisons = 1;
    int saveTextComparisons = 1;
    int saveBinaryComparisons = 1;
    int noDuplicatePairs = 0;
    int windowPosX = -1;
    int windowPosY = -1;
    int windowSizeCX = -1;
    int windowSizeCY = -1;
    int windowMaximized = 1;
    int windowFullScreen = 0;
    int mapBarSize = 56;      // 1 to half the screen width
    int outputBarSize = 104;  // 1 to half the screen height
    int escToClose = 1;
    int previewPages = 0;  // print preview

    // Reads every value; a missing or out-of-range value takes its default.
    // Always succeeds.
    int Load(const platform::CProfile& profile);
    // Writes every value; out-of-range values are written as their defaults.
    void Save(platform::CProfile& profile) const;
};

// The installation folder from "InstallDir" of the settings root. When the
// value is empty, the folder of the running program is taken and written back.
std::string ResolveInstallDir(platform::CProfile& profile);

}  // namespace corvatine
