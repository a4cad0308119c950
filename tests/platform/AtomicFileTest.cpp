// Saving a file: what the saved file keeps (owner, mode, hard links, symbolic
// links), what is refused, and that a failure never loses the old contents.
#include "platform/AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/SysCalls.h"
#include "support/TestSupport.h"

namespace corvatine::platform {
namespace {

struct stat Stat(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

// The names in the folder, so that a test sees every stray temporary file.
std::string Listing(const test::TempDir& dir) {
    return test::RunProgram("/bin/sh", {"-c", "ls -A \"$0\" | tr '\\n' ' '", dir.Path()}).out;
}

TEST(AtomicFileTest, HardLinksStayOneFile) {
    test::TempDir dir;
    const std::string first = dir.WriteFile("first.txt", "old\n");
    const std::string second = dir / "second.txt";
    ASSERT_EQ(::link(first.c_str(), second.c_str()), 0);
    const ino_t inode = Stat(first).st_ino;
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(first, "new contents\n", 0644, error)) << error;
    EXPECT_EQ(test::ReadFile(second), "new contents\n");
    EXPECT_EQ(Stat(first).st_ino, inode);
    EXPECT_EQ(Stat(first).st_nlink, 2u);
    // Shorter contents leave nothing of the old behind.
    ASSERT_TRUE(WriteFileAtomically(second, "n\n", 0644, error)) << error;
    EXPECT_EQ(test::ReadFile(first), "n\n");
    EXPECT_EQ(Listing(dir), "first.txt second.txt ");
}

TEST(AtomicFileTest, AFailedWriteInPlacePutsTheOldContentsBack) {
    test::TempDir dir;
    const std::string first = dir.WriteFile("first.txt", std::string(10000, 'o'));
    ASSERT_EQ(::link(first.c_str(), (dir / "second.txt").c_str()), 0);
    CAtomicFileWriter writer;
    std::string error;
    ASSERT_TRUE(writer.Open(first, 0644, error)) << error;
    EXPECT_TRUE(writer.InPlace());
    ASSERT_TRUE(writer.Write("xxxx", 4, error));
    EXPECT_EQ(test::ReadFile(first).substr(0, 4), "xxxx");  // written where it stands
    SYSCALLS saved = SysCalls();
    // The disk is full for one write; putting the old contents back works.
    static int failures;
    failures = 1;
    SysCalls().write = [](int fd, const void* data, size_t size) -> ssize_t {
        if (failures > 0) {
            --failures;
            return errno = ENOSPC, -1;
        }
        return RealSysCalls().write(fd, data, size);
    };
    const bool written = writer.Write("yyyy", 4, error);
    SysCalls() = saved;
    EXPECT_FALSE(written);
    EXPECT_EQ(error, "cannot write " + first + ": No space left on device");
    EXPECT_TRUE(test::ReadFile(first) == std::string(10000, 'o'));
    EXPECT_EQ(Listing(dir), "first.txt second.txt ");

    // When even that fails, the old contents stay in the file beside it, and
    // the message says where.
    ASSERT_TRUE(writer.Open(first, 0644, error)) << error;
    ASSERT_TRUE(writer.Write("xxxx", 4, error));
    saved = SysCalls();
    SysCalls().write = [](int, const void*, size_t) -> ssize_t { return errno = ENOSPC, -1; };
    EXPECT_FALSE(writer.Write("yyyy", 4, error));
    SysCalls() = saved;
    const std::string kept = "; its old contents are kept in " + dir.Path() + "/.first.txt.";
    ASSERT_EQ(error.find(kept), ("cannot write " + first + ": No space left on device").size()) << error;
    const std::string backup = error.substr(error.find(" kept in ") + 9);
    EXPECT_TRUE(test::ReadFile(backup) == std::string(10000, 'o'));
    ASSERT_EQ(::rename(backup.c_str(), first.c_str()), 0);

    // Abandoned after some writes, the file is put back as well.
    {
        CAtomicFileWriter abandoned;
        ASSERT_TRUE(abandoned.Open(first, 0644, error)) << error;
        ASSERT_TRUE(abandoned.Write("zz", 2, error));
    }
    EXPECT_TRUE(test::ReadFile(first) == std::string(10000, 'o'));
    EXPECT_EQ(Listing(dir), "first.txt second.txt ");
}

// The fsync calls made while the table below is in place.
int g_fsyncs = 0;
int CountingFsync(int fd) {
    ++g_fsyncs;
    return RealSysCalls().fsync(fd);
}

TEST(AtomicFileTest, DurabilityDecidesWhetherTheFileIsSynced) {
    test::TempDir dir;
    const std::string path = dir.WriteFile("list.cmp", "old\n");
    const SYSCALLS saved = SysCalls();
    SysCalls().fsync = CountingFsync;
    std::string error;

    // Synced: the file before the rename, its folder after it.
    g_fsyncs = 0;
    const bool synced = WriteFileAtomically(path, "synced\n", 0644, error);
    const int syncedCalls = g_fsyncs;
    // Renamed: the same replacement without waiting for the disk.
    g_fsyncs = 0;
    const bool renamed = WriteFileAtomically(path, "renamed\n", 0644, error, Durability::Renamed);
    const int renamedCalls = g_fsyncs;
    SysCalls() = saved;
    ASSERT_TRUE(synced);
    ASSERT_TRUE(renamed) << error;
    EXPECT_EQ(syncedCalls, 2);
    EXPECT_EQ(renamedCalls, 0);
    EXPECT_EQ(test::ReadFile(path), "renamed\n");
    EXPECT_EQ(Listing(dir), "list.cmp ");
}

TEST(AtomicFileTest, AnUnsyncedReplacementThatFailsLeavesTheOldFile) {
    test::TempDir dir;
    const std::string path = dir.WriteFile("list.cmp", "old\n");
    std::string error;

    // The disk fills up half-way: the old file stays, the temporary goes.
    SYSCALLS saved = SysCalls();
    SysCalls().write = [](int fd, const void* data, size_t size) -> ssize_t {
        if (size > 3) return RealSysCalls().write(fd, data, 3);  // short, then full
        return errno = ENOSPC, -1;
    };
    const bool full = WriteFileAtomically(path, "new contents\n", 0644, error, Durability::Renamed);
    SysCalls() = saved;
    EXPECT_FALSE(full);
    EXPECT_EQ(error, "cannot write " + path + ": No space left on device");
    EXPECT_EQ(test::ReadFile(path), "old\n");
    EXPECT_EQ(Listing(dir), "list.cmp ");

    // The rename fails (as if the program died before it): still the old file.
    saved = SysCalls();
    SysCalls().rename = [](const char*, const char*) { return errno = EIO, -1; };
    const bool moved = WriteFileAtomically(path, "new contents\n", 0644, error, Durability::Renamed);
    SysCalls() = saved;
    EXPECT_FALSE(moved);
    EXPECT_EQ(error, "cannot replace " + path + ": Input/output error");
    EXPECT_EQ(test::ReadFile(path), "old\n");
    EXPECT_EQ(Listing(dir), "list.cmp ");
}

TEST(AtomicFileTest, OwnerGroupAndModeAreKept) {
    test::TempDir dir;
    const std::string path = dir.WriteFile("file.txt", "old\n");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    std::string error;
    if (::geteuid() == 0) {
        // Saving as root does not make another user's file root's.
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
        ASSERT_TRUE(WriteFileAtomically(path, "new\n", 0644, error)) << error;
        EXPECT_EQ(Stat(path).st_uid, 65534u);
        EXPECT_EQ(Stat(path).st_gid, 65534u);
    } else {
        ASSERT_TRUE(WriteFileAtomically(path, "new\n", 0644, error)) << error;
        EXPECT_EQ(Stat(path).st_uid, ::geteuid());
    }
    EXPECT_EQ(Stat(path).st_mode & 07777, 0640u);
    EXPECT_EQ(test::ReadFile(path), "new\n");
    EXPECT_EQ(Listing(dir), "file.txt ");
}

TEST(AtomicFileTest, WhatMayNotBeWrittenIsRefused) {
    test::TempDir dir;
    std::string error;
    const std::string readOnly = dir.WriteFile("read-only.txt", "keep\n");
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    EXPECT_FALSE(WriteFileAtomically(readOnly, "new\n", 0644, error));
    EXPECT_EQ(error, "cannot write " + readOnly + ": it is read-only");
    EXPECT_EQ(test::ReadFile(readOnly), "keep\n");

    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_FALSE(WriteFileAtomically(fifo, "new\n", 0644, error));
    EXPECT_EQ(error, "cannot write " + fifo + ": it is not a regular file");
    EXPECT_TRUE(S_ISFIFO(Stat(fifo).st_mode));

    const std::string folder = dir.MakeFolder("folder");
    EXPECT_FALSE(WriteFileAtomically(folder, "new\n", 0644, error));
    EXPECT_EQ(error, "cannot write " + folder + ": it is a folder");
    EXPECT_EQ(Listing(dir), "fifo folder read-only.txt ");
}

TEST(AtomicFileTest, SymbolicLinksAreWrittenThroughEvenWhenDangling) {
    test::TempDir dir;
    dir.MakeFolder("sub");
    const std::string link = dir / "link.txt";
    ASSERT_EQ(::symlink("sub/chain.txt", link.c_str()), 0);
    ASSERT_EQ(::symlink("target.txt", (dir / "sub/chain.txt").c_str()), 0);  // relative to its own folder
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(link, "made\n", 0600, error)) << error;
    EXPECT_TRUE(S_ISLNK(Stat(link).st_mode));
    EXPECT_TRUE(S_ISLNK(Stat(dir / "sub/chain.txt").st_mode));
    EXPECT_EQ(test::ReadFile(dir / "sub/target.txt"), "made\n");
    EXPECT_EQ(Stat(dir / "sub/target.txt").st_mode & 0777, 0600u);

    const std::string loop = dir / "loop";
    ASSERT_EQ(::symlink("loop", loop.c_str()), 0);
    EXPECT_FALSE(WriteFileAtomically(loop, "x", 0644, error));
    EXPECT_EQ(error, "cannot follow the link " + loop + ": Too many levels of symbolic links");
}

TEST(AtomicFileTest, AFileChangedSinceItWasReadIsNotOverwritten) {
    test::TempDir dir;
    const std::string path = dir.WriteFile("file.txt", "as read\n");
    FILEIDENTITY read;
    ASSERT_TRUE(GetFileIdentity(path, read));
    std::string error;
    {
        CAtomicFileWriter unchanged;
        ASSERT_TRUE(unchanged.Open(path, 0644, error, &read)) << error;
        ASSERT_TRUE(unchanged.Write("saved\n", 6, error));
        ASSERT_TRUE(unchanged.Commit(error)) << error;
    }
    ASSERT_TRUE(GetFileIdentity(path, read));

    // Another program appends between the read and the save.
    dir.WriteFile("file.txt", "saved\nappended by another program\n");
    CAtomicFileWriter writer;
    EXPECT_FALSE(writer.Open(path, 0644, error, &read));
    EXPECT_EQ(error, "cannot write " + path + ": it was changed by another program since it was read");
    EXPECT_EQ(writer.LastErrno(), 0);
    EXPECT_EQ(test::ReadFile(path), "saved\nappended by another program\n");

    // ... or replaces the file while the save is being written.
    ASSERT_TRUE(GetFileIdentity(path, read));
    ASSERT_TRUE(writer.Open(path, 0644, error, &read)) << error;
    ASSERT_TRUE(writer.Write("mine\n", 5, error));
    const std::string theirs = dir.WriteFile("theirs.txt", "theirs\n");
    ASSERT_EQ(::rename(theirs.c_str(), path.c_str()), 0);
    EXPECT_FALSE(writer.Commit(error));
    EXPECT_EQ(error, "cannot write " + path + ": it was changed by another program since it was read");
    EXPECT_EQ(test::ReadFile(path), "theirs\n");

    // A file removed since counts as changed.
    ASSERT_TRUE(GetFileIdentity(path, read));
    ASSERT_EQ(::unlink(path.c_str()), 0);
    EXPECT_FALSE(writer.Open(path, 0644, error, &read));
    EXPECT_EQ(Listing(dir), "");
}

}  // namespace
}  // namespace corvatine::platform
