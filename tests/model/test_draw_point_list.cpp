#include "model/loomveil_doc.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

struct Drawing {
    CLoomveilDoc doc;
    CBitmap bitmap;
    CDC dc;
    Drawing(int w, int h) {
        bitmap.CreateCompatibleBitmap(nullptr, w, h);
        dc.CreateCompatibleDC(nullptr);
        dc.SelectObject(&bitmap);
        dc.FillSolidRect(0, 0, w, h, RGB(255, 255, 255));
    }
    Drawing& Add(float x, float y) {
        doc.m_PointList.AddTail(_tagREALPT{x, y});
        return *this;
    }
    Drawing& Break(float y = 0) { return Add(FLT_MAX, y); }
    void Draw(const COLORREF* colours = nullptr) {
        doc.DrawPointList(&dc, bitmap.Image().width(), bitmap.Image().height(), colours);
    }
    QRgb At(int x, int y) const { return bitmap.Image().pixel(x, y) & 0xFFFFFF; }
    bool Set(int x, int y) const { return At(x, y) != 0xFFFFFF; }
};

TEST(DrawPointList, WorkedExampleMapsAndTruncates) {
    Drawing d(300, 300);
    d.Add(0, 0).Add(100, 50).Draw();
    // (0, 0) → (2.94, 76.47) → (2, 76); (100, 50) → (297.06, 223.53) → (297, 223).
    EXPECT_TRUE(d.Set(2, 76));
    EXPECT_FALSE(d.Set(297, 223)); // a line's end pixel is not set
    EXPECT_TRUE(d.Set(296, 222) || d.Set(296, 223));
    EXPECT_FALSE(d.Set(1, 76));
    EXPECT_EQ(d.dc.GetCurrentPosition(), CPoint(297, 223));
}

TEST(DrawPointList, WidePatternSpansWidthOverOnePointZeroTwoCentred) {
    Drawing d(204, 204);
    d.Add(0, 0).Add(200, 0).Add(200, 100).Draw();
    // scale = 204 / (200 · 1.02) = 1: x from 2 to 202; y centred from 52 to 152.
    EXPECT_TRUE(d.Set(2, 52));
    EXPECT_TRUE(d.Set(201, 52));
    EXPECT_TRUE(d.Set(202, 151));
    EXPECT_FALSE(d.Set(202, 152));
    EXPECT_FALSE(d.Set(1, 52));
    EXPECT_FALSE(d.Set(2, 51));
}

TEST(DrawPointList, DegenerateListsDrawNothing) {
    const auto drawn = [](auto build) {
        Drawing d(50, 50);
        build(d);
        d.Draw();
        return test::CountNonWhite(d.bitmap.Image());
    };
    EXPECT_EQ(drawn([](Drawing&) {}), 0);
    EXPECT_EQ(drawn([](Drawing& d) { d.Break().Break(); }), 0);
    EXPECT_EQ(drawn([](Drawing& d) { d.Add(3, 3); }), 0);
    EXPECT_EQ(drawn([](Drawing& d) { d.Add(0, 3).Add(10, 3); }), 0); // horizontal only
    EXPECT_EQ(drawn([](Drawing& d) { d.Add(4, 0).Add(4, 9).Break().Add(4, 2); }), 0);
}

TEST(DrawPointList, MarkersBreakStrokesWhateverTheirY) {
    Drawing with(100, 100), without(100, 100);
    with.Break().Add(0, 0).Add(10, 0).Break(55).Break().Add(10, 10).Add(0, 10).Draw();
    without.Add(0, 0).Add(10, 0).Add(10, 10).Add(0, 10).Draw();
    // Without the markers the right edge is drawn; with them it is a jump.
    int rightEdgeWith = 0, rightEdgeWithout = 0;
    for (int y = 10; y < 90; ++y) {
        rightEdgeWith += with.Set(99, y);
        rightEdgeWithout += without.Set(99, y);
    }
    EXPECT_EQ(rightEdgeWith, 0);
    EXPECT_GT(rightEdgeWithout, 70);
    // 32771 is a marker for the writers only: drawn as a point.
    Drawing odd(100, 100);
    odd.Add(0, 0).Add(32771, 0).Add(32771, 32771).Draw();
    EXPECT_GT(test::CountNonWhite(odd.bitmap.Image()), 150);
}

TEST(DrawPointList, ColourTableRotatesAtEveryMarkerAndRestoresThePen) {
    const COLORREF colours[4] = {RGB(0, 0, 0), RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
    // Five horizontal strokes, each after a marker: entries 0, 1, 2, 3, 0.
    Drawing d(100, 110);
    for (int i = 0; i < 5; ++i) d.Break().Add(0, static_cast<float>(i * 10)).Add(100, static_cast<float>(i * 10));
    CPen mine(PS_SOLID, 1, RGB(1, 2, 3));
    d.dc.SelectObject(&mine);
    d.Draw(colours);
    EXPECT_EQ(&d.dc.CurrentPen(), &mine);
    const QRgb expected[5] = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0x000000};
    for (int i = 0; i < 5; ++i) {
        int y = -1;
        // The strokes are one pixel thick and apart: stroke i is the i-th set row.
        int found = 0;
        for (int row = 0; row < 110; ++row) {
            if (!d.Set(50, row)) continue;
            if (found++ == i) {
                y = row;
                break;
            }
        }
        ASSERT_GE(y, 0) << i;
        EXPECT_EQ(d.At(50, y), expected[i]) << "stroke " << i;
    }

    // Without a leading marker the first two strokes both take entry 0.
    Drawing e(100, 100);
    e.Add(0, 0).Add(100, 0).Break().Add(0, 50).Add(100, 50).Break().Add(0, 100).Add(100, 100);
    e.Draw(colours);
    int seen = 0;
    QRgb got[3] = {};
    for (int row = 0; row < 100 && seen < 3; ++row)
        if (e.Set(50, row)) got[seen++] = e.At(50, row);
    EXPECT_EQ(got[0], 0x000000u);
    EXPECT_EQ(got[1], 0x000000u);
    EXPECT_EQ(got[2], 0xFF0000u);
}

TEST(DrawPointList, NonFiniteCoordinatesNeitherCrashNorHang) {
    Drawing d(50, 50);
    d.Add(0, 0).Add(NAN, 5).Add(INFINITY, -INFINITY).Add(10, 10).Draw();
    SUCCEED();
}

TEST(DrawDibRows, PaintsBottomUpAtEachDepth) {
    Drawing d(16, 4);
    const COLORREF palette[4] = {RGB(255, 255, 255), RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
    // 8 bits: two rows of two pixels; the first row of data is the bottom one.
    const BYTE eight[] = {1, 2, 3, 0};
    DrawDibRows(&d.dc, eight, palette, 2, 2, 8);
    EXPECT_EQ(d.At(0, 1), 0xFF0000u);
    EXPECT_EQ(d.At(1, 1), 0x00FF00u);
    EXPECT_EQ(d.At(0, 0), 0x0000FFu);
    // 4 bits: high nibble at x, low nibble at x + 1.
    Drawing f(4, 1);
    const BYTE four[] = {0x12, 0x30};
    DrawDibRows(&f.dc, four, palette, 4, 1, 4);
    EXPECT_EQ(f.At(0, 0), 0xFF0000u);
    EXPECT_EQ(f.At(1, 0), 0x00FF00u);
    EXPECT_EQ(f.At(2, 0), 0x0000FFu);
    // 1 bit: bit 7 at x, bit 0 at x + 7.
    Drawing g(8, 1);
    const BYTE one[] = {0x81};
    DrawDibRows(&g.dc, one, palette, 8, 1, 1);
    EXPECT_EQ(g.At(0, 0), 0xFF0000u);
    EXPECT_EQ(g.At(7, 0), 0xFF0000u);
    EXPECT_EQ(g.At(3, 0), 0xFFFFFFu);
    // Other depths consume bytes and paint nothing; null data does nothing.
    Drawing h(4, 1);
    DrawDibRows(&h.dc, eight, palette, 4, 1, 24);
    DrawDibRows(&h.dc, nullptr, palette, 4, 1, 8);
    EXPECT_EQ(test::CountNonWhite(h.bitmap.Image()), 0);
}

} // namespace
