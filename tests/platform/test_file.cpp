#include "platform/archive.h"
#include "platform/list.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

TEST(CFileTest, OpenFailuresCarryTheFrameworkCause) {
    test::TempDir dir;
    CFile f;
    CFileException e;
    EXPECT_FALSE(f.Open(CString(dir.File("missing.qli")), CFile::modeRead, &e));
    EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
    EXPECT_FALSE(f.Open(CString(dir.File("missing/x.qli")), CFile::modeRead, &e));
    EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
    test::WriteFile(dir.File("plain"), "x");
    EXPECT_FALSE(f.Open(CString(dir.File("plain/x.qli")), CFile::modeRead, &e));
    EXPECT_EQ(e.m_cause, CFileException::badPath);
    // A folder is not a file.
    EXPECT_FALSE(f.Open(CString(dir.path().string()), CFile::modeRead, &e));
    EXPECT_EQ(e.m_cause, CFileException::accessDenied);
    EXPECT_FALSE(f.IsOpen());
}

TEST(CFileTest, ReadStopsAtTheEndAndWriteTruncatesOnCreate) {
    test::TempDir dir;
    const std::string path = dir.File("f.bin");
    test::WriteFile(path, "0123456789");
    CFile f;
    ASSERT_TRUE(f.Open(CString(path), CFile::modeRead));
    EXPECT_EQ(f.GetLength(), 10u);
    char buf[16];
    EXPECT_EQ(f.Read(buf, 4), 4u);
    f.Seek(8, CFile::begin);
    EXPECT_EQ(f.Read(buf, 16), 2u);
    EXPECT_EQ(f.Read(buf, 16), 0u);
    f.Close();

    ASSERT_TRUE(f.Open(CString(path), CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite));
    f.Write("ab", 2);
    f.Close();
    EXPECT_EQ(test::ReadFile(path), "ab");
}

TEST(CArchiveTest, FixedReadsThrowEndOfFileCountedReadsDoNot) {
    test::TempDir dir;
    const std::string path = dir.File("a.bin");
    test::WriteFile(path, std::string("\x01\x02\x03\x04\x05\x06", 6));
    CFile f;
    ASSERT_TRUE(f.Open(CString(path), CFile::modeRead));
    CArchive ar(&f, CArchive::load);
    DWORD v = 0;
    ar >> v;
    EXPECT_EQ(v, 0x04030201u);
    char buf[8];
    EXPECT_EQ(ar.Read(buf, 8), 2u); // counted: what is there
    try {
        ar >> v;
        FAIL() << "no exception";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
    }
}

TEST(CArchiveTest, FlushWhileLoadingHandsTheFilePositionBack) {
    test::TempDir dir;
    const std::string path = dir.File("b.bin");
    std::string bytes(10000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i % 251);
    test::WriteFile(path, bytes);
    CFile f;
    ASSERT_TRUE(f.Open(CString(path), CFile::modeRead));
    CArchive ar(&f, CArchive::load);
    BYTE b = 0;
    ar >> b >> b >> b; // the archive has buffered 4096 bytes
    ar.Flush();
    EXPECT_EQ(f.GetPosition(), 3u);
    f.Seek(5000, CFile::begin);
    ar >> b;
    EXPECT_EQ(b, static_cast<BYTE>(5000 % 251));
}

TEST(CArchiveTest, StoringWritesThroughTheBufferAndReportsAFullDisk) {
    test::TempDir dir;
    const std::string path = dir.File("c.bin");
    {
        CFile f;
        ASSERT_TRUE(f.Open(CString(path), CFile::modeCreate | CFile::modeWrite));
        CArchive ar(&f, CArchive::store);
        std::string chunk(3000, 'z');
        ar.Write(chunk.data(), 3000);
        ar.Write(chunk.data(), 3000);
        ar << static_cast<WORD>(0x0A0D);
        ar.Close();
        f.Close();
    }
    EXPECT_EQ(test::ReadFile(path).size(), 6002u);
    EXPECT_EQ(test::ReadFile(path).substr(6000), "\r\n");

    CFile full;
    ASSERT_TRUE(full.Open(CString("/dev/full"), CFile::modeWrite));
    CArchive ar(&full, CArchive::store);
    ar.Write("abc", 3);
    try {
        ar.Close();
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::diskFull);
    }
}

TEST(CListTest, KeepsOrderAndWalksByPosition) {
    CList<int, int> list(10);
    for (int i = 1; i <= 3; ++i) list.AddTail(i);
    EXPECT_EQ(list.RemoveTail(), 3);
    list.AddTail(7);
    std::vector<int> seen;
    for (POSITION pos = list.GetHeadPosition(); pos;) seen.push_back(list.GetNext(pos));
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 7}));
    list.RemoveAll();
    EXPECT_EQ(list.GetHeadPosition(), nullptr);
    EXPECT_EQ(list.GetCount(), 0);
}

} // namespace
