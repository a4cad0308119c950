#include "foldercompare/SlabPool.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "platform/Sanitizers.h"

namespace corvatine {

namespace {

constexpr bool kPooling = !platform::kAddressSanitizer;

// A slab is aligned to its size, so a block finds its slab by its address.
// The heap maps a slab this large on its own, writing its own header in the
// page before it: a page more per slab, which at 64 KiB slabs was 6% of
// the memory. Only the pages of a slab that hold blocks are ever touched.
constexpr size_t kSlabSize = 1024 * 1024;
constexpr size_t kGrain = 8;
constexpr size_t kClasses = kSlabBlockLimit / kGrain;

struct SLAB {
    // The blocks in use, plus one while a thread cuts blocks from it.
    std::atomic<uint32_t> references{1};
};
// The first block starts here, past the header.
constexpr size_t kFirstBlock = 16;
static_assert(sizeof(SLAB) <= kFirstBlock);

std::atomic<size_t> g_liveSlabs{0};

void Release(SLAB* slab) noexcept {
    if (slab->references.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    slab->~SLAB();
    std::free(slab);
    g_liveSlabs.fetch_sub(1, std::memory_order_relaxed);
}

// The slab each size is cut from on this thread; given up when full and
// when the thread ends.
struct THREADSLABS {
    SLAB* slab[kClasses] = {};
    size_t used[kClasses] = {};

    THREADSLABS() = default;
    THREADSLABS(const THREADSLABS&) = delete;
    THREADSLABS& operator=(const THREADSLABS&) = delete;
    ~THREADSLABS() {
        for (SLAB* current : slab)
            if (current != nullptr) Release(current);
    }
};

thread_local THREADSLABS t_slabs;

}  // namespace

void* SlabAllocate(size_t size) {
    const size_t index = size == 0 ? 0 : (size - 1) / kGrain;
    if (index >= kClasses) throw std::bad_alloc();
    const size_t rounded = (index + 1) * kGrain;
    THREADSLABS& slabs = t_slabs;
    if (slabs.slab[index] == nullptr || slabs.used[index] + rounded > kSlabSize) {
        void* memory = std::aligned_alloc(kSlabSize, kSlabSize);
        if (memory == nullptr) throw std::bad_alloc();
        g_liveSlabs.fetch_add(1, std::memory_order_relaxed);
        if (slabs.slab[index] != nullptr) Release(slabs.slab[index]);
        slabs.slab[index] = new (memory) SLAB;
        slabs.used[index] = kFirstBlock;
    }
    SLAB* slab = slabs.slab[index];
    slab->references.fetch_add(1, std::memory_order_relaxed);
    char* block = reinterpret_cast<char*>(slab) + slabs.used[index];
    slabs.used[index] += rounded;
    return block;
}

void SlabFree(void* block, size_t /*size*/) noexcept {
    if (block == nullptr) return;
    const auto address = reinterpret_cast<uintptr_t>(block);
    Release(reinterpret_cast<SLAB*>(address & ~static_cast<uintptr_t>(kSlabSize - 1)));
}

size_t LiveSlabCount() { return g_liveSlabs.load(std::memory_order_relaxed); }

void* PoolAllocate(size_t size) {
    if (!kPooling || size > kSlabBlockLimit) return ::operator new(size);
    return SlabAllocate(size);
}

void PoolFree(void* block, size_t size) noexcept {
    if (!kPooling || size > kSlabBlockLimit) {
        ::operator delete(block);
        return;
    }
    SlabFree(block, size);
}

}  // namespace corvatine
