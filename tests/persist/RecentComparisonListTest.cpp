#include "persist/RecentComparisonList.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "request/CompareMethods.h"

#include <cerrno>

#include "platform/Path.h"
#include "platform/SysCalls.h"
#include "support/TestSupport.h"
#include "textcompare/TextCompareOptions.h"

namespace corvatine {
namespace {

class RecentComparisonListTest : public ::testing::Test {
protected:
    std::string File(const std::string& name) { return dir.WriteFile(name, name + "\n"); }

    CTextCompareParams TextRequest(const std::string& left, const std::string& right, uint32_t rules = 0) {
        CTextCompareParams request;
        request.sides[0].path = left;
        request.sides[1].path = right;
        request.rules = rules;
        return request;
    }

    CRecentComparisonList List(int maximum) {
        CRecentComparisonList list(dir / "MRU.cmp", maximum, options);
        list.clock = [this] { return now++; };
        return list;
    }

    test::TempDir dir;
    CGeneralOptions options;
    std::time_t now = 1700000000;
};

TEST_F(RecentComparisonListTest, ARepeatedComparisonMovesToTheFrontWithTheCurrentTime) {
    const std::string a = File("a"), b = File("b"), c = File("c");
    CRecentComparisonList list = List(10);
    list.Add(TextRequest(a, b));
    list.Add(TextRequest(b, c));
    list.Add(TextRequest(a, b));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0].sides[0].path, a);
    EXPECT_EQ(list[0].lastComparedTime, 1700000002);
    EXPECT_EQ(list[1].sides[0].path, b);
    EXPECT_EQ(list[1].lastComparedTime, 1700000001);
    EXPECT_TRUE(list.IsModified());
}

TEST_F(RecentComparisonListTest, TheListKeepsAtMostTheMaximumInItsFile) {
    std::vector<std::string> files;
    for (int i = 0; i < 6; ++i) files.push_back(File("f" + std::to_string(i)));
    CRecentComparisonList list = List(3);
    for (int i = 0; i + 1 < 6; ++i) list.Add(TextRequest(files[i], files[i + 1]));
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list[0].sides[0].path, files[4]);
    EXPECT_EQ(list[2].sides[0].path, files[2]);
    std::string error;
    ASSERT_TRUE(list.Save(error)) << error;

    CRecentComparisonList reread(dir / "MRU.cmp", 2, options);
    ASSERT_TRUE(reread.Load(error)) << error;
    ASSERT_EQ(reread.Count(), 2);  // a smaller maximum reads fewer
    EXPECT_TRUE(reread[0].Equals(list[0]));
    EXPECT_EQ(reread[0].lastComparedTime, list[0].lastComparedTime);
    EXPECT_TRUE(reread[1].Equals(list[1]));
    EXPECT_FALSE(reread.IsModified());
}

TEST_F(RecentComparisonListTest, AListThatWouldBeWrittenAsItStandsLeavesTheFileAlone) {
    const std::string a = File("a"), b = File("b");
    const std::string path = dir / "MRU.cmp";
    auto inode = [&] {
        struct stat st {};
        EXPECT_EQ(::stat(path.c_str(), &st), 0);
        return st.st_ino;
    };
    std::string error;
    {
        CRecentComparisonList list = List(10);
        list.clock = [] { return std::time_t{1700000000}; };
        list.Add(TextRequest(a, b));
        ASSERT_TRUE(list.Save(error)) << error;
    }
    const ino_t written = inode();
    const std::string text = test::ReadFile(path);

    // The same pair again within the same second: same text, same file.
    CRecentComparisonList same(path, 10, options);
    same.clock = [] { return std::time_t{1700000000}; };
    ASSERT_TRUE(same.Load(error)) << error;
    same.Add(TextRequest(a, b));
    ASSERT_TRUE(same.Save(error)) << error;
    EXPECT_EQ(inode(), written);
    EXPECT_EQ(test::ReadFile(path), text);

    // A second later the time changes, and the file is replaced.
    same.clock = [] { return std::time_t{1700000001}; };
    same.Add(TextRequest(a, b));
    ASSERT_TRUE(same.Save(error)) << error;
    EXPECT_NE(inode(), written);
    EXPECT_NE(test::ReadFile(path), text);

    // Removed by someone else meanwhile: written again though the list is as it was.
    CRecentComparisonList again(path, 10, options);
    again.clock = [] { return std::time_t{1700000001}; };
    ASSERT_TRUE(again.Load(error)) << error;
    const std::string current = test::ReadFile(path);
    ASSERT_EQ(::unlink(path.c_str()), 0);
    again.Add(TextRequest(a, b));
    ASSERT_TRUE(again.Save(error)) << error;
    EXPECT_EQ(test::ReadFile(path), current);
}

TEST_F(RecentComparisonListTest, WhatMatchesAnEntry) {
    const std::string a = File("a"), b = File("b");
    CRecentComparisonList list = List(10);
    list.Add(TextRequest(a, b));
    list.Add(TextRequest(b, a));  // swapped: another pair
    // The same pair again with other rules and read-only: still one entry,
    // with the last comparison's settings.
    list.Add(TextRequest(a, b, RULE_IGNORE_CASE));
    CTextCompareParams readOnly = TextRequest(a, b, RULE_IGNORE_CASE);
    readOnly.sides[1].flags = SIDE_READ_ONLY;
    list.Add(readOnly);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0].sides[1].flags, SIDE_READ_ONLY);
    EXPECT_EQ(dynamic_cast<const CTextCompareParams&>(list[0]).rules, RULE_IGNORE_CASE);
    CBinaryCompareParams binary;
    binary.sides[0].path = a;
    binary.sides[1].path = b;
    list.Add(binary);  // another kind: another entry
    EXPECT_EQ(list.Count(), 3);

    // A list file written with the pair twice is read as one entry.
    std::string error;
    CompareParamsList twice;
    twice.push_back(TextRequest(a, b).Clone());
    twice.push_back(readOnly.Clone());
    ASSERT_TRUE(CComparisonFile::WriteComparisons(dir / "MRU.cmp", twice, -1, error)) << error;
    CRecentComparisonList reread = List(10);
    ASSERT_TRUE(reread.Load(error)) << error;
    ASSERT_EQ(reread.Count(), 1);
    EXPECT_EQ(reread[0].sides[1].flags, 0u);

    // Folder entries match without their methods, and take the new ones.
    const std::string left = dir.MakeFolder("left"), right = dir.MakeFolder("right");
    CFolderCompareParams folder;
    folder.sides[0].path = left;
    folder.sides[1].path = right;
    folder.methods = METHOD_SIZE;
    list.Add(folder);
    folder.methods = METHOD_CRC;
    list.Add(folder);
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(dynamic_cast<const CFolderCompareParams&>(list[0]).methods, METHOD_CRC);
}

TEST_F(RecentComparisonListTest, NoDuplicatePairsMatchesThePathsInEitherOrder) {
    options.noDuplicatePairs = 1;
    const std::string a = File("a"), b = File("b");
    CRecentComparisonList list = List(10);
    list.Add(TextRequest(a, b));
    list.Add(TextRequest(b, a, RULE_IGNORE_CASE));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0].sides[0].path, b);
    EXPECT_EQ(dynamic_cast<const CTextCompareParams&>(list[0]).rules, RULE_IGNORE_CASE);

    // The same pair compared as binary becomes a binary entry.
    CBinaryCompareParams binary;
    binary.sides[0].path = a;
    binary.sides[1].path = b;
    list.Add(binary);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0].kind, COMPARE_BINARY);
    EXPECT_EQ(list[0].sides[0].path, a);
}

TEST_F(RecentComparisonListTest, OnlyRecordedKindsWithExistingPathsAreAdded) {
    const std::string a = File("a"), b = File("b");
    CRecentComparisonList list = List(10);
    list.Add(TextRequest(a, dir / "missing"));
    list.Add(TextRequest(a, ""));
    options.saveTextComparisons = 0;
    list.Add(TextRequest(a, b));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.IsModified());
    options.saveTextComparisons = 1;
    options.saveBinaryComparisons = 0;
    CBinaryCompareParams binary;
    binary.sides[0].path = a;
    binary.sides[1].path = b;
    list.Add(binary);
    list.Add(TextRequest(a, b));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0].kind, COMPARE_TEXT);

    CRecentComparisonList none = List(0);
    none.Add(TextRequest(a, b));
    EXPECT_EQ(none.Count(), 0);
}

TEST_F(RecentComparisonListTest, EntriesKeepAbsolutePaths) {
    File("a");
    File("b");
    const std::string here = platform::AbsolutePath(".");
    ASSERT_EQ(::chdir(dir.Path().c_str()), 0);
    CRecentComparisonList list = List(10);
    list.Add(TextRequest("a", "./b"));
    ASSERT_EQ(::chdir(here.c_str()), 0);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0].sides[0].path, platform::NormalizePath(dir / "a"));
    EXPECT_EQ(list[0].sides[1].path, platform::NormalizePath(dir / "b"));
}

// The code pages a run asked for are not kept: the entry is what the list's
// file holds, and it matches the same comparison asked for without them.
TEST_F(RecentComparisonListTest, EntriesKeepNoCodePagesOfTheRun) {
    const std::string a = File("a"), b = File("b");
    CRecentComparisonList list = List(10);
    CTextCompareParams request = TextRequest(a, b);
    request.codePages[0] = 28591;
    request.codePages[1] = 1251;
    list.Add(TextRequest(a, b));
    list.Add(request);
    ASSERT_EQ(list.Count(), 1);
    const auto& entry = dynamic_cast<const CTextCompareParams&>(list[0]);
    EXPECT_EQ(entry.codePages[0], CODEPAGE_DETECT);
    EXPECT_EQ(entry.codePages[1], CODEPAGE_DETECT);
}

TEST_F(RecentComparisonListTest, RemoveAndRemoveAll) {
    const std::string a = File("a"), b = File("b"), c = File("c");
    CRecentComparisonList list = List(10);
    list.Add(TextRequest(a, b));
    list.Add(TextRequest(a, c));
    list.Remove(5);
    list.Remove(-1);
    ASSERT_EQ(list.Count(), 2);
    list.Remove(0);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0].sides[1].path, b);
    list.RemoveAll();
    EXPECT_EQ(list.Count(), 0);
}

// Two runs that read the same list and then each saved it: the later one puts
// its comparisons onto what the earlier one wrote.
TEST_F(RecentComparisonListTest, RunsSavingAfterEachOtherKeepEveryComparison) {
    const std::string a = File("a"), b = File("b"), c = File("c"), d = File("d");
    CRecentComparisonList start = List(3);
    start.Add(TextRequest(a, b));
    std::string error;
    ASSERT_TRUE(start.Save(error)) << error;

    CRecentComparisonList first = List(3), second = List(3);
    ASSERT_TRUE(first.Load(error)) << error;
    ASSERT_TRUE(second.Load(error)) << error;
    first.Add(TextRequest(a, c));
    first.Add(TextRequest(a, b));  // again: moves to the front
    second.Add(TextRequest(c, d));
    second.Add(TextRequest(b, d));
    second.Remove(2);  // (a, b), which the first run compares again
    ASSERT_TRUE(second.Save(error)) << error;
    ASSERT_TRUE(first.Save(error)) << error;
    EXPECT_FALSE(first.IsModified());

    // The first run's steps on top of the second's list: (a, b) first, then
    // (a, c), then the second's latest; the maximum holds.
    ASSERT_EQ(first.Count(), 3);
    CRecentComparisonList reread = List(10);
    ASSERT_TRUE(reread.Load(error)) << error;
    ASSERT_EQ(reread.Count(), 3);
    const std::pair<std::string, std::string> expected[] = {{a, b}, {a, c}, {b, d}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(reread[i].sides[0].path, expected[i].first) << i;
        EXPECT_EQ(reread[i].sides[1].path, expected[i].second) << i;
        EXPECT_TRUE(reread[i].Equals(first[i])) << i;
    }
    EXPECT_EQ(reread[0].lastComparedTime, 1700000002);  // stamped by the first run
}

int g_fsyncs = 0;
int CountingFsync(int fd) {
    ++g_fsyncs;
    return platform::RealSysCalls().fsync(fd);
}
ssize_t FullDisk(int, const void*, size_t) { return errno = ENOSPC, -1; }

TEST_F(RecentComparisonListTest, SavingDoesNotWaitForTheDiskAndAFailedSaveKeepsTheOldList) {
    const std::string a = File("a"), b = File("b"), c = File("c");
    CRecentComparisonList first = List(10);
    std::string error;
    ASSERT_TRUE(first.Load(error)) << error;
    first.Add(TextRequest(a, b));
    const platform::SYSCALLS saved = platform::SysCalls();
    platform::SysCalls().fsync = CountingFsync;
    g_fsyncs = 0;
    const bool savedFirst = first.Save(error);
    platform::SysCalls() = saved;
    ASSERT_TRUE(savedFirst) << error;
    EXPECT_EQ(g_fsyncs, 0);
    const std::string before = test::ReadFile(dir / "MRU.cmp");

    // The disk is full: the file stays as it was and the entry stays pending.
    CRecentComparisonList second = List(10);
    ASSERT_TRUE(second.Load(error)) << error;
    second.Add(TextRequest(b, c));
    platform::SysCalls().write = FullDisk;
    const bool savedFull = second.Save(error);
    platform::SysCalls() = saved;
    EXPECT_FALSE(savedFull);
    EXPECT_EQ(error, "cannot write '" + dir / "MRU.cmp" + "': cannot write " + dir / "MRU.cmp" +
                         ": No space left on device");
    EXPECT_EQ(test::ReadFile(dir / "MRU.cmp"), before);
    EXPECT_TRUE(second.IsModified());
    EXPECT_EQ(test::RunProgram("/bin/sh", {"-c", "ls -A \"$0\" | tr '\\n' ' '", dir.Path()}).out,
              "MRU.cmp a b c settings.lock ");

    // With room again the pending entry is written after the first.
    ASSERT_TRUE(second.Save(error)) << error;
    CRecentComparisonList reread = List(10);
    ASSERT_TRUE(reread.Load(error)) << error;
    ASSERT_EQ(reread.Count(), 2);
    EXPECT_EQ(reread[0].sides[0].path, b);
    EXPECT_EQ(reread[1].sides[0].path, a);
}

TEST_F(RecentComparisonListTest, ADamagedFileIsKeptAsideAndAFreshOneWritten) {
    const std::string a = File("a"), b = File("b");
    dir.WriteFile("MRU.cmp", "<Comparisons Version=\"1.0.8\"><Comparison");
    CRecentComparisonList list = List(10);
    std::string error;
    EXPECT_FALSE(list.Load(error));
    EXPECT_NE(error.find("MRU.cmp"), std::string::npos) << error;
    EXPECT_NE(error.find("MRU.cmp.bad"), std::string::npos) << error;
    EXPECT_EQ(test::ReadFile(dir / "MRU.cmp.bad"), "<Comparisons Version=\"1.0.8\"><Comparison");
    list.Add(TextRequest(a, b));
    ASSERT_TRUE(list.Save(error)) << error;
    CRecentComparisonList reread = List(10);
    ASSERT_TRUE(reread.Load(error)) << error;
    EXPECT_EQ(reread.Count(), 1);

    // A file damaged again goes beside the first, which stays as it was.
    dir.WriteFile("MRU.cmp", "second damage");
    CRecentComparisonList again = List(10);
    EXPECT_FALSE(again.Load(error));
    EXPECT_NE(error.find("kept as '" + dir / "MRU.cmp.bad.1'"), std::string::npos) << error;
    EXPECT_EQ(test::ReadFile(dir / "MRU.cmp.bad"), "<Comparisons Version=\"1.0.8\"><Comparison");
    EXPECT_EQ(test::ReadFile(dir / "MRU.cmp.bad.1"), "second damage");

    // A missing file is an empty list.
    CRecentComparisonList fresh(dir / "none.cmp", 10, options);
    EXPECT_TRUE(fresh.Load(error));
    EXPECT_EQ(fresh.Count(), 0);
}

}  // namespace
}  // namespace corvatine
