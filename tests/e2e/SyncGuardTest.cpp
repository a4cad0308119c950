// Synchronisation and the folder operations where data is at stake, through
// corvatine on real trees: options that must not be ignored, nested folders,
// entries changed between the plan and the run, symbolic links as entries of
// their own (rsync -a --delete as the oracle where it is installed), a file
// and a folder of one name, filters, counts, escaped names, sparse files,
// signals and leftovers, the Trash of a bind mount, and deep trees.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <sstream>
#include <thread>

#include "support/DeepTree.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

namespace fs = std::filesystem;

// Each entry of a tree: path, kind, and its bytes or link text (no times:
// rsync and we may set a folder's time at different moments).
std::string Entries(const std::string& root) {
    std::map<std::string, std::string> entries;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        struct stat info {};
        ::lstat(it->path().c_str(), &info);
        std::string line;
        if (S_ISLNK(info.st_mode))
            line = "link -> " + fs::read_symlink(it->path()).string();
        else if (S_ISDIR(info.st_mode))
            line = "folder";
        else
            line = "file " + test::ReadFile(it->path());
        entries[fs::relative(it->path(), root).string()] = line;
    }
    std::string text;
    for (const auto& [path, line] : entries) text += path + ": " + line + "\n";
    return text;
}

test::ProgramResult Corvatine(const test::TempDir& dir, std::vector<std::string> words,
                              const std::vector<std::string>& environment = {}) {
    std::vector<std::string> arguments{"--no-gui"};
    arguments.insert(arguments.end(), words.begin(), words.end());
    return test::RunCorvatine(arguments, dir.Path(), environment);
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// ---- 1. Options that would be ignored ----

TEST(SyncGuardTest, DryRunAndMaxDeleteHoldForOperations) {
    test::TempDir dir;
    dir.WriteFile("L/a", "keep\n");
    dir.WriteFile("R/a", "keep\n");
    dir.WriteFile("L/sub/b", "b\n");

    test::ProgramResult result =
        Corvatine(dir, {"L", "R", "--op=delete:both:a", "--dry-run", "--max-delete=0", "--format=brief"});
    EXPECT_EQ(result.exitStatus, 2) << result.out;
    EXPECT_TRUE(Contains(result.err, "would delete 2 file(s), more than --max-delete=0; nothing was changed"))
        << result.err;
    EXPECT_EQ(test::ReadFile(dir / "L/a"), "keep\n");
    EXPECT_EQ(test::ReadFile(dir / "R/a"), "keep\n");

    result = Corvatine(dir, {"L", "R", "--op=delete:both:a", "--op=delete:left:sub",
                             "--op=copy:left-to-right:sub", "--dry-run"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out,
              "a - Deleting Both: 2 file(s)\n"
              "sub - Deleting Left: 1 file(s) and 1 folder(s)\n"
              "sub - Copying from Left to Right\n"
              "Nothing was changed (--dry-run)\n");
    EXPECT_TRUE(fs::exists(dir / "L/a") && fs::exists(dir / "R/a") && fs::exists(dir / "L/sub/b"));
    EXPECT_FALSE(fs::exists(dir / "R/sub"));

    // The limit counts every entry a delete takes, folders too.
    result = Corvatine(dir, {"L", "R", "--op=delete:left:sub", "--max-delete=1"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_TRUE(Contains(result.err, "would delete 1 file(s) and 1 folder(s), more than --max-delete=1"))
        << result.err;
    EXPECT_TRUE(fs::exists(dir / "L/sub/b"));
    result = Corvatine(dir, {"L", "R", "--op=delete:left:sub", "--max-delete=2", "--format=brief"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_FALSE(fs::exists(dir / "L/sub"));
}

TEST(SyncGuardTest, OptionsThatDoNothingForTheRunAreErrors) {
    test::TempDir dir;
    dir.WriteFile("L/a", "a\n");
    dir.WriteFile("R/a", "a\n");
    const struct {
        std::vector<std::string> words;
        std::string message;
    } cases[] = {
        {{"--dry-run"},
         "'--dry-run' does not apply to a folder comparison: it applies only with --sync or --op"},
        {{"--max-delete=3"},
         "'--max-delete' does not apply to a folder comparison: it applies only with --sync or --op=delete"},
        {{"--yes"}, "'--yes' does not apply to a folder comparison: only --sync asks"},
        {{"--trash"},
         "'--trash' does not apply to a folder comparison: it applies only with --sync or --op=delete"},
        {{"--op=move:left-to-right:a", "--trash"}, "'--trash' does not apply"},
        {{"--op=copy:left-to-right:a", "--yes"}, "'--yes' does not apply"},
    };
    for (const auto& [words, message] : cases) {
        std::vector<std::string> arguments{"L", "R"};
        arguments.insert(arguments.end(), words.begin(), words.end());
        const test::ProgramResult result = Corvatine(dir, arguments);
        EXPECT_EQ(result.exitStatus, 2) << words[0];
        EXPECT_TRUE(Contains(result.err, message)) << result.err;
        EXPECT_EQ(test::ReadFile(dir / "L/a"), "a\n");
        EXPECT_EQ(test::ReadFile(dir / "R/a"), "a\n");
    }
}

// ---- 2. Nested folders, and copies that failed ----

TEST(SyncGuardTest, FoldersOneInsideTheOtherAreRefused) {
    test::TempDir dir;
    dir.WriteFile("backup/src/a.txt", "hi\n");
    dir.WriteFile("backup/old.txt", "old\n");
    const std::string before = Entries(dir.Path());
    for (const auto& words :
         std::vector<std::vector<std::string>>{{"--sync=mirror-right", "--yes", "backup/src", "backup"},
                                               {"--sync=mirror-left", "--yes", "backup", "backup/src"},
                                               {"--sync=mirror-right", "--yes", "backup", "backup/src/bk"},
                                               {"--op=delete:right:src", "backup/src", "backup"},
                                               {"--op=copy:left-to-right:old.txt", "backup", "backup/src"}}) {
        dir.MakeFolder("backup/src/bk");
        const test::ProgramResult result = Corvatine(dir, words);
        EXPECT_EQ(result.exitStatus, 2) << words[0];
        EXPECT_TRUE(Contains(result.err, "lies inside")) << result.err;
        fs::remove(dir / "backup/src/bk");
        EXPECT_EQ(Entries(dir.Path()), before) << words[0];
    }
}

TEST(SyncGuardTest, NothingIsDeletedWhoseCopyFailed) {
    if (!test::CanRunAsOrdinaryUser()) GTEST_SKIP() << "no ordinary user to run as";
    test::TempDir dir;
    // The source's x cannot be read: the target's x, a folder of that name,
    // and what is below it are all that is left of it.
    dir.WriteFile("L/x", "secret\n");
    dir.WriteFile("R/x/only-copy.txt", "precious\n");
    dir.WriteFile("L/dir/locked.txt", "locked\n");
    dir.WriteFile("R/dir/locked.txt/inside.txt", "keep\n");
    dir.OpenToAll();
    ASSERT_EQ(::chmod((dir / "L/x").c_str(), 0), 0);
    ASSERT_EQ(::chmod((dir / "L/dir/locked.txt").c_str(), 0), 0);
    const test::ProgramResult result =
        test::RunCorvatineAsOrdinaryUser({"--no-gui", "--sync=mirror-right", "--yes", "L", "R"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 2) << result.out << result.err;
    EXPECT_TRUE(Contains(result.out, "x - Copying from left to right\nERROR!\n")) << result.out;
    EXPECT_TRUE(Contains(result.err, "Permission denied")) << result.err;
    EXPECT_EQ(test::ReadFile(dir / "R/x/only-copy.txt"), "precious\n");
    EXPECT_EQ(test::ReadFile(dir / "R/dir/locked.txt/inside.txt"), "keep\n");
}

// ---- 3. Entries changed between the plan and the run ----

// Runs a mirror on a terminal, and while it asks whether to go on, changes
// the trees; then answers yes. The typescript is the result's out.
test::ProgramResult MirrorChangedMeanwhile(const test::TempDir& dir, const std::string& changes) {
    const std::string command = test::CorvatineProgram() + " --no-gui --sync=mirror-right L R";
    const std::string script =
        "{ i=0; until grep -q 'Synchronize the folders' typescript 2>/dev/null; do "
        "i=$((i+1)); [ $i -gt 2000 ] && exit 1; sleep 0.01; done; " +
        changes + "; printf 'y\\n'; } | script -qfec '" + command + "' typescript";
    test::ProgramResult result = test::RunProgram("/bin/sh", {"-c", script}, {}, dir.Path());
    result.out = test::ReadFile(dir / "typescript");
    return result;
}

TEST(SyncGuardTest, DeletesAreCheckedAgainstTheComparisonBeforeTheyRun) {
    if (!fs::exists("/usr/bin/script")) GTEST_SKIP() << "no script(1) to make a terminal";
    test::TempDir dir;
    dir.WriteFile("L/plain.txt", "new\n");
    dir.WriteFile("R/plain.txt", "old\n");
    dir.WriteFile("R/old.txt", "stale\n");
    dir.WriteFile("R/grown/a.txt", "a\n");
    dir.WriteFile("R/same-size.txt", "1234\n");
    test::SetFileTimes(dir / "R/same-size.txt", 1700000000);
    const test::ProgramResult result =
        MirrorChangedMeanwhile(dir,
                               "echo edited >R/plain.txt; rm R/old.txt; mkdir R/old.txt; "
                               "echo precious >R/old.txt/precious.doc; echo new >R/grown/b.txt; "
                               "echo 5678 >R/same-size.txt");
    EXPECT_EQ(result.exitStatus, 2) << result.out << result.err;
    const std::string& log = result.out;
    EXPECT_TRUE(Contains(log, "old.txt - Deleting right\r\nERROR!")) << log;
    EXPECT_TRUE(Contains(log, "'R/old.txt' was changed since it was compared; not deleted")) << log;
    EXPECT_TRUE(Contains(log, "same-size.txt - Deleting right\r\nERROR!")) << log;
    EXPECT_TRUE(Contains(log, "grown/a.txt - Deleting right\r\nOK")) << log;
    EXPECT_TRUE(Contains(log, "grown - Deleting right\r\nERROR!")) << log;
    EXPECT_EQ(test::ReadFile(dir / "R/old.txt/precious.doc"), "precious\n");
    EXPECT_EQ(test::ReadFile(dir / "R/plain.txt"), "edited\n");
    EXPECT_EQ(test::ReadFile(dir / "R/same-size.txt"), "5678\n");
    EXPECT_EQ(test::ReadFile(dir / "R/grown/b.txt"), "new\n");
}

// ---- 4. Symbolic links ----

TEST(SyncGuardTest, ALinkIsAnEntryOfItsOwn) {
    test::TempDir dir;
    dir.WriteFile("L/k", "k\n");
    dir.WriteFile("R/real/f", "x\n");
    ASSERT_EQ(::symlink("real", (dir / "R/link").c_str()), 0);
    dir.WriteFile("L/certs/expired/ca/a.pem", "pem\n");
    dir.MakeFolder("L/certs/valid");
    ASSERT_EQ(::symlink("../expired/ca", (dir / "L/certs/valid/ca").c_str()), 0);
    dir.WriteFile("L/docs/secret.txt", "s\n");
    ASSERT_EQ(::symlink("docs", (dir / "L/lnk").c_str()), 0);
    test::ProgramResult result = Corvatine(dir, {"--sync=mirror-right", "--dry-run", "L", "R"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_FALSE(Contains(result.out, "lnk/secret.txt")) << result.out;
    EXPECT_FALSE(Contains(result.out, "link/f")) << result.out;
    EXPECT_TRUE(Contains(result.out, "  lnk\n")) << result.out;
    EXPECT_TRUE(Contains(result.out, "  certs/valid/ca\n")) << result.out;
    EXPECT_TRUE(Contains(result.out, "  link\n")) << result.out;

    result = Corvatine(dir, {"--sync=mirror-right", "--yes", "L", "R"});
    EXPECT_EQ(result.exitStatus, 0) << result.out << result.err;
    EXPECT_EQ(Entries(dir / "R"), Entries(dir / "L"));
    EXPECT_EQ(fs::read_symlink(dir / "R/lnk"), "docs");
    EXPECT_EQ(fs::read_symlink(dir / "R/certs/valid/ca"), "../expired/ca");
    // Done once, nothing is left to do.
    result = Corvatine(dir, {"--sync=mirror-right", "--yes", "L", "R"});
    EXPECT_EQ(result.out, "Copy to Right: 0 Files\nDelete on Right: 0 Files\nFinished!\n");
}

// Trees where links, files and folders of one name meet in every way.
void MakeMixedTrees(const test::TempDir& dir, const std::string& left, const std::string& right) {
    const auto link = [&](const std::string& target, const std::string& path) {
        fs::create_directories((dir / path).c_str());
        fs::remove((dir / path).c_str());
        ASSERT_EQ(::symlink(target.c_str(), (dir / path).c_str()), 0) << path;
    };
    dir.WriteFile(left + "/target/t.txt", "t\n");
    dir.WriteFile(right + "/target/t.txt", "t\n");
    link("target", left + "/link-vs-folder");
    dir.WriteFile(right + "/link-vs-folder/inside.txt", "in\n");
    dir.WriteFile(left + "/folder-vs-link/f.txt", "f\n");
    link("target", right + "/folder-vs-link");
    link("target/t.txt", left + "/link-vs-file");
    dir.WriteFile(right + "/link-vs-file", "plain\n");
    dir.WriteFile(left + "/file-vs-link", "plain\n");
    link("target", right + "/file-vs-link");
    link("one", left + "/two-links");
    link("other", right + "/two-links");
    link("same", left + "/same-link");
    link("same", right + "/same-link");
    link("nowhere", right + "/dangling");
    dir.WriteFile(left + "/file-vs-folder", "file\n");
    dir.WriteFile(right + "/file-vs-folder/sub/deep.txt", "deep\n");
    dir.WriteFile(left + "/folder-vs-file/a/b.txt", "b\n");
    dir.WriteFile(right + "/folder-vs-file", "file\n");
}

TEST(SyncGuardTest, MirrorEndsAsRsyncEndsWithLinksFilesAndFolders) {
    test::TempDir dir;
    MakeMixedTrees(dir, "L", "R");
    const test::ProgramResult result = Corvatine(dir, {"--sync=mirror-right", "--yes", "L", "R"});
    EXPECT_EQ(result.exitStatus, 0) << result.out << result.err;
    EXPECT_EQ(Entries(dir / "R"), Entries(dir / "L"));
    const test::ProgramResult again = Corvatine(dir, {"--sync=mirror-right", "--yes", "L", "R"});
    EXPECT_EQ(again.out, "Copy to Right: 0 Files\nDelete on Right: 0 Files\nFinished!\n") << again.err;

    // The same the other way, and the same as rsync -a --delete leaves it.
    test::TempDir other;
    MakeMixedTrees(other, "A", "B");
    const test::ProgramResult left = Corvatine(other, {"--sync=mirror-left", "--yes", "B", "A"});
    EXPECT_EQ(left.exitStatus, 0) << left.out << left.err;
    EXPECT_EQ(Entries(other / "B"), Entries(other / "A"));
    if (!fs::exists("/usr/bin/rsync")) return;
    test::TempDir peer;
    MakeMixedTrees(peer, "L", "R");
    const test::ProgramResult rsync =
        test::RunProgram("/usr/bin/rsync", {"-a", "--delete", "L/", "R/"}, {}, peer.Path());
    ASSERT_EQ(rsync.exitStatus, 0) << rsync.err;
    EXPECT_EQ(Entries(dir / "R"), Entries(peer / "R"));
}

TEST(SyncGuardTest, UpdatesCopyLinksByTheirOwnTimesAndReplaceNothingOfAnotherKind) {
    test::TempDir dir;
    dir.MakeFolder("L");
    dir.MakeFolder("R");
    ASSERT_EQ(::symlink("new-target", (dir / "L/l").c_str()), 0);
    ASSERT_EQ(::symlink("old-target", (dir / "R/l").c_str()), 0);
    const struct timespec older[2] = {{1600000000, 0}, {1600000000, 0}};
    const struct timespec newer[2] = {{1700000000, 0}, {1700000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "R/l").c_str(), older, AT_SYMLINK_NOFOLLOW), 0);
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "L/l").c_str(), newer, AT_SYMLINK_NOFOLLOW), 0);
    // A link to a folder against a dangling one: two links all the same.
    dir.MakeFolder("L/folder");
    ASSERT_EQ(::symlink("folder", (dir / "L/l2").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", (dir / "R/l2").c_str()), 0);
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "R/l2").c_str(), older, AT_SYMLINK_NOFOLLOW), 0);
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "L/l2").c_str(), newer, AT_SYMLINK_NOFOLLOW), 0);
    dir.WriteFile("L/x", "file\n");
    dir.WriteFile("R/x/f", "in a folder\n");
    const test::ProgramResult result = Corvatine(dir, {"--sync=update-right", "--yes", "L", "R"});
    EXPECT_EQ(result.exitStatus, 2) << result.out;
    EXPECT_TRUE(Contains(result.err,
                         "skipped 'x' and everything below it: a file on the left and a folder on "
                         "the right: an update replaces nothing of another kind"))
        << result.err;
    EXPECT_EQ(fs::read_symlink(dir / "R/l"), "new-target");
    EXPECT_EQ(fs::read_symlink(dir / "R/l2"), "folder");
    EXPECT_EQ(test::ReadFile(dir / "R/x/f"), "in a folder\n");
    // The older link is not put back over the newer one.
    EXPECT_EQ(Corvatine(dir, {"--sync=update-left", "--dry-run", "L", "R"}).out, "Copy to Left: 0 Files\n");
}

// ---- 5. A file and a folder of one name ----

TEST(SyncGuardTest, AFileAndAFolderOfOneNameAreReplacedInOneRun) {
    test::TempDir dir;
    dir.WriteFile("L/x", "file\n");
    dir.WriteFile("R/x/f", "in folder\n");
    dir.WriteFile("L/y/g", "in folder\n");
    dir.WriteFile("R/y", "file\n");
    test::ProgramResult result = Corvatine(dir, {"--sync=mirror-right", "--dry-run", "L", "R"});
    EXPECT_EQ(result.out,
              "Copy to Right: 2 Files, 1 Folders\n  x\n  y/\n  y/g\n"
              "Delete on Right: 2 Files, 1 Folders\n  x/f\n  x/\n  y\n");
    result = Corvatine(dir, {"--sync=mirror-right", "--yes", "L", "R"});
    EXPECT_EQ(result.exitStatus, 0) << result.out << result.err;
    EXPECT_EQ(test::ReadFile(dir / "R/x"), "file\n");
    EXPECT_EQ(test::ReadFile(dir / "R/y/g"), "in folder\n");
    EXPECT_EQ(Corvatine(dir, {"--sync=mirror-right", "--dry-run", "L", "R"}).out,
              "Copy to Right: 0 Files\nDelete on Right: 0 Files\n");

    // With --trash the folder replaced is in the Trash.
    test::TempDir trashed;
    trashed.WriteFile("L/x", "file\n");
    trashed.WriteFile("R/x/f", "in folder\n");
    const std::string data = trashed.MakeFolder("data");
    result =
        Corvatine(trashed, {"--sync=mirror-right", "--yes", "--trash", "L", "R"}, {"XDG_DATA_HOME=" + data});
    EXPECT_EQ(result.exitStatus, 0) << result.out << result.err;
    EXPECT_EQ(test::ReadFile(trashed / "R/x"), "file\n");
    EXPECT_EQ(test::ReadFile(data + "/Trash/files/x/f"), "in folder\n");
}

// A file and a folder of one name are two rows: an operation takes the row
// with an entry on its side, copies or moves nothing over the entry of the
// other kind (the refusal says what is in the way), and a delete of both
// sides takes both rows.
TEST(SyncGuardTest, OperationsRefuseAnEntryOfAnotherKindInTheWay) {
    test::TempDir dir;
    dir.WriteFile("L/d/f", "in folder\n");
    dir.WriteFile("R/d", "file\n");
    dir.WriteFile("L/e", "file\n");
    dir.WriteFile("R/e/precious", "keep\n");
    const std::string before = Entries(dir.Path());
    const struct {
        std::string op, message;
    } cases[] = {
        {"--op=copy:left-to-right:d",
         "cannot copy 'd': a file of that name is on the right side; nothing was changed"},
        {"--op=move:left-to-right:d",
         "cannot move 'd': a file of that name is on the right side; nothing was changed"},
        {"--op=copy:right-to-left:d",
         "cannot copy 'd': a folder of that name is on the left side; nothing was changed"},
        {"--op=move:left-to-right:e",
         "cannot move 'e': a folder of that name is on the right side; nothing was changed"},
    };
    for (const auto& [op, message] : cases) {
        const test::ProgramResult result = Corvatine(dir, {"L", "R", op, "--format=brief"});
        EXPECT_EQ(result.exitStatus, 2) << op;
        EXPECT_TRUE(Contains(result.err, message)) << result.err;
        EXPECT_EQ(Entries(dir.Path()), before) << op;
    }

    // A delete on both sides takes both rows of the name, and counts both.
    test::ProgramResult result = Corvatine(dir, {"L", "R", "--op=delete:both:e", "--dry-run"});
    EXPECT_EQ(result.out, "e - Deleting Both: 2 file(s) and 1 folder(s)\nNothing was changed (--dry-run)\n");
    result = Corvatine(dir, {"L", "R", "--op=delete:both:e", "--max-delete=2"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(Entries(dir.Path()), before);
    result = Corvatine(dir, {"L", "R", "--op=delete:both:e", "--format=brief"});
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_FALSE(fs::exists(dir / "L/e"));
    EXPECT_FALSE(fs::exists(dir / "R/e"));
}

// ---- 6, 7. Filters and counts ----

TEST(SyncGuardTest, PlanConfirmationLimitAndLogCountTheSameEntries) {
    test::TempDir dir;
    dir.WriteFile("L/a.c", "a\n");
    dir.WriteFile("R/a.c", "a\n");
    test::SetFileTimes(dir / "L/a.c", 1700000000);
    test::SetFileTimes(dir / "R/a.c", 1700000000);
    dir.WriteFile("R/docs/readme.txt", "only what the filter leaves out\n");
    dir.WriteFile("R/gone/old.c", "old\n");
    dir.WriteFile("R/mixed/old.h", "old\n");
    dir.WriteFile("R/mixed/notes.txt", "notes\n");
    const std::vector<std::string> filtered{"-c", "/t:folder", "/ff:ni=*.c;*.h", "--sync=mirror-right"};
    std::vector<std::string> words = filtered;
    words.insert(words.end(), {"--dry-run", "L", "R"});
    test::ProgramResult result = Corvatine(dir, words);
    EXPECT_EQ(result.out,
              "Copy to Right: 0 Files\nDelete on Right: 2 Files, 1 Folders\n  gone/old.c\n  gone/\n"
              "  mixed/old.h\n");
    words = filtered;
    words.insert(words.end(), {"--yes", "--max-delete=2", "L", "R"});
    result = Corvatine(dir, words);
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_TRUE(Contains(result.err, "would delete 2 file(s) and 1 folder(s), more than --max-delete=2"))
        << result.err;
    words = filtered;
    words.insert(words.end(), {"--yes", "--max-delete=3", "L", "R"});
    result = Corvatine(dir, words);
    EXPECT_EQ(result.exitStatus, 0) << result.out << result.err;
    EXPECT_EQ(result.out,
              "gone/old.c - Deleting right\nOK\ngone - Deleting right\nOK\nmixed/old.h - Deleting right\nOK\n"
              "Finished!\n");
    EXPECT_EQ(test::ReadFile(dir / "R/docs/readme.txt"), "only what the filter leaves out\n");
    EXPECT_EQ(test::ReadFile(dir / "R/mixed/notes.txt"), "notes\n");
    EXPECT_FALSE(fs::exists(dir / "R/gone"));
}

TEST(SyncGuardTest, TheTerminalQuestionCountsWhatGoes) {
    if (!fs::exists("/usr/bin/script")) GTEST_SKIP() << "no script(1) to make a terminal";
    test::TempDir dir;
    dir.WriteFile("L/a", "a\n");
    dir.WriteFile("R/gone/old", "old\n");
    const test::ProgramResult result = MirrorChangedMeanwhile(dir, "true");
    EXPECT_EQ(result.exitStatus, 0) << result.out;
    EXPECT_TRUE(Contains(result.out, "Delete on Right: 1 Files, 1 Folders\r\n")) << result.out;
    EXPECT_TRUE(Contains(result.out, "1 file(s) and 1 folder(s) will be deleted.")) << result.out;
}

// ---- 8. An empty source ----

TEST(SyncGuardTest, ASourceWithNoFilesIsEmpty) {
    test::TempDir dir;
    dir.MakeFolder("L/empty/emptier");
    dir.WriteFile("R/precious.txt", "keep\n");
    const test::ProgramResult result = Corvatine(dir, {"--sync=mirror-right", "--yes", "L", "R"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_TRUE(Contains(result.err, "cannot mirror: 'L' is empty and 'R' is not; nothing was changed"))
        << result.err;
    EXPECT_EQ(test::ReadFile(dir / "R/precious.txt"), "keep\n");
}

// ---- 9. Names ----

TEST(SyncGuardTest, NamesWithControlCharactersAreEscaped) {
    test::TempDir dir;
    dir.WriteFile("L/a\nDelete on Right: 0 Files", "x\n");
    dir.WriteFile(std::string("L/\x1b[31mred"), "x\n");
    dir.WriteFile("L/back\\slash", "x\n");
    dir.MakeFolder("R");
    test::ProgramResult result = Corvatine(dir, {"--sync=mirror-right", "--dry-run", "L", "R"});
    EXPECT_EQ(result.out,
              "Copy to Right: 3 Files\n  \\033[31mred\n  a\\nDelete on Right: 0 Files\n  back\\\\slash\n"
              "Delete on Right: 0 Files\n");
    result = Corvatine(dir, {"L", "R", "--format=brief"});
    EXPECT_TRUE(Contains(result.out, "Only in L: a\\nDelete on Right: 0 Files\n")) << result.out;
    EXPECT_FALSE(Contains(result.out, "\x1b")) << result.out;
    result = Corvatine(dir, {"L", "R"});
    EXPECT_TRUE(Contains(result.out, "\\033[31mred\n")) << result.out;
    EXPECT_FALSE(Contains(result.out, "\x1b")) << result.out;
    result = Corvatine(dir, {"--sync=mirror-right", "--yes", "L", "R"});
    EXPECT_TRUE(Contains(result.out, "a\\nDelete on Right: 0 Files - Copying from left to right\nOK\n"))
        << result.out;
    EXPECT_EQ(test::ReadFile(dir / "R/a\nDelete on Right: 0 Files"), "x\n");

    // Nor in the reasons of failures, which name the files again.
    if (!test::CanRunAsOrdinaryUser()) return;
    test::TempDir locked;
    const std::string name = "L/\x1b[31mlocked\nOK";
    locked.WriteFile(name, "x\n");
    locked.MakeFolder("R");
    locked.OpenToAll();
    ASSERT_EQ(::chmod((locked / name).c_str(), 0), 0);
    result = test::RunCorvatineAsOrdinaryUser({"--no-gui", "--sync=mirror-right", "--yes", "L", "R"},
                                              locked.Path());
    EXPECT_EQ(result.exitStatus, 2) << result.out << result.err;
    EXPECT_EQ(result.err,
              "corvatine: \\033[31mlocked\\nOK: cannot read L/\\033[31mlocked\\nOK: Permission denied\n");
    result = test::RunCorvatineAsOrdinaryUser(
        {"--no-gui", "--op=copy:left-to-right:\x1b[31mlocked\nOK", "L", "R", "--format=brief"},
        locked.Path());
    EXPECT_EQ(result.exitStatus, 2) << result.out << result.err;
    EXPECT_FALSE(Contains(result.err, "\x1b")) << result.err;
    EXPECT_TRUE(Contains(result.err, "cannot read L/\\033[31mlocked\\nOK: Permission denied")) << result.err;
}

// ---- 10. Sparse files ----

TEST(SyncGuardTest, HolesAreCopiedAsHoles) {
    test::TempDir dir;
    const std::string path = dir.WriteFile("L/sparse.bin", "start");
    constexpr off_t kSize = off_t{256} << 20;
    {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, "middle", 6, kSize / 2), 6);
        ASSERT_EQ(::ftruncate(fd, kSize), 0);
        ::close(fd);
    }
    struct stat source {};
    ASSERT_EQ(::stat(path.c_str(), &source), 0);
    if (source.st_blocks * 512 >= kSize / 2) GTEST_SKIP() << "this file system keeps no holes";
    dir.MakeFolder("R");
    const test::ProgramResult result = Corvatine(dir, {"--sync=mirror-right", "--yes", "L", "R"});
    EXPECT_EQ(result.exitStatus, 0) << result.out << result.err;
    struct stat copy {};
    ASSERT_EQ(::stat((dir / "R/sparse.bin").c_str(), &copy), 0);
    EXPECT_EQ(copy.st_size, kSize);
    EXPECT_LE(copy.st_blocks, source.st_blocks + 64) << "allocated " << copy.st_blocks * 512 << " bytes";
    EXPECT_EQ(test::RunProgram("/usr/bin/cmp", {"L/sparse.bin", "R/sparse.bin"}, {}, dir.Path()).exitStatus,
              0);
}

// ---- 11. Signals and leftovers ----

// The entries of a folder whose names are our temporary copies'.
std::vector<std::string> Temporaries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().rfind(".corvatine-", 0) == 0)
            names.push_back(entry.path().filename().string());
    return names;
}

TEST(SyncGuardTest, TermAndHangUpEndARunCleanly) {
    for (const int signal : {SIGTERM, SIGHUP}) {
        bool caught = false;
        for (off_t size = off_t{256} << 20; size <= (off_t{2} << 30) && !caught; size *= 2) {
            test::TempDir dir;
            const std::string big = dir.WriteFile("L/big.bin", "");
            {
                // Real data, so that the copy takes a moment.
                const int fd = ::open(big.c_str(), O_WRONLY | O_CLOEXEC);
                std::string block(1 << 20, 'x');
                for (off_t done = 0; done < size; done += static_cast<off_t>(block.size()))
                    ASSERT_EQ(::write(fd, block.data(), block.size()), static_cast<ssize_t>(block.size()));
                ::close(fd);
            }
            dir.MakeFolder("R");
            const pid_t pid = ::fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                const int null = ::open("/dev/null", O_RDWR);
                ::dup2(null, 1);
                ::dup2(null, 2);
                if (::chdir(dir.Path().c_str()) != 0) ::_exit(127);
                ::execl(test::CorvatineProgram().c_str(), "corvatine", "--no-gui", "--sync=mirror-right",
                        "--yes", "L", "R", static_cast<char*>(nullptr));
                ::_exit(127);
            }
            // Signalled once its temporary copy is there.
            const auto start = std::chrono::steady_clock::now();
            int status = 0;
            bool ended = false;
            while (!caught && std::chrono::steady_clock::now() - start < std::chrono::seconds(60)) {
                if (::waitpid(pid, &status, WNOHANG) == pid) {
                    ended = true;
                    break;
                }
                if (!Temporaries(dir / "R").empty()) {
                    ::kill(pid, signal);
                    caught = true;
                }
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            if (!ended) {
                ASSERT_EQ(::waitpid(pid, &status, 0), pid);
            }
            if (!caught) continue;  // done before it could be signalled: a bigger file
            EXPECT_TRUE(WIFEXITED(status))
                << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
            EXPECT_EQ(WEXITSTATUS(status), 2);
            EXPECT_TRUE(Temporaries(dir / "R").empty());
            EXPECT_FALSE(fs::exists(dir / "R/big.bin"));
        }
        EXPECT_TRUE(caught) << "the copy never took long enough to be signalled";
    }
}

TEST(SyncGuardTest, LeftoversOfInterruptedRunsAreRemovedAndBusyOnesKept) {
    test::TempDir dir;
    dir.WriteFile("L/a.txt", "a\n");
    dir.WriteFile("R/a.txt", "a\n");
    test::SetFileTimes(dir / "L/a.txt", 1700000000);
    test::SetFileTimes(dir / "R/a.txt", 1700000000);
    dir.WriteFile("R/.corvatine-AbC123.big5.bin", "partial");
    dir.WriteFile("R/sub/.corvatine-Zz9Zz9.x", "partial");
    dir.WriteFile("L/.corvatine-Qq1Qq1.src", "from an interrupted mirror-left");
    const std::string busy = dir.WriteFile("R/.corvatine-Busy00.written-now", "partial");
    const int held = ::open(busy.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    test::ProgramResult result = Corvatine(dir, {"--sync=update-right", "--dry-run", "L", "R"});
    EXPECT_EQ(result.out,
              "Copy to Right: 0 Files\nRemove leftover temporary copies: 2\n  sub/.corvatine-Zz9Zz9.x\n"
              "  .corvatine-AbC123.big5.bin\n");
    result = Corvatine(dir, {"--sync=update-right", "--yes", "L", "R"});
    ::close(held);
    EXPECT_EQ(result.exitStatus, 0) << result.out << result.err;
    EXPECT_TRUE(Contains(result.out,
                         ".corvatine-AbC123.big5.bin - Removing a leftover temporary copy on the "
                         "right\nOK\n"))
        << result.out;
    EXPECT_FALSE(fs::exists(dir / "R/.corvatine-AbC123.big5.bin"));
    EXPECT_FALSE(fs::exists(dir / "R/sub/.corvatine-Zz9Zz9.x"));
    EXPECT_TRUE(fs::exists(busy));
    EXPECT_FALSE(fs::exists(dir / "R/.corvatine-Qq1Qq1.src"));  // never copied
    EXPECT_TRUE(fs::exists(dir / "L/.corvatine-Qq1Qq1.src"));   // a side this run does not write
}

// ---- 12. The Trash of a bind mount ----

TEST(SyncGuardTest, TheTrashIsOnTheMountTheEntryIsOn) {
    if (::geteuid() != 0 || !fs::exists("/usr/bin/unshare") ||
        test::RunProgram("/usr/bin/unshare", {"-m", "/bin/true"}, {}, "").exitStatus != 0)
        GTEST_SKIP() << "needs root and a mount namespace of its own";
    test::TempDir dir;
    dir.WriteFile("home/work/L/keep.txt", "k\n");
    dir.WriteFile("home/work/R/keep.txt", "k\n");
    dir.WriteFile("home/work/R/gone.txt", "bye\n");
    const std::string data = dir.MakeFolder("home/data");
    dir.MakeFolder("bound");
    const std::string script = "mount --bind home/work bound || exit 99; exec " + test::CorvatineProgram() +
                               " --no-gui --op=delete:right:gone.txt --trash bound/L bound/R";
    const test::ProgramResult result =
        test::RunProgram("/usr/bin/unshare", {"-m", "--propagation", "private", "/bin/sh", "-c", script},
                         {"XDG_DATA_HOME=" + data}, dir.Path());
    if (result.exitStatus == 99) GTEST_SKIP() << "cannot bind-mount here: " << result.err;
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_FALSE(fs::exists(dir / "home/work/R/gone.txt"));
    // The bind mount is a volume of its own: its Trash is at its top.
    EXPECT_EQ(test::ReadFile(dir / ("home/work/.Trash-0/files/gone.txt")), "bye\n");
}

// ---- 13. Copies into themselves, and deep trees ----

TEST(SyncGuardTest, ARefusedCopyToFolderLeavesNothingBehind) {
    test::TempDir dir;
    dir.WriteFile("L/dir/a.txt", "a\n");
    dir.MakeFolder("R");
    const test::ProgramResult result =
        Corvatine(dir, {"L", "R", "--op=copy-to-folder:left:dir=" + (dir / "L/dir/inner/more")});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_TRUE(Contains(result.err, "a folder cannot go into itself")) << result.err;
    EXPECT_FALSE(fs::exists(dir / "L/dir/inner"));
}

TEST(SyncGuardTest, DeepTreesAreDeletedWithFewDescriptorsAndShortMessages) {
    test::TempDir dir;
    dir.WriteFile("L/keep.txt", "k\n");
    dir.WriteFile("R/keep.txt", "k\n");
    test::MakeDeepTree(dir / "L/deep", 600, "d", {{"bottom.txt", "b\n"}});
    const std::string limited = "ulimit -n 64 && exec " + test::CorvatineProgram() +
                                " --no-gui --op=delete:left:deep --format=brief L R";
    test::ProgramResult result = test::RunProgram("/bin/sh", {"-c", limited}, {}, dir.Path());
    EXPECT_EQ(result.exitStatus, 0) << result.err.substr(0, 2000);
    EXPECT_FALSE(fs::exists(dir / "L/deep"));

    if (!test::CanRunAsOrdinaryUser()) return;
    test::MakeDeepTree(dir / "R/deep", 600, "d", {{"stuck.txt", "s\n"}});
    dir.OpenToAll();
    // The bottom folder cannot be changed: its file stays.
    const int top = ::open((dir / "R").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int fd = ::openat(top, "deep", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::close(top);
    for (int level = 0; level < 600 && fd >= 0; ++level) {
        const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (level == 599) {
            ASSERT_EQ(::fchmod(next, 0555), 0);
        }
        ::close(fd);
        fd = next;
    }
    ::close(fd);
    result = test::RunCorvatineAsOrdinaryUser({"--no-gui", "--op=delete:right:deep", "L", "R"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_TRUE(Contains(result.err, "Permission denied")) << result.err.substr(0, 2000);
    EXPECT_LT(result.err.size(), 1000u) << result.err.substr(0, 2000);
}

}  // namespace
}  // namespace corvatine
