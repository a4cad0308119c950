// Tasks spread over the calling thread and helpers: each runs once, nested
// calls complete, and the owner's tasks know they run on it.
#include "foldercompare/TreeWorkers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace corvatine {
namespace {

TEST(TreeWorkersTest, EveryTaskRunsOnceWithNestedCalls) {
    for (const int helpers : {0, 1, 3}) {
        SCOPED_TRACE(helpers);
        CTreeWorkers workers(helpers);
        constexpr int kOuter = 40, kInner = 25;
        std::vector<std::atomic<int>> runs(kOuter * kInner);
        const std::thread::id owner = std::this_thread::get_id();
        std::atomic<int> onOwner{0};
        std::atomic<int> wrong{0};
        std::mutex mutex;
        std::set<std::thread::id> threads;
        workers.Run(kOuter, [&](int outer, bool isOwner) {
            if (isOwner) ++onOwner;
            workers.Run(kInner, [&](int inner, bool innerOwner) {
                ++runs[static_cast<size_t>(outer * kInner + inner)];
                const std::lock_guard<std::mutex> lock(mutex);
                threads.insert(std::this_thread::get_id());
                if (innerOwner != (std::this_thread::get_id() == owner)) ++wrong;
            });
        });
        for (size_t i = 0; i < runs.size(); ++i) ASSERT_EQ(runs[i].load(), 1) << i;
        EXPECT_EQ(wrong.load(), 0);
        EXPECT_GE(onOwner.load(), 1);
        EXPECT_LE(threads.size(), static_cast<size_t>(helpers + 1));
        if (helpers == 0) {
            EXPECT_EQ(onOwner.load(), kOuter);
        }
    }
}

TEST(TreeWorkersTest, OnlyTheOwnersThreadIsTheOwner) {
    const std::thread::id owner = std::this_thread::get_id();
    CTreeWorkers workers(2);
    std::atomic<int> wrong{0};
    std::atomic<int> count{0};
    workers.Run(200, [&](int, bool onOwner) {
        if (onOwner != (std::this_thread::get_id() == owner)) ++wrong;
        ++count;
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    });
    EXPECT_EQ(count.load(), 200);
    EXPECT_EQ(wrong.load(), 0);
    workers.Run(0, [&](int, bool) { ++count; });
    EXPECT_EQ(count.load(), 200);
}

TEST(TreeWorkersTest, HelpersOnlyWhereProcessorsAreSpare) {
    const int helpers = CTreeWorkers::DefaultHelpers();
    EXPECT_GE(helpers, 0);
    EXPECT_LE(helpers, CTreeWorkers::kMaxHelpers);
    const int processors = static_cast<int>(std::thread::hardware_concurrency());
    if (processors >= 1) {
        EXPECT_EQ(helpers, std::min(processors - 1, CTreeWorkers::kMaxHelpers));
    }
}

}  // namespace
}  // namespace corvatine
