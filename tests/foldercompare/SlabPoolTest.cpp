// The slabs that hold the entries and result items of a folder comparison.
#include "foldercompare/SlabPool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

#include "foldercompare/FolderCompareContext.h"
#include "request/CompareMethods.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

TEST(SlabPoolTest, BlocksOfEverySizeAreAlignedAndApart) {
    std::vector<std::pair<unsigned char*, size_t>> blocks;
    for (size_t size = 1; size <= kSlabBlockLimit; ++size)
        for (int i = 0; i < 40; ++i) {
            auto* block = static_cast<unsigned char*>(SlabAllocate(size));
            ASSERT_EQ(reinterpret_cast<uintptr_t>(block) % 8, 0u) << size;
            std::memset(block, static_cast<int>(blocks.size() % 251), size);
            blocks.emplace_back(block, size);
        }
    // No block was written over by another.
    for (size_t k = 0; k < blocks.size(); ++k)
        for (size_t b = 0; b < blocks[k].second; ++b)
            ASSERT_EQ(blocks[k].first[b], k % 251) << "block " << k << " of " << blocks[k].second << " bytes";
    for (const auto& [block, size] : blocks) SlabFree(block, size);
}

TEST(SlabPoolTest, ASlabGoesBackWhenItsLastBlockIsFreedOnAnyThread) {
    const size_t before = LiveSlabCount();
    std::vector<void*> blocks;
    // Three slabs' worth, cut on a thread that then ends.
    std::thread maker([&] {
        for (int i = 0; i < 40000; ++i) blocks.push_back(SlabAllocate(72));
    });
    maker.join();
    EXPECT_EQ(LiveSlabCount(), before + 3);
    // Half freed on another thread, half here.
    std::thread freer([&] {
        for (size_t i = 0; i < blocks.size(); i += 2) SlabFree(blocks[i], 72);
    });
    freer.join();
    EXPECT_EQ(LiveSlabCount(), before + 3);
    for (size_t i = 1; i + 1 < blocks.size(); i += 2) SlabFree(blocks[i], 72);
    EXPECT_EQ(LiveSlabCount(), before + 1);  // the last block keeps its slab
    SlabFree(blocks.back(), 72);
    EXPECT_EQ(LiveSlabCount(), before);
}

TEST(SlabPoolTest, ASlabStaysWhileItsThreadCutsFromIt) {
    std::thread user([] {
        const size_t before = LiveSlabCount();
        void* first = SlabAllocate(40);
        EXPECT_EQ(LiveSlabCount(), before + 1);
        SlabFree(first, 40);
        EXPECT_EQ(LiveSlabCount(), before + 1);  // still the thread's slab for 40 bytes
        void* second = SlabAllocate(40);
        EXPECT_EQ(static_cast<char*>(second), static_cast<char*>(first) + 40);
        SlabFree(second, 40);
    });
    user.join();
}

TEST(SlabPoolTest, LargeBlocksAndAComparisonLeaveNoSlabBehind) {
    const size_t before = LiveSlabCount();
    void* large = PoolAllocate(kSlabBlockLimit + 1);
    std::memset(large, 1, kSlabBlockLimit + 1);
    EXPECT_EQ(LiveSlabCount(), before);
    PoolFree(large, kSlabBlockLimit + 1);

    // Entries and items of a whole comparison, made and dropped on a thread
    // of their own: every slab they took goes back.
    test::TempDir dir;
    for (const char* side : {"left", "right"})
        for (int folder = 0; folder < 20; ++folder)
            for (int file = 0; file < 30; ++file)
                dir.WriteFile(
                    std::string(side) + "/f" + std::to_string(folder) + "/file" + std::to_string(file),
                    side[0] == 'l' || file != 7 ? "same" : "other");
    int differing = 0;
    std::thread comparison([&] {
        CFolderCompareContext context;
        context.paths[0] = dir / "left";
        context.paths[1] = dir / "right";
        context.options = FOLDER_OPTION_AUTO_SCAN;
        context.settings.methods = METHOD_SIZE;
        ASSERT_EQ(context.Build(), 0);
        context.CompareAll(nullptr);
        for (const CFolderCompareItem& folder : context.root->Children())
            for (const CFolderCompareItem& file : folder.Children())
                if (file.status == STATUS_DIFFERENT) ++differing;
    });
    comparison.join();
    EXPECT_EQ(differing, 20);
    EXPECT_EQ(LiveSlabCount(), before);
}

}  // namespace
}  // namespace corvatine
