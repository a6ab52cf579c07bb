// Write a pattern, read it back with our own reader, compare the strokes.
#include "write_helpers.h"

#include <algorithm>
#include <cmath>
#include <utility>
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

// A pattern of strokes (two to six fractional points each) after a leading
// marker, and its extent.
struct Pattern {
    std::vector<_tagREALPT> list{test::kM};
    double minX = 1e30, minY = 1e30, maxX = -1e30, maxY = -1e30;
    explicit Pattern(int strokes, std::uint32_t seed) {
        auto next = [&] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
        for (int k = 0; k < strokes; ++k) {
            for (int i = 0, n = 2 + static_cast<int>(next() % 5); i < n; ++i) {
                const _tagREALPT p{static_cast<float>(next() % 100003) / 97.0f - 300.0f,
                                   static_cast<float>(next() % 70001) / 91.0f};
                list.push_back(p);
                minX = std::min<double>(minX, p.x), maxX = std::max<double>(maxX, p.x);
                minY = std::min<double>(minY, p.y), maxY = std::max<double>(maxY, p.y);
            }
            list.push_back(test::kM);
        }
    }
    double Scale(double span) const { return span / std::max(maxX - minX, maxY - minY); }
};

// Largest distance between the strokes read back and where the writer put
// the original points (map), stroke by stroke and point by point.
template <class Map>
double Worst(const std::vector<std::vector<_tagREALPT>>& got, const std::vector<std::vector<_tagREALPT>>& want,
             Map map) {
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

template <class Map>
double RoundTrip(BOOL (CLoomveilDoc::*writer)(), const char* ext, const Pattern& pattern, Map map,
                 bool dropLeadingOrigin = false) {
    const auto written = test::WriteList(writer, pattern.list);
    EXPECT_TRUE(written.ok) << written.error;
    const auto back = test::RenderText(ext, written.bytes);
    EXPECT_EQ(back.result, 1);
    auto got = Strokes(back.points);
    // The PLT writer's fixed "PU0,0;" line reads back as a stroke of one point.
    if (dropLeadingOrigin && !got.empty() && got.front().size() == 1) got.erase(got.begin());
    return Worst(got, Strokes(pattern.list), map);
}

// PLT keeps whole units of a 1000-unit span, truncated toward the first point.
TEST(RoundTrip, PltKeepsEveryPointWithinOneUnit) {
    const Pattern p(300, 7);
    const double s = p.Scale(1000);
    const _tagREALPT first = p.list[1];
    const double worst = RoundTrip(
        &CLoomveilDoc::WritePlt, "plt", p,
        [&](const _tagREALPT& q) { return std::pair{(q.x - first.x) * s, (q.y - first.y) * s}; }, true);
    EXPECT_LT(worst, 1.0);
}

// HQF keeps three decimals of a 10-unit span; every stroke comes back whole.
TEST(RoundTrip, HqfKeepsThreeDecimals) {
    const Pattern p(300, 11);
    const double s = p.Scale(10);
    const _tagREALPT first = p.list[1];
    const double worst = RoundTrip(&CLoomveilDoc::WriteHqf, "hqf", p, [&](const _tagREALPT& q) {
        return std::pair{(q.x - first.x) * s, (q.y - first.y) * s};
    });
    EXPECT_LT(worst, 0.0006);
}

// QCC keeps three decimals of a 4-unit square from the smaller corner; its
// y is not negated when written, so the reader shows the pattern mirrored.
TEST(RoundTrip, QccKeepsThreeDecimalsMirrored) {
    const Pattern p(300, 13);
    const double s = p.Scale(4);
    const double worst = RoundTrip(&CLoomveilDoc::WriteQcc, "qcc", p, [&](const _tagREALPT& q) {
        return std::pair{(q.x - p.minX) * s, -(q.y - p.minY) * s};
    });
    EXPECT_LT(worst, 0.0006);
}

} // namespace
