// The developers' corpus of real stitch files (../shared/corpus/quilt):
// every file reads, at the size its own header or its pair states. Skipped
// with a message when the corpus is not there.
#include "readers/reader_test.h"

#include <algorithm>
#include <filesystem>
#include <map>

namespace test {
namespace {

namespace fs = std::filesystem;

fs::path CorpusDir() {
    return fs::path(LOOMVEIL_SOURCE_DIR) / ".." / "shared" / "corpus" / "quilt";
}

struct Extent {
    double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
    double Width() const { return maxX - minX; }
    double Height() const { return maxY - minY; }
};
Extent ExtentOf(const std::vector<_tagREALPT>& model) {
    Extent e;
    for (const _tagREALPT& p : model) {
        if (p.x == FLT_MAX) continue;
        e.minX = std::min<double>(e.minX, p.x), e.maxX = std::max<double>(e.maxX, p.x);
        e.minY = std::min<double>(e.minY, p.y), e.maxY = std::max<double>(e.maxY, p.y);
    }
    return e;
}

// The header's extents from the start point: +X, -X, +Y, -Y (0.1 mm).
std::map<std::string, int> DstHeader(const std::string& bytes) {
    std::map<std::string, int> fields;
    for (const char* key : {"+X:", "-X:", "+Y:", "-Y:"}) {
        const std::size_t at = bytes.substr(0, 512).find(key);
        if (at != std::string::npos) fields[key] = std::atoi(bytes.c_str() + at + 3);
    }
    return fields;
}

std::vector<_tagREALPT> ReadCorpusFile(const fs::path& path) {
    CLoomveilDoc doc;
    const Rendered r = RenderPath(doc, path.string());
    EXPECT_EQ(r.result, 1) << path.filename() << ": " << doc.m_strError;
    EXPECT_GT(CountNonWhite(r.image), 0) << path.filename();
    return r.points;
}

} // namespace

TEST(QuiltCorpus, EveryFileReadsAtTheSizeItsHeaderOrItsPairStates) {
    if (!fs::is_directory(CorpusDir())) GTEST_SKIP() << "no corpus at " << CorpusDir();
    std::map<std::string, Extent> byStem; // DST extents, by design
    int dst = 0, exp = 0;
    for (const auto& entry : fs::directory_iterator(CorpusDir())) {
        if (entry.path().extension() != ".dst") continue;
        SCOPED_TRACE(entry.path().filename().string());
        const auto header = DstHeader(ReadFile(entry.path().string()));
        ASSERT_EQ(header.size(), 4u);
        // The model is y down; the header's extents are y up. Writers round
        // the header, so it may miss the decoded stitches by one unit.
        const Extent e = ExtentOf(ReadCorpusFile(entry.path()));
        EXPECT_NEAR(e.maxX, header.at("+X:"), 1);
        EXPECT_NEAR(-e.minX, header.at("-X:"), 1);
        EXPECT_NEAR(-e.minY, header.at("+Y:"), 1);
        EXPECT_NEAR(e.maxY, header.at("-Y:"), 1);
        byStem[entry.path().stem().string()] = e;
        ++dst;
    }
    // EXP designs decode to exactly their DST pair's extents, the G-code
    // text (inches) to within 1%. The binary PAT is another digitisation of
    // its design: its satin columns reach 0.5 mm further out (1.2%).
    const std::tuple<const char*, const char*, double, double> pairs[] = {
        {"catalogue_Bean.exp", "catalogue_Bean", 1, 0},
        {"catalogue_Cake_3.exp", "catalogue_Cake_3", 1, 0},
        {"catalogue_rectangle.exp", "catalogue_rectangle", 1, 0},
        {"embroidermodder_test.exp", "embroidermodder_test", 1, 0},
        {"embroidermodder_test.pat", "embroidermodder_test", 1, 0.015},
        {"embroidermodder_logo.bqm", "embroidermodder_logo", 254, 0.01},
        {"geometric_objects.bqm", "geometric_objects", 254, 0.01},
    };
    for (const auto& [name, stem, tenthsPerUnit, tolerance] : pairs) {
        SCOPED_TRACE(name);
        const fs::path path = CorpusDir() / name;
        ASSERT_TRUE(fs::exists(path));
        ASSERT_TRUE(byStem.count(stem));
        const Extent want = byStem[stem], got = ExtentOf(ReadCorpusFile(path));
        EXPECT_NEAR(got.Width() * tenthsPerUnit, want.Width(), want.Width() * tolerance);
        EXPECT_NEAR(got.Height() * tenthsPerUnit, want.Height(), want.Height() * tolerance);
        exp += std::string_view(name).ends_with(".exp");
    }
    EXPECT_EQ(dst, 8);
    EXPECT_EQ(exp, 4);
}

} // namespace test
