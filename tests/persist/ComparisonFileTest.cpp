#include "persist/ComparisonFile.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/FileAttributes.h"
#include "platform/LocalTime.h"
#include "request/CompareMethods.h"
#include "support/TestSupport.h"
#include "textcompare/TextCompareOptions.h"

namespace corvatine {
namespace {

std::string DataFile(const std::string& name) { return std::string(CORVATINE_TEST_DATA) + "/" + name; }

CompareParamsList ReadText(const std::string& text, bool expectRead = true) {
    CompareParamsList list;
    std::string error;
    EXPECT_EQ(CComparisonFile::ReadComparisonsText(text, list, error), expectRead) << error;
    return list;
}

CompareParamsList ReadData(const std::string& name) {
    CompareParamsList list;
    std::string error;
    EXPECT_TRUE(CComparisonFile::ReadComparisons(DataFile(name), list, error)) << error;
    return list;
}

int64_t Midnight(int year, int month, int day) {
    int64_t seconds = 0;
    EXPECT_TRUE(platform::LocalMidnight(year, month, day, seconds));
    return seconds;
}

const CTextCompareParams& Text(const CompareParamsList& list, size_t i) {
    return dynamic_cast<const CTextCompareParams&>(*list.at(i));
}
const CFolderCompareParams& Folder(const CompareParamsList& list, size_t i) {
    return dynamic_cast<const CFolderCompareParams&>(*list.at(i));
}

std::string Wrap(const std::string& version, const std::string& records) {
    return "<?xml version=\"1.0\"?><Comparisons Version=\"" + version + "\">" + records + "</Comparisons>";
}

const char kTextRecord[] =
    "<Comparison Type=\"Text\"><Objects><Object Path=\"/a\"/><Object Path=\"/b\"/></Objects></Comparison>";

TEST(ComparisonFileTest, TheCurrentFormatIsWrittenExactly) {
    CompareParamsList list;
    auto text = std::make_unique<CTextCompareParams>();
    text->sides[0] = {"/home/u/a & b.txt", SIDE_READ_ONLY};
    text->sides[1] = {"/home/u/<b>.txt", 0};
    text->rules = RULE_IGNORE_ALL_SPACE | RULE_IGNORE_CASE | RULE_IGNORE_LINES_MATCHING_FILTER;
    text->lineFilter = "^\"x\"\t$";
    text->lastComparedTime = 1168864496;  // 2007-01-15 12:34:56 UTC
    list.push_back(std::move(text));
    auto folder = std::make_unique<CFolderCompareParams>();
    folder->sides[0].path = "/l";
    folder->sides[1] = {"/r", SIDE_READ_ONLY};
    folder->methods = METHOD_TIME | METHOD_CRC | METHOD_TYPE;
    folder->options = FOLDER_OPTION_AUTO_SCAN;
    CFileFilters& files = folder->filters.fileFilters;
    files.nameInclude = "*.c;*.h";
    files.nameExclude = "*.o";
    files.matchCase = 1;
    files.timeFrom = Midnight(2007, 1, 15);
    files.sizeMax = 5000000000;
    files.attributesExclude = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
    files.typeExclude = FILTER_TYPE_TEXT | FILTER_TYPE_DIRECTORY;
    folder->filters.folderFilters.nameExclude = ".svn";
    folder->filters.folderFilters.attributesExclude = FILE_ATTRIBUTE_SYSTEM;
    list.push_back(std::move(folder));
    list.push_back(nullptr);  // empty entries are skipped
    auto binary = std::make_unique<CBinaryCompareParams>();
    binary->sides[0].path = "/x.bin";
    binary->sides[1].path = "/y.bin";
    list.push_back(std::move(binary));

    EXPECT_EQ(
        CComparisonFile::ComparisonsText(list, -1),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<Comparisons Version=\"1.0.8\">\n"
        "    <Comparison Type=\"Text\" LastComparedTime=\"2007-01-15 12:34:56\">\n"
        "        <Objects>\n"
        "            <Object Path=\"/home/u/a &amp; b.txt\" ReadOnly=\"1\"/>\n"
        "            <Object Path=\"/home/u/&lt;b&gt;.txt\" ReadOnly=\"0\"/>\n"
        "        </Objects>\n"
        "        <Rules IgnoreAllSpace=\"1\" IgnoreSpaceDifferences=\"0\" IgnoreLeadingSpace=\"0\" "
        "IgnoreTrailingSpace=\"0\" IgnoreTabExpansion=\"0\" IgnoreBlankLines=\"0\" IgnoreCase=\"1\" "
        "IgnoreEOL=\"0\" IgnoreComments=\"0\" IgnoreLinesMatchingFilter=\"1\"/>\n"
        "        <Filters>\n"
        "            <LineFilter RegExp=\"^&quot;x&quot;&#9;$\"/>\n"
        "        </Filters>\n"
        "    </Comparison>\n"
        "    <Comparison Type=\"Folder\" LastComparedTime=\"\">\n"
        "        <Objects>\n"
        "            <Object Path=\"/l\" ReadOnly=\"0\"/>\n"
        "            <Object Path=\"/r\" ReadOnly=\"1\"/>\n"
        "        </Objects>\n"
        "        <Methods LMTime=\"1\" Size=\"0\" Version=\"0\" Attributes=\"0\" CRC32=\"1\" Binary=\"0\" "
        "Text=\"0\" Type=\"1\"/>\n"
        "        <Filters>\n"
        "            <Files>\n"
        "                <Name Include=\"*.c;*.h\" Exclude=\"*.o\" MatchCase=\"1\"/>\n"
        "                <Time From=\"2007-01-15\" To=\"\"/>\n"
        "                <Size Min=\"\" Max=\"5000000000\"/>\n"
        "                <Attributes Exclude=\"RAH\"/>\n"
        "                <Type Exclude=\"Text|Directory\"/>\n"
        "            </Files>\n"
        "            <Folders>\n"
        "                <Name Include=\"*\" Exclude=\".svn\" MatchCase=\"0\"/>\n"
        "                <Attributes Exclude=\"S\"/>\n"
        "            </Folders>\n"
        "        </Filters>\n"
        "        <Options AutoScanSubfolders=\"1\"/>\n"
        "    </Comparison>\n"
        "    <Comparison Type=\"Binary\" LastComparedTime=\"\">\n"
        "        <Objects>\n"
        "            <Object Path=\"/x.bin\" ReadOnly=\"0\"/>\n"
        "            <Object Path=\"/y.bin\" ReadOnly=\"0\"/>\n"
        "        </Objects>\n"
        "    </Comparison>\n"
        "</Comparisons>\n");

    // The limit counts the records written.
    const std::string first = CComparisonFile::ComparisonsText(list, 1);
    EXPECT_NE(first.find("Type=\"Text\""), std::string::npos);
    EXPECT_EQ(first.find("Type=\"Folder\""), std::string::npos);
    EXPECT_EQ(CComparisonFile::ComparisonsText(list, 0).find("<Comparison "), std::string::npos);
}

TEST(ComparisonFileTest, AnEmptyLineFilterIsWrittenWithoutFiltersAndReadBackEmpty) {
    CompareParamsList list;
    auto text = std::make_unique<CTextCompareParams>();
    text->sides[0].path = "/a";
    text->sides[1].path = "/b";
    text->rules = RULE_IGNORE_CASE;
    list.push_back(std::move(text));
    const std::string written = CComparisonFile::ComparisonsText(list, -1);
    EXPECT_EQ(written.find("Filters"), std::string::npos);
    const CompareParamsList read = ReadText(written);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(Text(read, 0).lineFilter, "");
    EXPECT_EQ(Text(read, 0).rules, RULE_IGNORE_CASE);
}

TEST(ComparisonFileTest, VersionsThatAreNotKnownOpenNothing) {
    for (const std::string version : {"1.0.9", "1.0.4", "1.0", "", "1.0.8 "}) {
        CompareParamsList list;
        std::string error;
        EXPECT_FALSE(CComparisonFile::ReadComparisonsText(Wrap(version, kTextRecord), list, error))
            << version;
        EXPECT_TRUE(list.empty());
        EXPECT_NE(error.find("version"), std::string::npos) << error;
    }
    CompareParamsList list;
    std::string error;
    EXPECT_FALSE(CComparisonFile::ReadComparisonsText(
        std::string("<Comparisons>") + kTextRecord + "</Comparisons>", list, error));
    // The oldest roots need their Format.
    EXPECT_FALSE(CComparisonFile::ReadComparisonsText("<Tarnovex Format=\"1.1\"/>", list, error));
    EXPECT_FALSE(CComparisonFile::ReadComparisonsText("<Corvatine/>", list, error));
    EXPECT_FALSE(CComparisonFile::ReadComparisonsText("<Other Version=\"1.0.8\"/>", list, error));
    EXPECT_TRUE(list.empty());
    // A known version without records reads as nothing, successfully.
    EXPECT_TRUE(CComparisonFile::ReadComparisonsText(Wrap("1.0.8", ""), list, error));
    EXPECT_TRUE(list.empty());
}

TEST(ComparisonFileTest, RecordsThatCannotBeReadAreSkippedAndTheOthersStay) {
    const CompareParamsList list =
        ReadText(Wrap("1.0.8",
                      "<Comparison Type=\"Patch\"><Objects><Object Path=\"/p\"/></Objects></Comparison>"
                      "<Comparison><Objects><Object Path=\"/no-type\"/></Objects></Comparison>"
                      "<Comparison Type=\"folder\"><Objects><Object Path=\"/lower\"/></Objects></Comparison>"
                      "<Comparison Type=\"Binary\"><Objects><Object Path=\"/only-left\" "
                      "ReadOnly=\"7\"/></Objects></Comparison>"
                      "<Other Type=\"Text\"><Objects><Object Path=\"/other\"/></Objects></Other>" +
                          std::string(kTextRecord)));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->kind, COMPARE_BINARY);
    EXPECT_EQ(list[0]->sides[0].path, "/only-left");
    EXPECT_EQ(list[0]->sides[0].flags, SIDE_READ_ONLY);  // any non-zero value is true
    EXPECT_EQ(list[0]->sides[1].path, "");               // one Object: the right side is empty
    EXPECT_EQ(list[1]->kind, COMPARE_TEXT);
    EXPECT_EQ(list[1]->sides[1].path, "/b");
}

// Every child element may be missing; each missing one leaves its part of
// the request as a new request of that kind has it, and the record stays.
TEST(ComparisonFileTest, AbsentElementsLeaveTheirPartsEmpty) {
    const CompareParamsList list = ReadText(
        Wrap("1.0.8",
             "<Comparison Type=\"Binary\"/>"
             "<Comparison Type=\"Text\" LastComparedTime=\"2020-02-29 10:11:12\"/>"
             "<Comparison Type=\"Folder\"><Methods Size=\"1\"/></Comparison>"
             "<Comparison Type=\"Folder\"><Objects><Object Path=\"/l\"/><Object Path=\"/r\"/></Objects>"
             "<Filters><Name Include=\"*.misplaced\"/><Folders><Name Exclude=\"obj\"/></Folders></Filters>"
             "</Comparison>"
             "<Comparison Type=\"Text\"><Objects/><Filters/></Comparison>"));
    ASSERT_EQ(list.size(), 5u);
    const CFolderCompareParams defaults;
    for (const auto& request : list) {
        if (request.get() == list[3].get()) continue;
        for (const COMPARESIDE& side : request->sides) {
            EXPECT_EQ(side.path, "");
            EXPECT_EQ(side.flags, 0u);
        }
    }
    EXPECT_EQ(list[0]->kind, COMPARE_BINARY);
    EXPECT_EQ(list[0]->lastComparedTime, 0);

    const CTextCompareParams& text = Text(list, 1);
    EXPECT_NE(text.lastComparedTime, 0);
    EXPECT_EQ(text.rules, 0u);
    EXPECT_EQ(text.lineFilter, "");

    const CFolderCompareParams& noObjects = Folder(list, 2);
    EXPECT_EQ(noObjects.methods, METHOD_SIZE);
    EXPECT_EQ(noObjects.options, 0u);
    EXPECT_TRUE(noObjects.filters.Equals(defaults.filters));

    // Without Files the file filters stay the defaults: a name filter standing
    // directly in Filters is not one of this version's elements.
    const CFolderCompareParams& noFiles = Folder(list, 3);
    EXPECT_EQ(noFiles.sides[1].path, "/r");
    EXPECT_EQ(noFiles.methods, 0u);
    EXPECT_EQ(noFiles.filters.fileFilters.nameInclude, defaults.filters.fileFilters.nameInclude);
    EXPECT_EQ(noFiles.filters.folderFilters.nameExclude, "obj");

    EXPECT_EQ(Text(list, 4).rules, 0u);
    EXPECT_EQ(Text(list, 4).lineFilter, "");

    // The older versions likewise.
    const CompareParamsList older = ReadText(Wrap("1.0.3", "<Comparison Type=\"Text\"/>"));
    ASSERT_EQ(older.size(), 1u);
    EXPECT_EQ(older[0]->sides[0].path, "");
    const CompareParamsList oldest =
        ReadText("<Tarnovex Format=\"1.0\"><Project Type=\"Folders\"/></Tarnovex>");
    ASSERT_EQ(oldest.size(), 1u);
    EXPECT_EQ(oldest[0]->kind, COMPARE_FOLDER);
    EXPECT_EQ(Folder(oldest, 0).methods, 0u);
}

TEST(ComparisonFileTest, MissingAndMalformedValuesTakeTheEmptyValue) {
    const CompareParamsList list = ReadText(Wrap(
        "1.0.8",
        "<Comparison Type=\"Folder\" LastComparedTime=\"2026-13-45 99:99:99\">"
        "<Objects><Object Path=\"/l\" ReadOnly=\"yes\"/><Object Path=\"/r\" ReadOnly=\"00\"/></Objects>"
        "<Methods Size=\"1\" CRC32=\"-1\" Text=\"abc\" LMTime=\"99999999999999999999999\"/>"
        "<Filters><Files><Name Include=\"\"/>"
        "<Time From=\"0-0-0\" To=\"2007-1\"/>"
        "<Size Min=\"99999999999999999999999\" Max=\"-5\"/>"
        "<Attributes Exclude=\"rhsa\"/><Type Exclude=\"text|BINARY\"/></Files>"
        "<Folders><Attributes Exclude=\"xRy\"/></Folders></Filters>"
        "</Comparison>"
        "<Comparison Type=\"Text\" LastComparedTime=\"2020-02-29\">"
        "<Objects><Object/><Object Path=\"/b\"/></Objects><Filters><LineFilter/></Filters></Comparison>"));
    ASSERT_EQ(list.size(), 2u);
    const CFolderCompareParams& folder = Folder(list, 0);
    EXPECT_EQ(folder.lastComparedTime, 0);
    EXPECT_EQ(folder.sides[0].flags, 0u);
    EXPECT_EQ(folder.sides[1].flags, 0u);
    EXPECT_EQ(folder.methods, METHOD_SIZE | METHOD_CRC | METHOD_TIME);
    EXPECT_EQ(folder.options, 0u);
    const CFileFilters& files = folder.filters.fileFilters;
    EXPECT_EQ(files.nameInclude, "");
    EXPECT_EQ(files.timeFrom, 0);
    EXPECT_EQ(files.timeTo, 0);
    EXPECT_EQ(files.sizeMin, UINT64_MAX);  // the digits saturate
    EXPECT_EQ(files.sizeMax, 0u);
    EXPECT_EQ(files.attributesExclude, 0u);  // lower-case letters are not recognised
    EXPECT_EQ(files.typeExclude, 0u);        // nor type names in another case
    EXPECT_EQ(folder.filters.folderFilters.attributesExclude, FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(folder.filters.folderFilters.nameInclude, "*");  // absent: the default
    const CTextCompareParams& text = Text(list, 1);
    EXPECT_EQ(text.lastComparedTime, 0);  // no time part
    EXPECT_EQ(text.sides[0].path, "");
    EXPECT_EQ(text.rules, 0u);  // text records start without rules
    EXPECT_EQ(text.lineFilter, "");
}

// Flags are found by name wherever they stand among an element's attributes;
// names of another version, or of nothing, set no flag.
TEST(ComparisonFileTest, FlagsAreReadInAnyOrderAmongOtherAttributes) {
    const std::string objects = "<Objects><Object Path=\"/a\"/><Object Path=\"/b\"/></Objects>";
    const CompareParamsList current = ReadText(Wrap(
        "1.0.8", "<Comparison Type=\"Text\">" + objects +
                     "<Rules Note=\"1\" IgnoreLinesMatchingFilter=\"1\" IgnoreRegExp=\"1\" IgnoreCase=\"0\" "
                     "IgnoreEOL=\"2\" IgnoreAllSpace=\"1\" ignorecase=\"1\" IgnoreBlankLines=\"+1\"/>"
                     "</Comparison>"));
    ASSERT_EQ(current.size(), 1u);
    EXPECT_EQ(Text(current, 0).rules, RULE_IGNORE_LINES_MATCHING_FILTER | RULE_IGNORE_LINE_ENDINGS |
                                          RULE_IGNORE_ALL_SPACE | RULE_IGNORE_BLANK_LINES);
    const CompareParamsList older = ReadText(Wrap(
        "1.0.3", "<Comparison Type=\"Text\">" + objects +
                     "<Methods IgnoreRegExp=\"1\" IgnoreLinesMatchingFilter=\"0\" IgnoreComments=\"1\" "
                     "IgnoreTrailingSpace=\"1\"/></Comparison>"
                     "<Comparison Type=\"Folder\">" +
                     objects + "<Methods Type=\"1\" Text=\"0\" LMTime=\"1\" Sizes=\"1\"/></Comparison>"));
    ASSERT_EQ(older.size(), 2u);
    EXPECT_EQ(Text(older, 0).rules,
              RULE_IGNORE_LINES_MATCHING_FILTER | RULE_IGNORE_COMMENTS | RULE_IGNORE_TRAILING_SPACE);
    EXPECT_EQ(Folder(older, 1).methods, METHOD_TYPE | METHOD_TIME);
}

TEST(ComparisonFileTest, TheLastComparedTimeIsLocalTime) {
    test::ScopedEnv tz("TZ", "Europe/Berlin");
    const CompareParamsList list = ReadText(
        Wrap("1.0.8",
             "<Comparison Type=\"Binary\" LastComparedTime=\"2007-07-01 12:00:00\"><Objects/></Comparison>"));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->lastComparedTime, 1183284000);  // 10:00 UTC, summer time
    EXPECT_NE(CComparisonFile::ComparisonsText(list, -1).find("LastComparedTime=\"2007-07-01 12:00:00\""),
              std::string::npos);
}

TEST(ComparisonFileTest, Version103) {
    const CompareParamsList list = ReadData("version-1.0.3.cmp");
    ASSERT_EQ(list.size(), 4u);
    const CFolderCompareParams& folder = Folder(list, 0);
    EXPECT_EQ(folder.sides[0].path, "/srv/left tree");
    EXPECT_EQ(folder.sides[0].flags, SIDE_READ_ONLY);
    EXPECT_EQ(folder.sides[1].path, "/srv/right & more");
    EXPECT_EQ(folder.sides[1].flags, 0u);
    EXPECT_EQ(folder.lastComparedTime, 0);
    EXPECT_EQ(folder.methods, METHOD_TIME | METHOD_SIZE | METHOD_ATTRIBUTES | METHOD_TYPE);
    EXPECT_EQ(folder.options, FOLDER_OPTION_AUTO_SCAN);
    const CFileFilters& files = folder.filters.fileFilters;
    EXPECT_EQ(files.nameInclude, "*.c;*.h");
    EXPECT_EQ(files.nameExclude, "*.o");
    EXPECT_EQ(files.matchCase, 1u);
    EXPECT_EQ(files.timeFrom, Midnight(2007, 1, 15));
    EXPECT_EQ(files.timeTo, Midnight(2008, 2, 29));
    EXPECT_EQ(files.sizeMin, 100u);
    EXPECT_EQ(files.sizeMax, 5000000000u);
    EXPECT_EQ(files.attributesExclude,
              FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(files.typeExclude, FILTER_TYPE_BINARY | FILTER_TYPE_DIRECTORY);
    const CFolderFilters& folders = folder.filters.folderFilters;
    EXPECT_EQ(folders.nameInclude, "src*");
    EXPECT_EQ(folders.nameExclude, ".svn;CVS");
    EXPECT_EQ(folders.matchCase, 0u);
    EXPECT_EQ(folders.attributesExclude, FILE_ATTRIBUTE_HIDDEN);

    const CTextCompareParams& text = Text(list, 1);
    EXPECT_EQ(text.sides[1].flags, SIDE_READ_ONLY);
    EXPECT_EQ(text.rules, RULE_IGNORE_SPACE_DIFFERENCES | RULE_IGNORE_LEADING_SPACE |
                              RULE_IGNORE_TAB_EXPANSION | RULE_IGNORE_BLANK_LINES | RULE_IGNORE_LINE_ENDINGS |
                              RULE_IGNORE_COMMENTS | RULE_IGNORE_LINES_MATCHING_FILTER);
    EXPECT_EQ(text.lineFilter, "^#.*$");
    EXPECT_EQ(Text(list, 2).rules, RULE_IGNORE_CASE);  // "Project" reads as text
    EXPECT_EQ(Text(list, 2).sides[0].path, "/p/one.prj");
    EXPECT_EQ(list[3]->kind, COMPARE_BINARY);
    EXPECT_EQ(list[3]->sides[0].flags & list[3]->sides[1].flags, SIDE_READ_ONLY);
}

TEST(ComparisonFileTest, Version102) {
    const CompareParamsList list = ReadData("version-1.0.2.cmp");
    ASSERT_EQ(list.size(), 2u);
    const CFolderCompareParams& folder = Folder(list, 0);
    EXPECT_EQ(folder.sides[1].flags, SIDE_READ_ONLY);
    EXPECT_EQ(folder.methods, METHOD_SIZE | METHOD_VERSION | METHOD_CRC);
    EXPECT_EQ(folder.options, 0u);
    const CFileFilters& files = folder.filters.fileFilters;
    EXPECT_EQ(files.nameInclude, "*.cpp");
    EXPECT_EQ(files.nameExclude, "*~");
    EXPECT_EQ(files.timeFrom, Midnight(2010, 6, 1));
    EXPECT_EQ(files.timeTo, Midnight(2011, 12, 31));
    EXPECT_EQ(files.sizeMin, 1u);
    EXPECT_EQ(files.sizeMax, 1024u);
    EXPECT_EQ(files.attributesExclude, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(files.typeExclude, FILTER_TYPE_TEXT);
    EXPECT_EQ(folder.filters.folderFilters.nameExclude, "build");
    EXPECT_EQ(folder.filters.folderFilters.matchCase, 1u);
    EXPECT_EQ(folder.filters.folderFilters.attributesExclude, FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN);
    const CTextCompareParams& text = Text(list, 1);
    EXPECT_EQ(text.rules, RULE_IGNORE_ALL_SPACE | RULE_IGNORE_CASE | RULE_IGNORE_LINES_MATCHING_FILTER);
    EXPECT_EQ(text.lineFilter, "^\\s*//");
    EXPECT_EQ(text.sides[0].flags, SIDE_READ_ONLY);
}

TEST(ComparisonFileTest, Version101HoldsTheWordsAsNumbers) {
    const CompareParamsList list = ReadData("version-1.0.1.cmp");
    ASSERT_EQ(list.size(), 3u);
    const CFolderCompareParams& folder = Folder(list, 0);
    EXPECT_EQ(folder.methods, METHOD_CRC | METHOD_SIZE | METHOD_TIME);
    EXPECT_EQ(folder.options, FOLDER_OPTION_AUTO_SCAN);
    const CFileFilters& files = folder.filters.fileFilters;
    EXPECT_EQ(files.nameInclude, "*.txt");
    EXPECT_EQ(files.matchCase, 1u);
    EXPECT_EQ(files.timeFrom, 1168819200);
    EXPECT_EQ(files.timeTo, 1199145600);
    EXPECT_EQ(files.sizeMin, 10u);
    EXPECT_EQ(files.sizeMax, 20u);
    EXPECT_EQ(files.attributesExclude, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(files.typeExclude, FILTER_TYPE_BINARY);
    EXPECT_EQ(folder.filters.folderFilters.nameExclude, "obj");
    EXPECT_EQ(folder.filters.folderFilters.attributesExclude, FILE_ATTRIBUTE_ARCHIVE);
    const CTextCompareParams& text = Text(list, 1);
    EXPECT_EQ(text.rules, RULE_IGNORE_ALL_SPACE | RULE_IGNORE_TRAILING_SPACE | RULE_IGNORE_CASE);
    EXPECT_EQ(text.lineFilter, "TODO");
    EXPECT_EQ(list[2]->kind, COMPARE_BINARY);
    EXPECT_EQ(list[2]->sides[1].flags, SIDE_READ_ONLY);

    // A word that is no 32-bit number drops its record; unknown bits are
    // not carried.
    const CompareParamsList words = ReadText(
        Wrap("1.0.1",
             "<Comparison Type=\"Folder\" Methods=\"99999999999\"><Objects/></Comparison>"
             "<Comparison Type=\"Text\" Options=\"0x10\"><Objects/></Comparison>"
             "<Comparison Type=\"Folder\" Methods=\"-1\" Options=\"4294967295\"><Objects/>"
             "<Filters><Files><Time From=\"99999999999999\" To=\"-5\"/><Attribute Exclude=\"65535\"/>"
             "<Type Exclude=\"text\"/></Files></Filters></Comparison>"));
    ASSERT_EQ(words.size(), 1u);
    EXPECT_EQ(Folder(words, 0).methods, kAllCompareMethods);
    EXPECT_EQ(Folder(words, 0).options, FOLDER_OPTION_AUTO_SCAN);
    const CFileFilters& masked = Folder(words, 0).filters.fileFilters;
    EXPECT_EQ(masked.timeFrom, 0);  // beyond the year 9999
    EXPECT_EQ(masked.timeTo, 0);
    EXPECT_EQ(masked.attributesExclude, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                            FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(masked.typeExclude, 0u);

    // A time on the first day of 1970 (UTC here) has no midnight to write it
    // as, so it is no bound rather than one that changes on the next save.
    const CompareParamsList first = ReadText(
        Wrap("1.0.1",
             "<Comparison Type=\"Folder\"><Objects/><Filters><Files><Time From=\"9999\" To=\"86400\"/>"
             "</Files></Filters></Comparison>"));
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(Folder(first, 0).filters.fileFilters.timeFrom, 0);
    EXPECT_EQ(Folder(first, 0).filters.fileFilters.timeTo, 86400);
}

TEST(ComparisonFileTest, TheOldestFormat) {
    const CompareParamsList list = ReadData("oldest-format.cmp");
    ASSERT_EQ(list.size(), 4u);  // the unknown type is skipped
    const CFolderCompareParams& folder = Folder(list, 0);
    EXPECT_EQ(folder.sides[0].path, "/old/one");
    EXPECT_EQ(folder.sides[0].flags, SIDE_READ_ONLY);
    EXPECT_EQ(folder.methods, METHOD_TIME | METHOD_SIZE);
    EXPECT_EQ(folder.options, FOLDER_OPTION_AUTO_SCAN);
    EXPECT_EQ(folder.filters.fileFilters.nameInclude, "*.pas;*.dfm");
    EXPECT_EQ(folder.filters.fileFilters.nameExclude, "*.~*");
    EXPECT_EQ(folder.filters.fileFilters.matchCase, 1u);
    EXPECT_EQ(Text(list, 1).rules, RULE_IGNORE_CASE);
    EXPECT_EQ(Text(list, 1).sides[1].path, "/old/b.pas");
    EXPECT_EQ(Text(list, 2).rules, RULE_IGNORE_ALL_SPACE);  // "Projects" read as text
    EXPECT_EQ(list[3]->kind, COMPARE_BINARY);
    EXPECT_EQ(list[3]->sides[1].flags, SIDE_READ_ONLY);

    // The same under the other root name; the records are Project elements.
    const CompareParamsList other = ReadText(
        "<Corvatine Format=\"1.0\"><Project Type=\"BinaryFiles\"><Objects><Object Path=\"/a\"/>"
        "<Object Path=\"/b\"/></Objects></Project><Comparison Type=\"Binary\"><Objects/></Comparison>"
        "<Project Type=\"Binary\"><Objects/></Project></Corvatine>");
    ASSERT_EQ(other.size(), 1u);
    EXPECT_EQ(other[0]->sides[1].path, "/b");
}

// Requests of every kind with random values in the ranges the format keeps,
// and paths and expressions that hold markup, blanks, line breaks and bytes
// that are not UTF-8.
std::unique_ptr<CCompareParams> RandomRequest(std::mt19937& random) {
    const auto pick = [&](uint32_t n) { return std::uniform_int_distribution<uint32_t>(0, n - 1)(random); };
    const auto bits = [&](uint32_t all) {
        uint32_t word = 0;
        for (uint32_t bit = 1; bit != 0; bit <<= 1)
            if ((all & bit) && pick(2)) word |= bit;
        return word;
    };
    static const char kPieces[][8] = {"a",  "/",        " ",    "&", "<", ">", "\"", "'",   "\t", "\n",
                                      "\r", "\xc3\xa9", "\xff", "*", ";", "|", "%1", "]]>", "é",  "x.y"};
    const auto text = [&](int maximum) {
        std::string s;
        for (int n = static_cast<int>(pick(static_cast<uint32_t>(maximum) + 1)); n > 0; --n)
            s += kPieces[pick(std::size(kPieces))];
        return s;
    };
    const auto day = [&]() -> int64_t {
        if (pick(3) == 0) return 0;
        int64_t seconds = 0;
        EXPECT_TRUE(platform::LocalMidnight(1971 + static_cast<int>(pick(8000)),
                                            1 + static_cast<int>(pick(12)), 1 + static_cast<int>(pick(28)),
                                            seconds));
        return seconds;
    };
    const auto size = [&]() -> uint64_t {
        switch (pick(3)) {
            case 0: return 0;
            case 1: return pick(100000);
            default: return (static_cast<uint64_t>(random()) << 32) | random();
        }
    };

    std::unique_ptr<CCompareParams> request;
    switch (pick(3)) {
        case 0: {
            auto t = std::make_unique<CTextCompareParams>();
            t->rules = bits(kAllTextRules);
            t->lineFilter = text(6);
            request = std::move(t);
            break;
        }
        case 1: request = std::make_unique<CBinaryCompareParams>(); break;
        default: {
            auto f = std::make_unique<CFolderCompareParams>();
            f->methods = bits(kAllCompareMethods);
            f->options = bits(FOLDER_OPTION_AUTO_SCAN);
            CFileFilters& files = f->filters.fileFilters;
            files.nameInclude = text(3);
            files.nameExclude = text(3);
            files.matchCase = pick(2);
            files.timeFrom = day();
            files.timeTo = day();
            files.sizeMin = size();
            files.sizeMax = size();
            const uint32_t attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                        FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
            files.attributesExclude = bits(attributes);
            files.typeExclude = bits(FILTER_TYPE_TEXT | FILTER_TYPE_BINARY | FILTER_TYPE_DIRECTORY);
            CFolderFilters& folders = f->filters.folderFilters;
            folders.nameInclude = text(3);
            folders.nameExclude = text(3);
            folders.matchCase = pick(2);
            folders.attributesExclude = bits(attributes);
            request = std::move(f);
        }
    }
    for (COMPARESIDE& side : request->sides) {
        side.path = pick(8) == 0 ? std::string() : "/" + text(8);
        side.flags = bits(SIDE_READ_ONLY);
    }
    int64_t stamp = 0;
    if (pick(2)) {
        EXPECT_TRUE(platform::LocalDateTime(1971 + static_cast<int>(pick(60)), 1 + static_cast<int>(pick(12)),
                                            1 + static_cast<int>(pick(28)), static_cast<int>(pick(24)),
                                            static_cast<int>(pick(60)), static_cast<int>(pick(60)), stamp));
    }
    request->lastComparedTime = stamp;
    return request;
}

TEST(ComparisonFileTest, RandomRequestsOfEveryKindSurviveAWriteAndARead) {
    test::TempDir dir;
    std::mt19937 random(20261209);
    for (int round = 0; round < 20; ++round) {
        CompareParamsList written;
        for (int i = 0; i < 25; ++i) written.push_back(RandomRequest(random));
        const std::string path = dir / "random.cmp";
        std::string error;
        ASSERT_TRUE(CComparisonFile::WriteComparisons(path, written, -1, error)) << error;
        CompareParamsList read;
        ASSERT_TRUE(CComparisonFile::ReadComparisons(path, read, error)) << error;
        ASSERT_EQ(read.size(), written.size());
        for (size_t i = 0; i < read.size(); ++i) {
            EXPECT_TRUE(read[i]->Equals(*written[i])) << "record " << i << " of round " << round << ":\n"
                                                      << CComparisonFile::ComparisonsText(written, -1);
            EXPECT_EQ(read[i]->lastComparedTime, written[i]->lastComparedTime);
            // Equals compares patterns without case; the bytes must survive too.
            for (int side = 0; side < 2; ++side)
                EXPECT_EQ(read[i]->sides[side].path, written[i]->sides[side].path);
            if (const auto* f = dynamic_cast<const CFolderCompareParams*>(written[i].get())) {
                EXPECT_EQ(Folder(read, i).filters.fileFilters.nameInclude,
                          f->filters.fileFilters.nameInclude);
                EXPECT_EQ(Folder(read, i).filters.folderFilters.nameExclude,
                          f->filters.folderFilters.nameExclude);
            }
        }
    }
}

TEST(ComparisonFileTest, DamagedFilesAreRefusedWithTheFileNamed) {
    test::TempDir dir;
    CompareParamsList list;
    std::string error;
    EXPECT_FALSE(CComparisonFile::ReadComparisons(dir / "missing.cmp", list, error));
    EXPECT_NE(error.find("missing.cmp"), std::string::npos);
    EXPECT_NE(error.find("No such file"), std::string::npos);
    EXPECT_FALSE(CComparisonFile::ReadComparisons(dir.Path(), list, error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos);
    const std::string empty = dir.WriteFile("empty.cmp", "");
    EXPECT_FALSE(CComparisonFile::ReadComparisons(empty, list, error));
    EXPECT_NE(error.find("empty.cmp"), std::string::npos);

    std::string deep = "<Comparisons Version=\"1.0.8\">";
    for (int i = 0; i < 10000; ++i) deep += "<Comparison>";
    EXPECT_FALSE(CComparisonFile::ReadComparisons(dir.WriteFile("deep.cmp", deep), list, error));
    EXPECT_NE(error.find("nested"), std::string::npos) << error;
    EXPECT_TRUE(list.empty());

    // Every truncation of a good file either fails or reads whole records.
    const std::string good = test::ReadFile(DataFile("version-1.0.3.cmp"));
    ASSERT_FALSE(good.empty());
    for (size_t n = 0; n < good.size(); ++n) {
        CompareParamsList part;
        if (CComparisonFile::ReadComparisonsText(std::string_view(good).substr(0, n), part, error)) {
            EXPECT_LE(part.size(), 4u);
        }
    }
}

TEST(ComparisonFileTest, AWriteThatCannotBeMadeFailsWithTheFileNamed) {
    test::TempDir dir;
    CompareParamsList list;
    list.push_back(std::make_unique<CBinaryCompareParams>());
    std::string error;
    EXPECT_FALSE(CComparisonFile::WriteComparisons(dir / "no/such/folder/x.cmp", list, -1, error));
    EXPECT_NE(error.find("x.cmp"), std::string::npos) << error;
}

}  // namespace
}  // namespace corvatine
