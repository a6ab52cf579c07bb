#include "readers/reader_test.h"

namespace {

using test::ExpectPoints;
using test::kBreak;
using test::Read;

TEST(CmdReader, PenCommandsAndPoints) {
    ExpectPoints(Read("cmd", "PU\nX0 Y0\nPD\nX10 Y0\nPU\nX10 Y10\n"),
                 {kBreak, {0, 0}, {10, 0}, kBreak, {10, -10}});
    // Every PU is a marker; PU with coordinates is a pen-up only.
    ExpectPoints(Read("cmd", "PU\r\nPU\r\nPUX5 Y5\r\nX1Y2\r\nX 3   Y -4 feed\r\nPDX9 Y9\r\n"),
                 {kBreak, kBreak, kBreak, {1, -2}, {3, 4}});
}

TEST(CmdReader, LinesThatAreNotPointsAreIgnored) {
    ExpectPoints(Read("cmd", "X5\n X5 Y5\nY5 X5\nx5 y5\nX5 Z5\nX7 Y7\n"), {{7, -7}});
}

TEST(CmdReader, WhereTheDataEndsAndFailures) {
    ExpectPoints(Read("cmd", "X1 Y1\n\nX2 Y2\n"), {{1, -1}});
    ExpectPoints(Read("cmd", "X1 Y1\nX2 Y2"), {{1, -1}});
    test::ExpectMissingAndEmptyFail("cmd");
    EXPECT_EQ(test::RenderText("cmd", test::Garbage(5000, 4)).result, 1);
}

} // namespace
