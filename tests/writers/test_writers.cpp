#include "write_helpers.h"

#include <gtest/gtest.h>

namespace {

using test::kM;
using test::Lines;
using test::WriteList;
using Writer = BOOL (CLoomveilDoc::*)();

std::string Expected(const std::string& name) {
    return test::ReadFile(test::DataPath("writers/" + name));
}

// "8004 7CDF" -> those bytes.
std::string Hex(std::string_view hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += hex[i] == ' ' ? 1 : 2)
        if (hex[i] != ' ') out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    return out;
}

std::string Repeat(std::string_view s, int n) {
    std::string out;
    while (n-- > 0) out += s;
    return out;
}

// The worked examples, against files written out by hand from them.
TEST(Writers, WorkedExamplesByteForByte) {
    const std::vector<_tagREALPT> square = {kM, {0, 0}, {4, 0}, {4, 2}, kM, {0, 2}, {0, 0}};
    const struct {
        Writer writer;
        std::vector<_tagREALPT> points;
        const char* expected;
    } cases[] = {
        {&CLoomveilDoc::WriteDxf, {{10, 10}, {20, 10}, kM, {20, 30}}, "example.dxf"},
        {&CLoomveilDoc::WriteHqf, square, "example.hqf"},
        {&CLoomveilDoc::WritePlt, square, "example.plt"},
        {&CLoomveilDoc::WriteQcc, square, "example.qcc"},
        {&CLoomveilDoc::WriteQli, square, "example.qli"},
        {&CLoomveilDoc::WriteExp, {{0, 0}, {998, 0}, {998, 200}}, "example.exp"},
    };
    for (const auto& c : cases) {
        const auto r = WriteList(c.writer, c.points);
        EXPECT_TRUE(r.ok) << c.expected << ": " << r.error;
        EXPECT_EQ(r.bytes, Expected(c.expected)) << c.expected;
    }
}

// An empty list: the fixed lines where a format has them, otherwise no file.
TEST(Writers, EmptyPatterns) {
    EXPECT_EQ(WriteList(&CLoomveilDoc::WriteDxf, {}).bytes,
              "0\r\nSECTION\r\n2\r\nENTITIES\r\n0\r\nENDSEC\r\n0\r\nEOF");
    EXPECT_EQ(WriteList(&CLoomveilDoc::WriteHqf, {kM, kM}).bytes, "; Loomveil\r\n");
    EXPECT_EQ(WriteList(&CLoomveilDoc::WritePlt, {}).bytes,
              Lines({"IN;", "IP;", "SP1;", "PU0,0;", "SC0,4,0,4;", "SP0;"}));
    for (Writer w : {&CLoomveilDoc::WriteQcc, &CLoomveilDoc::WriteQli, &CLoomveilDoc::WriteExp}) {
        const auto r = WriteList(w, {});
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.exists);
        EXPECT_EQ(r.error, "nothing to write: the pattern has no points or no extent");
    }
    // A flat pattern: QCC and QLI keep their opening lines, EXP has nothing.
    const std::vector<_tagREALPT> flat = {{0, 0}, {5, 0}};
    EXPECT_EQ(WriteList(&CLoomveilDoc::WriteQcc, flat).bytes, "c s\r\nc e s\r\n");
    EXPECT_EQ(WriteList(&CLoomveilDoc::WriteQli, flat).bytes, "#CAD2DMC\r\nCS\r\nVMXY\r\n");
    EXPECT_FALSE(WriteList(&CLoomveilDoc::WriteExp, flat).exists);
}

TEST(DxfWriter, EveryMarkerOpensAPolylineAndColoursCount) {
    auto poly = [](int colour) {
        return Lines({"0", "POLYLINE", "8", "1", "62", std::to_string(colour), "70", "0", "66", "1"});
    };
    const std::string seqend = Lines({"0", "SEQEND", "8", "1"});
    auto vertex = [](const char* x, const char* y) {
        return Lines({"0", "VERTEX", "8", "1", "10", x, "20", y});
    };
    // 32771 is a marker too; a doubled and a trailing marker give empty
    // polylines. Width 1, height 2: s = 50 / 25.4.
    const auto r = WriteList(&CLoomveilDoc::WriteDxf, {kM, {1, 1}, {32771.0f, 5}, kM, {2, 3}, kM});
    EXPECT_EQ(r.bytes, Lines({"0", "SECTION", "2", "ENTITIES"}) + poly(1) + vertex("0.000000", "-0.000000") +
                           seqend + poly(2) + seqend + poly(3) + vertex("1.968504", "-3.937008") + seqend +
                           poly(4) + seqend + "0\r\nENDSEC\r\n0\r\nEOF");
}

TEST(HqfWriter, StrokesAreChainsOfSegments) {
    // A leading real point gives the zero-length segment from the origin;
    // markers (both kinds, doubled, trailing) only start a new chain.
    const auto r =
        WriteList(&CLoomveilDoc::WriteHqf, {{0, 0}, {4, 0}, kM, {32771.0f, 0}, {4, 2}, {0, 2}, kM});
    EXPECT_EQ(r.bytes, Lines({"0.000 0.000 0.000 -0.000", "0.000 -0.000 10.000 -0.000",
                              "10.000 -5.000 0.000 -5.000", "; Loomveil"}));
}

TEST(PltWriter, TruncatesAndLiftsThePenAfterMarkers) {
    const auto r =
        WriteList(&CLoomveilDoc::WritePlt, {{0, 0}, {1000, 0}, {999.9f, 0.7f}, {32771.0f, 0}, kM, {0, 0.5f}});
    EXPECT_EQ(r.bytes, Lines({"IN;", "IP;", "SP1;", "PU0,0;", "SC0,4,0,4;", "PD0,0;", "PD1000,0;", "PD999,0;",
                              "PU0,0;", "SP0;"}));
}

TEST(QccWriter, MarkersCloseCurvesExceptAtTheStart) {
    const std::string open = "c s\r\nc e s\r\n", next = "c e e\r\nc s\r\nc e s\r\n";
    EXPECT_EQ(WriteList(&CLoomveilDoc::WriteQcc, {kM, kM, kM}).bytes, open + next + next + "c e e\r\n");
    const auto r = WriteList(&CLoomveilDoc::WriteQcc, {{0, 0}, {8, 4}, {32771.0f, 0}, {2, 1}, kM});
    EXPECT_EQ(r.bytes, open + "p X0.000 Y0.000\r\np X4.000 Y2.000\r\n" + next + "p X1.000 Y0.500\r\n" + next +
                           "c e e\r\n");
}

TEST(QliWriter, StrokesAreRelativeToThePreviousEnd) {
    const std::string header = "#CAD2DMC\r\nCS\r\nVMXY\r\n", end = "VE\r\nBGS\r\nAMS\r\n";
    // A leading marker writes nothing.
    EXPECT_EQ(WriteList(&CLoomveilDoc::WriteQli, {kM, {0, 0}, {2, 2}}).bytes,
              WriteList(&CLoomveilDoc::WriteQli, {{0, 0}, {2, 2}}).bytes);
    // Truncation toward zero: 99.9 -> 99, -0.6 -> 0.
    EXPECT_EQ(WriteList(&CLoomveilDoc::WriteQli, {{0, 0}, {99.9f, 0.6f}, {10000, 10000}}).bytes,
              header + "VP 0,0\r\nVP 99,0\r\nVP 10000,-10000\r\n" + end + "EN\r\n");
    // A second marker repeats the end lines but moves nothing; a trailing
    // one gives them twice before EN.
    EXPECT_EQ(WriteList(&CLoomveilDoc::WriteQli, {{0, 0}, {1, 1}, kM, {32771.0f, 0}, {2, 2}, kM}).bytes,
              header + "VP 0,0\r\nVP 5000,-5000\r\n" + end + end + "VP 5000,-5000\r\n" + end + end +
                  "EN\r\n");
}

TEST(ExpWriter, MovesSplitIntoStepsOfAtMost125) {
    // Width 998, height 200: s = 1, points land at (x + 1, -(y + 400)).
    const std::string start = Hex("8004" + Repeat("8419 8004", 3) + "8419 FD00"); // (500,-500) -> (1,-400)
    // 125 is one step, 126 two of 63. The split jump (747, -200) has the
    // prefix before every step while both remainders are non-zero, and its
    // remainder (3, -2) is followed by (0, 0).
    EXPECT_EQ(WriteList(&CLoomveilDoc::WriteExp, {{0, 0}, {125, 0}, {251, 0}, kM, {998, 200}}).bytes,
              start + Hex("7D00 3F00 3F00 8004" + Repeat("7CDF 8004", 6) + "03FE 0000"));
    // A jump of (0, 0) writes its step and its remainder; a trailing marker
    // is a lone prefix.
    EXPECT_EQ(WriteList(&CLoomveilDoc::WriteExp, {kM, {0, 0}, kM, {0, 0}, {998, 200}, kM}).bytes,
              start + Hex("8004 0000 0000" + Repeat("7CE7", 8) + "0600 8004"));
    // Height 300: points at (x + 1, -(y + 650)). A diagonal jump of
    // (300, 300) is three steps with the prefix between them, then (0, 0).
    EXPECT_EQ(WriteList(&CLoomveilDoc::WriteExp, {{0, 0}, kM, {300, -300}, {998, 0}}).bytes,
              Hex("8004" + Repeat("84DB 8004", 4) + "FDFE 0000" + "8004 6464 8004 6464 8004 6464 0000" +
                  Repeat("74CE", 6) + "0200"));
}

// Coordinates no reader should give but files can hold: every writer still
// writes a well-formed file (the sanitizer build fails on any undefined
// conversion on the way).
TEST(Writers, HostileCoordinatesStayDefined) {
    const std::vector<_tagREALPT> pts = {
        {NAN, 1},           {0, NAN},         {INFINITY, 5},           kM,
        {3e38f, -INFINITY}, {1e-45f, 2e-45f}, {-FLT_MAX, FLT_MAX / 2}, {0, 0}};
    const std::pair<const char*, Writer> writers[] = {
        {"dxf", &CLoomveilDoc::WriteDxf}, {"hqf", &CLoomveilDoc::WriteHqf}, {"plt", &CLoomveilDoc::WritePlt},
        {"qcc", &CLoomveilDoc::WriteQcc}, {"qli", &CLoomveilDoc::WriteQli}, {"exp", &CLoomveilDoc::WriteExp}};
    for (const auto& [name, w] : writers) {
        const auto r = WriteList(w, pts);
        EXPECT_TRUE(r.ok) << name << ": " << r.error;
        EXPECT_FALSE(r.bytes.empty()) << name;
    }
    // All points in one place: written at the origin, not as 0 x infinity.
    EXPECT_EQ(WriteList(&CLoomveilDoc::WritePlt, {{7, 7}, {7, 7}}).bytes.substr(36),
              "PD0,0;\r\nPD0,0;\r\nSP0;\r\n");
    EXPECT_EQ(WriteList(&CLoomveilDoc::WriteHqf, {{5, 5}, {5, 5}}).bytes,
              Lines({"0.000 0.000 0.000 -0.000", "0.000 -0.000 0.000 -0.000", "; Loomveil"}));
}

} // namespace
