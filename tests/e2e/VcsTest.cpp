// The version-control view headless: corvatine --vcs DIR (and DIR alone
// inside a working copy) on real git, Mercurial and Subversion working copies
// made here, its lines, JSON and exit statuses; and git difftool --dir-diff
// comparing its two trees as one folder comparison.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "platform/Path.h"
#include "platform/Shell.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

class VcsTest : public ::testing::Test {
protected:
    test::TempDir home;
    std::string settings = home.MakeFolder("settings");
    std::string repo = home.MakeFolder("repo");
    std::vector<std::string> env = {"HOME=" + home.Path(),
                                    "XDG_CONFIG_HOME=" + home / ".config",
                                    "XDG_DATA_HOME=" + home / ".local/share",
                                    "GIT_CONFIG_GLOBAL=" + home / ".gitconfig",
                                    "GIT_CONFIG_NOSYSTEM=1",
                                    "CORVATINE_CONFIG_DIR=" + settings,
                                    "GIT_AUTHOR_NAME=Ann",
                                    "GIT_AUTHOR_EMAIL=ann@example.org",
                                    "GIT_COMMITTER_NAME=Ann",
                                    "GIT_COMMITTER_EMAIL=ann@example.org",
                                    "HGUSER=Ann <ann@example.org>",
                                    "HGRCPATH=",
                                    "TZ=UTC",
                                    "DISPLAY=",
                                    "WAYLAND_DISPLAY=",
                                    "LC_ALL=C.UTF-8"};

    test::ProgramResult Corvatine(const std::vector<std::string>& arguments, const std::string& cwd = {}) {
        std::vector<std::string> all = {"--no-gui"};
        all.insert(all.end(), arguments.begin(), arguments.end());
        return test::RunCorvatine(all, cwd, env);
    }
    // A client run in the repository; fails the test unless it exits expected.
    test::ProgramResult Client(const std::string& program, const std::vector<std::string>& arguments,
                               int expected = 0, const std::string& cwd = {}) {
        const std::string path = platform::FindProgram(program);
        EXPECT_FALSE(path.empty()) << program << " is not installed";
        test::ProgramResult result = test::RunProgram(path, arguments, env, cwd.empty() ? repo : cwd);
        EXPECT_EQ(result.exitStatus, expected) << program << ": " << result.out << result.err;
        return result;
    }
    void Write(const std::string& name, const std::string& bytes) {
        home.WriteFile(platform::PathFileName(repo) + "/" + name, bytes);
    }

    // A git repository whose working tree holds one change of every kind.
    void MakeGitChanges() {
        Client("git", {"init", "-q", "-b", "main"});
        for (const char* name : {"keep.txt", "mod.txt", "del.txt", "old.txt", "staged.txt", "sub/deep.txt"})
            Write(name, std::string(name) + "\nline 2\nline 3\n");
        Client("git", {"add", "."});
        Client("git", {"commit", "-q", "-m", "first"});
        Write("mod.txt", "mod.txt\nline 2 changed\nline 3\n");
        Write("sub/deep.txt", "deep\n");
        Write("staged.txt", "staged.txt\nstaged\n");
        Client("git", {"add", "staged.txt"});
        Write("new.txt", "new\n");
        Client("git", {"add", "new.txt"});
        Client("git", {"rm", "-q", "del.txt"});
        Client("git", {"mv", "old.txt", "renamed.txt"});
        Write("u.txt", "untracked\n");
        Write("ud/x.txt", "untracked in a folder\n");
    }
    static constexpr const char* kGitChanges =
        "D del.txt\n"
        "M mod.txt\n"
        "A new.txt\n"
        "R old.txt -> renamed.txt\n"
        "M staged.txt\n"
        "M sub/deep.txt\n"
        "? u.txt\n"
        "? ud/x.txt\n";
};

// Every kind of change, one line each, sorted by path; exit status 1.
TEST_F(VcsTest, GitListsEveryChangeWithItsStatus) {
    MakeGitChanges();
    const test::ProgramResult result = Corvatine({"--vcs", repo});
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(result.out, kGitChanges);
    EXPECT_EQ(result.err, "");
    // As many entries as git's own short status lists.
    const test::ProgramResult git = Client("git", {"status", "--porcelain", "--untracked-files=all"});
    EXPECT_EQ(std::count(git.out.begin(), git.out.end(), '\n'), 8) << git.out;
}

// A folder inside the working tree, named alone or as the current folder of
// --vcs: the paths stay below the root.
TEST_F(VcsTest, AFolderInsideTheWorkTreeShowsTheWholeWorkingCopy) {
    MakeGitChanges();
    test::ProgramResult result = Corvatine({repo + "/sub"});
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(result.out, kGitChanges);
    result = Corvatine({"--vcs"}, repo + "/sub");
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(result.out, kGitChanges);
}

TEST_F(VcsTest, GitJsonGivesPathsOriginalPathsAndBothLetters) {
    MakeGitChanges();
    const test::ProgramResult result = Corvatine({"--vcs", "--format=json", repo});
    ASSERT_EQ(result.exitStatus, 1) << result.err;
    const nlohmann::json json = nlohmann::json::parse(result.out);
    EXPECT_EQ(json["vcs"], "git");
    char real[PATH_MAX];
    ASSERT_NE(::realpath(repo.c_str(), real), nullptr);
    EXPECT_EQ(json["root"], real);
    EXPECT_EQ(json["clean"], false);
    ASSERT_EQ(json["changes"].size(), 8u);
    const nlohmann::json& renamed = json["changes"][3];
    EXPECT_EQ(renamed["status"], "R");
    EXPECT_EQ(renamed["statusName"], "renamed");
    EXPECT_EQ(renamed["path"], "renamed.txt");
    EXPECT_EQ(renamed["originalPath"], "old.txt");
    EXPECT_EQ(json["changes"][1]["index"], ".");  // mod.txt: only in the work tree
    EXPECT_EQ(json["changes"][1]["workTree"], "M");
    EXPECT_EQ(json["changes"][4]["index"], "M");  // staged.txt: only in the index
    EXPECT_EQ(json["changes"][4]["workTree"], ".");
    EXPECT_EQ(json["changes"][6]["status"], "?");
    EXPECT_FALSE(json["changes"][6].contains("originalPath"));
}

TEST_F(VcsTest, ACleanWorkingCopyPrintsNothingAndExitsZero) {
    Client("git", {"init", "-q"});
    Write("a.txt", "a\n");
    Client("git", {"add", "a.txt"});
    Client("git", {"commit", "-q", "-m", "first"});
    test::ProgramResult result = Corvatine({"--vcs", repo});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "");
    result = Corvatine({"--vcs", "--format=json", repo});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(nlohmann::json::parse(result.out)["clean"], true);
    // --quiet: only the exit status tells.
    Write("a.txt", "b\n");
    result = Corvatine({"--vcs", "--quiet", repo});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.out, "");
}

// A real merge conflict, a type change and a name with a tab.
TEST_F(VcsTest, GitConflictsTypeChangesAndOddNames) {
    Client("git", {"init", "-q", "-b", "main"});
    Write("f.txt", "one\ntwo\nthree\n");
    Write("link.txt", "a file first\n");
    Client("git", {"add", "."});
    Client("git", {"commit", "-q", "-m", "base"});
    Client("git", {"checkout", "-q", "-b", "theirs"});
    Write("f.txt", "one\nTWO theirs\nthree\n");
    Client("git", {"commit", "-q", "-am", "theirs"});
    Client("git", {"checkout", "-q", "main"});
    Write("f.txt", "one\ntwo ours\nthree\n");
    Client("git", {"commit", "-q", "-am", "ours"});
    Client("git", {"merge", "-q", "theirs"}, 1);
    ASSERT_EQ(::unlink((repo + "/link.txt").c_str()), 0);
    ASSERT_EQ(::symlink("f.txt", (repo + "/link.txt").c_str()), 0);
    Write("tab\tname.txt", "odd\n");
    const test::ProgramResult result = Corvatine({"--vcs", repo});
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(result.out, "U f.txt\nT link.txt\n? tab\\tname.txt\n");
}

TEST_F(VcsTest, TroubleIsToldWithExitStatusTwo) {
    const std::string plain = home.MakeFolder("plain");
    test::ProgramResult result = Corvatine({"--vcs", plain});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.err, "corvatine: '" + plain + "' is in no git, Mercurial or Subversion working copy\n");
    // Without --vcs a folder outside any working copy is what it was: no file.
    result = Corvatine({plain});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.err, "corvatine: cannot edit '" + plain + "': it is a folder\n");

    Client("git", {"init", "-q"});
    result = Corvatine({"--vcs", "--width=80", repo});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.err, "corvatine: '--width' does not apply to the version-control view\n");
    result = Corvatine({"--vcs", "--format=tree", repo});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.err,
              "corvatine: invalid value 'tree' for '--format' of the version-control view: list or json\n");
    result = Corvatine({"--vcs", repo, plain});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("--vcs takes at most one folder"), std::string::npos) << result.err;
    // Inside the repository's own folder there is no working tree.
    result = Corvatine({"--vcs", repo + "/.git"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("is in no git"), std::string::npos) << result.err;
}

TEST_F(VcsTest, MercurialListsChangesRenamesCopiesAndConflicts) {
    if (platform::FindProgram("hg").empty()) GTEST_SKIP() << "hg is not installed";
    Client("hg", {"init"});
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"})
        Write(name, std::string(name) + "\n1\n2\n");
    Client("hg", {"add", "-q"});
    Client("hg", {"commit", "-q", "-m", "first"});
    Write("a.txt", "changed\n");
    Client("hg", {"mv", "b.txt", "b2.txt"});
    Client("hg", {"cp", "c.txt", "c2.txt"});
    Client("hg", {"rm", "d.txt"});
    ASSERT_EQ(::unlink((repo + "/e.txt").c_str()), 0);
    Write("new.txt", "new\n");
    Client("hg", {"add", "new.txt"});
    Write("u.txt", "u\n");
    test::ProgramResult result = Corvatine({"--vcs", repo});
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(result.out,
              "M a.txt\nR b.txt -> b2.txt\nC c.txt -> c2.txt\nD d.txt\nD e.txt\nA new.txt\n? u.txt\n");

    // A merge that leaves f.txt unresolved, in a repository of its own.
    repo = home.MakeFolder("merge");
    Client("hg", {"init"});
    Write("f.txt", "base\n");
    Client("hg", {"add", "-q"});
    Client("hg", {"commit", "-q", "-m", "base"});
    Write("f.txt", "ours\n");
    Client("hg", {"commit", "-q", "-m", "ours"});
    Client("hg", {"update", "-q", "-r", "0"});
    Write("f.txt", "theirs\n");
    Client("hg", {"commit", "-q", "-m", "theirs"});
    Client("hg", {"merge", "-q", "--tool", "internal:merge", "-r", "1"}, 1);
    result = Corvatine({"--vcs", "--format=json", repo});
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    const nlohmann::json json = nlohmann::json::parse(result.out);
    EXPECT_EQ(json["vcs"], "hg");
    // hg keeps the file as it was before the merge beside it.
    ASSERT_EQ(json["changes"].size(), 2u) << result.out;
    EXPECT_EQ(json["changes"][0]["status"], "U");
    EXPECT_EQ(json["changes"][0]["path"], "f.txt");
    EXPECT_FALSE(json["changes"][0].contains("index"));
    EXPECT_EQ(json["changes"][1]["status"], "?");
    EXPECT_EQ(json["changes"][1]["path"], "f.txt.orig");
}

TEST_F(VcsTest, SubversionListsChangesAndFoldsAMoveIntoOneRename) {
    if (platform::FindProgram("svn").empty() || platform::FindProgram("svnadmin").empty())
        GTEST_SKIP() << "svn is not installed";
    const std::string server = home / "server";
    Client("svnadmin", {"create", server}, 0, home.Path());
    const std::string work = home / "work";
    Client("svn", {"checkout", "-q", "file://" + server, work}, 0, home.Path());
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        home.WriteFile(std::string("work/") + name, std::string(name) + "\n");
    Client("svn", {"add", "-q", "a.txt", "b.txt", "c.txt"}, 0, work);
    Client("svn", {"commit", "-q", "-m", "first"}, 0, work);
    home.WriteFile("work/a.txt", "changed\n");
    Client("svn", {"mv", "-q", "b.txt", "b2.txt"}, 0, work);
    Client("svn", {"rm", "-q", "c.txt"}, 0, work);
    home.WriteFile("work/new.txt", "new\n");
    Client("svn", {"add", "-q", "new.txt"}, 0, work);
    home.WriteFile("work/u.txt", "u\n");
    const test::ProgramResult result = Corvatine({"--vcs", work});
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(result.out, "M a.txt\nR b.txt -> b2.txt\nD c.txt\nA new.txt\n? u.txt\n");
}

// git difftool --dir-diff with the command --integrate=git writes: one
// folder comparison of git's two trees, whose working-tree side links to the
// working tree; the files are compared through those links, by content.
TEST_F(VcsTest, GitDifftoolDirDiffComparesTheTwoTreesAsOneFolderComparison) {
    ASSERT_EQ(test::RunCorvatine({"--integrate=git"}, {}, env).exitStatus, 0);
    Client("git", {"init", "-q"});
    Write("same.txt", "same\n");
    Write("changed.txt", "before\n");
    Write("sub/deep.txt", "deep\n");
    Client("git", {"add", "."});
    Client("git", {"commit", "-q", "-m", "first"});
    Write("changed.txt", "after, longer\n");
    Write("added.txt", "added\n");
    Client("git", {"add", "added.txt"});
    const std::string git = platform::FindProgram("git");
    const test::ProgramResult result =
        test::RunProgram(git, {"difftool", "--dir-diff", "--no-prompt", "HEAD"}, env, repo);
    // One tree of the folders, headless: the changed file differs, the added
    // one is only on the right; the unchanged ones git leaves out.
    EXPECT_NE(result.out.find("different"), std::string::npos) << result.out << result.err;
    EXPECT_NE(result.out.find(" changed.txt\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("right-only"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find(" added.txt\n"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("same.txt"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("STATUS"), result.out.rfind("STATUS")) << "one comparison: " << result.out;
    EXPECT_EQ(result.err, "");
}

}  // namespace
}  // namespace corvatine
