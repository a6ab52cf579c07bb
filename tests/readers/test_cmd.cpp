#include "readers/reader_test.h"

namespace test {

TEST(CmdReader, PenCommandsAndPoints) {
    // Every PU is a marker, with coordinates or not; PD adds nothing; a point
    // needs X in the first column and a Y after it.
    ExpectModels(
        {{"cmd",
          "PU\r\nX0 Y0\r\nPD\r\nX1Y2\r\nPU\r\nPUX5 Y5\r\nX 3   Y -4 feed\r\nPDX9 Y9\r\nX5\r\n X5 Y5\r\n"
          "Y5 X5\r\nx5 y5\r\nX5 Z5\r\n",
          "| 0,0 1,-2 | | 3,4"},
         // A note between PNOTE and ENOTE is never read.
         {"cmd", "PU\nX1 Y1\nPNOTE\nX9 Y9\nPU\nENOTE\nX2 Y2\nPNOTE\nX8 Y8\n", "| 1,-1 2,-2"}});
}

} // namespace test
