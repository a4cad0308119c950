// GNU diff's options on the program's command line, with diff itself as the
// oracle: a table of option sets over real file pairs and a tree, whose
// output and exit status must be diff's byte for byte; patch applies what the
// program writes where an ambiguous line may be placed elsewhere; git runs the
// program as its external diff.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace corvatine {
namespace {

using test::ProgramResult;
using test::RunCorvatine;
using test::RunProgram;

const std::vector<std::string> kEnvironment = {"LC_ALL=C", "TZ=UTC"};

std::string Data(const std::string& name) {
    return std::string(CORVATINE_SOURCE_DIR) + "/tests/e2e/data/" + name;
}

class DiffOptionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Small pairs, each holding what one rule is about.
        dir.WriteFile("case1", "alpha\nBeta\ngamma\ndelta\n");
        dir.WriteFile("case2", "Alpha\nbeta\ngamma\nepsilon\n");
        dir.WriteFile("space1", "int  a = 1;\n\tif (x)  \nend\nkeep\n");
        dir.WriteFile("space2", "int a=1;\n        if (x)\nend \nkeep\nmore\n");
        dir.WriteFile("blank1", "one\n\ntwo\nthree\nfour\nfive\nsix\nseven\neight\n\nnine\n");
        dir.WriteFile("blank2", "one\ntwo\nthree\n4\nfive\nsix\nseven\neight\nnine\n\n");
        dir.WriteFile("crlf1", "a\r\nb\r\nc\r\n");
        dir.WriteFile("crlf2", "a\nB\nc\n");
        dir.WriteFile("nl1", "same\nlast");
        dir.WriteFile("nl2", "same\nlast\n");
        dir.WriteFile("tabs1", "x\ty\tlong line here that is long\n\tshort\nsame\n");
        dir.WriteFile("tabs2", "x\ty\tlong line there that is longer than that\n\tshorter\nsame\nadded\n");
        dir.WriteFile("comment1", "# one\ncode\n# two\nmore\n");
        dir.WriteFile("comment2", "# uno\ncode\n# dos\nchanged\n");
        // A tree: changed, identical, one-sided files and folders, a binary
        // pair, a file against a folder, a name with a blank, excluded names.
        dir.WriteFile("L/changed.txt", "one\ntwo\nthree\n");
        dir.WriteFile("R/changed.txt", "one\n2\nthree\n");
        dir.WriteFile("L/same.txt", "same\n");
        dir.WriteFile("R/same.txt", "same\n");
        dir.WriteFile("L/left only.txt", "gone\n");
        dir.WriteFile("R/right-only.txt", "new\n");
        dir.WriteFile("L/sub/deep.c", "int x;\n");
        dir.WriteFile("R/sub/deep.c", "int y;\n");
        dir.WriteFile("L/bin.dat", std::string("a\0b", 3));
        dir.WriteFile("R/bin.dat", std::string("a\0c", 3));
        dir.WriteFile("L/kind", "file\n");
        dir.MakeFolder("R/kind");
        dir.WriteFile("R/newdir/inner.txt", "inner\n");
        dir.WriteFile("L/skip.o", "x\n");
        dir.WriteFile("R/skip.o", "y\n");
        dir.WriteFile("excludes", "*.o\nbin*\n");
        // The files' times show in the headers: one second for all.
        for (const char* name : {"L/changed.txt", "R/changed.txt", "L/left only.txt", "R/right-only.txt",
                                 "L/sub/deep.c", "R/sub/deep.c", "R/newdir/inner.txt", "case1", "case2"})
            test::SetFileTimes(dir / name, 1700000000, 123456789);
    }

    ProgramResult Diff(const std::vector<std::string>& arguments) {
        return RunProgram("/usr/bin/diff", arguments, kEnvironment, dir.Path());
    }
    ProgramResult Ours(const std::vector<std::string>& arguments) {
        return RunCorvatine(arguments, dir.Path(), kEnvironment);
    }

    test::TempDir dir;
};

struct ORACLECASE {
    std::vector<std::string> arguments;
    // diff's own spelling, where the program's differs; empty: the same.
    std::vector<std::string> diffArguments = {};
};

TEST_F(DiffOptionsTest, OutputAndExitStatusAreDiffsOverTheTable) {
    const std::vector<ORACLECASE> table = {
        // Formats; the normal one when no option chooses.
        {{"-i", "case1", "case2"}},
        {{"-u", "case1", "case2"}},
        {{"-U", "1", "blank1", "blank2"}},
        {{"--unified=0", "blank1", "blank2"}},
        {{"-C", "2", "case1", "case2"}},
        {{"--context-diff", "blank1", "blank2"}, {"-c", "blank1", "blank2"}},
        {{"--context-diff=1", "case1", "case2"}, {"--context=1", "case1", "case2"}},
        {{"-y", "case1", "case2"}},
        {{"-y", "-W", "40", "tabs1", "tabs2"}},
        {{"--side-by-side", "--width=64", "nl1", "nl2"}},
        {{"-y", "-W", "31", "case1", "case1"}},
        {{"-q", "case1", "case2"}},
        {{"-s", "case1", "case1"}},
        {{"--normal", "nl1", "nl2"}},
        // White space, case, blank lines, line ends, matching lines.
        {{"-w", "space1", "space2"}},
        {{"-b", "-u", "space1", "space2"}},
        {{"-Z", "space1", "space2"}},
        {{"-E", "-u", "space1", "space2"}},
        {{"-wi", "case1", "space2"}},
        {{"-B", "blank1", "blank2"}},
        {{"-uB", "blank1", "blank2"}},
        {{"-B", "-C", "1", "blank1", "blank2"}},
        {{"-qB", "blank1", "blank2"}},
        {{"--strip-trailing-cr", "crlf1", "crlf2"}},
        {{"-u", "crlf1", "crlf2"}},
        {{"-I", "^#", "comment1", "comment2"}},
        {{"-u", "--ignore-matching-lines=^#", "--ignore-matching-lines=^more", "comment1", "comment2"}},
        {{"-u", "--label=left side", "--label", "right", "case1", "case2"}},
        {{"-u", "nl1", "nl2"}},
        {{"--color=always", "-u", "case1", "case2"}},
        {{"--color=always", "--normal", "case1", "case2"}},
        {{"--color=never", "-y", "case1", "case2"}},
        // Trees.
        {{"-r", "L", "R"}},
        {{"-q", "L", "R"}},
        {{"-ruN", "L", "R"}},
        {{"-rqs", "L", "R"}},
        {{"-r", "-x", "*.o", "-u", "L", "R"}},
        {{"-r", "-X", "excludes", "--brief", "L", "R"}},
        {{"-Nu", "case1", "missing"}},
        // A file named against a folder: its namesake there.
        {{"-u", "L/changed.txt", "R"}},
        // Trouble.
        {{"-u", "case1", "missing"}},
        {{"-uy", "case1", "case2"}},
    };
    for (const ORACLECASE& c : table) {
        std::string shown;
        for (const std::string& argument : c.arguments) shown += " " + argument;
        const ProgramResult diff = Diff(c.diffArguments.empty() ? c.arguments : c.diffArguments);
        const ProgramResult ours = Ours(c.arguments);
        EXPECT_EQ(ours.exitStatus, diff.exitStatus) << "diff" << shown << "\n" << ours.err;
        EXPECT_EQ(ours.out, diff.out) << "diff" << shown;
        // Trouble is told on stderr, as diff tells it.
        EXPECT_EQ(ours.err.empty(), diff.err.empty()) << "diff" << shown << "\n" << ours.err;
    }
}

// The lines a unified diff changes.
int ChangedLines(const std::string& diff) {
    int count = 0;
    size_t start = 0;
    while (start < diff.size()) {
        size_t end = diff.find('\n', start);
        if (end == std::string::npos) end = diff.size();
        const std::string_view line(diff.data() + start, end - start);
        if ((line.rfind("+", 0) == 0 && line.rfind("+++ ", 0) != 0) ||
            (line.rfind("-", 0) == 0 && line.rfind("--- ", 0) != 0))
            ++count;
        start = end + 1;
    }
    return count;
}

TEST_F(DiffOptionsTest, PatchAppliesWhatIsWrittenForBlocksThatMoved) {
    // jq's jv.c before and after two function bodies moved: lines diff may
    // align otherwise.
    const std::string before = Data("jq-jv-before.c"), after = Data("jq-jv-after.c");
    for (const std::vector<std::string>& options :
         {std::vector<std::string>{"-u"}, {"-U", "1", "-b"}, {"--context-diff=2"}}) {
        std::vector<std::string> arguments = options;
        arguments.insert(arguments.end(), {before, after});
        const ProgramResult ours = Ours(arguments);
        ASSERT_EQ(ours.exitStatus, 1) << ours.err;
        if (options.front() == "-u") {
            // No more lines changed than diff changes.
            EXPECT_LE(ChangedLines(ours.out), ChangedLines(Diff(arguments).out));
        }
        const std::string patchFile = dir.WriteFile("jv.patch", ours.out);
        const ProgramResult patch =
            RunProgram("/usr/bin/patch", {"-s", "-o", dir / "patched.c", before, patchFile}, {}, dir.Path());
        ASSERT_EQ(patch.exitStatus, 0) << patch.out << patch.err;
        if (options.size() == 1) {
            EXPECT_EQ(test::ReadFile(dir / "patched.c"), test::ReadFile(after));
        }
    }
}

TEST_F(DiffOptionsTest, SharedWordsKeepTheProgramsMeaningAlone) {
    // --width=N alone is still the side format's width, not diff's.
    const ProgramResult side = Ours({"--width=60", "case1", "case2"});
    EXPECT_EQ(side.exitStatus, 1);
    EXPECT_EQ(side.out.find("1c1"), std::string::npos) << side.out;
    // With another of diff's options it is diff's -W.
    EXPECT_EQ(Ours({"-y", "--width=60", "case1", "case2"}).out,
              Diff({"-y", "-W", "60", "case1", "case2"}).out);
    // -c is the program's compare, and -r:RULES its rules; -r alone is diff's.
    EXPECT_EQ(Ours({"-c", "-u", "case1", "case2"}).out, Diff({"-u", "case1", "case2"}).out);
    const ProgramResult rules = Ours({"-c", "-t:text", "-r:icc", "--format=json", "case1", "case1"});
    EXPECT_EQ(rules.exitStatus, 0) << rules.err;
    // Options of the program's own that mean nothing to diff's output are refused.
    const ProgramResult mixed = Ours({"-u", "--format=json", "case1", "case2"});
    EXPECT_EQ(mixed.exitStatus, 2);
    EXPECT_NE(mixed.err.find("'--format=json' cannot be used with diff's options"), std::string::npos)
        << mixed.err;
}

TEST_F(DiffOptionsTest, SubversionsDiffCommandForm) {
    // Headless, svn's call is diff -u with its labels.
    const std::vector<std::string> call = {
        "-u", "-L", "case1\t(revision 1)", "-L", "case2\t(working copy)", "case1", "case2"};
    const ProgramResult ours = Ours(call);
    EXPECT_EQ(ours.exitStatus, 1);
    EXPECT_EQ(ours.out, Diff(call).out);
}

TEST_F(DiffOptionsTest, GitRunsTheProgramAsItsExternalDiff) {
    test::TempDir repo;
    const std::vector<std::string> env = {"HOME=" + repo.Path(),
                                          "GIT_CONFIG_NOSYSTEM=1",
                                          "LC_ALL=C",
                                          "GIT_AUTHOR_NAME=t",
                                          "GIT_AUTHOR_EMAIL=t@t",
                                          "GIT_COMMITTER_NAME=t",
                                          "GIT_COMMITTER_EMAIL=t@t",
                                          "GIT_EXTERNAL_DIFF=" + test::CorvatineProgram()};
    const auto git = [&](const std::vector<std::string>& arguments) {
        return RunProgram("/usr/bin/git", arguments, env, repo.Path());
    };
    ASSERT_EQ(git({"init", "-q"}).exitStatus, 0);
    repo.WriteFile("file.txt", "one\ntwo\nthree\n");
    ASSERT_EQ(git({"add", "file.txt"}).exitStatus, 0);
    ASSERT_EQ(git({"commit", "-qm", "first"}).exitStatus, 0);
    repo.WriteFile("file.txt", "one\n2\nthree\n");
    repo.WriteFile("added.txt", "new\n");
    ASSERT_EQ(git({"add", "added.txt"}).exitStatus, 0);

    const ProgramResult changed = git({"diff", "--ext-diff", "--", "file.txt"});
    ASSERT_EQ(changed.exitStatus, 0) << changed.err;
    EXPECT_EQ(changed.out.substr(0, changed.out.find('\n')), "--- a/file.txt");
    EXPECT_NE(changed.out.find("\n+++ b/file.txt\n@@ -1,3 +1,3 @@\n one\n-two\n+2\n three\n"),
              std::string::npos)
        << changed.out;
    const ProgramResult added = git({"diff", "--cached", "--ext-diff"});
    ASSERT_EQ(added.exitStatus, 0) << added.err;
    EXPECT_EQ(added.out.rfind("--- /dev/null\n+++ b/added.txt\n@@ -0,0 +1 @@\n+new\n", 0), 0u) << added.out;
    // With diff's options given in the variable, they choose the format.
    std::vector<std::string> normal = env;
    normal.back() = "GIT_EXTERNAL_DIFF=" + test::CorvatineProgram() + " --normal";
    const ProgramResult plain =
        RunProgram("/usr/bin/git", {"diff", "--ext-diff", "--", "file.txt"}, normal, repo.Path());
    EXPECT_EQ(plain.exitStatus, 0) << plain.err;
    EXPECT_EQ(plain.out, "2c2\n< two\n---\n> 2\n");
}

}  // namespace
}  // namespace corvatine
