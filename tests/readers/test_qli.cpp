#include "readers/reader_test.h"

#include <cmath>

namespace test {

TEST(QliReader, TheModelAfterARead) {
    ExpectModels({
        // Short lines count for nothing; the header gives the origin.
        {"qli", "\nX\n#CAD2DMC\r\n", "0,0"},
        {"qli", "#h\r\nCS\r\nNO x\r\nVP 1.25,3.5\r\nL,2,0\r\nAMS\r\nBGS\r\nVP 4,4\r\nEN\r\n",
         "0,0 1.25,-3.5 2,0 | 4,-4"},
        // Pen-ups in a row give one marker; VE right after one keeps the
        // origin, after a vector moves it to the vector's end.
        {"qli", "#h\nBG\nJ,5,5\nVE\nL,1,1\nVE\nL,2,0\nVE\nL,0,3\n", "0,0 | 1,-1 3,-1 3,-4"},
        // A unit word of up to three characters before a comma is skipped;
        // "in," fills the word, and like a number missing ends the data.
        {"qli", "#h\nL,1.5mmm,2\nL,1,1\nL,1.5in,2\nL,5,5\n", "0,0 1.5,-2 1,-1"},
        {"qli", "#h\nL,1\nL,5,5\n", "0,0"},
        {"qli", "#h\nA,1,2\nL,5,5\n", "0,0"},
        // Tokens go before lines are cut: deleting "]" joins "*S" and "X",
        // which the later "*SX" pass removes.
        {"qli", "#h\nL,@RND[2.5]*SX,3*SY\nL,1,2*S]X5+SR\n", "0,0 2.5,-3 1,-25"},
        // The last line needs a line feed; a NUL ends the text.
        {"qli", "#h\nL,1,1\nL,2,2", "0,0 1,-1"},
        {"qli", std::string("#h\nL,1,1\nL,2\0,2\nL,3,3\n", 22), "0,0 1,-1"},
        {"hqv", "#h\nL,1,1\n:Thumbnail\nL,2,2\n", "0,0 1,-1"},
        {"qli", "#h\nL,1,1\n:Thumbnail\nL,2,2\n", "0,0 1,-1 2,-2"},
    });
}

TEST(QliReader, WhatMachineProgramsAdd) {
    ExpectModels({
        // HQV: a jump carries the next stroke's start; one before any point
        // leaves the origin out. QLI keeps the origin and reads no jump
        // target.
        {"hqv", "#h\nJ,1,2\nL,3,4\nJ,\nL,5,5\nJ,5,6\nVE\nL,1,1\n", "| 1,-2 3,-4 | 5,-5 | 5,-6 6,-7"},
        {"qli", "#h\nJ,1,2\nL,3,4\n", "0,0 | 3,-4"},
        // Travel: moves with the needle off end the stroke, and the next one
        // starts where they ended (a VE after them moves the origin); a
        // travel first leaves the origin out.
        {"qli",
         "#h\nNO NEEDLE OFF\nVP 1,1\nNO NEEDLE ON\nVP 2,1\nVE\nNO NEEDLE OFF\nVP 3,4\nVE\nNO NEEDLE ON\nVP "
         "1,0\n",
         "| 1,-1 2,-1 | 5,-5 6,-5"},
        // Swapped axes, parenthesised numbers, speeds, comments and labels.
        {"qli",
         "#h\nVMYX\nVP 1,2\nVMX,Y\nVP (3*SX),(4)\nREM VP 9,9\n' VP 9,9\n#label\nVP 5,6<100>0\nL,(7),8\n",
         "0,0 2,-1 3,-4 5,-6 7,-8"},
    });
    // Arcs turn from the first number's axis toward the second's.
    const auto swapped = Read("qli", "#h\nVMYX\nVP 0,1\nCR 1,0,90\n");
    EXPECT_NEAR(swapped.back().x, 2, 1e-6);
    EXPECT_NEAR(swapped.back().y, 1, 1e-6);
}

TEST(QliReader, ArcsAreCutIntoEqualChords) {
    // 90 degrees from (1, 0) about the origin: 18 points between start and end.
    const auto pts = Read("qli", "#h\nL,1,0\nA,1,0,90\n");
    ASSERT_EQ(pts.size(), 21u);
    for (int i = 1; i <= 19; ++i) {
        EXPECT_NEAR(pts[1 + i].x, std::cos(i * M_PI / 38), 1e-5) << i;
        EXPECT_NEAR(pts[1 + i].y, -std::sin(i * M_PI / 38), 1e-5) << i;
    }
    // Chords by sweep: one below 5 degrees; HQV sweeps are radians (the
    // second 89.99998 degrees); ten turns are traced at most.
    const std::pair<std::string, std::size_t> counts[] = {
        {"qli CR1,0,4", 3},          {"qli A,1mmm,0deg,4", 3},   {"qli A,1in,0deg,4", 2},
        {"hqv A,1,0,1.5707963", 21}, {"hqv A,1,0,1.570796", 20}, {"qli A,1,0,3604", 723},
        {"qli A,1,0,1e30", 723},     {"qli A,1,0,-1e38", 723},   {"qli A,1,0,inf", 723},
        {"qli A,1,0,nan", 3}};
    for (const auto& [arc, n] : counts)
        EXPECT_EQ(Read(arc.substr(0, 3), "#h\nL,1,0\n" + arc.substr(4) + "\n").size(), n) << arc;
    EXPECT_NEAR(Read("hqv", "#h\nL,1,0\nA,1,0,1.5707963\n").back().y, -1.0f, 1e-6);
    EXPECT_EQ(RenderText("hqv", "#h\nL,nan,inf\nL,1e39,-1e39\nL,0,0\n", 200, 200, Via::reader).result, 1);
}

} // namespace test
