// Memory for the many small objects of a folder comparison: the entries of
// both trees and the result items, a few hundred thousand of each in a large
// comparison. They are cut one after the other from 1 MiB slabs, without
// the 8 to 16 bytes that the heap spends on each block; a slab goes back to
// the heap when the last of its blocks is freed. Freed blocks are not
// reused on their own: a comparison makes its objects in one go and drops
// them together.
#pragma once

#include <cstddef>

namespace corvatine {

// Blocks of up to this many bytes come from slabs; larger ones from the heap.
inline constexpr size_t kSlabBlockLimit = 256;

// A block of size bytes (aligned to 8), from the current slab of the
// calling thread for its size. Any thread may free it. Under
// AddressSanitizer every block is a heap block of its own, so that the
// sanitizer sees each object's lifetime.
void* PoolAllocate(size_t size);
// Frees a block of PoolAllocate given the same size.
void PoolFree(void* block, size_t size) noexcept;

// The same, always from slabs (sizes up to kSlabBlockLimit).
void* SlabAllocate(size_t size);
void SlabFree(void* block, size_t size) noexcept;
// Slabs taken from the heap and not yet given back, in all threads.
size_t LiveSlabCount();

}  // namespace corvatine
