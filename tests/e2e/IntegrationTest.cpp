// The version-control clients through the program: --integrate,
// --unintegrate and --integration-status, and the clients running the
// program as they were set up to (git difftool and mergetool, svn diff,
// hg extdiff), in a home of their own.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/Path.h"
#include "platform/Shell.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

bool Exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

class IntegrationTest : public ::testing::Test {
protected:
    test::TempDir home;
    std::string settings = home.MakeFolder("settings");
    std::string installDir = platform::PathParentFolder(test::CorvatineProgram());
    std::vector<std::string> env = {"HOME=" + home.Path(),
                                    "XDG_CONFIG_HOME=" + home / ".config",
                                    "GIT_CONFIG_GLOBAL=" + home / ".gitconfig",
                                    "GIT_CONFIG_NOSYSTEM=1",
                                    "CORVATINE_CONFIG_DIR=" + settings,
                                    "GIT_AUTHOR_NAME=Ann",
                                    "GIT_AUTHOR_EMAIL=ann@example.org",
                                    "GIT_COMMITTER_NAME=Ann",
                                    "GIT_COMMITTER_EMAIL=ann@example.org",
                                    "LC_ALL=C.UTF-8"};

    test::ProgramResult Corvatine(const std::vector<std::string>& arguments, const std::string& cwd = {}) {
        return test::RunCorvatine(arguments, cwd, env);
    }
    // A client program in this home; fails the test when it does not exit 0.
    test::ProgramResult Client(const std::string& program, const std::vector<std::string>& arguments,
                               const std::string& cwd, int expected = 0) {
        const std::string path = platform::FindProgram(program);
        EXPECT_FALSE(path.empty()) << program << " is not installed";
        test::ProgramResult result = test::RunProgram(path, arguments, env, cwd);
        EXPECT_EQ(result.exitStatus, expected) << program << ": " << result.out << result.err;
        return result;
    }
};

TEST_F(IntegrationTest, StatusTellsEachClientsStateAndIntegration) {
    const test::ProgramResult result = Corvatine({"--integration-status"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out,
              "shell: installed, integrated: no\n"
              "tortoisesvn: not configured, integrated: no\n"
              "tortoisecvs: not configured, integrated: no\n"
              "git: installed, integrated: no\n"
              "svn: installed, no configuration file, integrated: no\n"
              "hg: installed, no configuration file, integrated: no\n");
    EXPECT_EQ(result.err, "");
}

TEST_F(IntegrationTest, OnThenOffLeavesEveryConfigurationFileAsItWas) {
    const std::string svnConfig =
        home.WriteFile(".subversion/config",
                       "### client settings\n[helpers]\n# diff-cmd = diff_program\n\n"
                       "[miscellany]\n# global-ignores = *.o\n");
    const std::string hgrc = home.WriteFile(".hgrc", "[ui]\nusername = Ann <ann@example.org>\n");
    const std::string gitconfig =
        home.WriteFile(".gitconfig", "[user]\n\tname = Ann\n[diff]\n\ttool = meld\n");
    const std::string svnBefore = test::ReadFile(svnConfig), hgBefore = test::ReadFile(hgrc),
                      gitBefore = test::ReadFile(gitconfig);

    test::ProgramResult result = Corvatine({"--integrate=git,svn", "--integrate=hg"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "git: integrated\nsvn: integrated\nhg: integrated\n");
    const std::string program = installDir + "/corvatine";
    EXPECT_EQ(test::ReadFile(svnConfig),
              "### client settings\n[helpers]\ndiff-cmd = " + program +
                  "\n# diff-cmd = diff_program\n\n[miscellany]\n# global-ignores = *.o\n");
    EXPECT_EQ(test::ReadFile(hgrc),
              "[ui]\nusername = Ann <ann@example.org>\n\n[extensions]\nextdiff =\n\n"
              "[extdiff]\ncmd.corvatine = " +
                  program + "\n");
    EXPECT_NE(test::ReadFile(gitconfig).find("\ttool = corvatine\n"), std::string::npos);

    result = Corvatine({"--integration-status"});
    EXPECT_NE(result.out.find("git: installed, integrated: yes\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("svn: installed, integrated: yes\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("hg: installed, integrated: yes\n"), std::string::npos) << result.out;

    const std::string withBackups = test::ReadFile(settings + "/registry.reg");
    for (const char* key : {"Integration\\Git]", "Integration\\Subversion]", "Integration\\Mercurial]"})
        EXPECT_NE(withBackups.find(key), std::string::npos) << key;

    // A second switch changes nothing.
    result = Corvatine({"--integrate=svn"});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.out, "svn: already integrated\n");

    result = Corvatine({"--unintegrate=hg,svn,git"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "hg: unintegrated\nsvn: unintegrated\ngit: unintegrated\n");
    EXPECT_EQ(test::ReadFile(svnConfig), svnBefore);
    EXPECT_EQ(test::ReadFile(hgrc), hgBefore);
    EXPECT_EQ(test::ReadFile(gitconfig), gitBefore);
    // The backups are gone with the integration.
    const std::string hive = test::ReadFile(settings + "/registry.reg");
    for (const char* key : {"Integration\\Git]", "Integration\\Subversion]", "Integration\\Mercurial]"})
        EXPECT_EQ(hive.find(key), std::string::npos) << key;
}

TEST_F(IntegrationTest, TortoiseSvnTakesTheProgramOfTheInstallationFolder) {
    const std::string old = "C:\\TortoiseSVN\\bin\\TortoiseMerge.exe /base:%base /mine:%mine";
    home.WriteFile("settings/registry.reg",
                   "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\TortoiseSVN]\n"
                   "\"Diff\"=\"C:\\\\TortoiseSVN\\\\bin\\\\TortoiseMerge.exe /base:%base /mine:%mine\"\n");
    test::ProgramResult result = Corvatine({"--integrate=tortoisesvn", "--integration-status"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out.rfind("tortoisesvn: integrated\n", 0), 0u) << result.out;
    EXPECT_NE(result.out.find("\ntortoisesvn: configured, integrated: yes\n"), std::string::npos)
        << result.out;
    const std::string hive = test::ReadFile(settings + "/registry.reg");
    EXPECT_NE(hive.find("\"Diff\"=\"" + installDir + "/corvatine %base %mine\""), std::string::npos) << hive;
    EXPECT_NE(hive.find("\"Backup.Diff\"=\"C:\\\\TortoiseSVN\\\\bin\\\\TortoiseMerge.exe"), std::string::npos)
        << hive;

    result = Corvatine({"--unintegrate=tortoisesvn"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    const std::string restored = test::ReadFile(settings + "/registry.reg");
    EXPECT_NE(
        restored.find("\"Diff\"=\"C:\\\\TortoiseSVN\\\\bin\\\\TortoiseMerge.exe /base:%base /mine:%mine\""),
        std::string::npos)
        << restored;
    EXPECT_EQ(restored.find("Integration\\TortoiseSVN"), std::string::npos) << restored;
}

// The context menu through the program: its keys go into classes.reg and
// the Dolphin and Nemo menu files into the home's data folder; switched off,
// the three handler keys and the files go, the class registration stays.
TEST_F(IntegrationTest, ShellRegistersTheContextMenuAndRemovesIt) {
    const std::string classes = settings + "/classes.reg";
    const std::string serviceMenu = home / ".local/share/kio/servicemenus/corvatine-compare-two.desktop";
    const std::string nemoAction = home / ".local/share/nemo/actions/corvatine-compare.nemo_action";
    test::ProgramResult result = Corvatine({"--integrate=shell"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out.rfind("shell: integrated\n", 0), 0u) << result.out;
    std::string hive = test::ReadFile(classes);
    for (const char* key : {"\\*\\ShellEx\\ContextMenuHandlers\\Corvatine]",
                            "\\Folder\\ShellEx\\ContextMenuHandlers\\Corvatine]",
                            "\\Folder\\ShellEx\\DragDropHandlers\\Corvatine]",
                            "\\Directory\\Background\\ShellEx\\ContextMenuHandlers\\Corvatine]"})
        EXPECT_NE(hive.find(key), std::string::npos) << key << "\n" << hive;
    EXPECT_TRUE(Exists(serviceMenu));
    EXPECT_TRUE(Exists(nemoAction));
    EXPECT_NE(test::ReadFile(serviceMenu).find(installDir + "/corvatine"), std::string::npos);

    result = Corvatine({"--integration-status"});
    EXPECT_EQ(result.out.rfind("shell: installed, integrated: yes\n", 0), 0u) << result.out;

    result = Corvatine({"--unintegrate=shell"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out.rfind("shell: unintegrated\n", 0), 0u) << result.out;
    hive = test::ReadFile(classes);
    for (const char* key : {"\\*\\ShellEx\\ContextMenuHandlers\\Corvatine]",
                            "\\Folder\\ShellEx\\ContextMenuHandlers\\Corvatine]"})
        EXPECT_EQ(hive.find(key), std::string::npos) << key << "\n" << hive;
    EXPECT_NE(hive.find("\\Directory\\Background\\ShellEx\\ContextMenuHandlers\\Corvatine]"),
              std::string::npos);
    EXPECT_EQ(hive.find("DragDropHandlers\\Corvatine]"), std::string::npos) << hive;
    EXPECT_NE(hive.find("Corvatine.ShellContextMenu.1]"), std::string::npos) << hive;
    EXPECT_FALSE(Exists(serviceMenu));
    EXPECT_FALSE(Exists(nemoAction));
    result = Corvatine({"--integration-status"});
    EXPECT_EQ(result.out.rfind("shell: installed, integrated: no\n", 0), 0u) << result.out;
    // Switching off what is off says so and changes nothing.
    result = Corvatine({"--unintegrate=shell"});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.out, "shell: not integrated\n");
}

TEST_F(IntegrationTest, ErrorsNameTheClientAndTheReason) {
    struct CASE {
        std::vector<std::string> arguments;
        std::string err;
    };
    const CASE cases[] = {
        {{"--integrate=git,cvs"},
         "corvatine: unknown integration target 'cvs' for '--integrate': shell, tortoisesvn, tortoisecvs, "
         "git, "
         "svn, hg\n"},
        {{"--integrate=git", "--unintegrate=git"},
         "corvatine: 'git' is named both to integrate and to unintegrate\n"},
        {{"--integrate=tortoisecvs"},
         "corvatine: cannot integrate with TortoiseCVS: TortoiseCVS has no external comparison application "
         "configured\n"},
        {{"--integrate=svn"},
         "corvatine: cannot integrate with Subversion: Subversion has no configuration file '" +
             home / ".subversion/config" + "'\n"},
        {{"--integrate"},
         "corvatine: option '--integrate' needs a value: --integrate=...\nTry 'corvatine --help' "
         "for more information.\n"},
        {{"--unintegrate=,"},
         "corvatine: option '--unintegrate' needs a list of clients: shell, tortoisesvn, tortoisecvs, git, "
         "svn, hg\n"},
        {{"--integration-status", "a.txt"},
         "corvatine: --integrate, --unintegrate and --integration-status take no paths\nTry 'corvatine "
         "--help' for "
         "more information.\n"},
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.arguments.front());
        const test::ProgramResult result = Corvatine(c.arguments);
        EXPECT_EQ(result.exitStatus, 2);
        EXPECT_EQ(result.err, c.err);
        EXPECT_EQ(result.out, "");
    }
    // Nothing was written for the failures, not even git's file.
    EXPECT_FALSE(Exists(home / ".gitconfig"));
    EXPECT_FALSE(Exists(home / ".subversion/config"));
}

// A repository with one committed file, changed since.
TEST_F(IntegrationTest, GitDifftoolRunsTheProgramOnBothVersions) {
    ASSERT_EQ(Corvatine({"--integrate=git"}).exitStatus, 0);
    const std::string repo = home.MakeFolder("repo");
    Client("git", {"init", "-q"}, repo);
    home.WriteFile("repo/notes.txt", "alpha\nbeta\ngamma\n");
    Client("git", {"add", "notes.txt"}, repo);
    Client("git", {"commit", "-q", "-m", "first"}, repo);
    home.WriteFile("repo/notes.txt", "alpha\nBETA changed\ngamma\n");

    const test::ProgramResult result = Client("git", {"difftool", "--no-prompt"}, repo);
    // The side-by-side rows of the two versions, the changed one marked '|'.
    EXPECT_NE(result.out.find("beta"), std::string::npos) << result.out << result.err;
    EXPECT_NE(result.out.find("BETA changed"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find('|'), std::string::npos) << result.out;
}

// Both branches change the same line; the merge stops on the conflict.
class GitMergetoolTest : public IntegrationTest {
protected:
    std::string repo = home.MakeFolder("repo");

    void SetUp() override {
        ASSERT_EQ(Corvatine({"--integrate=git"}).exitStatus, 0);
        Client("git", {"init", "-q", "-b", "main"}, repo);
        home.WriteFile("repo/f.txt", "one\ntwo\nthree\n");
        Client("git", {"add", "f.txt"}, repo);
        Client("git", {"commit", "-q", "-m", "base"}, repo);
        Client("git", {"checkout", "-q", "-b", "theirs"}, repo);
        home.WriteFile("repo/f.txt", "one\nTWO theirs\nthree\n");
        Client("git", {"commit", "-q", "-am", "theirs"}, repo);
        Client("git", {"checkout", "-q", "main"}, repo);
        home.WriteFile("repo/f.txt", "one\ntwo ours\nthree\n");
        Client("git", {"commit", "-q", "-am", "ours"}, repo);
        Client("git", {"merge", "-q", "theirs"}, repo, 1);
        ASSERT_NE(test::ReadFile(repo + "/f.txt").find("<<<<<<< HEAD"), std::string::npos);
    }

    // The two-way form of earlier versions, set by hand, with extra words.
    std::string TwoWayCommand(const std::string& extra) {
        return "'" + test::CorvatineProgram() + "' --resolve -ro:2 \"$MERGED\" \"$REMOTE\"" + extra;
    }
};

// The recorded three-way command, headless: the merge leaves the conflict,
// exits 1, and git keeps the conflict.
TEST_F(GitMergetoolTest, AThreeWayMergeWithAConflictLeftKeepsTheConflict) {
    const test::ProgramResult result = Client("git", {"mergetool", "--no-prompt"}, repo, 1);
    EXPECT_NE(result.err.find("merge of f.txt failed"), std::string::npos) << result.out << result.err;
    const std::string merged = test::ReadFile(repo + "/f.txt");
    EXPECT_NE(merged.find("two ours\n=======\nTWO theirs\n>>>>>>> "), std::string::npos) << merged;
    const test::ProgramResult status = Client("git", {"status", "--porcelain"}, repo);
    EXPECT_NE(status.out.find("UU f.txt"), std::string::npos) << status.out;
}

// Headless nothing is saved: git learns from the exit status that the
// conflict stays.
TEST_F(GitMergetoolTest, TwoWayAMergedFileThatWasNotSavedLeavesTheConflict) {
    const test::ProgramResult result = Client(
        "git", {"-c", "mergetool.corvatine.cmd=" + TwoWayCommand(""), "mergetool", "--no-prompt"}, repo, 1);
    EXPECT_NE(result.err.find("'f.txt' was not saved: the conflict is not resolved"), std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("merge of f.txt failed"), std::string::npos) << result.out << result.err;
    EXPECT_NE(test::ReadFile(repo + "/f.txt").find("<<<<<<< HEAD"), std::string::npos);
    const test::ProgramResult status = Client("git", {"status", "--porcelain"}, repo);
    EXPECT_NE(status.out.find("UU f.txt"), std::string::npos) << status.out;
}

// The two-way command, resolving headless: every difference of the other
// version copied into the merged file and saved; git takes it as resolved.
TEST_F(GitMergetoolTest, TwoWayAMergedFileSavedWithoutMarkersResolvesTheConflict) {
    const std::string command = TwoWayCommand(" --copy=right-to-left --save");
    const test::ProgramResult result =
        Client("git", {"-c", "mergetool.corvatine.cmd=" + command, "mergetool", "--no-prompt"}, repo);
    EXPECT_EQ(test::ReadFile(repo + "/f.txt"), "one\nTWO theirs\nthree\n");
    const test::ProgramResult status = Client("git", {"status", "--porcelain"}, repo);
    EXPECT_NE(status.out.find("M  f.txt"), std::string::npos) << status.out;
}

// Saved, but with markers left: still a conflict.
TEST_F(GitMergetoolTest, TwoWayAMergedFileSavedWithMarkersLeftIsNotResolved) {
    // Only the first difference is copied: the marker lines stay.
    const std::string command = TwoWayCommand(" --copy=right-to-left:2 --save");
    const test::ProgramResult result =
        Client("git", {"-c", "mergetool.corvatine.cmd=" + command, "mergetool", "--no-prompt"}, repo, 1);
    EXPECT_NE(result.err.find("'f.txt' still holds conflict markers"), std::string::npos) << result.err;
}

// A file git does not merge itself (the attribute -merge) conflicts whatever
// the branches did; changes of different lines merge cleanly three ways, and
// git takes the merged file as resolved.
TEST_F(IntegrationTest, GitMergetoolResolvesACleanThreeWayMerge) {
    ASSERT_EQ(Corvatine({"--integrate=git"}).exitStatus, 0);
    const std::string repo = home.MakeFolder("repo");
    Client("git", {"init", "-q", "-b", "main"}, repo);
    home.WriteFile("repo/.gitattributes", "f.txt -merge\n");
    home.WriteFile("repo/f.txt", "one\ntwo\nthree\nfour\nfive\n");
    Client("git", {"add", "f.txt", ".gitattributes"}, repo);
    Client("git", {"commit", "-q", "-m", "base"}, repo);
    Client("git", {"checkout", "-q", "-b", "theirs"}, repo);
    home.WriteFile("repo/f.txt", "one\ntwo\nthree\nfour\nFIVE theirs\n");
    Client("git", {"commit", "-q", "-am", "theirs"}, repo);
    Client("git", {"checkout", "-q", "main"}, repo);
    home.WriteFile("repo/f.txt", "ONE ours\ntwo\nthree\nfour\nfive\n");
    Client("git", {"commit", "-q", "-am", "ours"}, repo);
    Client("git", {"merge", "-q", "theirs"}, repo, 1);

    const test::ProgramResult result = Client("git", {"mergetool", "--no-prompt"}, repo);
    EXPECT_EQ(test::ReadFile(repo + "/f.txt"), "ONE ours\ntwo\nthree\nfour\nFIVE theirs\n") << result.err;
    const test::ProgramResult status = Client("git", {"status", "--porcelain"}, repo);
    EXPECT_NE(status.out.find("M  f.txt"), std::string::npos) << status.out;
}

TEST_F(IntegrationTest, SvnDiffRunsTheProgramOnBaseAndWorkingFile) {
    const std::string work = home.MakeFolder("work");
    // svn writes its default configuration files on its first run.
    Client("svnadmin", {"create", home / "repository"}, home.Path());
    Client("svn", {"checkout", "-q", "file://" + home / "repository", work}, home.Path());
    ASSERT_TRUE(Exists(home / ".subversion/config"));
    const std::string before = test::ReadFile(home / ".subversion/config");
    ASSERT_EQ(Corvatine({"--integrate=svn"}).exitStatus, 0);

    home.WriteFile("work/list.txt", "red\ngreen\nblue\n");
    Client("svn", {"add", "-q", "list.txt"}, work);
    Client("svn", {"commit", "-q", "-m", "colours"}, work);
    home.WriteFile("work/list.txt", "red\nGREEN\nblue\n");
    // svn passes -u -L LABEL -L LABEL BASE WORKING; the labels are not paths.
    const test::ProgramResult result = Client("svn", {"diff"}, work);
    EXPECT_NE(result.out.find("green"), std::string::npos) << result.out << result.err;
    EXPECT_NE(result.out.find("GREEN"), std::string::npos) << result.out;
    EXPECT_EQ(result.err.find("ignoring"), std::string::npos) << result.err;

    ASSERT_EQ(Corvatine({"--unintegrate=svn"}).exitStatus, 0);
    EXPECT_EQ(test::ReadFile(home / ".subversion/config"), before);
}

TEST_F(IntegrationTest, HgExtdiffRunsTheProgram) {
    home.WriteFile(".hgrc", "[ui]\nusername = Ann <ann@example.org>\n");
    ASSERT_EQ(Corvatine({"--integrate=hg"}).exitStatus, 0);
    const std::string repo = home.MakeFolder("hgrepo");
    Client("hg", {"init"}, repo);
    home.WriteFile("hgrepo/a.txt", "first line\nsecond line\n");
    Client("hg", {"add", "a.txt"}, repo);
    Client("hg", {"commit", "-m", "a"}, repo);
    home.WriteFile("hgrepo/a.txt", "first line\nsecond line changed\n");
    const test::ProgramResult result = Client("hg", {"corvatine"}, repo, 1);
    // extdiff hands over the two versions of the one changed file.
    EXPECT_NE(result.out.find("second line changed"), std::string::npos) << result.out << result.err;
    EXPECT_NE(result.out.find('|'), std::string::npos) << result.out;
}

// Two runs switching git on at once: one integrates, the other finds it
// integrated, and the backup holds the user's tools, which switching off
// gives back.
TEST_F(IntegrationTest, TwoRunsAtOnceKeepTheUsersGitSettings) {
    const std::string gitconfig = home / ".gitconfig";
    const std::string before = "[diff]\n\ttool = meld\n[merge]\n\ttool = kdiff3\n";
    for (int attempt = 0; attempt < 12; ++attempt) {
        home.WriteFile(".gitconfig", before);
        const test::ProgramResult both = test::RunProgram(
            "/bin/sh",
            {"-c", "\"$0\" --integrate=git > one.out 2>&1 & \"$0\" --integrate=git > two.out 2>&1 & wait",
             test::CorvatineProgram()},
            env, home.Path());
        ASSERT_EQ(both.exitStatus, 0) << both.err;
        const std::string outputs = test::ReadFile(home / "one.out") + test::ReadFile(home / "two.out");
        EXPECT_TRUE(outputs == "git: integrated\ngit: already integrated\n" ||
                    outputs == "git: already integrated\ngit: integrated\n")
            << outputs;
        const std::string integrated = test::ReadFile(gitconfig);
        EXPECT_NE(integrated.find("[difftool \"corvatine\"]"), std::string::npos) << integrated;
        EXPECT_NE(integrated.find("[mergetool \"corvatine\"]"), std::string::npos) << integrated;
        const test::ProgramResult off = Corvatine({"--unintegrate=git"});
        ASSERT_EQ(off.exitStatus, 0) << off.err;
        EXPECT_EQ(off.out, "git: unintegrated\n");
        EXPECT_EQ(test::ReadFile(gitconfig), before) << "attempt " << attempt;
    }
}

// A key git holds twice cannot take one value and be put back: the switch
// is refused with that reason, and nothing changes.
TEST_F(IntegrationTest, AGitKeySetTwiceIsNamed) {
    const std::string before = "[diff]\n\ttool = meld\n[diff]\n\ttool = vimdiff\n";
    const std::string gitconfig = home.WriteFile(".gitconfig", before);
    const test::ProgramResult result = Corvatine({"--integrate=git"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.err, "corvatine: cannot integrate with Git: Git: diff.tool is set more than once in " +
                              gitconfig + " (meld, vimdiff): keep one of them and try again\n");
    EXPECT_EQ(test::ReadFile(gitconfig), before);
    EXPECT_EQ(test::ReadFile(settings + "/registry.reg").find("Integration\\Git"), std::string::npos);
}

// After the user chose another diff tool, switching off still takes this
// program's sections and its merge tool away, and leaves the user's choice.
TEST_F(IntegrationTest, SwitchingOffAfterTheUserChoseAnotherTool) {
    const std::string gitconfig = home.WriteFile(".gitconfig", "[merge]\n\ttool = kdiff3\n");
    ASSERT_EQ(Corvatine({"--integrate=git"}).exitStatus, 0);
    Client("git", {"config", "--global", "diff.tool", "meld"}, home.Path());
    EXPECT_NE(Corvatine({"--integration-status"}).out.find("git: installed, integrated: no\n"),
              std::string::npos);
    const test::ProgramResult result = Corvatine({"--unintegrate=git"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "git: unintegrated\n");
    EXPECT_EQ(test::ReadFile(gitconfig), "[merge]\n\ttool = kdiff3\n[diff]\n\ttool = meld\n");
    EXPECT_EQ(test::ReadFile(settings + "/registry.reg").find("Integration\\Git"), std::string::npos);
    EXPECT_EQ(Corvatine({"--unintegrate=git"}).out, "git: not integrated\n");
}

// A diff-cmd whose value goes on over indented lines is replaced whole, and
// put back whole; svn then runs the program with its own words only.
TEST_F(IntegrationTest, AnEntryWithContinuationLinesIsReplacedWhole) {
    const std::string before =
        "[helpers]\ndiff-cmd = /usr/local/bin/mydiff\n   --side-by-side\n\t--width=200\n# diff3-cmd = x\n\n"
        "[miscellany]\nglobal-ignores = *.o\n";
    const std::string config = home.WriteFile(".subversion/config", before);
    ASSERT_EQ(Corvatine({"--integrate=svn"}).exitStatus, 0);
    EXPECT_EQ(test::ReadFile(config),
              "[helpers]\ndiff-cmd = " + installDir +
                  "/corvatine\n# diff3-cmd = x\n\n[miscellany]\nglobal-ignores = *.o\n");
    ASSERT_EQ(Corvatine({"--unintegrate=svn"}).exitStatus, 0);
    EXPECT_EQ(test::ReadFile(config), before);
}

}  // namespace
}  // namespace corvatine
