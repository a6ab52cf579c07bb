#include "model/print_job.h"

#include <gtest/gtest.h>

namespace {

TEST(PrintLayout, OneInchMarginsBelowTheHeader) {
    // 600 dots per inch, 4800 × 6600 printable, a header 80 high.
    const PrintLayout l = ComputePrintLayout(600.0f, 600.0f, 4800, 6600, CSize(1000, 80));
    EXPECT_EQ(l.pictureOrigin, CPoint(600, 680));
    EXPECT_EQ(l.pictureWidth, 3600);
    EXPECT_EQ(l.pictureHeight, 5320);
    EXPECT_EQ(l.headerPos, CPoint(1900, 580));

    // No header (a file named on the command line has no file name): the
    // picture starts one inch down.
    const PrintLayout bare = ComputePrintLayout(600.0f, 600.0f, 4800, 6600, CSize(0, 0));
    EXPECT_EQ(bare.pictureOrigin, CPoint(600, 600));
    EXPECT_EQ(bare.pictureHeight, 5400);
    EXPECT_EQ(bare.headerPos, CPoint(2400, 600));

    // Odd sizes divide toward zero; unequal resolutions keep their axes.
    const PrintLayout odd = ComputePrintLayout(300.0f, 600.0f, 2551, 6601, CSize(333, 81));
    EXPECT_EQ(odd.pictureOrigin, CPoint(300, 681));
    EXPECT_EQ(odd.pictureWidth, 1951);
    EXPECT_EQ(odd.pictureHeight, 5320);
    EXPECT_EQ(odd.headerPos, CPoint(1275 - 166, 600 - 20));
}

TEST(PrintLayout, APageSmallerThanItsMarginsGetsAnEmptyPicture) {
    const PrintLayout l = ComputePrintLayout(600.0f, 600.0f, 1000, 1100, CSize(10, 80));
    EXPECT_EQ(l.pictureWidth, 0);
    EXPECT_EQ(l.pictureHeight, 0);
}

TEST(PrintJobName, TheNameWithoutItsExtension) {
    EXPECT_EQ(PrintJobName("star.qli"), CString("star"));
    EXPECT_EQ(PrintJobName("a.b.qli"), CString("a.b"));
    EXPECT_EQ(PrintJobName("noext"), CString("noext"));
    EXPECT_EQ(PrintJobName(""), CString(""));
}

} // namespace
