// Write a pattern, read it back with our own reader, compare the strokes.
#include "write_helpers.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

using Stroke = std::vector<_tagREALPT>;

std::vector<Stroke> Strokes(const std::vector<_tagREALPT>& list) {
    std::vector<Stroke> out;
    bool open = false;
    for (const _tagREALPT& p : list) {
        if (p.x == FLT_MAX || p.x == 32771.0f) {
            open = false;
            continue;
        }
        if (!open) out.emplace_back();
        open = true;
        out.back().push_back(p);
    }
    return out;
}

// Many strokes of fractional coordinates, with doubled markers among them.
std::vector<_tagREALPT> Fixture() {
    std::vector<_tagREALPT> pts{test::kM};
    std::uint32_t seed = 99;
    auto next = [&] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
    for (int stroke = 0; stroke < 1500; ++stroke) {
        const int n = 2 + static_cast<int>(next() % 5);
        for (int i = 0; i < n; ++i)
            pts.push_back({static_cast<float>(next() % 1000003) / 997.0f - 300.0f,
                           static_cast<float>(next() % 700001) / 991.0f});
        pts.push_back(test::kM);
        if (next() % 9 == 0) pts.push_back(test::kM);
    }
    return pts;
}

// QLI keeps whole units of a 10000-unit span: every point must come back
// within one unit, however many strokes came before it.
TEST(RoundTrip, QliKeepsEveryPointWithinOneUnit) {
    const std::vector<_tagREALPT> pts = Fixture();
    const auto written = test::WriteList(&CLoomveilDoc::WriteQli, pts);
    ASSERT_TRUE(written.ok) << written.error;
    const auto back = test::RenderText("qli", written.bytes);
    ASSERT_EQ(back.result, 1);

    const std::vector<Stroke> want = Strokes(pts);
    std::vector<Stroke> got = Strokes(back.points);
    // The reader starts every file at (0, 0), in the first stroke.
    ASSERT_FALSE(got.empty());
    got.front().erase(got.front().begin());
    ASSERT_EQ(got.size(), want.size());

    float minX = FLT_MAX, maxX = -FLT_MAX, minY = FLT_MAX, maxY = -FLT_MAX;
    for (const Stroke& s : want)
        for (const auto& p : s)
            minX = std::min(minX, p.x), maxX = std::max(maxX, p.x), minY = std::min(minY, p.y),
            maxY = std::max(maxY, p.y);
    const double s = std::min(10000.0 / (maxX - minX), 10000.0 / (maxY - minY));
    const _tagREALPT first = want.front().front();
    double worst = 0;
    for (std::size_t k = 0; k < want.size(); ++k) {
        ASSERT_EQ(got[k].size(), want[k].size()) << "stroke " << k;
        for (std::size_t i = 0; i < want[k].size(); ++i) {
            worst = std::max(worst, std::fabs(got[k][i].x - (want[k][i].x - first.x) * s));
            worst = std::max(worst, std::fabs(got[k][i].y - (want[k][i].y - first.y) * s));
        }
    }
    EXPECT_LT(worst, 1.01);
}

} // namespace
