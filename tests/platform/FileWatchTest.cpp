// The file change watcher: folders shared by watches, changes reported with
// their path, the program's own writes and unrelated renames not reported,
// and the worker that runs only while something is watched.
#include "platform/FileWatch.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "support/TestSupport.h"

namespace corvatine::platform {
namespace {

class Receiver : public CFileChangeTarget {
public:
    void OnFileChanged(const std::string& path) override { paths.push_back(path); }
    std::vector<std::string> paths;
};

class FileWatchTest : public ::testing::Test {
protected:
    // Writes a file with a last-write time of its own, so that every write
    // moves the time whatever the file system's resolution.
    void Touch(const std::string& name, const std::string& bytes) {
        const std::string path = dir.WriteFile(name, bytes);
        ASSERT_TRUE(test::SetFileTimes(path, ++m_clock));
    }
    // The paths of the events that arrive within the wait, each once: a
    // write and the setting of its time may come as two changes.
    std::vector<std::string> Arrived(int milliseconds = 400) {
        MESSAGE message;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (std::chrono::steady_clock::now() < end)
            if (queue.Get(message, std::chrono::milliseconds(20))) message.Deliver();
        std::vector<std::string> out;
        out.swap(document.paths);
        std::sort(out.begin(), out.end());
        out.erase(std::unique(out.begin(), out.end()), out.end());
        return out;
    }

    test::TempDir dir;
    CMessageQueue queue;
    CFileWatch watch{queue};
    Receiver document;
    time_t m_clock = 1700000000;
};

TEST_F(FileWatchTest, DocumentsInOneFolderShareOneWatch) {
    Touch("a.txt", "a");
    Touch("b.txt", "b");
    EXPECT_FALSE(watch.IsRunning());
    const uint32_t a = watch.AddWatch(dir / "a.txt", nullptr, &document);
    const uint32_t b = watch.AddWatch(dir / "b.txt", nullptr, &document);
    ASSERT_NE(a, 0u);
    EXPECT_EQ(b, a + 1);
    EXPECT_EQ(watch.FolderCount(), 1u);
    EXPECT_TRUE(watch.IsRunning());
    watch.SetTag(a, 7);
    watch.SetTag(999, 1);  // unknown: ignored
    watch.RemoveWatch(999);

    // Closing one keeps the folder watched for the other.
    watch.RemoveWatch(a);
    EXPECT_EQ(watch.FolderCount(), 1u);
    Touch("b.txt", "changed");
    EXPECT_EQ(Arrived(), (std::vector<std::string>{dir / "b.txt"}));

    // Removing the last watch stops the worker; a new watch starts another.
    watch.RemoveWatch(b);
    EXPECT_EQ(watch.FolderCount(), 0u);
    EXPECT_FALSE(watch.IsRunning());
    const uint32_t c = watch.AddWatch(dir / "a.txt", nullptr, &document);
    EXPECT_GT(c, b);  // identifiers are never reused
    EXPECT_TRUE(watch.IsRunning());
    Touch("a.txt", "again");
    EXPECT_EQ(Arrived(), (std::vector<std::string>{dir / "a.txt"}));
    watch.RemoveWatch(c);
}

TEST_F(FileWatchTest, OwnWritesAndUnrelatedChangesRaiseNothing) {
    Touch("watched.txt", "w");
    Touch("other.txt", "o");
    uint32_t id = watch.AddWatch(dir / "watched.txt", nullptr, &document);
    ASSERT_NE(id, 0u);

    // The program's own save: the watch is suspended around it.
    watch.RemoveWatch(id);
    Touch("watched.txt", "saved by us");
    id = watch.AddWatch(dir / "watched.txt", nullptr, &document);
    EXPECT_TRUE(Arrived().empty());

    // Another file renamed, created or changed: the watched file's time stays.
    ASSERT_EQ(std::rename((dir / "other.txt").c_str(), (dir / "moved.txt").c_str()), 0);
    Touch("new.txt", "n");
    EXPECT_TRUE(Arrived().empty());

    // An editor that saves by renaming a new file into place is noticed.
    Touch("watched.txt.tmp", "from an editor");
    ASSERT_EQ(std::rename((dir / "watched.txt.tmp").c_str(), (dir / "watched.txt").c_str()), 0);
    EXPECT_EQ(Arrived(), (std::vector<std::string>{dir / "watched.txt"}));
    watch.RemoveWatch(id);
}

TEST_F(FileWatchTest, FoldersReportEveryChangeAndMissingPathsAreRefused) {
    dir.MakeFolder("sub");
    EXPECT_EQ(watch.AddWatch(dir / "missing.txt", nullptr, &document), 0u);
    EXPECT_FALSE(watch.IsRunning());
    const uint32_t id = watch.AddWatch(dir / "sub", &document, nullptr);
    ASSERT_NE(id, 0u);
    dir.MakeFolder("elsewhere");  // a change in the folder that holds "sub"
    const std::vector<std::string> arrived = Arrived();
    ASSERT_FALSE(arrived.empty());
    EXPECT_EQ(arrived[0], dir / "sub");
    watch.RemoveWatch(id);

    // A watched file that disappears is skipped and stays registered.
    Touch("gone.txt", "g");
    const uint32_t gone = watch.AddWatch(dir / "gone.txt", nullptr, &document);
    ASSERT_EQ(::unlink((dir / "gone.txt").c_str()), 0);
    EXPECT_TRUE(Arrived().empty());
    EXPECT_EQ(watch.WatchCount(), 1u);
    watch.RemoveWatch(gone);
}

}  // namespace
}  // namespace corvatine::platform
