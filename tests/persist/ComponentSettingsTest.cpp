// The text and folder comparison settings in the settings store.
#include <gtest/gtest.h>

#include "foldercompare/FolderCompareOptions.h"
#include "support/ScratchProfile.h"
#include "support/TestSupport.h"
#include "textcompare/TextCompareOptions.h"

namespace corvatine {
namespace {

class ComponentSettingsTest : public ::testing::Test, protected test::ScratchProfile {};

TEST_F(ComponentSettingsTest, RulesAreStoredBitByBit) {
    CTextCompareOptions options;
    options.Load(profile);
    EXPECT_EQ(options.rules, 0x20000u);  // IgnoreEOLs defaults to 1

    profile.WriteInt(kDefaultRulesKey, "IgnoreCase", 1);
    options.Load(profile);
    EXPECT_EQ(options.rules, 0x30000u);

    profile.WriteInt(kDefaultRulesKey, "IgnoreEOLs", 0);
    profile.WriteInt(kDefaultRulesKey, "IgnoreAllSpace", 7);  // any non-zero value sets the bit
    profile.WriteString(kDefaultRulesKey, "LineFilter", "^\\s*#");
    options.Load(profile);
    EXPECT_EQ(options.rules, 0x10001u);
    EXPECT_EQ(options.lineFilter, "^\\s*#");

    options.rules = kAllTextRules;
    options.Save(profile);
    for (const char* name : {"IgnoreAllSpace", "IgnoreSpaceDifferences", "IgnoreTabExpansion",
                             "IgnoreLeadingSpace", "IgnoreTrailingSpace", "IgnoreCase", "IgnoreEOLs",
                             "IgnoreBlankLines", "IgnoreComments", "IgnoreLinesMatchingFilter"})
        EXPECT_EQ(profile.GetInt(kDefaultRulesKey, name, 9), 1) << name;
    CTextCompareOptions loaded;
    loaded.Load(profile);
    EXPECT_EQ(loaded.rules, kAllTextRules);
    EXPECT_EQ(loaded.lineFilter, "^\\s*#");
}

TEST_F(ComponentSettingsTest, MethodsAndMethodOptions) {
    CFolderCompareOptions options;
    options.Load(profile);
    EXPECT_EQ(options.methods, 0x110u);
    EXPECT_EQ(options.autoScanFolders, 0);
    EXPECT_EQ(options.ignoreFolderDifferences, 1);
    EXPECT_EQ(options.smallTimeToIgnore, 2);

    profile.WriteInt(kDefaultMethodsKey, "CompareLMTime", 0);
    profile.WriteInt(kDefaultMethodsKey, "CompareCRC", 1);
    profile.WriteInt(kDefaultMethodsKey, "CompareAsText", 2);
    profile.WriteInt(kMethodsKey, "AutoScanFolders", 1);
    profile.WriteInt(kMethodsKey, "IgnoreFolderDifferences", 0);
    profile.WriteInt(kMethodsKey, "SmallTimeToIgnore", -3);
    options.Load(profile);
    EXPECT_EQ(options.methods, 0x500100u);
    EXPECT_EQ(options.autoScanFolders, 1);
    EXPECT_EQ(options.ignoreFolderDifferences, 0);
    EXPECT_EQ(options.smallTimeToIgnore, 2);  // a negative tolerance is taken as 2

    options.methods = kAllCompareMethods;
    options.smallTimeToIgnore = 0;
    options.Save(profile);
    CFolderCompareOptions loaded;
    loaded.Load(profile);
    EXPECT_EQ(loaded.methods, kAllCompareMethods & ~METHOD_TYPE);  // the type method has no setting
    EXPECT_EQ(loaded.smallTimeToIgnore, 0);
    EXPECT_EQ(loaded.autoScanFolders, 1);
}

TEST_F(ComponentSettingsTest, DefaultFiltersRoundTrip) {
    test::ScopedEnv tz("TZ", "EST5EDT,M3.2.0,M11.1.0");
    CComboFilters filters;
    CFileFilters& f = filters.fileFilters;
    f.nameInclude = "*.cpp;*.h";
    f.nameExclude = "*_old.*";
    f.timeFrom = FilterTimeFromText("2007-01-15");
    f.timeTo = FilterTimeFromText("2007-07-15");
    f.sizeMin = 1024;
    f.sizeMax = 5ull << 32;  // beyond a 32-bit number
    f.attributesExclude = 0x27;
    f.typeExclude = 0x5;
    filters.folderFilters.nameInclude = "src";
    filters.folderFilters.nameExclude = ".svn;.CVS";
    filters.folderFilters.attributesExclude = 0x2;
    SaveDefaultFilters(profile, filters);

    EXPECT_EQ(profile.GetString(kDefaultFileFiltersKey, "TimeFrom", ""), "2007-01-15");
    EXPECT_EQ(profile.GetString(kDefaultFileFiltersKey, "AttributesExclude", ""), "RASH");
    EXPECT_EQ(profile.GetString(kDefaultFileFiltersKey, "TypeExclude", ""), "Text;Directory");
    EXPECT_EQ(profile.GetInt(kDefaultFileFiltersKey, "SizeMin", 0), 1024);
    EXPECT_EQ(profile.GetString(kDefaultFileFiltersKey, "SizeMax", ""), "21474836480");

    CComboFilters loaded;
    LoadDefaultFilters(profile, loaded);
    EXPECT_TRUE(loaded.Equals(filters));
    EXPECT_EQ(loaded.fileFilters.timeTo, f.timeTo);
    EXPECT_EQ(loaded.fileFilters.sizeMax, 5ull << 32);
}

TEST_F(ComponentSettingsTest, EmptyAndForeignFilterValuesKeepTheDefaults) {
    profile.WriteString(kDefaultFileFiltersKey, "NameInclude", "");
    profile.WriteString(kDefaultFileFiltersKey, "TimeFrom", "not a date");
    profile.WriteString(kDefaultFileFiltersKey, "AttributesExclude", "rash");
    profile.WriteString(kDefaultFileFiltersKey, "TypeExclude", "text;binary");
    profile.WriteInt(kDefaultFileFiltersKey, "SizeMax", 0);
    profile.WriteString(kDefaultFolderFiltersKey, "NameInclude", "");
    CComboFilters filters;
    filters.fileFilters.nameExclude = "stale";
    LoadDefaultFilters(profile, filters);
    EXPECT_TRUE(filters.Equals(CComboFilters()));
    EXPECT_EQ(filters.fileFilters.nameInclude, "*");
}

}  // namespace
}  // namespace corvatine
