#include "readers/reader_test.h"

namespace test {

TEST(TxtReader, PointsJumpsAndTheShareOfPointLines) {
    // Every jump is a marker. 13 points in 14 lines (counted from one; jump
    // lines do not count) are more than three quarters; 3 in 4 are not.
    std::string text = "jump position 12 34\n1 2\n3\t-4\njump position\njump position\n",
                model = "| 1,-2 3,4 | |";
    for (int i = 0; i < 11; ++i) text += std::to_string(i) + " 0\n", model += " " + std::to_string(i) + ",0";
    ExpectModels({{"txt", text, model.c_str()}});
    EXPECT_EQ(Refusal("txt", "1 2\n3 4\n5 6\n"), "not a pattern: 3 of 4 lines are coordinate pairs");
    EXPECT_EQ(Refusal("txt", "Dear quilter,\nthe pattern is attached.\n"),
              "not a pattern: 0 of 3 lines are coordinate pairs");
    // Header lines do not count, and a header makes the file a pattern by
    // its own word: lines count from zero.
    ExpectModels({{"txt", "jump position\n1 1\n2 2\njump position\n3 3\n4 4\n", "| 1,-1 2,-2 | 3,-3 4,-4"},
                  {"txt", "\"Design\"\naw 100\nal 100\njump position\n1 2\n", "| 1,-2"}});
    EXPECT_EQ(Refusal("txt", "\"Design\"\naw 100\nal x\n1 2\n"),
              "not a pattern: 1 of 2 lines are coordinate pairs");
    EXPECT_EQ(Refusal("txt", "\"Design\"\n"), "not a pattern: 0 of 0 lines are coordinate pairs");
    // What a refused file gave stays in the model.
    EXPECT_EQ(RenderText("txt", "1 2\n3 4\njump position\n").points.size(), 3u);
}

} // namespace test
