#include "platform/atomic_file.h"
#include "write_helpers.h"
#include "writers/writer_frame.h"

#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using test::Entries;
using test::TempDir;

TEST(AtomicFile, TheTargetChangesOnlyOnCommit) {
    TempDir dir;
    const std::string target = dir.File("pattern.plt");
    test::WriteFile(target, "old");
    ::chmod(target.c_str(), 0640);
    fs::create_symlink(target, dir.File("link.plt"));
    enum { discard, destroy, commit };
    for (int end : {discard, destroy, commit}) {
        AtomicFile f;
        ASSERT_TRUE(f.Open(CString(dir.File("link.plt"))));
        f.Write("new", 3);
        EXPECT_EQ(test::ReadFile(target), "old");
        EXPECT_EQ(fs::path(f.TempPath()).parent_path(), dir.path());
        if (end == discard) f.Discard();
        if (end == commit) f.Commit();
    }
    EXPECT_EQ(test::ReadFile(target), "new");
    EXPECT_TRUE(fs::is_symlink(dir.File("link.plt")));
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, fs::perms(0640));
    EXPECT_EQ(Entries(dir.path()), 2u);
}

TEST(AtomicFile, OpenFailuresSayWhy) {
    TempDir dir;
    test::WriteFile(dir.File("plain"), "x");
    test::WriteFile(dir.File("locked"), "x");
    ::chmod(dir.File("locked").c_str(), 0444);
    fs::create_directory(dir.File("ro"));
    ::chmod(dir.File("ro").c_str(), 0555);
    const std::pair<std::string, int> cases[] = {
        {dir.File("missing/out.dxf"), CFileException::fileNotFound},
        {dir.File("plain/out.dxf"), CFileException::badPath},
        {dir.path().string(), CFileException::accessDenied},
        // A read-only file is not replaced, nor is anything written into a
        // read-only folder (permissions do not stop root).
        {geteuid() == 0 ? dir.path().string() : dir.File("locked"), CFileException::accessDenied},
        {geteuid() == 0 ? dir.path().string() : dir.File("ro/new.dxf"), CFileException::accessDenied},
    };
    for (const auto& [path, cause] : cases) {
        AtomicFile f;
        CFileException e;
        EXPECT_FALSE(f.Open(CString(path), CFile::modeCreate | CFile::modeWrite, &e)) << path;
        EXPECT_EQ(e.m_cause, cause) << path;
    }
    EXPECT_EQ(Entries(dir.path()), 3u);
    EXPECT_EQ(Entries(dir.File("ro")), 0u);
}

// Our number formatting against the C library's printf, over random floats
// (every bit pattern: subnormals, huge values, NaN), values with exact ties
// at three and six decimals (k / 1024, k / 128), and the awkward ones.
TEST(WriterOutput, NumbersPrintAsPrintfPrintsThem) {
    std::mt19937 rng(12345);
    std::vector<float> values = {0.0f,    -0.0f,    0.0005f,     -0.0025f,  999.9995f,
                                 FLT_MAX, -FLT_MAX, INFINITY,    -INFINITY, NAN,
                                 -NAN,    1e12f,    -9.9999e11f, 1e13f,     0.0000005f};
    for (int i = 0; i < 20000; ++i) {
        const std::uint32_t bits = rng();
        values.push_back(std::bit_cast<float>(bits));
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
            out.Fixed(v, 6).Text("|").Fixed(v, 3).Text("|").Fixed(v, 3, 4).Text("|").Int(TruncToInt(v));
            out.Text("\n");
            const double d = v;
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
    for (int differences = 0; std::getline(expected, w) && differences < 5;) {
        std::getline(got, g);
        differences += g != w;
        EXPECT_EQ(g, w);
    }
    EXPECT_FALSE(std::getline(got, g)) << "extra output";
}

} // namespace
