// Memory for large arrays (the lines of a big file, the comparison engine's
// tables) in transparent huge pages where the system offers them: touching
// such memory then costs one page fault per 2 MiB instead of one per 4 KiB,
// which on large inputs is a good part of the whole run.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace corvatine::platform {

// Allocations from this size on go to their own huge-page mapping.
inline constexpr size_t kLargeAllocation = size_t{1} << 20;

// bytes of memory aligned to 2 MiB; null when none can be had. Under the
// sanitizers plain operator new, so that they keep watching it.
void* AllocateLarge(size_t bytes);
void FreeLarge(void* memory, size_t bytes);

template <class T>
struct CLargeAllocator {
    using value_type = T;

    CLargeAllocator() = default;
    template <class U>
    CLargeAllocator(const CLargeAllocator<U>&) {}

    T* allocate(size_t n) {
        const size_t bytes = n * sizeof(T);
        if (bytes < kLargeAllocation) return std::allocator<T>().allocate(n);
        void* memory = AllocateLarge(bytes);
        if (memory == nullptr) throw std::bad_alloc();
        return static_cast<T*>(memory);
    }
    void deallocate(T* p, size_t n) {
        const size_t bytes = n * sizeof(T);
        if (bytes < kLargeAllocation)
            std::allocator<T>().deallocate(p, n);
        else
            FreeLarge(p, bytes);
    }
    template <class U>
    bool operator==(const CLargeAllocator<U>&) const {
        return true;
    }
};

template <class T>
using LargeVector = std::vector<T, CLargeAllocator<T>>;

// A block of bytes that may be large.
struct LargeBytesDeleter {
    size_t bytes = 0;
    void operator()(char* p) const;
};
using LargeBytes = std::unique_ptr<char[], LargeBytesDeleter>;
LargeBytes MakeLargeBytes(size_t bytes);

}  // namespace corvatine::platform
