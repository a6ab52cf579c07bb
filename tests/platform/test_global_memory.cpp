#include "platform/global_memory.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

using namespace global_memory_testing;

struct ForcedMoves {
    ForcedMoves() { ForceMoves(true); }
    ~ForcedMoves() { ForceMoves(false); }
};

bool AllZero(const unsigned char* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (p[i]) return false;
    return true;
}

TEST(GlobalMemory, GrowthKeepsContentsZeroesTheTailAndRelocksAtTheNewAddress) {
    ForcedMoves moves; // every reallocation moves, so a stale address would be caught
    const std::size_t before = LiveBlocks();
    HGLOBAL h = GlobalAlloc(GHND, 100);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GlobalSize(h), 100u);
    auto* p = static_cast<unsigned char*>(GlobalLock(h));
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(AllZero(p, 100));
    for (int i = 0; i < 100; ++i) p[i] = static_cast<unsigned char>(i + 1);
    EXPECT_FALSE(GlobalUnlock(h)); // the last lock went

    // Across the size where blocks move to their own mapping and in 64 KiB
    // steps beyond it, as the entity lists grow.
    std::size_t size = 100;
    for (std::size_t next : {std::size_t(1000), std::size_t(200000), std::size_t(200000 + 65536),
                             std::size_t(200000 + 2 * 65536)}) {
        ASSERT_EQ(GlobalReAlloc(h, next, GMEM_MOVEABLE | GMEM_ZEROINIT), h);
        EXPECT_EQ(GlobalSize(h), next);
        GlobalLockGuard<unsigned char> lock(h);
        ASSERT_TRUE(lock);
        for (int i = 0; i < 100; ++i) ASSERT_EQ(lock.get()[i], i + 1);
        EXPECT_TRUE(AllZero(lock.get() + size, next - size)) << next;
        std::memset(lock.get() + size, 0xAB, next - size);
        size = next;
    }
    // Shrinking then growing again clears what was written beyond the size.
    ASSERT_EQ(GlobalReAlloc(h, 50, GMEM_MOVEABLE), h);
    ASSERT_EQ(GlobalReAlloc(h, 300000, GMEM_MOVEABLE | GMEM_ZEROINIT), h);
    {
        GlobalLockGuard<unsigned char> lock(h);
        EXPECT_EQ(lock.get()[49], 50);
        EXPECT_TRUE(AllZero(lock.get() + 50, 300000 - 50));
    }
    EXPECT_EQ(GlobalFree(h), nullptr);
    EXPECT_EQ(LiveBlocks(), before);
}

TEST(GlobalMemory, LocksNestAndAMovableBlockMovesEvenWhileLocked) {
    ForcedMoves moves;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 16);
    void* a = GlobalLock(h);
    void* b = GlobalLock(h);
    EXPECT_EQ(a, b);
    EXPECT_EQ(GlobalFlags(h) & GMEM_LOCKCOUNT, 2u);
    EXPECT_TRUE(GlobalUnlock(h)); // still locked once
    // A locked block moves only when the caller allows it.
    EXPECT_EQ(GlobalReAlloc(h, 4096, 0), nullptr);
    EXPECT_EQ(GlobalSize(h), 16u);
    EXPECT_EQ(GlobalReAlloc(h, 4096, GMEM_MOVEABLE), h);
    EXPECT_NE(GlobalLock(h), a);
    GlobalUnlock(h);
    // Freeing memory someone still holds is refused.
    EXPECT_EQ(GlobalFree(h), h);
    EXPECT_FALSE(GlobalUnlock(h));
    EXPECT_FALSE(GlobalUnlock(h)); // not locked at all
    EXPECT_EQ(GlobalFree(h), nullptr);
}

TEST(GlobalMemory, FreedAndMadeUpHandlesAreRefused) {
    HGLOBAL h = GlobalAlloc(GHND, 8);
    ASSERT_EQ(GlobalFree(h), nullptr);
    // The slot is reused, but the old handle names nothing.
    HGLOBAL again = GlobalAlloc(GHND, 8);
    EXPECT_NE(again, h);
    EXPECT_EQ(GlobalLock(h), nullptr);
    EXPECT_EQ(GlobalSize(h), 0u);
    EXPECT_EQ(GlobalFlags(h), GMEM_INVALID_HANDLE);
    EXPECT_EQ(GlobalReAlloc(h, 16, GMEM_MOVEABLE), nullptr);
    EXPECT_EQ(GlobalFree(h), h);
    EXPECT_EQ(GlobalLock(nullptr), nullptr);
    EXPECT_EQ(GlobalLock(reinterpret_cast<HGLOBAL>(std::uintptr_t(12345))), nullptr);
    EXPECT_EQ(GlobalFree(again), nullptr);
    // Sizes that cannot be meant fail instead of wrapping.
    EXPECT_EQ(GlobalAlloc(GHND, SIZE_MAX), nullptr);
}

TEST(GlobalMemory, AnInjectedFailureLeavesTheBlockAsItWas) {
    HGLOBAL h = GlobalAlloc(GHND, 10);
    static_cast<char*>(GlobalLock(h))[0] = 'x';
    GlobalUnlock(h);
    FailAllocationAfter(0);
    EXPECT_EQ(GlobalReAlloc(h, 1 << 20, GMEM_MOVEABLE | GMEM_ZEROINIT), nullptr);
    EXPECT_EQ(GlobalSize(h), 10u);
    EXPECT_EQ(static_cast<char*>(GlobalLock(h))[0], 'x');
    GlobalUnlock(h);
    // Only that one fails.
    EXPECT_EQ(GlobalReAlloc(h, 1 << 20, GMEM_MOVEABLE | GMEM_ZEROINIT), h);
    FailAllocationAfter(1);
    HGLOBAL ok = GlobalAlloc(GHND, 4);
    EXPECT_NE(ok, nullptr);
    EXPECT_EQ(GlobalAlloc(GHND, 4), nullptr);
    GlobalFree(ok);
    GlobalFree(h);
}

} // namespace
