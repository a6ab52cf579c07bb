// Relocatable memory blocks with the kernel's GlobalAlloc family of calls.
//
// A block is named by its HGLOBAL handle, never by its address: GlobalLock
// gives the current address and counts the lock, GlobalUnlock counts it
// down, and GlobalReAlloc of a GMEM_MOVEABLE block may move it even while it
// is locked, so an address is good only until the next reallocation. Records
// kept in such blocks therefore refer to each other by IDs and offsets.
//
// Handles index one table and carry a generation number, so a freed or made
// up handle is refused instead of reaching freed memory. Large blocks live
// in their own anonymous mappings and grow with mremap, which keeps growth in
// small fixed steps linear in the final size. Each thread has a table of
// its own: a handle is good only on the thread that allocated it.
#pragma once

#include "platform/wintypes.h"

#include <cstddef>
#include <span>

using HGLOBAL = struct GlobalBlockTag*;

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;
// The lock count in GlobalFlags' result.
constexpr UINT GMEM_LOCKCOUNT = 0x00FF;
constexpr UINT GMEM_INVALID_HANDLE = 0x8000;

// A new block of dwBytes (zeroed with GMEM_ZEROINIT), or NULL. A block of
// zero bytes is valid but locks to NULL, as a discarded block does.
HGLOBAL GlobalAlloc(UINT uFlags, std::size_t dwBytes);
// Resizes the block; with GMEM_ZEROINIT the bytes beyond the old size read
// as zero. Returns hMem, or NULL with the block unchanged. A locked block
// moves only when uFlags holds GMEM_MOVEABLE; without it, a locked block
// that would have to move is refused.
HGLOBAL GlobalReAlloc(HGLOBAL hMem, std::size_t dwBytes, UINT uFlags);
// Counts one lock and returns the block's address; NULL for an invalid
// handle or an empty block.
void* GlobalLock(HGLOBAL hMem);
// Counts one lock down. Non-zero while the block is still locked; 0 when
// the last lock went or the block was not locked.
BOOL GlobalUnlock(HGLOBAL hMem);
// Bytes in the block (as last allocated), 0 for an invalid handle.
std::size_t GlobalSize(HGLOBAL hMem);
// Lock count in the low byte (GMEM_LOCKCOUNT), GMEM_INVALID_HANDLE for a
// handle that names no block.
UINT GlobalFlags(HGLOBAL hMem);
// Frees the block: NULL on success, hMem when the handle is invalid or the
// block is still locked (freeing memory that someone holds an address of
// is refused rather than allowed).
HGLOBAL GlobalFree(HGLOBAL hMem);

// Holds one lock for a scope and gives the address as T*; re-lock after a
// GlobalReAlloc to get the new address.
template <class T> class GlobalLockGuard {
public:
    GlobalLockGuard() = default;
    explicit GlobalLockGuard(HGLOBAL h) : m_h(h), m_p(static_cast<T*>(GlobalLock(h))) {
        if (!m_p) m_h = nullptr;
    }
    ~GlobalLockGuard() { Release(); }
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
    GlobalLockGuard(GlobalLockGuard&& o) noexcept : m_h(o.m_h), m_p(o.m_p) {
        o.m_h = nullptr, o.m_p = nullptr;
    }

    void Release() {
        if (m_h) GlobalUnlock(m_h);
        m_h = nullptr;
        m_p = nullptr;
    }
    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    T& operator*() const { return *m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // The block as bytes (for blocks that hold a run of records).
    std::span<std::byte> bytes() const {
        return m_p ? std::span<std::byte>(reinterpret_cast<std::byte*>(m_p), GlobalSize(m_h))
                   : std::span<std::byte>();
    }

private:
    HGLOBAL m_h = nullptr;
    T* m_p = nullptr;
};

// Hooks for tests: how many blocks are alive, failure of one chosen
// allocation, and moving every reallocated block so that a stale address is
// caught by the sanitizers.
namespace global_memory_testing {
std::size_t LiveBlocks();
// The allocation (GlobalAlloc or a growing GlobalReAlloc) after the next n
// fails once; a negative n turns failures off.
void FailAllocationAfter(long n);
// Allocations made since the counter was last reset.
long AllocationCount();
void ResetAllocationCount();
void ForceMoves(bool on);
} // namespace global_memory_testing
