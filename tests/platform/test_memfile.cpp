#include "platform/memfile.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

std::string Contents(const CMemFile& f) {
    return std::string(reinterpret_cast<const char*>(f.GetBuffer()), static_cast<std::size_t>(f.GetLength()));
}

TEST(CMemFileTest, GrowsInStepsAndReadsBackWhatWasWritten) {
    CMemFile f(16);
    f.Write("0123456789", 10);
    f.Write("abcdefghij", 10);
    EXPECT_EQ(f.GetLength(), 20u);
    EXPECT_EQ(Contents(f), "0123456789abcdefghij");
    // A write after a seek past the end leaves zeros in the gap.
    f.Seek(4, CFile::end);
    f.Write("Z", 1);
    EXPECT_EQ(Contents(f), std::string("0123456789abcdefghij\0\0\0\0Z", 25));

    char buf[8] = {};
    f.Seek(-5, CFile::end);
    EXPECT_EQ(f.Read(buf, sizeof buf), 5u);
    EXPECT_EQ(f.Read(buf, sizeof buf), 0u);
    f.Seek(100, CFile::begin);
    EXPECT_EQ(f.Read(buf, sizeof buf), 0u);
    EXPECT_THROW(f.Seek(-1, CFile::begin), CFileException);
    EXPECT_EQ(f.GetPosition(), 100u);
}

TEST(CMemFileTest, AttachedBuffersAndDetach) {
    // A borrowed buffer is read and overwritten in place, never grown.
    char text[] = "borrowed";
    CMemFile borrowed(reinterpret_cast<BYTE*>(text), 8);
    EXPECT_EQ(borrowed.GetLength(), 8u);
    borrowed.Write("B", 1);
    EXPECT_EQ(std::string(text), "Borrowed");
    borrowed.Seek(0, CFile::end);
    EXPECT_THROW(borrowed.Write("x", 1), CMemoryException);
    EXPECT_FALSE(borrowed.Detach()); // stays its owner's
    EXPECT_EQ(borrowed.GetLength(), 0u);

    // A handed-over buffer with grow step 0 keeps its size...
    MallocBuffer owned(static_cast<BYTE*>(std::malloc(4)));
    std::memcpy(owned.get(), "abcd", 4);
    CMemFile f;
    f.Attach(std::move(owned), 4, 0);
    EXPECT_EQ(Contents(f), "abcd");
    f.Seek(0, CFile::end);
    EXPECT_THROW(f.Write("e", 1), CMemoryException);
    // ...and comes back whole on Detach, leaving the file empty.
    const MallocBuffer back = f.Detach();
    ASSERT_TRUE(back);
    EXPECT_EQ(std::memcmp(back.get(), "abcd", 4), 0);
    EXPECT_EQ(f.GetLength(), 0u);
    EXPECT_FALSE(f.GetBuffer());

    // With a grow step it grows.
    MallocBuffer growable(static_cast<BYTE*>(std::malloc(2)));
    std::memcpy(growable.get(), "xy", 2);
    f.Attach(std::move(growable), 2, 1024);
    f.Seek(0, CFile::end);
    f.Write("z", 1);
    EXPECT_EQ(Contents(f), "xyz");
}

} // namespace
