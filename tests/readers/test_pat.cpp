#include "readers/reader_test.h"

#include <cmath>

namespace test {

TEST(PatReader, TheModelAfterARead) {
    ExpectModels({
        // Blanks only between a letter and its number; a line with I but no
        // J, without Y, or not beginning with N is skipped. Every rapid move
        // (G0, with a centre or not) starts a stroke of its own.
        {"pat", "N1G0X0Y0\nN2 G1X1Y1\nN3G1X 2Y 2\nN4G1X3Y3I1\nN5G1X4\n N6G1X5Y5\nN7G0X6Y6\nN8G0X1Y1I7J7\n",
         "| 0,0 2,-2 | 6,-6 | 1,-1"},
        // With no previous point an arc is a straight move to its end.
        {"pat", "N1G3X0Y10I0J0\n", "0,-10"},
        // SSD: one path; ':' lines and lines without two numbers are skipped.
        {"ssd", ":HEADER\n1 2\n:SECTION\n3\t4\nnoise\n5 6 7\n", "1,-2 3,-4 5,-6"},
        // With point sequences, each is a stroke and points stand only in
        // them; :SECTION neither breaks nor ends one.
        {"ssd",
         ":NAME\n9 9\n:COMMENT\n12 34\n:POINTSEQUENCE\n1 2\n:SECTION\n3 4\n:POINTSEQUENCE\n5 6\n:END\n7 8\n",
         "| 1,-2 3,-4 | 5,-6"},
        // HQF: a segment that does not start where the last one ended starts
        // a stroke; each stroke keeps its last end; a line that is not four
        // numbers ends the data.
        {"hqf", "0 0 1 0\n1 0 1 1\n5 5 6 6\n9 9 8 8\n8 0 7 7\nend of segments\n1 0 2 2\n",
         "| 0,0 1,0 1,-1 | 5,-5 6,-6 | 9,-9 8,-8 | 8,0 7,-7"},
    });
}

TEST(PatReader, ArcsAboutAnAbsoluteCentre) {
    // A quarter circle counter-clockwise: eleven chords 0.1428 radian apart.
    const auto ccw = Read("pat", "N1G0X10Y0\nN2G3X0Y10I0J0\n");
    ASSERT_EQ(ccw.size(), 2u + 10 + 1);
    for (int k = 1; k <= 11; ++k) {
        EXPECT_NEAR(ccw[1 + k].x, 10 * std::cos(k * M_PI / 22), 1e-4) << k;
        EXPECT_NEAR(ccw[1 + k].y, -10 * std::sin(k * M_PI / 22), 1e-4) << k;
    }
    // Clockwise to the same end: the count is taken before the correction,
    // so three quarters are drawn with eleven chords. Any other G with a
    // centre goes the raw way round, here counter-clockwise.
    const auto cw = Read("pat", "N1G0X10Y0\nN2G2X0Y10I0J0\n"),
               raw = Read("pat", "N1G0X10Y0\nN2G1X0Y10I0J0\n");
    ASSERT_EQ(cw.size(), 13u);
    EXPECT_NEAR(cw[2].x, 10 * std::cos(1.5 * M_PI / 11), 1e-4);
    EXPECT_NEAR(cw[2].y, 10 * std::sin(1.5 * M_PI / 11), 1e-4);
    ASSERT_EQ(raw.size(), 13u);
    EXPECT_NEAR(raw[2].y, ccw[2].y, 1e-6);
    // Start and end at one angle: a full turn either way, in two chords; a
    // short arc still gets one point between.
    for (const char* g : {"2", "3"}) {
        const auto full = Read("pat", std::string("N1G0X10Y0\nN2G") + g + "X10Y0I0J0\n");
        ASSERT_EQ(full.size(), 4u) << g;
        EXPECT_NEAR(full[2].x, -10, 1e-4) << g;
    }
    EXPECT_EQ(Read("pat", "N1G0X10Y0\nN2G3X10Y0.1I0J0\n").size(), 4u);
}

} // namespace test
