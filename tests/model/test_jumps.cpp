#include "model/jumps.h"
#include "model/loomveil_doc.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

using test::kBreak;

CPointList List(std::initializer_list<_tagREALPT> points) {
    CPointList list(10);
    for (const _tagREALPT& p : points) list.AddTail(p);
    return list;
}

QImage White(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// The longest run of jump-coloured pixels and of white ones along row y,
// between the first and the last jump-coloured pixel.
struct Runs {
    int count = 0, longestOn = 0, longestOff = 0, first = -1, last = -1;
};
Runs RowRuns(const QImage& image, int y) {
    Runs r;
    int on = 0, off = 0;
    for (int x = 0; x < image.width(); ++x) {
        if (image.pixel(x, y) == kJumpColour) {
            ++r.count;
            if (r.first < 0) r.first = x;
            r.last = x;
            r.longestOff = std::max(r.longestOff, off);
            off = 0;
            r.longestOn = std::max(r.longestOn, ++on);
        } else {
            if (r.first >= 0) ++off;
            on = 0;
        }
    }
    return r;
}

TEST(Jumps, AJumpJoinsTheLastPointOfAStrokeToTheFirstOfTheNext) {
    const CPointList list = List({kBreak, {0, 0}, {1, 0}, kBreak, kBreak, {5, 5}, {6, 6}, kBreak, {7, 7}, kBreak});
    const std::vector<Jump> jumps = FindJumps(list);
    ASSERT_EQ(jumps.size(), 2u);
    EXPECT_TRUE(test::SamePoint(jumps[0].from, {1, 0}));
    EXPECT_TRUE(test::SamePoint(jumps[0].to, {5, 5}));
    EXPECT_TRUE(test::SamePoint(jumps[1].from, {6, 6}));
    EXPECT_TRUE(test::SamePoint(jumps[1].to, {7, 7}));
    EXPECT_TRUE(FindJumps(List({{0, 0}, {1, 1}})).empty());
    EXPECT_TRUE(FindJumps(List({kBreak, kBreak})).empty());
}

TEST(Jumps, DrawnDashedUnderTheStrokesWhereTheDrawingPutsThem) {
    // Two vertical strokes 100 units apart, joined at the top by a jump.
    // In 200 x 200 the scale is 200 / 102 and x = 0 maps to pixel 1, x = 100
    // to 198, y = -100 to row 1.
    CLoomveilDoc doc;
    for (const _tagREALPT& p : {_tagREALPT{0, 0}, {0, -100}, kBreak, {100, -100}, {100, 0}})
        doc.m_PointList.AddTail(p);
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(nullptr, 200, 200);
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    dc.SelectObject(&bitmap);
    dc.FillSolidRect(0, 0, 200, 200, RGB(255, 255, 255));
    doc.DrawPointList(&dc, 200, 200);
    dc.SelectObject(static_cast<CBitmap*>(nullptr));
    QImage image = bitmap.Image();
    const QImage before = image.copy();
    image.setPixel(100, 1, qRgb(0, 0, 0)); // a stroke crossing the jump

    DrawJumps(image, doc.m_PointList, 200, 200, JumpSpace::fitted);
    const Runs row = RowRuns(image, 1);
    // The first stroke's line stops short of (1, 1), as GDI's do; the
    // second stroke's first pixel (198, 1) stays black.
    EXPECT_EQ(row.first, 1);
    EXPECT_GE(row.last, 194);
    EXPECT_LE(row.last, 197);
    EXPECT_EQ(row.longestOn, 4);
    EXPECT_EQ(row.longestOff, 3);
    EXPECT_EQ(image.pixel(198, 1), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(100, 1), qRgb(0, 0, 0));
    // Nothing but row 1 changed.
    for (int y = 0; y < 200; ++y) {
        if (y == 1) continue;
        for (int x = 0; x < 200; ++x) ASSERT_EQ(image.pixel(x, y), before.pixel(x, y)) << x << "," << y;
    }
}

TEST(Jumps, NothingWhereTheDrawingDrawsNothingAndFarEndsAreClipped) {
    // No extent on one axis: the drawing draws nothing, and so do the jumps.
    QImage flat = White(50, 50);
    DrawJumps(flat, List({{0, 0}, kBreak, {10, 0}}), 50, 50, JumpSpace::fitted);
    EXPECT_EQ(test::CountNonWhite(flat), 0);

    // Device space (a DXF outline): pixels as they stand. A jump to a point
    // a billion pixels away is cut at the picture's edge, not walked.
    QImage device = White(50, 50);
    DrawJumps(device, List({{10, 10}, kBreak, {1e9f, 10}, kBreak, {20, 20}, kBreak, {NAN, 5}}), 50, 50,
              JumpSpace::device);
    const Runs out = RowRuns(device, 10);
    EXPECT_EQ(out.first, 10);
    EXPECT_GE(out.last, 45);
    EXPECT_EQ(out.longestOn, 4);
    // The way back reaches (20, 20) along row 20 (the far point is 10 rows
    // up, a billion pixels away); the jump to NaN is left out.
    const Runs back = RowRuns(device, 20);
    EXPECT_GE(back.first, 20);
    EXPECT_LE(back.first, 23);
    EXPECT_GE(back.last, 45);
    EXPECT_EQ(test::CountNonWhite(device), out.count + back.count);
}

} // namespace
