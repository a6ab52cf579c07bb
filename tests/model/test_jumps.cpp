#include "model/jumps.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

using test::kBreak;

CPointList List(std::initializer_list<_tagREALPT> points) {
    CPointList list(10);
    for (const _tagREALPT& p : points) list.AddTail(p);
    return list;
}

// Jump-coloured pixels in row y: how many, the first and the last.
struct Row {
    int count = 0, first = -1, last = -1;
};
Row JumpPixels(const QImage& image, int y) {
    Row r;
    for (int x = 0; x < image.width(); ++x)
        if (image.pixel(x, y) == kJumpColour) {
            ++r.count;
            if (r.first < 0) r.first = x;
            r.last = x;
        }
    return r;
}

TEST(Jumps, NothingWhereTheDrawingDrawsNothingAndFarEndsAreClipped) {
    QImage image(50, 50, QImage::Format_RGB32);
    image.fill(Qt::white);
    // No extent on one axis: the drawing draws nothing, and so do the jumps.
    DrawJumps(image, List({{0, 0}, kBreak, {10, 0}}), 50, 50, JumpSpace::fitted);
    EXPECT_EQ(test::CountNonWhite(image), 0);

    // Device space (a DXF outline): pixels as they stand. A jump to a point
    // a billion pixels away is cut at the picture's edge, not walked; the
    // way back runs along row 20 to (20, 20); a jump to NaN is left out.
    DrawJumps(image, List({{10, 10}, kBreak, {1e9f, 10}, kBreak, {20, 20}, kBreak, {NAN, 5}}), 50, 50,
              JumpSpace::device);
    const Row out = JumpPixels(image, 10), back = JumpPixels(image, 20);
    EXPECT_EQ(out.first, 10);
    EXPECT_GE(out.last, 45);
    EXPECT_NEAR(out.count, 40 * 4 / 7, 2); // dashes of 4 on, 3 off
    EXPECT_LE(back.first, 23);
    EXPECT_GE(back.last, 45);
    EXPECT_EQ(test::CountNonWhite(image), out.count + back.count);
}

} // namespace
