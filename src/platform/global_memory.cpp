#include "platform/global_memory.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define LOOMVEIL_GLOBAL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LOOMVEIL_GLOBAL_ASAN 1
#endif
#endif

namespace {

// Blocks from this size on get their own mapping: realloc on the heap may
// copy the whole block on every 64 KiB step once other allocations sit
// behind it, while mremap only moves page-table entries. Under the address
// sanitizer every block stays on the heap so that overruns are reported.
#ifdef LOOMVEIL_GLOBAL_ASAN
constexpr std::size_t kMapThreshold = SIZE_MAX;
#else
constexpr std::size_t kMapThreshold = 128 * 1024;
#endif
// Nothing asks for more; anything larger is a wrapped-around size.
constexpr std::size_t kMaxBlock = std::size_t(1) << 40;

struct Block {
    void* p = nullptr;
    std::size_t size = 0;     // as asked for
    std::size_t capacity = 0; // bytes usable at p (the mapping's length when mapped)
    // Of a mapping, the bytes that may have been written: the rest is still
    // the kernel's zero fill and needs no clearing.
    std::size_t dirty = 0;
    std::uint32_t locks = 0;
    std::uint32_t generation = 1;
    UINT flags = 0;
    bool inUse = false;
    bool mapped = false;
};

struct Table {
    std::vector<Block> blocks;
    std::vector<std::uint32_t> freeSlots;
    std::size_t live = 0;
    long failAfter = -1;
    long allocations = 0;
    bool forceMoves = false;
};

// One table per thread: a drawing is loaded, drawn and freed by the thread
// that reads its file, and files are read on several threads at once.
Table& table() {
    thread_local Table t;
    return t;
}

std::size_t PageRound(std::size_t n) {
    const std::size_t page = 4096;
    return (n + page - 1) / page * page;
}

// One allocation as the failure hook sees it.
bool AllocationAllowed() {
    Table& t = table();
    ++t.allocations;
    if (t.failAfter < 0) return true;
    if (t.failAfter == 0) {
        t.failAfter = -1;
        return false;
    }
    --t.failAfter;
    return true;
}

HGLOBAL ToHandle(std::uint32_t index, std::uint32_t generation) {
    const std::uintptr_t v = (static_cast<std::uintptr_t>(generation) << 32) | (index + 1u);
    return reinterpret_cast<HGLOBAL>(v);
}

Block* Find(HGLOBAL h) {
    const std::uintptr_t v = reinterpret_cast<std::uintptr_t>(h);
    const std::uint32_t index = static_cast<std::uint32_t>(v & 0xFFFFFFFFu) - 1u;
    const std::uint32_t generation = static_cast<std::uint32_t>(v >> 32);
    Table& t = table();
    if (!h || index >= t.blocks.size()) return nullptr;
    Block& b = t.blocks[index];
    if (!b.inUse || b.generation != generation) return nullptr;
    return &b;
}

// Storage of at least n bytes (one byte for an empty block), fresh and not
// zeroed unless it is a new mapping.
bool Acquire(std::size_t n, void*& p, std::size_t& capacity, bool& mapped) {
    if (n >= kMapThreshold) {
        const std::size_t len = PageRound(n);
        void* m = mmap(nullptr, len, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (m == MAP_FAILED) return false;
        // Large pages make the first touch of the block far cheaper; the
        // kernel may ignore the advice.
        madvise(m, len, MADV_HUGEPAGE);
        p = m;
        capacity = len;
        mapped = true;
        return true;
    }
    p = std::malloc(n ? n : 1);
    if (!p) return false;
    capacity = n;
    mapped = false;
    return true;
}

void ReleaseStorage(void* p, std::size_t capacity, bool mapped) {
    if (mapped)
        munmap(p, capacity);
    else
        std::free(p);
}

// Resizes b's storage to hold n bytes, moving it only when mayMove. The
// first min(old size, n) bytes are kept.
bool Resize(Block& b, std::size_t n, bool mayMove) {
    const bool wantMapped = b.mapped || n >= kMapThreshold;
    if (mayMove && (table().forceMoves || wantMapped != b.mapped)) {
        void* p;
        std::size_t capacity;
        bool mapped;
        if (!Acquire(n, p, capacity, mapped)) return false;
        const std::size_t kept = b.size < n ? b.size : n;
        std::memcpy(p, b.p, kept);
        ReleaseStorage(b.p, b.capacity, b.mapped);
        b.p = p;
        b.capacity = capacity;
        b.mapped = mapped;
        b.dirty = kept;
        return true;
    }
    if (b.mapped) {
        const std::size_t len = PageRound(n ? n : 1);
        if (len == b.capacity) return true;
        void* m = mremap(b.p, b.capacity, len, mayMove ? MREMAP_MAYMOVE : 0);
        if (m == MAP_FAILED) return len < b.capacity; // a mapping that will not shrink still serves
        b.p = m;
        b.capacity = len;
        if (b.dirty > len) b.dirty = len;
        return true;
    }
    if (n <= b.capacity) return true; // a shrinking heap block keeps its storage
    if (!mayMove) return false;
    void* p = std::realloc(b.p, n);
    if (!p) return false;
    b.p = p;
    b.capacity = n;
    return true;
}

} // namespace

HGLOBAL GlobalAlloc(UINT uFlags, std::size_t dwBytes) {
    if (dwBytes > kMaxBlock || !AllocationAllowed()) return nullptr;
    Block b;
    if (!Acquire(dwBytes, b.p, b.capacity, b.mapped)) return nullptr;
    if ((uFlags & GMEM_ZEROINIT) && !b.mapped) std::memset(b.p, 0, dwBytes);
    b.size = dwBytes;
    b.dirty = dwBytes;
    b.flags = uFlags & GMEM_MOVEABLE;
    b.inUse = true;

    Table& t = table();
    std::uint32_t index;
    if (!t.freeSlots.empty()) {
        index = t.freeSlots.back();
        t.freeSlots.pop_back();
        b.generation = t.blocks[index].generation;
        t.blocks[index] = b;
    } else {
        index = static_cast<std::uint32_t>(t.blocks.size());
        t.blocks.push_back(b);
    }
    ++t.live;
    return ToHandle(index, t.blocks[index].generation);
}

HGLOBAL GlobalReAlloc(HGLOBAL hMem, std::size_t dwBytes, UINT uFlags) {
    Block* b = Find(hMem);
    if (!b || dwBytes > kMaxBlock) return nullptr;
    if (dwBytes > b->size && !AllocationAllowed()) return nullptr;
    const bool mayMove = (uFlags & GMEM_MOVEABLE) || b->locks == 0;
    const std::size_t old = b->size;
    if (!Resize(*b, dwBytes, mayMove)) return nullptr;
    if ((uFlags & GMEM_ZEROINIT) && dwBytes > old) {
        const std::size_t zeroTo = b->mapped && b->dirty < dwBytes ? b->dirty : dwBytes;
        if (zeroTo > old) std::memset(static_cast<char*>(b->p) + old, 0, zeroTo - old);
    }
    b->size = dwBytes;
    if (b->dirty < dwBytes) b->dirty = dwBytes;
    return hMem;
}

void* GlobalLock(HGLOBAL hMem) {
    Block* b = Find(hMem);
    if (!b || b->size == 0) return nullptr;
    ++b->locks;
    return b->p;
}

BOOL GlobalUnlock(HGLOBAL hMem) {
    Block* b = Find(hMem);
    if (!b || b->locks == 0) return FALSE;
    --b->locks;
    return b->locks != 0;
}

std::size_t GlobalSize(HGLOBAL hMem) {
    const Block* b = Find(hMem);
    return b ? b->size : 0;
}

UINT GlobalFlags(HGLOBAL hMem) {
    const Block* b = Find(hMem);
    if (!b) return GMEM_INVALID_HANDLE;
    return b->locks > GMEM_LOCKCOUNT ? GMEM_LOCKCOUNT : b->locks;
}

HGLOBAL GlobalFree(HGLOBAL hMem) {
    Block* b = Find(hMem);
    if (!b || b->locks != 0) return hMem;
    ReleaseStorage(b->p, b->capacity, b->mapped);
    Table& t = table();
    const std::uint32_t index = static_cast<std::uint32_t>(b - t.blocks.data());
    // A new generation makes every copy of the old handle invalid.
    const std::uint32_t next = b->generation + 1;
    *b = Block{};
    b->generation = next == 0 ? 1 : next;
    t.freeSlots.push_back(index);
    --t.live;
    return nullptr;
}

namespace global_memory_testing {
std::size_t LiveBlocks() {
    return table().live;
}
void FailAllocationAfter(long n) {
    table().failAfter = n;
}
long AllocationCount() {
    return table().allocations;
}
void ResetAllocationCount() {
    table().allocations = 0;
}
void ForceMoves(bool on) {
    table().forceMoves = on;
}
} // namespace global_memory_testing
