// Figures, clip regions and paths of CDC, on a bitmap and on a paint device.
#include "platform/dc.h"
#include "test_support.h"

#include <QImage>
#include <climits>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

using test::Canvas;

struct PathPoints {
    std::vector<POINT> points;
    std::vector<BYTE> types;
};

PathPoints ReadPath(const CDC& dc) {
    PathPoints p;
    const int n = dc.GetPath(nullptr, nullptr, 0);
    if (n <= 0) return p;
    p.points.resize(static_cast<std::size_t>(n));
    p.types.resize(static_cast<std::size_t>(n));
    EXPECT_EQ(dc.GetPath(p.points.data(), p.types.data(), n), n);
    return p;
}

TEST(DcFigures, ArcRunsCounterClockwiseBetweenTheRays) {
    Canvas c(60, 60);
    CBrush hollow;
    hollow.CreateHollowBrush();
    c.dc.SelectObject(&hollow);
    // Circle of radius 20 round (30, 30): from the ray to the right to the
    // ray upwards is the top-right quarter on the screen.
    c.dc.MoveTo(3, 4);
    c.dc.Arc(10, 10, 50, 50, 55, 30, 30, 0);
    EXPECT_EQ(c.dc.GetCurrentPosition(), CPoint(3, 4));
    EXPECT_GT(c.Count(), 25);
    EXPECT_EQ(c.Count([](int x, int y) { return x < 29 || y > 31; }), 0);
    EXPECT_TRUE(c.Set(50, 30));
    EXPECT_TRUE(c.Set(30, 10));
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x)
            if (c.Set(x, y)) {
                const double r = std::hypot(x - 30.0, y - 30.0);
                EXPECT_NEAR(r, 20.0, 1.0) << x << "," << y;
            }

    // The other way round it is the remaining three quarters; coinciding
    // rays draw the whole circle.
    Canvas rest(60, 60), full(60, 60);
    rest.dc.Arc(10, 10, 50, 50, 30, 0, 55, 30);
    EXPECT_TRUE(rest.Set(10, 30));
    EXPECT_TRUE(rest.Set(30, 50));
    EXPECT_FALSE(rest.Set(44, 16));
    full.dc.Arc(10, 10, 50, 50, 55, 30, 55, 30);
    EXPECT_TRUE(full.Set(44, 16) || full.Set(44, 15) || full.Set(45, 16));
    EXPECT_TRUE(full.Set(10, 30) && full.Set(30, 50) && full.Set(50, 30) && full.Set(30, 10));
}

TEST(DcFigures, EllipseAndPolygonFillWithTheBrushUnlessItIsHollow) {
    Canvas c(60, 40);
    CPen red(PS_SOLID, 0, RGB(255, 0, 0));
    c.dc.SelectObject(&red);
    CBrush hollow;
    hollow.CreateHollowBrush();
    CBrush* old = c.dc.SelectObject(&hollow);
    c.dc.Ellipse(10, 10, 50, 30);
    EXPECT_FALSE(c.Set(30, 20));
    EXPECT_EQ(c.Image().pixel(10, 20), 0xFFFF0000u);
    EXPECT_EQ(c.Image().pixel(50, 20), 0xFFFF0000u);
    EXPECT_FALSE(c.Set(9, 20));
    EXPECT_FALSE(c.Set(51, 20));

    CBrush blue(RGB(0, 0, 255));
    c.dc.SelectObject(&blue);
    c.dc.Ellipse(10, 10, 50, 30);
    EXPECT_EQ(c.Image().pixel(30, 20), 0xFF0000FFu);
    EXPECT_FALSE(c.Set(12, 12)); // outside the ellipse, inside its box
    EXPECT_EQ(c.dc.SelectObject(old), &blue);

    // A pentagram: its centre is crossed twice, so only WINDING fills it.
    const POINT star[5] = {{30, 2}, {42, 38}, {11, 15}, {49, 15}, {18, 38}};
    Canvas alt(60, 40), wind(60, 40);
    CBrush black(RGB(0, 0, 0));
    alt.dc.SelectObject(&black);
    wind.dc.SelectObject(&black);
    EXPECT_EQ(wind.dc.SetPolyFillMode(WINDING), ALTERNATE);
    alt.dc.Polygon(star, 5);
    wind.dc.Polygon(star, 5);
    EXPECT_FALSE(alt.Set(30, 22));
    EXPECT_TRUE(wind.Set(30, 22));
    EXPECT_TRUE(alt.Set(30, 8) && wind.Set(30, 8)); // a point of the star
    EXPECT_FALSE(alt.Set(5, 35) || wind.Set(5, 35));
}

TEST(DcFigures, PolylineAndRectangleEdges) {
    Canvas c(30, 30);
    const POINT zig[3] = {{2, 2}, {12, 2}, {12, 12}};
    c.dc.Polyline(zig, 3);
    EXPECT_TRUE(c.Set(2, 2) && c.Set(12, 2) && c.Set(12, 11));
    EXPECT_FALSE(c.Set(12, 12));
    EXPECT_EQ(c.dc.GetCurrentPosition(), CPoint(0, 0));

    Canvas r(30, 30);
    CBrush grey(RGB(0xD0, 0xD0, 0xD0));
    CPen white(PS_SOLID, 0, RGB(255, 255, 255));
    CPen black(PS_SOLID, 0, RGB(0, 0, 0));
    r.dc.SelectObject(&grey);
    r.dc.SelectObject(&black);
    r.dc.Rectangle(5, 5, 15, 12);
    EXPECT_EQ(r.Image().pixel(5, 5), 0xFF000000u);
    EXPECT_EQ(r.Image().pixel(14, 11), 0xFF000000u);
    EXPECT_EQ(r.Image().pixel(10, 8), 0xFFD0D0D0u);
    EXPECT_FALSE(r.Set(15, 8));
    EXPECT_FALSE(r.Set(10, 12));
    r.dc.SelectObject(&white);
    r.dc.Rectangle(20, 20, 25, 25);
    EXPECT_FALSE(r.Set(20, 20));
    EXPECT_EQ(r.Image().pixel(22, 22), 0xFFD0D0D0u);
}

TEST(DcFigures, ClipRegionBoundsLinesPixelsFillsAndText) {
    Canvas c(80, 60);
    CRgn triangle;
    const POINT corners[3] = {{10, 10}, {70, 10}, {10, 50}};
    triangle.CreatePolygonRgn(corners, 3, WINDING);
    EXPECT_EQ(c.dc.SelectClipRgn(&triangle), COMPLEXREGION);
    triangle.DeleteObject(); // the DC keeps its own copy
    auto outside = [&](int x, int y) {
        CRgn probe;
        probe.CreatePolygonRgn(corners, 3, WINDING);
        return !probe.PtInRegion(x, y);
    };

    for (int y = 0; y < 60; y += 3) {
        c.dc.MoveTo(0, y);
        c.dc.LineTo(80, y + 7);
    }
    c.dc.SetPixel(75, 55, RGB(0, 0, 0));
    c.dc.FillSolidRect(0, 0, 80, 8, RGB(0, 0, 0));
    CFont font;
    LOGFONT lf;
    lf.lfHeight = -20;
    std::snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "Times New Roman");
    font.CreateFontIndirect(lf);
    c.dc.SelectObject(&font);
    c.dc.SetBkMode(TRANSPARENT);
    c.dc.TextOut(30, 30, CString("WWWWWWW"));
    EXPECT_GT(c.Count(), 100);
    EXPECT_EQ(c.Count(outside), 0);

    // Without the clip everything reaches the bitmap again.
    c.dc.SelectClipRgn(nullptr);
    c.dc.SetPixel(75, 55, RGB(0, 0, 0));
    EXPECT_TRUE(c.Set(75, 55));

    CRgn box;
    box.CreateRectRgn(20, 20, 30, 25);
    CBrush green(RGB(0, 255, 0));
    Canvas f(40, 40);
    EXPECT_TRUE(f.dc.FillRgn(&box, &green));
    EXPECT_EQ(f.Count(), 50);
    EXPECT_EQ(f.Image().pixel(29, 24), 0xFF00FF00u);
}

TEST(DcFigures, ClipRegionOnAPaintDevice) {
    QImage image(40, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        CDC dc;
        dc.AttachDevice(&image, false);
        CRgn left;
        left.CreateRectRgn(0, 0, 20, 40);
        dc.SelectClipRgn(&left);
        dc.MoveTo(0, 10);
        dc.LineTo(39, 10);
        dc.FillSolidRect(0, 30, 40, 5, RGB(0, 0, 0));
        dc.SelectClipRgn(nullptr);
        dc.MoveTo(0, 20);
        dc.LineTo(39, 20);
        dc.DeleteDC();
    }
    auto set = [&](int x, int y) { return (image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF; };
    EXPECT_TRUE(set(5, 10) && set(19, 10) && set(5, 32));
    EXPECT_FALSE(set(25, 10) || set(25, 32));
    EXPECT_TRUE(set(35, 20));
}

TEST(DcFigures, RegionsFromFarCoordinatesStayBounded) {
    CRgn far;
    const POINT corners[3] = {{INT_MIN, INT_MIN}, {INT_MAX, 0}, {0, INT_MAX}};
    far.CreatePolygonRgn(corners, 3, WINDING);
    EXPECT_TRUE(far.PtInRegion(0, 0));
    EXPECT_LE(far.Region().boundingRect().width(), 2 * CRgn::kMaxCoordinate + 1);
    CRgn none;
    none.CreatePolygonRgn(corners, 2, WINDING);
    EXPECT_TRUE(none.Region().isEmpty());
}

TEST(DcPaths, RecordsFiguresInsteadOfDrawingThem) {
    Canvas c(40, 40);
    c.dc.SetViewportOrg(1, 2);
    EXPECT_EQ(c.dc.GetPath(nullptr, nullptr, 0), -1);
    ASSERT_TRUE(c.dc.BeginPath());
    c.dc.MoveTo(0, 0);
    c.dc.MoveTo(5, 5); // a lone MoveTo records nothing
    c.dc.LineTo(10, 5);
    c.dc.LineTo(10, 10); // continues the figure
    c.dc.MoveTo(10, 10);
    c.dc.LineTo(20, 10); // MoveTo starts a new figure even in place
    const POINT tri[3] = {{0, 20}, {5, 20}, {5, 25}};
    c.dc.Polygon(tri, 3);
    c.dc.Ellipse(20, 20, 30, 30);
    EXPECT_EQ(c.dc.GetPath(nullptr, nullptr, 0), -1); // not ended yet
    ASSERT_TRUE(c.dc.EndPath());
    EXPECT_EQ(c.Count(), 0);

    const PathPoints p = ReadPath(c.dc);
    ASSERT_GE(p.points.size(), 10u);
    const std::vector<BYTE> head = {PT_MOVETO, PT_LINETO, PT_LINETO, PT_MOVETO, PT_LINETO, PT_MOVETO, PT_LINETO,
                                    BYTE(PT_LINETO | PT_CLOSEFIGURE), PT_MOVETO};
    EXPECT_EQ(std::vector<BYTE>(p.types.begin(), p.types.begin() + 9), head);
    EXPECT_EQ(p.points[0].x, 6); // device units: the viewport origin added
    EXPECT_EQ(p.points[0].y, 7);
    EXPECT_EQ(p.points[2].x, 11);
    EXPECT_EQ(p.points[2].y, 12);
    EXPECT_EQ(p.types.back(), PT_LINETO | PT_CLOSEFIGURE);
    for (std::size_t i = 8; i < p.points.size(); ++i) {
        EXPECT_NEAR(std::hypot(p.points[i].x - 26.0, p.points[i].y - 27.0), 5.0, 0.8);
    }
    std::vector<POINT> small(3);
    std::vector<BYTE> smallTypes(3);
    EXPECT_EQ(c.dc.GetPath(small.data(), smallTypes.data(), 3), -1);

    // After the path, drawing reaches the bitmap again.
    c.dc.MoveTo(0, 30);
    c.dc.LineTo(10, 30);
    EXPECT_TRUE(c.Set(1, 32));
    EXPECT_TRUE(c.dc.AbortPath());
    EXPECT_EQ(c.dc.GetPath(nullptr, nullptr, 0), -1);
}

TEST(DcPaths, TextOutlinesFlattenToLinesInsideTheTextBox) {
    CDC dc;
    dc.CreateCompatibleDC(nullptr); // no bitmap: a path needs none
    CFont font;
    LOGFONT lf;
    lf.lfHeight = -40;
    std::snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "Times New Roman");
    font.CreateFontIndirect(lf);
    dc.SelectObject(&font);
    dc.SetTextAlign(TA_TOP | TA_LEFT);
    const CSize extent = dc.GetTextExtent(CString("Ob"));
    dc.BeginPath();
    dc.TextOut(100, 50, CString("Ob"));
    dc.EndPath();
    const PathPoints curved = ReadPath(dc);
    int beziers = 0;
    for (BYTE t : curved.types) beziers += (t & ~PT_CLOSEFIGURE) == PT_BEZIERTO;
    EXPECT_GT(beziers, 0);

    ASSERT_TRUE(dc.FlattenPath());
    const PathPoints flat = ReadPath(dc);
    int figures = 0;
    for (std::size_t i = 0; i < flat.points.size(); ++i) {
        const BYTE t = flat.types[i] & ~PT_CLOSEFIGURE;
        EXPECT_TRUE(t == PT_MOVETO || t == PT_LINETO);
        figures += t == PT_MOVETO;
        EXPECT_GE(flat.points[i].x, 99);
        EXPECT_LE(flat.points[i].x, 100 + extent.cx + 1);
        EXPECT_GE(flat.points[i].y, 49);
        EXPECT_LE(flat.points[i].y, 50 + extent.cy + 1);
    }
    EXPECT_GE(figures, 3); // the O's two contours and at least the b's outer one
}

} // namespace
