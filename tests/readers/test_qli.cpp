#include "reader_test.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

using test::kBreak;
using test::RenderText;

TEST(QliReader, HeaderGivesTheOriginAndShortLinesCountForNothing) {
    test::ExpectPoints(test::Read("qli", "#CAD2DMC\n"), {{0, 0}});
    test::ExpectPoints(test::Read("qli", "\nX\n#header\nL,1,2\n"), {{0, 0}, {1, -2}});
}

TEST(QliReader, RecordKindsAndIgnoredLines) {
    const char* text = "#CAD2DMC\r\nCS\r\nVMXY\r\nNO comment\r\nVP 1.25,3.5\r\nL,2,0\r\nAMS\r\n"
                       "BGS\r\nVP 4,4\r\nEN\r\n";
    test::ExpectPoints(test::Read("qli", text), {{0, 0}, {1.25f, -3.5f}, {2, 0}, kBreak, {4, -4}});
}

TEST(QliReader, PenUpRecordsGiveOneMarkerAndVeAfterPenUpKeepsTheOrigin) {
    test::ExpectPoints(test::Read("qli", "#h\nBG\nJ,5,5\nVE\nL,1,1\n"), {{0, 0}, kBreak, {1, -1}});
    // VE makes later records relative to the end of the vector.
    test::ExpectPoints(test::Read("qli", "#h\nL,1,1\nVE\nL,2,0\nVE\nL,0,3\n"), {{0, 0}, {1, -1}, {3, -1}, {3, -4}});
}

TEST(QliReader, ArcInDegreesIsCutIntoEqualChords) {
    const auto pts = test::Read("qli", "#h\nL,1,0\nA,1,0,90\n");
    // origin, start, 18 intermediate points, end.
    ASSERT_EQ(pts.size(), 21u);
    EXPECT_NEAR(pts.back().x, 0.0f, 1e-6);
    EXPECT_NEAR(pts.back().y, -1.0f, 1e-6);
    const double step = 90.0 / 19.0 * M_PI / 180.0;
    for (int i = 1; i <= 18; ++i) {
        EXPECT_NEAR(pts[1 + i].x, std::cos(i * step), 1e-5) << i;
        EXPECT_NEAR(pts[1 + i].y, -std::sin(i * step), 1e-5) << i;
    }
    // A sweep under five degrees is one chord.
    EXPECT_EQ(test::Read("qli", "#h\nL,1,0\nCR1,0,4\n").size(), 3u);
}

TEST(QliReader, HqvArcsAreInRadians) {
    EXPECT_EQ(test::Read("hqv", "#h\nL,1,0\nA,1,0,1.5707963\n").size(), 21u);
    EXPECT_EQ(test::Read("hqv", "#h\nL,1,0\nA,1,0,1.570796\n").size(), 20u); // 89.99998 degrees: 17 chords
    const auto pts = test::Read("hqv", "#h\nL,1,0\nA,1,0,1.5707963\n");
    EXPECT_NEAR(pts.back().y, -1.0f, 1e-6);
}

TEST(QliReader, BothNumberFormsAndTheirFailures) {
    test::ExpectPoints(test::Read("qli", "#h\nL,1.5mmm,2\n"), {{0, 0}, {1.5f, -2}});
    EXPECT_EQ(test::Read("qli", "#h\nA,1mmm,0deg,4\n").size(), 2u);
    EXPECT_EQ(test::Read("qli", "#h\nA,1in,0deg,4\n").size(), 1u);
    // "in," fills the unit word, so no comma follows: the parse ends here.
    test::ExpectPoints(test::Read("qli", "#h\nL,1,1\nL,1.5in,2\nL,5,5\n"), {{0, 0}, {1, -1}});
    test::ExpectPoints(test::Read("qli", "#h\nL,1\nL,5,5\n"), {{0, 0}});
    test::ExpectPoints(test::Read("qli", "#h\nA,1,2\nL,5,5\n"), {{0, 0}});
}

TEST(QliReader, TokensAreDeletedBeforeLinesAreCut) {
    test::ExpectPoints(test::Read("qli", "#h\nL,@RND[2.5]*SX,3*SY\n"), {{0, 0}, {2.5f, -3}});
    // Deleting "]" first joins "*S" and "X": the later "*SX" pass removes it.
    test::ExpectPoints(test::Read("qli", "#h\nL,2*S]X,1+SR\n"), {{0, 0}, {2, -1}});
}

TEST(QliReader, TheLastLineNeedsALineFeed) {
    test::ExpectPoints(test::Read("qli", "#h\nL,1,1\nL,2,2"), {{0, 0}, {1, -1}});
    test::ExpectPoints(test::Read("qli", std::string_view("#h\nL,1,1\nL,2\0,2\nL,3,3\n", 22)), {{0, 0}, {1, -1}});
}

TEST(QliReader, ThumbnailEndsHqvDataOnly) {
    const char* text = "#h\nL,1,1\n:Thumbnail\nL,2,2\n";
    test::ExpectPoints(test::Read("hqv", text), {{0, 0}, {1, -1}});
    test::ExpectPoints(test::Read("qli", text), {{0, 0}, {1, -1}, {2, -2}});
}

TEST(QliReader, DrawsThePattern) {
    const auto r = RenderText("qli", "#h\nL,0,0\nL,100,0\nL,100,100\n", 100, 100);
    EXPECT_EQ(r.result, 1);
    EXPECT_GT(test::CountNonWhite(r.image), 150);
}

TEST(QliReader, FilesWithNothingToReadFail) {
    EXPECT_EQ(RenderText("qli", "").result, 0);
    CLoomveilDoc doc;
    test::TempDir dir;
    EXPECT_EQ(test::RenderPath(doc, dir.File("gone.qli")).result, 0);
    EXPECT_FALSE(doc.m_strError.empty());
}

TEST(QliReader, HostileInputStaysBounded) {
    // A sweep of 1e30 degrees would ask for 2e29 points; ten turns are traced.
    const auto huge = RenderText("qli", "#h\nL,1,0\nA,1,0,1e30\nA,1,0,inf\nA,1,0,nan\nA,1,0,-1e38\n");
    EXPECT_EQ(huge.result, 1);
    EXPECT_EQ(huge.points.size(), 2u + 721 + 721 + 1 + 721);
    EXPECT_EQ(test::Read("qli", "#h\nL,1,0\nA,1,0,3604\n").size(), 2u + 720 + 1);
    std::string garbage;
    for (int i = 0; i < 5000; ++i) garbage += static_cast<char>((i * 7919) % 256);
    EXPECT_EQ(RenderText("qli", garbage).result, 1);
    EXPECT_EQ(RenderText("hqv", "#h\nL,nan,inf\nL,1e39,-1e39\nL,0,0\n").result, 1);
}

} // namespace
