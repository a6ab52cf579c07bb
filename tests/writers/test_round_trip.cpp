// Write a pattern, read it back with our own reader, compare the strokes.
#include "write_helpers.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

std::vector<std::vector<_tagREALPT>> Strokes(const std::vector<_tagREALPT>& list) {
    std::vector<std::vector<_tagREALPT>> out(1);
    for (const _tagREALPT& p : list) {
        if (p.x != FLT_MAX)
            out.back().push_back(p);
        else if (!out.back().empty())
            out.emplace_back();
    }
    if (out.back().empty()) out.pop_back();
    return out;
}

// QLI keeps whole units of a 10000-unit span. With 1500 strokes of
// fractional points (and some doubled markers), every point must come back
// within one unit, however many strokes came before it.
TEST(RoundTrip, QliKeepsEveryPointWithinOneUnit) {
    std::vector<_tagREALPT> pts{test::kM};
    std::uint32_t seed = 99;
    auto next = [&] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
    for (int stroke = 0; stroke < 1500; ++stroke) {
        for (int i = 0, n = 2 + static_cast<int>(next() % 5); i < n; ++i)
            pts.push_back({static_cast<float>(next() % 1000003) / 997.0f - 300.0f,
                           static_cast<float>(next() % 700001) / 991.0f});
        pts.push_back(test::kM);
        if (next() % 9 == 0) pts.push_back(test::kM);
    }
    const auto written = test::WriteList(&CLoomveilDoc::WriteQli, pts);
    ASSERT_TRUE(written.ok) << written.error;
    const auto back = test::RenderText("qli", written.bytes);
    ASSERT_EQ(back.result, 1);

    const auto want = Strokes(pts);
    auto got = Strokes(back.points);
    got.front().erase(got.front().begin()); // the reader starts every file at (0, 0)
    ASSERT_EQ(got.size(), want.size());
    double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
    for (const auto& st : want)
        for (const auto& p : st)
            minX = std::min<double>(minX, p.x), maxX = std::max<double>(maxX, p.x),
            minY = std::min<double>(minY, p.y), maxY = std::max<double>(maxY, p.y);
    const double s = 10000.0 / std::max(maxX - minX, maxY - minY);
    const _tagREALPT first = want.front().front();
    double worst = 0;
    for (std::size_t k = 0; k < want.size(); ++k) {
        ASSERT_EQ(got[k].size(), want[k].size()) << "stroke " << k;
        for (std::size_t i = 0; i < want[k].size(); ++i)
            worst = std::max({worst, std::fabs(got[k][i].x - (want[k][i].x - first.x) * s),
                              std::fabs(got[k][i].y - (want[k][i].y - first.y) * s)});
    }
    EXPECT_LT(worst, 1.01);
}

} // namespace
