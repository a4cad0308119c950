// Comparison files through the program: saving the comparison run, opening a
// file of comparisons, and the recent comparisons list.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>

#include "support/TestSupport.h"

namespace corvatine {
namespace {

using Json = nlohmann::json;

class ComparisonFileTest : public ::testing::Test {
protected:
    test::ProgramResult Run(const std::vector<std::string>& arguments) {
        return test::RunCorvatine(arguments, work.Path(),
                                  {"CORVATINE_CONFIG_DIR=" + config.Path(), "NO_COLOR="});
    }

    static std::string Record(const std::string& type, const std::string& left, const std::string& right,
                              const std::string& extra = "") {
        return "<Comparison Type=\"" + type + "\"><Objects><Object Path=\"" + left + "\"/><Object Path=\"" +
               right + "\"/></Objects>" + extra + "</Comparison>";
    }
    std::string WriteCmp(const std::string& name, const std::string& records) {
        return work.WriteFile(
            name, "<?xml version=\"1.0\"?>\n<Comparisons Version=\"1.0.8\">" + records + "</Comparisons>\n");
    }

    test::TempDir config;
    test::TempDir work;
};

TEST_F(ComparisonFileTest, ASavedComparisonReopensWithTheSameResult) {
    work.WriteFile("a.txt", "one\ntwo  words\nthree\n");
    work.WriteFile("b.txt", "one\ntwo words\nTHREE\n");
    const test::ProgramResult direct =
        Run({"--save-comparison=text.cmp", "--format=json", "-c", "/t:text", "/r:isd", "a.txt", "b.txt"});
    ASSERT_EQ(direct.exitStatus, 1) << direct.err;
    const std::string saved = test::ReadFile(work / "text.cmp");
    EXPECT_NE(saved.find("<Object Path=\"" + work / "a.txt" + "\""), std::string::npos) << saved;
    EXPECT_NE(saved.find("IgnoreSpaceDifferences=\"1\""), std::string::npos) << saved;
    EXPECT_NE(saved.find("IgnoreCase=\"0\""), std::string::npos) << saved;

    const test::ProgramResult reopened = Run({"--format=json", "text.cmp"});
    EXPECT_EQ(reopened.exitStatus, 1) << reopened.err;
    EXPECT_EQ(reopened.out, "Comparison 1 of 1: a.txt : b.txt\n" + direct.out);
    EXPECT_EQ(Json::parse(direct.out)["differences"], 1);  // the rule held: only THREE differs

    // A folder comparison keeps its methods and filters.
    work.WriteFile("l/keep.c", "same\n");
    work.WriteFile("r/keep.c", "same\n");
    work.WriteFile("l/x.o", "left object\n");
    work.WriteFile("r/x.o", "right object, longer\n");
    work.WriteFile("l/only.c", "\n");
    const test::ProgramResult folders = Run(
        {"--save-comparison=folders.cmp", "--format=brief", "-c", "/t:f", "/m:size", "/ff:ne=*.o", "l", "r"});
    ASSERT_EQ(folders.exitStatus, 1) << folders.err;
    EXPECT_EQ(folders.out, "Only in l: only.c\n");
    const test::ProgramResult again = Run({"--format=brief", "folders.cmp"});
    EXPECT_EQ(again.exitStatus, 1) << again.err;
    EXPECT_EQ(again.out, "Comparison 1 of 1: l : r\nOnly in " + work / "l" + ": only.c\n");
}

TEST_F(ComparisonFileTest, EveryComparisonInTheFileRunsAndTheHighestStatusWins) {
    work.WriteFile("same1", "x\n");
    work.WriteFile("same2", "x\n");
    work.WriteFile("bin1", std::string("\0\1\2", 3));
    work.WriteFile("bin2", std::string("\0\1\3", 3));
    WriteCmp("two.cmp", Record("Text", work / "same1", work / "same2") +
                            Record("Diff", work / "same1", work / "bin1") +  // not a kind: skipped
                            Record("Binary", work / "bin1", work / "bin2"));
    const test::ProgramResult result = Run({"--width=40", "two.cmp"});
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(result.out,
              "Comparison 1 of 2: same1 : same2\n"
              "1 x" +
                  std::string(18, ' ') +
                  "1 x\n"
                  "Comparison 2 of 2: bin1 : bin2\n"
                  "00000002-00000003 different\n"
                  "1 range, 1 bytes differ; left 3 bytes, right 3 bytes\n");

    // A comparison that cannot run does not stop the others.
    WriteCmp("broken.cmp", Record("Text", work / "missing", work / "same2") +
                               Record("Text", work / "same1", work / "same2"));
    const test::ProgramResult broken = Run({"--quiet", "broken.cmp"});
    EXPECT_EQ(broken.exitStatus, 2);
    EXPECT_NE(broken.err.find("missing"), std::string::npos) << broken.err;
    EXPECT_EQ(broken.out, "");

    // Options that make sense for one comparison only are refused for several.
    const test::ProgramResult report = Run({"--report=r.html", "two.cmp"});
    EXPECT_EQ(report.exitStatus, 2);
    EXPECT_NE(report.err.find("--report works on one comparison"), std::string::npos) << report.err;
}

TEST_F(ComparisonFileTest, AFileThatOpensNothingIsReportedAndNotRemembered) {
    work.WriteFile("a", "a\n");
    work.WriteFile("b", "b\n");
    work.WriteFile("future.cmp", "<Comparisons Version=\"2.0\">" + Record("Text", work / "a", work / "b") +
                                     "</Comparisons>");
    const test::ProgramResult future = Run({"future.cmp"});
    EXPECT_EQ(future.exitStatus, 2);
    EXPECT_EQ(future.out, "");
    EXPECT_NE(future.err.find("future.cmp"), std::string::npos) << future.err;
    EXPECT_NE(future.err.find("version '2.0'"), std::string::npos) << future.err;

    WriteCmp("none.cmp", Record("Patch", "a", "b"));
    const test::ProgramResult none = Run({"none.cmp"});
    EXPECT_EQ(none.exitStatus, 2);
    EXPECT_NE(none.err.find("'none.cmp' holds no comparison"), std::string::npos) << none.err;

    work.WriteFile("truncated.cmp", "<Comparisons Version=\"1.0.8\"><Comparison Type=\"Text\"><Obj");
    const test::ProgramResult truncated = Run({"truncated.cmp"});
    EXPECT_EQ(truncated.exitStatus, 2);
    EXPECT_NE(truncated.err.find("'truncated.cmp': not a comparison file"), std::string::npos)
        << truncated.err;

    const std::string registry = test::ReadFile(config / "registry.reg");
    EXPECT_EQ(registry.find(".cmp"), std::string::npos) << registry;

    // One that opened joins the recent comparison files, by its absolute path.
    WriteCmp("good.cmp", Record("Text", work / "a", work / "b"));
    ASSERT_EQ(Run({"--quiet", "good.cmp"}).exitStatus, 1);
    EXPECT_NE(
        test::ReadFile(config / "registry.reg")
            .find("[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\Recent\\Comparisons]\n\"File1\"=\"" +
                  work / "good.cmp" + "\""),
        std::string::npos)
        << test::ReadFile(config / "registry.reg");
}

// A record without Objects is a comparison without paths: opening it says so,
// and the comparisons beside it still run.
TEST_F(ComparisonFileTest, ARecordWithoutPathsIsReportedAndTheOthersRun) {
    work.WriteFile("a", "a\n");
    work.WriteFile("b", "b\n");
    WriteCmp("nopaths.cmp", "<Comparison Type=\"Text\"/>");
    const test::ProgramResult alone = Run({"nopaths.cmp"});
    EXPECT_EQ(alone.exitStatus, 2);
    EXPECT_EQ(alone.out, "Comparison 1 of 1: Untitled : Untitled\n");
    EXPECT_EQ(alone.err, "corvatine: only one path given: name two files or folders to compare\n");
    // Nothing opened: the file is not remembered.
    EXPECT_EQ(test::ReadFile(config / "registry.reg").find("nopaths.cmp"), std::string::npos);

    WriteCmp("mixed.cmp", "<Comparison Type=\"Folder\"><Methods Size=\"1\"/></Comparison>" +
                              Record("Text", work / "a", work / "b"));
    const test::ProgramResult mixed = Run({"--width=20", "mixed.cmp"});
    EXPECT_EQ(mixed.exitStatus, 2);
    EXPECT_EQ(mixed.out,
              "Comparison 1 of 2: Untitled : Untitled\n"
              "Comparison 2 of 2: a : b\n"
              "1 a      | 1 b\n");
    EXPECT_EQ(mixed.err, "corvatine: only one path given: name two files or folders to compare\n");
}

TEST_F(ComparisonFileTest, TheRecentListShowsAndRerunsComparisons) {
    config.WriteFile("registry.reg",
                     "Windows Registry Editor Version 5.00\n\n"
                     "[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\Settings]\n"
                     "\"MaxComparisons\"=dword:00000002\n");
    work.WriteFile("a", "a\n");
    work.WriteFile("b", "b\n");
    work.WriteFile("c", "a\n");
    work.MakeFolder("d1");
    work.MakeFolder("d2");
    ASSERT_EQ(Run({"--quiet", "a", "b"}).exitStatus, 1);
    ASSERT_EQ(Run({"--quiet", "-c", "/t:b", "a", "c"}).exitStatus, 0);
    ASSERT_EQ(Run({"--quiet", "d1", "d2"}).exitStatus, 0);
    ASSERT_EQ(Run({"--quiet", "-c", "/t:b", "a", "c"}).exitStatus, 0);  // again: moves to the front

    const test::ProgramResult list = Run({"--recent"});
    ASSERT_EQ(list.exitStatus, 0) << list.err;
    // Two entries at most, most recent first: number, time, kind, title, paths.
    const std::string first = "\tbinary\ta : c\t" + work / "a" + "\t" + work / "c" + "\n";
    const std::string second = "\tfolder\td1 : d2\t" + work / "d1" + "\t" + work / "d2" + "\n";
    ASSERT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 2) << list.out;
    const size_t split = list.out.find('\n') + 1;
    const std::string line1 = list.out.substr(0, split), line2 = list.out.substr(split);
    EXPECT_EQ(line1.substr(0, 2), "1\t");
    EXPECT_EQ(line1.substr(line1.size() - first.size()), first);
    EXPECT_EQ(line2.substr(0, 2), "2\t");
    EXPECT_EQ(line2.substr(line2.size() - second.size()), second);
    EXPECT_EQ(line1[6], '-');  // "1\tYYYY-MM-DD HH:MM:SS"

    // The list lives in the configuration folder.
    const std::string mru = test::ReadFile(config / "MRU.cmp");
    EXPECT_NE(mru.find("<Comparisons Version=\"1.0.8\">"), std::string::npos);
    EXPECT_NE(mru.find("Type=\"Binary\""), std::string::npos);

    const Json json = Json::parse(Run({"--recent", "--format=json"}).out);
    ASSERT_EQ(json.size(), 2u);
    EXPECT_EQ(json[1]["kind"], 10);
    EXPECT_EQ(json[1]["sides"][0]["path"], work / "d1");

    const test::ProgramResult rerun = Run({"--recent=2", "--format=brief"});
    EXPECT_EQ(rerun.exitStatus, 0) << rerun.err;
    EXPECT_EQ(rerun.out, "");
    const std::string after = Run({"--recent"}).out;
    EXPECT_LT(after.find("\tfolder\t"), after.find("\tbinary\t")) << after;

    const test::ProgramResult missing = Run({"--recent=3"});
    EXPECT_EQ(missing.exitStatus, 2);
    EXPECT_NE(missing.err.find("there is no recent comparison 3: the list holds 2"), std::string::npos)
        << missing.err;
    EXPECT_EQ(Run({"--recent=x"}).exitStatus, 2);
    EXPECT_EQ(Run({"--recent", "a"}).exitStatus, 2);
}

// Each entry stays one line of six fields whatever its names hold.
TEST_F(ComparisonFileTest, TheRecentListEscapesControlCharactersOfNames) {
    work.WriteFile("new\nline", "a\n");
    work.WriteFile("tab\there\\", "b\n");
    ASSERT_EQ(Run({"--quiet", "new\nline", "tab\there\\"}).exitStatus, 1);
    const test::ProgramResult list = Run({"--recent"});
    ASSERT_EQ(list.exitStatus, 0) << list.err;
    EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 1) << list.out;
    EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\t'), 5) << list.out;
    const std::string end = "\ttext\tnew\\nline : tab\\there\\\\\t" + work.Path() + "/new\\nline\t" +
                            work.Path() + "/tab\\there\\\\\n";
    ASSERT_GE(list.out.size(), end.size());
    EXPECT_EQ(list.out.substr(list.out.size() - end.size()), end);
}

// Each damaged recent list is kept, as the settings file keeps its damaged
// copies: ".bad", then ".bad.1", ".bad.2".
TEST_F(ComparisonFileTest, EveryDamagedRecentListIsKeptAside) {
    work.WriteFile("a", "a\n");
    work.WriteFile("b", "b\n");
    const std::string mru = config / "MRU.cmp";
    for (int n = 0; n < 3; ++n) {
        const std::string damage = "<Comparisons Version=\"1.0.8\"> damaged " + std::to_string(n);
        config.WriteFile("MRU.cmp", damage);
        const std::string aside = mru + (n == 0 ? ".bad" : ".bad." + std::to_string(n));
        const test::ProgramResult result = Run({"--quiet", "a", "b"});
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_NE(result.err.find("corvatine: warning: '" + mru + "': not a comparison file"),
                  std::string::npos)
            << result.err;
        EXPECT_NE(result.err.find("kept as '" + aside + "'"), std::string::npos) << result.err;
        EXPECT_EQ(test::ReadFile(aside), damage);
        // The list starts afresh with this comparison.
        EXPECT_NE(test::ReadFile(mru).find("<Object Path=\"" + work / "a" + "\""), std::string::npos);
    }
    EXPECT_EQ(test::ReadFile(mru + ".bad"), "<Comparisons Version=\"1.0.8\"> damaged 0");
}

TEST_F(ComparisonFileTest, SavingNeedsAComparisonAndAWritablePlace) {
    work.WriteFile("a", "a\n");
    work.WriteFile("b", "b\n");
    const test::ProgramResult edit = Run({"--save-comparison=x.cmp", "-e", "a"});
    EXPECT_EQ(edit.exitStatus, 2);
    EXPECT_NE(edit.err.find("--save-comparison saves a comparison"), std::string::npos) << edit.err;

    const test::ProgramResult unwritable = Run({"--save-comparison=no/folder/x.cmp", "a", "b"});
    EXPECT_EQ(unwritable.exitStatus, 2);
    EXPECT_NE(unwritable.err.find("cannot save the comparison: cannot write 'no/folder/x.cmp'"),
              std::string::npos)
        << unwritable.err;
    EXPECT_EQ(unwritable.out, "");  // nothing ran

    // Saving a file of comparisons again keeps every one of them.
    WriteCmp("two.cmp", Record("Text", work / "a", work / "b") + Record("Binary", work / "a", work / "b"));
    ASSERT_EQ(Run({"--quiet", "--save-comparison=copy.cmp", "two.cmp"}).exitStatus, 1);
    const std::string copy = test::ReadFile(work / "copy.cmp");
    EXPECT_NE(copy.find("Type=\"Text\""), std::string::npos) << copy;
    EXPECT_NE(copy.find("Type=\"Binary\""), std::string::npos) << copy;
}

}  // namespace
}  // namespace corvatine
