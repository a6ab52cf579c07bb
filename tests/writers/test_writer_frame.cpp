#include "platform/atomic_file.h"
#include "write_helpers.h"
#include "writers/writer_frame.h"

#include <bit>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace test {
namespace {

namespace fs = std::filesystem;

TEST(AtomicFile, TheTargetChangesOnlyOnCommit) {
    TempDir dir;
    const std::string target = dir.File("pattern.plt");
    WriteFile(target, "old");
    ::chmod(target.c_str(), 0640);
    fs::create_symlink(target, dir.File("link.plt"));
    for (int end : {0, 1, 2}) { // discarded, destroyed, committed
        AtomicFile f;
        ASSERT_TRUE(f.Open(CString(dir.File("link.plt"))));
        f.Write("new", 3);
        EXPECT_EQ(ReadFile(target), "old");
        EXPECT_EQ(fs::path(f.TempPath()).parent_path(), dir.path());
        if (end == 0) f.Discard();
        if (end == 2) f.Commit();
    }
    // Through the link, with the old permissions, and nothing left beside.
    EXPECT_EQ(ReadFile(target), "new");
    EXPECT_TRUE(fs::is_symlink(dir.File("link.plt")));
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, fs::perms(0640));
    EXPECT_EQ(Entries(dir.path()), 2u);
}

TEST(AtomicFile, RefusesWhatItMayNotReplace) {
    // A folder, a read-only file, a new file in a read-only folder (root
    // passes permissions and gets the folder case only); nothing is left.
    TempDir dir;
    WriteFile(dir.File("locked"), "x");
    ::chmod(dir.File("locked").c_str(), 0444);
    fs::create_directory(dir.File("ro"));
    ::chmod(dir.File("ro").c_str(), 0555);
    const bool root = geteuid() == 0;
    for (const std::string& path :
         {dir.path().string(), dir.File(root ? "" : "locked"), dir.File(root ? "" : "ro/x")}) {
        AtomicFile f;
        CFileException e;
        EXPECT_FALSE(f.Open(CString(path), CFile::modeCreate | CFile::modeWrite, &e)) << path;
        EXPECT_EQ(e.m_cause, CFileException::accessDenied) << path;
    }
    EXPECT_EQ(Entries(dir.path()), 2u);
    EXPECT_EQ(Entries(dir.File("ro")), 0u);
}

// Our number formatting against the C library's printf, through the
// writers' buffered output: random bit patterns (subnormals, huge values,
// NaN), exact ties at three and six decimals (k / 1024, k / 128), and the
// awkward ones.
TEST(WriterOutput, NumbersPrintAsPrintfPrintsThem) {
    std::vector<float> values = {0.0f,    -0.0f,    0.0005f,     -0.0025f,  999.9995f,
                                 FLT_MAX, -FLT_MAX, INFINITY,    -INFINITY, NAN,
                                 -NAN,    1e12f,    -9.9999e11f, 1e13f,     0.0000005f};
    std::mt19937 rng(12345);
    for (int i = 0; i < 20000; ++i) {
        const int k = static_cast<int>(rng() % 2000001) - 1000000;
        values.insert(values.end(),
                      {std::bit_cast<float>(static_cast<std::uint32_t>(rng())), k / 1024.0f, k / 128.0f});
    }
    TempDir dir;
    CLoomveilDoc doc;
    doc.m_strFilePath = CString(dir.File("n.txt"));
    std::string want;
    ASSERT_TRUE(writers::RunWriter(doc, [&](writers::Output& out) {
        char buf[512];
        for (float v : values) {
            out.Fixed(v, 6)
                .Text("|")
                .Fixed(v, 3)
                .Text("|")
                .Fixed(v, 3, 4)
                .Text("|")
                .Int(TruncToInt(v))
                .Text("\n");
            std::snprintf(buf, sizeof buf, "%f|%.3f|%#4.3f|%d\n", double(v), double(v), double(v),
                          TruncToInt(v));
            want += buf;
        }
        return writers::Written::file;
    })) << doc.m_strError;
    // Line by line, so that a difference reads as one value.
    const std::string got = ReadFile(dir.File("n.txt"));
    std::istringstream g(got), w(want);
    int differences = 0;
    for (std::string a, b; std::getline(w, b) && differences < 5; differences += a != b) {
        std::getline(g, a);
        EXPECT_EQ(a, b);
    }
    EXPECT_EQ(got.size(), want.size());
}

} // namespace
} // namespace test
