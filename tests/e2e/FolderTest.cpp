// "corvatine LEFT RIGHT" on two folders: the tree, brief and JSON outputs,
// the exit status, the report, and diff -rq as the oracle.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <sstream>

#include "support/DeepTree.h"
#include "support/ScopedModes.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

using Json = nlohmann::json;
namespace fs = std::filesystem;

std::set<std::string> Lines(const std::string& text) {
    std::set<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.insert(line);
    return lines;
}

// Our brief lines and diff -rq's for the same pair, under the binary method.
void ExpectSameAsDiff(const std::string& cwd, const std::string& left, const std::string& right) {
    const test::ProgramResult ours =
        test::RunCorvatine({"-c", "/t:folder", "/m:binary", "--format=brief", left, right}, cwd);
    const test::ProgramResult diff = test::RunProgram("/usr/bin/diff", {"-rq", left, right}, {}, cwd);
    ASSERT_TRUE(diff.exitStatus == 0 || diff.exitStatus == 1) << diff.err;
    EXPECT_EQ(ours.exitStatus, diff.exitStatus) << ours.err;
    EXPECT_EQ(Lines(ours.out), Lines(diff.out));
}

TEST(FolderTest, TreeOutputAndExitStatus) {
    test::TempDir dir;
    dir.WriteFile("a/same.txt", "same");
    dir.WriteFile("b/same.txt", "same");
    test::ProgramResult result = test::RunCorvatine({"a", "b"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_NE(result.out.find("identical"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find(" same.txt\n"), std::string::npos) << result.out;

    dir.WriteFile("a/sub/x", "1");
    dir.WriteFile("b/sub/x", "22");
    dir.WriteFile("b/extra", "");
    result = test::RunCorvatine({"a", "b"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    std::istringstream rows(result.out);
    std::vector<std::string> lines;
    for (std::string line; std::getline(rows, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 5u) << result.out;
    EXPECT_EQ(lines[0].rfind("STATUS", 0), 0u);
    EXPECT_EQ(lines[1].rfind("different", 0), 0u);
    EXPECT_EQ(lines[1].substr(lines[1].size() - 5), " sub/");
    EXPECT_EQ(lines[2].substr(lines[2].size() - 4), "   x");  // indented below its folder
    EXPECT_EQ(lines[3].rfind("right-only", 0), 0u);
    EXPECT_NE(lines[3].find(" - "), std::string::npos);  // nothing on the left

    // The same folder on both sides.
    result = test::RunCorvatine({"a", "./a/"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_NE(result.out.find("same-path"), std::string::npos);
    // --quiet prints nothing.
    result = test::RunCorvatine({"--quiet", "a", "b"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.out, "");
}

// Files named for a folder comparison are replaced by the folders holding
// them, and the program says so, and says when that is one folder twice.
TEST(FolderTest, FilesNamedForAFolderComparisonAreReplacedAloud) {
    test::TempDir dir;
    dir.WriteFile("x.tar", "one");
    dir.WriteFile("y.tar", "two");
    dir.WriteFile("sub/z.tar", "three");
    test::ProgramResult result =
        test::RunCorvatine({"--no-gui", "-c", "/t:folder", "--format=brief", "x.tar", "y.tar"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.err,
              "corvatine: 'x.tar' is no folder: comparing the folder '.' that holds it\n"
              "corvatine: 'y.tar' is no folder: comparing the folder '.' that holds it\n"
              "corvatine: both paths stand for the folder '.': it is compared with itself\n");
    result = test::RunCorvatine({"--no-gui", "-c", "/t:folder", "--format=brief", "x.tar", "sub/z.tar"},
                                dir.Path());
    EXPECT_EQ(result.err,
              "corvatine: 'x.tar' is no folder: comparing the folder '.' that holds it\n"
              "corvatine: 'sub/z.tar' is no folder: comparing the folder 'sub' that holds it\n");
    // Folders named as folders: nothing to say.
    result = test::RunCorvatine({"--no-gui", "-c", "/t:folder", "--format=brief", ".", "sub"}, dir.Path());
    EXPECT_EQ(result.err, "");
}

TEST(FolderTest, ShowChoosesTheRows) {
    test::TempDir dir;
    dir.WriteFile("a/same", "s");
    dir.WriteFile("b/same", "s");
    dir.WriteFile("a/left", "l");
    dir.WriteFile("b/right", "r");
    test::ProgramResult result = test::RunCorvatine({"--show=orphans", "a", "b"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.out.find(" same\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find(" left\n"), std::string::npos);
    EXPECT_NE(result.out.find(" right\n"), std::string::npos);
    result = test::RunCorvatine({"--show=identical", "a", "b"}, dir.Path());
    EXPECT_NE(result.out.find(" same\n"), std::string::npos);
    EXPECT_EQ(result.out.find(" left\n"), std::string::npos);
    // The choice is for that run only: the stored default still shows all.
    result = test::RunCorvatine({"a", "b"}, dir.Path());
    EXPECT_NE(result.out.find(" same\n"), std::string::npos);
    // A folder with nothing shown in it is not listed either.
    dir.WriteFile("a/unchanged/deep/same", "s");
    dir.WriteFile("b/unchanged/deep/same", "s");
    dir.WriteFile("a/mixed/only", "o");
    dir.WriteFile("a/mixed/same", "s");
    dir.WriteFile("b/mixed/same", "s");
    result = test::RunCorvatine({"--show=orphans", "a", "b"}, dir.Path());
    EXPECT_EQ(result.out.find("unchanged"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find(" mixed/\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find(" only\n"), std::string::npos);
    result = test::RunCorvatine({"--show=some", "a", "b"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("invalid value 'some' for '--show': all, different-and-orphans"),
              std::string::npos)
        << result.err;
    result = test::RunCorvatine({"--format=side", "a", "b"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("tree, brief or json"), std::string::npos);
}

TEST(FolderTest, JsonHoldsTheWholeTree) {
    test::TempDir dir;
    dir.WriteFile("a/deep/er/file", "1");
    dir.WriteFile("b/deep/er/file", "1");
    dir.WriteFile("a/only", "x");
    const test::ProgramResult result = test::RunCorvatine({"--format=json", "a", "b"}, dir.Path());
    ASSERT_EQ(result.exitStatus, 1) << result.err;
    const Json json = Json::parse(result.out);
    EXPECT_EQ(json["rootStatus"], 4);
    ASSERT_EQ(json["items"].size(), 4u);
    EXPECT_EQ(json["items"][0]["path"], "deep");
    EXPECT_EQ(json["items"][0]["isFolder"], true);
    EXPECT_EQ(json["items"][2]["path"], "deep/er/file");
    EXPECT_EQ(json["items"][2]["status"], 1);  // nothing printed is "not compared"
    EXPECT_EQ(json["items"][2]["left"]["size"], 1);
    EXPECT_EQ(json["items"][3]["path"], "only");
    EXPECT_TRUE(json["items"][3]["right"].is_null());
    EXPECT_EQ(json["items"][3]["status"], 4);
}

TEST(FolderTest, FilesThatCannotBeComparedAreTrouble) {
    test::TempDir dir;
    dir.WriteFile("a/ok", "x");
    dir.WriteFile("b/ok", "x");
    ASSERT_EQ(::symlink("nowhere", (dir / "a/link").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", (dir / "b/link").c_str()), 0);
    const test::ProgramResult result =
        test::RunCorvatine({"-c", "/t:folder", "/m:binary", "a", "b"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.err,
              "corvatine: cannot read 'a/link': No such file or directory\n"
              "corvatine: cannot read 'b/link': No such file or directory\n");
    EXPECT_NE(result.out.find("error"), std::string::npos);
    EXPECT_NE(result.out.find(" link  (left side: No such file or directory; right side: No such file or "
                              "directory)\n"),
              std::string::npos)
        << result.out;
}

// diff -rq run as the user that RunCorvatineAsOrdinaryUser runs as.
test::ProgramResult DiffAsOrdinaryUser(const std::string& cwd, const std::string& left,
                                       const std::string& right) {
    if (::geteuid() != 0) return test::RunProgram("/usr/bin/diff", {"-rq", left, right}, {}, cwd);
    return test::RunProgram(
        "/usr/bin/setpriv",
        {"--reuid=65534", "--regid=65534", "--clear-groups", "--", "/usr/bin/diff", "-rq", left, right}, {},
        cwd);
}

const Json* FindItem(const Json& json, const std::string& path) {
    for (const Json& item : json["items"])
        if (item["path"] == path) return &item;
    return nullptr;
}

// A folder that cannot be listed is an error row with its reason in every
// output; nothing below it is called one-sided, and the status is trouble,
// as diff -rq says.
TEST(FolderTest, AFolderThatCannotBeListedIsTroubleAsWithDiff) {
    if (!test::CanRunAsOrdinaryUser()) GTEST_SKIP() << "no ordinary user to run as";
    test::TempDir dir;
    dir.WriteFile("A/same", "s");
    dir.WriteFile("B/same", "s");
    dir.WriteFile("A/changed", "1");
    dir.WriteFile("B/changed", "2");
    dir.WriteFile("A/sub/y", "y");
    dir.WriteFile("B/sub/x", "x");
    dir.OpenToAll();
    test::ScopedModes modes;
    modes.Set(dir / "A/sub", 0);

    const std::vector<std::string> brief = {"-t:f", "-o:asf", "-m:bin", "--format=brief", "A", "B"};
    test::ProgramResult ours = test::RunCorvatineAsOrdinaryUser(brief, dir.Path());
    const test::ProgramResult diff = DiffAsOrdinaryUser(dir.Path(), "A", "B");
    EXPECT_EQ(diff.exitStatus, 2);
    EXPECT_NE(diff.err.find("diff: A/sub: Permission denied\n"), std::string::npos) << diff.err;
    EXPECT_EQ(ours.exitStatus, 2);
    EXPECT_EQ(ours.err, "corvatine: cannot read 'A/sub': Permission denied\n");
    EXPECT_EQ(Lines(ours.out), Lines(diff.out));
    EXPECT_EQ(ours.out, "Files A/changed and B/changed differ\n");

    ours = test::RunCorvatineAsOrdinaryUser({"-t:f", "-o:asf", "-m:bin", "A", "B"}, dir.Path());
    EXPECT_EQ(ours.exitStatus, 2);
    bool sawSub = false;
    for (const std::string& line : Lines(ours.out)) {
        EXPECT_EQ(line.find(" x"), std::string::npos) << line;
        if (line.find(" sub/") == std::string::npos) continue;
        sawSub = true;
        EXPECT_EQ(line.rfind("error ", 0), 0u) << line;
        EXPECT_EQ(line.substr(line.find(" sub/")), " sub/  (left side: Permission denied)");
    }
    EXPECT_TRUE(sawSub) << ours.out;

    ours =
        test::RunCorvatineAsOrdinaryUser({"-t:f", "-o:asf", "-m:bin", "--format=json", "A", "B"}, dir.Path());
    EXPECT_EQ(ours.exitStatus, 2);
    const Json json = Json::parse(ours.out);
    EXPECT_EQ(json["rootStatus"], 4);
    const Json* sub = FindItem(json, "sub");
    ASSERT_NE(sub, nullptr) << ours.out;
    EXPECT_EQ((*sub)["status"], 6);
    EXPECT_EQ((*sub)["left"]["error"], "Permission denied");
    EXPECT_FALSE((*sub)["right"].contains("error"));
    EXPECT_EQ(FindItem(json, "sub/x"), nullptr);
    EXPECT_EQ(json["errors"], Json::parse(R"([{"path": "A/sub", "reason": "Permission denied"}])"));

    ours = test::RunCorvatineAsOrdinaryUser({"-t:f", "-o:asf", "--report=r.html", "A", "B"}, dir.Path());
    EXPECT_EQ(ours.exitStatus, 2) << ours.err;
    const std::string html = test::ReadFile(dir / "r.html");
    EXPECT_NE(html.find("<td class=\"bm\">+ sub (Permission denied)</td>"), std::string::npos) << html;

    // Entries that cannot be looked at (a folder readable but not
    // searchable) are not known either. (Where the names alone differ,
    // diff, which reads them without looking at the entries, says more.)
    modes.Set(dir / "A/sub", 0755);
    dir.WriteFile("A/names/z", "z");
    dir.WriteFile("B/names/z", "z");
    modes.Set(dir / "A/names", 0444);
    ours = test::RunCorvatineAsOrdinaryUser(brief, dir.Path());
    EXPECT_EQ(ours.exitStatus, 2);
    EXPECT_EQ(ours.err, "corvatine: cannot read 'A/names': Permission denied\n");
    EXPECT_EQ(Lines(ours.out), Lines(DiffAsOrdinaryUser(dir.Path(), "A", "B").out));
    EXPECT_EQ(DiffAsOrdinaryUser(dir.Path(), "A", "B").exitStatus, 2);
    modes.Set(dir / "A/names", 0755);

    // A one-sided folder that cannot be listed is one-sided, as diff says,
    // but its contents are not known: trouble, where diff, which never
    // lists one-sided folders, is content.
    dir.MakeFolder("A/only");
    modes.Set(dir / "A/only", 0);
    ours = test::RunCorvatineAsOrdinaryUser(brief, dir.Path());
    EXPECT_EQ(ours.exitStatus, 2);
    EXPECT_EQ(ours.err, "corvatine: cannot read 'A/only': Permission denied\n");
    EXPECT_EQ(Lines(ours.out), Lines(DiffAsOrdinaryUser(dir.Path(), "A", "B").out));
    EXPECT_NE(ours.out.find("Only in A: only\n"), std::string::npos);
}

// The roots themselves are never an empty or a missing side: one whose
// entries cannot be looked at is trouble with the reason, and one that may
// not be read or reached at all is refused before anything is compared.
TEST(FolderTest, RootsThatCannotBeReadAreTrouble) {
    if (!test::CanRunAsOrdinaryUser()) GTEST_SKIP() << "no ordinary user to run as";
    test::TempDir dir;
    dir.WriteFile("A/a", "a");
    dir.WriteFile("B/a", "a");
    dir.WriteFile("P/A/a", "a");
    dir.OpenToAll();
    test::ScopedModes modes;
    modes.Set(dir / "A", 0444);
    modes.Set(dir / "P", 0);

    test::ProgramResult ours =
        test::RunCorvatineAsOrdinaryUser({"-t:f", "--format=brief", "A", "B"}, dir.Path());
    EXPECT_EQ(ours.exitStatus, 2);
    EXPECT_EQ(ours.err, "corvatine: cannot read 'A': Permission denied\n");
    EXPECT_EQ(ours.out, "");
    const test::ProgramResult diff = DiffAsOrdinaryUser(dir.Path(), "A", "B");
    EXPECT_EQ(diff.exitStatus, 2);
    EXPECT_EQ(Lines(ours.out), Lines(diff.out));
    ours = test::RunCorvatineAsOrdinaryUser({"-t:f", "--format=json", "A", "B"}, dir.Path());
    EXPECT_EQ(ours.exitStatus, 2);
    const Json json = Json::parse(ours.out);
    EXPECT_EQ(json["rootStatus"], 6);
    EXPECT_TRUE(json["items"].empty());
    EXPECT_EQ(json["errors"], Json::parse(R"([{"path": "A", "reason": "Permission denied"}])"));
    ours = test::RunCorvatineAsOrdinaryUser({"-t:f", "A", "B"}, dir.Path());
    EXPECT_EQ(ours.exitStatus, 2);
    EXPECT_EQ(Lines(ours.out).size(), 1u) << ours.out;  // the heading: no row is known

    modes.Set(dir / "A", 0);
    ours = test::RunCorvatineAsOrdinaryUser({"-t:f", "--format=brief", "A", "B"}, dir.Path());
    EXPECT_EQ(ours.exitStatus, 2);
    EXPECT_EQ(ours.err, "corvatine: cannot open 'A': Permission denied\n");
    // (A folder path that cannot be looked at is not known as a folder, so
    // the command line takes its containing folder, which is refused.)
    ours = test::RunCorvatineAsOrdinaryUser({"-t:f", "--format=brief", "P/A", "B"}, dir.Path());
    EXPECT_EQ(ours.exitStatus, 2);
    EXPECT_EQ(ours.out, "");
    EXPECT_EQ(DiffAsOrdinaryUser(dir.Path(), "P/A", "B").exitStatus, 2);
}

// Two files of one size and time whose contents differ and may not be read:
// trouble under every method that reads content, and under the type filter.
TEST(FolderTest, FilesThatCannotBeReadAreTroubleUnderEveryContentMethod) {
    if (!test::CanRunAsOrdinaryUser()) GTEST_SKIP() << "no ordinary user to run as";
    test::TempDir dir;
    dir.WriteFile("A/ok", "ok");
    dir.WriteFile("B/ok", "ok");
    for (const char* side : {"A/f", "B/f"}) {
        dir.WriteFile(side, side[0] == 'A' ? "left text\n" : "rightext\n\n");
        ASSERT_TRUE(test::SetFileTimes(dir / side, 1700000000));
    }
    dir.OpenToAll();
    test::ScopedModes modes;
    modes.Set(dir / "A/f", 0);
    modes.Set(dir / "B/f", 0);
    const std::string told =
        "corvatine: cannot read 'A/f': Permission denied\ncorvatine: cannot read 'B/f': Permission denied\n";
    const std::vector<std::vector<std::string>> runs = {
        {"-m:crc"}, {"-m:bin"}, {"-m:text"}, {"-m:version"}, {"-m:type"}, {"-m:time|size", "-ff:te=binary"}};
    for (const std::vector<std::string>& options : runs) {
        SCOPED_TRACE(options.back());
        std::vector<std::string> arguments = {"-t:f", "--format=brief"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.insert(arguments.end(), {"A", "B"});
        const test::ProgramResult ours = test::RunCorvatineAsOrdinaryUser(arguments, dir.Path());
        EXPECT_EQ(ours.exitStatus, 2);
        EXPECT_EQ(ours.err, told);
        EXPECT_EQ(ours.out, "");
    }
    const test::ProgramResult diff = DiffAsOrdinaryUser(dir.Path(), "A", "B");
    EXPECT_EQ(diff.exitStatus, 2);
    EXPECT_EQ(diff.out, "");
}

// 500 levels of long names, far beyond the path limit: the differences at
// the bottom are found under the content methods. (diff -rq itself stops
// there with "File name too long".)
TEST(FolderTest, TreesDeeperThanThePathLimitAreComparedToTheBottom) {
    test::TempDir dir;
    const std::string name(200, 'n');
    const int levels = 500;
    test::MakeDeepTree(dir / "L", levels, name, {{"same", "s"}, {"diff", "1"}, {"gone", ""}});
    test::MakeDeepTree(dir / "R", levels, name, {{"same", "s"}, {"diff", "2"}, {"new", ""}});
    std::string bottom = name;
    for (int level = 1; level < levels; ++level) bottom += "/" + name;
    ASSERT_GT(bottom.size(), 20u * PATH_MAX);
    const std::set<std::string> expected = {"Files L/" + bottom + "/diff and R/" + bottom + "/diff differ",
                                            "Only in L/" + bottom + ": gone",
                                            "Only in R/" + bottom + ": new"};
    for (const char* method : {"-m:bin", "-m:crc", "-m:text"}) {
        SCOPED_TRACE(method);
        const test::ProgramResult ours =
            test::RunCorvatine({"-t:f", "-o:asf", method, "--format=brief", "L", "R"}, dir.Path());
        EXPECT_EQ(ours.exitStatus, 1);
        EXPECT_EQ(ours.err, "");
        EXPECT_TRUE(Lines(ours.out) == expected) << ours.out.substr(0, 300);
    }
    const test::ProgramResult ours =
        test::RunCorvatine({"-t:f", "-o:asf", "-m:bin", "--format=json", "L", "R"}, dir.Path());
    EXPECT_EQ(ours.exitStatus, 1);
    const Json json = Json::parse(ours.out);
    EXPECT_EQ(json["rootStatus"], 4);
    ASSERT_EQ(json["items"].size(), static_cast<size_t>(levels) + 4);
    const Json* same = FindItem(json, bottom + "/same");
    ASSERT_NE(same, nullptr);
    EXPECT_EQ((*same)["status"], 1);
    EXPECT_EQ((*FindItem(json, bottom + "/diff"))["status"], 4);
}

// Methods and rules given without -t: apply when the paths decide the kind:
// two files of one size and time that differ are found by -m:bin, and a
// case change is equal under -r:icc.
TEST(FolderTest, MethodsAndRulesWithoutAKindApplyToWhatThePathsAre) {
    test::TempDir dir;
    dir.WriteFile("L/x.txt", "one\ntwo\n");
    dir.WriteFile("R/x.txt", "one\nTWO\n");
    for (const char* path : {"L/x.txt", "R/x.txt"}) {
        const struct timespec times[2] = {{1600000000, 0}, {1600000000, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, (dir / path).c_str(), times, 0), 0);
    }
    test::ProgramResult ours =
        test::RunCorvatine({"-o:asf", "-m:bin", "--format=brief", "L", "R"}, dir.Path());
    const test::ProgramResult diff = test::RunProgram("/usr/bin/diff", {"-rq", "L", "R"}, {}, dir.Path());
    EXPECT_EQ(diff.exitStatus, 1);
    EXPECT_EQ(ours.exitStatus, diff.exitStatus) << ours.err;
    EXPECT_EQ(ours.out, diff.out);

    ours = test::RunCorvatine({"-r:icc", "L/x.txt", "R/x.txt"}, dir.Path());
    EXPECT_EQ(ours.exitStatus, 0) << ours.out << ours.err;
    ours = test::RunCorvatine({"-r:icc", "-o:asf", "--format=brief", "L", "R"}, dir.Path());
    EXPECT_EQ(ours.exitStatus, 0) << "rules do not choose a folder's method: " << ours.out;
}

TEST(FolderTest, WritesTheReport) {
    test::TempDir dir;
    dir.WriteFile("a/same & <sure>", "s");
    dir.WriteFile("b/same & <sure>", "s");
    const test::ProgramResult result =
        test::RunCorvatine({"--report=" + (dir / "r.html"), "a", "b"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    const std::string html = test::ReadFile(dir / "r.html");
    EXPECT_NE(html.find("<td><b>Result:</b></td>\r\n<td>Identical</td>"), std::string::npos);
    EXPECT_NE(html.find("same &amp; &lt;sure&gt;"), std::string::npos);
    EXPECT_NE(html.find("<td><b>Left Folder:</b></td>\r\n<td>a</td>"), std::string::npos);
}

// Generated trees: files equal, differing in one byte, of other sizes, on
// one side only, and folders on one side only.
TEST(FolderTest, BinaryMethodAgreesWithDiffOnGeneratedTrees) {
    std::mt19937 random(17);
    for (int round = 0; round < 4; ++round) {
        test::TempDir dir;
        for (int f = 0; f < 60; ++f) {
            const std::string folder =
                "d" + std::to_string(random() % 6) + "/e" + std::to_string(random() % 3);
            const std::string name = folder + "/f" + std::to_string(f) + (f % 3 ? ".txt" : "");
            std::string bytes(random() % 9000, '\0');
            for (char& c : bytes) c = static_cast<char>('a' + random() % 26);
            switch (random() % 6) {
                case 0: dir.WriteFile("L/" + name, bytes); break;
                case 1: dir.WriteFile("R/" + name, bytes); break;
                case 2:
                    dir.WriteFile("L/" + name, bytes);
                    if (!bytes.empty()) bytes[random() % bytes.size()] ^= 1;
                    dir.WriteFile("R/" + name, bytes);
                    break;
                case 3:
                    dir.WriteFile("L/" + name, bytes);
                    dir.WriteFile("R/" + name, bytes + "!");
                    break;
                default: dir.WriteFile("L/" + name, bytes); dir.WriteFile("R/" + name, bytes);
            }
        }
        dir.MakeFolder("L/emptyleft");
        dir.MakeFolder("R/d0/emptyright");
        SCOPED_TRACE(round);
        ExpectSameAsDiff(dir.Path(), "L", "R");
    }
}

// Two copies of a real source tree, one of them edited.
TEST(FolderTest, BinaryMethodAgreesWithDiffOnASourceTree) {
    test::TempDir dir;
    const fs::path source = fs::path(CORVATINE_SOURCE_DIR) / "src";
    fs::copy(source, dir / "one", fs::copy_options::recursive);
    fs::copy(source, dir / "two", fs::copy_options::recursive);
    ExpectSameAsDiff(dir.Path(), "one", "two");

    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir / "two"))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_GT(files.size(), 20u);
    fs::remove(files[3]);
    dir.WriteFile("two/app/NewFile.cpp", "// new\n");
    std::string edited = test::ReadFile(files[7].string());
    edited[edited.size() / 2] ^= 0x20;
    dir.WriteFile(fs::relative(files[7], dir.Path()).string(), edited);
    dir.WriteFile(fs::relative(files[11], dir.Path()).string(), test::ReadFile(files[11].string()) + "\n");
    fs::remove_all(dir / "one/persist");
    ExpectSameAsDiff(dir.Path(), "one", "two");
}

}  // namespace
}  // namespace corvatine
