#include "launch/CommandLine.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "foldercompare/FolderCompareOptions.h"
#include "support/TestSupport.h"
#include "textcompare/TextCompareOptions.h"

namespace corvatine {
namespace {

class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        text1 = dir.WriteFile("a.txt", "one\ntwo\n");
        text2 = dir.WriteFile("b.txt", "one\nthree\n");
        binary = dir.WriteFile("c.bin", std::string("\x01\x00\x02", 3));
        left = dir.MakeFolder("L");
        right = dir.MakeFolder("R");
        dir.WriteFile("R/a.txt", "namesake\n");
    }

    CCommandLine Parse(const std::vector<std::string>& arguments) {
        CCommandLine commandLine;
        commandLine.Parse(arguments, CommandLineSettings::Of(textSettings, folderSettings));
        return commandLine;
    }

    // The run's settings that the command lines of a test take from.
    CTextComparer textSettings;
    CFolderComparer folderSettings;

    test::TempDir dir;
    std::string text1, text2, binary, left, right;
};

TEST_F(CommandLineTest, NoArgumentsParseNothing) {
    textSettings.rules = 0x30000;
    const CCommandLine c = Parse({});
    EXPECT_EQ(c.action, CCommandLine::ACTION_NONE);
    EXPECT_EQ(c.kind, CCommandLine::KIND_NONE);
    EXPECT_EQ(c.textRules, 0u);  // no completion ran
    EXPECT_EQ(c.takeRules, 1);
}

TEST_F(CommandLineTest, ActionAndKindFromThePaths) {
    struct Case {
        std::vector<std::string> arguments;
        CCommandLine::Action action;
        CCommandLine::Kind kind;
    };
    const std::string cmp = dir.WriteFile("saved.CMP", "<x/>");
    const Case cases[] = {
        {{text1, text2}, CCommandLine::ACTION_COMPARE, CCommandLine::KIND_TEXT},
        {{text1, binary}, CCommandLine::ACTION_COMPARE, CCommandLine::KIND_BINARY},
        {{left, right}, CCommandLine::ACTION_COMPARE, CCommandLine::KIND_FOLDER},
        {{dir / "missing1", dir / "missing2"}, CCommandLine::ACTION_COMPARE, CCommandLine::KIND_BINARY},
        {{cmp}, CCommandLine::ACTION_OPEN, CCommandLine::KIND_NONE},
        {{text1}, CCommandLine::ACTION_EDIT, CCommandLine::KIND_NONE},
        {{"-e", "/t:b"}, CCommandLine::ACTION_EDIT, CCommandLine::KIND_BINARY},
        {{"-c", text1}, CCommandLine::ACTION_COMPARE, CCommandLine::KIND_TEXT},
        {{"-c", binary}, CCommandLine::ACTION_COMPARE, CCommandLine::KIND_BINARY},
        {{"-c", left}, CCommandLine::ACTION_COMPARE, CCommandLine::KIND_FOLDER},
        {{"-c", "/t:text", binary}, CCommandLine::ACTION_COMPARE, CCommandLine::KIND_BINARY},
        {{"-c", "/t:text", left}, CCommandLine::ACTION_COMPARE, CCommandLine::KIND_FOLDER},
        {{"-c", "/t:b", left}, CCommandLine::ACTION_COMPARE, CCommandLine::KIND_FOLDER},
        {{"-c", "/t:b", text1}, CCommandLine::ACTION_COMPARE, CCommandLine::KIND_BINARY},
        {{"-c", "/t:text", text1, binary}, CCommandLine::ACTION_COMPARE, CCommandLine::KIND_BINARY},
        {{"-c", "/t:b", text1, text2}, CCommandLine::ACTION_COMPARE, CCommandLine::KIND_BINARY},
        {{"-h", text1, text2}, CCommandLine::ACTION_HELP, CCommandLine::KIND_NONE},
        {{"-?"}, CCommandLine::ACTION_HELP, CCommandLine::KIND_NONE},
        {{"-help"}, CCommandLine::ACTION_HELP, CCommandLine::KIND_NONE},
        {{"-C", text1, text2}, CCommandLine::ACTION_COMPARE, CCommandLine::KIND_TEXT},  // "-C" is unknown
        {{"-c"}, CCommandLine::ACTION_COMPARE, CCommandLine::KIND_NONE},
        {{"/t:x"}, CCommandLine::ACTION_OPEN, CCommandLine::KIND_NONE},
    };
    for (const Case& c : cases) {
        const CCommandLine parsed = Parse(c.arguments);
        std::string joined;
        for (const std::string& a : c.arguments) joined += a + " ";
        EXPECT_EQ(parsed.action, c.action) << joined;
        EXPECT_EQ(parsed.kind, c.kind) << joined;
    }
}

TEST_F(CommandLineTest, FolderAgainstFileTakesTheNamesake) {
    CCommandLine c = Parse({right, text1});
    EXPECT_EQ(c.paths[0], right + "/a.txt");
    EXPECT_EQ(c.paths[1], text1);
    EXPECT_EQ(c.kind, CCommandLine::KIND_TEXT);

    c = Parse({text1, right + "/"});
    EXPECT_EQ(c.paths[1], right + "/a.txt");
    EXPECT_EQ(c.kind, CCommandLine::KIND_TEXT);

    // The namesake is missing in L: not text, so binary.
    c = Parse({left, text1});
    EXPECT_EQ(c.paths[0], left + "/a.txt");
    EXPECT_EQ(c.kind, CCommandLine::KIND_BINARY);

    // Two folders named for a file comparison stay as they are.
    c = Parse({"/t:b", left, right});
    EXPECT_EQ(c.paths[0], left);
    EXPECT_EQ(c.paths[1], right);
}

TEST_F(CommandLineTest, FolderKindReplacesFilesByTheirFolders) {
    CCommandLine c = Parse({"/t:folder", text1, dir / "R/a.txt"});
    EXPECT_EQ(c.kind, CCommandLine::KIND_FOLDER);
    EXPECT_EQ(c.paths[0], dir.Path());
    EXPECT_EQ(c.paths[1], right);

    c = Parse({"-c", "/t:f", "relative.txt"});
    EXPECT_EQ(c.pathCount, 1);
    EXPECT_EQ(c.paths[0], ".");  // a bare name lies in the current folder

    c = Parse({"-c", "/t:f", left, dir / "gone/x"});
    EXPECT_EQ(c.paths[0], left);
    EXPECT_EQ(c.paths[1], dir / "gone");
}

TEST_F(CommandLineTest, ExtraPathsAreIgnored) {
    const CCommandLine c = Parse({text1, text2, binary, left});
    EXPECT_EQ(c.pathCount, 2);
    EXPECT_EQ(c.paths[0], text1);
    EXPECT_EQ(c.paths[1], text2);
    EXPECT_EQ(c.kind, CCommandLine::KIND_TEXT);
}

TEST_F(CommandLineTest, RulesNeedTheKindFirst) {
    CCommandLine c = Parse({"-c", "/t:text", "/r:ias|icc", text1, text2});
    EXPECT_EQ(c.textRules, 0x10001u);
    EXPECT_EQ(c.takeRules, 0);
    auto request = c.BuildRequest();
    ASSERT_EQ(request->kind, COMPARE_TEXT);
    EXPECT_EQ(static_cast<CTextCompareParams&>(*request).rules, 0x10001u);  // global rules not added

    c = Parse({"-c", text1, text2, "/t:text", "/r:ias"});
    EXPECT_EQ(c.textRules, 0x1u);

    // Before the kind the list is not applied, but the flag is cleared: the
    // request keeps the global rules.
    c = Parse({"-c", "/r:ias", "/t:text", text1, text2});
    EXPECT_EQ(c.textRules, 0u);
    EXPECT_EQ(c.takeRules, 0);
    request = c.BuildRequest();
    EXPECT_EQ(static_cast<CTextCompareParams&>(*request).rules, 0x20000u);

    // Long words, unknown and empty items.
    c = Parse({"/t:t", "/rule:ignorecase||bogus|IGNORECASE|ignoreblanklines", text1, text2});
    EXPECT_EQ(c.textRules, 0x50000u);
}

TEST_F(CommandLineTest, MethodsNeedTheFolderKindFirst) {
    CCommandLine c = Parse({"-c", "/t:f", "/m:crc", left, right});
    auto request = c.BuildRequest();
    ASSERT_EQ(request->kind, COMPARE_FOLDER);
    EXPECT_EQ(static_cast<CFolderCompareParams&>(*request).methods, 0x100000u);

    c = Parse({"-c", "/m:crc", "/t:f", left, right});
    EXPECT_EQ(c.folderMethods, 0u);
    EXPECT_EQ(c.takeMethods, 0);
    request = c.BuildRequest();
    EXPECT_EQ(static_cast<CFolderCompareParams&>(*request).methods, 0x110u);

    c = Parse({"/t:f", "/method:type|time|size|attributes|version|crc32|binary|text", left, right});
    EXPECT_EQ(c.folderMethods, 0x711111u);
    c = Parse({"/t:f", "/m:attr|ver|crc|bin|txt|nope", left, right});
    EXPECT_EQ(c.folderMethods, 0x711000u);
}

// With no kind named at all, methods, rules and filters apply when the paths
// turn out to be of their kind, and are dropped when they are not.
TEST_F(CommandLineTest, WithNoKindNamedTheOptionsWaitForThePaths) {
    CCommandLine c = Parse({"/m:crc|bin", "/ff:ni=*.txt", "/df:ne=.git", left, right});
    ASSERT_EQ(c.kind, CCommandLine::KIND_FOLDER);
    EXPECT_EQ(c.folderMethods, 0x300000u);
    EXPECT_EQ(c.filters.fileFilters.nameInclude, "*.txt");
    EXPECT_EQ(c.filters.folderFilters.nameExclude, ".git");
    auto request = c.BuildRequest();
    ASSERT_EQ(request->kind, COMPARE_FOLDER);
    EXPECT_EQ(static_cast<CFolderCompareParams&>(*request).methods, 0x300000u);

    c = Parse({"/r:ias", "/lf:re=^#", text1, text2});
    ASSERT_EQ(c.kind, CCommandLine::KIND_TEXT);
    EXPECT_EQ(c.textRules, 0x1u);
    EXPECT_EQ(c.lineFilter, "^#");

    // Of the other kind: not applied, and the settings are not taken either.
    c = Parse({"/m:crc", "/r:icc", text1, text2});
    EXPECT_EQ(c.folderMethods, 0u);
    EXPECT_EQ(c.textRules, 0x10000u);
    c = Parse({"/r:icc", left, right});
    EXPECT_EQ(c.textRules, 0u);
    EXPECT_EQ(c.takeRules, 0);
}

TEST_F(CommandLineTest, ReadOnlyLists) {
    CCommandLine c = Parse({"/ro:2", text1, text2});
    EXPECT_EQ(c.readOnly[0], 0);
    EXPECT_EQ(c.readOnly[1], 1);
    auto request = c.BuildRequest();
    EXPECT_EQ(request->sides[0].flags, 0u);
    EXPECT_EQ(request->sides[1].flags, SIDE_READ_ONLY);

    c = Parse({"/ro", text1, text2});
    EXPECT_EQ(c.readOnly[0], 1);
    EXPECT_EQ(c.readOnly[1], 1);
    c = Parse({"/readonly:1|3|", text1, text2});
    EXPECT_EQ(c.readOnly[0], 1);
    EXPECT_EQ(c.readOnly[1], 0);
}

TEST_F(CommandLineTest, FileFilterItems) {
    test::ScopedEnv tz("TZ", "EST5EDT,M3.2.0,M11.1.0");
    CCommandLine c = Parse({"-c", "/t:f", left, right,
                            "/ff:ni=\"*.cpp;*.h\"|ne=*_old.*|tf=1-15-2007|tt=07-15-2007|si=10|sa=2048|ae=rh|"
                            "te=t;binary"});
    const CFileFilters& f = c.filters.fileFilters;
    EXPECT_EQ(f.nameInclude, "*.cpp;*.h");
    EXPECT_EQ(f.nameExclude, "*_old.*");
    EXPECT_EQ(f.timeFrom, 1168819200 + 5 * 3600);  // midnight, winter time
    EXPECT_EQ(f.timeTo, 1184457600 + 4 * 3600);    // midnight, summer time
    EXPECT_EQ(f.sizeMin, 10u);
    EXPECT_EQ(f.sizeMax, 2048u);
    EXPECT_EQ(f.attributesExclude, 0x3u);
    EXPECT_EQ(f.typeExclude, 0x3u);

    c = Parse({"/t:f",
               "/filefilter:nameinclude=*.c|nameexclude=x*|timefrom=2-29-2008|timeto=3-1-2008|"
               "sizemin=1|sizemax=5|attributesexclude=sa|typeexclude=directory;text",
               left, right});
    EXPECT_EQ(c.filters.fileFilters.nameInclude, "*.c");
    EXPECT_EQ(c.filters.fileFilters.nameExclude, "x*");
    EXPECT_NE(c.filters.fileFilters.timeFrom, 0);
    EXPECT_NE(c.filters.fileFilters.timeTo, 0);
    EXPECT_EQ(c.filters.fileFilters.attributesExclude, 0x24u);
    EXPECT_EQ(c.filters.fileFilters.typeExclude, 0x5u);
}

TEST_F(CommandLineTest, BadFilterValuesAreIgnored) {
    const CCommandLine c =
        Parse({"/t:f", left, right,
               "/ff:tf=0-15-2007|tt=13-1-2007|tf=1-15|tt=1-15-2007-1|tf=a-b-c|tt=2-30-2007|"
               "ni=|ne=\"\"|si=|sa=-5|ae=xyz|te=q;|bogus=1||"});
    EXPECT_TRUE(c.filters.fileFilters.Equals(CFileFilters()));
    EXPECT_EQ(c.takeFilters, 0);

    const CCommandLine d = Parse({"/t:f", left, right, "/ff:si=12abc|sa=abc"});
    EXPECT_EQ(d.filters.fileFilters.sizeMin, 12u);  // leading digits count
    EXPECT_EQ(d.filters.fileFilters.sizeMax, 0u);
}

TEST_F(CommandLineTest, FolderFilterItems) {
    CCommandLine c = Parse({"/t:f", left, right, "/df:ni=src;lib|ne=.svn|ae=h|tf=1-1-2007|si=4"});
    EXPECT_EQ(c.filters.folderFilters.nameInclude, "src;lib");
    EXPECT_EQ(c.filters.folderFilters.nameExclude, ".svn");
    EXPECT_EQ(c.filters.folderFilters.attributesExclude, 0x2u);
    EXPECT_TRUE(c.filters.fileFilters.Equals(CFileFilters()));  // file items do not apply here

    // Before the kind nothing applies, and the global filters are not taken.
    folderSettings.filters.fileFilters.nameExclude = "*.o";
    c = Parse({"/df:ne=.svn", "/t:f", left, right});
    EXPECT_TRUE(c.filters.Equals(CComboFilters()));
}

TEST_F(CommandLineTest, LineFilter) {
    CCommandLine c = Parse({"/t:text", "/lf:re=^\\s*//", text1, text2});
    EXPECT_EQ(c.lineFilter, "^\\s*//");
    c = Parse({"/t:text", "/linefilter:regexp=a b|c", text1, text2});
    EXPECT_EQ(c.lineFilter, "a b|c");

    textSettings.lineFilter = "^#";
    c = Parse({"/t:text", "/lf:nokey", text1, text2});
    EXPECT_EQ(c.lineFilter, "");
    c = Parse({"/lf:re=x", "/t:text", text1, text2});
    EXPECT_EQ(c.lineFilter, "");
    c = Parse({"/t:text", text1, text2});
    EXPECT_EQ(c.lineFilter, "^#");  // taken from the settings
    auto request = c.BuildRequest();
    EXPECT_EQ(static_cast<CTextCompareParams&>(*request).lineFilter, "^#");
}

TEST_F(CommandLineTest, TakeFromSettings) {
    textSettings.rules = 0x30000;
    folderSettings.methods = 0x1000;
    folderSettings.autoScanFolders = 1;
    folderSettings.filters.fileFilters.nameExclude = "*.o";

    CCommandLine c = Parse({left, right});
    EXPECT_EQ(c.folderMethods, 0x1000u);
    EXPECT_EQ(c.folderOptions, 0x2u);
    EXPECT_EQ(c.textRules, 0x30000u);
    EXPECT_EQ(c.filters.fileFilters.nameExclude, "*.o");
    auto request = c.BuildRequest();
    const auto& folder = static_cast<CFolderCompareParams&>(*request);
    EXPECT_EQ(folder.methods, 0x1000u);
    EXPECT_EQ(folder.options, 0x2u);
    EXPECT_EQ(folder.filters.fileFilters.nameExclude, "*.o");

    // An option argument of the class, even an empty one, stops the take-over.
    c = Parse({"/o:", left, right});
    EXPECT_EQ(c.folderOptions, 0u);
    c = Parse({"/option:autoscansubfolders", "/t:text"});
    EXPECT_EQ(c.folderOptions, 0x2u);  // not tied to the kind

    c = Parse({text1, text2});
    request = c.BuildRequest();
    EXPECT_EQ(static_cast<CTextCompareParams&>(*request).rules, 0x30000u);
}

TEST_F(CommandLineTest, SlashOptionsVersusAbsolutePaths) {
    // An absolute path is a path, not an option.
    CCommandLine c = Parse({text1, "/tmp/x/a.txt"});
    EXPECT_EQ(c.pathCount, 2);
    EXPECT_EQ(c.paths[1], "/tmp/x/a.txt");
    EXPECT_EQ(c.kind, CCommandLine::KIND_BINARY);  // missing file: not text

    c = Parse({"/c", "/t:text", "/home/someone/a.txt"});
    EXPECT_EQ(c.action, CCommandLine::ACTION_COMPARE);
    EXPECT_EQ(c.pathCount, 1);
    EXPECT_EQ(c.paths[0], "/home/someone/a.txt");

    // A slash word that matches an option but names an existing entry is a
    // path. Only possible at the root of the file system, so only as root.
    const std::string rootName = "/t:corvatine-test-" + std::to_string(::getpid());
    if (::access("/", W_OK) == 0) {
        ASSERT_EQ(::symlink(text1.c_str(), rootName.c_str()), 0);
        c = Parse({rootName, text2});
        ::unlink(rootName.c_str());
        EXPECT_EQ(c.pathCount, 2);
        EXPECT_EQ(c.paths[0], rootName);
        EXPECT_EQ(c.kind, CCommandLine::KIND_TEXT);
    }
    c = Parse({rootName, text2});
    EXPECT_EQ(c.pathCount, 1);  // no such entry: an option (of the type with an unknown value)
}

TEST_F(CommandLineTest, DoubleDashForms) {
    CCommandLine c = Parse({"--compare", "--t:text", "--r:icc", text1, text2});
    EXPECT_EQ(c.action, CCommandLine::ACTION_COMPARE);
    EXPECT_EQ(c.kind, CCommandLine::KIND_TEXT);
    EXPECT_EQ(c.textRules, 0x10000u);
    EXPECT_TRUE(c.UnknownLongOptions().empty());

    c = Parse({"--", "-c", "--help"});
    EXPECT_EQ(c.pathCount, 2);
    EXPECT_EQ(c.paths[0], "-c");
    EXPECT_EQ(c.paths[1], "--help");
    EXPECT_EQ(c.action, CCommandLine::ACTION_COMPARE);

    c = Parse({"--bogus", "-bogus", "/bogus", "--C", text1, text2});
    ASSERT_EQ(c.UnknownLongOptions().size(), 2u);
    EXPECT_EQ(c.UnknownLongOptions()[0], "--bogus");
    EXPECT_EQ(c.UnknownLongOptions()[1], "--C");
    EXPECT_EQ(c.pathCount, 2);  // "/bogus" is a path: no option matches it

    c = Parse({"-", text1});
    EXPECT_EQ(c.pathCount, 1);  // a lone dash is an unknown option
}

TEST_F(CommandLineTest, OptionPrefixesMatchOnTheirOwnLength) {
    EXPECT_TRUE(CCommandLine::MatchesOption("t:anything"));
    EXPECT_TRUE(CCommandLine::MatchesOption("type:"));
    EXPECT_TRUE(CCommandLine::MatchesOption("ro"));
    EXPECT_TRUE(CCommandLine::MatchesOption("ro:"));
    EXPECT_FALSE(CCommandLine::MatchesOption("rox"));
    EXPECT_FALSE(CCommandLine::MatchesOption("compares"));
    EXPECT_FALSE(CCommandLine::MatchesOption("tmp/x"));
    EXPECT_FALSE(CCommandLine::MatchesOption("T:text"));
    EXPECT_FALSE(CCommandLine::MatchesOption(""));
}

}  // namespace
}  // namespace corvatine
