#include "platform/LargeAlloc.h"

#include <sys/mman.h>

#include <new>

#include "platform/Sanitizers.h"

namespace corvatine::platform {

namespace {

constexpr size_t kHugePage = size_t{2} << 20;

constexpr size_t kPage = 4096;

// The mapping's size: whole small pages. Only the whole huge pages in it are
// asked for as huge pages, so that the tail costs no more than it holds.
size_t Rounded(size_t bytes) { return (bytes + kPage - 1) & ~(kPage - 1); }

constexpr bool kPlain = kAddressSanitizer || kThreadOrMemorySanitizer;

}  // namespace

void* AllocateLarge(size_t bytes) {
    if (kPlain) return ::operator new(bytes, std::nothrow);
    const size_t size = Rounded(bytes);
    // Mapped with room to spare, then cut to a 2 MiB boundary on both ends.
    void* mapped =
        ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<uintptr_t>(mapped);
    const uintptr_t aligned = (start + kHugePage - 1) & ~(uintptr_t{kHugePage} - 1);
    if (aligned > start) ::munmap(mapped, aligned - start);
    const uintptr_t end = start + size + kHugePage;
    if (end > aligned + size) ::munmap(reinterpret_cast<void*>(aligned + size), end - (aligned + size));
    if (size >= kHugePage)
        ::madvise(reinterpret_cast<void*>(aligned), size & ~(kHugePage - 1), MADV_HUGEPAGE);
    return reinterpret_cast<void*>(aligned);
}

void FreeLarge(void* memory, size_t bytes) {
    if (memory == nullptr) return;
    if (kPlain) {
        ::operator delete(memory);
        return;
    }
    ::munmap(memory, Rounded(bytes));
}

void LargeBytesDeleter::operator()(char* p) const {
    if (bytes >= kLargeAllocation)
        FreeLarge(p, bytes);
    else
        delete[] p;
}

LargeBytes MakeLargeBytes(size_t bytes) {
    if (bytes < kLargeAllocation) return LargeBytes(new char[bytes], LargeBytesDeleter{bytes});
    char* memory = static_cast<char*>(AllocateLarge(bytes));
    if (memory == nullptr) throw std::bad_alloc();
    return LargeBytes(memory, LargeBytesDeleter{bytes});
}

}  // namespace corvatine::platform
