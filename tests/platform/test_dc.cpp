#include "platform/dc.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <random>

namespace {

using test::Canvas;

TEST(MemoryDc, LineSetsEveryPixelButTheLast) {
    Canvas c(20, 20);
    c.dc.MoveTo(2, 5);
    c.dc.LineTo(10, 5);
    for (int x = 2; x < 10; ++x) EXPECT_TRUE(c.Set(x, 5)) << x;
    EXPECT_FALSE(c.Set(10, 5));
    EXPECT_EQ(c.Count(), 8);
    EXPECT_EQ(c.dc.GetCurrentPosition(), CPoint(10, 5));

    // The next line starts at the excluded pixel, so a polyline is continuous.
    c.dc.LineTo(10, 9);
    EXPECT_TRUE(c.Set(10, 5));
    EXPECT_FALSE(c.Set(10, 9));
}

TEST(MemoryDc, SteepAndBackwardLinesStepAlongTheMajorAxis) {
    Canvas c(30, 30);
    c.dc.MoveTo(20, 25);
    c.dc.LineTo(17, 5); // 20 rows, 3 columns: one pixel per row
    for (int y = 6; y <= 25; ++y) {
        int inRow = 0;
        for (int x = 0; x < 30; ++x) inRow += c.Set(x, y);
        EXPECT_EQ(inRow, 1) << "row " << y;
    }
    EXPECT_TRUE(c.Set(20, 25));
    EXPECT_FALSE(c.Set(17, 5));
}

TEST(MemoryDc, PenColourAndNullPen) {
    Canvas c(10, 10);
    CPen red(PS_SOLID, 1, RGB(255, 0, 0));
    CPen* old = c.dc.SelectObject(&red);
    c.dc.MoveTo(0, 0);
    c.dc.LineTo(5, 0);
    EXPECT_EQ(c.bitmap.Image().pixel(1, 0), 0xFFFF0000u);
    CPen none(PS_NULL, 1, 0);
    c.dc.SelectObject(&none);
    c.dc.LineTo(5, 5);
    EXPECT_FALSE(c.Set(5, 2));
    EXPECT_EQ(c.dc.SelectObject(old), &none);
}

// A clipped line must set exactly the pixels of the same line drawn on a
// canvas big enough to hold it whole.
TEST(MemoryDc, ClippingKeepsThePixelsOfTheWholeLine) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coord(-60, 100);
    for (int trial = 0; trial < 400; ++trial) {
        const int x0 = coord(rng), y0 = coord(rng), x1 = coord(rng), y1 = coord(rng);
        Canvas big(200, 200), small(40, 30);
        big.dc.SetViewportOrg(80, 80);
        big.dc.MoveTo(x0, y0);
        big.dc.LineTo(x1, y1);
        small.dc.MoveTo(x0, y0);
        small.dc.LineTo(x1, y1);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                ASSERT_EQ(small.Set(x, y), big.Set(x + 80, y + 80))
                    << "line (" << x0 << "," << y0 << ")-(" << x1 << "," << y1 << ") at " << x << "," << y;
    }
}

TEST(MemoryDc, HugeCoordinatesAreClippedNotWalked) {
    Canvas c(50, 50);
    c.dc.MoveTo(-2147483647, 25);
    c.dc.LineTo(2147483647, 25);
    for (int x = 0; x < 50; ++x) EXPECT_TRUE(c.Set(x, 25));
    c.dc.MoveTo(INT_MIN, INT_MIN);
    c.dc.LineTo(INT_MAX, INT_MAX); // passes through the picture's diagonal
    EXPECT_TRUE(c.Set(10, 10));
}

TEST(MemoryDc, PixelsFillsAndViewportOrigin) {
    Canvas c(10, 10);
    c.dc.SetPixel(3, 4, RGB(0, 0, 255));
    EXPECT_EQ(c.dc.GetPixel(3, 4), RGB(0, 0, 255));
    c.dc.SetPixel(-1, 4, 0); // outside: ignored
    c.dc.SetPixel(10, 4, 0);
    c.dc.SetViewportOrg(5, 5);
    c.dc.FillSolidRect(0, 0, 100, 100, RGB(0, 255, 0)); // clipped to the picture
    EXPECT_EQ(c.bitmap.Image().pixel(9, 9), 0xFF00FF00u);
    EXPECT_EQ(c.bitmap.Image().pixel(4, 9), 0xFFFFFFFFu);
    EXPECT_EQ(c.dc.GetPixel(0, 0), RGB(0, 255, 0)); // logical (0, 0) is device (5, 5)
    EXPECT_EQ(c.Count(), 26);
}

TEST(MemoryDc, StretchBltDoublesPixelForPixel) {
    Canvas src(2, 2), dst(10, 10);
    src.dc.SetPixel(0, 0, RGB(255, 0, 0));
    src.dc.SetPixel(1, 1, RGB(0, 0, 255));
    dst.dc.StretchBlt(3, 3, 4, 4, &src.dc, 0, 0, 2, 2, SRCCOPY);
    const QImage& img = dst.bitmap.Image();
    for (int y = 3; y < 5; ++y)
        for (int x = 3; x < 5; ++x) EXPECT_EQ(img.pixel(x, y), 0xFFFF0000u);
    for (int y = 5; y < 7; ++y)
        for (int x = 5; x < 7; ++x) EXPECT_EQ(img.pixel(x, y), 0xFF0000FFu);
    EXPECT_EQ(img.pixel(5, 3), 0xFFFFFFFFu);
    EXPECT_EQ(img.pixel(7, 7), 0xFFFFFFFFu);
}

TEST(MemoryDc, DeviceCapsAndPointFonts) {
    Canvas c(300, 200);
    EXPECT_EQ(c.dc.GetDeviceCaps(HORZRES), 300);
    EXPECT_EQ(c.dc.GetDeviceCaps(VERTRES), 200);
    EXPECT_EQ(c.dc.GetDeviceCaps(LOGPIXELSY), 96);
    CFont f;
    f.CreatePointFont(160, "Arial", &c.dc);
    EXPECT_EQ(f.m_lf.lfHeight, -21); // 16 pt at 96 dpi, rounded
    EXPECT_EQ(MulDiv(160, 600, 720), 133);
    EXPECT_EQ(MulDiv(-7, 1, 2), -4); // halves round away from zero
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
}

TEST(MemoryDc, TextIsDrawnWhereItsExtentSays) {
    Canvas c(200, 60);
    CFont f;
    f.CreatePointFont(160, "Arial", &c.dc);
    c.dc.SelectObject(&f);
    const CSize ext = c.dc.GetTextExtent(CString("Hello"));
    EXPECT_GT(ext.cx, 30);
    EXPECT_GT(ext.cy, 15);
    c.dc.SetBkMode(TRANSPARENT);
    c.dc.TextOut(10, 10, CString("Hello"));
    int minX = 999, maxX = -1, minY = 999, maxY = -1;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 200; ++x)
            if (c.Set(x, y)) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
    ASSERT_GE(maxX, 0);
    EXPECT_GE(minX, 10);
    EXPECT_LE(maxX, 10 + ext.cx);
    EXPECT_GE(minY, 10);
    EXPECT_LE(maxY, 10 + ext.cy);
    c.dc.SelectObject(static_cast<CFont*>(nullptr));
}

} // namespace
