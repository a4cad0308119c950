#include "request/FilterRecords.h"

#include <gtest/gtest.h>

#include "platform/FileAttributes.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

TEST(FilterRecordsTest, ResetRestoresTheDefaults) {
    CFileFilters file;
    file.nameInclude = "*.cpp";
    file.nameExclude = "*.bak";
    file.matchCase = 1;
    file.timeFrom = 5;
    file.timeTo = 6;
    file.sizeMin = 7;
    file.sizeMax = 8;
    file.attributesExclude = FILE_ATTRIBUTE_HIDDEN;
    file.typeExclude = FILTER_TYPE_BINARY;
    EXPECT_TRUE(file.Differs(CFileFilters()));
    file.Reset();
    EXPECT_EQ(file.nameInclude, "*");
    EXPECT_TRUE(file.Equals(CFileFilters()));

    CComboFilters combo;
    combo.folderFilters.nameExclude = ".svn";
    EXPECT_TRUE(combo.Differs(CComboFilters()));
    combo.Reset();
    EXPECT_EQ(combo.folderFilters.nameInclude, "*");
    EXPECT_TRUE(combo.Equals(CComboFilters()));
}

TEST(FilterRecordsTest, PatternListsCompareWithoutCase) {
    CFileFilters a, b;
    a.nameInclude = "*.CPP;*.h";
    b.nameInclude = "*.cpp;*.H";
    EXPECT_TRUE(a.Equals(b));
    b.nameInclude = "*.cpp;*.hpp";
    EXPECT_TRUE(a.Differs(b));

    CFolderFilters c, d;
    c.nameExclude = ".SVN";
    d.nameExclude = ".svn";
    EXPECT_TRUE(c.Equals(d));
}

TEST(FilterRecordsTest, EveryOtherFieldCountsExactly) {
    auto differsAfter = [](auto change) {
        CComboFilters a, b;
        change(b);
        return a.Differs(b) && b.Differs(a);
    };
    EXPECT_TRUE(differsAfter([](CComboFilters& f) { f.fileFilters.matchCase = 1; }));
    EXPECT_TRUE(differsAfter([](CComboFilters& f) { f.fileFilters.timeFrom = 1; }));
    EXPECT_TRUE(differsAfter([](CComboFilters& f) { f.fileFilters.timeTo = 1; }));
    EXPECT_TRUE(differsAfter([](CComboFilters& f) { f.fileFilters.sizeMin = 1; }));
    EXPECT_TRUE(differsAfter([](CComboFilters& f) { f.fileFilters.sizeMax = 1; }));
    EXPECT_TRUE(differsAfter([](CComboFilters& f) { f.fileFilters.attributesExclude = 0x20; }));
    EXPECT_TRUE(differsAfter([](CComboFilters& f) { f.fileFilters.typeExclude = FILTER_TYPE_DIRECTORY; }));
    EXPECT_TRUE(differsAfter([](CComboFilters& f) { f.fileFilters.nameExclude = "x"; }));
    EXPECT_TRUE(differsAfter([](CComboFilters& f) { f.folderFilters.nameInclude = "src"; }));
    EXPECT_TRUE(differsAfter([](CComboFilters& f) { f.folderFilters.matchCase = 1; }));
    EXPECT_TRUE(differsAfter([](CComboFilters& f) { f.folderFilters.attributesExclude = 0x2; }));
}

TEST(FilterRecordsTest, TimeForm) {
    test::ScopedEnv tz("TZ", "EST5EDT,M3.2.0,M11.1.0");
    const int64_t midnight = FilterTimeFromText("2007-07-15");
    EXPECT_EQ(midnight, 1184457600 + 4 * 3600);
    EXPECT_EQ(FilterTimeToText(midnight), "2007-07-15");
    EXPECT_EQ(FilterTimeToText(midnight + 3600 * 23), "2007-07-15");
    EXPECT_EQ(FilterTimeToText(0), "");
    for (const char* malformed :
         {"", "2007-07", "2007-13-01", "2007-07-15-1", "07/15/2007", "2007--15", "2007-0x7-15", "abc"})
        EXPECT_EQ(FilterTimeFromText(malformed), 0) << malformed;
}

TEST(FilterRecordsTest, AttributeForm) {
    EXPECT_EQ(FilterAttributesToText(0x1 | 0x2 | 0x4 | 0x20), "RASH");
    EXPECT_EQ(FilterAttributesToText(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY), "RH");
    EXPECT_EQ(FilterAttributesToText(0), "");
    EXPECT_EQ(FilterAttributesFromText("xHyR"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(FilterAttributesFromText("SA"), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(FilterAttributesFromText("rash"), 0u);  // lower case is not recognised
}

TEST(FilterRecordsTest, TypeForm) {
    EXPECT_EQ(FilterTypesToText(0x7), "Text;Binary;Directory");
    EXPECT_EQ(FilterTypesToText(0x4), "Directory");
    EXPECT_EQ(FilterTypesToText(0), "");
    EXPECT_EQ(FilterTypesFromText("Text;Directory"), 0x5u);
    EXPECT_EQ(FilterTypesFromText("text;Binary"), 0x2u);
    EXPECT_EQ(FilterTypesFromText("Text ;;Binary"), 0x2u);  // pieces must match exactly
    EXPECT_EQ(FilterTypesFromText(""), 0u);
}

TEST(FilterRecordsTest, SizeForm) {
    EXPECT_EQ(FilterSizeToText(18446744073709551615ull), "18446744073709551615");
    EXPECT_EQ(FilterSizeFromText("18446744073709551615"), 18446744073709551615ull);
    EXPECT_EQ(FilterSizeFromText("99999999999999999999999"), 18446744073709551615ull);
    EXPECT_EQ(FilterSizeFromText("1024kb"), 1024u);
    EXPECT_EQ(FilterSizeFromText("kb"), 0u);
    EXPECT_EQ(FilterSizeFromText("-5"), 0u);
}

}  // namespace
}  // namespace corvatine
