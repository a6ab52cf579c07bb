#include "model/loomveil_doc.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

struct Drawing : test::Canvas {
    CLoomveilDoc doc;
    using Canvas::Canvas;
    Drawing& Add(float x, float y) {
        doc.m_PointList.AddTail(_tagREALPT{x, y});
        return *this;
    }
    Drawing& Break(float y = 0) { return Add(FLT_MAX, y); }
    void Draw() { doc.DrawPointList(&dc, bitmap.Image().width(), bitmap.Image().height()); }
    QRgb At(int x, int y) const { return bitmap.Image().pixel(x, y) & 0xFFFFFF; }
    bool Set(int x, int y) const { return At(x, y) != 0xFFFFFF; }
    // The colours of the set pixels down column x, top first.
    std::vector<QRgb> Column(int x) const {
        std::vector<QRgb> seen;
        for (int y = 0; y < bitmap.Image().height(); ++y)
            if (Set(x, y)) seen.push_back(At(x, y));
        return seen;
    }
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

TEST(DrawPointList, StrokeColoursChangeThePenAndRestoreIt) {
    // Four horizontal strokes one pixel thick and apart; red from the second
    // stroke's marker, blue from the middle of the third stroke on.
    Drawing d(100, 110);
    for (int i = 0; i < 4; ++i)
        d.Break()
            .Add(0, static_cast<float>(i * 10))
            .Add(50, static_cast<float>(i * 10))
            .Add(100, static_cast<float>(i * 10));
    d.doc.m_StrokeColours.Set(4, RGB(255, 0, 0));
    d.doc.m_StrokeColours.Set(11, RGB(0, 0, 255));
    CPen mine(PS_SOLID, 1, RGB(1, 2, 3));
    d.dc.SelectObject(&mine);
    d.Draw();
    EXPECT_EQ(&d.dc.CurrentPen(), &mine);
    EXPECT_EQ(d.Column(25), (std::vector<QRgb>{0x000000, 0xFF0000, 0xFF0000, 0x0000FF}));
    EXPECT_EQ(d.Column(75), (std::vector<QRgb>{0x000000, 0xFF0000, 0x0000FF, 0x0000FF}));
}

TEST(DrawPointList, NonFiniteCoordinatesDrawNothing) {
    Drawing d(50, 50);
    d.Add(0, 0).Add(NAN, 5).Add(INFINITY, -INFINITY).Add(10, 10).Draw();
    // An infinite extent leaves no finite scale: nothing is drawn, and the
    // pen ends where an out-of-range conversion puts it.
    EXPECT_EQ(d.Count(), 0);
    EXPECT_EQ(d.dc.GetCurrentPosition(), CPoint(INT_MIN, INT_MIN));
}

TEST(DrawDibRows, PaintsBottomUpAtEachDepth) {
    const COLORREF palette[4] = {RGB(255, 255, 255), RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
    // Rows of w pixels, the first row of data the bottom one; at 4 bits the
    // high nibble is pixel x, at 1 bit bit 7. Other depths consume bytes
    // and paint nothing; null data does nothing.
    const BYTE eight[] = {1, 2, 3, 0}, four[] = {0x12, 0x30}, one[] = {0x81};
    const struct {
        const BYTE* data;
        int w, h, bits;
        std::vector<QRgb> rows; // each row's colours, top first
    } cases[] = {
        {eight, 2, 2, 8, {0x0000FF, 0xFFFFFF, 0xFF0000, 0x00FF00}},
        {four, 4, 1, 4, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}},
        {one, 8, 1, 1, {0xFF0000, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFF0000}},
        {eight, 4, 1, 24, {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF}},
        {nullptr, 4, 1, 8, {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF}}};
    for (const auto& c : cases) {
        Drawing d(c.w, c.h);
        DrawDibRows(&d.dc, c.data, palette, c.w, c.h, c.bits);
        std::vector<QRgb> got;
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) got.push_back(d.At(x, y));
        EXPECT_EQ(got, c.rows) << c.bits << " bits";
    }
}

} // namespace
