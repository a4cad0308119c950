// Two buffers compared position by position: the whole-file test, byte
// status, difference lists (against cmp -l), the worker and the component.
#include "binarycompare/BinaryCompareContext.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <thread>

#include "binarycompare/BinaryCompareThread.h"
#include "binarycompare/BinaryComparer.h"
#include "support/ScratchProfile.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

class BinaryCompareTest : public ::testing::Test {
protected:
    void Load(const std::string& leftBytes, const std::string& rightBytes) {
        ASSERT_TRUE(left.Open(dir.WriteFile("left.bin", leftBytes)));
        ASSERT_TRUE(right.Open(dir.WriteFile("right.bin", rightBytes)));
        context.SetSides(&left, &right);
    }
    std::vector<BINARYDIFFERENCE> List(int64_t from = -1, int64_t to = -1) {
        std::vector<BINARYDIFFERENCE> list;
        const int count = context.BuildDifferenceList(list, from, to);
        EXPECT_EQ(count, static_cast<int>(list.size()));
        return list;
    }
    int Quick() {
        context.QuickCompare(nullptr);
        return context.GetState();
    }

    test::TempDir dir;
    platform::CSilentMessages messages;
    CBinaryCompareSide left{messages};
    CBinaryCompareSide right{messages};
    CBinaryCompareContext context;
};

TEST_F(BinaryCompareTest, EmptyFilesAreIdentical) {
    Load("", "");
    EXPECT_EQ(Quick(), BINARY_IDENTICAL);
    EXPECT_TRUE(List().empty());
    EXPECT_EQ(context.CompareContents(nullptr), BINARY_IDENTICAL);
}

TEST_F(BinaryCompareTest, DifferentSizesEndInATailRange) {
    Load("abcdef", "abc");
    EXPECT_EQ(Quick(), BINARY_DIFFERENT);
    EXPECT_EQ(List(), (std::vector<BINARYDIFFERENCE>{{3, 6, BYTE_LEFT_ONLY}}));
    EXPECT_EQ(context.GetByteStatus(2), BYTE_EQUAL);
    EXPECT_EQ(context.GetByteStatus(3), BYTE_LEFT_ONLY);
    EXPECT_EQ(context.CompareContents(nullptr), BINARY_DIFFERENT);
    Load("ab", "abXY");
    EXPECT_EQ(List(), (std::vector<BINARYDIFFERENCE>{{2, 4, BYTE_RIGHT_ONLY}}));
    EXPECT_EQ(context.GetByteStatus(9), BYTE_RIGHT_ONLY);
}

TEST_F(BinaryCompareTest, AnInsertedByteShiftsEverythingAfterIt) {
    Load("ABCDEFGH", "xABCDEFGH");
    EXPECT_EQ(Quick(), BINARY_DIFFERENT);
    EXPECT_EQ(List(), (std::vector<BINARYDIFFERENCE>{{0, 8, BYTE_DIFFERENT}, {8, 9, BYTE_RIGHT_ONLY}}));
    // Shifted bytes that happen to be equal break the kind 2 range.
    Load("aab", "aaab");
    EXPECT_EQ(List(), (std::vector<BINARYDIFFERENCE>{{2, 3, BYTE_DIFFERENT}, {3, 4, BYTE_RIGHT_ONLY}}));
}

TEST_F(BinaryCompareTest, AdjacentRangesAndTheUpperBound) {
    Load("aXXYYb", "aZZ");
    EXPECT_EQ(List(), (std::vector<BINARYDIFFERENCE>{{1, 3, BYTE_DIFFERENT}, {3, 6, BYTE_LEFT_ONLY}}));
    // "to" below the larger size closes the open range there.
    EXPECT_EQ(List(-1, 2), (std::vector<BINARYDIFFERENCE>{{1, 2, BYTE_DIFFERENT}}));
    EXPECT_EQ(List(-1, 5), (std::vector<BINARYDIFFERENCE>{{1, 3, BYTE_DIFFERENT}, {3, 5, BYTE_LEFT_ONLY}}));
    EXPECT_EQ(List(2, -1), (std::vector<BINARYDIFFERENCE>{{2, 3, BYTE_DIFFERENT}, {3, 6, BYTE_LEFT_ONLY}}));
    EXPECT_TRUE(List(0, 1).empty());
}

TEST_F(BinaryCompareTest, UnsavedEditsAreCompared) {
    Load("abc", "abd");
    EXPECT_EQ(Quick(), BINARY_DIFFERENT);
    const uint8_t c = 'c';
    ASSERT_TRUE(right.Edit(HEX_REPLACE, 2, 1, &c, 0, nullptr));
    EXPECT_EQ(Quick(), BINARY_IDENTICAL);
    EXPECT_TRUE(List().empty());
    // A side that cannot be reopened is an error.
    ASSERT_EQ(::unlink((dir / "left.bin").c_str()), 0);
    EXPECT_EQ(Quick(), BINARY_ERROR);
    context.SetSides(&left, nullptr);
    EXPECT_EQ(Quick(), BINARY_DIFFERENT);
}

// Generated pairs against cmp -l: its positions (from 1) of differing bytes
// within the common length, and the tail cmp reports as EOF.
TEST_F(BinaryCompareTest, DifferenceListsAgreeWithCmp) {
    std::mt19937 random(31);
    for (int round = 0; round < 20; ++round) {
        std::string a(static_cast<size_t>(random() % 70000), '\0');
        for (char& ch : a) ch = static_cast<char>('a' + random() % 3);
        std::string b = a;
        for (int n = static_cast<int>(random() % 40); n > 0 && !b.empty(); --n)
            b[random() % b.size()] = static_cast<char>('a' + random() % 4);
        if (random() % 2) b.resize(static_cast<size_t>(random() % (a.size() + 100)), 'z');
        Load(a, b);
        const test::ProgramResult cmp =
            test::RunProgram("/usr/bin/cmp", {"-l", dir / "left.bin", dir / "right.bin"});
        ASSERT_TRUE(cmp.exitStatus == 0 || cmp.exitStatus == 1) << cmp.err;
        std::vector<BINARYDIFFERENCE> expected;
        std::istringstream lines(cmp.out);
        for (long long position, x, y; lines >> position >> x >> y;) {
            const int64_t at = position - 1;
            if (!expected.empty() && expected.back().end == at)
                expected.back().end = at + 1;
            else
                expected.push_back({at, at + 1, BYTE_DIFFERENT});
        }
        if (a.size() != b.size())
            expected.push_back({static_cast<int64_t>(std::min(a.size(), b.size())),
                                static_cast<int64_t>(std::max(a.size(), b.size())),
                                a.size() > b.size() ? BYTE_LEFT_ONLY : BYTE_RIGHT_ONLY});
        ASSERT_EQ(List(), expected) << "round " << round;
        EXPECT_EQ(Quick(), expected.empty() ? BINARY_IDENTICAL : BINARY_DIFFERENT);
    }
}

class Window : public platform::CMessageTarget {
public:
    void OnMessage(unsigned message, uint64_t, int64_t) override {
        if (message == kBinaryCompareDoneMessage) ++done;
    }
    int done = 0;
};

// A context whose passes run until they are cancelled or released, and that
// counts them and how many ever ran at once.
class CountingContext : public CBinaryCompareContext {
public:
    int QuickCompare(const std::atomic<int>* cancel) override {
        const int now = ++running;
        maxRunning = std::max(maxRunning.load(), now);
        ++passes;
        while (cancel->load() == 0 && !release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (cancel->load() != 0 && !release) ++cancelled;
        --running;
        SetState(BINARY_IDENTICAL);
        return 1;
    }
    std::atomic<int> running{0}, maxRunning{0}, passes{0}, cancelled{0};
    std::atomic<bool> release{false};
};

int PumpFor(platform::CMessageQueue& queue, std::chrono::milliseconds wait) {
    int posted = 0;
    platform::MESSAGE message;
    while (queue.Get(message, wait)) {
        message.target->OnMessage(message.message, message.wParam, message.lParam);
        ++posted;
    }
    return posted;
}

TEST(BinaryCompareThreadTest, CancelAndRestartRunOnePassAtATime) {
    platform::CMessageQueue queue;
    Window window;
    CountingContext context;
    {
        CBinaryCompareThread thread(context, queue);
        ASSERT_EQ(thread.Start(&window), 1);
        while (context.passes == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        // The running pass is cancelled before the next one starts.
        ASSERT_EQ(thread.Start(&window), 1);
        while (context.passes < 2) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        context.release = true;
        ASSERT_EQ(thread.Stop(), 1);
        EXPECT_EQ(PumpFor(queue, std::chrono::milliseconds(100)), 2);
        EXPECT_EQ(window.done, 2);  // one completion message per pass
        EXPECT_EQ(context.passes, 2);
        EXPECT_EQ(context.cancelled, 1);
        EXPECT_EQ(context.maxRunning, 1);
    }
    EXPECT_EQ(PumpFor(queue, std::chrono::milliseconds(20)), 0);  // nothing after destruction
}

TEST(BinaryCompareThreadTest, AStopRightAfterStartWaitsForThatPass) {
    platform::CMessageQueue queue;
    Window window;
    CountingContext context;
    CBinaryCompareThread thread(context, queue);
    for (int round = 1; round <= 50; ++round) {
        ASSERT_EQ(thread.Start(&window), 1);
        ASSERT_EQ(thread.Stop(), 1);
        // Once Stop returns the pass has run (cancelled) and posted, and no
        // other is under way: the document may now reopen its buffers.
        EXPECT_EQ(context.passes, round);
        EXPECT_EQ(context.running, 0);
        EXPECT_EQ(PumpFor(queue, std::chrono::milliseconds(0)), 1);
    }
    EXPECT_EQ(context.maxRunning, 1);
}

TEST_F(BinaryCompareTest, TheWorkerComparesTheWholeFiles) {
    std::string big(3 << 20, 'x');
    Load(big, big);
    platform::CMessageQueue queue;
    Window window;
    CBinaryCompareThread thread(context, queue);
    context.SetState(BINARY_COMPARING);
    ASSERT_EQ(thread.Start(&window), 1);
    platform::MESSAGE message;
    ASSERT_TRUE(queue.Get(message, std::chrono::seconds(30)));
    EXPECT_EQ(message.message, 1074u);
    EXPECT_EQ(message.target, &window);
    ASSERT_EQ(thread.Stop(), 1);
    EXPECT_EQ(context.GetState(), BINARY_IDENTICAL);
    EXPECT_FALSE(queue.Get(message, std::chrono::milliseconds(50)));
}

TEST(BinaryComparerTest, OptionAndRecentLists) {
    test::ScratchProfile store;
    CBinaryComparer comparer;
    store.profile.WriteInt(kBinaryCompareSettingsKey, "AutoRecompare", 0);
    EXPECT_EQ(comparer.Load(store.profile, 0, 3), 1);
    EXPECT_EQ(comparer.autoRecompare, 0);
    EXPECT_EQ(comparer.RecentFiles(0), nullptr);  // a size of 0 makes no list
    ASSERT_NE(comparer.RecentPairs(), nullptr);

    comparer.Load(store.profile, 5, 3);
    const std::string file = store.dir.WriteFile("a.bin", "x");
    comparer.AddRecentFile(0, file);
    comparer.AddRecentFile(1, store.dir / "missing.bin");  // only files that exist
    comparer.AddRecentPair("/l", "/r");
    std::string l, r;
    ASSERT_TRUE(comparer.GetRecentPair(0, l, r));
    EXPECT_EQ(l + r, "/l/r");
    EXPECT_FALSE(comparer.GetRecentPair(1, l, r));
    EXPECT_EQ(comparer.RecentFiles(1)->Count(), 0);
    EXPECT_EQ(comparer.RecentFiles(0)->DisplayLength(), 30);
    comparer.autoRecompare = 1;
    comparer.SaveRecentLists(store.profile);
    comparer.Save(store.profile);
    EXPECT_EQ(store.profile.GetString("Comparisons\\FileComparison\\BinaryComparison\\Recent\\Files\\1",
                                      "File1", ""),
              file);
    EXPECT_EQ(store.profile.GetString("Comparisons\\FileComparison\\BinaryComparison\\Recent\\Pairs",
                                      "Pair1.1", ""),
              "/l");
    EXPECT_EQ(store.profile.GetInt(kBinaryCompareSettingsKey, "AutoRecompare", 9), 1);
}

}  // namespace
}  // namespace corvatine
