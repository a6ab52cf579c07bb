#include "readers/reader_test.h"

namespace {

using test::ExpectPoints;
using test::kBreak;

std::string PointLines(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += std::to_string(i) + " " + std::to_string(i % 3) + "\n";
    return s;
}

TEST(TxtReader, PointsAndJumps) {
    // 13 points in 16 lines: 13 / 17 is above three quarters.
    const auto r =
        test::RenderText("txt", "jump position 12 34\n1 2\n3\t-4\n5 6\njump position\njump position\n7 8\n"
                                "9 10\n11 12\n13 14\n15 16\n17 18\n19 20\n21 22\n23 24\n25 26\n");
    EXPECT_EQ(r.result, 1);
    ExpectPoints(r.points, {kBreak,
                            {1, -2},
                            {3, 4},
                            {5, -6},
                            kBreak,
                            kBreak,
                            {7, -8},
                            {9, -10},
                            {11, -12},
                            {13, -14},
                            {15, -16},
                            {17, -18},
                            {19, -20},
                            {21, -22},
                            {23, -24},
                            {25, -26}});
}

TEST(TxtReader, MoreThanThreeQuartersOfTheLinesMustBePoints) {
    // Lines count from one: 3 / 4 is not above 0.75, 4 / 5 is.
    EXPECT_EQ(test::RenderText("txt", PointLines(3)).result, 0);
    EXPECT_EQ(test::RenderText("txt", PointLines(4)).result, 1);
    // 10 / 14: rejected, and the reason says so; what was read stays.
    CLoomveilDoc doc;
    test::TempDir dir;
    test::WriteFile(dir.File("notes.txt"), PointLines(10) + "jump position\njump position\njump position\n");
    const auto r = test::RenderPath(doc, dir.File("notes.txt"));
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(doc.m_strError, "not a pattern: 10 of 14 lines are coordinate pairs");
    EXPECT_EQ(r.points.size(), 13u);
    EXPECT_EQ(test::CountNonWhite(r.image), 0);
    // Prose is refused.
    EXPECT_EQ(test::RenderText("txt", "Dear quilter,\nthe pattern is attached.\n").result, 0);
}

TEST(TxtReader, WhereTheDataEnds) {
    // Only the lines before an empty line are read and counted.
    const auto r = test::RenderText("txt", PointLines(4) + "\n" + "noise\nnoise\nnoise\nnoise\n");
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.points.size(), 4u);
    EXPECT_EQ(test::RenderText("txt", PointLines(4) + "5 5").points.size(), 4u);
    test::ExpectMissingAndEmptyFail("txt");
    EXPECT_EQ(test::RenderText("txt", test::Garbage(5000, 5)).result, 0);
}

} // namespace
