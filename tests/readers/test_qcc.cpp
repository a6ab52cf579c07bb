#include "readers/reader_test.h"

namespace {

using test::ExpectPoints;
using test::kBreak;
using test::Read;

TEST(QccReader, HeaderCurveEndsAndPoints) {
    // The writer's opening lines: "c s" is the header, "c e s" a marker.
    ExpectPoints(Read("qcc", "c s\r\nc e s\r\np X1.5 Y-2\r\nq A1 B2\r\npX3Y4\r\np  X 5   Y 6\r\n"),
                 {kBreak, {1.5f, 2}, {1, -2}, {3, -4}, {5, -6}});
    // Every "c e s" is a marker, even after another.
    ExpectPoints(Read("qcc", "abc d\nc e s\nc e s\np X1 Y1\nc e s\n"), {kBreak, kBreak, {1, -1}, kBreak});
}

TEST(QccReader, LinesThatAreNeitherAreIgnored) {
    ExpectPoints(Read("qcc", "c s\nc s\nc e e\np X1.5\n p X1 Y1\np X Y2\np X2 Y2 tail\n"), {{2, -2}});
}

TEST(QccReader, AHeaderWithoutCBlankRejectsTheFile) {
    for (const char* text : {"abc\np X1 Y1\n", "\nc s\np X1 Y1\n", "C S\np X1 Y1\n"}) {
        CLoomveilDoc doc;
        test::TempDir dir;
        test::WriteFile(dir.File("h.qcc"), text);
        const auto r = test::RenderPath(doc, dir.File("h.qcc"));
        EXPECT_EQ(r.result, 0) << text;
        EXPECT_TRUE(r.points.empty());
        EXPECT_NE(doc.m_strError.find("c "), std::string::npos);
    }
}

TEST(QccReader, WhereTheDataEnds) {
    // An empty line ends the data; text after the last line feed is not read.
    ExpectPoints(Read("qcc", "c s\np X1 Y1\n\np X2 Y2\n"), {{1, -1}});
    ExpectPoints(Read("qcc", "c s\np X1 Y1\np X2 Y2"), {{1, -1}});
    // Without any line feed there is no header to judge and nothing to draw.
    EXPECT_TRUE(Read("qcc", "abc").empty());
}

TEST(QccReader, FailsOnlyWithoutAFile) {
    test::ExpectMissingAndEmptyFail("qcc");
    // Garbage after a good header is skipped line by line.
    EXPECT_EQ(test::RenderText("qcc", "c s\n" + test::Garbage(5000, 1)).result, 1);
}

} // namespace
