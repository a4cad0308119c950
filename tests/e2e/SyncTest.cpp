// "corvatine --sync=TYPE" and "--op=..." on real folders: the plan, the log,
// what the trees hold afterwards (GNU diff -r as the oracle), the guards that
// keep people's files safe, and that the tree shown after an operation is the
// tree a fresh comparison shows.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "support/TestSupport.h"

namespace corvatine {
namespace {

namespace fs = std::filesystem;

// Everything about a tree that a sync could change: each entry's path, kind,
// mode, size, modification time (ns), bytes or link target.
std::string TreeState(const std::string& root) {
    std::ostringstream state;
    std::map<std::string, std::string> entries;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        struct stat info {};
        ::lstat(it->path().c_str(), &info);
        std::ostringstream line;
        line << std::oct << info.st_mode << std::dec << " " << info.st_mtim.tv_sec << "."
             << info.st_mtim.tv_nsec;
        if (S_ISLNK(info.st_mode))
            line << " -> " << fs::read_symlink(it->path()).string();
        else if (S_ISREG(info.st_mode))
            line << " " << info.st_size << " " << std::hash<std::string>{}(test::ReadFile(it->path()));
        entries[fs::relative(it->path(), root).string()] = line.str();
    }
    for (const auto& [path, line] : entries) state << path << ": " << line << "\n";
    return state.str();
}

test::ProgramResult Sync(const test::TempDir& dir, const std::vector<std::string>& words) {
    std::vector<std::string> arguments{"-c", "/t:folder"};
    arguments.insert(arguments.end(), words.begin(), words.end());
    arguments.push_back("L");
    arguments.push_back("R");
    return test::RunCorvatine(arguments, dir.Path());
}

// Two trees with one of each kind of row: a newer left file, a left-only file
// in a left-only folder, one-sided files and an empty right-only folder.
void MakeTrees(const test::TempDir& dir) {
    dir.WriteFile("L/a.txt", "new a\n");
    dir.WriteFile("R/a.txt", "old\n");
    test::SetFileTimes(dir / "L/a.txt", 1700000100);
    test::SetFileTimes(dir / "R/a.txt", 1700000000);
    dir.WriteFile("L/sub/new.txt", "new\n");
    dir.WriteFile("L/only-left.txt", "left\n");
    dir.WriteFile("R/only-right.txt", "right\n");
    dir.MakeFolder("R/emptyR");
    dir.WriteFile("L/same.txt", "same\n");
    dir.WriteFile("R/same.txt", "same\n");
    test::SetFileTimes(dir / "L/same.txt", 1700000000);
    test::SetFileTimes(dir / "R/same.txt", 1700000000);
    // Folders of another day, so that a folder whose time an operation
    // changed shows another time than the tree held.
    for (const char* folder : {"L", "R", "L/sub", "R/emptyR"}) test::SetFileTimes(dir / folder, 1600000000);
}

TEST(SyncTest, DryRunPrintsThePlanAndChangesNothing) {
    test::TempDir dir;
    MakeTrees(dir);
    const std::string before = TreeState(dir.Path());
    const test::ProgramResult result = Sync(dir, {"--sync=mirror-right", "--dry-run"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out,
              "Copy to Right: 3 Files\n"
              "  sub/new.txt\n"
              "  a.txt\n"
              "  only-left.txt\n"
              "Delete on Right: 1 Files, 1 Folders\n"
              "  emptyR/\n"
              "  only-right.txt\n");
    EXPECT_EQ(TreeState(dir.Path()), before);

    // The other types' lists, by their numbers too.
    EXPECT_EQ(Sync(dir, {"--sync=0", "--dry-run"}).out,
              "Copy to Right: 3 Files\n  sub/new.txt\n  a.txt\n  only-left.txt\n");
    EXPECT_EQ(Sync(dir, {"--sync=update-left", "--dry-run"}).out,
              "Copy to Left: 1 Files\n  only-right.txt\n");
    EXPECT_EQ(Sync(dir, {"--sync=bidirectional", "--dry-run"}).out,
              "Copy to Right: 3 Files\n  sub/new.txt\n  a.txt\n  only-left.txt\n"
              "Copy to Left: 1 Files\n  only-right.txt\n");
    EXPECT_EQ(Sync(dir, {"--sync=4", "--dry-run"}).out,
              "Delete on Left: 2 Files, 1 Folders\n  sub/new.txt\n  sub/\n  only-left.txt\n"
              "Copy to Left: 2 Files\n  a.txt\n  only-right.txt\n");
    EXPECT_EQ(TreeState(dir.Path()), before);

    const test::ProgramResult bad = Sync(dir, {"--sync=sideways", "--dry-run"});
    EXPECT_EQ(bad.exitStatus, 2);
    EXPECT_NE(bad.err.find("invalid value 'sideways' for '--sync'"), std::string::npos) << bad.err;
}

TEST(SyncTest, MirrorMakesTheTargetEqualLinksIncluded) {
    test::TempDir dir;
    MakeTrees(dir);
    ASSERT_EQ(::symlink("a.txt", (dir / "L/link-to-a").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", (dir / "L/dangling").c_str()), 0);
    ASSERT_EQ(::symlink("only-right.txt", (dir / "R/right-link").c_str()), 0);
    const test::ProgramResult result = Sync(dir, {"--sync=mirror-right", "--yes"});
    EXPECT_EQ(result.exitStatus, 0) << result.out << result.err;
    EXPECT_NE(result.out.find("a.txt - Copying from left to right\nOK\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("only-right.txt - Deleting right\nOK\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("emptyR - Deleting right\nOK\n"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.substr(result.out.size() - 10), "Finished!\n");
    // The left list goes first: no deletion before the last copy.
    EXPECT_LT(result.out.find("Copying"), result.out.find("Deleting"));

    const test::ProgramResult diff =
        test::RunProgram("/usr/bin/diff", {"-r", "--no-dereference", "L", "R"}, {}, dir.Path());
    EXPECT_EQ(diff.exitStatus, 0) << diff.out << diff.err;
    EXPECT_EQ(fs::read_symlink(dir / "R/link-to-a"), "a.txt");
    EXPECT_EQ(fs::read_symlink(dir / "R/dangling"), "nowhere");
    struct stat left {
    }, right{};
    ASSERT_EQ(::stat((dir / "L/a.txt").c_str(), &left), 0);
    ASSERT_EQ(::stat((dir / "R/a.txt").c_str(), &right), 0);
    EXPECT_EQ(right.st_mtim.tv_sec, left.st_mtim.tv_sec);
    EXPECT_EQ(right.st_mode, left.st_mode);

    // Done once, there is nothing left to do.
    const std::string after = TreeState(dir.Path());
    const test::ProgramResult again = Sync(dir, {"--sync=mirror-right", "--yes"});
    EXPECT_EQ(again.exitStatus, 0) << again.err;
    EXPECT_EQ(again.out, "Copy to Right: 0 Files\nDelete on Right: 0 Files\nFinished!\n");
    EXPECT_EQ(TreeState(dir.Path()), after);
}

TEST(SyncTest, UpdateCopiesNewerAndOneSidedFilesOnly) {
    test::TempDir dir;
    MakeTrees(dir);
    dir.WriteFile("L/b.txt", "older left\n");
    dir.WriteFile("R/b.txt", "newer right\n");
    test::SetFileTimes(dir / "L/b.txt", 1700000000);
    test::SetFileTimes(dir / "R/b.txt", 1700009999);
    dir.MakeFolder("L/emptyL");  // an empty one-sided folder is not copied
    const test::ProgramResult result = Sync(dir, {"--sync=update-right", "--yes"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(test::ReadFile(dir / "R/a.txt"), "new a\n");
    EXPECT_EQ(test::ReadFile(dir / "R/sub/new.txt"), "new\n");
    EXPECT_EQ(test::ReadFile(dir / "R/only-left.txt"), "left\n");
    EXPECT_EQ(test::ReadFile(dir / "R/b.txt"), "newer right\n");
    EXPECT_EQ(test::ReadFile(dir / "R/only-right.txt"), "right\n");
    EXPECT_TRUE(fs::is_directory(dir / "R/emptyR"));
    EXPECT_FALSE(fs::exists(dir / "R/emptyL"));
}

TEST(SyncTest, BidirectionalLeavesPairsOfEqualTimes) {
    test::TempDir dir;
    dir.WriteFile("L/x.txt", "one\n");
    dir.WriteFile("R/x.txt", "three\n");
    test::SetFileTimes(dir / "L/x.txt", 1700000000);
    test::SetFileTimes(dir / "R/x.txt", 1700000001);  // within the tolerance
    const std::string before = TreeState(dir.Path());
    const test::ProgramResult result = Sync(dir, {"--sync=bidirectional", "--yes"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "Copy to Right: 0 Files\nCopy to Left: 0 Files\nFinished!\n");
    EXPECT_EQ(TreeState(dir.Path()), before);
}

TEST(SyncTest, GuardsRefuseBeforeAnythingChanges) {
    test::TempDir dir;
    MakeTrees(dir);
    const std::string before = TreeState(dir.Path());

    // No terminal and no --yes: the plan and a refusal.
    test::ProgramResult result = Sync(dir, {"--sync=mirror-right"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.out.rfind("Copy to Right: 3 Files\n", 0), 0u) << result.out;
    EXPECT_NE(result.err.find("needs --yes"), std::string::npos) << result.err;

    // More deletions than allowed.
    result = Sync(dir, {"--sync=mirror-right", "--max-delete=0", "--yes"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("would delete 1 file(s) and 1 folder(s), more than --max-delete=0; nothing was "
                              "changed"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(TreeState(dir.Path()), before);

    // A mirror of an empty or missing source.
    test::TempDir other;
    other.MakeFolder("L");
    other.WriteFile("R/precious.txt", "keep\n");
    result = Sync(other, {"--sync=mirror-right", "--yes"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("cannot mirror: 'L' is empty and 'R' is not"), std::string::npos) << result.err;
    fs::remove(other / "L");
    result = Sync(other, {"--sync=mirror-right", "--yes"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("'L': No such file or directory"), std::string::npos) << result.err;
    EXPECT_EQ(test::ReadFile(other / "R/precious.txt"), "keep\n");
}

TEST(SyncTest, OnATerminalThePlanIsShownAndTheUserAsked) {
    if (!fs::exists("/usr/bin/script")) GTEST_SKIP() << "no script(1) to make a terminal";
    test::TempDir dir;
    dir.WriteFile("L/a.txt", "a\n");
    dir.MakeFolder("R");
    const std::string command = test::CorvatineProgram() + " -c /t:folder --sync=mirror-right L R";
    for (const char* answer : {"n", "y"}) {
        const test::ProgramResult result = test::RunProgram(
            "/bin/sh",
            {"-c", std::string("printf '") + answer + "\\n' | script -qec '" + command + "' /dev/null"}, {},
            dir.Path());
        EXPECT_NE(result.out.find("Copy to Right: 1 Files\r\n  a.txt\r\n"), std::string::npos) << result.out;
        EXPECT_NE(result.out.find("Synchronize the folders as listed?"), std::string::npos) << result.out;
        if (answer[0] == 'n') {
            EXPECT_EQ(result.exitStatus, 2);
            EXPECT_NE(result.out.find("nothing was changed"), std::string::npos) << result.out;
            EXPECT_FALSE(fs::exists(dir / "R/a.txt"));
        } else {
            EXPECT_EQ(result.exitStatus, 0) << result.out;
            EXPECT_NE(result.out.find("a.txt - Copying from left to right\r\nOK\r\nFinished!"),
                      std::string::npos)
                << result.out;
            EXPECT_EQ(test::ReadFile(dir / "R/a.txt"), "a\n");
        }
    }
}

TEST(SyncTest, NothingIsChangedThroughALinkOutOfTheRoots) {
    test::TempDir dir;
    dir.WriteFile("outside/victim.txt", "not yours\n");
    dir.WriteFile("L/data/new.txt", "new\n");
    dir.MakeFolder("R");
    ASSERT_EQ(::symlink((dir / "outside").c_str(), (dir / "R/data").c_str()), 0);
    const std::string outside = TreeState(dir / "outside");
    // The link is an entry of its own: the source's folder takes its place,
    // and nothing is written or deleted where it leads.
    const test::ProgramResult result = Sync(dir, {"--sync=mirror-right", "--yes"});
    EXPECT_EQ(result.exitStatus, 0) << result.out << result.err;
    EXPECT_EQ(result.out,
              "data - Copying from left to right\nOK\n"
              "data/new.txt - Copying from left to right\nOK\n"
              "data - Deleting right\nOK\n"
              "Finished!\n");
    EXPECT_FALSE(fs::is_symlink(dir / "R/data"));
    EXPECT_EQ(test::ReadFile(dir / "R/data/new.txt"), "new\n");
    EXPECT_EQ(TreeState(dir / "outside"), outside);
}

TEST(SyncTest, ALinkLoopEnds) {
    test::TempDir dir;
    dir.WriteFile("L/sub/a.txt", "a\n");
    ASSERT_EQ(::symlink("..", (dir / "L/sub/up").c_str()), 0);
    dir.MakeFolder("R");
    const test::ProgramResult result = Sync(dir, {"--sync=mirror-right", "--yes"});
    EXPECT_EQ(result.exitStatus, 0) << result.out << result.err;
    EXPECT_EQ(test::ReadFile(dir / "R/sub/a.txt"), "a\n");
}

TEST(SyncTest, UnreadableFolderKeepsWhatIsBelowItOnTheOtherSide) {
    if (!test::CanRunAsOrdinaryUser()) GTEST_SKIP() << "no ordinary user to run as";
    test::TempDir dir;
    dir.WriteFile("L/locked/a.txt", "a\n");
    dir.WriteFile("L/other.txt", "o\n");
    dir.WriteFile("R/locked/keep.txt", "keep\n");
    dir.WriteFile("R/stale.txt", "stale\n");
    dir.OpenToAll();
    ASSERT_EQ(::chmod((dir / "L/locked").c_str(), 0), 0);
    const test::ProgramResult result = test::RunCorvatineAsOrdinaryUser(
        {"-c", "/t:folder", "--sync=mirror-right", "--yes", "L", "R"}, dir.Path());
    ::chmod((dir / "L/locked").c_str(), 0777);
    EXPECT_EQ(result.exitStatus, 2) << result.out << result.err;
    EXPECT_NE(result.err.find("skipped 'locked' and everything below it: left side: Permission denied"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(test::ReadFile(dir / "R/locked/keep.txt"), "keep\n");
    EXPECT_EQ(test::ReadFile(dir / "R/other.txt"), "o\n");
    EXPECT_FALSE(fs::exists(dir / "R/stale.txt"));
}

TEST(SyncTest, TrashKeepsDeletedFilesOrFailsWithoutDeleting) {
    test::TempDir dir;
    dir.WriteFile("L/keep.txt", "k\n");
    dir.WriteFile("R/keep.txt", "k\n");
    test::SetFileTimes(dir / "L/keep.txt", 1700000000);
    test::SetFileTimes(dir / "R/keep.txt", 1700000000);
    dir.WriteFile("R/gone 100%.txt", "bye\n");
    const std::string data = dir.MakeFolder("data");
    const test::ProgramResult result =
        test::RunCorvatine({"-c", "/t:folder", "--sync=mirror-right", "--trash", "--yes", "L", "R"},
                           dir.Path(), {"XDG_DATA_HOME=" + data});
    EXPECT_EQ(result.exitStatus, 0) << result.out << result.err;
    EXPECT_FALSE(fs::exists(dir / "R/gone 100%.txt"));
    EXPECT_EQ(test::ReadFile(data + "/Trash/files/gone 100%.txt"), "bye\n");
    const std::string info = test::ReadFile(data + "/Trash/info/gone 100%.txt.trashinfo");
    EXPECT_NE(info.find("Path=" + dir.Path() + "/R/gone%20100%25.txt\n"), std::string::npos) << info;

    // An ordinary user whose Trash cannot be made, on a volume whose top
    // folder takes no Trash of theirs either: the file stays.
    if (!test::CanRunAsOrdinaryUser()) return;
    std::string top = dir.Path();
    struct stat here {
    }, up{};
    ::stat(top.c_str(), &here);
    while (top != "/" && ::stat(fs::path(top).parent_path().c_str(), &up) == 0 && up.st_dev == here.st_dev)
        top = fs::path(top).parent_path().string();
    ::stat(top.c_str(), &up);
    if ((up.st_mode & S_IWOTH) != 0 || fs::exists(fs::path(top) / ".Trash")) return;
    dir.WriteFile("R/second.txt", "2\n");
    dir.OpenToAll();
    const std::string locked = dir.MakeFolder("locked-data");
    ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);
    const test::ProgramResult failed = test::RunCorvatineAsOrdinaryUser(
        {"-c", "/t:folder", "--sync=mirror-right", "--trash", "--yes", "L", "R"}, dir.Path(),
        {"XDG_DATA_HOME=" + locked});
    EXPECT_EQ(failed.exitStatus, 2) << failed.out << failed.err;
    EXPECT_NE(failed.out.find("second.txt - Deleting right\nERROR!\n"), std::string::npos) << failed.out;
    EXPECT_EQ(test::ReadFile(dir / "R/second.txt"), "2\n");
}

// The tree shown after operations is the tree a fresh comparison shows (by
// the methods given: a content comparison on request is one by its method).
void ExpectFreshTree(const test::TempDir& dir, const std::vector<std::string>& operations,
                     const std::string& methods = "/m:time|size") {
    std::vector<std::string> arguments{"-c", "/t:folder"};
    for (const std::string& operation : operations) arguments.push_back("--op=" + operation);
    arguments.push_back("L");
    arguments.push_back("R");
    const test::ProgramResult changed = test::RunCorvatine(arguments, dir.Path());
    EXPECT_TRUE(changed.exitStatus == 0 || changed.exitStatus == 1) << changed.err;
    const test::ProgramResult fresh = test::RunCorvatine({"-c", "/t:folder", methods, "L", "R"}, dir.Path());
    EXPECT_EQ(changed.out, fresh.out) << operations[0];
    EXPECT_EQ(changed.exitStatus, fresh.exitStatus) << operations[0];
}

TEST(SyncTest, EveryOperationLeavesTheTreeOfAFreshComparison) {
    const std::vector<std::vector<std::string>> cases = {
        {"copy:left-to-right:sub/new.txt"},
        {"copy:left-to-right:sub"},
        {"copy:right-to-left:a.txt"},
        {"move:left-to-right:sub"},
        {"move:right-to-left:only-right.txt"},
        {"delete:right:only-right.txt"},
        {"delete:both:a.txt"},
        {"delete:left:sub"},
        {"rename:left:only-left.txt=only-right.txt"},
        {"rename:both:a.txt=A.txt"},
        {"rename:right:emptyR=sub"},
        {"new-folder:both:.=fresh"},
        {"new-folder:left:.=emptyR"},
        {"set-time:right:a.txt"},
        {"set-time:left:same.txt=2020-02-29T12:34:56"},
        {"set-attributes:left:a.txt=+r"},
        {"copy:left-to-right:sub/new.txt", "delete:left:sub", "rename:right:sub=sub2"},
    };
    for (const auto& operations : cases) {
        test::TempDir dir;
        MakeTrees(dir);
        ExpectFreshTree(dir, operations);
    }
    test::TempDir dir;
    MakeTrees(dir);
    ExpectFreshTree(dir, {"compare-contents:.=binary"}, "/m:time|size|binary");
}

TEST(SyncTest, FoldersShowTheirNewTimesAfterOperations) {
    const std::vector<std::string> cases[] = {{"copy:left-to-right:both/in.txt"},
                                              {"delete:right:both2/x.txt"},
                                              {"rename:right:both2/x.txt=y.txt"},
                                              {"new-folder:right:both=made"},
                                              {"move:left-to-right:both/in.txt"}};
    for (const auto& operations : cases) {
        test::TempDir dir;
        dir.WriteFile("L/both/in.txt", "in\n");
        dir.MakeFolder("R/both");
        dir.WriteFile("R/both2/x.txt", "x\n");
        dir.MakeFolder("L/both2");
        for (const char* folder : {"L/both", "R/both", "L/both2", "R/both2"})
            test::SetFileTimes(dir / folder, 1600000000);
        ExpectFreshTree(dir, operations);
    }
}

TEST(SyncTest, OperationsChangeTheFilesAndReportFailures) {
    test::TempDir dir;
    MakeTrees(dir);
    test::ProgramResult result =
        test::RunCorvatine({"-c", "/t:folder", "--op=copy:left-to-right:sub/new.txt", "L", "R"}, dir.Path());
    EXPECT_EQ(test::ReadFile(dir / "R/sub/new.txt"), "new\n");
    EXPECT_NE(result.out.find("identical"), std::string::npos) << result.out;

    // A case-only rename.
    result = test::RunCorvatine({"-c", "/t:folder", "--op=rename:left:only-left.txt=Only-Left.txt", "L", "R"},
                                dir.Path());
    EXPECT_TRUE(fs::exists(dir / "L/Only-Left.txt"));
    EXPECT_FALSE(fs::exists(dir / "L/only-left.txt"));

    // A name that exists is refused, and so is a missing item; the status tells.
    result = test::RunCorvatine(
        {"-c", "/t:folder", "--op=rename:left:a.txt=same.txt", "--op=delete:left:nothing", "L", "R"},
        dir.Path());
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("cannot rename 'a.txt': "), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("cannot delete 'nothing': no such item in the comparison"), std::string::npos)
        << result.err;
    EXPECT_EQ(test::ReadFile(dir / "L/same.txt"), "same\n");
    result = test::RunCorvatine({"-c", "/t:folder", "--op=copy:left-to-right:.", "L", "R"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("cannot copy '.': the compared folders themselves are not copied"),
              std::string::npos)
        << result.err;

    // An operation that is not understood stops everything before it starts.
    result = test::RunCorvatine(
        {"-c", "/t:folder", "--op=delete:left:a.txt", "--op=set-time:both:a.txt", "L", "R"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("invalid operation '--op=set-time:both:a.txt': side must be left or right"),
              std::string::npos)
        << result.err;
    EXPECT_TRUE(fs::exists(dir / "L/a.txt"));

    // Copy to a third folder, remembered in the recent list.
    const std::string config = dir.MakeFolder("config");
    result =
        test::RunCorvatine({"-c", "/t:folder", "--op=copy-to-folder:left:sub=" + (dir / "third"), "L", "R"},
                           dir.Path(), {"CORVATINE_CONFIG_DIR=" + config});
    EXPECT_EQ(test::ReadFile(dir / "third/sub/new.txt"), "new\n");
    EXPECT_NE(test::ReadFile(config + "/registry.reg").find(dir / "third"), std::string::npos);
}

// Each --op value that is not understood is named with the reason, and
// nothing changes.
TEST(SyncTest, OperationsNotUnderstoodSayWhy) {
    test::TempDir dir;
    MakeTrees(dir);
    const std::string before = TreeState(dir / "L") + TreeState(dir / "R");
    const std::pair<std::string, std::string> cases[] = {
        {"delete", "no item"},
        {"delete:a.txt", "no sides or no item"},
        {"delete:left:", "no item (\".\" names the compared folders)"},
        {"copy:left:a.txt", "sides must be left-to-right or right-to-left"},
        {"move:left-to-right:a.txt=b", "takes no value"},
        {"delete:neither:a.txt", "sides must be left, right or both"},
        {"delete:both:a.txt=x", "takes no value"},
        {"rename:left:a.txt", "needs a name after '='"},
        {"rename:left:a.txt=x/y", "'x/y' is not a name"},
        {"new-folder:right:.=..", "'..' is not a name"},
        {"set-time:left:a.txt=yesterday", "'yesterday' is not a local time YYYY-MM-DDTHH:MM:SS"},
        {"set-attributes:left:a.txt", "needs the attributes to change after '=': +r or -r"},
        {"set-attributes:both:a.txt=+x", "needs the attributes to change after '=': +r or -r"},
        {"copy-to-folder:both:a.txt=t", "side must be left or right"},
        {"copy-to-folder:left:a.txt", "needs a target folder after '='"},
        {"compare-contents:a.txt=fast", "needs the method after '=': crc, binary or text"},
        {"touch:left:a.txt",
         "unknown operation 'touch': copy, move, delete, rename, new-folder, set-time, set-attributes, "
         "copy-to-folder or compare-contents"},
    };
    for (const auto& [operation, reason] : cases) {
        const test::ProgramResult result = Sync(dir, {"--op=" + operation});
        EXPECT_EQ(result.exitStatus, 2) << operation;
        EXPECT_NE(result.err.find("invalid operation '--op=" + operation + "': " + reason), std::string::npos)
            << result.err;
    }
    EXPECT_EQ(TreeState(dir / "L") + TreeState(dir / "R"), before);
}

}  // namespace
}  // namespace corvatine
