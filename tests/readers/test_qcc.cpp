#include "readers/reader_test.h"

namespace test {

TEST(QccReader, HeaderCurveEndsAndPoints) {
    ExpectModels({
        // "c s" is the header and "c e s" a marker, even after another; the
        // letters before the numbers are never compared; other lines are
        // skipped.
        {"qcc",
         "c s\r\nc s\r\nc e s\r\nc e s\r\np X1.5 Y-2\r\nq A1 B2\r\npX3Y4\r\np  X 5   Y 6\r\nc e e\r\np "
         "X1.5\r\n"
         " p X1 Y1\r\np X Y2\r\nc e s\r\n",
         "| | 1.5,2 1,-2 3,-4 5,-6 |"},
        // The first line must hold "c " somewhere; without any line feed
        // there is no header to judge and nothing to read.
        {"qcc", "abc d\np X1 Y1\n", "1,-1"},
        {"qcc", "abc", ""},
        // A name record may stand first; a line beginning "c " is a command
        // even when it scans as a point.
        {"qcc", "n Design\r\nc c 1 0 0 0\r\nc w Black\r\nc e s\r\nc p 1\r\np X0.701 Y0.240\r\nc e e\r\n",
         "| 0.701,-0.24"},
    });
    for (const char* text : {"abc\np X1 Y1\n", "\nc s\np X1 Y1\n", "C S\np X1 Y1\n", "name\np X1 Y1\n"})
        EXPECT_NE(Refusal("qcc", text).find("\"c \""), std::string::npos) << text;
}

} // namespace test
