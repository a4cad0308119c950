// Two buffers compared position by position: the whole-file test, byte
// status, difference lists (against cmp -l), the worker and the component.
#include "binarycompare/BinaryCompareContext.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>
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
    explicit BinaryCompareTest(int64_t listBlock = CBinaryCompareContext::kListBlock)
        : context(CBinaryCompareContext::kQuickChunk, listBlock) {}
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
    for (int round = 0; round < 24; ++round) {
        // The last rounds span several blocks of the list.
        const size_t size = round < 20 ? random() % 70000 : 600000 + random() % 200000;
        std::string a(size, '\0');
        for (char& ch : a) ch = static_cast<char>('a' + random() % 3);
        std::string b = a;
        // Single bytes and runs, some of them across words and blocks.
        for (int n = static_cast<int>(random() % 40); n > 0 && !b.empty(); --n) {
            const size_t at = random() % b.size();
            const size_t run = random() % 3 == 0 ? 1 + random() % 70 : 1;
            for (size_t k = at; k < std::min(b.size(), at + run); ++k)
                b[k] = static_cast<char>('a' + random() % 4);
        }
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

// The difference list exactly as the byte-by-byte definition gives it: each
// offset's status from "from" up to and including the limit, which acts as a
// sentinel.
std::vector<BINARYDIFFERENCE> ByteByByte(const std::string& a, const std::string& b, int64_t from,
                                         int64_t to) {
    const auto sizeA = static_cast<int64_t>(a.size()), sizeB = static_cast<int64_t>(b.size());
    int64_t limit = std::max(sizeA, sizeB);
    if (from == -1) from = 0;
    if (to != -1 && to < limit) limit = to;
    const auto status = [&](int64_t at) {
        if (at >= sizeA) return BYTE_RIGHT_ONLY;
        if (at >= sizeB) return BYTE_LEFT_ONLY;
        return a[static_cast<size_t>(at)] == b[static_cast<size_t>(at)] ? BYTE_EQUAL : BYTE_DIFFERENT;
    };
    std::vector<BINARYDIFFERENCE> list;
    bool open = false;
    int64_t start = 0;
    int kind = BYTE_EQUAL;
    for (int64_t at = from; at <= limit; ++at) {
        const int s = status(at);
        if (s == BYTE_EQUAL) {
            if (open) list.push_back({start, at, kind});
            open = false;
        } else if (!open) {
            open = true;
            start = at;
            kind = s;
        } else if (s != kind) {
            list.push_back({start, at, kind});
            start = at;
            kind = s;
        }
    }
    if (open && start < limit) list.push_back({start, limit, kind});
    return list;
}

// Lists read 64 bytes at a time, so that words and blocks have boundaries
// in small files.
class SmallBlockTest : public BinaryCompareTest {
protected:
    static constexpr int64_t kBlock = 64;
    SmallBlockTest() : BinaryCompareTest(kBlock) {}
    // Buffers without files, their bytes inserted as an edit: many cases
    // without a file written for each.
    void Hold(const std::string& leftBytes, const std::string& rightBytes) {
        for (auto [side, bytes] : {std::pair{&left, &leftBytes}, std::pair{&right, &rightBytes}}) {
            side->Close();
            if (!bytes->empty()) {
                ASSERT_TRUE(side->Edit(HEX_INSERT, 0, static_cast<int64_t>(bytes->size()),
                                       reinterpret_cast<const uint8_t*>(bytes->data()), 0, nullptr));
            }
        }
        context.SetSides(&left, &right);
    }
    void Check(const std::string& a, const std::string& b, int64_t from = -1, int64_t to = -1) {
        Hold(a, b);
        const std::vector<BINARYDIFFERENCE> expected = ByteByByte(a, b, from, to);
        ASSERT_EQ(List(from, to), expected)
            << a.size() << " and " << b.size() << " bytes, from " << from << " to " << to;
        // Streamed in batches, the same ranges.
        std::vector<BINARYDIFFERENCE> streamed;
        EXPECT_EQ(context.ScanDifferences(
                      [&](std::span<const BINARYDIFFERENCE> found) {
                          EXPECT_FALSE(found.empty());
                          streamed.insert(streamed.end(), found.begin(), found.end());
                      },
                      from, to),
                  static_cast<int64_t>(expected.size()));
        EXPECT_EQ(streamed, expected);
    }
};

TEST_F(SmallBlockTest, EveryPositionOfADifferenceOrAnEqualByteIsFound) {
    for (const size_t size : {0, 1, 7, 8, 9, 31, 32, 33, 63, 64, 65, 131}) {
        SCOPED_TRACE(size);
        std::string a(size, '\0');
        for (size_t i = 0; i < size; ++i) a[i] = static_cast<char>(i * 7 + 1);
        std::string different = a;
        for (char& ch : different) ch = static_cast<char>(ch ^ 0x40);
        Check(a, a);
        Check(a, different);
        for (size_t at = 0; at < size; ++at) {
            std::string b = a;
            b[at] = different[at];
            const int64_t p = static_cast<int64_t>(at);
            Hold(a, b);
            ASSERT_EQ(List(), (std::vector<BINARYDIFFERENCE>{{p, p + 1, BYTE_DIFFERENT}})) << at;
            EXPECT_EQ(Quick(), BINARY_DIFFERENT);
            if (at == 0 || at + 1 == size || at % kBlock == 0) {  // also read from files
                Load(a, b);
                ASSERT_EQ(List(), (std::vector<BINARYDIFFERENCE>{{p, p + 1, BYTE_DIFFERENT}})) << at;
                EXPECT_EQ(Quick(), BINARY_DIFFERENT);
            }
            // Everything differs but one byte.
            b = different;
            b[at] = a[at];
            Check(a, b);
            // Runs ending in the same word, the next word, and blocks later.
            for (const size_t run : {2, 9, 33, 70}) {
                b = a;
                for (size_t k = at; k < std::min(size, at + run); ++k) b[k] = different[k];
                Check(a, b);
            }
            // A run up to the end of the shorter side, then the tail.
            Check(a, different.substr(0, at) + "x");
        }
    }
}

TEST_F(SmallBlockTest, FromAndToCutTheRangesAnywhere) {
    std::mt19937 random(5);
    for (int round = 0; round < 300; ++round) {
        std::string a(random() % 200, 'a'), b(random() % 200, 'a');
        for (std::string* side : {&a, &b})
            for (char& ch : *side) ch = static_cast<char>('a' + (random() % 5 == 0));
        const auto pick = [&]() -> int64_t {
            const int64_t at = static_cast<int64_t>(random() % 220);
            return random() % 4 == 0 ? -1 : at;
        };
        Check(a, b, pick(), pick());
    }
}

// The bytes this process has read so far.
int64_t BytesRead() {
    std::ifstream io("/proc/self/io");
    for (std::string word; io >> word;) {
        int64_t value = 0;
        if (io >> value && word == "rchar:") return value;
    }
    return -1;
}

// A list right after a whole-file test does not read again what the test
// found equal; an edit of either side since then makes it read everything.
TEST_F(BinaryCompareTest, AListAfterTheTestReadsOnlyWhatWasNotFoundEqual) {
    const size_t size = 4 << 20;
    std::string a(size, 'a'), b = a;
    b[size - 10] = 'b';
    Load(a, b);
    EXPECT_EQ(Quick(), BINARY_DIFFERENT);
    const int64_t size64 = static_cast<int64_t>(size);
    const std::vector<BINARYDIFFERENCE> tail{{size64 - 10, size64 - 9, BYTE_DIFFERENT}};
    int64_t before = BytesRead();
    ASSERT_GE(before, 0);
    EXPECT_EQ(List(), tail);
    EXPECT_LT(BytesRead() - before, int64_t{2} * CBinaryCompareContext::kListBlock + 4096);

    // An edit at the front, undone: the same bytes as the test compared,
    // but the buffer was rebuilt since.
    const uint8_t x = 'x';
    ASSERT_TRUE(right.Edit(HEX_REPLACE, 5, 1, &x, 0, nullptr));
    EXPECT_EQ(List(), (std::vector<BINARYDIFFERENCE>{{5, 6, BYTE_DIFFERENT}, tail[0]}));
    ASSERT_EQ(right.Undo(nullptr, 0, 0), 1);
    before = BytesRead();
    EXPECT_EQ(List(), tail);
    EXPECT_GE(BytesRead() - before, 2 * size64 - 4096);
    // The sides swapped are not the sides the test compared.
    EXPECT_EQ(Quick(), BINARY_DIFFERENT);
    context.SetSides(&right, &left);
    before = BytesRead();
    EXPECT_EQ(List(), tail);
    EXPECT_GE(BytesRead() - before, 2 * size64 - 4096);
    // Nor is a side reopened.
    context.SetSides(&left, &right);
    EXPECT_EQ(Quick(), BINARY_DIFFERENT);
    ASSERT_TRUE(left.Open(dir / "left.bin"));
    before = BytesRead();
    EXPECT_EQ(List(), tail);
    EXPECT_GE(BytesRead() - before, 2 * size64 - 4096);
}

class Window : public CBinaryCompareTarget {
public:
    void OnPassEnded() override { ++done; }
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
        message.Deliver();
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

// A context that notes the scheduling of the thread its pass runs on.
class PriorityContext : public CBinaryCompareContext {
public:
    int QuickCompare(const std::atomic<int>*) override {
        policy = ::sched_getscheduler(0);
        nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
        SetState(BINARY_IDENTICAL);
        return 1;
    }
    std::atomic<int> policy{-1}, nice{-100};
};

TEST(BinaryCompareThreadTest, TheWorkerRunsAtTheLowestPriorityUnlessToldOtherwise) {
    const int ownPolicy = ::sched_getscheduler(0);
    const int ownNice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
    for (const WorkerPriority priority : {WorkerPriority::LOWEST, WorkerPriority::NORMAL}) {
        platform::CMessageQueue queue;
        Window window;
        PriorityContext context;
        CBinaryCompareThread thread(context, queue, priority);
        ASSERT_EQ(thread.Start(&window), 1);
        platform::MESSAGE message;
        ASSERT_TRUE(queue.Get(message, std::chrono::seconds(30)));
        ASSERT_EQ(thread.Stop(), 1);
        if (priority == WorkerPriority::LOWEST) {
            EXPECT_TRUE(context.policy == SCHED_IDLE || context.nice == 19)
                << context.policy << " " << context.nice;
        } else {
            EXPECT_EQ(context.policy, ownPolicy);
            EXPECT_EQ(context.nice, ownNice);
        }
    }
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
    EXPECT_EQ(message.target, &window);
    message.Deliver();
    EXPECT_EQ(window.done, 1);
    ASSERT_EQ(thread.Stop(), 1);
    EXPECT_EQ(context.GetState(), BINARY_IDENTICAL);
    EXPECT_FALSE(queue.Get(message, std::chrono::milliseconds(50)));
}

// A side whose file a test changes once the whole-file test has read a
// number of its chunks.
class ChangingSide : public CBinaryCompareSide {
public:
    using CBinaryCompareSide::CBinaryCompareSide;
    int64_t ReadForCompare(uint8_t* destination, int64_t count, int64_t offset) override {
        const int64_t read = CBinaryCompareSide::ReadForCompare(destination, count, offset);
        if (++chunks == changeAfter && change) change();
        return read;
    }
    std::function<void()> change;
    int changeAfter = 2;
    int chunks = 0;
};

void WriteInPlace(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
}

// Files changed between the chunks of a pass on the worker: whatever was
// read, the pass ends in the error state and tells which side changed.
TEST(BinaryCompareChangeTest, AFileChangedBetweenChunksIsTold) {
    const std::string bytes(64, 'x');
    struct CHANGE {
        const char* what;
        int side;
        std::function<void(const test::TempDir& dir, const std::string& path)> change;
    };
    const CHANGE changes[] = {
        {"truncated: the next chunk is read short", 1,
         [](const test::TempDir&, const std::string& path) { ASSERT_EQ(::truncate(path.c_str(), 20), 0); }},
        {"emptied", 0,
         [](const test::TempDir&, const std::string& path) { ASSERT_EQ(::truncate(path.c_str(), 0), 0); }},
        {"grown: every byte compared is equal, the size is not", 1,
         [](const test::TempDir&, const std::string& path) { ASSERT_EQ(::truncate(path.c_str(), 100), 0); }},
        {"rewritten in place, the same size, later", 1,
         [&](const test::TempDir&, const std::string& path) {
             WriteInPlace(path, std::string(64, 'y'));
             ASSERT_TRUE(test::SetFileTimes(path, 1900000000));
         }},
        {"replaced by another file of the same size and time", 0,
         [&](const test::TempDir& dir, const std::string& path) {
             struct stat info {};
             ASSERT_EQ(::stat(path.c_str(), &info), 0);
             const std::string other = dir.WriteFile("other", bytes);
             ASSERT_TRUE(test::SetFileTimes(other, info.st_mtim.tv_sec, info.st_mtim.tv_nsec));
             ASSERT_EQ(::rename(other.c_str(), path.c_str()), 0);
         }},
    };
    for (const CHANGE& change : changes) {
        SCOPED_TRACE(change.what);
        test::TempDir dir;
        platform::CSilentMessages messages;
        ChangingSide sides[2] = {ChangingSide(messages), ChangingSide(messages)};
        const std::string paths[2] = {dir.WriteFile("left.bin", bytes), dir.WriteFile("right.bin", bytes)};
        for (int side = 0; side < 2; ++side) ASSERT_TRUE(sides[side].Open(paths[side]));
        sides[change.side].change = [&] { change.change(dir, paths[change.side]); };
        CBinaryCompareContext context(8, 8);
        context.SetSides(&sides[0], &sides[1]);
        platform::CMessageQueue queue;
        Window window;
        CBinaryCompareThread thread(context, queue);
        ASSERT_EQ(thread.Start(&window), 1);
        platform::MESSAGE message;
        ASSERT_TRUE(queue.Get(message, std::chrono::seconds(30)));
        ASSERT_EQ(thread.Stop(), 1);
        EXPECT_EQ(sides[change.side].chunks, sides[1 - change.side].chunks);
        EXPECT_GE(sides[change.side].chunks, 2);  // the change came during the pass
        EXPECT_EQ(context.GetState(), BINARY_ERROR);
        EXPECT_EQ(context.ChangedSide(), change.side);
        EXPECT_EQ(context.FindChangedSide(), change.side);
    }
}

TEST_F(BinaryCompareTest, AFileChangedSinceLoadingIsToldBeforeAndWhileListing) {
    Load("0123456789abcdef", "0123456789abcdeF");
    EXPECT_EQ(Quick(), BINARY_DIFFERENT);
    EXPECT_EQ(context.FindChangedSide(), -1);
    EXPECT_EQ(List(), (std::vector<BINARYDIFFERENCE>{{15, 16, BYTE_DIFFERENT}}));
    EXPECT_EQ(context.ChangedSide(), -1);

    // Shortened after loading: the pass reads nothing of it, and the list of
    // the sizes the buffers loaded cannot be made.
    ASSERT_EQ(::truncate((dir / "right.bin").c_str(), 6), 0);
    EXPECT_EQ(Quick(), BINARY_ERROR);
    EXPECT_EQ(context.ChangedSide(), 1);
    std::vector<BINARYDIFFERENCE> list{{1, 2, BYTE_DIFFERENT}};
    EXPECT_EQ(context.BuildDifferenceList(list, -1, -1), -1);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(context.ChangedSide(), 1);

    // The same size with a new time: the list reads bytes that all compare,
    // but the side is still not what it loaded.
    Load("abcd", "abcd");
    ASSERT_TRUE(test::SetFileTimes(dir / "left.bin", 1900000000));
    EXPECT_EQ(Quick(), BINARY_ERROR);
    EXPECT_EQ(context.ChangedSide(), 0);
    EXPECT_EQ(context.FindChangedSide(), 0);
}

TEST_F(BinaryCompareTest, EditsAndTheBuffersOwnSavesAreNoChange) {
    Load("abcd", "abcX");
    // An old time, which the save in place surely moves on.
    ASSERT_TRUE(test::SetFileTimes(dir / "left.bin", 1000000000));
    ASSERT_TRUE(left.Open(dir / "left.bin"));
    const uint8_t x = 'X';
    ASSERT_TRUE(left.Edit(HEX_REPLACE, 3, 1, &x, 0, nullptr));
    EXPECT_EQ(Quick(), BINARY_IDENTICAL);
    EXPECT_EQ(context.FindChangedSide(), -1);
    ASSERT_TRUE(left.Save(dir / "left.bin"));  // in place
    EXPECT_EQ(Quick(), BINARY_IDENTICAL);
    EXPECT_EQ(context.FindChangedSide(), -1);
    ASSERT_TRUE(left.Edit(HEX_INSERT, 0, 1, &x, 0, nullptr));
    ASSERT_TRUE(left.Save(dir / "left.bin"));  // through a new file
    EXPECT_EQ(Quick(), BINARY_DIFFERENT);
    EXPECT_EQ(context.FindChangedSide(), -1);
    EXPECT_EQ(List(), (std::vector<BINARYDIFFERENCE>{{0, 4, BYTE_DIFFERENT}, {4, 5, BYTE_LEFT_ONLY}}));
    // Another program's touch is a change; the list, which reads every
    // byte again, fails though each byte it read compares as before.
    ASSERT_TRUE(test::SetFileTimes(dir / "left.bin", 1900000000));
    std::vector<BINARYDIFFERENCE> list;
    EXPECT_EQ(context.BuildDifferenceList(list, -1, -1), -1);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(context.ChangedSide(), 0);
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
