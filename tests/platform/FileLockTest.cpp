#include "platform/FileLock.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <thread>

#include "support/TestSupport.h"

namespace corvatine::platform {
namespace {

// Whether another program could take the lock now: a descriptor of its own
// asks without waiting.
bool OthersCanLock(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return true;  // no lock file: nothing is held
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    EXPECT_TRUE(free || errno == EWOULDBLOCK) << errno;
    ::close(fd);
    return free;
}

TEST(FileLockTest, HeldUntilTheOutermostUnlock) {
    test::TempDir dir;
    const std::string path = SettingsLockPath(dir.Path());
    EXPECT_EQ(path, dir / "settings.lock");
    std::string error;
    CFileLock outer;
    EXPECT_FALSE(outer.IsLocked());
    ASSERT_TRUE(outer.Lock(path, error)) << error;
    EXPECT_TRUE(outer.IsLocked());
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_FALSE(OthersCanLock(path));
    {
        // Code that holds the lock may call code that takes it again.
        CFileLock inner;
        ASSERT_TRUE(inner.Lock(path, error)) << error;
        EXPECT_FALSE(OthersCanLock(path));
    }
    EXPECT_FALSE(OthersCanLock(path));  // the inner lock going releases nothing
    outer.Unlock();
    EXPECT_FALSE(outer.IsLocked());
    EXPECT_TRUE(OthersCanLock(path));
    outer.Unlock();  // nothing held: nothing happens
    {
        CFileLock again;
        ASSERT_TRUE(again.Lock(path, error)) << error;
        EXPECT_FALSE(OthersCanLock(path));
    }
    EXPECT_TRUE(OthersCanLock(path));  // released when the object goes
}

TEST(FileLockTest, AnotherThreadWaitsForTheLock) {
    test::TempDir dir;
    const std::string path = SettingsLockPath(dir.Path());
    std::string error;
    CFileLock held;
    ASSERT_TRUE(held.Lock(path, error)) << error;
    std::atomic<bool> taken{false};
    std::thread other([&] {
        CFileLock lock;
        std::string otherError;
        EXPECT_TRUE(lock.Lock(path, otherError)) << otherError;
        taken = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(taken.load());
    held.Unlock();
    other.join();
    EXPECT_TRUE(taken.load());
}

TEST(FileLockTest, AFolderThatCannotHoldTheFileIsAnError) {
    test::TempDir dir;
    const std::string path = SettingsLockPath(dir / "missing");
    std::string error;
    CFileLock lock;
    EXPECT_FALSE(lock.Lock(path, error));
    EXPECT_EQ(error, "cannot open the lock file " + path + ": No such file or directory");
    EXPECT_FALSE(lock.IsLocked());
}

}  // namespace
}  // namespace corvatine::platform
