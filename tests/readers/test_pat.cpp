#include "readers/reader_test.h"

#include <cmath>

namespace {

using test::ExpectPoints;
using test::kBreak;
using test::Read;

TEST(PatReader, MovesAndWhatScans) {
    ExpectPoints(Read("pat", "N1G0X0Y0\nN2G1X10Y0\nN3G1X10Y5\n"), {kBreak, {0, 0}, {10, 0}, {10, -5}});
    // Blanks only between a letter and its number; a line with I but no J,
    // or without Y, is skipped; so is a line not beginning with N.
    ExpectPoints(Read("pat", "N1G0X0Y0\nN2 G1 X1 Y1\nN3G1X 2Y 2\nN4G1X3Y3I1\nN5G1X4\n N6G1X5Y5\nN7G1X6Y6\n"),
                 {kBreak, {0, 0}, {2, -2}, {6, -6}});
}

TEST(PatReader, EveryRapidMoveStartsAStroke) {
    ExpectPoints(Read("pat", "N1G0X0Y0\nN2G0X5Y5\nN3G1X10Y0\nN4G0X1Y1I7J7\nN5G0X2Y2\n"),
                 {kBreak, {0, 0}, kBreak, {5, -5}, {10, 0}, kBreak, {1, -1}, kBreak, {2, -2}});
}

TEST(PatReader, ArcsAboutAnAbsoluteCentre) {
    // A quarter circle counter-clockwise: eleven chords 0.1428 radian apart.
    const auto ccw = Read("pat", "N1G0X10Y0\nN2G3X0Y10I0J0\n");
    ASSERT_EQ(ccw.size(), 2u + 10 + 1);
    for (int k = 1; k <= 10; ++k) {
        const double a = k * (M_PI / 2) / 11;
        EXPECT_NEAR(ccw[1 + k].x, 10 * std::cos(a), 1e-4) << k;
        EXPECT_NEAR(ccw[1 + k].y, -10 * std::sin(a), 1e-4) << k;
    }
    EXPECT_EQ(ccw.back().x, 0.0f);
    EXPECT_EQ(ccw.back().y, -10.0f);

    // Clockwise to the same end: the count is taken before the correction,
    // so three quarters are drawn with eleven chords of about 0.43 radian.
    const auto cw = Read("pat", "N1G0X10Y0\nN2G2X0Y10I0J0\n");
    ASSERT_EQ(cw.size(), 13u);
    const double step = (M_PI / 2 - 2 * M_PI) / 11;
    EXPECT_NEAR(cw[2].x, 10 * std::cos(step), 1e-4);
    EXPECT_NEAR(cw[2].y, -10 * std::sin(step), 1e-4);
    EXPECT_GT(cw[2].y, 0.0f); // below the start, in model coordinates

    // Any other G with a centre goes the raw way round: G1 here is the
    // counter-clockwise quarter.
    const auto raw = Read("pat", "N1G0X10Y0\nN2G1X0Y10I0J0\n");
    ASSERT_EQ(raw.size(), 13u);
    EXPECT_NEAR(raw[2].y, ccw[2].y, 1e-6);
    // Start and end at one angle: a full turn either way, in two chords.
    for (const char* g : {"2", "3"}) {
        const auto full = Read("pat", std::string("N1G0X10Y0\nN2G") + g + "X10Y0I0J0\n");
        ASSERT_EQ(full.size(), 4u) << g;
        EXPECT_NEAR(full[2].x, -10, 1e-4) << g;
    }
    // A short arc still gets one intermediate point.
    EXPECT_EQ(Read("pat", "N1G0X10Y0\nN2G3X10Y0.1I0J0\n").size(), 4u);
    // With no previous point an arc is a straight move to its end.
    ExpectPoints(Read("pat", "N1G3X0Y10I0J0\n"), {{0, -10}});
}

TEST(SsdReader, OneContinuousPath) {
    ExpectPoints(Read("ssd", ":HEADER\n1 2\n:SECTION\n3\t4\nnoise\n5 6 7\n"), {{1, -2}, {3, -4}, {5, -6}});
}

TEST(HqfReader, SegmentsChainIntoStrokes) {
    ExpectPoints(Read("hqf", "0 0 1 0\n1 0 1 1\n"), {kBreak, {0, 0}, {1, 0}, {1, -1}});
    // A segment that does not continue the previous one starts a stroke; the
    // end of each stroke's last segment is kept.
    ExpectPoints(Read("hqf", "0 0 1 0\n5 5 6 6\n6 6 7 5\n9 9 8 8\n"),
                 {kBreak, {0, 0}, {1, 0}, kBreak, {5, -5}, {6, -6}, {7, -5}, kBreak, {9, -9}, {8, -8}});
    // The first line that is not a segment ends the data.
    ExpectPoints(Read("hqf", "0 0 1 0\nend of segments\n1 0 2 2\n"), {kBreak, {0, 0}, {1, 0}});
}

TEST(HqfReader, ReadsBackWhatTheWriterWrites) {
    // The lines the HQF writer gives for marker (0,0) (4,0) (4,2) marker
    // (0,2) (0,0), followed by its comment line.
    const char* text = "0.000 -0.000 10.000 -0.000\r\n10.000 -0.000 10.000 -5.000\r\n"
                       "0.000 -5.000 0.000 -0.000\r\n; written by loomveil\r\n";
    ExpectPoints(Read("hqf", text), {kBreak, {0, 0}, {10, 0}, {10, 5}, kBreak, {0, 5}, {0, 0}});
}

TEST(PatReader, CommonLineRulesAndFailures) {
    for (const char* ext : {"pat", "ssd", "hqf"}) {
        const std::string line = std::string(ext) == "pat"   ? "N1G1X1Y1\n"
                                 : std::string(ext) == "ssd" ? "1 1\n"
                                                             : "1 1 2 2\n";
        // An empty line ends the data; the last line needs a line feed.
        EXPECT_EQ(Read(ext, line + "\n" + line).size(), Read(ext, line).size()) << ext;
        EXPECT_EQ(Read(ext, line + line.substr(0, line.size() - 1)).size(), Read(ext, line).size()) << ext;
        test::ExpectMissingAndEmptyFail(ext);
        EXPECT_EQ(test::RenderText(ext, test::Garbage(5000, 3)).result, 1) << ext;
    }
}

} // namespace
