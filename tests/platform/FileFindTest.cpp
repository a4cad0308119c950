// Entries as the folder comparison reads them: attributes, sizes and times
// from the file system, and the enumeration of a folder.
#include "platform/FileFind.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>

#include "platform/FileAttributes.h"
#include "platform/Locale.h"
#include "support/TestSupport.h"

namespace corvatine::platform {
namespace {

TEST(FileTimeTest, CountsHundredsOfNanosecondsFrom1601) {
    EXPECT_EQ(FileTimeFromUnix(0, 0), 116444736000000000ull);
    EXPECT_EQ(FileTimeFromUnix(1, 999999999), 116444736000000000ull + 19999999);
    EXPECT_EQ(FileTimeToUnixSeconds(FileTimeFromUnix(1700000000, 999999999)), 1700000000);
    EXPECT_EQ(FileTimeFromUnix(-kFileTimeEpochSeconds - 1, 0), 0u);  // before 1601
}

TEST(FindEntryTest, MapsModesOntoAttributes) {
    test::TempDir dir;
    const std::string file = dir.WriteFile("file.txt", "12345");
    ASSERT_TRUE(test::SetFileTimes(file, 1700000000, 123456789));
    FINDDATA data;
    ASSERT_TRUE(FindEntry(file, data));
    EXPECT_EQ(data.name, "file.txt");
    EXPECT_EQ(data.attributes, 0u);
    EXPECT_EQ(data.Size(), 5u);
    EXPECT_EQ(data.lastWriteTime, FileTimeFromUnix(1700000000, 123456700));
    EXPECT_EQ(data.lastAccessTime, data.lastWriteTime);
    EXPECT_NE(data.creationTime, 0u);

    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    ASSERT_TRUE(FindEntry(file, data));
    EXPECT_EQ(data.attributes, FILE_ATTRIBUTE_READONLY);

    ASSERT_TRUE(FindEntry(dir.WriteFile(".hidden", ""), data));
    EXPECT_EQ(data.attributes, FILE_ATTRIBUTE_HIDDEN);

    ASSERT_TRUE(FindEntry(dir.MakeFolder("sub"), data));
    EXPECT_EQ(data.attributes, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(data.Size(), 0u);

    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
    ASSERT_TRUE(FindEntry(dir / "fifo", data));
    EXPECT_EQ(data.attributes, FILE_ATTRIBUTE_SYSTEM);

    int error = 0;
    EXPECT_FALSE(FindEntry(dir / "missing", data, &error));
    EXPECT_EQ(error, ENOENT);
}

TEST(FindEntryTest, LinksShowTheirTargetAndTheLinkBit) {
    test::TempDir dir;
    const std::string file = dir.WriteFile("target", "abc");
    ASSERT_EQ(::symlink("target", (dir / "to-file").c_str()), 0);
    ASSERT_EQ(::symlink(dir.MakeFolder("folder").c_str(), (dir / "to-folder").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", (dir / "dangling").c_str()), 0);

    FINDDATA data, target;
    ASSERT_TRUE(FindEntry(file, target));
    ASSERT_TRUE(FindEntry(dir / "to-file", data));
    EXPECT_EQ(data.attributes, FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_EQ(data.Size(), 3u);
    EXPECT_EQ(data.inode, target.inode);
    EXPECT_EQ(data.lastWriteTime, target.lastWriteTime);

    ASSERT_TRUE(FindEntry(dir / "to-folder", data));
    EXPECT_EQ(data.attributes, FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY);

    ASSERT_TRUE(FindEntry(dir / "dangling", data));
    EXPECT_EQ(data.attributes, FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_EQ(data.Size(), 7u);  // the link itself: its target's name
}

TEST(FileFindTest, EnumeratesEveryEntryWithItsData) {
    test::TempDir dir;
    dir.WriteFile("a.txt", "a");
    dir.WriteFile("Makefile", "all:");
    dir.WriteFile(".dot", "");
    dir.MakeFolder("sub");

    auto names = [&](std::string_view pattern) {
        CFileFindEx find;
        std::vector<std::string> found;
        EXPECT_TRUE(find.FindFile(dir.Path(), pattern));
        while (find.FindNextFile()) {
            found.push_back(find.GetFileName());
            EXPECT_EQ(find.GetFilePath(), dir / find.GetFileName());
            EXPECT_EQ(find.IsDirectory(), find.IsDots() || find.GetFileName() == "sub");
        }
        std::sort(found.begin(), found.end());
        return found;
    };
    EXPECT_EQ(names("*"), (std::vector<std::string>{".", "..", ".dot", "Makefile", "a.txt", "sub"}));
    // "*.*" stands for every name, as it does where comparison files come from.
    EXPECT_EQ(names("*.*"), names("*"));
    EXPECT_EQ(names("*.TXT"), (std::vector<std::string>{"a.txt"}));

    CFileFindEx find;
    EXPECT_FALSE(find.FindFile(dir / "missing"));
    EXPECT_FALSE(find.FindNextFile());
    EXPECT_EQ(CFileFindEx::SearchPath("/", "*"), "/*");
    EXPECT_EQ(CFileFindEx::SearchPath("/home", "*"), "/home/*");
}

TEST(LocaleTest, GroupsDigitsAndNamesLanguages) {
    // The tests run in C.UTF-8, which has no grouping: groups of three and ",".
    EXPECT_EQ(FormatGroupedNumber(0), "0");
    EXPECT_EQ(FormatGroupedNumber(999), "999");
    EXPECT_EQ(FormatGroupedNumber(1000), "1,000");
    EXPECT_EQ(FormatGroupedNumber(1234567), "1,234,567");
    EXPECT_EQ(FormatGroupedNumber(18446744073709551615ull), "18,446,744,073,709,551,615");

    EXPECT_EQ(LanguageFromLocaleName("en_US.UTF-8"), 0x0409);
    EXPECT_EQ(LanguageFromLocaleName("en_GB.UTF-8"), 0x0809);
    EXPECT_EQ(LanguageFromLocaleName("de_DE@euro"), 0x0407);
    EXPECT_EQ(LanguageFromLocaleName("pt_BR"), 0x0416);
    EXPECT_EQ(LanguageFromLocaleName("xx_YY"), 0);
    test::ScopedEnv lang("LANG", "fr_FR.UTF-8");
    EXPECT_EQ(UserDefaultLanguage(), 0x040C);  // LC_MESSAGES is "C" in the tests: LANG decides
    test::ScopedEnv none("LANG", "C");
    EXPECT_EQ(UserDefaultLanguage(), 0x0409);
}

}  // namespace
}  // namespace corvatine::platform
