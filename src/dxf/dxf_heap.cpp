#include "dxf/dxf_heap.h"

#include <cstdint>
#include <cstdlib>

namespace {
long g_failAfter = -1;
long g_allocations = 0;

bool Allowed() {
    ++g_allocations;
    if (g_failAfter < 0) return true;
    if (g_failAfter-- == 0) {
        g_failAfter = -1;
        return false;
    }
    return true;
}
} // namespace

void* DxfHeapAlloc(std::size_t count, std::size_t size) {
    if (count == 0 || size == 0 || count > SIZE_MAX / size || !Allowed()) return nullptr;
    return std::calloc(count, size);
}

void* DxfHeapRealloc(void* p, std::size_t count, std::size_t size) {
    if (count == 0 || size == 0 || count > SIZE_MAX / size || !Allowed()) return nullptr;
    return std::realloc(p, count * size);
}

void DxfHeapFree(void* p) {
    std::free(p);
}

namespace dxf_heap_testing {
void FailAllocationAfter(long n) {
    g_failAfter = n;
}
long AllocationCount() {
    return g_allocations;
}
void ResetAllocationCount() {
    g_allocations = 0;
}
} // namespace dxf_heap_testing
