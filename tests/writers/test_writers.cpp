#include "write_helpers.h"

#include <gtest/gtest.h>

namespace test {
namespace {

using Writer = BOOL (CLoomveilDoc::*)();
constexpr Writer kDxf = &CLoomveilDoc::WriteDxf, kHqf = &CLoomveilDoc::WriteHqf,
                 kPlt = &CLoomveilDoc::WritePlt, kQcc = &CLoomveilDoc::WriteQcc,
                 kQli = &CLoomveilDoc::WriteQli, kExp = &CLoomveilDoc::WriteExp;
constexpr _tagREALPT kW{32771.0f, 0}; // a marker to the writers only

std::string Repeat(std::string_view s, int n) {
    std::string out;
    while (n-- > 0) out += s;
    return out;
}

TEST(Writers, ExactBytes) {
    const std::vector<_tagREALPT> square = {kM, {0, 0}, {4, 0}, {4, 2}, kM, {0, 2}, {0, 0}};
    auto file = [](const char* name) { return ReadFile(DataPath(std::string("writers/") + name)); };
    auto poly = [](int colour) {
        return Lines({"0", "POLYLINE", "8", "1", "62", std::to_string(colour), "70", "0", "66", "1"});
    };
    auto vertex = [](const char* x, const char* y) {
        return Lines({"0", "VERTEX", "8", "1", "10", x, "20", y});
    };
    const std::string dxfHead = Lines({"0", "SECTION", "2", "ENTITIES"}), dxfEnd = "0\r\nENDSEC\r\n0\r\nEOF";
    const std::string seqend = Lines({"0", "SEQEND", "8", "1"});
    const std::string pltHead = Lines({"IN;", "IP;", "SP1;", "PU0,0;", "SC0,4,0,4;"});
    const std::string qccOpen = "c s\r\nc e s\r\n", qccNext = "c e e\r\n" + qccOpen;
    const std::string qliHead = "#CAD2DMC\r\nCS\r\nVMXY\r\n", qliEnd = "VE\r\nBGS\r\nAMS\r\n";
    // EXP, width 998 and height 200: s = 1, points land at (x + 1, -(y + 400)).
    const std::string expStart = Hex("8004" + Repeat("8419 8004", 3) + "8419 FD00"); // (500,-500) -> (1,-400)
    const struct {
        Writer writer;
        std::vector<_tagREALPT> points;
        std::string bytes;
        double mmPerUnit = 0; // above 0: the writer keeps the size
    } cases[] = {
        // The worked examples, against files written out by hand from them.
        {kDxf, {{10, 10}, {20, 10}, kM, {20, 30}}, file("example.dxf")},
        {kHqf, square, file("example.hqf")},
        {kPlt, square, file("example.plt")},
        {kQcc, square, file("example.qcc")},
        {kQli, square, file("example.qli")},
        {kExp, {{0, 0}, {998, 0}, {998, 200}}, file("example.exp")},
        // Nothing to draw: the fixed lines.
        {kDxf, {}, dxfHead + dxfEnd},
        {kHqf, {kM, kM}, "; Loomveil\r\n"},
        {kPlt, {}, pltHead + "SP0;\r\n"},
        {kQcc, {{0, 0}, {5, 0}}, qccOpen},
        {kQli, {{0, 0}, {5, 0}}, qliHead},
        // All points in one place: at the origin, not at 0 × infinity.
        {kPlt, {{7, 7}, {7, 7}}, pltHead + Lines({"PD0,0;", "PD0,0;", "SP0;"})},
        {kHqf,
         {{5, 5}, {5, 5}},
         Lines({"0.000 0.000 0.000 -0.000", "0.000 -0.000 0.000 -0.000", "; Loomveil"})},
        // Every marker (32771 too) opens a polyline with the next colour, so
        // doubled and trailing ones give empty ones. s = 50 / 25.4.
        {kDxf,
         {kM, {1, 1}, kW, kM, {2, 3}, kM},
         dxfHead + poly(1) + vertex("0.000000", "-0.000000") + seqend + poly(2) + seqend + poly(3) +
             vertex("1.968504", "-3.937008") + seqend + poly(4) + seqend + dxfEnd},
        // A leading real point gives a zero-length segment from the origin;
        // markers only start a new chain.
        {kHqf,
         {{0, 0}, {4, 0}, kM, kW, {4, 2}, {0, 2}, kM},
         Lines({"0.000 0.000 0.000 -0.000", "0.000 -0.000 10.000 -0.000", "10.000 -5.000 0.000 -5.000",
                "; Loomveil"})},
        // Truncation toward zero; pen up after markers.
        {kPlt,
         {{0, 0}, {1000, 0}, {999.9f, 0.7f}, kW, kM, {0, 0.5f}},
         pltHead + Lines({"PD0,0;", "PD1000,0;", "PD999,0;", "PU0,0;", "SP0;"})},
        // Markers close curves except at the start.
        {kQcc, {kM, kM, kM}, qccOpen + qccNext + qccNext + "c e e\r\n"},
        {kQcc,
         {{0, 0}, {8, 4}, kW, {2, 1}, kM},
         qccOpen + "p X0.000 Y0.000\r\np X4.000 Y2.000\r\n" + qccNext + "p X1.000 Y0.500\r\n" + qccNext +
             "c e e\r\n"},
        // A leading marker writes nothing; truncation toward zero (99.9 -> 99,
        // -0.6 -> 0); a second marker repeats the end lines but moves nothing.
        {kQli,
         {kM, {0, 0}, {99.9f, 0.6f}, {10000, 10000}},
         qliHead + "VP 0,0\r\nVP 99,0\r\nVP 10000,-10000\r\n" + qliEnd + "EN\r\n"},
        {kQli,
         {{0, 0}, {1, 1}, kM, kW, {2, 2}, kM},
         qliHead + "VP 0,0\r\nVP 5000,-5000\r\n" + qliEnd + qliEnd + "VP 5000,-5000\r\n" + qliEnd + qliEnd +
             "EN\r\n"},
        // EXP: 125 is one step, 126 two of 63. The split jump (747, -200) has
        // the prefix before every step while both remainders are non-zero,
        // and its remainder (3, -2) is followed by (0, 0).
        {kExp,
         {{0, 0}, {125, 0}, {251, 0}, kM, {998, 200}},
         expStart + Hex("7D00 3F00 3F00 8004" + Repeat("7CDF 8004", 6) + "03FE 0000")},
        // A jump of (0, 0) writes its step and its remainder; a trailing
        // marker is a lone prefix.
        {kExp,
         {kM, {0, 0}, kM, {0, 0}, {998, 200}, kM},
         expStart + Hex("8004 0000 0000" + Repeat("7CE7", 8) + "0600 8004")},
        // Height 300: points at (x + 1, -(y + 650)). A diagonal jump of
        // (300, 300) is three steps with the prefix between them, then (0, 0).
        {kExp,
         {{0, 0}, kM, {300, -300}, {998, 0}},
         Hex("8004" + Repeat("84DB 8004", 4) + "FDFE 0000" + "8004 6464 8004 6464 8004 6464 0000" +
             Repeat("74CE", 6) + "0200")},
        // With the pattern's unit known each writer keeps its size in the
        // format's own unit; here every list unit is two of them. QCC is
        // written y up from the lower-left corner, PLT without the SC
        // instruction, DXF in millimetres under a header, EXP with the
        // prefix before every jump record; flat patterns are written too.
        {kDxf, square,
         Lines({"0", "SECTION", "2", "HEADER", "9", "$INSUNITS", "70", "4", "0", "ENDSEC"}) + dxfHead +
             poly(1) + vertex("0.000000", "-0.000000") + vertex("8.000000", "-0.000000") +
             vertex("8.000000", "-4.000000") + seqend + poly(2) + vertex("0.000000", "-4.000000") +
             vertex("0.000000", "-0.000000") + seqend + dxfEnd,
         2},
        {kHqf, square,
         Lines({"0.000 -0.000 8.000 -0.000", "8.000 -0.000 8.000 -4.000", "0.000 -4.000 0.000 -0.000",
                "; Loomveil"}),
         50.8},
        {kPlt, square,
         Lines({"IN;", "IP;", "SP1;", "PU0,0;", "PU0,0;", "PD8,0;", "PD8,-4;", "PU0,-4;", "PD0,0;", "SP0;"}),
         0.05},
        {kQcc, square,
         qccOpen + Lines({"p X0.000 Y4.000", "p X8.000 Y4.000", "p X8.000 Y0.000"}) + qccNext +
             Lines({"p X0.000 Y0.000", "p X0.000 Y4.000", "c e e"}),
         50.8},
        {kQcc, {{0, 0}, {5, 0}}, qccOpen + Lines({"p X0.000 Y0.000", "p X10.000 Y0.000", "c e e"}), 50.8},
        {kQli, square,
         qliHead + Lines({"VP 0,0", "VP 8,0", "VP 8,-4"}) + qliEnd + Lines({"VP -8,0", "VP -8,4"}) + qliEnd +
             "EN\r\n",
         0.0508},
        // EXP: s = 2 about the box centre at (500, 500); jumps of 150 and
        // 300 along one axis with every part prefixed.
        {kExp, square, Hex("8004 FC02 0800 00FC 8004 F800 0004"), 0.2},
        {kExp, {{0, 0}, {5, 0}}, Hex("8004 FB00 0A00"), 0.2},
        {kExp, {{0, 0}, kM, {300, 0}}, Hex("8004 B500 8004 B500" + Repeat("8004 6400", 3)), 0.1},
    };
    for (const auto& c : cases) {
        const auto r = WriteList(c.writer, c.points, c.mmPerUnit);
        EXPECT_TRUE(r.ok) << &c - cases << ": " << r.error;
        EXPECT_EQ(r.bytes, c.bytes) << &c - cases;
    }
}

TEST(Writers, NothingToWriteLeavesNoFile) {
    const std::pair<Writer, std::vector<_tagREALPT>> cases[] = {
        {kQcc, {}}, {kQli, {}}, {kExp, {}}, {kExp, {{0, 0}, {5, 0}}}};
    for (const auto& [writer, points] : cases) {
        const auto r = WriteList(writer, points);
        EXPECT_FALSE(r.ok || r.exists);
        EXPECT_EQ(r.error, "nothing to write: the pattern has no points or no extent");
    }
}

// Coordinates no reader should give but files can hold: every writer still
// writes a file (the sanitizer build fails on any undefined conversion).
TEST(Writers, HostileCoordinatesStayDefined) {
    const std::vector<_tagREALPT> pts = {
        {NAN, 1},           {0, NAN},         {INFINITY, 5},           kM,
        {3e38f, -INFINITY}, {1e-45f, 2e-45f}, {-FLT_MAX, FLT_MAX / 2}, {0, 0}};
    for (Writer w : {kDxf, kHqf, kPlt, kQcc, kQli, kExp}) {
        const auto r = WriteList(w, pts);
        EXPECT_TRUE(r.ok && !r.bytes.empty()) << r.error;
    }
}

} // namespace
} // namespace test
