// "corvatine LEFT RIGHT" on two folders: the tree, brief and JSON outputs,
// the exit status, the report, and diff -rq as the oracle.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <sstream>

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
    EXPECT_NE(result.err.find("cannot compare 'a/link' and 'b/link'"), std::string::npos) << result.err;
    EXPECT_NE(result.out.find("error"), std::string::npos);
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
