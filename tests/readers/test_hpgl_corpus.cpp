// The real plot files of ../shared/corpus/hpgl, read as the viewer reads
// them. The figures to meet come from an independent count (a separate
// script over the same files, following PU/PD/PA/PR, IP and SC, labels
// left out) and, where it agrees with that count, from the peer renderer
// hp2xx: the pen-down moves each file holds and the extent of what they
// draw. Files that also hold labels, curves, polygons or encoded
// polylines draw more than those moves, so their extent holds the counted
// one; the encoded ones are pinned by their decoded outlines.
#include "model/stroke_stats.h"
#include "readers/reader_test.h"

#include <filesystem>

namespace test {
namespace {

struct CorpusFile {
    const char* name;
    std::size_t penDownMoves; // at least this many drawn segments
    double widthMm, heightMm; // extent of the counted moves
    bool exact;               // nothing else draws: the extent is exactly that
};

// clang-format off
const CorpusFile kCorpus[] = {
    {"goodhew_test.plt",            656, 215.62, 144.00, false},
    {"hp2xx_286x192.5_lh.hpg",      117, 192.50, 286.00, true}, // RO 90 turns it upright
    {"hp2xx_charsets.hp",          6000,   0,      0,    false}, // labels only
    {"hp2xx_colors.hp",              28,  35.00,  35.00, true},
    {"hp2xx_cp.hp",                   3,  75.00,  50.00, false},
    {"hp2xx_dt.plt",                700,   0,      0,    false}, // labels only
    {"hp2xx_la.hp",                  36, 100.00,  50.00, true},
    {"hp2xx_pages.1.hpgl",           39, 196.00, 196.00, true},
    {"hp2xx_pm.hp",                  17,  25.00,  25.00, true},
    {"hp2xx_symbols.hp",              8,  82.50,  36.00, false},
    {"hp2xx_thick.hp",               32, 480.00, 355.00, true},
    {"jemgreen_test-Model.plt",      18,  98.89,  98.89, true},
    {"jemgreen_test2a-Layout1.plt",   4, 232.24, 162.90, true},
    {"jemgreen_test3-Model.plt",      4,  39.88,  39.88, true},
    {"vk2bea_Cassini.hpgl",        3239, 354.90, 283.25, true},
    {"vk2bea_DSN-antenna.hpgl",    4206, 365.03, 272.45, true},
    {"vk2bea_HP8595E-FM.hpgl",      431, 361.65, 262.05, false},
    {"vk2bea_RS-analyzer.hpgl",    1978, 247.65, 155.95, false},
    {"vk2bea_hp.hpgl",             1768, 236.81,  47.44, true},
    {"vk2bea_space-shuttle.hpgl",  4255, 151.98, 177.90, true},
    {"vk2bea_tektronix.hpgl",      2248, 170.79, 169.02, true},
};
// clang-format on

// Drawn segments and the extent of the strokes that draw (two points or
// more), in millimetres of 0.025 mm plotter units.
struct Drawn {
    std::size_t segments = 0;
    double widthMm = 0, heightMm = 0;
};
Drawn Measure(const std::vector<_tagREALPT>& model) {
    CPointList drawn;
    std::vector<_tagREALPT> stroke;
    auto flush = [&] {
        if (stroke.size() >= 2)
            for (const _tagREALPT& p : stroke) drawn.AddTail(p);
        drawn.AddTail(kBreakMarker);
        stroke.clear();
    };
    Drawn d;
    for (const _tagREALPT& p : model) {
        if (IsBreak(p)) {
            flush();
            continue;
        }
        d.segments += !stroke.empty();
        stroke.push_back(p);
    }
    flush();
    const StrokeStats s = ComputeStrokeStats(drawn);
    d.widthMm = (s.maxX - s.minX) * 0.025;
    d.heightMm = (s.maxY - s.minY) * 0.025;
    return d;
}

} // namespace

TEST(HpglCorpus, EveryFileDrawsItsPenDownMovesAtItsTrueSize) {
    const std::filesystem::path dir = std::filesystem::path(LOOMVEIL_SOURCE_DIR) / "../shared/corpus/hpgl";
    if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no corpus at " << dir;
    for (const CorpusFile& f : kCorpus) {
        SCOPED_TRACE(f.name);
        CLoomveilDoc doc;
        const Rendered r = RenderPath(doc, (dir / f.name).string());
        ASSERT_EQ(r.result, 1) << doc.m_strError;
        EXPECT_GT(CountNonWhite(r.image), 0);
        const Drawn d = Measure(r.points);
        EXPECT_GE(d.segments, f.penDownMoves);
        if (f.exact) {
            EXPECT_NEAR(d.widthMm, f.widthMm, 0.01);
            EXPECT_NEAR(d.heightMm, f.heightMm, 0.01);
        } else {
            EXPECT_GE(d.widthMm, f.widthMm - 0.01);
            EXPECT_GE(d.heightMm, f.heightMm - 0.01);
        }
    }
}

} // namespace test
