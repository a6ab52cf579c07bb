#include "model/scan.h"
#include "readers/reader_test.h"

#include <random>

namespace test {

TEST(HpglReader, TheModelAfterARead) {
    ExpectModels({
        // The first statement adds a marker to the empty list, a PU right
        // after it none; other commands are skipped, leading blanks too.
        {"plt", "IN;SP1;PU0,0;PD100,0,100,100;PU;\n", "| 0,0 100,0 100,-100 |"},
        {"plt", "PU;PU;PD1,1;PU;PU;SP2;  PD2,2;\n", "| 1,-1 | 2,-2"},
        // A statement without its ';' is not read; one shorter than two
        // characters ends its line.
        {"plt", "PD10,10\n", ""},
        {"plt", "PU0,0;PD2,2;PD3,3\nPD4,4; ;PD5,5;\nPD6,6;\n", "| 0,0 2,-2 4,-4 6,-6"},
        // An empty line ends the data; a lone CR is not empty; the last line
        // needs no line feed; a NUL ends the text.
        {"plt", "PU0,0;\nPD1,1;\n\nPD2,2;\n", "| 0,0 1,-1"},
        {"plt", "PU0,0;\r\nPD1,1;\r\n\r\nPD2,2;\r\nPD7,7;", "| 0,0 1,-1 2,-2 7,-7"},
        {"plt", std::string("PU0,0;\0PD8,8;\n", 14), "| 0,0"},
        // Relative moves last until PA, and start from the origin.
        {"plt", "PR;PD3,4;PA0,0;PR10,0;PD5,5;PU;PD1,0;PA;PD3,3;\n", "| 3,-4 0,0 10,0 15,-5 | 16,-5 3,-3"},
        // Pairs: any separator, a blank before it, an odd value left over,
        // numbers that do not scan, hexadecimal, past float's range, NaN.
        {"plt", "PD10 20 30 40;PD1 ,2;PD1,2,3;PDx,y;PD1.5e1,-2.25,.5,1e-1;PD0x10,2;\n",
         "| 10,-20 30,-40 1,-2 1,-2 15,2.25 0.5,-0.1 16,-2"},
        {"plt", "PD1e39,-1e39,nan,inf;\n", "| inf,inf nan,-inf"},
        // CQP: PU lifts the pen, PR and PA set the mode, any other tag is a
        // move; the next pair starts one tag character past the separator,
        // and never on the next line; ';' means nothing.
        {"cqp", "PU\nX1,2\nPR\nY3,4,Z5,6\nPA\nM;7,8\nPU0,0\nPD9,9\n", "| 1,-2 4,-6 9,-12 7,-8 |"},
        {"cqp", "X1,2,\n3,4\nX1,2;X3,4\n", "| 1,-2 1,-2"},
        {"cqp", std::string(100000, ',') + "\n", "|"},
    });
}

TEST(HpglReader, TheIntegerShortcutReadsNumbersAsTheGeneralParser) {
    // clang-format off
    std::vector<std::string> cases{"0", "-0", "+7", "007", "16777217", "-16777219,", "123456789012345678",
        "1234567890123456789", "99999999999999999999", "0x1A", "0X", "12x", "1.5", "1e5", "1e", "3E-2", "-", "+",
        "inf", "nan", ".5", "5.", "  4"};
    // clang-format on
    std::mt19937 rng(3);
    for (int i = 0; i < 20000; ++i) {
        std::string n = rng() % 2 ? "-" : "";
        for (int d = 0, digits = 1 + static_cast<int>(rng() % 20); d < digits; ++d)
            n += static_cast<char>('0' + rng() % 10);
        cases.push_back(n + ",");
    }
    for (const std::string& c : cases) {
        float quick = 42, general = 42;
        EXPECT_EQ(ParseFloatPrefixQuick(c, quick), ParseFloatPrefix(c, general)) << c;
        EXPECT_EQ(std::memcmp(&quick, &general, sizeof quick), 0) << c << ": " << quick << " vs " << general;
    }
}

} // namespace test
