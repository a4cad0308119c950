// A file cut short by another program while it is mapped: a read of the lost
// pages ends the program with the file's name when the view is registered,
// and keeps the default action (a crash) when it is not.
#include "platform/MappedViews.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <fcntl.h>

#include "support/TestSupport.h"

namespace corvatine::platform {
namespace {

// Maps three pages of a new file, cuts the file to nothing and reads the
// last page.
void ReadPastACutFile(const std::string& path, bool registered) {
    const auto page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    const int fd = ::open(path.c_str(), O_RDONLY);
    void* view = ::mmap(nullptr, 3 * page, PROT_READ, MAP_PRIVATE, fd, 0);
    if (fd < 0 || view == MAP_FAILED) ::_exit(3);
    ::close(fd);
    const CMappedViewRecord record(view, registered ? 3 * page : 0, path);
    if (registered != record.IsRegistered()) ::_exit(4);
    if (::truncate(path.c_str(), 0) != 0) ::_exit(5);
    const volatile char byte = static_cast<const char*>(view)[2 * page];
    (void)byte;
    ::_exit(0);
}

TEST(MappedViewsDeathTest, AFaultInARegisteredViewNamesTheFile) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    test::TempDir dir;
    const auto page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    const std::string path = dir.WriteFile("cut short.txt", std::string(3 * page, 'x'));
    EXPECT_EXIT(
        {
            ReportFaultsInMappedViews();
            ReadPastACutFile(path, true);
        },
        ::testing::ExitedWithCode(2),
        "corvatine: .*/cut short.txt: the file was cut short by another program while it was being read");
}

TEST(MappedViewsDeathTest, AFaultElsewhereKeepsItsDefaultAction) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    test::TempDir dir;
    const auto page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    const std::string path = dir.WriteFile("other.txt", std::string(3 * page, 'x'));
    EXPECT_EXIT(
        {
            ReportFaultsInMappedViews();
            ReadPastACutFile(path, false);
        },
        ::testing::KilledBySignal(SIGBUS), "");
}

TEST(MappedViewsTest, ARecordIsGivenBackWhenItGoes) {
    // More records than the table holds, one after another: each finds room.
    static char bytes[16];
    for (int i = 0; i < 1000; ++i) {
        const CMappedViewRecord record(bytes, sizeof bytes, "f");
        ASSERT_TRUE(record.IsRegistered()) << i;
    }
    EXPECT_FALSE(CMappedViewRecord(nullptr, 1, "f").IsRegistered());
    EXPECT_FALSE(CMappedViewRecord(bytes, 0, "f").IsRegistered());
}

}  // namespace
}  // namespace corvatine::platform
