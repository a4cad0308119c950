// Copy, move, delete, rename, create-folder, set-time and set-attributes of
// entries below a compared root: what they keep, what they refuse, and that
// nothing outside the roots is touched through a symbolic link.
#include "platform/FileOperations.h"

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <filesystem>
#include <map>
#include <memory>
#include <vector>

#include "platform/FileAttributes.h"
#include "platform/SysCalls.h"
#include "support/DeepTree.h"
#include "support/PermissionsBind.h"
#include "support/TestSupport.h"

namespace corvatine::platform {
namespace {

namespace fs = std::filesystem;

struct stat Lstat(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// The names in a folder, sorted and joined with blanks.
std::string Listing(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    std::string text;
    for (const std::string& name : names) text += name + " ";
    return text;
}

std::string ReadLink(const std::string& path) {
    std::error_code ec;
    return fs::read_symlink(path, ec).string();
}

void Link(const std::string& target, const std::string& path) {
    ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0);
}

// What a scan saw of an entry.
EXPECTEDENTRY Scanned(const std::string& path) {
    EXPECTEDENTRY expected;
    expected.check = true;
    FINDDATA data;
    expected.exists = FindEntry(path, data);
    expected.kind = EntryKindOf(data.attributes);
    expected.size = data.Size();
    expected.lastWriteTime = data.lastWriteTime;
    return expected;
}

TEST(CopyEntryIntoTest, KeepsBytesModeAndTimesAndCreatesTheTargetFolder) {
    test::TempDir dir;
    std::string bytes;
    for (int i = 0; i < 300000; ++i) bytes += static_cast<char>(i * 7);
    const std::string source = dir.WriteFile("left/sub/a.bin", bytes);
    ASSERT_EQ(::chmod(source.c_str(), 0640), 0);
    ASSERT_TRUE(test::SetFileTimes(source, 1500000000, 123456789));
    std::string error;
    ASSERT_TRUE(CopyEntryInto({dir / "left", "sub/a.bin"}, {dir / "right", "new/deeper"}, {}, error))
        << error;
    const std::string copy = dir / "right/new/deeper/a.bin";
    EXPECT_EQ(test::RunProgram("/usr/bin/cmp", {source, copy}).exitStatus, 0);
    const struct stat st = Lstat(copy);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1500000000);
    EXPECT_EQ(st.st_mtim.tv_nsec, 123456789);
    EXPECT_EQ(Listing(dir / "right/new/deeper"), "a.bin ");
}

TEST(CopyEntryIntoTest, ReplacesAFileAndALinkButNeverWritesThroughTheLink) {
    test::TempDir dir;
    dir.WriteFile("left/a.txt", "new");
    dir.WriteFile("left/b.txt", "new b");
    dir.WriteFile("right/a.txt", "old contents");
    const std::string outside = dir.WriteFile("outside/victim.txt", "keep");
    Link(outside, dir / "right/b.txt");
    std::string error;
    ASSERT_TRUE(CopyEntryInto({dir / "left", "a.txt"}, {dir / "right", ""}, {}, error)) << error;
    ASSERT_TRUE(CopyEntryInto({dir / "left", "b.txt"}, {dir / "right", ""}, {}, error)) << error;
    EXPECT_EQ(test::ReadFile(dir / "right/a.txt"), "new");
    EXPECT_TRUE(S_ISREG(Lstat(dir / "right/b.txt").st_mode));
    EXPECT_EQ(test::ReadFile(dir / "right/b.txt"), "new b");
    EXPECT_EQ(test::ReadFile(outside), "keep");
    EXPECT_EQ(Listing(dir / "right"), "a.txt b.txt ");
}

TEST(CopyEntryIntoTest, CopiesLinksAsLinksDanglingOnesToo) {
    test::TempDir dir;
    dir.MakeFolder("left");
    Link("../elsewhere/file.txt", dir / "left/dangling");
    Link(dir.WriteFile("target.txt", "x"), dir / "left/good");
    ASSERT_TRUE(test::SetFileTimes(dir / "target.txt", 1400000000));
    std::string error;
    ASSERT_TRUE(CopyEntryInto({dir / "left", "dangling"}, {dir / "right", ""}, {}, error)) << error;
    ASSERT_TRUE(CopyEntryInto({dir / "left", "good"}, {dir / "right", ""}, {}, error)) << error;
    EXPECT_TRUE(S_ISLNK(Lstat(dir / "right/dangling").st_mode));
    EXPECT_EQ(ReadLink(dir / "right/dangling"), "../elsewhere/file.txt");
    EXPECT_TRUE(S_ISLNK(Lstat(dir / "right/good").st_mode));
    EXPECT_EQ(ReadLink(dir / "right/good"), dir / "target.txt");
    EXPECT_EQ(Lstat(dir / "right/good").st_mtim.tv_sec, Lstat(dir / "left/good").st_mtim.tv_sec);
    EXPECT_EQ(Listing(dir / "right"), "dangling good ");
}

TEST(CopyEntryIntoTest, CopiesAFolderTreeWithoutFollowingItsLinks) {
    test::TempDir dir;
    dir.WriteFile("left/tree/a.txt", "a");
    dir.WriteFile("left/tree/sub/b.txt", "b");
    dir.WriteFile("outside/secret.txt", "s");
    Link(dir / "outside", dir / "left/tree/out");
    Link("..", dir / "left/tree/sub/loop");
    ASSERT_EQ(::chmod((dir / "left/tree/sub").c_str(), 0750), 0);
    ASSERT_TRUE(test::SetFileTimes(dir / "left/tree/sub", 1300000000, 5));
    dir.WriteFile("right/tree/existing.txt", "e");  // merged into
    std::string error;
    ASSERT_TRUE(CopyEntryInto({dir / "left", "tree"}, {dir / "right", ""}, {}, error)) << error;
    EXPECT_EQ(Listing(dir / "right/tree"), "a.txt existing.txt out sub ");
    EXPECT_EQ(Listing(dir / "right/tree/sub"), "b.txt loop ");
    EXPECT_EQ(ReadLink(dir / "right/tree/out"), dir / "outside");
    EXPECT_EQ(ReadLink(dir / "right/tree/sub/loop"), "..");
    EXPECT_EQ(test::ReadFile(dir / "right/tree/sub/b.txt"), "b");
    const struct stat sub = Lstat(dir / "right/tree/sub");
    EXPECT_EQ(sub.st_mode & 07777, 0750u);
    EXPECT_EQ(sub.st_mtim.tv_sec, 1300000000);
    EXPECT_EQ(sub.st_mtim.tv_nsec, 5);
    EXPECT_EQ(Listing(dir / "outside"), "secret.txt ");
}

TEST(CopyEntryIntoTest, EmptyFolderOnlyCreatesJustTheFolder) {
    test::TempDir dir;
    dir.WriteFile("left/tree/a.txt", "a");
    ASSERT_TRUE(test::SetFileTimes(dir / "left/tree", 1200000000));
    COPYOPTIONS options;
    options.emptyFolderOnly = true;
    std::string error;
    ASSERT_TRUE(CopyEntryInto({dir / "left", "tree"}, {dir / "right", ""}, options, error)) << error;
    EXPECT_EQ(Listing(dir / "right/tree"), "");
    EXPECT_EQ(Lstat(dir / "right/tree").st_mtim.tv_sec, 1200000000);
    // An existing folder is left as it is.
    dir.WriteFile("right/tree/b.txt", "b");
    ASSERT_TRUE(CopyEntryInto({dir / "left", "tree"}, {dir / "right", ""}, options, error)) << error;
    EXPECT_EQ(Listing(dir / "right/tree"), "b.txt ");
}

TEST(CopyEntryIntoTest, RefusesWhatIsInTheWayAndWhatIsNoFile) {
    test::TempDir dir;
    dir.WriteFile("left/a", "file");
    dir.WriteFile("left/b/inner.txt", "x");
    dir.WriteFile("right/a/keep.txt", "k");
    dir.WriteFile("right/b", "file b");
    ASSERT_EQ(::mkfifo((dir / "left/pipe").c_str(), 0600), 0);
    std::string error;
    EXPECT_FALSE(CopyEntryInto({dir / "left", "a"}, {dir / "right", ""}, {}, error));
    EXPECT_EQ(error, "cannot copy " + dir / "left/a" + " to " + dir / "right/a" +
                         ": a folder of that name is in the way");
    EXPECT_FALSE(CopyEntryInto({dir / "left", "b"}, {dir / "right", ""}, {}, error));
    EXPECT_EQ(error, "cannot copy " + dir / "left/b" + " to " + dir / "right/b" +
                         ": a file of that name is in the way");
    EXPECT_FALSE(CopyEntryInto({dir / "left", "pipe"}, {dir / "right", "new"}, {}, error));
    EXPECT_EQ(error, "cannot copy " + dir / "left/pipe" + ": not a regular file");
    EXPECT_FALSE(MoveEntryInto({dir / "left", "pipe"}, {dir / "right", "new"}, {}, error));
    EXPECT_EQ(error, "cannot move " + dir / "left/pipe" + ": not a regular file");
    EXPECT_FALSE(CopyEntryInto({dir / "left", "missing"}, {dir / "right", ""}, {}, error));
    EXPECT_EQ(error, "cannot copy " + dir / "left/missing" + ": No such file or directory");
    EXPECT_FALSE(CopyEntryInto({dir / "left", "b"}, {dir / "left", "b/deeper"}, {}, error));
    EXPECT_EQ(error, "cannot copy " + dir / "left/b" + " into " + dir / "left/b/deeper" +
                         ": a folder cannot go into itself");
    EXPECT_EQ(Listing(dir / "right"), "a b ");
    EXPECT_EQ(Listing(dir / "right/a"), "keep.txt ");
    EXPECT_EQ(test::ReadFile(dir / "right/b"), "file b");
}

TEST(CopyEntryIntoTest, RefusesASourceOrTargetChangedSinceTheScan) {
    test::TempDir dir;
    const std::string source = dir.WriteFile("left/a.txt", "new");
    const std::string target = dir.WriteFile("right/a.txt", "old");
    COPYOPTIONS options;
    options.source = Scanned(source);
    options.target = Scanned(target);
    dir.WriteFile("right/a.txt", "changed by someone");
    std::string error;
    EXPECT_FALSE(CopyEntryInto({dir / "left", "a.txt"}, {dir / "right", ""}, options, error));
    EXPECT_EQ(error, "'" + target + "' was changed since it was compared; not replaced");
    EXPECT_EQ(test::ReadFile(target), "changed by someone");

    options.target = Scanned(target);
    dir.WriteFile("left/a.txt", "newer and longer");
    EXPECT_FALSE(CopyEntryInto({dir / "left", "a.txt"}, {dir / "right", ""}, options, error));
    EXPECT_EQ(error, "'" + source + "' was changed since it was compared; not copied");
    EXPECT_EQ(test::ReadFile(target), "changed by someone");

    // A target that appeared since the scan saw none.
    options.source = Scanned(source);
    options.target = Scanned(dir / "right/none.txt");
    ASSERT_FALSE(options.target.exists);
    EXPECT_FALSE(CopyEntryInto({dir / "left", "a.txt"}, {dir / "right", ""}, options, error));
    EXPECT_EQ(error, "'" + target + "' was changed since it was compared; not replaced");
    EXPECT_EQ(Listing(dir / "right"), "a.txt ");

    options.target = Scanned(target);
    ASSERT_TRUE(CopyEntryInto({dir / "left", "a.txt"}, {dir / "right", ""}, options, error)) << error;
    EXPECT_EQ(test::ReadFile(target), "newer and longer");
}

TEST(CopyEntryIntoTest, AFailureLeavesTheOldTargetAndNoTemporary) {
    test::TempDir dir;
    dir.WriteFile("left/a.txt", "new");
    const std::string target = dir.WriteFile("right/a.txt", "old");
    const SYSCALLS saved = SysCalls();
    // A full disk, whichever way the bytes go.
    SysCalls().copyFileRange = [](int, off_t*, int, off_t*, size_t, unsigned) -> ssize_t {
        return errno = ENOSPC, -1;
    };
    std::string error;
    bool copied = CopyEntryInto({dir / "left", "a.txt"}, {dir / "right", ""}, {}, error);
    EXPECT_FALSE(copied);
    EXPECT_EQ(error, "cannot copy " + dir / "left/a.txt" + " to " + target + ": No space left on device");
    EXPECT_EQ(test::ReadFile(target), "old");
    EXPECT_EQ(Listing(dir / "right"), "a.txt ");
    SysCalls().copyFileRange = [](int, off_t*, int, off_t*, size_t, unsigned) -> ssize_t {
        return errno = EXDEV, -1;
    };
    SysCalls().write = [](int, const void*, size_t) -> ssize_t { return errno = ENOSPC, -1; };
    copied = CopyEntryInto({dir / "left", "a.txt"}, {dir / "right", ""}, {}, error);
    SysCalls() = saved;
    EXPECT_FALSE(copied);
    EXPECT_EQ(error, "cannot copy " + dir / "left/a.txt" + " to " + target + ": No space left on device");
    EXPECT_EQ(test::ReadFile(target), "old");
    EXPECT_EQ(Listing(dir / "right"), "a.txt ");

    // A folder the user may not write.
    ASSERT_EQ(::chmod((dir / "right").c_str(), 0555), 0);
    test::PermissionsBind bind;
    if (!bind.Active()) GTEST_SKIP() << "permissions do not bind";
    EXPECT_FALSE(CopyEntryInto({dir / "left", "a.txt"}, {dir / "right", ""}, {}, error));
    EXPECT_EQ(error, "cannot create a file in " + dir / "right" + ": Permission denied");
    EXPECT_EQ(test::ReadFile(target), "old");
    EXPECT_EQ(Listing(dir / "right"), "a.txt ");
}

TEST(CopyEntryIntoTest, StopsAFolderCopyWhenCancelled) {
    test::TempDir dir;
    dir.WriteFile("left/tree/a.txt", "a");
    dir.WriteFile("left/tree/b.txt", "b");
    const std::atomic<bool> cancel{true};
    COPYOPTIONS options;
    options.cancel = &cancel;
    std::string error;
    EXPECT_FALSE(CopyEntryInto({dir / "left", "tree"}, {dir / "right", ""}, options, error));
    EXPECT_EQ(error, "copying " + dir / "left/tree" + " was cancelled");
    EXPECT_EQ(Listing(dir / "right/tree"), "");
}

// right/sub is a link to a folder outside the roots.
class LinkBelowRootTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.WriteFile("left/a.txt", "a");
        dir.WriteFile("left/folder/x.txt", "x");
        dir.WriteFile("outside/victim.txt", "keep");
        dir.MakeFolder("outside/folder");
        dir.MakeFolder("right");
        Link(dir / "outside", dir / "right/sub");
        ASSERT_TRUE(test::SetFileTimes(dir / "outside/victim.txt", 1000000000));
        refusal = "'" + dir / "right/sub" + "' is a symbolic link; not followed";
    }
    void ExpectOutsideUntouched() {
        EXPECT_EQ(Listing(dir / "outside"), "folder victim.txt ");
        EXPECT_EQ(Listing(dir / "outside/folder"), "");
        const struct stat st = Lstat(dir / "outside/victim.txt");
        EXPECT_EQ(test::ReadFile(dir / "outside/victim.txt"), "keep");
        EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);
    }
    test::TempDir dir;
    std::string refusal;
};

TEST_F(LinkBelowRootTest, EveryOperationRefusesToGoThroughIt) {
    const mode_t mode = Lstat(dir / "outside/victim.txt").st_mode;
    std::string error;
    EXPECT_FALSE(CopyEntryInto({dir / "left", "a.txt"}, {dir / "right", "sub"}, {}, error));
    EXPECT_EQ(error, refusal);
    EXPECT_FALSE(CopyEntryInto({dir / "left", "folder"}, {dir / "right", "sub/folder"}, {}, error));
    EXPECT_EQ(error, refusal);
    EXPECT_FALSE(MoveEntryInto({dir / "left", "a.txt"}, {dir / "right", "sub"}, {}, error));
    EXPECT_EQ(error, refusal);
    EXPECT_FALSE(MoveEntryInto({dir / "right", "sub/victim.txt"}, {dir / "left", ""}, {}, error));
    EXPECT_EQ(error, refusal);
    EXPECT_FALSE(CopyEntryInto({dir / "right", "sub/victim.txt"}, {dir / "left", ""}, {}, error));
    EXPECT_EQ(error, refusal);
    EXPECT_FALSE(DeleteEntry({dir / "right", "sub/victim.txt"}, false, error));
    EXPECT_EQ(error, refusal);
    EXPECT_FALSE(DeleteEntry({dir / "right", "sub/folder"}, true, error));
    EXPECT_EQ(error, refusal);
    EXPECT_FALSE(RenameEntry({dir / "right", "sub/victim.txt"}, "renamed.txt", error));
    EXPECT_EQ(error, refusal);
    EXPECT_FALSE(SetLastWriteTime({dir / "right", "sub/victim.txt"}, FileTimeFromUnix(2000000000, 0), error));
    EXPECT_EQ(error, refusal);
    EXPECT_FALSE(SetEntryAttributes({dir / "right", "sub/victim.txt"}, 0, FILE_ATTRIBUTE_READONLY, error));
    EXPECT_EQ(error, refusal);
    EXPECT_EQ(CreateFolderBelow({dir / "right", "sub"}, "new", error), -1);
    EXPECT_EQ(error, refusal);
    EXPECT_EQ(CreateFolderBelow({dir / "right", ""}, "sub", error), -1);
    EXPECT_EQ(error, refusal);
    FINDDATA data;
    int code = 0;
    EXPECT_FALSE(FindEntryBelow({dir / "right", "sub/victim.txt"}, data, &code));
    EXPECT_EQ(code, ELOOP);
    ExpectOutsideUntouched();
    EXPECT_EQ(Lstat(dir / "outside/victim.txt").st_mode, mode);
    EXPECT_EQ(Listing(dir / "left"), "a.txt folder ");
}

TEST_F(LinkBelowRootTest, ARootReachedThroughALinkIsFollowedAndDotDotIsRefused) {
    Link(dir / "outside", dir / "root-link");
    FINDDATA data;
    ASSERT_TRUE(FindEntryBelow({dir / "root-link", "victim.txt"}, data));
    EXPECT_EQ(data.Size(), 4u);
    EXPECT_EQ(data.name, "victim.txt");
    std::string error;
    EXPECT_FALSE(DeleteEntry({dir / "right", "../outside/victim.txt"}, false, error));
    EXPECT_EQ(error, "'" + dir / "right/../outside/victim.txt" + "' is not a path below " + dir / "right");
    EXPECT_FALSE(DeleteEntry({dir / "right", ""}, false, error));
    EXPECT_EQ(error, "cannot delete " + dir / "right" + ": it is a compared folder itself");
    ExpectOutsideUntouched();
}

TEST(DeleteEntryTest, RemovesLinksNeverWhatTheyName) {
    test::TempDir dir;
    dir.WriteFile("outside/keep.txt", "k");
    dir.WriteFile("root/tree/a.txt", "a");
    dir.WriteFile("root/tree/sub/b.txt", "b");
    Link(dir / "outside", dir / "root/tree/sub/out");
    Link(dir / "outside", dir / "root/folder-link");
    dir.WriteFile("root/file.txt", "f");
    std::string error;
    ASSERT_TRUE(DeleteEntry({dir / "root", "folder-link"}, false, error)) << error;
    ASSERT_TRUE(DeleteEntry({dir / "root", "tree"}, false, error)) << error;
    ASSERT_TRUE(DeleteEntry({dir / "root", "file.txt"}, false, error)) << error;
    EXPECT_EQ(Listing(dir / "root"), "");
    EXPECT_EQ(Listing(dir / "outside"), "keep.txt ");
    EXPECT_FALSE(DeleteEntry({dir / "root", "file.txt"}, false, error));
    EXPECT_EQ(error, "cannot delete " + dir / "root/file.txt" + ": No such file or directory");
}

TEST(DeleteEntryTest, StopsAtWhatCannotBeDeleted) {
    test::TempDir dir;
    dir.WriteFile("root/tree/locked/a.txt", "a");
    ASSERT_EQ(::chmod((dir / "root/tree/locked").c_str(), 0555), 0);
    test::PermissionsBind bind;
    if (!bind.Active()) GTEST_SKIP() << "permissions do not bind";
    std::string error;
    EXPECT_FALSE(DeleteEntry({dir / "root", "tree"}, false, error));
    EXPECT_EQ(error, "cannot delete " + dir / "root/tree/locked/a.txt" + ": Permission denied");
    EXPECT_EQ(test::ReadFile(dir / "root/tree/locked/a.txt"), "a");
}

TEST(MoveEntryIntoTest, RenamesWithinAFileSystemAndMergesIntoAFolder) {
    test::TempDir dir;
    const std::string source = dir.WriteFile("left/a.txt", "a");
    const ino_t inode = Lstat(source).st_ino;
    dir.WriteFile("right/a.txt", "old");
    std::string error;
    ASSERT_TRUE(MoveEntryInto({dir / "left", "a.txt"}, {dir / "right", ""}, {}, error)) << error;
    EXPECT_EQ(Lstat(dir / "right/a.txt").st_ino, inode);
    EXPECT_EQ(test::ReadFile(dir / "right/a.txt"), "a");
    EXPECT_FALSE(Exists(source));

    dir.WriteFile("left/tree/b.txt", "b");
    dir.WriteFile("left/tree/sub/c.txt", "c");
    dir.WriteFile("right/tree/d.txt", "d");
    dir.WriteFile("right/tree/sub/c.txt", "old c");
    ASSERT_TRUE(MoveEntryInto({dir / "left", "tree"}, {dir / "right", ""}, {}, error)) << error;
    EXPECT_EQ(Listing(dir / "right/tree"), "b.txt d.txt sub ");
    EXPECT_EQ(test::ReadFile(dir / "right/tree/sub/c.txt"), "c");
    EXPECT_EQ(Listing(dir / "left"), "");

    // An empty folder is simply replaced; new target folders are made.
    dir.MakeFolder("left/empty");
    dir.MakeFolder("right/deep/empty");
    ASSERT_TRUE(MoveEntryInto({dir / "left", "empty"}, {dir / "right", "deep"}, {}, error)) << error;
    ASSERT_TRUE(MoveEntryInto({dir / "right", "deep/empty"}, {dir / "left", "made/here"}, {}, error))
        << error;
    EXPECT_EQ(Listing(dir / "left/made/here"), "empty ");
}

// A move that copies (into a folder that is not empty, or to another file
// system) deletes its source only once the copy is on disk.
TEST(MoveEntryIntoTest, TheSourceOfACopyingMoveGoesOnlyOnceTheCopyIsOnDisk) {
    test::TempDir dir;
    dir.WriteFile("left/tree/b.txt", "b");
    dir.WriteFile("right/tree/d.txt", "d");
    const SYSCALLS saved = SysCalls();
    static int syncs;
    syncs = 0;
    SysCalls().syncfs = [](int) { return ++syncs, errno = EIO, -1; };
    std::string error;
    const bool moved = MoveEntryInto({dir / "left", "tree"}, {dir / "right", ""}, {}, error);
    SysCalls() = saved;
    EXPECT_FALSE(moved);
    EXPECT_EQ(syncs, 1);
    EXPECT_EQ(error, "cannot move " + dir / "left/tree" + ": the copy " + dir / "right/tree" +
                         " could not be written to disk: Input/output error; the source is kept");
    EXPECT_EQ(test::ReadFile(dir / "left/tree/b.txt"), "b");
    EXPECT_EQ(test::ReadFile(dir / "right/tree/b.txt"), "b");

    SysCalls().syncfs = [](int fd) { return ++syncs, RealSysCalls().syncfs(fd); };
    const bool again = MoveEntryInto({dir / "left", "tree"}, {dir / "right", ""}, {}, error);
    SysCalls() = saved;
    EXPECT_TRUE(again) << error;
    EXPECT_EQ(syncs, 2);
    EXPECT_FALSE(Exists(dir / "left/tree"));
    EXPECT_EQ(Listing(dir / "right/tree"), "b.txt d.txt ");
}

TEST(MoveEntryIntoTest, RefusesAChangedSourceAndWhatIsInTheWay) {
    test::TempDir dir;
    const std::string source = dir.WriteFile("left/a.txt", "a");
    dir.WriteFile("right/a.txt/inside.txt", "i");
    COPYOPTIONS options;
    options.source = Scanned(source);
    dir.WriteFile("left/a.txt", "changed");
    std::string error;
    EXPECT_FALSE(MoveEntryInto({dir / "left", "a.txt"}, {dir / "right", ""}, options, error));
    EXPECT_EQ(error, "'" + source + "' was changed since it was compared; not moved");
    EXPECT_FALSE(MoveEntryInto({dir / "left", "a.txt"}, {dir / "right", ""}, {}, error));
    EXPECT_EQ(error, "cannot move " + source + " to " + dir / "right/a.txt" +
                         ": a folder of that name is in the way");
    EXPECT_EQ(test::ReadFile(source), "changed");
    EXPECT_EQ(Listing(dir / "right/a.txt"), "inside.txt ");
}

// A folder on another file system than the temporary folder, for moves that
// must copy and delete; none when /dev/shm is not one.
class OtherDeviceDir {
public:
    OtherDeviceDir() {
        char pattern[] = "/dev/shm/corvatine-test-XXXXXX";
        if (::mkdtemp(pattern) != nullptr) m_path = pattern;
    }
    ~OtherDeviceDir() {
        std::error_code ec;
        if (!m_path.empty()) fs::remove_all(m_path, ec);
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

TEST(MoveEntryIntoTest, AcrossFileSystemsCopiesThenDeletes) {
    test::TempDir dir;
    OtherDeviceDir other;
    if (other.Path().empty() || Lstat(other.Path()).st_dev == Lstat(dir.Path()).st_dev)
        GTEST_SKIP() << "no second file system";
    dir.WriteFile("left/tree/a.txt", "a");
    Link("a.txt", dir / "left/tree/link");
    ASSERT_TRUE(test::SetFileTimes(dir / "left/tree/a.txt", 1600000000, 42));
    std::string error;
    ASSERT_TRUE(MoveEntryInto({dir / "left", "tree"}, {other.Path(), "into"}, {}, error)) << error;
    EXPECT_EQ(Listing(other.Path() + "/into/tree"), "a.txt link ");
    EXPECT_EQ(ReadLink(other.Path() + "/into/tree/link"), "a.txt");
    EXPECT_EQ(Lstat(other.Path() + "/into/tree/a.txt").st_mtim.tv_nsec, 42);
    EXPECT_EQ(Listing(dir / "left"), "");
}

TEST(RenameEntryTest, RefusesATakenNameAndRenamesCaseOnly) {
    test::TempDir dir;
    dir.WriteFile("root/sub/a.txt", "a");
    dir.WriteFile("root/sub/b.txt", "b");
    std::string error;
    EXPECT_FALSE(RenameEntry({dir / "root", "sub/a.txt"}, "b.txt", error));
    EXPECT_EQ(error, "cannot rename " + dir / "root/sub/a.txt" + " to 'b.txt': File exists");
    EXPECT_EQ(test::ReadFile(dir / "root/sub/a.txt"), "a");
    EXPECT_EQ(test::ReadFile(dir / "root/sub/b.txt"), "b");
    ASSERT_TRUE(RenameEntry({dir / "root", "sub/a.txt"}, "A.txt", error)) << error;
    EXPECT_EQ(Listing(dir / "root/sub"), "A.txt b.txt ");
    ASSERT_TRUE(RenameEntry({dir / "root", "sub"}, "Sub", error)) << error;
    EXPECT_EQ(Listing(dir / "root/Sub"), "A.txt b.txt ");
    for (const std::string bad : {"", ".", "..", "x/y"}) {
        EXPECT_FALSE(RenameEntry({dir / "root", "Sub/b.txt"}, bad, error));
        EXPECT_EQ(error, "cannot rename " + dir / "root/Sub/b.txt" + " to '" + bad + "': not a valid name");
    }
    EXPECT_EQ(Listing(dir / "root/Sub"), "A.txt b.txt ");
}

TEST(CreateFolderBelowTest, TellsCreatedFromExistingFromFailed) {
    test::TempDir dir;
    dir.WriteFile("root/file", "f");
    std::string error;
    EXPECT_EQ(CreateFolderBelow({dir / "root", "a/b"}, "new", error), 0) << error;
    EXPECT_TRUE(S_ISDIR(Lstat(dir / "root/a/b/new").st_mode));
    EXPECT_EQ(CreateFolderBelow({dir / "root", "a/b"}, "new", error), 1) << error;
    EXPECT_EQ(CreateFolderBelow({dir / "root", ""}, "file", error), -1);
    EXPECT_EQ(error, "cannot create folder " + dir / "root/file" + ": a file of that name exists");
    EXPECT_EQ(CreateFolderBelow({dir / "root", ""}, "..", error), -1);
    EXPECT_EQ(error, "cannot create folder " + dir / "root/.." + ": not a valid name");
    EXPECT_EQ(Listing(dir / "root"), "a file ");
}

TEST(SetLastWriteTimeTest, SetsOnlyTheModificationTimeOfTheEntryItself) {
    test::TempDir dir;
    const std::string file = dir.WriteFile("root/a.txt", "a");
    ASSERT_TRUE(test::SetFileTimes(file, 1100000000, 0));
    Link("a.txt", dir / "root/link");
    std::string error;
    ASSERT_TRUE(SetLastWriteTime({dir / "root", "a.txt"}, FileTimeFromUnix(1700000000, 123456700), error))
        << error;
    struct stat st = Lstat(file);
    EXPECT_EQ(st.st_mtim.tv_sec, 1700000000);
    EXPECT_EQ(st.st_mtim.tv_nsec, 123456700);
    EXPECT_EQ(st.st_atim.tv_sec, 1100000000);
    ASSERT_TRUE(SetLastWriteTime({dir / "root", "link"}, FileTimeFromUnix(1000000000, 0), error)) << error;
    EXPECT_EQ(Lstat(dir / "root/link").st_mtim.tv_sec, 1000000000);
    EXPECT_EQ(Lstat(file).st_mtim.tv_sec, 1700000000);
    ASSERT_TRUE(SetLastWriteTime({dir / "root", ""}, FileTimeFromUnix(1200000000, 0), error)) << error;
    EXPECT_EQ(Lstat(dir / "root").st_mtim.tv_sec, 1200000000);
    EXPECT_FALSE(SetLastWriteTime({dir / "root", "missing"}, FileTimeFromUnix(1, 0), error));
    EXPECT_EQ(error, "cannot set the time of " + dir / "root/missing" + ": No such file or directory");
}

// Sets the umask for the lifetime of the object.
class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : m_old(::umask(mask)) {}
    ~ScopedUmask() { ::umask(m_old); }

private:
    mode_t m_old;
};

TEST(SetEntryAttributesTest, ReadOnlyClearsAndRestoresWriteBits) {
    test::TempDir dir;
    const std::string file = dir.WriteFile("root/a.txt", "a");
    ASSERT_EQ(::chmod(file.c_str(), 0664), 0);
    std::string error;
    const TREEPATH entry{dir / "root", "a.txt"};
    ASSERT_TRUE(SetEntryAttributes(entry, FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_READONLY, error)) << error;
    EXPECT_EQ(Lstat(file).st_mode & 07777, 0444u);
    {
        const ScopedUmask mask(022);
        ASSERT_TRUE(SetEntryAttributes(entry, FILE_ATTRIBUTE_READONLY, 0, error)) << error;
        EXPECT_EQ(Lstat(file).st_mode & 07777, 0644u);
    }
    ASSERT_EQ(::chmod(file.c_str(), 0440), 0);
    {
        const ScopedUmask mask(002);
        ASSERT_TRUE(SetEntryAttributes(entry, FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_ARCHIVE, error))
            << error;
        EXPECT_EQ(Lstat(file).st_mode & 07777, 0660u);
    }
    // Only bits that change are applied: the word the caller holds decides.
    ASSERT_EQ(::chmod(file.c_str(), 0400), 0);
    ASSERT_TRUE(SetEntryAttributes(entry, 0, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_DIRECTORY, error))
        << error;
    EXPECT_EQ(Lstat(file).st_mode & 07777, 0400u);
}

TEST(SetEntryAttributesTest, RefusesHiddenSystemAndLinks) {
    test::TempDir dir;
    const std::string file = dir.WriteFile("root/a.txt", "a");
    Link("a.txt", dir / "root/link");
    const mode_t mode = Lstat(file).st_mode;
    std::string error;
    EXPECT_FALSE(SetEntryAttributes({dir / "root", "a.txt"}, 0, FILE_ATTRIBUTE_HIDDEN, error));
    EXPECT_EQ(error, "cannot set the attributes of " + file +
                         ": the hidden attribute cannot be changed on this system");
    EXPECT_FALSE(SetEntryAttributes({dir / "root", "a.txt"}, FILE_ATTRIBUTE_SYSTEM, 0, error));
    EXPECT_EQ(error, "cannot set the attributes of " + file +
                         ": the system attribute cannot be changed on this system");
    EXPECT_FALSE(SetEntryAttributes({dir / "root", "link"}, FILE_ATTRIBUTE_REPARSE_POINT,
                                    FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_READONLY, error));
    EXPECT_EQ(error, "cannot set the attributes of " + dir / "root/link" +
                         ": a symbolic link has no permissions of its own");
    EXPECT_EQ(Lstat(file).st_mode, mode);
}

TEST(FindEntryBelowTest, ReadsEntriesAsTheScanDoes) {
    test::TempDir dir;
    const std::string file = dir.WriteFile("root/sub/.a.txt", "12345");
    ASSERT_TRUE(test::SetFileTimes(file, 1500000000, 700));
    Link(".a.txt", dir / "root/sub/link");
    FINDDATA data;
    ASSERT_TRUE(FindEntryBelow({dir / "root", "sub/link"}, data));
    EXPECT_EQ(data.attributes, static_cast<uint32_t>(FILE_ATTRIBUTE_REPARSE_POINT));
    EXPECT_EQ(data.Size(), 5u);
    EXPECT_EQ(data.lastWriteTime, FileTimeFromUnix(1500000000, 700));
    EXPECT_EQ(data.name, "link");
    ASSERT_TRUE(FindEntryBelow({dir / "root", "sub/.a.txt"}, data));
    EXPECT_EQ(data.attributes, static_cast<uint32_t>(FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(FindEntryBelow({dir / "root", "sub"}, data));
    EXPECT_EQ(data.attributes, static_cast<uint32_t>(FILE_ATTRIBUTE_DIRECTORY));
    int code = 0;
    EXPECT_FALSE(FindEntryBelow({dir / "root", "sub/none"}, data, &code));
    EXPECT_EQ(code, ENOENT);
    EXPECT_FALSE(FindEntryBelow({dir / "root", "none/x"}, data, &code));
    EXPECT_EQ(code, ENOENT);
}

// What a test says a scan saw inside a folder: names and what each was.
class CSeen final : public CScannedFolder {
public:
    CSeen& Entry(const std::string& name, const std::string& path) {
        m_entries[name] = {Scanned(path), nullptr};
        return *this;
    }
    CSeen& Folder(const std::string& name, const std::string& path, std::shared_ptr<CSeen> inside) {
        m_entries[name] = {Scanned(path), std::move(inside)};
        return *this;
    }
    bool Find(const std::string& name, EXPECTEDENTRY& entry,
              std::unique_ptr<CScannedFolder>& below) const override {
        const auto found = m_entries.find(name);
        if (found == m_entries.end()) return false;
        entry = found->second.first;
        if (found->second.second) below = std::make_unique<CForward>(found->second.second);
        return true;
    }

private:
    // A view of a shared scan, so that one scan can be found many times.
    class CForward final : public CScannedFolder {
    public:
        explicit CForward(std::shared_ptr<CSeen> seen) : m_seen(std::move(seen)) {}
        bool Find(const std::string& name, EXPECTEDENTRY& entry,
                  std::unique_ptr<CScannedFolder>& below) const override {
            return m_seen->Find(name, entry, below);
        }

    private:
        std::shared_ptr<CSeen> m_seen;
    };
    std::map<std::string, std::pair<EXPECTEDENTRY, std::shared_ptr<CSeen>>> m_entries;
};

TEST(DeleteEntryTest, TakesOnlyWhatTheScanSawAndKeepsTheFoldersAboveTheRest) {
    test::TempDir dir;
    dir.WriteFile("root/tree/a.txt", "a");
    dir.WriteFile("root/tree/sub/b.txt", "b");
    dir.WriteFile("root/tree/sub/c.txt", "c");
    auto sub = std::make_shared<CSeen>();
    sub->Entry("b.txt", dir / "root/tree/sub/b.txt").Entry("c.txt", dir / "root/tree/sub/c.txt");
    CSeen tree;
    tree.Entry("a.txt", dir / "root/tree/a.txt").Folder("sub", dir / "root/tree/sub", sub);
    DELETEOPTIONS options;
    options.expected = Scanned(dir / "root/tree");
    options.below = &tree;
    // Since the scan: one file changed, one came.
    dir.WriteFile("root/tree/sub/c.txt", "changed");
    dir.WriteFile("root/tree/sub/new.txt", "new");
    std::string error;
    EXPECT_FALSE(DeleteEntry({dir / "root", "tree"}, options, error));
    // Which of the two is named first is the order of the folder's listing.
    EXPECT_TRUE(error == "kept '" + dir / "root/tree/sub/c.txt" +
                             "': it was changed since it was compared; '" + dir / "root/tree" +
                             "' was not deleted whole" ||
                error == "kept '" + dir / "root/tree/sub/new.txt" +
                             "': it was not there when the folders were compared; '" + dir / "root/tree" +
                             "' was not deleted whole")
        << error;
    EXPECT_EQ(Listing(dir / "root/tree"), "sub ");
    EXPECT_EQ(Listing(dir / "root/tree/sub"), "c.txt new.txt ");

    // A file that became a folder is not deleted, nor what is in it.
    const std::string file = dir.WriteFile("root/file", "f");
    options = DELETEOPTIONS();
    options.expected = Scanned(file);
    fs::remove(file);
    dir.WriteFile("root/file/precious", "p");
    EXPECT_FALSE(DeleteEntry({dir / "root", "file"}, options, error));
    EXPECT_EQ(error, "'" + dir / "root/file" + "' was changed since it was compared; not deleted");
    EXPECT_EQ(test::ReadFile(dir / "root/file/precious"), "p");
}

TEST(DeleteEntryTest, DeepTreesTakeFewDescriptorsAndGiveShortMessages) {
    test::TempDir dir;
    dir.MakeFolder("root");
    test::MakeDeepTree(dir / "root/deep", 400, "level", {{"bottom.txt", "b"}});
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    struct rlimit low = saved;
    low.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    std::string error;
    const bool deleted = DeleteEntry({dir / "root", "deep"}, false, error);
    ::setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_TRUE(deleted) << error.substr(0, 300);
    EXPECT_EQ(Listing(dir / "root"), "");

    const std::string path = dir / std::string(2000, 'x');
    const std::string shown = ShortPath(path);
    EXPECT_LE(shown.size(), 240u);
    EXPECT_EQ(shown.substr(0, 40), path.substr(0, 40));
    EXPECT_EQ(shown.substr(shown.size() - 40), path.substr(path.size() - 40));
    EXPECT_NE(shown.find("/.../"), std::string::npos);
    EXPECT_EQ(ShortPath("/short/path"), "/short/path");
}

TEST(CopyEntryIntoTest, ReplacesAnEntryOfAnotherKindOnlyAsTheScanSawIt) {
    test::TempDir dir;
    dir.WriteFile("left/x", "file");
    dir.WriteFile("right/x/inside.txt", "in");
    dir.WriteFile("left/y/g.txt", "g");
    dir.WriteFile("right/y", "file");
    dir.WriteFile("left/target/t", "t");
    Link("target", dir / "left/l");
    dir.WriteFile("right/l/z.txt", "z");
    std::string error;
    // Unless asked to, nothing of another kind is replaced.
    EXPECT_FALSE(CopyEntryInto({dir / "left", "x"}, {dir / "right", ""}, {}, error));
    EXPECT_EQ(error, "cannot copy " + dir / "left/x" + " to " + dir / "right/x" +
                         ": a folder of that name is in the way");

    COPYOPTIONS options;
    options.replaceOtherKind = true;
    options.target = Scanned(dir / "right/x");
    CSeen seen;
    seen.Entry("inside.txt", dir / "right/x/inside.txt");
    options.replacedBelow = &seen;
    // Something came into the folder since the scan: it stays, and so does the folder.
    dir.WriteFile("right/x/came.txt", "came");
    EXPECT_FALSE(CopyEntryInto({dir / "left", "x"}, {dir / "right", ""}, options, error));
    EXPECT_NE(error.find("kept '" + dir / "right/x/came.txt" +
                         "': it was not there when the folders were compared"),
              std::string::npos)
        << error;
    EXPECT_EQ(Listing(dir / "right"), "l x y ");
    EXPECT_EQ(test::ReadFile(dir / "right/x/came.txt"), "came");
    fs::remove(dir / "right/x/came.txt");
    ASSERT_TRUE(CopyEntryInto({dir / "left", "x"}, {dir / "right", ""}, options, error)) << error;
    EXPECT_EQ(test::ReadFile(dir / "right/x"), "file");

    // A folder where a file was; a link where a folder was.
    options = COPYOPTIONS();
    options.replaceOtherKind = true;
    options.emptyFolderOnly = true;
    options.target = Scanned(dir / "right/y");
    ASSERT_TRUE(CopyEntryInto({dir / "left", "y"}, {dir / "right", ""}, options, error)) << error;
    EXPECT_TRUE(fs::is_directory(dir / "right/y"));
    EXPECT_EQ(Listing(dir / "right/y"), "");
    options = COPYOPTIONS();
    options.replaceOtherKind = true;
    options.target = Scanned(dir / "right/l");
    ASSERT_TRUE(CopyEntryInto({dir / "left", "l"}, {dir / "right", ""}, options, error)) << error;
    EXPECT_EQ(ReadLink(dir / "right/l"), "target");
    EXPECT_EQ(Listing(dir / "right"), "l x y ");  // no temporary left behind
}

TEST(CopyEntryIntoTest, KeepsHolesAndRecordsTheFoldersToSync) {
    test::TempDir dir;
    const std::string sparse = dir.WriteFile("left/sparse", "head");
    constexpr off_t kSize = off_t{16} << 20;
    ASSERT_EQ(::truncate(sparse.c_str(), kSize), 0);
    dir.MakeFolder("right");
    const SYSCALLS saved = SysCalls();
    static int syncs;
    syncs = 0;
    SysCalls().fsync = [](int fd) { return ++syncs, RealSysCalls().fsync(fd); };
    CTouchedFolders touched;
    COPYOPTIONS options;
    options.touched = &touched;
    std::string error;
    ASSERT_TRUE(CopyEntryInto({dir / "left", "sparse"}, {dir / "right", ""}, options, error)) << error;
    ASSERT_TRUE(CopyEntryInto({dir / "left", "sparse"}, {dir / "right/again", ""}, options, error)) << error;
    EXPECT_EQ(syncs, 0);  // no file is synced on its own
    EXPECT_EQ(touched.Count(), 2u);
    EXPECT_TRUE(touched.Sync(error)) << error;
    EXPECT_EQ(syncs, 2);  // each folder once
    EXPECT_EQ(touched.Count(), 0u);
    touched.Add(dir / "right");
    SysCalls().fsync = [](int) { return errno = EIO, -1; };
    EXPECT_FALSE(touched.Sync(error));
    SysCalls() = saved;
    EXPECT_EQ(error, "cannot sync " + dir / "right" + ": Input/output error");
    const struct stat copy = Lstat(dir / "right/sparse");
    EXPECT_EQ(copy.st_size, kSize);
    if (Lstat(sparse).st_blocks * 512 < kSize / 2) {
        EXPECT_LT(copy.st_blocks * 512, kSize / 2);
    }
    EXPECT_EQ(test::ReadFile(dir / "right/sparse"), test::ReadFile(sparse));
}

TEST(TemporaryCopyTest, NamesAreOursAndOnlyAbandonedOnesAreLeftovers) {
    const std::string name = TemporaryCopyName("big.bin");
    EXPECT_EQ(name.rfind(".corvatine-", 0), 0u) << name;
    EXPECT_EQ(name.size(), std::string(".corvatine-XXXXXX.big.bin").size());
    EXPECT_TRUE(IsTemporaryCopyName(name));
    EXPECT_EQ(TemporaryCopyName(std::string(300, 'n')).size(), static_cast<size_t>(NAME_MAX));
    for (const char* other :
         {".bashrc.backup", ".corvatine-", ".corvatine-abc.x", ".corvatine-ABCDE!.x", "a"})
        EXPECT_FALSE(IsTemporaryCopyName(other)) << other;

    test::TempDir dir;
    dir.WriteFile("root/.corvatine-Ab12Cd.x", "partial");
    const std::string busy = dir.WriteFile("root/.corvatine-Ef34Gh.y", "partial");
    dir.WriteFile("root/.corvatine-Ij56Kl.folder/part", "partial");
    dir.WriteFile("root/plain", "p");
    EXPECT_TRUE(IsLeftoverCopy({dir / "root", ".corvatine-Ab12Cd.x"}));
    EXPECT_TRUE(IsLeftoverCopy({dir / "root", ".corvatine-Ij56Kl.folder"}));
    EXPECT_FALSE(IsLeftoverCopy({dir / "root", "plain"}));
    const int held = ::open(busy.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    EXPECT_FALSE(IsLeftoverCopy({dir / "root", ".corvatine-Ef34Gh.y"}));
    ::close(held);
    EXPECT_TRUE(IsLeftoverCopy({dir / "root", ".corvatine-Ef34Gh.y"}));
}

TEST(FolderContainsTest, TellsNestedFoldersByIdentity) {
    test::TempDir dir;
    dir.MakeFolder("a/b/c");
    dir.MakeFolder("other");
    Link(dir / "a/b", dir / "other/to-b");
    EXPECT_TRUE(FolderContains(dir / "a", dir / "a/b/c"));
    EXPECT_TRUE(FolderContains(dir / "a", dir / "a"));
    EXPECT_TRUE(FolderContains(dir / "a", dir / "other/to-b"));
    EXPECT_FALSE(FolderContains(dir / "a/b/c", dir / "a"));
    EXPECT_FALSE(FolderContains(dir / "other", dir / "a"));
    EXPECT_FALSE(FolderContains(dir / "missing", dir / "a"));
}

TEST(ReadLinkBelowTest, GivesTheTextAndTheLinksOwnTime) {
    test::TempDir dir;
    dir.WriteFile("root/target", "t");
    Link("target", dir / "root/link");
    const struct timespec times[2] = {{1600000000, 0}, {1600000000, 500}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "root/link").c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
    std::string text;
    FILETIME time = 0;
    ASSERT_TRUE(ReadLinkBelow({dir / "root", "link"}, text, time));
    EXPECT_EQ(text, "target");
    EXPECT_EQ(time, FileTimeFromUnix(1600000000, 500));
    int code = 0;
    EXPECT_FALSE(ReadLinkBelow({dir / "root", "target"}, text, time, &code));
    EXPECT_EQ(code, EINVAL);
}

}  // namespace
}  // namespace corvatine::platform
