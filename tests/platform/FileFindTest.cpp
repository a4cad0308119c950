// Entries as the folder comparison reads them: attributes, sizes and times
// from the file system, and the enumeration of a folder.
#include "platform/FileFind.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <clocale>

#include "platform/File.h"
#include "platform/FileAttributes.h"
#include "platform/Locale.h"
#include "support/DeepTree.h"
#include "support/PermissionsBind.h"
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

// Paths longer than PATH_MAX are reached piece by piece: listing, looking
// up, opening and reading work at any depth.
TEST(FileFindTest, ReachesEntriesBeyondThePathLimit) {
    test::TempDir dir;
    const std::string name(200, 'd');
    const std::string deep = test::MakeDeepTree(dir / "top", 50, name, {{"leaf.txt", "leaf"}});
    ASSERT_GT(deep.size(), 2u * PATH_MAX);

    CFileFindEx find;
    ASSERT_TRUE(find.FindFile(deep)) << find.Error();
    std::vector<std::string> names;
    while (find.FindNextFile()) {
        if (find.IsDots()) continue;
        names.push_back(find.GetFileName());
        EXPECT_EQ(find.Data().Size(), 4u);  // looked up below the open folder
    }
    EXPECT_EQ(find.Error(), 0);
    EXPECT_EQ(names, std::vector<std::string>{"leaf.txt"});
    ASSERT_TRUE(find.FindFile(deep + "/"));  // a separator at the end names the same folder

    FINDDATA data;
    ASSERT_TRUE(FindEntry(deep + "/leaf.txt", data));
    EXPECT_EQ(data.name, "leaf.txt");
    EXPECT_EQ(data.Size(), 4u);
    ASSERT_TRUE(FindEntry(deep, data));
    EXPECT_EQ(data.attributes, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(GetFileType(deep), FileType::Folder);
    EXPECT_EQ(GetFileType(deep + "/leaf.txt"), FileType::Regular);

    InputFile file;
    ASSERT_TRUE(file.Open(deep + "/leaf.txt")) << file.LastError();
    char bytes[8];
    EXPECT_EQ(file.Read(bytes, sizeof bytes), 4);
    EXPECT_EQ(std::string(bytes, 4), "leaf");
    ASSERT_TRUE(file.OpenRegular(deep + "/leaf.txt"));
    EXPECT_FALSE(file.OpenRegular(deep));
    EXPECT_EQ(file.LastError(), EINVAL);

    // What is missing on the way, or at the end, is told as missing; a name
    // longer than any file system allows as too long.
    int error = 0;
    EXPECT_EQ(GetFileType(deep + "/missing", &error), FileType::Missing);
    EXPECT_EQ(error, ENOENT);
    const std::string astray = dir / "nowhere" + deep.substr(dir.Path().size() + 4);
    EXPECT_FALSE(FindEntry(astray, data, &error));
    EXPECT_EQ(error, ENOENT);
    EXPECT_FALSE(find.FindFile(astray));
    EXPECT_EQ(find.Error(), ENOENT);
    EXPECT_EQ(GetFileType("/" + std::string(PATH_MAX + 10, 'x'), &error), FileType::Missing);
    EXPECT_EQ(error, ENAMETOOLONG);
    EXPECT_EQ(GetFileType(deep + "/" + std::string(PATH_MAX + 10, 'x'), &error), FileType::Missing);
    EXPECT_EQ(error, ENAMETOOLONG);
}

TEST(FileFindTest, TellsWhyAFolderCannotBeRead) {
    test::TempDir dir;
    CFileFindEx find;
    EXPECT_FALSE(find.FindFile(dir / "missing"));
    EXPECT_EQ(find.Error(), ENOENT);
    EXPECT_FALSE(find.FindFile(dir.WriteFile("file", "")));
    EXPECT_EQ(find.Error(), ENOTDIR);
    ASSERT_TRUE(find.FindFile(dir.Path()));
    EXPECT_EQ(find.Error(), 0);

    // A folder that may not be read, and one whose names may be read but
    // whose entries may not be looked at.
    const std::string locked = dir.MakeFolder("locked");
    const std::string listed = dir.MakeFolder("listed");
    dir.WriteFile("listed/entry", "");
    struct RestoreModes {
        std::vector<std::string> paths;
        ~RestoreModes() {
            for (const std::string& path : paths) ::chmod(path.c_str(), 0755);
        }
    } restore{{locked, listed}};
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    ASSERT_EQ(::chmod(listed.c_str(), 0444), 0);
    test::PermissionsBind bind;
    if (!bind.Active()) GTEST_SKIP() << "permissions cannot be made to bind";
    EXPECT_FALSE(find.FindFile(locked));
    EXPECT_EQ(find.Error(), EACCES);

    ASSERT_TRUE(find.FindFile(listed));
    std::vector<std::string> names;
    while (find.FindNextFile()) names.push_back(find.GetFileName());
    EXPECT_EQ(find.Error(), EACCES);  // the enumeration ends with the reason, never as if complete
    EXPECT_EQ(std::count(names.begin(), names.end(), "entry"), 0);
    FINDDATA data;
    int error = 0;
    EXPECT_FALSE(FindEntry(listed + "/entry", data, &error));
    EXPECT_EQ(error, EACCES);
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
