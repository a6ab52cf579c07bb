// Write a pattern, read it back with our own reader, compare the strokes.
#include "readers/list_unit.h"
#include "write_helpers.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <utility>

namespace {

using test::Strokes;

// Strokes of two to six fractional points after a leading marker; with
// doubled, some markers come twice.
std::vector<_tagREALPT> Pattern(int strokes, std::uint32_t seed, bool doubled = false) {
    std::vector<_tagREALPT> list{test::kM};
    auto next = [&] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
    for (int k = 0; k < strokes; ++k) {
        for (int i = 0, n = 2 + static_cast<int>(next() % 5); i < n; ++i)
            list.push_back({static_cast<float>(next() % 100003) / 97.0f - 300.0f,
                            static_cast<float>(next() % 70001) / 91.0f});
        list.push_back(test::kM);
        if (doubled && next() % 9 == 0) list.push_back(test::kM);
    }
    return list;
}

using Map = std::function<std::pair<double, double>(const _tagREALPT&)>;

// Writes the pattern, reads it back (fix mends what the reader adds) and
// returns the largest distance between a point read back and where map
// says the writer put it, stroke by stroke and point by point.
double Worst(BOOL (CLoomveilDoc::*writer)(), const char* ext, const std::vector<_tagREALPT>& pattern,
             const Map& map, const std::function<void(Strokes&)>& fix = {}) {
    const auto written = test::WriteList(writer, pattern);
    EXPECT_TRUE(written.ok) << written.error;
    const auto back = test::RenderText(ext, written.bytes);
    EXPECT_EQ(back.result, 1);
    Strokes got = test::SplitStrokes(back.points);
    if (fix && !got.empty()) fix(got);
    const Strokes want = test::SplitStrokes(pattern);
    EXPECT_EQ(got.size(), want.size());
    double worst = 0;
    for (std::size_t k = 0; k < std::min(got.size(), want.size()); ++k) {
        EXPECT_EQ(got[k].size(), want[k].size()) << "stroke " << k;
        for (std::size_t i = 0; i < std::min(got[k].size(), want[k].size()); ++i) {
            const auto [x, y] = map(want[k][i]);
            worst = std::max({worst, std::fabs(got[k][i].x - x), std::fabs(got[k][i].y - y)});
        }
    }
    return worst;
}

// Scaled so the larger side spans span, measured from the first point.
Map FromFirst(const std::vector<_tagREALPT>& pattern, double span) {
    const double s = span / test::BoxOf(test::SplitStrokes(pattern)).Span();
    const _tagREALPT first = pattern[1];
    return [=](const _tagREALPT& q) { return std::pair{(q.x - first.x) * s, (q.y - first.y) * s}; };
}

// QLI keeps whole units of a 10000-unit span: with 1500 strokes (and some
// doubled markers) every point must come back within one unit, however
// many strokes came before it.
TEST(RoundTrip, QliKeepsEveryPointWithinOneUnit) {
    const auto p = Pattern(1500, 99, true);
    // The reader starts every file at (0, 0).
    EXPECT_LT(Worst(&CLoomveilDoc::WriteQli, "qli", p, FromFirst(p, 10000),
                    [](Strokes& s) { s.front().erase(s.front().begin()); }),
              1.01);
}

// PLT keeps whole units of a 1000-unit span, truncated toward the first point.
TEST(RoundTrip, PltKeepsEveryPointWithinOneUnit) {
    const auto p = Pattern(300, 7);
    // The writer's fixed "PU0,0;" line reads back as a stroke of one point.
    EXPECT_LT(Worst(&CLoomveilDoc::WritePlt, "plt", p, FromFirst(p, 1000),
                    [](Strokes& s) {
                        if (s.front().size() == 1) s.erase(s.begin());
                    }),
              1.0);
}

// HQF keeps three decimals of a 10-unit span; every stroke comes back whole.
TEST(RoundTrip, HqfKeepsThreeDecimals) {
    const auto p = Pattern(300, 11);
    EXPECT_LT(Worst(&CLoomveilDoc::WriteHqf, "hqf", p, FromFirst(p, 10)), 0.0006);
}

// QCC keeps three decimals of a 4-unit square from the smaller corner; its
// y is not negated when written, so the reader shows the pattern mirrored.
TEST(RoundTrip, QccKeepsThreeDecimalsMirrored) {
    const auto p = Pattern(300, 13);
    const test::Box b = test::BoxOf(test::SplitStrokes(p));
    const double s = 4 / b.Span();
    EXPECT_LT(Worst(&CLoomveilDoc::WriteQcc, "qcc", p,
                    [&](const _tagREALPT& q) {
                        return std::pair{(q.x - b.minX) * s, -(q.y - b.minY) * s};
                    }),
              0.0006);
}

// At the pattern's size every writer's file reads back in its format's own
// unit: each point lies where it was, in millimetres from the first point,
// within the format's resolution. The pattern is about 10 x 8 mm, so that no
// EXP move needs splitting; DXF comes back as the drawing's outline in
// pixels, measured through its $INSUNITS.
TEST(RoundTrip, EveryWriterKeepsTheSizeItWasGiven) {
    constexpr double kMmPerUnit = 0.01;
    const auto p = Pattern(40, 21);
    const Strokes want = test::SplitStrokes(p);
    const std::tuple<BOOL (CLoomveilDoc::*)(), const char*, double> cases[] = {
        {&CLoomveilDoc::WriteQli, "qli", 0.026}, {&CLoomveilDoc::WritePlt, "plt", 0.026},
        {&CLoomveilDoc::WriteHqf, "hqf", 0.013}, {&CLoomveilDoc::WriteQcc, "qcc", 0.026},
        {&CLoomveilDoc::WriteExp, "exp", 0.101}, {&CLoomveilDoc::WriteDxf, "dxf", 0.05}};
    for (const auto& [writer, ext, tolerance] : cases) {
        SCOPED_TRACE(ext);
        const auto written = test::WriteList(writer, p, kMmPerUnit);
        ASSERT_TRUE(written.ok) << written.error;
        test::TempDir dir;
        CLoomveilDoc doc;
        const std::string path = dir.File(std::string("back.") + ext);
        test::WriteFile(path, written.bytes);
        const test::Rendered back = test::RenderPath(doc, path, 600, 600);
        ASSERT_EQ(back.result, 1) << doc.m_strError;
        const units::ListUnit unit = units::UnitOfPointList(doc, 600, 600);
        ASSERT_TRUE(unit.Known()) << unit.why;
        // PLT's opening pen-up is a stroke of one point; QLI starts at the
        // origin, which is the first point too.
        Strokes got;
        for (auto& s : test::SplitStrokes(back.points))
            if (s.size() > 1) got.push_back(s);
        if (!got.empty() && got[0].size() == want[0].size() + 1) got[0].erase(got[0].begin());
        ASSERT_EQ(got.size(), want.size());
        double worst = 0;
        for (std::size_t k = 0; k < want.size(); ++k) {
            ASSERT_EQ(got[k].size(), want[k].size()) << k;
            for (std::size_t i = 0; i < want[k].size(); ++i) {
                const double dx =
                    (got[k][i].x - got[0][0].x) * unit.mmPerUnit - (want[k][i].x - want[0][0].x) * kMmPerUnit;
                const double dy =
                    (got[k][i].y - got[0][0].y) * unit.mmPerUnit - (want[k][i].y - want[0][0].y) * kMmPerUnit;
                worst = std::max({worst, std::fabs(dx), std::fabs(dy)});
            }
        }
        EXPECT_LT(worst, tolerance);
    }
}

} // namespace
