// The ordinary allocator for the variable parts of entity records (vertex,
// knot, point and pattern arrays) and the file reader's buffer. Arrays start
// zero-filled; a size that overflows fails like an exhausted heap.
#pragma once

#include <cstddef>

void* DxfHeapAlloc(std::size_t count, std::size_t size);
// Shrinks or grows an array made by DxfHeapAlloc; bytes beyond the old size
// are not zeroed. NULL (and p untouched) on failure.
void* DxfHeapRealloc(void* p, std::size_t count, std::size_t size);
void DxfHeapFree(void* p);

template <class T> T* DxfHeapNew(std::size_t count) {
    return static_cast<T*>(DxfHeapAlloc(count, sizeof(T)));
}

// For tests: the allocation after the next n fails once; negative turns
// failures off.
namespace dxf_heap_testing {
void FailAllocationAfter(long n);
long AllocationCount();
void ResetAllocationCount();
} // namespace dxf_heap_testing
