#include "platform/atomic_file.h"
#include "write_helpers.h"
#include "writers/writer_frame.h"

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using test::TempDir;

std::size_t Entries(const fs::path& dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++n;
    return n;
}

// Writes beyond `bytes` fail with EFBIG, as a full disk fails them, for the
// life of the object (this test process only).
struct FileSizeLimit {
    rlimit saved{};
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit r = saved;
        r.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &r);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, SIG_DFL);
    }
};

TEST(AtomicFile, TheTargetChangesOnlyOnCommitAndKeepsItsMode) {
    TempDir dir;
    const std::string target = dir.File("pattern.plt");
    test::WriteFile(target, "old");
    ::chmod(target.c_str(), 0640);
    {
        AtomicFile f;
        ASSERT_TRUE(f.Open(CString(target)));
        f.Write("new", 3);
        EXPECT_EQ(test::ReadFile(target), "old");
        EXPECT_EQ(fs::path(f.TempPath()).parent_path(), dir.path());
        f.Commit();
    }
    EXPECT_EQ(test::ReadFile(target), "new");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, fs::perms(0640));
    EXPECT_EQ(Entries(dir.path()), 1u);

    // Discarded, or destroyed without a commit: the old file stays, the
    // temporary file goes.
    for (bool explicitDiscard : {true, false}) {
        AtomicFile f;
        ASSERT_TRUE(f.Open(CString(target)));
        f.Write("half", 4);
        if (explicitDiscard) f.Discard();
    }
    EXPECT_EQ(test::ReadFile(target), "new");
    EXPECT_EQ(Entries(dir.path()), 1u);
}

TEST(AtomicFile, ALinkIsReplacedAtItsDestination) {
    TempDir dir;
    test::WriteFile(dir.File("real.qli"), "old");
    fs::create_symlink(dir.File("real.qli"), dir.File("link.qli"));
    AtomicFile f;
    ASSERT_TRUE(f.Open(CString(dir.File("link.qli"))));
    f.Write("new", 3);
    f.Commit();
    EXPECT_TRUE(fs::is_symlink(dir.File("link.qli")));
    EXPECT_EQ(test::ReadFile(dir.File("real.qli")), "new");
}

TEST(AtomicFile, OpenFailuresSayWhy) {
    TempDir dir;
    test::WriteFile(dir.File("plain"), "x");
    const struct {
        std::string path;
        int cause;
    } cases[] = {
        {dir.File("missing/out.dxf"), CFileException::fileNotFound},
        {dir.File("plain/out.dxf"), CFileException::badPath},
        {dir.path().string(), CFileException::accessDenied},
    };
    for (const auto& c : cases) {
        AtomicFile f;
        CFileException e;
        EXPECT_FALSE(f.Open(CString(c.path), CFile::modeCreate | CFile::modeWrite, &e)) << c.path;
        EXPECT_EQ(e.m_cause, c.cause) << c.path;
    }
    EXPECT_EQ(Entries(dir.path()), 1u);
}

TEST(AtomicFile, ReadOnlyFolderOrFileIsRefused) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
    TempDir dir;
    test::WriteFile(dir.File("locked.qcc"), "old");
    ::chmod(dir.File("locked.qcc").c_str(), 0444);
    AtomicFile f;
    CFileException e;
    EXPECT_FALSE(f.Open(CString(dir.File("locked.qcc")), CFile::modeCreate | CFile::modeWrite, &e));
    EXPECT_EQ(e.m_cause, CFileException::accessDenied);
    ::chmod(dir.path().c_str(), 0555);
    EXPECT_FALSE(f.Open(CString(dir.File("new.qcc")), CFile::modeCreate | CFile::modeWrite, &e));
    EXPECT_EQ(e.m_cause, CFileException::accessDenied);
    ::chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(test::ReadFile(dir.File("locked.qcc")), "old");
}

TEST(AtomicFile, DevicesAreWrittenDirectly) {
    AtomicFile null;
    ASSERT_TRUE(null.Open(CString("/dev/null")));
    EXPECT_TRUE(null.TempPath().empty());
    null.Write("x", 1);
    null.Commit();

    AtomicFile full;
    ASSERT_TRUE(full.Open(CString("/dev/full")));
    try {
        full.Write("x", 1);
        full.Commit();
        FAIL() << "a write to /dev/full succeeded";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::diskFull);
    }
    struct stat st {};
    ASSERT_EQ(::stat("/dev/full", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

// Our number formatting against the C library's printf, over random floats
// (every bit pattern: subnormals, huge values, NaN), values with exact ties
// at three and six decimals (k / 1024, k / 128), and the awkward ones.
TEST(WriterOutput, NumbersPrintAsPrintfPrintsThem) {
    std::mt19937 rng(12345);
    std::vector<float> values = {0.0f,    -0.0f,       0.0005f,  0.0015f,    -0.0025f, 999.9995f, 1e-7f,
                                 FLT_MAX, -FLT_MAX,    INFINITY, -INFINITY,  NAN,      -NAN,      32771.0f,
                                 1e12f,   -9.9999e11f, 1e13f,    0.0000005f, 4.0f};
    for (int i = 0; i < 20000; ++i) {
        const std::uint32_t bits = rng();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        values.push_back(f);
        const int k = static_cast<int>(rng() % 2000001) - 1000000;
        values.push_back(static_cast<float>(k) / 1024.0f);
        values.push_back(static_cast<float>(k) / 128.0f);
    }
    TempDir dir;
    CFile file;
    ASSERT_TRUE(file.Open(CString(dir.File("n.txt")), CFile::modeCreate | CFile::modeWrite));
    std::string want;
    {
        CArchive ar(&file, CArchive::store);
        writers::Output out(ar);
        char buf[512];
        for (float v : values) {
            const double d = v;
            out.Fixed(v, 6)
                .Text("|")
                .Fixed(v, 3)
                .Text("|")
                .Fixed(v, 3, 4)
                .Text("|")
                .Int(TruncToInt(v))
                .Text("\n");
            std::snprintf(buf, sizeof buf, "%f|%.3f|%#4.3f|%d\n", d, d, d, TruncToInt(v));
            want += buf;
        }
        out.Flush();
        ar.Close();
    }
    file.Close();
    // Line by line, so that a difference reads as one value.
    std::istringstream got(test::ReadFile(dir.File("n.txt"))), expected(want);
    std::string g, w;
    int differences = 0;
    while (std::getline(expected, w) && differences < 5) {
        std::getline(got, g);
        if (g != w) ++differences;
        EXPECT_EQ(g, w);
    }
    EXPECT_FALSE(std::getline(got, g)) << "extra output";
}

TEST(WriterFrame, AFullDiskLeavesTheOldFileAndNoTemporaryFile) {
    TempDir dir;
    const std::string target = dir.File("old.dxf");
    test::WriteFile(target, "the old drawing");
    CLoomveilDoc doc;
    for (int i = 0; i < 1000; ++i) doc.m_PointList.AddTail({float(i), float(i % 7)});
    doc.m_strFilePath = CString(target);
    {
        FileSizeLimit limit(4000);
        EXPECT_FALSE(doc.WriteDxf());
    }
    EXPECT_EQ(doc.m_strError, std::strerror(EFBIG));
    EXPECT_EQ(test::ReadFile(target), "the old drawing");
    EXPECT_EQ(Entries(dir.path()), 1u);
    // Without the limit the same write succeeds and replaces it.
    EXPECT_TRUE(doc.WriteDxf());
    EXPECT_GT(test::ReadFile(target).size(), 4000u);
    EXPECT_TRUE(doc.m_strError.empty());
}

TEST(WriterFrame, BoundsSkipBothMarkersAndRememberTheFirstPoint) {
    CPointList list;
    for (_tagREALPT p : {_tagREALPT{32771.0f, -50}, test::kM, {3, 4}, {-1, 9}, {32771.0f, 99}, {7, -2}})
        list.AddTail(p);
    const writers::Bounds b = writers::BoundingPass(list);
    EXPECT_EQ(b.firstX, 3);
    EXPECT_EQ(b.firstY, 4);
    EXPECT_EQ(b.minX, -1);
    EXPECT_EQ(b.maxX, 7);
    EXPECT_EQ(b.minY, -2);
    EXPECT_EQ(b.maxY, 9);
    EXPECT_EQ(writers::ScaleFor(10, 0, 4), 2.5f);
    EXPECT_EQ(writers::ScaleFor(10, 4, 0), 2.5f);
}

} // namespace
