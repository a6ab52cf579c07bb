#include "model/scan.h"
#include "readers/reader_test.h"

#include <random>

namespace {

using test::ExpectPoints;
using test::kBreak;
using test::Read;

TEST(HpglReader, StatementsPenUpsAndTheLeadingMarker) {
    // The first statement adds a marker because the list is empty; the PU
    // right after it adds none; other commands are skipped.
    ExpectPoints(Read("plt", "IN;SP1;PU0,0;PD100,0,100,100;PU;\n"),
                 {kBreak, {0, 0}, {100, 0}, {100, -100}, kBreak});
    ExpectPoints(Read("plt", "PU;PU;PD1,1;PU;PU;SP2;PD2,2;\n"), {kBreak, {1, -1}, kBreak, {2, -2}});
    // Leading spaces before a command are skipped.
    ExpectPoints(Read("plt", "  PU3,4;   PD5,6;\n"), {kBreak, {3, -4}, {5, -6}});
}

TEST(HpglReader, WhereStatementsAndTheDataEnd) {
    // Without a closing ';' a statement is not read at all.
    EXPECT_TRUE(Read("plt", "PD10,10\n").empty());
    ExpectPoints(Read("plt", "PU0,0;PD2,2;PD3,3\nPD4,4;\n"), {kBreak, {0, 0}, {2, -2}, {4, -4}});
    // A statement shorter than two characters ends its line.
    ExpectPoints(Read("plt", "PU0,0; ;PD5,5;\nPD6,6;\n"), {kBreak, {0, 0}, {6, -6}});
    // A blank line ends the data with LF line ends, not with CR LF.
    ExpectPoints(Read("plt", "PU0,0;\nPD1,1;\n\nPD2,2;\n"), {kBreak, {0, 0}, {1, -1}});
    ExpectPoints(Read("plt", "PU0,0;\r\nPD1,1;\r\n\r\nPD2,2;\r\n"), {kBreak, {0, 0}, {1, -1}, {2, -2}});
    // The last line needs no line feed; a NUL ends the text.
    ExpectPoints(Read("plt", "PU0,0;\nPD7,7;"), {kBreak, {0, 0}, {7, -7}});
    ExpectPoints(Read("plt", std::string_view("PU0,0;\nPD7,7;\0PD8,8;\n", 21)), {kBreak, {0, 0}, {7, -7}});
}

TEST(HpglReader, RelativeModeLastsUntilPa) {
    ExpectPoints(Read("plt", "PA0,0;PR10,0;PD5,5;PU;PD1,0;PA;PD3,3;\n"),
                 {kBreak, {0, 0}, {10, 0}, {15, -5}, kBreak, {16, -5}, {3, -3}});
    // Before any point, a relative move starts from the origin.
    ExpectPoints(Read("plt", "PR;PD3,4;\n"), {kBreak, {3, -4}});
}

TEST(HpglReader, PairsAndTheirSeparators) {
    ExpectPoints(Read("plt", "PD10 20 30 40;\n"), {kBreak, {10, -20}, {30, -40}});
    // A blank before the separator: the second form.
    ExpectPoints(Read("plt", "PD1 ,2;\n"), {kBreak, {1, -2}});
    // An odd number of values ends at the pair that does not scan.
    ExpectPoints(Read("plt", "PD1,2,3;\n"), {kBreak, {1, -2}});
    ExpectPoints(Read("plt", "PD1.5e1,-2.25,.5,1e-1;\n"), {kBreak, {15, 2.25f}, {0.5f, -0.1f}});
    // Coordinates that do not scan add nothing and reading goes on.
    ExpectPoints(Read("plt", "PDx,y;PD1,1;\n"), {kBreak, {1, -1}});
}

TEST(HpglReader, CqpLinesAreOneStatementWithAOneCharacterTag) {
    // PU lifts the pen (its coordinates would begin with the letter U);
    // PR and PA set the mode; any other tag is a move in the current mode,
    // the next pair starting past the separator and one tag character.
    ExpectPoints(Read("cqp", "PU\nX1,2\nPR\nY3,4,Z5,6\nPA\nM;7,8\nPU0,0\nPD9,9\n"),
                 {kBreak, {1, -2}, {4, -6}, {9, -12}, {7, -8}, kBreak});
    // A pair that would start past the end of the line is not read from the
    // next line.
    ExpectPoints(Read("cqp", "X1,2,\n3,4\n"), {kBreak, {1, -2}});
    // ';' has no meaning beyond the tag: the whole line is the statement.
    ExpectPoints(Read("cqp", "X1,2;X3,4\n"), {kBreak, {1, -2}});
}

TEST(HpglReader, FailsOnlyWithoutAFile) {
    test::ExpectMissingAndEmptyFail("plt");
    test::ExpectMissingAndEmptyFail("cqp");
}

TEST(HpglReader, TheIntegerShortcutReadsNumbersAsTheGeneralParser) {
    // clang-format off
    std::vector<std::string> cases{"0", "-0", "+7", "007", "16777217", "-16777219,", "123456789012345678",
        "1234567890123456789", "99999999999999999999", "0x1A", "0X", "00x1", "12x", "1.5", "1e5", "1e", "3E-2",
        "-", "+", "inf", "nan", ".5", "5.", "1,2", "  4", "9e99"};
    // clang-format on
    std::mt19937 rng(3);
    for (int i = 0; i < 20000; ++i) {
        const int digits = 1 + static_cast<int>(rng() % 20);
        std::string n = rng() % 2 ? "-" : "";
        for (int d = 0; d < digits; ++d) n += static_cast<char>('0' + rng() % 10);
        cases.push_back(n + ",");
    }
    for (const std::string& c : cases) {
        float quick = 42, general = 42;
        const std::size_t nq = ParseFloatPrefixQuick(c, quick);
        const std::size_t ng = ParseFloatPrefix(c, general);
        EXPECT_EQ(nq, ng) << c;
        EXPECT_EQ(std::memcmp(&quick, &general, sizeof quick), 0) << c << ": " << quick << " vs " << general;
    }
}

TEST(HpglReader, HostileInputStaysBounded) {
    for (unsigned seed = 0; seed < 4; ++seed) {
        EXPECT_EQ(test::RenderText("plt", test::Garbage(4000, seed)).result, 1);
        EXPECT_EQ(test::RenderText("cqp", test::Garbage(4000, seed)).result, 1);
    }
    // Overflowing and non-numbers are values like any other.
    const auto pts = Read("plt", "PD1e39,-1e39,nan,inf,0x10,2;\n");
    ASSERT_EQ(pts.size(), 4u);
    EXPECT_TRUE(std::isinf(pts[1].x));
    EXPECT_TRUE(std::isnan(pts[2].x));
    EXPECT_EQ(pts[3].x, 16.0f);
    // A long statement of blanks and separators ends.
    EXPECT_EQ(Read("cqp", std::string(100000, ',') + "\n").size(), 1u);
}

} // namespace
