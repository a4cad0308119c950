#include "persist/GeneralOptions.h"

#include <gtest/gtest.h>

#include "platform/Path.h"
#include "support/ScratchProfile.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

class GeneralOptionsTest : public ::testing::Test, protected test::ScratchProfile {};

TEST_F(GeneralOptionsTest, AnEmptyStoreGivesTheDefaults) {
    CGeneralOptions options;
    options.maxFiles = 3;
    options.externalTextEditor = "vi";
    EXPECT_EQ(options.Load(profile), 1);
    EXPECT_EQ(options.maxFiles, 10);
    EXPECT_EQ(options.maxMRU, 20);
    EXPECT_EQ(options.maxComparisons, 100);
    EXPECT_EQ(options.windowPosX, -1);
    EXPECT_EQ(options.mapBarSize, 56);
    EXPECT_EQ(options.outputBarSize, 104);
    EXPECT_EQ(options.externalTextEditor, "");
}

TEST_F(GeneralOptionsTest, EveryValueRoundTripsUnderItsKey) {
    CGeneralOptions options;
    options.showStartPage = 0;
    options.panesOrientation = 7;
    options.fileWatch = 0;
    options.cascaded = 0;
    options.background = 1;
    options.showHorzMiniBar = 1;
    options.maxMRU = 1000;
    options.maxFiles = 15;
    options.maxComparisons = 0;
    options.maxPairs = 5;
    options.externalTextEditor = "/usr/bin/vim -R";
    options.externalBinaryEditor = "hexedit";
    options.loadLastFileComparison = 3;
    options.noDuplicatePairs = 1;
    options.windowPosX = -32000;
    options.windowSizeCY = 900;
    options.mapBarSize = 960;
    options.outputBarSize = 1;
    options.previewPages = 2;
    options.Save(profile);

    EXPECT_EQ(profile.GetInt("Comparisons\\FileComparison\\Settings", "FileWatch", 9), 0);
    EXPECT_EQ(profile.GetInt("Integration\\Shell", "Background", 9), 1);
    EXPECT_EQ(profile.GetInt("Settings", "WindowPosX", 9), -32000);

    CGeneralOptions loaded;
    loaded.Load(profile);
    EXPECT_EQ(loaded.showStartPage, 0);
    EXPECT_EQ(loaded.panesOrientation, 7);
    EXPECT_EQ(loaded.fileWatch, 0);
    EXPECT_EQ(loaded.cascaded, 0);
    EXPECT_EQ(loaded.background, 1);
    EXPECT_EQ(loaded.showHorzMiniBar, 1);
    EXPECT_EQ(loaded.maxMRU, 1000);
    EXPECT_EQ(loaded.maxFiles, 15);
    EXPECT_EQ(loaded.maxComparisons, 0);
    EXPECT_EQ(loaded.maxPairs, 5);
    EXPECT_EQ(loaded.externalTextEditor, "/usr/bin/vim -R");
    EXPECT_EQ(loaded.externalBinaryEditor, "hexedit");
    EXPECT_EQ(loaded.loadLastFileComparison, 3);
    EXPECT_EQ(loaded.noDuplicatePairs, 1);
    EXPECT_EQ(loaded.windowPosX, -32000);
    EXPECT_EQ(loaded.windowSizeCY, 900);
    EXPECT_EQ(loaded.mapBarSize, 960);
    EXPECT_EQ(loaded.outputBarSize, 1);
    EXPECT_EQ(loaded.previewPages, 2);
}

TEST_F(GeneralOptionsTest, OutOfRangeValuesFallBackToTheirDefaults) {
    struct Case {
        const char* section;
        const char* name;
        int stored;
        int CGeneralOptions::*field;
        int expected;
    };
    const Case cases[] = {
        {"Settings", "MaxFiles", 16, &CGeneralOptions::maxFiles, 10},
        {"Settings", "MaxFiles", -1, &CGeneralOptions::maxFiles, 10},
        {"Settings", "MaxFiles", 0, &CGeneralOptions::maxFiles, 0},
        {"Settings", "MaxMRU", 1001, &CGeneralOptions::maxMRU, 20},
        {"Settings", "MaxComparisons", 5000, &CGeneralOptions::maxComparisons, 100},
        {"Settings", "MaxPairs", -5, &CGeneralOptions::maxPairs, 100},
        {"Settings", "MapBarSize", 961, &CGeneralOptions::mapBarSize, 56},
        {"Settings", "MapBarSize", 0, &CGeneralOptions::mapBarSize, 56},
        {"Settings", "OutputBarSize", 0, &CGeneralOptions::outputBarSize, 104},
        {"Settings", "OutputBarSize", 541, &CGeneralOptions::outputBarSize, 104},
        {"Settings", "OutputBarSize", 540, &CGeneralOptions::outputBarSize, 540},
        {"Settings", "ShowStartPage", 2, &CGeneralOptions::showStartPage, 1},
        {"Settings", "ShowLongTitle", -1, &CGeneralOptions::showLongTitle, 0},
        {"Integration\\Shell", "Cascaded", 5, &CGeneralOptions::cascaded, 1},
    };
    for (const Case& c : cases) {
        profile.WriteInt(c.section, c.name, c.stored);
        CGeneralOptions options;
        options.Load(profile);
        EXPECT_EQ(options.*c.field, c.expected) << c.name << " = " << c.stored;
        // And before writing, a value out of range becomes its default.
        options.*c.field = c.stored;
        options.Save(profile);
        EXPECT_EQ(profile.GetInt(c.section, c.name, -99), c.expected) << c.name << " = " << c.stored;
    }
    // A number stored as a string is no number.
    profile.WriteString("Settings", "MaxPairs", "7");
    CGeneralOptions options;
    options.Load(profile);
    EXPECT_EQ(options.maxPairs, 100);
}

TEST_F(GeneralOptionsTest, InstallDirIsTheProgramsFolderWhenEmpty) {
    EXPECT_EQ(ResolveInstallDir(profile), platform::ProgramFolder());
    EXPECT_EQ(profile.GetString("", "InstallDir", ""), platform::ProgramFolder());
    profile.WriteString("", "InstallDir", "/opt/elsewhere");
    EXPECT_EQ(ResolveInstallDir(profile), "/opt/elsewhere");
    profile.WriteString("", "InstallDir", "");
    EXPECT_EQ(ResolveInstallDir(profile), platform::ProgramFolder());
}

}  // namespace
}  // namespace corvatine
