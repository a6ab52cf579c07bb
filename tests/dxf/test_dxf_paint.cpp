// Entity drawing: pixels that must be set and pixels that must stay the
// background, and the outline of each drawing.
#include "dxf_test_util.h"
#include "test_support.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <gtest/gtest.h>
#include <string>

namespace {

using dxftest::Drawing;
using dxftest::PaintAt;
using dxftest::Picture;

constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255),
                   kBlack = RGB(0, 0, 0);

// Line types and layers the drawings below name.
const std::string kTables =
    "0|SECTION|2|TABLES|0|TABLE|2|LTYPE|0|LTYPE|2|CONT|0|LTYPE|2|DASH|73|2|40|2|49|1|49|-1|"
    "0|LTYPE|2|DOTS|73|2|40|0|49|0|49|0|0|ENDTAB|"
    "0|TABLE|2|LAYER|0|LAYER|2|0|62|7|6|CONT|0|LAYER|2|ON|62|3|6|CONT|0|LAYER|2|OFF|62|-3|6|CONT|"
    "0|LAYER|2|ICE|62|5|70|1|6|CONT|0|LAYER|2|DASHED|62|3|6|DASH|0|ENDTAB|0|ENDSEC|";

std::string Drawing_(std::string_view blocks, std::string_view entities) {
    return dxftest::Sections(kTables, blocks, entities);
}

std::string Line(double x1, double y1, double x2, double y2, const std::string& extra = "62|1") {
    auto n = [](double v) {
        char b[32];
        std::snprintf(b, sizeof b, "%g", v);
        return std::string(b);
    };
    return "0|LINE|" + extra + "|10|" + n(x1) + "|20|" + n(y1) + "|11|" + n(x2) + "|21|" + n(y2);
}

TEST(DxfPaint, ColoursComeFromThePaletteOrTheLayerAndWhiteIsBlack) {
    EXPECT_EQ(DxfPaletteColour(1), kRed);
    EXPECT_EQ(DxfPaletteColour(250), RGB(0x33, 0x33, 0x33));
    EXPECT_EQ(DxfPaletteColour(11), RGB(0xFF, 0x7F, 0x7F));
    for (int white : {0, 7, 255, 256, -1, 32767}) EXPECT_EQ(DxfPaletteColour(white), kBlack) << white;

    // Rows at y = 1 .. 7: by layer on a green layer, on a layer that is
    // off, own red on the green layer, and by layer, by block, 7 and 255
    // on a layer that does not exist.
    Drawing d(Drawing_("", Line(1, 1, 8, 1, "8|ON") + "|" + Line(1, 2, 8, 2, "8|OFF") + "|" +
                               Line(1, 3, 8, 3, "8|ON|62|1") + "|" + Line(1, 4, 8, 4, "8|NONE") + "|" +
                               Line(1, 5, 8, 5, "8|NONE|62|0") + "|" + Line(1, 6, 8, 6, "62|7") + "|" +
                               Line(1, 7, 8, 7, "62|255") + "|" + Line(1, 8, 8, 8, "8|ON|62|0")));
    ASSERT_TRUE(d.loaded);
    const Picture p = PaintAt(d, 100, 100, 10);
    ASSERT_TRUE(p.painted);
    EXPECT_EQ(p.At(40, 90), kGreen);
    EXPECT_TRUE(p.Background(40, 80));
    EXPECT_EQ(p.At(40, 70), kRed);
    for (int y : {60, 50, 40, 30}) EXPECT_EQ(p.At(40, y), kBlack) << y;
    EXPECT_EQ(p.At(40, 20), kGreen); // by block on a layer takes the layer's colour

    // The frame: the view filled with the background, edged in white.
    EXPECT_EQ(p.At(0, 0), RGB(255, 255, 255));
    EXPECT_EQ(p.At(99, 99), RGB(255, 255, 255));
    EXPECT_TRUE(p.Background(1, 1));
}

TEST(DxfPaint, HorizontalLineSetsBothEndsAndItsOutlineIsOneFigure) {
    Drawing d(Drawing_("", Line(1, 2, 8, 2) + "|" + Line(8, 2, 8, 5) + "|" + Line(3, 6, 4, 6)));
    const Picture p = PaintAt(d, 100, 100, 10);
    for (int x = 10; x <= 80; ++x) EXPECT_EQ(p.At(x, 80), kRed) << x;
    EXPECT_TRUE(p.Background(9, 80));
    EXPECT_TRUE(p.Background(81, 80));
    for (int x = 10; x < 80; ++x) {
        EXPECT_TRUE(p.Background(x, 79));
        EXPECT_TRUE(p.Background(x, 81));
    }
    EXPECT_EQ(p.DrawnWhere([](int x, int y) { return y == 80 || x == 80 || y == 40; }), p.Drawn());

    // The second line continues the first: one more point, no marker. The
    // outline's first marker carries FLT_MAX as y, later ones the last y.
    const std::vector<_tagREALPT2> want = {{FLT_MAX, FLT_MAX}, {10, 80}, {80, 80}, {80, 50},
                                           {FLT_MAX, 50},      {30, 40}, {40, 40}};
    ASSERT_EQ(p.outline.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(p.outline[i].x, want[i].x) << i;
        EXPECT_EQ(p.outline[i].y, want[i].y) << i;
    }
}

TEST(DxfPaint, PixelLineDrawerStepsTheLongerAxisAndClipsToTheView) {
    Drawing d(Drawing_("", ""));
    DxfSetView(d.h, 0, 0, 40, 30, Picture::kBackground);
    test::Canvas canvas(40, 30);
    CDC& dc = canvas.dc;
    auto set = [&](int x, int y) { return canvas.Image().pixel(x, y) == 0xFFFF0000u; };

    // Along y: x = 2 + trunc(offset · 0.3) for every row 0 .. 10, drawn
    // from its lower end whichever way it is given.
    DxfDrawLine(d.get(), &dc, kRed, 5, 10, 2, 0, nullptr, 1);
    int count = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) count += set(x, y);
    EXPECT_EQ(count, 11);
    for (int y = 0; y <= 10; ++y) EXPECT_TRUE(set(2 + static_cast<int>(y * 0.3), y)) << y;

    // A line from far outside keeps to the view; a point is one pixel.
    dc.FillSolidRect(0, 0, 40, 30, RGB(255, 255, 255));
    DxfDrawLine(d.get(), &dc, kRed, INT_MIN, 20, INT_MAX, 20, nullptr, 1);
    DxfDrawLine(d.get(), &dc, kRed, 7, 3, 7, 3, nullptr, 1);
    count = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) count += set(x, y);
    EXPECT_EQ(count, 41);
    EXPECT_TRUE(set(0, 20) && set(39, 20) && set(7, 3));
}

TEST(DxfPaint, DashedLineStartsHalfwayIntoItsFirstDash) {
    // 10 units of dash 1, gap 1: no solid end pieces, dashes over
    // [0, 0.5], [1.5, 2.5], ... [9.5, 10].
    Drawing d(Drawing_("", Line(0, 1, 10, 1, "62|1|6|DASH")));
    const Picture p = PaintAt(d, 120, 40, 10);
    for (double x : {0.2, 2.0, 4.0, 6.0, 8.0, 9.8}) EXPECT_EQ(p.At(static_cast<int>(x * 10), 30), kRed) << x;
    for (double x : {1.0, 3.0, 5.0, 7.0, 9.0}) EXPECT_TRUE(p.Background(static_cast<int>(x * 10), 30)) << x;
    EXPECT_EQ(p.Figures().size(), 6u);

    // Patterns shorter than five pixels, or that cannot advance, are solid.
    Drawing fine(Drawing_("", Line(0, 1, 10, 1, "62|1|6|DASH") + "|" + Line(0, 2, 10, 2, "62|1|6|DOTS")));
    const Picture q = PaintAt(fine, 120, 40, 2);
    for (int x = 0; x <= 20; ++x) {
        EXPECT_EQ(q.At(x, 38), kRed) << x;
        EXPECT_EQ(q.At(x, 36), kRed) << x;
    }
}

TEST(DxfPaint, BulgesBecomeArcsCounterClockwiseFromStartToEnd) {
    // Bulge 1 from (0, 0) to (2, 0): the half circle of radius 1 round
    // (1, 0) below the chord; then a straight piece to (4, 0).
    Drawing d(Drawing_("", "0|LWPOLYLINE|62|1|90|3|10|0|20|0|42|1|10|2|20|0|10|4|20|0"));
    const Picture p = PaintAt(d, 100, 80, 20, -1, -2);
    // World (1, -1) is pixel (40, 60); (1, 1) is (40, 20).
    EXPECT_EQ(p.At(40, 60), kRed);
    EXPECT_TRUE(p.Background(40, 20));
    EXPECT_EQ(p.At(70, 40), kRed); // the straight piece
    for (int y = 42; y < 80; ++y)
        for (int x = 0; x < 60; ++x) {
            if (p.Ink(x, y)) {
                EXPECT_NEAR(std::hypot(x - 40.0, y - 40.0), 20.0, 1.5) << x << "," << y;
            }
        }
    EXPECT_EQ(p.DrawnWhere([](int, int y) { return y < 40; }), 0);

    // The outline: the arc from its start, then the straight piece as a
    // figure of its own.
    const auto figures = p.Figures();
    ASSERT_EQ(figures.size(), 2u);
    EXPECT_EQ(figures[0].front().x, 20.0f);
    EXPECT_EQ(figures[0].front().y, 40.0f);
    EXPECT_GE(figures[0].size(), 8u);
    for (const _tagREALPT2& q : figures[0]) EXPECT_NEAR(std::hypot(q.x - 40.0, q.y - 40.0), 20.0, 1.0);
    ASSERT_EQ(figures[1].size(), 2u);
    EXPECT_EQ(figures[1][1].x, 100.0f);

    // Bulge 2: more than half a circle, round (1, -0.75) with radius 1.25,
    // through (1, -2).
    Drawing big(Drawing_("", "0|LWPOLYLINE|62|1|90|2|10|0|20|0|42|2|10|2|20|0"));
    const Picture b = PaintAt(big, 100, 100, 20, -1, -3);
    EXPECT_TRUE(b.At(40, 79) == kRed || b.At(40, 80) == kRed || b.At(40, 81) == kRed); // (1, -2)
    EXPECT_EQ(b.DrawnWhere([](int, int y) { return y < 40; }), 0); // the arc leaves out the top
    EXPECT_GT(b.DrawnWhere([](int x, int y) { return y < 56 && (x < 20 || x > 60); }),
              0); // bulging beyond the chord

    // A closed polyline whose last vertex has a bulge closes with that
    // arc: from (4, 4) round (2, 2) counter-clockwise to (0, 0), through
    // (0, 4), not along the diagonal.
    Drawing closed(Drawing_("", "0|LWPOLYLINE|62|1|70|1|90|3|10|0|20|0|10|4|20|0|10|4|20|4|42|1"));
    const Picture c = PaintAt(closed, 60, 60, 10, -1, -1);
    EXPECT_TRUE(c.Background(30, 30));
    EXPECT_GT(c.DrawnWhere([](int x, int y) { return std::abs(x - 10) <= 1 && std::abs(y - 10) <= 1; }), 0);
}

// A block with a horizontal line and a point, inserted turned by 90
// degrees: both turn round the insertion point.
TEST(DxfPaint, RotatedInsertTurnsWhatItDraws) {
    const std::string block = "0|BLOCK|2|ARM|10|0|20|0|" + Line(0, 0, 4, 0) +
                              "|0|LWPOLYLINE|62|3|90|2|10|0|20|1|10|4|20|1|0|ENDBLK";
    Drawing d(Drawing_(block, "0|INSERT|2|ARM|10|5|20|2|50|90"));
    const Picture p = PaintAt(d, 100, 100, 10);
    // The line runs up from (5, 2) to (5, 6); the polyline one unit to its
    // left, from (4, 2) to (4, 6).
    for (int y = 40; y <= 80; ++y) EXPECT_EQ(p.At(50, y), kRed) << y;
    for (int y = 41; y <= 79; ++y) EXPECT_EQ(p.At(40, y), kGreen) << y;
    EXPECT_EQ(p.DrawnWhere([](int x, int) { return x != 50 && x != 40 && x != 39 && x != 49; }), 0);
}

TEST(DxfPaint, NestedInsertsComposeTheirTransforms) {
    // OUTER holds INNER at (2, 0) scaled 2; INNER holds a line (0, 0)-(1, 0).
    const std::string blocks = "0|BLOCK|2|INNER|" + Line(0, 0, 1, 0) +
                               "|0|ENDBLK|0|BLOCK|2|OUTER|0|INSERT|2|INNER|10|2|20|0|41|2|42|2|0|ENDBLK";
    Drawing d(Drawing_(blocks, "0|INSERT|2|OUTER|10|1|20|1|0|INSERT|2|OUTER|10|1|20|4|50|90"));
    const Picture p = PaintAt(d, 100, 100, 10);
    // Straight: from (3, 1) to (5, 1).
    for (int x = 30; x <= 50; ++x) EXPECT_EQ(p.At(x, 90), kRed) << x;
    // Turned: the inner insertion point turns too, to (1, 6), and the line
    // runs up to (1, 8).
    for (int y = 20; y <= 40; ++y) EXPECT_EQ(p.At(10, y), kRed) << y;
    EXPECT_EQ(
        p.DrawnWhere([](int x, int y) { return !(y == 90 && x >= 30 && x <= 50) && x != 10 && x != 9; }), 0);
    EXPECT_EQ(p.Figures().size(), 2u);
}

TEST(DxfPaint, BlocksThatInsertThemselvesEndAtTheDepthLimit) {
    // SELF inserts itself; PING and PONG insert each other.
    const std::string blocks =
        "0|BLOCK|2|SELF|" + Line(0, 0, 1, 0) +
        "|0|INSERT|2|SELF|10|0|20|1|0|ENDBLK|"
        "0|BLOCK|2|PING|" +
        Line(0, 0, 0, 1) +
        "|0|INSERT|2|PONG|10|1|20|0|0|ENDBLK|0|BLOCK|2|PONG|0|INSERT|2|PING|10|1|20|0|0|ENDBLK";
    // A block inserted into itself before it is complete refers to itself
    // by name: it is found, since the block exists once its header is read.
    Drawing d(Drawing_(blocks, "0|INSERT|2|SELF|10|0|20|0|0|INSERT|2|PING|10|0|20|0"));
    ASSERT_TRUE(d.loaded);
    const Picture p = PaintAt(d, 400, 400, 10);
    EXPECT_TRUE(p.painted);
    EXPECT_GT(p.Drawn(), 0);
    EXPECT_LE(p.Figures().size(), 2u * (32 + 1));
}

TEST(DxfPaint, BlocksThatMultiplyTheirContentsStopAtTheDrawingBudget) {
    // Each of 30 levels inserts the next twice: 2^30 points if followed.
    // Blocks must exist before they are inserted, so the deepest comes
    // first.
    std::string blocks = "0|BLOCK|2|B30|0|POINT|62|1|10|1|20|1|0|ENDBLK";
    for (int i = 29; i >= 0; --i) {
        const std::string next = "0|INSERT|2|B" + std::to_string(i + 1) + "|10|0|20|0";
        blocks += "|0|BLOCK|2|B" + std::to_string(i) + "|" + next + "|" + next + "|0|ENDBLK";
    }
    Drawing d(Drawing_(blocks, "0|INSERT|2|B0|10|0|20|0|" + Line(0, 0, 2, 2)));
    ASSERT_TRUE(d.loaded);
    ASSERT_EQ(d->nBlocks, 31u);
    const Picture p = PaintAt(d, 50, 50, 10, 0, 0, false);
    EXPECT_EQ(p.At(10, 40), kRed);
    EXPECT_EQ(p.At(15, 35), kRed); // the line after the insert is still drawn
}

TEST(DxfPaint, CirclesArcsAndEllipses) {
    Drawing d(Drawing_("", "0|CIRCLE|62|1|10|3|20|3|40|2|"
                           "0|ARC|62|3|10|8|20|3|40|2|50|0|51|90|"
                           "0|ELLIPSE|62|5|10|5|20|8|11|0|21|1.5|40|0.5|41|0|42|6.283185307179586"));
    const Picture p = PaintAt(d, 120, 120, 10);
    // The circle round pixel (30, 90), radius 20, hollow.
    EXPECT_EQ(p.At(50, 90), kRed);
    EXPECT_EQ(p.At(30, 70), kRed);
    EXPECT_TRUE(p.Background(30, 90));
    // The arc: the quarter from 0 to 90 degrees round (80, 90).
    EXPECT_EQ(p.At(100, 90), kGreen);
    EXPECT_EQ(p.At(80, 70), kGreen);
    EXPECT_EQ(p.DrawnWhere([](int x, int y) { return x >= 60 && x < 79 && y > 60 && y < 119; }), 0);
    EXPECT_EQ(p.DrawnWhere([](int x, int y) { return x >= 60 && y > 92 && y < 119; }), 0);
    // The ellipse stands upright: its major axis points along y, 1.5
    // units, the minor one 0.75: round pixel (50, 40), 15 up and 7.5 across.
    EXPECT_TRUE(p.At(50, 25) == kBlue || p.At(50, 26) == kBlue);
    EXPECT_TRUE(p.At(57, 40) == kBlue || p.At(58, 40) == kBlue);
    EXPECT_TRUE(p.Background(50, 40));
    EXPECT_EQ(p.DrawnWhere([](int x, int y) { return y < 60 && (x < 42 || x > 58 || y < 24); }), 0);
    // Each figure is one run of the outline.
    EXPECT_EQ(p.Figures().size(), 3u);
}

TEST(DxfPaint, SplinesThroughTheirCurveOrTheirControlPoints) {
    // A clamped cubic with four control points is a Bezier curve: its
    // middle is (P0 + 3 P1 + 3 P2 + P3) / 8 = (5, 6.5).
    const std::string curve = "0|SPLINE|62|1|70|8|71|3|72|8|73|4|40|0|40|0|40|0|40|0|40|1|40|1|40|1|40|1|"
                              "10|2|20|2|10|4|20|8|10|6|20|8|10|8|20|2";
    Drawing d(Drawing_("", curve));
    const auto all = d.List();
    ASSERT_EQ(all.size(), 1u);
    const std::vector<DxfPlanePoint> s = DxfEvaluateSpline(&all[0].d.spline, 3);
    ASSERT_EQ(s.size(), 3u);
    EXPECT_FLOAT_EQ(s[0].x, 2.0f);
    EXPECT_FLOAT_EQ(s[0].y, 2.0f);
    EXPECT_NEAR(s[1].x, 5.0f, 1e-5);
    EXPECT_NEAR(s[1].y, 6.5f, 1e-5);
    EXPECT_NEAR(s[2].x, 8.0f, 1e-4);
    EXPECT_NEAR(s[2].y, 2.0f, 1e-4);
    const Picture p = PaintAt(d, 100, 100, 10);
    EXPECT_FALSE(p.Background(50, 100 - 65) && p.Background(50, 100 - 64) && p.Background(50, 100 - 66));
    EXPECT_TRUE(p.Background(40, 20)); // the control polygon's corner is not drawn
    ASSERT_EQ(p.Figures().size(), 1u);
    EXPECT_EQ(p.Figures()[0].size(), 64u);

    // A knot count that does not fit draws the control polygon.
    Drawing bad(
        Drawing_("", "0|SPLINE|62|1|71|3|72|3|73|4|40|0|40|0|40|1|10|2|20|2|10|4|20|8|10|6|20|8|10|8|20|2"));
    EXPECT_TRUE(DxfEvaluateSpline(&bad.List()[0].d.spline, 64).empty());
    const Picture q = PaintAt(bad, 100, 100, 10);
    EXPECT_EQ(q.At(40, 20), kRed);
    ASSERT_EQ(q.Figures().size(), 1u);
    EXPECT_EQ(q.Figures()[0].size(), 4u);
}

TEST(DxfPaint, SplineCurvesByControlPointsWeightsOrFitPoints) {
    DXFCOORD pts[4] = {{0, 0, 0}, {1, 1, 0}, {2, 0, 0}, {3, 1, 0}};
    float knots[8] = {0, 0, 0, 0, 1, 1, 1, 1};
    const DXFSPLINE s{knots, pts, nullptr, 8, 3, 4, 0, 0, nullptr, {}, {}};
    EXPECT_EQ(DxfEvaluateSpline(&s, 64).size(), 64u);
    // Cannot be evaluated: fewer control points than the order, knots that
    // fall or span nothing, a weight that is not positive.
    DXFSPLINE fewer = s;
    fewer.nControlPts = 3;
    fewer.nKnots = 7;
    float falling[8] = {0, 0, 0, 0, 1, 0.5f, 1, 1}, zero[8] = {};
    double badWeights[4] = {1, 0, 1, 1};
    DXFSPLINE down = s, flat = s, weightless = s;
    down.pKnots = falling;
    flat.pKnots = zero;
    weightless.pWeights = badWeights;
    for (const DXFSPLINE* bad : {&fewer, &down, &flat, &weightless})
        EXPECT_TRUE(DxfEvaluateSpline(bad, 64).empty());

    // An unclamped knot vector: the curve runs over [t3, t4] = [3, 4],
    // between the control points, not from the first to the last.
    float uniform[8] = {0, 1, 2, 3, 4, 5, 6, 7};
    DXFSPLINE open = s;
    open.pKnots = uniform;
    const auto u = DxfEvaluateSpline(&open, 3);
    ASSERT_EQ(u.size(), 3u);
    EXPECT_NEAR(u.front().x, (0 + 4 * 1 + 2) / 6.0, 1e-9);
    EXPECT_NEAR(u.back().x, (1 + 4 * 2 + 3) / 6.0, 1e-9);

    // Weights: a quarter circle as a rational quadratic.
    DXFCOORD arc[3] = {{1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    float arcKnots[6] = {0, 0, 0, 1, 1, 1};
    double weights[3] = {1, std::sqrt(0.5), 1};
    const DXFSPLINE quarter{arcKnots, arc, nullptr, 6, 2, 3, 0, 4, weights, {}, {}};
    const auto q = DxfEvaluateSpline(&quarter, 17);
    ASSERT_EQ(q.size(), 17u);
    for (const auto& p : q) EXPECT_NEAR(std::hypot(p.x, p.y), 1.0, 1e-12);

    // Fit points only: the cubic passes through every one of them, along
    // the given start tangent.
    DXFCOORD fit[4] = {{0, 0, 0}, {1, 1, 0}, {2, 0, 0}, {3, 1, 0}};
    const DXFSPLINE through{nullptr, nullptr, fit, 0, 3, 0, 4, 8, nullptr, {0, 1, 0}, {}};
    const auto f = DxfEvaluateSpline(&through, 3001);
    ASSERT_EQ(f.size(), 3001u);
    for (const DXFCOORD& p : fit) {
        double best = INFINITY;
        for (const auto& c : f) best = std::min(best, std::hypot(c.x - p.x, c.y - p.y));
        EXPECT_LT(best, 2e-3) << p.x;
    }
    EXPECT_NEAR(f[1].x, 0.0, 1e-4); // leaving (0, 0) straight up
    EXPECT_GT(f[1].y, 0.0);
}

TEST(DxfPaint, SolidsAndFacesFollowTheInsertRotation) {
    // Corners in the file's order: 1 (0, 0), 2 (2, 0), 3 (0, 1), 4 (2, 1),
    // filled 1-2-4-3; the face closes from its fourth corner to its first,
    // and a 70 of 2 hides the face's second edge.
    const std::string block = "0|BLOCK|2|TILE|0|SOLID|62|1|10|0|20|0|11|2|21|0|12|0|22|1|13|2|23|1|"
                              "0|3DFACE|62|3|10|0|20|2|11|2|21|2|12|2|22|3|13|0|23|3|70|2|0|ENDBLK";
    Drawing d(Drawing_(block, "0|INSERT|2|TILE|10|1|20|1|0|INSERT|2|TILE|10|8|20|1|50|90"));
    const Picture p = PaintAt(d, 100, 100, 10);
    for (const auto& [x, y] : {std::pair{12, 88}, {28, 88}, {12, 82}, {28, 82}, {20, 85}})
        EXPECT_EQ(p.At(x, y), kRed);
    EXPECT_EQ(p.At(20, 70), kGreen);   // first edge
    EXPECT_EQ(p.At(10, 65), kGreen);   // fourth edge, closing the face
    EXPECT_TRUE(p.Background(30, 65)); // second edge hidden
    // Turned by 90 degrees round (8, 1): the solid covers x 7 .. 8, y 1 .. 3.
    for (const auto& [x, y] : {std::pair{72, 88}, {78, 72}}) EXPECT_EQ(p.At(x, y), kRed);
    EXPECT_EQ(p.DrawnWhere([](int x, int y) { return x > 82 && y > 60; }), 0);
    // Both give their edges to the outline.
    EXPECT_GE(p.Figures().size(), 4u);
}

TEST(DxfPaint, AbsurdCoordinatesAndScalesStayBounded) {
    const std::string blocks = "0|BLOCK|2|DOT|" + Line(0, 0, 1, 0) + "|0|CIRCLE|62|1|10|0|20|0|40|1|0|ENDBLK";
    Drawing d(Drawing_(
        blocks,
        Line(1, 1, 4, 4) + "|" + Line(-1e300, 2, 1e300, 2) + "|" + Line(0, 0, 1e12, 3e11, "62|1|6|DASH") +
            "|0|INSERT|2|DOT|10|2|20|2|41|1e200|42|1e200|0|INSERT|2|DOT|10|2|20|2|41|1e-300|42|1e-300|"
            "0|CIRCLE|62|1|10|0|20|0|40|1e250|0|CIRCLE|62|1|10|1|20|1|40|nan|"
            "0|ARC|62|1|10|0|20|0|40|1e20|50|0|51|90|0|ELLIPSE|62|1|10|3|20|3|11|1e30|21|1|40|0.5|"
            "0|LWPOLYLINE|62|1|90|3|10|0|20|0|42|1e-12|10|1e15|20|0|42|1e9|10|3|20|3|"
            "0|TEXT|62|1|10|1|20|1|40|1e30|1|HUGE"));
    ASSERT_TRUE(d.loaded);
    const Picture p = PaintAt(d, 60, 60, 10);
    EXPECT_EQ(p.At(20, 40), kRed); // the ordinary line is there
    EXPECT_LT(p.outline.size(), 2000000u);
}

} // namespace

TEST(DxfPaint, InsertsPlaceByBasePointArrayAndHandDownLayerAndColour) {
    // B's base point (1, 1) lands on the insertion point. Its first line is
    // on layer 0 in BYBLOCK colour, its second on ON in BYLAYER colour.
    const std::string block = "0|BLOCK|2|B|10|1|20|1|" + Line(1, 1, 2, 1, "8|0|62|0") + "|" +
                              Line(1, 2, 2, 2, "8|ON|62|256") + "|0|ENDBLK";
    Drawing d(Drawing_(block,
                       // a 2 x 2 array, columns 3 and rows 2 apart, in blue
                       "0|INSERT|8|ON|62|5|2|B|10|1|20|1|70|2|71|2|44|3|45|2|"
                       // on a layer that is off: only the line on ON shows
                       "0|INSERT|8|OFF|2|B|10|1|20|7|"
                       // on a frozen layer: nothing
                       "0|INSERT|8|ICE|2|B|10|6|20|7|" +
                           Line(6, 6, 8, 6, "62|1|60|1") + "|" + Line(6, 5, 8, 5, "62|1|67|1")));
    const Picture p = PaintAt(d, 100, 100, 10);
    for (const auto& [x, y] : {std::pair{15, 90}, {45, 90}, {15, 70}, {45, 70}}) EXPECT_EQ(p.At(x, y), kBlue);
    for (const auto& [x, y] : {std::pair{15, 80}, {45, 80}, {15, 60}, {45, 60}, {15, 20}})
        EXPECT_EQ(p.At(x, y), kGreen);
    EXPECT_TRUE(p.Background(15, 30)); // the layer-0 line of the insert on OFF
    // Nothing else: not the frozen insert, the invisible line, nor the
    // paper-space one.
    EXPECT_EQ(p.DrawnWhere([](int x, int y) { return x > 55 || (y < 60 && y != 20); }), 0);

    DXFBOX box;
    ASSERT_TRUE(DxfGetExtents(d.h, &box));
    EXPECT_EQ(dxftest::BoxOf(box), (std::array<double, 4>{1, 1, 5, 8}));
}

TEST(DxfPaint, ObjectCoordinatesMirrorWhatIsSeenFromBelow) {
    // Extrusion (0, 0, -1): x runs the other way. A circle round (-3, 2), a
    // polyline from (-1, 1) to (-2, 1) and an insert of a line that turns
    // from (4, 4)-(5, 4) to (-4, 4)-(-5, 4).
    const std::string ocs = "|210|0|220|0|230|-1";
    Drawing d(Drawing_("0|BLOCK|2|ROD|" + Line(0, 0, 1, 0) + "|0|ENDBLK",
                       "0|CIRCLE|62|1|10|3|20|2|40|1" + ocs + "|0|LWPOLYLINE|62|3|90|2|10|1|20|1|10|2|20|1" +
                           ocs + "|0|INSERT|2|ROD|10|4|20|4" + ocs));
    const Picture p = PaintAt(d, 100, 100, 10, -6, 0);
    auto near = [&](int x, int y) {
        return p.DrawnWhere([&](int i, int j) { return std::abs(i - x) <= 1 && std::abs(j - y) <= 1; });
    };
    EXPECT_GT(near(20, 80), 0); // the circle's left edge (-4, 2)
    EXPECT_GT(near(40, 80), 0); // and its right edge (-2, 2)
    EXPECT_TRUE(p.Background(30, 80));
    EXPECT_EQ(p.At(45, 90), kGreen);
    EXPECT_EQ(p.At(15, 60), kRed);
    EXPECT_EQ(p.DrawnWhere([](int x, int) { return x > 61; }), 0);
}

TEST(DxfPaint, WidePolylinesAreFilledBands) {
    // A constant width of 1 from (2, 5) to (8, 5), turning up to (8, 8); a
    // tapered segment from width 2 to 0 from (2, 2) to (8, 2).
    Drawing d(Drawing_("", "0|LWPOLYLINE|62|1|90|3|43|1|10|2|20|5|10|8|20|5|10|8|20|8|"
                           "0|POLYLINE|62|3|40|2|41|0|0|VERTEX|10|2|20|2|0|VERTEX|10|8|20|2|0|SEQEND"));
    const Picture p = PaintAt(d, 100, 100, 10);
    for (int y = 46; y <= 54; ++y) EXPECT_EQ(p.At(50, y), kRed) << y;
    EXPECT_TRUE(p.Background(50, 43));
    EXPECT_TRUE(p.Background(50, 57));
    EXPECT_EQ(p.At(84, 54), kRed); // the mitred corner at (8, 5)
    EXPECT_EQ(p.At(83, 25), kRed);
    for (int y = 72; y <= 88; ++y) EXPECT_EQ(p.At(22, y), kGreen) << y;
    EXPECT_TRUE(p.Background(70, 75)); // narrowing towards (8, 2)
    EXPECT_EQ(p.At(70, 80), kGreen);
    // The outline holds the bands' edges, not a raster.
    EXPECT_LE(p.outline.size(), 40u);
}

TEST(DxfPaint, LeadersMultilinesRaysAndFrames) {
    const std::string tables = kTables.substr(0, kTables.size() - std::string("0|ENDSEC|").size()) +
                               "0|TABLE|2|DIMSTYLE|0|DIMSTYLE|2|ISO|41|1|0|ENDTAB|0|ENDSEC|";
    Drawing d(dxftest::Sections(
        tables, "",
        // A leader with its arrowhead at (1, 8) pointing left.
        "0|LEADER|62|1|3|ISO|71|1|76|3|10|1|20|8|10|4|20|8|10|5|20|9|"
        // Two elements half a unit either side of (1, 4)-(5, 4).
        "0|MLINE|62|3|73|2|72|2|11|1|21|4|12|1|22|0|13|0|23|1|74|2|41|0.5|41|0|75|0|74|2|41|-0.5|41|0|75|0|"
        "11|5|21|4|12|1|22|0|13|0|23|1|74|2|41|0.5|41|0|75|0|74|2|41|-0.5|41|0|75|0|"
        // An XLINE up through (8, 0), a RAY up from (9, 5).
        "0|XLINE|62|5|10|8|20|0|11|0|21|1|0|RAY|62|5|10|9|20|5|11|0|21|1|" +
            Line(5.5, 1.5, 7.5, 1.5) +
            // A wipeout over (6, 1)-(7, 2) hides the middle of the line; an
            // image of 100 x 100 pixels of 0.01 unclipped at (2, 0.5).
            "|0|WIPEOUT|62|1|10|6|20|1|11|1|21|0|12|0|22|1|13|1|23|1|280|1|71|1|91|2|14|-0.5|24|-0.5|14|0.5|"
            "24|0.5|"
            "0|IMAGE|62|1|10|2|20|0.5|11|0.01|21|0|12|0|22|0.01|13|100|23|100|280|0"));
    const Picture p = PaintAt(d, 100, 100, 10);
    EXPECT_EQ(p.At(15, 20), kRed); // inside the arrowhead
    EXPECT_TRUE(p.Background(15, 23));
    EXPECT_EQ(p.At(30, 20), kRed);
    for (int y : {55, 65}) EXPECT_EQ(p.At(30, y), kGreen) << y;
    EXPECT_TRUE(p.Background(30, 60));
    for (int y : {1, 50, 98}) EXPECT_EQ(p.At(80, y), kBlue) << y;
    EXPECT_EQ(p.At(90, 20), kBlue);
    EXPECT_TRUE(p.Background(90, 80));
    EXPECT_EQ(p.At(58, 85), kRed);
    EXPECT_TRUE(p.Background(65, 85)); // under the wipeout
    EXPECT_EQ(p.At(60, 88), kRed);     // its frame
    EXPECT_EQ(p.At(25, 95), kRed);     // the image's frame, (2.5, 0.5)
    // Rays and construction lines do not count for the extents.
    DXFBOX box;
    ASSERT_TRUE(DxfGetExtents(d.h, &box));
    EXPECT_EQ(dxftest::BoxOf(box), (std::array<double, 4>{1, 0.5, 7.5, 9}));
}

TEST(DxfPaint, LineTypesByLayerAndBlockScaledByTheDrawing) {
    // A 10-unit line in the DASH pattern (1 on, 1 off): by its layer, by
    // the insert that draws it, and at $LTSCALE 2.
    const std::string block = "0|BLOCK|2|B|" + Line(0, 0, 10, 0, "62|1|6|BYBLOCK") + "|0|ENDBLK";
    const std::string entities = Line(0, 5, 10, 5, "62|1|8|DASHED") + "|0|INSERT|2|B|6|DASH|10|0|20|2";
    Drawing d(Drawing_(block, entities));
    const Picture p = PaintAt(d, 110, 100, 10);
    for (int y : {50, 80}) {
        EXPECT_TRUE(p.Background(10, y)) << y; // a gap from 0.5 to 1.5
        EXPECT_EQ(p.At(20, y), kRed) << y;
    }
    const std::string scaled = "0|SECTION|2|HEADER|9|$LTSCALE|40|2|0|ENDSEC|" + kTables;
    Drawing s(dxftest::Sections(scaled, "", Line(0, 5, 10, 5, "62|1|8|DASHED")));
    const Picture q = PaintAt(s, 110, 100, 10);
    EXPECT_TRUE(q.Background(30, 50));
    EXPECT_EQ(q.At(50, 50), kRed);
}

TEST(DxfPaint, PointsShowByTheDrawingsPointMode) {
    // $PDMODE 3 (an x), $PDSIZE 1 unit.
    Drawing d(dxftest::Sections("0|SECTION|2|HEADER|9|$PDMODE|70|3|9|$PDSIZE|40|1|0|ENDSEC|" + kTables, "",
                                "0|POINT|62|1|10|5|20|5"));
    const Picture p = PaintAt(d, 100, 100, 10);
    EXPECT_EQ(p.At(53, 47), kRed);
    EXPECT_EQ(p.At(47, 53), kRed);
    EXPECT_TRUE(p.Background(50, 45));
}
