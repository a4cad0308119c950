// The settings objects of a run: each component is read when the run first
// asks for it, and only the components read are written back.
#include "launch/Components.h"

#include <gtest/gtest.h>

#include "request/CompareMethods.h"
#include "support/ScratchProfile.h"

namespace corvatine {
namespace {

class ComponentsTest : public ::testing::Test, protected test::ScratchProfile {
protected:
    CGeneralOptions general;
};

// The keys each component writes when it is saved.
const char* const kComponentKeys[] = {kTextCompareSettingsKey, kFolderColumnsKey, kBinaryCompareSettingsKey,
                                      kHexEditSettingsKey, kTextEditorSettingsKey};

TEST_F(ComponentsTest, EachIsReadOnFirstUseAndOnlyThoseReadAreWritten) {
    profile.WriteInt(kDefaultRulesKey, "IgnoreCase", 1);
    profile.WriteInt(kDefaultMethodsKey, "CompareCRC", 1);
    CComponents components(profile, general);
    // Nothing is read when the components are made.
    profile.WriteInt(kDefaultRulesKey, "IgnoreAllSpace", 1);
    EXPECT_EQ(components.Text().rules, 0x30001u);
    components.Text().mergeMode = 1;
    components.SaveRecentLists();
    components.Save();

    EXPECT_EQ(profile.GetInt(kTextCompareSettingsKey, "QuickMergeMode", 0), 1);
    for (const char* key : kComponentKeys) {
        if (key == kTextCompareSettingsKey) continue;
        EXPECT_FALSE(profile.HasValues(key)) << key;
    }
    EXPECT_EQ(profile.ValueNames(kDefaultMethodsKey).size(), 1u);
    EXPECT_FALSE(profile.HasValues("Comparisons\\FolderComparison\\Recent\\Pairs"));
}

TEST_F(ComponentsTest, TheWindowReadsAndWritesThemAll) {
    profile.WriteInt(kDefaultMethodsKey, "CompareCRC", 1);
    CComponents components(profile, general);
    components.LoadAll();
    // Read once: a later change of the store is not seen.
    profile.WriteInt(kDefaultMethodsKey, "CompareCRC", 0);
    EXPECT_EQ(components.Folders().methods & METHOD_CRC, static_cast<uint32_t>(METHOD_CRC));
    components.Save();
    for (const char* key : kComponentKeys) EXPECT_TRUE(profile.HasValues(key)) << key;
    EXPECT_EQ(profile.GetInt(kDefaultMethodsKey, "CompareCRC", 0), 1);
}

TEST_F(ComponentsTest, ACommandLineAsksOnlyForTheSettingsOfItsKind) {
    test::TempDir files;
    const std::string left = files.WriteFile("a.txt", "a\n"), right = files.WriteFile("b.txt", "b\n");
    profile.WriteInt(kDefaultRulesKey, "IgnoreCase", 1);
    profile.WriteInt(kDefaultMethodsKey, "CompareCRC", 1);
    {
        CComponents components(profile, general);
        CCommandLine text;
        text.Parse({left, right}, components.ForCommandLine());
        ASSERT_EQ(text.kind, CCommandLine::KIND_TEXT);
        EXPECT_EQ(text.textRules, 0x30000u);
        components.Save();
        EXPECT_TRUE(profile.HasValues(kTextCompareSettingsKey));
        EXPECT_FALSE(profile.HasValues(kFolderColumnsKey));
    }
    CComponents components(profile, general);
    CCommandLine folders;
    folders.Parse({files.Path(), files.Path()}, components.ForCommandLine());
    ASSERT_EQ(folders.kind, CCommandLine::KIND_FOLDER);
    EXPECT_EQ(folders.folderMethods & METHOD_CRC, static_cast<uint32_t>(METHOD_CRC));
    // Methods named before the kind are none: the request keeps the settings'.
    CCommandLine named;
    named.Parse({"-c", "/m:crc", "/t:f", files.Path(), files.Path()}, components.ForCommandLine());
    ASSERT_EQ(named.folderMethods, 0u);
    EXPECT_EQ(static_cast<CFolderCompareParams&>(*named.BuildRequest()).methods & METHOD_CRC,
              static_cast<uint32_t>(METHOD_CRC));
    components.Save();
    EXPECT_TRUE(profile.HasValues(kFolderColumnsKey));
}

TEST_F(ComponentsTest, TheComponentsTablesAreNeverWrittenByTheScheme) {
    // Making schemes reads the components' tables and leaves them as they are.
    const DESKTOPPALETTE dark{0x353535, 0xeeeeec, 0x2d2d2d, 0xeeeeec, 0x9e5315, 0xffffff};
    CComponents components;
    components.Text().colors.Set(TCC_CHANGED, RGB(10, 20, 30));
    components.ColorSchemeChoice().scheme = COLORSCHEME_DESKTOP;
    const COLORSCHEME scheme = components.ColorScheme(dark);
    EXPECT_EQ(scheme.kind, COLORSCHEME_DESKTOP);
    EXPECT_NE(scheme.compare.Get(TCC_CHANGED), RGB(10, 20, 30));
    EXPECT_EQ(components.Text().colors.Get(TCC_CHANGED), RGB(10, 20, 30));
    EXPECT_FALSE(components.StoredColors().IsDefault());
    EXPECT_TRUE(components.HoldColors(components.StoredColors()));
    components.ColorSchemeChoice().scheme = COLORSCHEME_DEFAULT;
    EXPECT_EQ(components.ColorScheme(dark).compare.Get(TCC_CHANGED), RGB(10, 20, 30));
    components.Text().colors.ResetToDefaults();
    EXPECT_EQ(components.ColorScheme(dark).kind, COLORSCHEME_DESKTOP);
}

}  // namespace
}  // namespace corvatine
