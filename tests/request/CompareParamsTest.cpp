#include "request/CompareParams.h"

#include <gtest/gtest.h>

#include "platform/Path.h"

namespace corvatine {
namespace {

using CompareParamsTest = ::testing::Test;

CTextCompareParams TextRequest(const std::string& left, const std::string& right, uint32_t rules) {
    CTextCompareParams request;
    request.sides[0].path = left;
    request.sides[1].path = right;
    request.rules = rules;
    return request;
}

TEST_F(CompareParamsTest, KindsAndDefaultsFromTheSettingsHandedOverAtConstruction) {
    EXPECT_EQ(CCompareParams().kind, COMPARE_NONE);
    EXPECT_EQ(CBinaryCompareParams().kind, COMPARE_BINARY);
    CTextCompareParams text;
    EXPECT_EQ(text.kind, COMPARE_TEXT);
    EXPECT_EQ(text.rules, 0x20000u);
    CFolderCompareParams folder;
    EXPECT_EQ(folder.kind, COMPARE_FOLDER);
    EXPECT_EQ(folder.methods, 0x110u);
    EXPECT_EQ(folder.options, 0u);
    EXPECT_TRUE(folder.filters.Equals(CComboFilters()));

    // The settings' words are handed to the request; it keeps them.
    const RequestDefaults settings{0x30000, 0x100000};
    CTextCompareParams later(settings.textRules);
    EXPECT_EQ(later.rules, 0x30000u);
    EXPECT_EQ(later.lineFilter, "");  // the settings' line filter is not copied
    EXPECT_EQ(CFolderCompareParams(settings.methods).methods, 0x100000u);
    EXPECT_EQ(text.rules, 0x20000u);
    EXPECT_EQ(folder.methods, 0x110u);

    for (int32_t kind : {0, 10, 21, 22, 7})
        EXPECT_EQ(CreateCompareParams(kind)->kind, kind == 7 ? COMPARE_NONE : kind);
    const auto made = CreateCompareParams(COMPARE_TEXT, {0x30000, 0x100000});
    EXPECT_EQ(static_cast<CTextCompareParams&>(*made).rules, 0x30000u);
    EXPECT_EQ(
        static_cast<CFolderCompareParams&>(*CreateCompareParams(COMPARE_FOLDER, {0x30000, 0x100000})).methods,
        0x100000u);
}

TEST_F(CompareParamsTest, TitleNamesBothFilesAndUntitledSides) {
    CTextCompareParams request = TextRequest("/home/u/src/a.txt", "", 0);
    EXPECT_EQ(request.GetTitle(), "a.txt : Untitled");
    request.sides[1].path = "rel/b.txt";
    EXPECT_EQ(request.GetTitle(), "a.txt : b.txt");
    CFolderCompareParams folders;
    folders.sides[0].path = "/srv/old/";
    folders.sides[1].path = "/";
    EXPECT_EQ(folders.GetTitle(), "old : /");
    EXPECT_EQ(CCompareParams().GetTitle(), "Untitled : Untitled");
}

TEST_F(CompareParamsTest, SwapSidesExchangesPathsAndFlagsOnly) {
    CTextCompareParams request = TextRequest("a", "b", 0x10001);
    request.sides[0].flags = SIDE_READ_ONLY;
    request.lineFilter = "x";
    request.SwapSides();
    EXPECT_EQ(request.sides[0].path, "b");
    EXPECT_EQ(request.sides[0].flags, 0u);
    EXPECT_EQ(request.sides[1].path, "a");
    EXPECT_EQ(request.sides[1].flags, SIDE_READ_ONLY);
    EXPECT_EQ(request.rules, 0x10001u);
    EXPECT_EQ(request.lineFilter, "x");
}

TEST_F(CompareParamsTest, EqualityByKindFlagsPathsAndSettings) {
    const CTextCompareParams a = TextRequest("/t/a.txt", "/t/b.txt", 0x20000);
    CTextCompareParams b = TextRequest("/t//a.txt", "/t/./b.txt", 0x20000);
    EXPECT_TRUE(a.Equals(b));  // same file-system paths
    b.rules = 0x20001;
    EXPECT_FALSE(a.Equals(b));  // different rules open a second document
    b.rules = a.rules;
    b.lineFilter = "^#";
    EXPECT_FALSE(a.Equals(b));
    b.lineFilter = "";
    b.sides[1].flags = SIDE_READ_ONLY;
    EXPECT_FALSE(a.Equals(b));

    // Linux paths are case-sensitive: these name different files.
    const CTextCompareParams upper = TextRequest("/t/A.txt", "/t/b.txt", 0x20000);
    EXPECT_FALSE(a.Equals(upper));
    EXPECT_FALSE(a.SamePaths(upper, true));

    CBinaryCompareParams binary;
    binary.sides[0].path = "/t/a.txt";
    binary.sides[1].path = "/t/b.txt";
    EXPECT_FALSE(a.Equals(binary));
    EXPECT_FALSE(binary.Equals(a));
    EXPECT_TRUE(binary.SamePaths(a, false));
}

TEST_F(CompareParamsTest, SamePathsWithAndWithoutSwapping) {
    const CTextCompareParams a = TextRequest("x/a", "x/b", 0);
    CTextCompareParams swapped = a;
    swapped.SwapSides();
    EXPECT_TRUE(a.SamePaths(swapped, true));
    EXPECT_FALSE(a.SamePaths(swapped, false));
    EXPECT_FALSE(a.Equals(swapped));

    const CTextCompareParams same = TextRequest("x/a", "x/a", 0);
    CTextCompareParams sameSwapped = same;
    sameSwapped.SwapSides();
    EXPECT_TRUE(same.Equals(sameSwapped));
}

TEST_F(CompareParamsTest, FolderEqualityComparesMethodsOptionsAndFilters) {
    CFolderCompareParams a, b;
    a.sides[0].path = b.sides[0].path = "/l";
    a.sides[1].path = b.sides[1].path = "/r";
    a.filters.fileFilters.nameInclude = "*.CPP";
    b.filters.fileFilters.nameInclude = "*.cpp";
    EXPECT_TRUE(a.Equals(b));  // pattern lists ignore case
    b.options = 0x2;
    EXPECT_FALSE(a.Equals(b));
    b.options = 0;
    b.methods = 0x111;
    EXPECT_FALSE(a.Equals(b));
    b.methods = a.methods;
    b.filters.folderFilters.attributesExclude = 0x2;
    EXPECT_FALSE(a.Equals(b));
}

TEST_F(CompareParamsTest, CopyFromKeepsKindAndTime) {
    CTextCompareParams source = TextRequest("a", "b", 0x10001);
    source.lineFilter = "^//";
    source.sides[1].flags = SIDE_READ_ONLY;
    source.lastComparedTime = 100;

    CTextCompareParams target;
    target.lastComparedTime = 7;
    target.CopyFrom(source);
    EXPECT_EQ(target.sides[0].path, "a");
    EXPECT_EQ(target.sides[1].flags, SIDE_READ_ONLY);
    EXPECT_EQ(target.rules, 0x10001u);
    EXPECT_EQ(target.lineFilter, "^//");
    EXPECT_EQ(target.lastComparedTime, 7);
    EXPECT_EQ(target.kind, COMPARE_TEXT);

    // From another kind only the sides come across.
    CBinaryCompareParams binary;
    binary.CopyFrom(source);
    EXPECT_EQ(binary.kind, COMPARE_BINARY);
    EXPECT_EQ(binary.sides[1].path, "b");

    CFolderCompareParams folderSource;
    folderSource.methods = 0x200000;
    folderSource.options = 0x2;
    folderSource.filters.folderFilters.nameExclude = ".git";
    CFolderCompareParams folder;
    folder.CopyFrom(folderSource);
    EXPECT_TRUE(folder.Equals(folderSource));

    // The copy constructor copies every field, the time included.
    const CTextCompareParams copy(source);
    EXPECT_EQ(copy.lastComparedTime, 100);
    EXPECT_TRUE(copy.Equals(source));
    EXPECT_EQ(source.Clone()->lastComparedTime, 100);
    EXPECT_TRUE(source.Clone()->Equals(source));
}

TEST_F(CompareParamsTest, TextCommandLine) {
    CTextCompareParams request = TextRequest("/src/a b.txt", "/src/c.txt", 0x1 | 0x10 | 0x10000 | 0x100000);
    request.sides[0].flags = SIDE_READ_ONLY;
    request.sides[1].flags = SIDE_READ_ONLY;
    request.lineFilter = "^\\s*// TODO";
    EXPECT_EQ(request.GetCommandLine(false, true),
              "corvatine -c /t:t \"/src/a b.txt\" \"/src/c.txt\" /ro:\"1|2\" /r:\"ias|its|icc|ilmf\" "
              "/lf:re=\"^\\s*// TODO\"");
    EXPECT_EQ(request.GetCommandLine(false, false),
              "corvatine -compare /type:text \"/src/a b.txt\" \"/src/c.txt\" /readonly:\"1|2\" "
              "/rule:\"ignoreallspace|ignoretrailingspace|ignorecase|ignorelinesmatchingfilter\" "
              "/linefilter:regexp=\"^\\s*// TODO\"");
    EXPECT_EQ(request.GetCommandLine(true, true).substr(0, 1), "\"");
    EXPECT_EQ(request.GetCommandLine(true, true),
              "\"" + platform::JoinPath(platform::ProgramFolder(), "corvatine") + "\"" +
                  request.GetCommandLine(false, true).substr(9));

    // Every rule word in table order.
    request.rules = 0x1F001F;
    request.sides[0].flags = 0;
    request.lineFilter.clear();
    EXPECT_EQ(request.GetCommandLine(false, true),
              "corvatine -c /t:t \"/src/a b.txt\" \"/src/c.txt\" /ro:\"2\" "
              "/r:\"ias|isd|ite|ils|its|icc|ieol|ibl|ic|ilmf\"");
    request.rules = 0;
    request.sides[1].flags = 0;
    request.sides[1].path.clear();
    EXPECT_EQ(request.GetCommandLine(false, true), "corvatine -c /t:t \"/src/a b.txt\"");
}

// The code pages asked for belong to their sides, tell requests apart, are
// copied, and are written as the program's --encoding.
TEST_F(CompareParamsTest, CodePagesOfTheSides) {
    CTextCompareParams request = TextRequest("/t/a.txt", "/t/b.txt", 0);
    EXPECT_EQ(request.codePages[0], CODEPAGE_DETECT);
    EXPECT_EQ(request.codePages[1], CODEPAGE_DETECT);
    const CTextCompareParams detecting = request;
    request.codePages[0] = 28591;
    EXPECT_FALSE(request.Equals(detecting));
    EXPECT_EQ(request.GetCommandLine(false, true),
              "corvatine -c /t:t \"/t/a.txt\" \"/t/b.txt\" --encoding=28591,auto");
    request.SwapSides();
    EXPECT_EQ(request.codePages[0], CODEPAGE_DETECT);
    EXPECT_EQ(request.codePages[1], 28591);
    EXPECT_EQ(request.GetArguments(false).back(), "--encoding=auto,28591");
    request.codePages[0] = 28591;
    EXPECT_EQ(request.GetArguments(true).back(), "--encoding=28591");

    CTextCompareParams copy;
    copy.CopyFrom(request);
    EXPECT_EQ(copy.codePages[0], 28591);
    EXPECT_EQ(copy.codePages[1], 28591);
    EXPECT_TRUE(copy.Equals(request));
    EXPECT_EQ(detecting.GetCommandLine(false, true).find("--encoding"), std::string::npos);
}

TEST_F(CompareParamsTest, FolderAndBinaryCommandLines) {
    CFolderCompareParams folder;
    folder.sides[0].path = "/l";
    folder.sides[1].path = "/r";
    folder.methods = 0x7F1111;
    folder.options = 0x2;
    CFileFilters& file = folder.filters.fileFilters;
    file.nameInclude = "*.cpp;*.h";
    file.nameExclude = "*_old.*";
    file.timeFrom = 1168819200;  // 2007-01-15 00:00 UTC
    file.timeTo = 1184457600;    // 2007-07-15 00:00 UTC
    file.sizeMin = 10;
    file.sizeMax = 1048576;
    file.attributesExclude = 0x1 | 0x2 | 0x4 | 0x20;
    file.typeExclude = 0x7;
    folder.filters.folderFilters.nameInclude = "src";
    folder.filters.folderFilters.nameExclude = ".svn;CVS";
    folder.filters.folderFilters.attributesExclude = 0x2;
    EXPECT_EQ(folder.GetCommandLine(false, true),
              "corvatine -c /t:f \"/l\" \"/r\" /m:\"time|size|attr|ver|crc|bin|txt|type\" "
              "/ff:\"ni=*.cpp;*.h|ne=*_old.*|tf=01-15-2007|tt=07-15-2007|si=10|sa=1048576|ae=rash|te=t;b;d\" "
              "/df:\"ni=src|ne=.svn;CVS|ae=h\" /o:\"asf\"");
    EXPECT_EQ(folder.GetCommandLine(false, false),
              "corvatine -compare /type:folder \"/l\" \"/r\" "
              "/method:\"time|size|attributes|version|crc32|binary|text|type\" "
              "/filefilter:\"nameinclude=*.cpp;*.h|nameexclude=*_old.*|timefrom=01-15-2007|"
              "timeto=07-15-2007|sizemin=10|sizemax=1048576|attributesexclude=rash|"
              "typeexclude=text;binary;directory\" "
              "/folderfilter:\"nameinclude=src|nameexclude=.svn;CVS|attributesexclude=h\" "
              "/option:\"autoscansubfolders\"");

    // Default filters and no options write no groups; an include of "*" is not written.
    CFolderCompareParams plain;
    plain.sides[0].path = "/l";
    plain.sides[1].path = "/r";
    plain.methods = 0;
    EXPECT_EQ(plain.GetCommandLine(false, true), "corvatine -c /t:f \"/l\" \"/r\"");

    CBinaryCompareParams binary;
    binary.sides[0].path = "x.bin";
    binary.sides[1].path = "y.bin";
    binary.sides[0].flags = SIDE_READ_ONLY;
    EXPECT_EQ(binary.GetCommandLine(false, true), "corvatine -c /t:b \"x.bin\" \"y.bin\" /ro:\"1\"");
    EXPECT_EQ(binary.GetCommandLine(false, false),
              "corvatine -compare /type:binary \"x.bin\" \"y.bin\" /readonly:\"1\"");

    CCompareParams base;
    base.sides[0].path = "x";
    EXPECT_EQ(base.GetCommandLine(true, true), "");
}

}  // namespace
}  // namespace corvatine
